// We read our own entry content rather than pull in a full XML parser: Debian
// ships expat only for Linux (no mingw build), and the content is a flat
// list of a few elements (BODY, TITLE, ...), so a bounded scanner that knows
// tags, comments, CDATA and references covers it. GBK trail bytes never take
// the values of '<', '>' or '&', so byte scanning is safe in that code page.
#include "xml_text.h"

#include <windows.h>

#include <cstring>

namespace xmltext {
namespace {

bool IsNameChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == ':';
}

// At s[i] == '<': the end of the markup that starts there (past its '>'),
// or npos when it never ends. Comments and CDATA end at their own closers.
size_t SkipMarkup(const std::string& s, size_t i)
{
    if (s.compare(i, 4, "<!--") == 0) {
        size_t e = s.find("-->", i + 4);
        return e == std::string::npos ? e : e + 3;
    }
    if (s.compare(i, 9, "<![CDATA[") == 0) {
        size_t e = s.find("]]>", i + 9);
        return e == std::string::npos ? e : e + 3;
    }
    size_t e = s.find('>', i + 1);
    return e == std::string::npos ? e : e + 1;
}

// The tag name after '<' or '</' at position `at`.
std::string TagName(const std::string& s, size_t at)
{
    size_t e = at;
    while (e < s.size() && IsNameChar(s[e]))
        ++e;
    return s.substr(at, e - at);
}

void AppendCodePoint(std::string& out, unsigned long cp)
{
    if (cp == 0 || cp > 0x10FFFF)
        return;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
        return;
    }
    wchar_t wide[2];
    int n = 1;
    if (cp >= 0x10000) {
        cp -= 0x10000;
        wide[0] = static_cast<wchar_t>(0xD800 + (cp >> 10));
        wide[1] = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
        n = 2;
    } else {
        wide[0] = static_cast<wchar_t>(cp);
    }
    char narrow[8];
    int len = ::WideCharToMultiByte(CP_ACP, 0, wide, n, narrow, sizeof narrow, nullptr, nullptr);
    if (len > 0)
        out.append(narrow, static_cast<size_t>(len));
}

}  // namespace

std::string DecodeEntities(const std::string& s)
{
    static const struct {
        const char* name;
        char ch;
    } kNamed[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        if (s[i] != '&') {
            out += s[i++];
            continue;
        }
        bool done = false;
        for (const auto& e : kNamed) {
            size_t n = std::strlen(e.name);
            if (s.compare(i, n, e.name) == 0) {
                out += e.ch;
                i += n;
                done = true;
                break;
            }
        }
        if (!done && s.compare(i, 2, "&#") == 0) {
            size_t semi = s.find(';', i);
            if (semi != std::string::npos && semi - i <= 10) {
                bool hex = i + 2 < s.size() && (s[i + 2] == 'x' || s[i + 2] == 'X');
                std::string digits = s.substr(i + (hex ? 3 : 2), semi - i - (hex ? 3 : 2));
                char* end = nullptr;
                unsigned long cp = digits.empty() ? 0 : std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
                if (end && *end == '\0' && cp) {
                    AppendCodePoint(out, cp);
                    i = semi + 1;
                    done = true;
                }
            }
        }
        if (!done)
            out += s[i++];
    }
    return out;
}

bool ElementText(const char* content, const std::string& element, bool decode, std::string& text)
{
    text.clear();
    if (!content || element.empty() || element.size() > 64)
        return false;
    for (char c : element)
        if (!IsNameChar(c))
            return false;
    const std::string s(content, strnlen(content, kMaxContent));

    // Find the opening tag, skipping comments, CDATA and other elements.
    size_t i = 0, bodyStart = std::string::npos;
    while ((i = s.find('<', i)) != std::string::npos) {
        size_t end = SkipMarkup(s, i);
        if (end == std::string::npos)
            return false;
        if (s[i + 1] != '/' && s[i + 1] != '!' && s[i + 1] != '?' && TagName(s, i + 1) == element) {
            if (s[end - 2] == '/')
                return true;  // <NAME/>: present and empty
            bodyStart = end;
            break;
        }
        i = end;
    }
    if (bodyStart == std::string::npos)
        return false;

    // Collect text up to the matching closing tag; same-named children nest.
    int depth = 1;
    std::string raw;
    for (i = bodyStart; i < s.size();) {
        if (s[i] != '<') {
            size_t next = s.find('<', i);
            if (next == std::string::npos)
                return false;
            raw.append(s, i, next - i);
            i = next;
            continue;
        }
        size_t end = SkipMarkup(s, i);
        if (end == std::string::npos)
            return false;
        if (s.compare(i, 9, "<![CDATA[") == 0) {
            std::string cdata = s.substr(i + 9, end - 3 - (i + 9));
            // Protect CDATA from decoding: its '&' stays literal.
            text += decode ? DecodeEntities(raw) : raw;
            raw.clear();
            text += cdata;
        } else if (s[i + 1] == '/' && TagName(s, i + 2) == element) {
            if (--depth == 0) {
                text += decode ? DecodeEntities(raw) : raw;
                return true;
            }
        } else if (s[i + 1] != '/' && s[i + 1] != '!' && s[i + 1] != '?' && TagName(s, i + 1) == element &&
                   s[end - 2] != '/') {
            ++depth;
        }
        i = end;
    }
    return false;
}

}  // namespace xmltext
