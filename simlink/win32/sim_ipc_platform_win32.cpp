// sim_ipc_platform_win32.cpp - the calls of sim_ipc_platform.h as the Win32
// calls they stand for, one for one (ANSI forms throughout).
#include "simlink/sim_ipc_platform.h"

#include <windows.h>

IpcWindow ipcFindWindow(const char* className) {
    return reinterpret_cast<IpcWindow>(FindWindowExA(nullptr, nullptr, className, nullptr));
}

uint32_t ipcRegisterMessage(const char* name) {
    return RegisterWindowMessageA(name);
}

uint32_t ipcProcessId() {
    return GetCurrentProcessId();
}

uint16_t ipcAddAtom(const char* name) {
    return GlobalAddAtomA(name);
}

void ipcDeleteAtom(uint16_t atom) {
    GlobalDeleteAtom(atom);
}

IpcMapping ipcCreateMapping(const char* name, uint32_t size) {
    // Nothing may run between this call and the caller's ipcLastError(): the
    // last-error value is what tells a new mapping from an existing one.
    return reinterpret_cast<IpcMapping>(
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name));
}

void* ipcMapView(IpcMapping mapping) {
    return MapViewOfFile(reinterpret_cast<HANDLE>(mapping), FILE_MAP_WRITE, 0, 0, 0);
}

void ipcUnmapView(void* view) {
    UnmapViewOfFile(view);
}

void ipcCloseMapping(IpcMapping mapping) {
    CloseHandle(reinterpret_cast<HANDLE>(mapping));
}

bool ipcSendMessageTimeout(IpcWindow window, uint32_t message, uintptr_t firstParam,
                           intptr_t secondParam, uint32_t timeoutMilliseconds, uint32_t* reply) {
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutA(
        reinterpret_cast<HWND>(window), message, static_cast<WPARAM>(firstParam),
        static_cast<LPARAM>(secondParam), SMTO_BLOCK, timeoutMilliseconds, &result);
    if (sent == 0) {
        // Windows reports a time-out as ERROR_TIMEOUT; the link tells a
        // time-out from a failed send by a last-error value of 0, as the
        // native layer gives it.
        if (GetLastError() == ERROR_TIMEOUT) {
            SetLastError(0);
        }
        return false;
    }
    if (reply) {
        // The reply is 32 bits wide: a wider result must not pass for a small
        // one by losing its upper half.
        *reply = result > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(result);
    }
    return true;
}

uint32_t ipcLastError() {
    return GetLastError();
}

void ipcSleep(uint32_t milliseconds) {
    Sleep(milliseconds);
}
