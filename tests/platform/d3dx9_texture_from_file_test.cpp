#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stb_image_write.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/d3d9/recording_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"
#include "tests/temp_directory.h"

namespace {

// A 4 x 2 RGBA picture written by stb_image_write in each format, so the decoder sees files
// an independent encoder made.
constexpr int kWidth = 4, kHeight = 2;
constexpr unsigned char kPixels[kWidth * kHeight * 4] = {
    255, 0,  0,  255, 0,  255, 0,  128, 0,  0,   255, 0,   255, 255, 255, 255,
    10,  20, 30, 40,  50, 60,  70, 80,  90, 100, 110, 120, 200, 210, 220, 230,
};

class TextureFromFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        device = new RecordingDevice();
        dir = TestTemp::MakeDirectory("d3dx_tex");
    }
    void TearDown() override {
        device->Release();
        std::filesystem::remove_all(dir);
    }
    std::string PathOf(const char* name) const { return (dir / name).string(); }
    void WriteBytes(const char* name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream out(PathOf(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    HRESULT Load(const char* name, IDirect3DTexture9** texture) {
        return D3DXCreateTextureFromFileW(device, WindowsPath::Widen(PathOf(name)).c_str(), texture);
    }
    // The texel bytes (B, G, R, A) of one level.
    static std::vector<std::uint8_t> Level(IDirect3DTexture9* texture, UINT level, UINT bytesPerRow,
                                           UINT rows) {
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        std::vector<std::uint8_t> out;
        for (UINT r = 0; r < rows; ++r) {
            const auto* row = static_cast<const std::uint8_t*>(locked.pBits) + r * locked.Pitch;
            out.insert(out.end(), row, row + bytesPerRow);
        }
        texture->UnlockRect(level);
        return out;
    }

    RecordingDevice* device = nullptr;
    std::filesystem::path dir;
};

struct LosslessCase {
    const char* file;
    int channels; // what the encoder writes
    D3DFORMAT format;
};

TEST_F(TextureFromFileTest, LosslessFormatsKeepTexelsAndAlpha) {
    const LosslessCase cases[] = {
        {"a.png", 4, D3DFMT_A8R8G8B8}, {"a.tga", 4, D3DFMT_A8R8G8B8}, {"a.bmp", 3, D3DFMT_X8R8G8B8},
        {"b.png", 3, D3DFMT_X8R8G8B8}, {"b.tga", 3, D3DFMT_X8R8G8B8},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> src;
        for (int i = 0; i < kWidth * kHeight; ++i) {
            src.insert(src.end(), kPixels + i * 4, kPixels + i * 4 + c.channels);
        }
        const std::string path = PathOf(c.file);
        const std::string ext = path.substr(path.size() - 3);
        if (ext == "png") {
            ASSERT_TRUE(
                stbi_write_png(path.c_str(), kWidth, kHeight, c.channels, src.data(), kWidth * c.channels));
        } else if (ext == "tga") {
            ASSERT_TRUE(stbi_write_tga(path.c_str(), kWidth, kHeight, c.channels, src.data()));
        } else {
            ASSERT_TRUE(stbi_write_bmp(path.c_str(), kWidth, kHeight, c.channels, src.data()));
        }
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(Load(c.file, &texture), D3D_OK) << c.file;
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, c.format) << c.file;
        EXPECT_EQ(desc.Width, 4u);
        EXPECT_EQ(desc.Height, 2u);
        EXPECT_EQ(texture->GetLevelCount(), 3u) << "4x2, 2x1, 1x1";
        const auto top = Level(texture, 0, kWidth * 4, kHeight);
        for (int i = 0; i < kWidth * kHeight; ++i) {
            EXPECT_EQ(top[i * 4 + 0], kPixels[i * 4 + 2]) << c.file << " texel " << i;
            EXPECT_EQ(top[i * 4 + 1], kPixels[i * 4 + 1]) << c.file << " texel " << i;
            EXPECT_EQ(top[i * 4 + 2], kPixels[i * 4 + 0]) << c.file << " texel " << i;
            EXPECT_EQ(top[i * 4 + 3], c.channels == 4 ? kPixels[i * 4 + 3] : 255) << c.file << " texel " << i;
        }
        // Box filter: level 1 texel 0 averages texels 0, 1, 4, 5; blue channel of (255,0,0),
        // (0,255,0), (10,20,30), (50,60,70) is (0 + 0 + 30 + 70) / 4 = 25.
        const auto mid = Level(texture, 1, 2 * 4, 1);
        EXPECT_EQ(mid[0], 25) << c.file;
        EXPECT_EQ(mid[2], (255 + 0 + 10 + 50 + 2) / 4) << c.file;
        texture->Release();
    }
}

TEST_F(TextureFromFileTest, JpegDecodesCloseToTheSource) {
    std::vector<unsigned char> flat(16 * 16 * 3);
    for (size_t i = 0; i < flat.size(); i += 3) {
        flat[i] = 200, flat[i + 1] = 100, flat[i + 2] = 50;
    }
    ASSERT_TRUE(stbi_write_jpg(PathOf("c.jpg").c_str(), 16, 16, 3, flat.data(), 95));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Load("c.jpg", &texture), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 5u);
    const auto top = Level(texture, 0, 16 * 4, 16);
    EXPECT_NEAR(top[0], 50, 4);
    EXPECT_NEAR(top[1], 100, 4);
    EXPECT_NEAR(top[2], 200, 4);
    EXPECT_EQ(top[3], 255);
    texture->Release();
}

