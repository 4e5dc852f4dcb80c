// The reference device beside the hardware device: two GLs (the system's, and Mesa's software
// rasteriser picked out explicitly), each in a share group of its own. Drawing gives the same
// pixels on both, and a program's textures, buffers and effects follow it from one device to
// the next, as when the framework re-creates its device on F3.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/gl_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"
#include "tests/gl_test_device.h"

namespace {

constexpr UINT Size = 32;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// A quad over the left or right half of clip space, uv 0..1 across it.
struct QuadVertex {
    float x, y, z;
    float u, v;
};
constexpr DWORD QuadFvf = D3DFVF_XYZ | D3DFVF_TEX1;
constexpr QuadVertex WholeQuad[6] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0},  {-1, -1, 0.5f, 0, 1},
                                     {1, 1, 0.5f, 1, 0},  {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};

// 2 x 2 texels, row by row from the top.
constexpr Rgb FirstTexels[2][2] = {{{200, 100, 40}, {40, 200, 100}}, {{100, 40, 200}, {250, 250, 250}}};
constexpr Rgb SecondTexels[2][2] = {{{10, 20, 30}, {220, 0, 0}}, {{0, 220, 0}, {0, 0, 220}}};

class ReferenceDevice : public ::testing::Test {
  protected:
    void SetUp() override {
        direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        GL_TEST_REQUIRE_DIRECT3D(direct3D != nullptr);
        D3DCAPS9 caps{};
        ASSERT_EQ(direct3D->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps), D3D_OK)
            << "no software rasteriser offered as the reference device";
    }
    void TearDown() override {
        for (IUnknown* object : made) {
            object->Release();
        }
        if (direct3D != nullptr) {
            EXPECT_EQ(direct3D->Release(), 0u);
        }
    }

    IDirect3DDevice9* MakeDevice(D3DDEVTYPE type) {
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferWidth = Size;
        p.BackBufferHeight = Size;
        p.BackBufferFormat = D3DFMT_X8R8G8B8;
        p.BackBufferCount = 1;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE;
        p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        IDirect3DDevice9* device = nullptr;
        EXPECT_EQ(direct3D->CreateDevice(0, type, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
                  D3D_OK);
        if (device != nullptr) {
            device->SetRenderState(D3DRS_LIGHTING, FALSE);
            device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        }
        return device;
    }

    // An opaque 2 x 2 texture, created on `device`.
    static IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, const Rgb (&texels)[2][2]) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        Fill(texture, texels);
        return texture;
    }
    static void Fill(IDirect3DTexture9* texture, const Rgb (&texels)[2][2]) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < 2; ++y) {
            auto* row = static_cast<BYTE*>(locked.pBits) + y * locked.Pitch;
            for (int x = 0; x < 2; ++x) {
                row[x * 4 + 0] = static_cast<BYTE>(texels[y][x].b);
                row[x * 4 + 1] = static_cast<BYTE>(texels[y][x].g);
                row[x * 4 + 2] = static_cast<BYTE>(texels[y][x].r);
                row[x * 4 + 3] = 255;
            }
        }
        texture->UnlockRect(0);
    }
    static IDirect3DVertexBuffer9* MakeQuad(IDirect3DDevice9* device) {
        IDirect3DVertexBuffer9* buffer = nullptr;
        EXPECT_EQ(device->CreateVertexBuffer(sizeof WholeQuad, D3DUSAGE_DYNAMIC, QuadFvf, D3DPOOL_DEFAULT,
                                             &buffer, nullptr),
                  D3D_OK);
        void* data = nullptr;
        EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, WholeQuad, sizeof WholeQuad);
        buffer->Unlock();
        return buffer;
    }

    // The quad with `texture` by the fixed-function pipeline, point sampled.
    static void DrawTextured(IDirect3DDevice9* device, IDirect3DTexture9* texture,
                             IDirect3DVertexBuffer9* quad) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
        device->SetTexture(0, texture);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        device->SetFVF(QuadFvf);
        device->SetStreamSource(0, quad, 0, sizeof(QuadVertex));
        device->BeginScene();
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
        device->EndScene();
        device->SetTexture(0, nullptr);
    }

    static std::vector<Rgb> ReadBack(IDirect3DDevice9* device) {
        std::vector<Rgb> pixels;
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        if (back == nullptr) {
            return pixels;
        }
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (UINT y = 0; y < Size; ++y) {
            const BYTE* row = static_cast<const BYTE*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch);
            for (UINT x = 0; x < Size; ++x) {
                pixels.push_back({row[x * 4 + 2], row[x * 4 + 1], row[x * 4 + 0]});
            }
        }
        back->UnlockRect();
        back->Release();
        return pixels;
    }

    // The centre pixel of each quarter of the target, top left first: one texel each.
    static std::vector<Rgb> Quarters(IDirect3DDevice9* device) {
        const std::vector<Rgb> pixels = ReadBack(device);
        std::vector<Rgb> quarters;
        for (UINT y : {Size / 4, Size * 3 / 4}) {
            for (UINT x : {Size / 4, Size * 3 / 4}) {
                quarters.push_back(pixels.empty() ? Rgb{-1, -1, -1} : pixels[y * Size + x]);
            }
        }
        return quarters;
    }
    static std::vector<Rgb> Flat(const Rgb (&texels)[2][2], Rgb tint = {255, 255, 255}) {
        std::vector<Rgb> out;
        for (const auto& row : texels) {
            for (const Rgb& t : row) {
                out.push_back({t.r * tint.r / 255, t.g * tint.g / 255, t.b * tint.b / 255});
            }
        }
        return out;
    }

    IDirect3D9* direct3D = nullptr;
    std::vector<IUnknown*> made;
};

