#include "host/host_window.h"

#include <cstring>

HWND CreateHostWindow(const char* className, const char* title, WNDPROC proc, HMENU menu, HICON icon)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.hIcon = icon;
    wc.lpszClassName = className;
    ::RegisterClassA(&wc);
    HWND hwnd = ::CreateWindowExA(0, className, title, WS_OVERLAPPEDWINDOW, 80, 60, 900, 640, nullptr, menu,
                                  wc.hInstance, nullptr);
    ::ShowWindow(hwnd, SW_SHOW);
    ::UpdateWindow(hwnd);
    return hwnd;
}

std::string ShotFolderArgument(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--shots") == 0)
            return argv[i + 1];
    return {};
}

int RunMessageLoop()
{
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
