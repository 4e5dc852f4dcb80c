// Every file format the loaders read, cut short and replaced by garbage: each load fails
// with no object, where the whole file loads. Also effects whose text is wrong.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/d3d9/recording_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"
#include "tests/temp_directory.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// A DDS header (magic included) for a width x height image with one level.
Bytes DdsHeader(std::uint32_t size, std::uint32_t pixelFlags, std::uint32_t fourCc, std::uint32_t bits,
                std::uint32_t caps2) {
    Bytes b(128, 0);
    Put32(b, 0, 0x20534444); // "DDS "
    Put32(b, 4, 124);        // header size
    Put32(b, 8, 0x1 | 0x2 | 0x4 | 0x1000);
    Put32(b, 12, size); // height
    Put32(b, 16, size); // width
    Put32(b, 76, 32);   // pixel format size
    Put32(b, 80, pixelFlags);
    Put32(b, 84, fourCc);
    Put32(b, 88, bits);
    if (bits == 32) {
        Put32(b, 92, 0x00FF0000);
        Put32(b, 96, 0x0000FF00);
        Put32(b, 100, 0x000000FF);
        Put32(b, 104, 0xFF000000);
    }
    Put32(b, 108, 0x1000 | (caps2 != 0 ? 0x8 : 0)); // texture, complex for cube maps
    Put32(b, 112, caps2);
    return b;
}

Bytes CubeMapDds() {
    Bytes b = DdsHeader(2, 0x40 | 0x1, 0, 32, 0x200 | 0xFC00);
    for (int i = 0; i < 6 * 2 * 2; ++i) {
        b.insert(b.end(), {static_cast<std::uint8_t>(i), 0x40, 0x80, 0xFF});
    }
    return b;
}

Bytes Dxt5Dds() {
    Bytes b = DdsHeader(4, 0x4, 0x35545844, 0, 0); // "DXT5"
    b.insert(b.end(), {0xFF, 0x00, 0, 0, 0, 0, 0, 0, 0x1F, 0xF8, 0x00, 0x00, 0, 0, 0, 0});
    return b;
}

// 2 x 2, 32 bits with 8 alpha bits, rows from the top.
Bytes TgaWithAlpha() {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 0x28};
    for (int i = 0; i < 4; ++i) {
        b.insert(b.end(), {10, 20, 30, static_cast<std::uint8_t>(60 * i)});
    }
    return b;
}

// 2 x 2, 32 bits, run-length encoded: one packet repeating one pixel four times.
Bytes TgaRunLength() {
    return {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 32, 0x28, 0x83, 10, 20, 30, 255};
}

// 2 x 2, 24 bits, uncompressed: rows of 6 bytes padded to 8.
Bytes Bmp24() {
    Bytes b = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                    // file header
               40,  0,   0,  0, 2, 0, 0, 0, 2, 0, 0,  0, 1, 0, 24, 0, 0, 0, 0, 0, // info header
               16,  0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0};
    for (int row = 0; row < 2; ++row) {
        b.insert(b.end(), {10, 20, 30, 40, 50, 60, 0, 0});
    }
    return b;
}

// Outputs start at a non-null value so that a failure which forgets to clear them shows.
volatile std::uintptr_t notSet = 1;

// Loads the file at `path` and says whether it succeeded; a failure must leave no object.
using Loader = std::function<bool(IDirect3DDevice9*, const std::wstring&)>;

template <typename T> bool Outcome(HRESULT hr, T* object) {
    if (FAILED(hr)) {
        EXPECT_EQ(object, nullptr);
        return false;
    }
    EXPECT_NE(object, nullptr);
    if (object != nullptr) {
        object->Release();
    }
    return true;
}

bool LoadMesh(IDirect3DDevice9* device, const std::wstring& path) {
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(notSet);
    ID3DXBuffer* materials = nullptr;
    const HRESULT hr = D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_SYSTEMMEM, device, nullptr, &materials,
                                          nullptr, nullptr, &mesh);
    if (materials != nullptr) {
        materials->Release();
    }
    return Outcome(hr, mesh);
}

bool LoadTexture(IDirect3DDevice9* device, const std::wstring& path) {
    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(notSet);
    const HRESULT hr = D3DXCreateTextureFromFileW(device, path.c_str(), &texture);
    return Outcome(hr, texture);
}

