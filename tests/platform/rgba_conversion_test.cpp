// Texels of Direct3D's uncompressed formats as the browser build uploads them: 8-bit R, G, B,
// A computed from each format's documented bit layout, channels scaled by 255 / (2^bits - 1)
// and rounded, missing colour channels 0 and missing alpha 1 as Direct3D reads them.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/d3d9/rgba_conversion.h"

namespace {

struct Case {
    const char* name;
    D3DFORMAT format;
    std::vector<BYTE> texel; // little-endian bytes of one texel
    std::array<BYTE, 4> rgba;
};

const Case kCases[] = {
    {"A8R8G8B8 lies as B, G, R, A", D3DFMT_A8R8G8B8, {0x10, 0x20, 0x30, 0x40}, {0x30, 0x20, 0x10, 0x40}},
    {"X8R8G8B8 reads alpha 1", D3DFMT_X8R8G8B8, {0x10, 0x20, 0x30, 0x00}, {0x30, 0x20, 0x10, 255}},
    {"R8G8B8 lies as B, G, R", D3DFMT_R8G8B8, {0x10, 0x20, 0x30}, {0x30, 0x20, 0x10, 255}},
    {"A8B8G8R8 lies as R, G, B, A", D3DFMT_A8B8G8R8, {0x10, 0x20, 0x30, 0x40}, {0x10, 0x20, 0x30, 0x40}},
    {"X8B8G8R8 reads alpha 1", D3DFMT_X8B8G8R8, {0x10, 0x20, 0x30, 0x40}, {0x10, 0x20, 0x30, 255}},
    // 0xF81F: red 31, green 0, blue 31.
    {"R5G6B5 full red and blue", D3DFMT_R5G6B5, {0x1F, 0xF8}, {255, 0, 255, 255}},
    // green 32 of 63: 32 * 255 / 63 = 129.5 -> 130.
    {"R5G6B5 half green", D3DFMT_R5G6B5, {0x00, 0x04}, {0, 130, 0, 255}},
    // 0x8000 | red 16 << 10: 16 * 255 / 31 = 131.6 -> 132, alpha bit set.
    {"A1R5G5B5 alpha bit and red", D3DFMT_A1R5G5B5, {0x00, 0xC0}, {132, 0, 0, 255}},
    {"A1R5G5B5 alpha bit clear", D3DFMT_A1R5G5B5, {0x1F, 0x00}, {0, 0, 255, 0}},
    {"X1R5G5B5 ignores the top bit", D3DFMT_X1R5G5B5, {0x1F, 0x00}, {0, 0, 255, 255}},
    // 0x5A3C: alpha 5, red 10, green 3, blue 12, each times 17.
    {"A4R4G4B4 nibbles", D3DFMT_A4R4G4B4, {0x3C, 0x5A}, {170, 51, 204, 85}},
    {"X4R4G4B4 reads alpha 1", D3DFMT_X4R4G4B4, {0x3C, 0x5A}, {170, 51, 204, 255}},
    // 0b101'011'10: red 5 of 7 -> 182.1 -> 182, green 3 of 7 -> 109.3 -> 109, blue 2 of 3 -> 170.
    {"R3G3B2", D3DFMT_R3G3B2, {0xAE}, {182, 109, 170, 255}},
    {"A8 is black with alpha", D3DFMT_A8, {0x7F}, {0, 0, 0, 0x7F}},
    {"L8 is grey", D3DFMT_L8, {0x7F}, {0x7F, 0x7F, 0x7F, 255}},
    // alpha 2 of 3 -> 170; red 1023 -> 255; green 512 -> 127.6 -> 128; blue 0.
    {"A2R10G10B10", D3DFMT_A2R10G10B10, {0x00, 0x00, 0xF8, 0xBF}, {255, 128, 0, 170}},
    {"A2B10G10R10", D3DFMT_A2B10G10R10, {0xFF, 0x03, 0x08, 0x80}, {255, 128, 0, 170}},
    // red 0xFFFF -> 255, green 0x8000 -> 127.5 -> 128 (rounded half up).
    {"G16R16 with blue and alpha 1", D3DFMT_G16R16, {0xFF, 0xFF, 0x00, 0x80}, {255, 128, 255, 255}},
    {"A16B16G16R16", D3DFMT_A16B16G16R16, {0x00, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0x01, 0x01}, {0, 255, 128, 1}},
};

TEST(RgbaConversionTest, EachFormatGivesTheDocumentedChannels) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(RgbaConversion::Converts(c.format));
        // Two texels, the second a copy, so the stride between texels is checked too.
        std::vector<BYTE> texels = c.texel;
        texels.insert(texels.end(), c.texel.begin(), c.texel.end());
        std::vector<BYTE> rgba;
        RgbaConversion::Convert(c.format, texels.data(), 2, 1, &rgba);
        ASSERT_EQ(rgba.size(), 8u);
        for (int texel = 0; texel < 2; ++texel) {
            for (int channel = 0; channel < 4; ++channel) {
                EXPECT_EQ(rgba[static_cast<size_t>(texel * 4 + channel)], c.rgba[static_cast<size_t>(channel)])
                    << "texel " << texel << " channel " << channel;
            }
        }
    }
}

TEST(RgbaConversionTest, CompressedFormatsAreNotConverted) {
    EXPECT_FALSE(RgbaConversion::Converts(D3DFMT_DXT1));
    EXPECT_FALSE(RgbaConversion::Converts(D3DFMT_DXT5));
}

} // namespace
