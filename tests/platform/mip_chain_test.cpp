// Box-filtered mip levels: each texel the rounded mean of the 2 x 2 (or 2 x 1 / 1 x 2) texels
// above it, odd sizes dropping their last row or column.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/d3dx9/mip_chain.h"

namespace {

// One channel value per texel, the same in all four bytes but offset per channel so a mixed
// up channel shows.
ImageLevel Level(UINT width, UINT height, const std::vector<int>& values) {
    ImageLevel level;
    level.width = width;
    level.height = height;
    for (const int v : values) {
        for (int c = 0; c < 4; ++c) {
            level.bytes.push_back(static_cast<std::uint8_t>(v + 10 * c));
        }
    }
    return level;
}

struct Case {
    const char* what;
    UINT width, height;
    std::vector<int> texels;
    UINT outWidth, outHeight;
    std::vector<int> expected; // channel 0; channel c is expected + 10 c
};

TEST(MipChainTest, DownsampleAveragesAndRoundsToNearest) {
    const Case cases[] = {
        // (0 + 0 + 1 + 1) / 4 = 0.5 rounds up; (1 + 1 + 1 + 2) / 4 = 1.25 down; 1.75 up.
        {"2 x 2 blocks, halves rounding up", 6, 2, {0, 1, 1, 1, 1, 2, 0, 1, 1, 2, 2, 2}, 3, 1, {1, 1, 2}},
        {"odd width and height drop the last column and row",
         3,
         3,
         {4, 8, 200, 12, 16, 200, 200, 200, 200},
         1,
         1,
         {10}},
        {"a column averages pairs", 1, 4, {0, 3, 100, 101}, 1, 2, {2, 101}},
        {"a row averages pairs", 4, 1, {10, 20, 30, 31}, 2, 1, {15, 31}},
        {"the last level", 1, 1, {77}, 1, 1, {77}},
        {"extremes", 2, 2, {200, 200, 215, 215}, 1, 1, {208}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ImageLevel out = MipChain::Downsample(Level(c.width, c.height, c.texels));
        EXPECT_EQ(out.width, c.outWidth);
        EXPECT_EQ(out.height, c.outHeight);
        EXPECT_EQ(out.bytes, Level(c.outWidth, c.outHeight, c.expected).bytes);
    }
}

} // namespace