TEST_F(ReferenceDevice, BothDeviceTypesAreOfferedAndAreTwoDifferentGls) {
    D3DCAPS9 hal{};
    D3DCAPS9 ref{};
    ASSERT_EQ(direct3D->GetDeviceCaps(0, D3DDEVTYPE_HAL, &hal), D3D_OK);
    ASSERT_EQ(direct3D->GetDeviceCaps(0, D3DDEVTYPE_REF, &ref), D3D_OK);
    EXPECT_EQ(ref.DeviceType, D3DDEVTYPE_REF);
    constexpr DWORD hardwareRasterisation = 0x00080000;
    EXPECT_NE(hal.DevCaps & hardwareRasterisation, 0u);
    EXPECT_EQ(ref.DevCaps & hardwareRasterisation, 0u);
    EXPECT_EQ(direct3D->CheckDeviceType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3D_OK);
    D3DCAPS9 software{};
    EXPECT_EQ(direct3D->GetDeviceCaps(0, D3DDEVTYPE_SW, &software), D3DERR_NOTAVAILABLE);

    IDirect3DDevice9* hardware = MakeDevice(D3DDEVTYPE_HAL);
    IDirect3DDevice9* reference = MakeDevice(D3DDEVTYPE_REF);
    ASSERT_NE(hardware, nullptr);
    ASSERT_NE(reference, nullptr);
    D3DDEVICE_CREATION_PARAMETERS created{};
    ASSERT_EQ(reference->GetCreationParameters(&created), D3D_OK);
    EXPECT_EQ(created.DeviceType, D3DDEVTYPE_REF);
    ASSERT_EQ(hardware->GetCreationParameters(&created), D3D_OK);
    EXPECT_EQ(created.DeviceType, D3DDEVTYPE_HAL);
    // Two GLs whose objects cannot be shared, the reference one being Mesa's software
    // rasteriser whatever the system's GL is.
    auto* hardwareGl = static_cast<GlDevice*>(hardware);
    auto* referenceGl = static_cast<GlDevice*>(reference);
    EXPECT_NE(hardwareGl->ShareGroup(), referenceGl->ShareGroup());
    const std::string renderer = referenceGl->Capabilities().renderer;
    EXPECT_TRUE(renderer.find("llvmpipe") != std::string::npos ||
                renderer.find("softpipe") != std::string::npos)
        << renderer;
    EXPECT_EQ(reference->Release(), 0u);
    EXPECT_EQ(hardware->Release(), 0u);
}

