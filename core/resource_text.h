// The resource library (grell.dll) and the one way its strings are read.
#ifndef PELMO_CORE_RESOURCE_TEXT_H
#define PELMO_CORE_RESOURCE_TEXT_H

#include <windows.h>

#include <string>

namespace resources {

// grell.dll, or null when it could not be loaded: every access then just
// finds nothing.
HMODULE Library();
void SetLibrary(HMODULE library);

// String `id`, at most `maxChars` characters (whole characters only); empty
// when missing.
std::string String(unsigned id, size_t maxChars = 254);

}  // namespace resources

#endif
