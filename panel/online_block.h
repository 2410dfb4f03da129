// The online-list block the host delivers to the contact panel, read
// without any window or platform call so that it can be fuzzed natively.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace panel {

constexpr size_t kBlockNumberField = 16;
constexpr size_t kBlockNameField = 35;
constexpr size_t kBlockNamedEntry = kBlockNumberField + kBlockNameField;  // 51

struct OnlineBlock {
    std::vector<std::string> numbers;  // at most 15 bytes each
    std::vector<std::string> names;    // at most 34 bytes each; empty or one per number
};

// `length` bytes at `block`: a multiple of 16 holds numbers only (checked
// first, so a multiple of both 16 and 51 is read as numbers: the host's
// protocol relies on it); else a multiple of 51 holds n/51 16-byte numbers,
// then n/51 35-byte names; anything else, or a null block, holds nothing.
// Fields need no terminator and are cut at whole characters; no byte
// outside the block is read.
OnlineBlock ReadOnlineBlock(const void* block, size_t length);

}  // namespace panel
