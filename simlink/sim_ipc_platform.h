// sim_ipc_platform.h - the platform calls of the simulator IPC client.
//
// The client (sim_ipc_client.cpp) is portable and calls only these. They keep
// the shape and meaning of the Win32 calls they stand for, so that the
// client's logic reads as the protocol does:
//   simlink/win32/  the real Win32 calls (FindWindowExA, RegisterWindowMessageA,
//                   GlobalAddAtomA, CreateFileMappingA, MapViewOfFile,
//                   SendMessageTimeoutA, GetLastError, Sleep ...)
//   simlink/posix/  our own equivalents for the native build: window classes
//                   announced in a per-user directory, a file-backed atom
//                   table, POSIX shared memory, and a send with a time-out
// Tests link a fake in their place.
#pragma once

#include <cstdint>

using IpcWindow = uintptr_t;  // 0: none
using IpcMapping = uintptr_t; // 0: none

constexpr uint32_t IpcErrorAlreadyExists = 183; // ERROR_ALREADY_EXISTS

// A top-level window of this class, or 0.
IpcWindow ipcFindWindow(const char* className);
// The message number registered under this name; 0 on failure.
uint32_t ipcRegisterMessage(const char* name);
uint32_t ipcProcessId();
// A global atom whose text is the name; 0 on failure.
uint16_t ipcAddAtom(const char* name);
void ipcDeleteAtom(uint16_t atom);
// A named, file-less, read-write mapping of size bytes; 0 on failure. When a
// mapping of the name existed already, it returns a handle to it and
// ipcLastError() gives IpcErrorAlreadyExists right after.
IpcMapping ipcCreateMapping(const char* name, uint32_t size);
// The whole mapping, writable; null on failure.
void* ipcMapView(IpcMapping mapping);
void ipcUnmapView(void* view);
void ipcCloseMapping(IpcMapping mapping);
// SendMessageTimeoutA with SMTO_BLOCK: true when the window's procedure
// returned within the time, its result in *reply.
bool ipcSendMessageTimeout(IpcWindow window, uint32_t message, uintptr_t firstParam,
                           intptr_t secondParam, uint32_t timeoutMilliseconds, uint32_t* reply);
// The calling thread's last-error value (GetLastError).
uint32_t ipcLastError();
// A plain sleep (the client's own 100 ms pauses).
void ipcSleep(uint32_t milliseconds);
