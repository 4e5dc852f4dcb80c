#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <stb_image.h>

#include "platform/d3dx9/dds_reader.h"
#include "tools/quillmoor-media/dds_file.h"
#include "tools/quillmoor-media/dxt_encoder.h"
#include "tools/quillmoor-media/image_files.h"
#include "tools/quillmoor-media/text_renderer.h"
#include "tools/quillmoor-media/texture_designs.h"

namespace {

using media::Block4x4;

int MaxColourError(const Block4x4& a, const Block4x4& b, int channels) {
    int worst = 0;
    for (int i = 0; i < 16; ++i) {
        for (int c = 0; c < channels; ++c) {
            worst = std::max(worst, std::abs(int(a[i][c]) - int(b[i][c])));
        }
    }
    return worst;
}

TEST(DxtEncoder, FlatBlocksComeBackWithinRgb565Precision) {
    const uint8_t colours[][4] = {
        {0, 0, 0, 255}, {255, 255, 255, 255}, {200, 30, 90, 255}, {12, 140, 250, 255}};
    for (const auto& c : colours) {
        Block4x4 block;
        block.fill({c[0], c[1], c[2], c[3]});
        const auto dxt1 = media::EncodeDxt1Block(block);
        EXPECT_LE(MaxColourError(media::DecodeDxt1Block(dxt1.data()), block, 4), 4);
    }
}

TEST(DxtEncoder, GradientBlocksUseTheInterpolatedColours) {
    Block4x4 block;
    for (int i = 0; i < 16; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * 17);
        block[i] = {v, static_cast<uint8_t>(255 - v), 128, 255};
    }
    const auto dxt1 = media::EncodeDxt1Block(block);
    // Four palette entries over a 255 range leave at most about 255 / 6 error plus 565 rounding.
    EXPECT_LE(MaxColourError(media::DecodeDxt1Block(dxt1.data()), block, 3), 48);
    // Four-colour mode: the first end point is the greater 565 value.
    EXPECT_GT(dxt1[0] | dxt1[1] << 8, dxt1[2] | dxt1[3] << 8);
}

TEST(DxtEncoder, Dxt5KeepsTwoLevelAlphaExactAndSmoothAlphaClose) {
    Block4x4 block;
    for (int i = 0; i < 16; ++i) {
        block[i] = {255, 255, 255, static_cast<uint8_t>(i % 2 ? 255 : 0)};
    }
    auto dxt5 = media::EncodeDxt5Block(block);
    auto back = media::DecodeDxt5Block(dxt5.data());
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(back[i][3], block[i][3]);
    }
    for (int i = 0; i < 16; ++i) {
        block[i][3] = static_cast<uint8_t>(40 + i * 10);
    }
    dxt5 = media::EncodeDxt5Block(block);
    back = media::DecodeDxt5Block(dxt5.data());
    for (int i = 0; i < 16; ++i) {
        EXPECT_LE(std::abs(int(back[i][3]) - int(block[i][3])), 11); // range 150 over 7 steps
    }
}

struct DdsCase {
    const char* name;
    media::DdsFormat format;
    D3DFORMAT expected;
    int faces;
};

class DdsFileTest : public testing::TestWithParam<DdsCase> {};

TEST_P(DdsFileTest, PlatformReaderSeesFormatSizeFullMipChainAndFaces) {
    std::vector<media::Image> faces;
    for (int f = 0; f < GetParam().faces; ++f) {
        media::Image img(64, 64);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                img.At(x, y) = {x / 63.0f, y / 63.0f, f / 5.0f, (x + y) / 126.0f};
            }
        }
        faces.push_back(img);
    }
    const auto bytes = media::WriteDds(faces, GetParam().format);
    const auto image = DdsReader::Read(bytes.data(), bytes.size());
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->format, GetParam().expected);
    EXPECT_EQ(image->cube, GetParam().faces == 6);
    EXPECT_EQ(image->faces.size(), static_cast<size_t>(GetParam().faces));
    EXPECT_EQ(image->Width(), 64u);
    EXPECT_EQ(image->LevelCount(), 7u); // 64 down to 1
    if (GetParam().format == media::DdsFormat::A8R8G8B8) {
        // Top-right texel of the first face: red 1, green 0, blue 0, alpha 0.5, stored B, G, R, A.
        const auto& top = image->faces[0][0].bytes;
        EXPECT_EQ(top[63 * 4 + 2], 255);
        EXPECT_EQ(top[63 * 4 + 1], 0);
        EXPECT_EQ(top[63 * 4 + 3], 128);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DdsFileTest,
    testing::Values(DdsCase{"Dxt1", media::DdsFormat::Dxt1, D3DFMT_DXT1, 1},
                    DdsCase{"Dxt5", media::DdsFormat::Dxt5, D3DFMT_DXT5, 1},
                    DdsCase{"Uncompressed", media::DdsFormat::A8R8G8B8, D3DFMT_A8R8G8B8, 1},
                    DdsCase{"CubeDxt1", media::DdsFormat::Dxt1, D3DFMT_DXT1, 6}),
    [](const testing::TestParamInfo<DdsCase>& info) { return std::string(info.param.name); });

