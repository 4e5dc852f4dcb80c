#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/capture/yuv420_frame.h"

namespace {

struct Rgb {
    int r, g, b;
};

// ITU-R BT.601: Y' = 0.299 R + 0.587 G + 0.114 B; studio range puts Y' on 16..235 and the
// colour differences (B - Y') / 1.772 and (R - Y') / 1.402 on 16..240 around 128.
double LumaOf(const Rgb& c) {
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}
int ExpectedY(const Rgb& c) {
    return static_cast<int>(std::lround(16 + 219.0 * LumaOf(c) / 255.0));
}
int ExpectedCb(const Rgb& c) {
    return static_cast<int>(std::lround(128 + 224.0 * (c.b - LumaOf(c)) / (1.772 * 255.0)));
}
int ExpectedCr(const Rgb& c) {
    return static_cast<int>(std::lround(128 + 224.0 * (c.r - LumaOf(c)) / (1.402 * 255.0)));
}

std::vector<unsigned char> Picture(const std::vector<Rgb>& pixels) {
    std::vector<unsigned char> rgba;
    for (const Rgb& p : pixels) {
        rgba.insert(rgba.end(), {static_cast<unsigned char>(p.r), static_cast<unsigned char>(p.g),
                                 static_cast<unsigned char>(p.b), 77});
    }
    return rgba;
}

TEST(Yuv420, FlatColoursFollowTheBt601StudioRangeFormula) {
    const std::vector<Rgb> colours = {{0, 0, 0},      {255, 255, 255}, {255, 0, 0},   {0, 255, 0},
                                      {0, 0, 255},    {128, 128, 128}, {255, 255, 0}, {0, 255, 255},
                                      {200, 120, 40}, {30, 90, 220},   {1, 2, 3},     {254, 17, 140}};
    for (const Rgb& c : colours) {
        const std::vector<unsigned char> rgba = Picture({c, c, c, c});
        std::vector<unsigned char> out(Yuv420::FrameBytes(2, 2));
        ASSERT_EQ(out.size(), 6u);
        Yuv420::FromRgba(rgba.data(), 8, 2, 2, out.data());
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(out[i], ExpectedY(c)) << c.r << "," << c.g << "," << c.b;
        }
        EXPECT_EQ(out[4], ExpectedCb(c)) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(out[5], ExpectedCr(c)) << c.r << "," << c.g << "," << c.b;
    }
}

TEST(Yuv420, ChromaIsTheMeanOfItsTwoByTwoPixelsAndRowsFollowTheStride) {
    // 4 x 2: a red/blue/green/white block on the left, black on the right, given bottom row
    // first with a negative stride.
    const Rgb red{255, 0, 0}, blue{0, 0, 255}, green{0, 255, 0}, white{255, 255, 255}, black{0, 0, 0};
    const std::vector<unsigned char> bottomFirst =
        Picture({green, white, black, black, red, blue, black, black});
    std::vector<unsigned char> out(Yuv420::FrameBytes(4, 2));
    ASSERT_EQ(out.size(), 8u + 2 + 2);
    Yuv420::FromRgba(bottomFirst.data() + 16, -16, 4, 2, out.data());
    const std::vector<int> luma = {ExpectedY(red),   ExpectedY(blue),  16, 16,
                                   ExpectedY(green), ExpectedY(white), 16, 16};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(out[i], luma[i]) << i;
    }
    // The mean of the four colours is (127.5, 127.5, 127.5) in sum form: grey, no colour.
    const Rgb mean{255 + 255, 255 + 255, 255 + 255};
    EXPECT_EQ(out[8],
              static_cast<int>(std::lround(128 + 224.0 * (mean.b - LumaOf(mean)) / 4 / (1.772 * 255.0))));
    EXPECT_EQ(out[9], 128);
    EXPECT_EQ(out[10],
              static_cast<int>(std::lround(128 + 224.0 * (mean.r - LumaOf(mean)) / 4 / (1.402 * 255.0))));
    EXPECT_EQ(out[11], 128);
}

TEST(Yuv420, OddSizesArePaddedWithBlack) {
    const Rgb white{255, 255, 255};
    const std::vector<unsigned char> rgba =
        Picture({white, white, white, white, white, white, white, white, white});
    EXPECT_EQ(Yuv420::PaddedDimension(3), 4);
    EXPECT_EQ(Yuv420::PaddedDimension(4), 4);
    std::vector<unsigned char> out(Yuv420::FrameBytes(3, 3));
    ASSERT_EQ(out.size(), 16u + 4 + 4);
    Yuv420::FromRgba(rgba.data(), 12, 3, 3, out.data());
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(out[y * 4 + x], x < 3 && y < 3 ? 235 : 16) << x << "," << y;
        }
    }
    // Chroma of grey stays neutral whatever the mix of white and black padding.
    for (int i = 16; i < 24; ++i) {
        EXPECT_EQ(out[i], 128) << i;
    }
}

} // namespace