// --- DDS written byte by byte ---

void Put32(std::vector<std::uint8_t>& b, size_t offset, DWORD v) {
    std::memcpy(&b[offset], &v, 4);
}

std::vector<std::uint8_t> DdsHeader(UINT width, UINT height, UINT mips, DWORD fourCC, DWORD bits, DWORD r,
                                    DWORD g, DWORD bl, DWORD a, DWORD caps2) {
    std::vector<std::uint8_t> b(128, 0);
    std::memcpy(b.data(), "DDS ", 4);
    Put32(b, 4, 124);
    Put32(b, 8, 0x1007 | (mips > 1 ? 0x20000 : 0));
    Put32(b, 12, height);
    Put32(b, 16, width);
    Put32(b, 28, mips);
    Put32(b, 76, 32);
    Put32(b, 80, fourCC != 0 ? 0x4 : (0x40 | (a != 0 ? 0x1 : 0)));
    Put32(b, 84, fourCC);
    Put32(b, 88, bits);
    Put32(b, 92, r);
    Put32(b, 96, g);
    Put32(b, 100, bl);
    Put32(b, 104, a);
    Put32(b, 112, caps2);
    return b;
}

TEST_F(TextureFromFileTest, DdsUncompressed32And24BitWithStoredMips) {
    // 2 x 2 A8R8G8B8 with its own 1 x 1 level (which must not be replaced by a filtered one).
    auto dds32 = DdsHeader(2, 2, 2, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0);
    const std::uint8_t texels32[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 99, 98, 97, 96};
    dds32.insert(dds32.end(), std::begin(texels32), std::end(texels32));
    WriteBytes("a.dds", dds32);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Load("a.dds", &texture), D3D_OK);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    EXPECT_EQ(Level(texture, 0, 8, 2), std::vector<std::uint8_t>(texels32, texels32 + 16));
    EXPECT_EQ(Level(texture, 1, 4, 1), (std::vector<std::uint8_t>{99, 98, 97, 96}));
    texture->Release();

    // 2 x 1 R8G8B8 stored B, G, R: becomes X8R8G8B8 with opaque alpha and a filtered 1 x 1.
    auto dds24 = DdsHeader(2, 1, 1, 0, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0, 0);
    const std::uint8_t texels24[] = {10, 20, 30, 50, 60, 70};
    dds24.insert(dds24.end(), std::begin(texels24), std::end(texels24));
    WriteBytes("b.dds", dds24);
    ASSERT_EQ(Load("b.dds", &texture), D3D_OK);
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    EXPECT_EQ(Level(texture, 0, 8, 1), (std::vector<std::uint8_t>{10, 20, 30, 255, 50, 60, 70, 255}));
    EXPECT_EQ(Level(texture, 1, 4, 1), (std::vector<std::uint8_t>{30, 40, 50, 255}));
    texture->Release();
}

