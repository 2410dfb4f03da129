// The system's file dialog as a person sees it: where the file name goes.
#pragma once

#include <windows.h>

#include <dlgs.h>

namespace testui {

inline BOOL CALLBACK FindEditChild(HWND child, LPARAM found)
{
    char name[8] = {};
    ::GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Edit") != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

// The file name box of a file dialog: an edit inside the name combo box
// (explorer style) or the edit itself (old style); null in other dialogs.
inline HWND FileNameEdit(HWND dialog)
{
    HWND edit = nullptr;
    if (HWND combo = ::GetDlgItem(dialog, cmb13))
        ::EnumChildWindows(combo, FindEditChild, reinterpret_cast<LPARAM>(&edit));
    return edit ? edit : ::GetDlgItem(dialog, edt1);
}

}  // namespace testui
