// Keys for our modeless windows inside a message loop that is not ours.
//
// The host runs a plain GetMessage/DispatchMessage loop and knows nothing of
// our windows, so nobody calls IsDialogMessage or TranslateAccelerator for
// them: Tab, the arrow keys and Escape in a modeless dialog would go to the
// focused control as plain keys. While at least one window is registered
// here, a WH_GETMESSAGE hook on the UI thread looks at every key message the
// loop takes out of the queue; when it is meant for a registered window or
// one of its children it runs that window's accelerators, then, for dialogs,
// IsDialogMessage, and turns a message so handled into WM_NULL, which the
// host's loop then dispatches harmlessly. Keys of every other window pass
// untouched. The hook goes when the last window leaves.
//
// Modeless CDialogs register themselves; a window leaves when it is
// destroyed (CWnd takes care of that). UI thread only.
#pragma once

#include <windows.h>

namespace keyboard {

// `isDialog`: run the dialog manager's keys (Tab, arrows, Escape, Enter).
void AddWindow(HWND window, HACCEL accelerators = nullptr, bool isDialog = true);
void RemoveWindow(HWND window);
bool FilterInstalled();

}  // namespace keyboard
