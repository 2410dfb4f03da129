#include "core/resource_text.h"

#include "core/text.h"

#include <vector>

namespace resources {
namespace {
HMODULE g_library = nullptr;
}  // namespace

HMODULE Library()
{
    return g_library;
}
void SetLibrary(HMODULE library)
{
    g_library = library;
}

std::string String(unsigned id, size_t maxChars)
{
    // Room for one more character than wanted, so a cut can be made whole.
    std::vector<char> buffer(maxChars + 2, '\0');
    const int n = ::LoadStringA(g_library, id, buffer.data(), static_cast<int>(buffer.size()));
    if (n <= 0)
        return std::string();
    return std::string(buffer.data(), WholeCharPrefix(buffer.data(), static_cast<size_t>(n), maxChars));
}

}  // namespace resources
