// Closing the library's windows before its code is unmapped.
#pragma once

#include <windows.h>

namespace module {

// Destroys every window of the calling thread that runs our code: windows of
// our classes, dialogs with our dialog procedure, and windows we subclassed
// inside them go with them. A host that unloads the library with the panel
// docked in its window or the manager open would otherwise crash at the next
// message those windows get. Foreign windows we only subclassed get their
// own procedure back. Returns the number of windows destroyed.
int CloseWindowsBeforeUnload(HINSTANCE instance);

}  // namespace module
