// What the demo host needs of a plain host: a main window, the command
// line's screenshot folder and message loops.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

// Registers `className` and shows a 900x640 main window with `menu`.
HWND CreateHostWindow(const char* className, const char* title, WNDPROC proc, HMENU menu, HICON icon = nullptr);
// The folder after --shots, or empty (interactive).
std::string ShotFolderArgument(int argc, char** argv);
int RunMessageLoop();
// Dispatches this thread's messages for `ms` milliseconds, as a host that
// waits for its windows does.
void Pump(DWORD ms);
// The first item of `tree` showing `text`, searched depth first; null if none.
HTREEITEM FindTreeItem(HWND tree, const char* text);