// What the framework does on F3: the device goes, a device of the other type comes, and the
// program draws on with the textures and buffers it made on the first.
TEST_F(ReferenceDevice, TexturesAndBuffersFollowToTheNextDeviceAndBack) {
    IDirect3DDevice9* hardware = MakeDevice(D3DDEVTYPE_HAL);
    ASSERT_NE(hardware, nullptr);
    IDirect3DTexture9* texture = MakeTexture(hardware, FirstTexels);
    IDirect3DVertexBuffer9* quad = MakeQuad(hardware);
    made = {texture, quad};
    DrawTextured(hardware, texture, quad);
    EXPECT_EQ(Quarters(hardware), Flat(FirstTexels));
    EXPECT_EQ(hardware->Release(), 0u);

    IDirect3DDevice9* reference = MakeDevice(D3DDEVTYPE_REF);
    ASSERT_NE(reference, nullptr);
    DrawTextured(reference, texture, quad);
    EXPECT_EQ(Quarters(reference), Flat(FirstTexels));
    // Changed while the reference device draws: the next hardware device sees the change.
    Fill(texture, SecondTexels);
    DrawTextured(reference, texture, quad);
    EXPECT_EQ(Quarters(reference), Flat(SecondTexels));
    EXPECT_EQ(reference->Release(), 0u);

    hardware = MakeDevice(D3DDEVTYPE_HAL);
    ASSERT_NE(hardware, nullptr);
    DrawTextured(hardware, texture, quad);
    EXPECT_EQ(Quarters(hardware), Flat(SecondTexels));
    EXPECT_EQ(hardware->Release(), 0u);
}

TEST_F(ReferenceDevice, EffectsFollowToTheNextDevice) {
    IDirect3DDevice9* hardware = MakeDevice(D3DDEVTYPE_HAL);
    ASSERT_NE(hardware, nullptr);
    const std::wstring path = WindowsPath::Widen(std::string(QUILLMOOR_TEST_DATA) + "/fx/tinted_texture.fx");
    ID3DXEffect* effect = nullptr;
    ASSERT_EQ(
        D3DXCreateEffectFromFileW(hardware, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, nullptr),
        D3D_OK);
    IDirect3DTexture9* texture = MakeTexture(hardware, FirstTexels);
    IDirect3DVertexBuffer9* quad = MakeQuad(hardware);
    made = {effect, texture, quad};
    ASSERT_EQ(effect->SetTexture("tBase", texture), D3D_OK);
    const Rgb tint{255, 128, 64}; // the effect's tint, 1.0 0.5 0.25, as bytes
    const auto draw = [&](IDirect3DDevice9* device) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
        device->SetFVF(QuadFvf);
        device->SetStreamSource(0, quad, 0, sizeof(QuadVertex));
        UINT passes = 0;
        device->BeginScene();
        ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
        ASSERT_EQ(effect->BeginPass(0), D3D_OK);
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
        effect->EndPass();
        effect->End();
        device->EndScene();
    };
    const auto near = [](const std::vector<Rgb>& got, const std::vector<Rgb>& expected) {
        for (size_t i = 0; i < got.size(); ++i) {
            if (std::abs(got[i].r - expected[i].r) > 1 || std::abs(got[i].g - expected[i].g) > 1 ||
                std::abs(got[i].b - expected[i].b) > 1) {
                return false;
            }
        }
        return got.size() == expected.size();
    };
    draw(hardware);
    const std::vector<Rgb> onHardware = Quarters(hardware);
    EXPECT_TRUE(near(onHardware, Flat(FirstTexels, tint))) << ::testing::PrintToString(onHardware);
    EXPECT_EQ(hardware->Release(), 0u);

    IDirect3DDevice9* reference = MakeDevice(D3DDEVTYPE_REF);
    ASSERT_NE(reference, nullptr);
    draw(reference);
    const std::vector<Rgb> onReference = Quarters(reference);
    EXPECT_TRUE(near(onReference, Flat(FirstTexels, tint))) << ::testing::PrintToString(onReference);
    EXPECT_EQ(onReference, onHardware);
    EXPECT_EQ(reference->Release(), 0u);
}

} // namespace
