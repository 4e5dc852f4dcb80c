// Screen quads over the OpenGL device: the unit quad under the overlay state covers the
// viewport with the texture upright, and its vertex alpha blends as Direct3D's
// SRCALPHA / INVSRCALPHA blending says.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "assets/screen_quad.h"
#include "assets/texture_object.h"
#include "platform/d3d9/d3d9.h"
#include "shell/device_holder.h"

namespace {

constexpr UINT Size = 32;

struct Rgb {
    int r, g, b;
};

// 2 x 2 texture, row by row from the top.
constexpr Rgb Texels[2][2] = {{{250, 10, 10}, {10, 250, 10}}, {{10, 10, 250}, {250, 250, 10}}};
constexpr Rgb Background = {40, 80, 120};

class ScreenQuadGlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        if (direct3D == nullptr) {
            GTEST_SKIP() << "no OpenGL 3.3 context";
        }
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferWidth = Size;
        p.BackBufferHeight = Size;
        p.BackBufferFormat = D3DFMT_A8R8G8B8;
        p.BackBufferCount = 1;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D24S8;
        ASSERT_EQ(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                         &device),
                  D3D_OK);
        DeviceHolder::Get()->device = device;
        ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &image, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(image->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < 2; ++y) {
            auto* row = static_cast<BYTE*>(locked.pBits) + y * locked.Pitch;
            for (int x = 0; x < 2; ++x) {
                row[x * 4 + 0] = static_cast<BYTE>(Texels[y][x].b);
                row[x * 4 + 1] = static_cast<BYTE>(Texels[y][x].g);
                row[x * 4 + 2] = static_cast<BYTE>(Texels[y][x].r);
                row[x * 4 + 3] = 255;
            }
        }
        image->UnlockRect(0);
        texture.texture = image;
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    }
    void TearDown() override {
        texture.texture = nullptr;
        if (image != nullptr) {
            image->Release();
        }
        DeviceHolder::Get()->device = nullptr;
        if (device != nullptr) {
            device->Release();
        }
        if (direct3D != nullptr) {
            direct3D->Release();
        }
    }

    // Draws the unit quad with every vertex alpha set to `alpha` over the background.
    void DrawOverlay(BYTE alpha) {
        ScreenQuad quad;
        quad.Create(&texture);
        quad.FillUnit();
        void* data = nullptr;
        ASSERT_EQ(quad.vertexBuffer->Lock(0, 0, &data, 0), D3D_OK);
        for (int i = 0; i < 6; ++i) {
            auto& v = static_cast<QuadVertex*>(data)[i];
            v.colour = (v.colour & 0x00FFFFFF) | (DWORD{alpha} << 24);
        }
        quad.vertexBuffer->Unlock();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                      D3DCOLOR_XRGB(Background.r, Background.g, Background.b), 1.0f, 0);
        device->BeginScene();
        OverlayState();
        quad.Draw();
        device->EndScene();
        quad.vertexBuffer->Release();
    }

    Rgb ReadPixel(UINT x, UINT y) {
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const BYTE* p = static_cast<const BYTE*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch) + x * 4;
        Rgb c{p[2], p[1], p[0]};
        back->UnlockRect();
        back->Release();
        return c;
    }

    IDirect3D9* direct3D = nullptr;
    IDirect3DDevice9* device = nullptr;
    IDirect3DTexture9* image = nullptr;
    Texture2D texture;
};

void ExpectNear(const Rgb& actual, const Rgb& expected, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_NEAR(actual.r, expected.r, 2);
    EXPECT_NEAR(actual.g, expected.g, 2);
    EXPECT_NEAR(actual.b, expected.b, 2);
}

TEST_F(ScreenQuadGlTest, OpaqueQuadCoversTheViewportWithTheTextureUpright) {
    DrawOverlay(255);
    const UINT corners[4][2] = {{0, 0}, {Size - 1, 0}, {0, Size - 1}, {Size - 1, Size - 1}};
    for (const auto& c : corners) {
        const Rgb& texel = Texels[c[1] / (Size / 2)][c[0] / (Size / 2)];
        ExpectNear(ReadPixel(c[0], c[1]), texel, std::to_string(c[0]) + "," + std::to_string(c[1]));
    }
}

TEST_F(ScreenQuadGlTest, VertexAlphaBlendsOverThePicture) {
    const int alphas[] = {0, 128, 255};
    for (int alpha : alphas) {
        DrawOverlay(static_cast<BYTE>(alpha));
        // result = texel * a + background * (1 - a)
        const Rgb& t = Texels[0][0];
        const float a = alpha / 255.0f;
        auto mix = [a](int src, int dst) { return static_cast<int>(src * a + dst * (1.0f - a) + 0.5f); };
        ExpectNear(ReadPixel(4, 4), {mix(t.r, Background.r), mix(t.g, Background.g), mix(t.b, Background.b)},
                   "alpha " + std::to_string(alpha));
    }
}

} // namespace
