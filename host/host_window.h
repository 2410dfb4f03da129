// What both demo programs need of a plain host: a main window, the command
// line's screenshot folder and a message loop.
#pragma once

#include <windows.h>

#include <string>

// Registers `className` and shows a 900x640 main window with `menu`.
HWND CreateHostWindow(const char* className, const char* title, WNDPROC proc, HMENU menu, HICON icon = nullptr);
// The folder after --shots, or empty (interactive).
std::string ShotFolderArgument(int argc, char** argv);
int RunMessageLoop();
