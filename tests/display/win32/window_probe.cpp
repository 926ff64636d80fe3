// window_probe.cpp - drives a running gauge from outside, as a user would,
// for run_gauge_exe_test.sh. One command per run, results on stdout as
// key=value lines; exit code 0 on success, 1 on a timeout or a bad command.
//
//   window_probe find TITLE TIMEOUT_MS      title, client size, outer rectangle
//   window_probe move TITLE X Y              moves the outer top-left to X, Y
//   window_probe close TITLE                 posts WM_CLOSE
//   window_probe press-ok CAPTION TIMEOUT_MS the message box: text bytes, owner, OK
//   window_probe resources EXE               icon group 1 and the manifest of EXE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND waitForWindow(const char* className, const char* title, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        HWND found = FindWindowA(className, title);
        if (found && IsWindowVisible(found)) {
            return found;
        }
        if (GetTickCount() - start > timeoutMs) {
            return nullptr;
        }
        Sleep(50);
    }
}

void printWindow(HWND window) {
    char title[128] = {};
    GetWindowTextA(window, title, sizeof title);
    RECT client;
    RECT outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    std::printf("title=%s\n", title);
    std::printf("client=%ldx%ld\n", client.right - client.left, client.bottom - client.top);
    std::printf("outer=%ld,%ld\n", outer.left, outer.top);
    std::printf("topmost=%d\n", (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
    std::fflush(stdout);
}

int pressOk(const char* caption, DWORD timeoutMs) {
    HWND box = waitForWindow("#32770", caption, timeoutMs);
    if (!box) {
        std::printf("error=no box\n");
        return 1;
    }
    // The text of a message box sits in its static control 0xFFFF.
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    std::printf("text-hex=");
    for (const char* c = text; *c; ++c) {
        std::printf("%02X", static_cast<unsigned char>(*c));
    }
    std::printf("\n");
    HWND owner = GetWindow(box, GW_OWNER);
    char ownerTitle[128] = {};
    if (owner) {
        GetWindowTextA(owner, ownerTitle, sizeof ownerTitle);
    }
    std::printf("owner=%s\n", owner ? ownerTitle : "(none)");
    HWND ok = GetDlgItem(box, IDOK);
    HWND cancel = GetDlgItem(box, IDCANCEL);
    std::printf("buttons=%s%s\n", ok ? "OK" : "", cancel ? "+Cancel" : "");
    std::fflush(stdout);
    if (!ok) {
        return 1;
    }
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    return 0;
}

// The icon group's directory (GRPICONDIR) lists each image's size; the
// manifest is the text of RT_MANIFEST 1.
int printResources(const char* path) {
    HMODULE image = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!image) {
        std::printf("error=cannot load\n");
        return 1;
    }
    HRSRC group = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    std::printf("icon-group-1=%d\n", group ? 1 : 0);
    if (group) {
        const unsigned char* dir =
            static_cast<const unsigned char*>(LockResource(LoadResource(image, group)));
        const int count = dir ? dir[4] | (dir[5] << 8) : 0;
        for (int i = 0; i < count; ++i) {
            const unsigned char* entry = dir + 6 + i * 14;
            const int w = entry[0] ? entry[0] : 256;
            const int h = entry[1] ? entry[1] : 256;
            const int bits = entry[6] | (entry[7] << 8);
            std::printf("icon=%dx%d@%d\n", w, h, bits);
        }
    }
    HRSRC manifest = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    if (manifest) {
        const char* text = static_cast<const char*>(LockResource(LoadResource(image, manifest)));
        const DWORD size = SizeofResource(image, manifest);
        const char* want[] = {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                              "6595b64144ccf1df"};
        int found = 0;
        for (const char* w : want) {
            const size_t n = std::strlen(w);
            for (DWORD at = 0; text && at + n <= size; ++at) {
                if (std::memcmp(text + at, w, n) == 0) {
                    ++found;
                    break;
                }
            }
        }
        std::printf("manifest-common-controls-6=%d\n", found == 3 ? 1 : 0);
    } else {
        std::printf("manifest-common-controls-6=0\n");
    }
    std::fflush(stdout);
    FreeLibrary(image);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "find") == 0) {
        HWND window = waitForWindow(nullptr, argv[2], static_cast<DWORD>(std::atol(argv[3])));
        if (!window) {
            std::printf("error=no window\n");
            return 1;
        }
        printWindow(window);
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "move") == 0) {
        HWND window = FindWindowA(nullptr, argv[2]);
        if (!window) {
            return 1;
        }
        SetWindowPos(window, nullptr, std::atoi(argv[3]), std::atoi(argv[4]), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        printWindow(window);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "close") == 0) {
        HWND window = FindWindowA(nullptr, argv[2]);
        return window && PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (argc >= 4 && std::strcmp(argv[1], "press-ok") == 0) {
        return pressOk(argv[2], static_cast<DWORD>(std::atol(argv[3])));
    }
    if (argc >= 3 && std::strcmp(argv[1], "resources") == 0) {
        return printResources(argv[2]);
    }
    std::fprintf(stderr, "usage: window_probe find|move|close|press-ok ...\n");
    return 1;
}
