// Screen quads over the OpenGL device: the unit quad under the overlay state covers the
// viewport with the texture upright, and its vertex alpha blends as Direct3D's
// SRCALPHA / INVSRCALPHA blending says.

#include <gtest/gtest.h>

#include <string>

#include "assets/screen_quad.h"
#include "assets/texture_object.h"
#include "shell/device_holder.h"
#include "tests/gl_test_device.h"

namespace {

using GlTest::Rgb;

constexpr UINT Size = 32;

// 2 x 2 texture, row by row from the top.
constexpr Rgb Texels[2][2] = {{{250, 10, 10}, {10, 250, 10}}, {{10, 10, 250}, {250, 250, 10}}};
constexpr Rgb Background = {40, 80, 120};

class ScreenQuadGlTest : public GlTest::DeviceTest {
  protected:
    ScreenQuadGlTest() : DeviceTest(Size, Size) {}

    void SetUp() override {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        DeviceHolder::Get()->device = device;
        image = MakeTexture(Texels);
        ASSERT_NE(image, nullptr);
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
        DeviceTest::TearDown();
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

    IDirect3DTexture9* image = nullptr;
    Texture2D texture;
};

TEST_F(ScreenQuadGlTest, OpaqueQuadCoversTheViewportWithTheTextureUpright) {
    DrawOverlay(255);
    const UINT corners[4][2] = {{0, 0}, {Size - 1, 0}, {0, Size - 1}, {Size - 1, Size - 1}};
    for (const auto& c : corners) {
        const Rgb& texel = Texels[c[1] / (Size / 2)][c[0] / (Size / 2)];
        GlTest::ExpectNear(ReadPixel(c[0], c[1]), texel, 2,
                           std::to_string(c[0]) + "," + std::to_string(c[1]));
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
        GlTest::ExpectNear(ReadPixel(4, 4),
                           {mix(t.r, Background.r), mix(t.g, Background.g), mix(t.b, Background.b)}, 2,
                           "alpha " + std::to_string(alpha));
    }
}

} // namespace
