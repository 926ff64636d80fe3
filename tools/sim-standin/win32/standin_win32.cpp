// standin_win32.cpp - sim-standin's Windows front end: a hidden top-level
// window of the server's class (FindWindowExA finds hidden top-level windows,
// not message-only ones), whose procedure serves the registered message by
// opening the block named by the atom. A console program: it prints what the
// options ask for and ends on Ctrl+C, when killed, or as the options say.
#include "tools/sim-standin/standin.h"

#include <windows.h>

#include <cstdio>

namespace {

StandinConfig config;
StandinState state;
UINT messageId;
double startTime;
bool quitting;

// The block of the last message, kept mapped while messages name it: a
// link sends a thousand a second with the same atom. The atom's text is read
// every time, so a block that a new name replaces is never served by mistake.
struct CachedBlock {
    char name[300];
    HANDLE mapping;
    void* view;
    uint32_t size;
};

CachedBlock cached;

void releaseCachedBlock() {
    if (cached.view) {
        UnmapViewOfFile(cached.view);
    }
    if (cached.mapping) {
        CloseHandle(cached.mapping);
    }
    cached = CachedBlock{};
}

uint32_t serveMessage(WPARAM firstParam, double t) {
    char name[300];
    if (firstParam > 0xFFFF ||
        GlobalGetAtomNameA(static_cast<ATOM>(firstParam), name, sizeof name) == 0) {
        if (config.trace) {
            std::printf("no atom 0x%llX\n", static_cast<unsigned long long>(firstParam));
            std::fflush(stdout);
        }
        return 0;
    }
    noteStandinBlock(&state, config, name, stdout);
    if (!cached.view || lstrcmpA(name, cached.name) != 0) {
        releaseCachedBlock();
        cached.mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
        cached.view =
            cached.mapping ? MapViewOfFile(cached.mapping, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
        if (!cached.view) {
            releaseCachedBlock();
            if (config.trace) {
                std::printf("no block %s\n", name);
                std::fflush(stdout);
            }
            return 0;
        }
        // The view's size bounds every record, whatever the client claims.
        MEMORY_BASIC_INFORMATION info{};
        SIZE_T size = VirtualQuery(cached.view, &info, sizeof info) ? info.RegionSize : 0;
        cached.size = static_cast<uint32_t>(size > 0x40000000 ? 0x40000000 : size);
        lstrcpynA(cached.name, name, sizeof cached.name);
    }
    updateStandinValues(&state, config, t);
    return standinServeBatch(&state, config, static_cast<uint8_t*>(cached.view), cached.size,
                             stdout);
}

LRESULT CALLBACK standinWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == messageId && messageId != 0) {
        if (config.noAnswer && standinFaultsActive(state, config)) {
            // Never return: the client's SendMessageTimeoutA runs out. The
            // process is ended from outside.
            for (;;) {
                Sleep(1000);
            }
        }
        const bool slow = config.slowMilliseconds && standinFaultsActive(state, config);
        uint32_t reply = serveMessage(wParam, standinNow() - startTime);
        if (slow) {
            Sleep(config.slowMilliseconds);
        }
        if (config.exitAfter && state.batches >= config.exitAfter && !quitting) {
            quitting = true;
            PostQuitMessage(0);
        }
        return static_cast<LRESULT>(reply);
    }
    switch (message) {
    case WM_TIMER:
        if (!tickStandin(&state, config, standinNow() - startTime, stdout) && !quitting) {
            quitting = true;
            PostQuitMessage(0);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

BOOL WINAPI onConsoleControl(DWORD) {
    // Ctrl+C: end the process; the system removes the window with it.
    ExitProcess(0);
}

} // namespace

int main(int argc, char** argv) {
    StandinParse parsed = parseStandinArgs(argc, argv, &config, stderr);
    if (parsed == StandinParse::Help) {
        printStandinUsage(stdout);
        return 0;
    }
    if (parsed == StandinParse::Error) {
        return 2;
    }
    initStandinState(&state, config);
    if (FindWindowExA(nullptr, nullptr, config.className, nullptr)) {
        std::fprintf(stderr, "sim-standin: a window of class %s exists already\n",
                     config.className);
        return 1;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = standinWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = config.className;
    if (!RegisterClassA(&windowClass)) {
        std::fprintf(stderr, "sim-standin: cannot register window class %s\n", config.className);
        return 1;
    }
    messageId = RegisterWindowMessageA("FsasmLib:IPC");
    // Never shown: a top-level window all the same, so that FindWindowExA
    // with no parent finds it.
    HWND window =
        CreateWindowExA(0, config.className, "sim-standin", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 200, 100, nullptr, nullptr, instance, nullptr);
    if (!window || messageId == 0) {
        std::fprintf(stderr, "sim-standin: cannot create the server window\n");
        return 1;
    }
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    SetTimer(window, 1, 100, nullptr);
    startTime = standinNow();
    std::printf("ready class=%s pid=%lu\n", config.className, GetCurrentProcessId());
    std::fflush(stdout);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    DestroyWindow(window);
    return 0;
}
