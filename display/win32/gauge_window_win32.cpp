// gauge_window_win32.cpp - the gauge window, its event queue and the message
// box (Win32, ANSI calls).
//
// The window: style WS_CAPTION | WS_SYSMENU, sized so that its client area is
// 300 x 300, its outer top-left corner where the caller says (no screen
// check), black erase once setWindowBackground ran. WM_MOVE and WM_CLOSE
// become queued events; WM_CLOSE never destroys the window. pollEvent hands
// out one queued event, or removes and dispatches at most one message, and
// never waits. One window per run, main thread only.
#include "display/gauge_window.h"
#include "display/win32/win32_window.h"

#include <windows.h>

namespace {

const char* const GaugeWindowClass = "VorTavrinGauge";
const DWORD GaugeWindowStyle = WS_CAPTION | WS_SYSMENU;

// Events in the order they arose. An event equal to the newest one still
// waiting is not queued again, so a burst of moves between two polls is one
// move event. With that rule the queue can only grow by alternating events,
// one or two per dispatched message; the bound is never reached in use, and
// if it were, a close would still get in (it replaces the newest entry).
struct QueuedEvent {
    HWND window;
    int code;
};
constexpr int EventQueueSize = 64;
struct EventQueue {
    QueuedEvent entries[EventQueueSize];
    int first;
    int count;
};

GaugeWindow gaugeWindowRecord;
EventQueue eventQueue;
bool classRegistered = false;

void queueEvent(HWND window, int code) {
    EventQueue& q = eventQueue;
    if (q.count > 0) {
        const QueuedEvent& newest = q.entries[(q.first + q.count - 1) % EventQueueSize];
        if (newest.window == window && newest.code == code) {
            return;
        }
    }
    if (q.count == EventQueueSize) {
        if (code != WindowEventClose) {
            return;
        }
        q.entries[(q.first + q.count - 1) % EventQueueSize] = QueuedEvent{window, code};
        return;
    }
    q.entries[(q.first + q.count) % EventQueueSize] = QueuedEvent{window, code};
    ++q.count;
}

LRESULT CALLBACK gaugeWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_MOVE:
        queueEvent(window, WindowEventMove);
        break;
    case WM_CLOSE:
        // The main loop ends the run; the window stays until it is destroyed.
        queueEvent(window, WindowEventClose);
        return 0;
    case WM_ERASEBKGND:
        if (gaugeWindowRecord.handle == window && gaugeWindowRecord.background) {
            RECT client;
            GetClientRect(window, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, gaugeWindowRecord.background);
            return 1;
        }
        break;
    case WM_SIZE:
        presentFrame(); // does nothing while no surface is open
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerGaugeClass(HINSTANCE instance) {
    if (classRegistered) {
        return true;
    }
    WNDCLASSA c = {};
    c.style = CS_DBLCLKS;
    c.lpfnWndProc = gaugeWindowProcedure;
    c.hInstance = instance;
    c.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    c.hbrBackground = nullptr; // erased by hand, once the background is set
    c.lpszClassName = GaugeWindowClass;
    classRegistered = RegisterClassA(&c) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return classRegistered;
}

} // namespace

GaugeWindow* openGaugeWindow(const char* title, int32_t x, int32_t y) {
    if (gaugeWindowRecord.handle) {
        return nullptr; // one window per run
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registerGaugeClass(instance)) {
        return nullptr;
    }
    RECT outer = {0, 0, GaugeClientWidth, GaugeClientHeight};
    if (!AdjustWindowRectEx(&outer, GaugeWindowStyle, FALSE, 0)) {
        return nullptr;
    }
    eventQueue = EventQueue{};
    HWND window = CreateWindowExA(0, GaugeWindowClass, title ? title : "", GaugeWindowStyle, x, y,
                                  outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                  nullptr, instance, nullptr);
    if (!window) {
        return nullptr;
    }
    // CreateWindowExA reads an x of CW_USEDEFAULT (INT32_MIN) as "anywhere";
    // a stored position is placed as it is.
    if (x == static_cast<int32_t>(CW_USEDEFAULT)) {
        SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    gaugeWindowRecord = GaugeWindow{window, nullptr};
    ShowWindow(window, SW_SHOWNORMAL);
    return &gaugeWindowRecord;
}

void setWindowBackground(GaugeWindow* window) {
    if (!window || !window->handle) {
        return;
    }
    if (!window->background) {
        window->background = CreateSolidBrush(RGB(0, 0, 0));
    }
    InvalidateRect(window->handle, nullptr, TRUE);
}

void makeTopmost(GaugeWindow* window) {
    if (window && window->handle) {
        SetWindowPos(window->handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
}

int pollEvent() {
    EventQueue& q = eventQueue;
    if (q.count > 0) {
        const int code = q.entries[q.first].code;
        q.first = (q.first + 1) % EventQueueSize;
        --q.count;
        return code;
    }
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
        return WindowEventNone;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return WindowEventOther;
}

void windowPosition(GaugeWindow* window, int32_t* x, int32_t* y) {
    RECT outer = {0, 0, 0, 0};
    if (window && window->handle) {
        GetWindowRect(window->handle, &outer);
    }
    if (x) {
        *x = outer.left;
    }
    if (y) {
        *y = outer.top;
    }
}

void destroyGaugeWindow(GaugeWindow* window) {
    if (!window || !window->handle) {
        return;
    }
    DestroyWindow(window->handle);
    if (window->background) {
        DeleteObject(window->background);
    }
    *window = GaugeWindow{nullptr, nullptr};
    eventQueue = EventQueue{};
}

void showMessageBox(GaugeWindow* owner, const char* caption, const char* text) {
    // Owned by the gauge window only while it is the foreground window, so
    // that the box never hides behind another program's window.
    HWND ownerHandle = nullptr;
    if (owner && owner->handle && GetForegroundWindow() == owner->handle) {
        ownerHandle = owner->handle;
    }
    MessageBoxA(ownerHandle, text ? text : "", caption ? caption : "", MB_OK);
}
