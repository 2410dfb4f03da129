// A small bounded reader for the content of history entries: the text of
// one element, with entities and character references decoded.
#pragma once

#include <string>

namespace xmltext {

// Longest content the reader looks at; longer content is cut there.
constexpr size_t kMaxContent = 1 << 20;

// The text inside the first `element` (tags of child elements dropped,
// CDATA kept as is, comments skipped). False when there is no such element
// or it is not closed.
bool ElementText(const char* content, const std::string& element, bool decode, std::string& text);

// Decodes the five named entities and &#N; / &#xN; (non-ASCII code points
// through the system code page); anything else stays as written.
std::string DecodeEntities(const std::string& s);

}  // namespace xmltext