bool LoadCube(IDirect3DDevice9* device, const std::wstring& path) {
    IDirect3DCubeTexture9* cube = reinterpret_cast<IDirect3DCubeTexture9*>(notSet);
    const HRESULT hr = D3DXCreateCubeTextureFromFileW(device, path.c_str(), &cube);
    return Outcome(hr, cube);
}

bool LoadEffect(IDirect3DDevice9* device, const std::wstring& path) {
    ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(notSet);
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr =
        D3DXCreateEffectFromFileW(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors);
    if (FAILED(hr)) {
        EXPECT_NE(errors, nullptr) << "a failed effect says why";
    }
    if (errors != nullptr) {
        errors->Release();
    }
    return Outcome(hr, effect);
}

struct FormatCase {
    const char* name;
    const char* extension;
    std::function<Bytes()> whole;
    Loader load;
};

class BadInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = TestTemp::MakeDirectory("qm_bad_input");
        device = new RecordingDevice();
    }
    void TearDown() override {
        device->Release();
        fs::remove_all(dir);
    }
    std::wstring Write(const std::string& name, const Bytes& bytes) {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return WindowsPath::Widen(path.string());
    }
    fs::path dir;
    RecordingDevice* device = nullptr;
};

TEST_F(BadInputTest, TruncatedAndGarbageFilesOfEveryFormatFailWithoutAnObject) {
    const std::string data = QUILLMOOR_TEST_DATA;
    const FormatCase cases[] = {
        {"text .x", ".x", [&] { return ReadFile(data + "/x/two_materials.x"); }, LoadMesh},
        {"binary .x", ".x", [&] { return ReadFile(data + "/x/two_materials_bin.x"); }, LoadMesh},
        {"DDS cube map", ".dds", CubeMapDds, LoadCube},
        {"DXT5", ".dds", Dxt5Dds, LoadTexture},
        {"TGA with alpha", ".tga", TgaWithAlpha, LoadTexture},
        {"run-length TGA", ".tga", TgaRunLength, LoadTexture},
        {"BMP", ".bmp", Bmp24, LoadTexture},
        {"effect", ".fx", [&] { return ReadFile(data + "/../../media/diffuse.fx"); }, LoadEffect},
    };
    std::uint32_t seed = 12345;
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes whole = c.whole();
        ASSERT_GT(whole.size(), 20u);
        EXPECT_TRUE(c.load(device, Write(std::string("whole") + c.extension, whole))) << "the intact file";

        const Bytes half(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2));
        EXPECT_FALSE(c.load(device, Write(std::string("half") + c.extension, half))) << "cut in half";
        // Short by the last byte that matters (text files end in white space).
        std::size_t end = whole.size() - 1;
        while (end > 0 && std::isspace(whole[end])) {
            --end;
        }
        const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(end));
        EXPECT_FALSE(c.load(device, Write(std::string("cut") + c.extension, cut))) << "one byte short";

        Bytes garbage(whole.size());
        for (auto& b : garbage) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(seed >> 24);
        }
        EXPECT_FALSE(c.load(device, Write(std::string("garbage") + c.extension, garbage))) << "garbage";
        // Garbage behind the format's own first bytes gets past the signature checks.
        std::copy(whole.begin(), whole.begin() + 18, garbage.begin());
        c.load(device, Write(std::string("signed") + c.extension, garbage)); // either way, no crash
    }
}

TEST_F(BadInputTest, EffectsWithWrongTextFailWithAMessage) {
    struct Case {
        const char* name;
        const char* text;
    };
    const Case cases[] = {
        {"syntax error", "float4 colour = {1, 0, 0, 1};\n"
                         "float4 PS() : COLOR { return colour }\n"
                         "technique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n"},
        {"undefined function", "float4 colour = {1, 0, 0, 1};\n"
                               "float4 PS() : COLOR { return Brighten(colour); }\n"
                               "technique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n"},
        {"undefined entry point", "float4 colour = {1, 0, 0, 1};\n"
                                  "technique T { pass P { PixelShader = compile ps_2_0 Nowhere(); } }\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = c.text;
        EXPECT_FALSE(LoadEffect(device, Write("wrong.fx", Bytes(text.begin(), text.end()))));
    }
}

} // namespace
