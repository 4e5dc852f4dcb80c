// The picture guard's tolerance on a made-up 800 x 600 frame: what llvmpipe may change
// between two correct renderings passes, the faults the guard is there for fail.

#include "tests/demo/picture_comparison.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

namespace {

using PictureComparison::Picture;

constexpr int width = 800;
constexpr int height = 600;
// A bright disc (a blob), a striped band (a textured surface) and a bar of 16 x 32 pixels
// on a dark gradient.
constexpr int discX = 300, discY = 300, discRadius = 120;
constexpr int bandTop = 480, bandBottom = 560;
constexpr int barLeft = 600, barTop = 100, barWidth = 16, barHeight = 32;

unsigned char* PixelAt(Picture& p, int x, int y) {
    return &p.rgb[(static_cast<std::size_t>(y) * p.width + x) * 3];
}

void Set(Picture& p, int x, int y, int r, int g, int b) {
    unsigned char* px = PixelAt(p, x, y);
    px[0] = static_cast<unsigned char>(r);
    px[1] = static_cast<unsigned char>(g);
    px[2] = static_cast<unsigned char>(b);
}

bool InDisc(int x, int y) {
    return (x - discX) * (x - discX) + (y - discY) * (y - discY) < discRadius * discRadius;
}

void Background(Picture& p, int x, int y) {
    Set(p, x, y, 0, y / 10, 40 + x / 10);
}

Picture Frame() {
    Picture p{width, height, std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Background(p, x, y);
            if (InDisc(x, y)) {
                Set(p, x, y, 40, 120, 230);
            }
            if (y >= bandTop && y < bandBottom) {
                const int stripe = static_cast<int>(100.0 + 80.0 * std::sin(x * 0.9 + y * 0.3));
                Set(p, x, y, stripe / 2, stripe, 255 - stripe);
            }
            if (x >= barLeft && x < barLeft + barWidth && y >= barTop && y < barTop + barHeight) {
                Set(p, x, y, 210, 220, 240);
            }
        }
    }
    return p;
}

struct Case {
    const char* name;
    std::function<void(Picture&)> change;
    bool passes;
};

const Case cases[] = {
    {"the same frame", [](Picture&) {}, true},
    {"the last bit of every colour",
     [](Picture& p) {
         for (unsigned char& channel : p.rgb) {
             channel = static_cast<unsigned char>(channel == 255 ? 254 : channel + 1);
         }
     },
     true},
    {"isolated pixels of the disc's outline on the other side of it",
     [](Picture& p) {
         for (int y = 0; y < height; y += 4) {
             for (int x = 1; x < width; ++x) {
                 if (InDisc(x, y) != InDisc(x - 1, y)) {
                     InDisc(x, y) ? Background(p, x, y) : Set(p, x, y, 40, 120, 230);
                 }
             }
         }
     },
     true},
    {"a missing bar",
     [](Picture& p) {
         for (int y = barTop; y < barTop + barHeight; ++y) {
             for (int x = barLeft; x < barLeft + barWidth; ++x) {
                 Background(p, x, y);
             }
         }
     },
     false},
    {"a blend that brightens the disc a little",
     [](Picture& p) {
         for (int y = 0; y < height; ++y) {
             for (int x = 0; x < width; ++x) {
                 if (InDisc(x, y)) {
                     PixelAt(p, x, y)[1] = static_cast<unsigned char>(PixelAt(p, x, y)[1] + 24);
                 }
             }
         }
     },
     false},
    {"the camera moved by a pixel",
     [](Picture& p) {
         const Picture original = p;
         for (int y = 0; y < height; ++y) {
             for (int x = 1; x < width; ++x) {
                 const unsigned char* from = &original.rgb[(static_cast<std::size_t>(y) * width + x - 1) * 3];
                 std::copy(from, from + 3, PixelAt(p, x, y));
             }
         }
     },
     false},
};

TEST(PictureComparison, PassesRenderingNoiseAndFailsRealChanges) {
    const Picture reference = PictureComparison::Reduced(Frame(), PictureComparison::reductionFactor);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Picture changed = Frame();
        c.change(changed);
        const PictureComparison::Difference d = PictureComparison::Compare(
            reference, PictureComparison::Reduced(changed, PictureComparison::reductionFactor));
        EXPECT_EQ(PictureComparison::Passes(d), c.passes)
            << d.pixelsOff << " pixels off, mean " << d.meanDifference << ", largest " << d.largest;
    }
}

TEST(PictureComparison, AFrameOfAnotherSizeFails) {
    const Picture reference = PictureComparison::Reduced(Frame(), PictureComparison::reductionFactor);
    Picture other = reference;
    other.width -= 1;
    other.rgb.resize(static_cast<std::size_t>(other.width) * other.height * 3);
    EXPECT_FALSE(PictureComparison::Passes(PictureComparison::Compare(reference, other)));
}

TEST(PictureComparison, ReductionAveragesEachBlockRounded) {
    // A 4 x 4 block of 0s and 1s with nine 1s averages 9/16, which rounds to 1.
    Picture p{8, 4, std::vector<unsigned char>(8 * 4 * 3, 0)};
    for (int i = 0; i < 9; ++i) {
        Set(p, i % 4, i / 4, 1, 1, 1);
    }
    Set(p, 4, 0, 160, 0, 0);
    const Picture r = PictureComparison::Reduced(p, 4);
    ASSERT_EQ(r.width, 2);
    ASSERT_EQ(r.height, 1);
    EXPECT_EQ(r.rgb, (std::vector<unsigned char>{1, 1, 1, 10, 0, 0}));
}

} // namespace
