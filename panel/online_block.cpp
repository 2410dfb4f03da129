#include "panel/online_block.h"

#include "core/text.h"

namespace panel {

namespace {

constexpr size_t kMaxNumberChars = kBlockNumberField - 1;
constexpr size_t kMaxNameChars = kBlockNameField - 1;

std::string BoundedField(const unsigned char* field, size_t width, size_t maxChars)
{
    const char* text = reinterpret_cast<const char*>(field);
    return std::string(text, WholeCharPrefix(text, width, maxChars));
}

}  // namespace

OnlineBlock ReadOnlineBlock(const void* block, size_t length)
{
    OnlineBlock list;
    if (!block || length == 0)
        return list;
    const auto* bytes = static_cast<const unsigned char*>(block);
    size_t entries = 0;
    bool named = false;
    if (length % kBlockNumberField == 0) {
        entries = length / kBlockNumberField;
    } else if (length % kBlockNamedEntry == 0) {
        entries = length / kBlockNamedEntry;
        named = true;
    }
    list.numbers.reserve(entries);
    for (size_t i = 0; i < entries; ++i)
        list.numbers.push_back(BoundedField(bytes + i * kBlockNumberField, kBlockNumberField, kMaxNumberChars));
    if (named) {
        const unsigned char* names = bytes + entries * kBlockNumberField;
        list.names.reserve(entries);
        for (size_t i = 0; i < entries; ++i)
            list.names.push_back(BoundedField(names + i * kBlockNameField, kBlockNameField, kMaxNameChars));
    }
    return list;
}

}  // namespace panel
