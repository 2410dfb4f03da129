// The online-list reader fed a million random blocks under the sanitizers:
// every block lives in a heap allocation of exactly its length, so a read
// past its end is caught, and every result is checked against the layout.
#include "panel/online_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr size_t kBlocks = 1000000;

// The fields as the layout defines them, read by hand.
size_t FieldLength(const unsigned char* field, size_t width)
{
    const void* zero = std::memchr(field, 0, width);
    return zero ? static_cast<size_t>(static_cast<const unsigned char*>(zero) - field) : width;
}

}  // namespace

TEST(OnlineBlockFuzz, AMillionRandomBlocksReadOnlyTheirFields)
{
    std::mt19937 random(20261207);
    // Lengths near the interesting multiples (16, 51, 816 = both) and noise.
    std::uniform_int_distribution<size_t> entries(0, 6);
    std::uniform_int_distribution<int> shape(0, 5);
    std::uniform_int_distribution<int> byte(0, 255);
    size_t withNames = 0;
    for (size_t run = 0; run < kBlocks; ++run) {
        size_t length = 0;
        switch (shape(random)) {
        case 0:
            length = entries(random) * panel::kBlockNumberField;
            break;
        case 1:
            length = entries(random) * panel::kBlockNamedEntry;
            break;
        case 2:
            length = 816 * (1 + entries(random) % 2);
            break;
        default:
            length = entries(random) * 23 + static_cast<size_t>(byte(random) % 7);
            break;
        }
        std::vector<unsigned char> block(length);
        for (size_t i = 0; i < length; i += 4) {
            uint32_t bits = random();
            for (size_t k = i; k < length && k < i + 4; ++k, bits >>= 8)
                block[k] = (bits & 0xFF) < 20 ? 0 : static_cast<unsigned char>(bits);  // zeros ~8%
        }
        const panel::OnlineBlock read = panel::ReadOnlineBlock(block.data(), length);

        size_t expected = 0;
        bool named = false;
        if (length % 16 == 0)
            expected = length / 16;
        else if (length % 51 == 0)
            expected = length / 51, named = true;
        ASSERT_EQ(expected, read.numbers.size()) << "length " << length;
        ASSERT_EQ(named ? expected : 0u, read.names.size()) << "length " << length;
        withNames += named;
        for (size_t i = 0; i < read.numbers.size(); ++i) {
            const unsigned char* field = block.data() + i * 16;
            const std::string& number = read.numbers[i];
            ASSERT_LE(number.size(), 15u);
            ASSERT_LE(number.size(), FieldLength(field, 16));
            ASSERT_EQ(0, std::memcmp(number.data(), field, number.size()));
            // Cut at a whole character: at most one byte short of the field.
            ASSERT_GE(number.size() + 1, std::min<size_t>(FieldLength(field, 16), 15));
        }
        for (size_t i = 0; i < read.names.size(); ++i) {
            const unsigned char* field = block.data() + expected * 16 + i * 35;
            ASSERT_LE(read.names[i].size(), 34u);
            ASSERT_EQ(0, std::memcmp(read.names[i].data(), field, read.names[i].size()));
            ASSERT_GE(read.names[i].size() + 1, std::min<size_t>(FieldLength(field, 35), 34));
        }
    }
    EXPECT_GT(withNames, kBlocks / 10) << "the named layout was exercised";
    EXPECT_TRUE(panel::ReadOnlineBlock(nullptr, 32).numbers.empty());
}