struct EncodeCase {
    const char* file;
    int channelsKept; // 4 when alpha must survive
};

TEST(ImageFiles, EachExtensionDecodesBackToTheSamePicture) {
    media::Image img(32, 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) {
            img.At(x, y) = {x < 16 ? 1.0f : 0.0f, y < 8 ? 1.0f : 0.0f, 0.5f, x % 2 ? 1.0f : 0.25f};
        }
    }
    const EncodeCase cases[] = {
        {"a.bmp", 3}, {"a.tga", 4}, {"a.png", 4}, {"a.jpg", 3}, {"greets_cedarjpg", 3}};
    for (const EncodeCase& c : cases) {
        SCOPED_TRACE(c.file);
        const auto bytes = media::EncodeImage(img, c.file);
        int w = 0, h = 0, n = 0;
        unsigned char* d = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &n, 4);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(w, 32);
        EXPECT_EQ(h, 16);
        EXPECT_EQ(n, c.channelsKept);
        const int tolerance = std::string(c.file).find("jpg") != std::string::npos ? 40 : 1;
        // Top-left quadrant is (255, 255, 128); bottom-right is (0, 0, 128). Sample away from edges.
        EXPECT_NEAR(d[(3 * 32 + 3) * 4 + 0], 255, tolerance);
        EXPECT_NEAR(d[(12 * 32 + 28) * 4 + 1], 0, tolerance);
        EXPECT_NEAR(d[(12 * 32 + 28) * 4 + 2], 128, tolerance);
        if (c.channelsKept == 4) {
            EXPECT_EQ(d[(3 * 32 + 4) * 4 + 3], 64);
            EXPECT_EQ(d[(3 * 32 + 5) * 4 + 3], 255);
        }
        stbi_image_free(d);
    }
}

TEST(TextureDesigns, FrameOverlayIsClearInThePictureAndOpaqueInTheBars) {
    const media::TextRenderer text("");
    const media::Image overlay = media::MakeFrameOverlay(text);
    EXPECT_EQ(overlay.width, 1024);
    EXPECT_EQ(overlay.height, 1024);
    EXPECT_FLOAT_EQ(overlay.At(400, 300)[3], 0.0f);
    EXPECT_FLOAT_EQ(overlay.At(400, 10)[3], 1.0f);
    EXPECT_FLOAT_EQ(overlay.At(400, 590)[3], 1.0f);
}

// scripts/install-deps.sh installs fonts-dejavu-core, and the build hands this font to the
// generator: the text must come out of the TrueType font, not the built-in stand-in.
TEST(TextureDesigns, TextIsDrawnWithTheTrueTypeFont) {
    const char* fontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    ASSERT_TRUE(std::filesystem::exists(fontPath)) << fontPath << " missing: install fonts-dejavu-core";
    const media::TextRenderer font(fontPath);
    const media::TextRenderer builtIn("");
    ASSERT_TRUE(font.HasFont());
    ASSERT_FALSE(builtIn.HasFont());

    media::Mask withFont(256, 64), withBuiltIn(256, 64);
    font.Draw(withFont, "fenlow", 128, 32, 40);
    builtIn.Draw(withBuiltIn, "fenlow", 128, 32, 40);
    // The two renderings of one word differ in many pixels; the TrueType one is antialiased.
    int differing = 0, partial = 0;
    for (size_t i = 0; i < withFont.values.size(); ++i) {
        differing += std::abs(withFont.values[i] - withBuiltIn.values[i]) > 0.5f ? 1 : 0;
        partial += withFont.values[i] > 0.1f && withFont.values[i] < 0.9f ? 1 : 0;
    }
    EXPECT_GT(differing, 200);
    EXPECT_GT(partial, 50);

    // The name shows as bright pixels on black.
    const media::Image credit = media::MakeCreditImage(font, "code", "fenlow");
    float brightest = 0;
    for (const auto& p : credit.pixels) {
        brightest = std::max(brightest, p[0] + p[1] + p[2]);
    }
    EXPECT_GT(brightest, 2.5f);
    EXPECT_FLOAT_EQ(credit.At(2, 2)[0], 0.0f);
}

} // namespace
