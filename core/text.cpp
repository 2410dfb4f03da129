#include "core/text.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
bool IsLeadByte(unsigned char byte)
{
    return ::IsDBCSLeadByte(byte) != FALSE;
}
#else
// Native builds stand for a Chinese system: GBK's lead bytes.
bool IsLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}
#endif

size_t WholeCharPrefix(const char* text, size_t size, size_t limit)
{
    if (!text)
        return 0;
    const size_t n = strnlen(text, size < limit ? size : limit);
    size_t end = 0;
    while (end < n) {
        const size_t step = IsLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + step > n)
            break;
        end += step;
    }
    return end;
}

void CopyField(char* field, size_t width, const char* text)
{
    if (!field || width == 0)
        return;
    const size_t n = text ? WholeCharPrefix(text, width - 1, width - 1) : 0;
    if (n)
        std::memcpy(field, text, n);
    std::memset(field + n, 0, width - n);
}

void CopyField(char* field, size_t width, const std::string& text)
{
    if (!field || width == 0)
        return;
    const size_t n = WholeCharPrefix(text.data(), text.size(), width - 1);
    if (n)
        std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, width - n);
}

std::string FieldText(const char* field, size_t width)
{
    return std::string(field, strnlen(field, width));
}

std::string AsStored(const char* text, size_t width)
{
    if (!text || width == 0)
        return std::string();
    return std::string(text, WholeCharPrefix(text, width - 1, width - 1));
}

size_t LastPathSeparator(const std::string& path)
{
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c == '\\' || c == '/')
            last = i;
        else if (IsLeadByte(c) && i + 1 < path.size())
            ++i;
    }
    return last;
}