TEST_F(TextureFromFileTest, DdsCompressedLevelsAreCopiedAsBlocks) {
    const struct {
        const char* file;
        D3DFORMAT format;
        size_t blockBytes;
    } cases[] = {{"d1.dds", D3DFMT_DXT1, 8}, {"d3.dds", D3DFMT_DXT3, 16}, {"d5.dds", D3DFMT_DXT5, 16}};
    for (const auto& c : cases) {
        // 8 x 4: two blocks at level 0, one at 4 x 2 and one at 2 x 1 and 1 x 1.
        auto dds = DdsHeader(8, 4, 4, c.format, 0, 0, 0, 0, 0, 0);
        std::vector<std::uint8_t> blocks;
        for (size_t i = 0; i < 5 * c.blockBytes; ++i) {
            blocks.push_back(static_cast<std::uint8_t>(i * 7 + 1));
        }
        dds.insert(dds.end(), blocks.begin(), blocks.end());
        WriteBytes(c.file, dds);
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(Load(c.file, &texture), D3D_OK) << c.file;
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, c.format);
        ASSERT_EQ(texture->GetLevelCount(), 4u);
        EXPECT_EQ(Level(texture, 0, 2 * c.blockBytes, 1),
                  std::vector<std::uint8_t>(blocks.begin(), blocks.begin() + 2 * c.blockBytes));
        EXPECT_EQ(Level(texture, 3, c.blockBytes, 1),
                  std::vector<std::uint8_t>(blocks.begin() + 4 * c.blockBytes, blocks.end()));
        texture->Release();
    }
}

TEST_F(TextureFromFileTest, DdsCubeMapGivesSixFaces) {
    auto dds = DdsHeader(1, 1, 1, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0xFE00);
    for (std::uint8_t face = 0; face < 6; ++face) {
        dds.insert(dds.end(), {face, static_cast<std::uint8_t>(face * 2), 0, 255});
    }
    WriteBytes("cube.dds", dds);
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(D3DXCreateCubeTextureFromFileW(device, WindowsPath::Widen(PathOf("cube.dds")).c_str(), &cube),
              D3D_OK);
    for (DWORD face = 0; face < 6; ++face) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(face), 0, &locked, nullptr, D3DLOCK_READONLY),
                  D3D_OK);
        const auto* texel = static_cast<const std::uint8_t*>(locked.pBits);
        EXPECT_EQ(texel[0], face);
        EXPECT_EQ(texel[1], face * 2);
        cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), 0);
    }
    cube->Release();
}

TEST_F(TextureFromFileTest, MissingTruncatedOrUndecodableFilesFailWithoutTexture) {
    auto dds = DdsHeader(4, 4, 1, 0, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0);
    dds.resize(dds.size() + 63); // one byte short of 4 x 4 x 4
    WriteBytes("short.dds", dds);
    WriteBytes("junk.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    WriteBytes("empty.jpg", {});
    auto huge = DdsHeader(0x7FFFFFFF, 0x7FFFFFFF, 1, D3DFMT_DXT1, 0, 0, 0, 0, 0, 0);
    WriteBytes("huge.dds", huge);
    for (const char* name : {"missing.png", "short.dds", "junk.png", "empty.jpg", "huge.dds"}) {
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
        EXPECT_TRUE(FAILED(Load(name, &texture))) << name;
        EXPECT_EQ(texture, nullptr) << name;
    }
    EXPECT_TRUE(device->CallsNamed("CreateTexture").empty());
}

TEST_F(TextureFromFileTest, EveryPrefixOfAnImageFailsOrLoadsWithoutCrashing) {
    auto dds = DdsHeader(4, 4, 3, D3DFMT_DXT5, 0, 0, 0, 0, 0, 0);
    dds.resize(dds.size() + 3 * 16, 0x5A);
    std::vector<unsigned char> rgba(8 * 8 * 4, 77);
    ASSERT_TRUE(stbi_write_png(PathOf("whole.png").c_str(), 8, 8, 4, rgba.data(), 8 * 4));
    std::ifstream in(PathOf("whole.png"), std::ios::binary);
    const std::vector<std::uint8_t> pngBytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_GT(pngBytes.size(), 8u);
    const std::vector<std::uint8_t>& ddsBytes = dds;
    for (const std::vector<std::uint8_t>* source : {&ddsBytes, &pngBytes}) {
        for (size_t length = 0; length < source->size(); length += 3) {
            WriteBytes("cut.img", std::vector<std::uint8_t>(source->begin(), source->begin() + length));
            IDirect3DTexture9* texture = nullptr;
            if (SUCCEEDED(Load("cut.img", &texture))) {
                ASSERT_NE(texture, nullptr);
                texture->Release();
            } else {
                EXPECT_EQ(texture, nullptr);
            }
        }
    }
}

} // namespace
