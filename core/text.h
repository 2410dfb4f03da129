// Narrow texts in the system code page (GBK on a Chinese system): cutting
// them to fixed fields and splitting paths without breaking a double-byte
// character in two.
#ifndef PELMO_CORE_TEXT_H
#define PELMO_CORE_TEXT_H

#include <cstddef>
#include <string>

// Whether `byte` starts a two-byte character in the system code page.
bool IsLeadByte(unsigned char byte);

// The length of the longest prefix of `text` (at most `limit` bytes, ending
// at the first zero byte) that holds only whole characters.
size_t WholeCharPrefix(const char* text, size_t size, size_t limit);

// Copies `text` into a fixed field of `width` bytes: at most width - 1 bytes
// of whole characters, a terminator, zeros after it.
void CopyField(char* field, size_t width, const char* text);
void CopyField(char* field, size_t width, const std::string& text);
template <size_t N>
void CopyField(char (&field)[N], const std::string& text)
{
    CopyField(field, N, text);
}
template <size_t N>
void CopyField(char (&field)[N], const char* text)
{
    CopyField(field, N, text);
}

// The text of a fixed field; a field without terminator ends at its width.
std::string FieldText(const char* field, size_t width);
template <size_t N>
std::string FieldText(const char (&field)[N])
{
    return FieldText(field, N);
}

// `text` as a field of `width` bytes would keep it.
std::string AsStored(const char* text, size_t width);

// Position of the last path separator ('\\' or '/') that is a character of
// its own, not the trail byte of a double-byte character; npos for none.
size_t LastPathSeparator(const std::string& path);

#endif
