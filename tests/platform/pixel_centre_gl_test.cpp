// Where a screen-space quad lands and which texels its pixels sample, against Direct3D 9's
// documented rules: pixel (i, j) has its centre at screen coordinates (i, j); a pixel whose
// centre lies on an edge belongs to the quad when the edge is a top or left one (top-left
// fill rule); texture coordinates are interpolated to the pixel centre, and linear filtering
// with clamping blends the two texels either side of u * width - 0.5. A quad drawn at
// half-pixel offsets therefore samples texel centres exactly, one at integer offsets blends
// neighbours: both are worked out here from those rules, through all three vertex paths.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"
#include "tests/gl_test_device.h"

namespace {

using GlTest::Rgb;

constexpr UINT Size = 12;
constexpr int QuadSize = 4; // pixels, and texels of the texture along each side
constexpr Rgb Background = {0, 0, 255};
// Red counts texels across, green down; blue marks the quad.
constexpr int Ramp[QuadSize] = {0, 80, 160, 240};
constexpr int QuadBlue = 50;

enum class VertexPath { Pretransformed, FixedFunction, Effect };

struct PixelCentreCase {
    const char* name;
    VertexPath path;
    float left, top; // screen coordinates of the quad's top-left corner
};

constexpr PixelCentreCase Cases[] = {
    {"PretransformedAtHalfPixels", VertexPath::Pretransformed, 3.5f, 2.5f},
    {"PretransformedAtIntegers", VertexPath::Pretransformed, 3.0f, 2.0f},
    {"PretransformedAtQuarters", VertexPath::Pretransformed, 3.25f, 2.75f},
    {"FixedFunctionAtHalfPixels", VertexPath::FixedFunction, 3.5f, 2.5f},
    {"FixedFunctionAtIntegers", VertexPath::FixedFunction, 3.0f, 2.0f},
    {"EffectAtHalfPixels", VertexPath::Effect, 3.5f, 2.5f},
    {"EffectAtIntegers", VertexPath::Effect, 3.0f, 2.0f},
};

// Linear filtering of the ramp with clamping at texture coordinate u (0..1).
double Filtered(double u) {
    const double t = std::clamp(u * QuadSize - 0.5, 0.0, QuadSize - 1.0);
    const int below = static_cast<int>(std::floor(t));
    const int above = std::min(below + 1, QuadSize - 1);
    return Ramp[below] + (t - below) * (Ramp[above] - Ramp[below]);
}

// The colour of pixel (i, j) by the rules above.
Rgb Expected(const PixelCentreCase& c, int i, int j) {
    const bool inside = c.left <= i && i < c.left + QuadSize && c.top <= j && j < c.top + QuadSize;
    if (!inside) {
        return Background;
    }
    const double u = (i - c.left) / QuadSize;
    const double v = (j - c.top) / QuadSize;
    return {static_cast<int>(std::lround(Filtered(u))), static_cast<int>(std::lround(Filtered(v))), QuadBlue};
}

struct ScreenVertex {
    float x, y, z, rhw;
    float u, v;
};
struct SpaceVertex {
    float x, y, z;
    float u, v;
};

class PixelCentreTest : public GlTest::DeviceTest, public ::testing::WithParamInterface<PixelCentreCase> {
  protected:
    PixelCentreTest() : DeviceTest(Size, Size) {}

    void SetUp() override {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        Rgb texels[QuadSize][QuadSize];
        for (int y = 0; y < QuadSize; ++y) {
            for (int x = 0; x < QuadSize; ++x) {
                texels[y][x] = {Ramp[x], Ramp[y], QuadBlue};
            }
        }
        texture = MakeTexture(texels);
        ASSERT_NE(texture, nullptr);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetTexture(0, texture);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    }
    void TearDown() override {
        if (effect != nullptr) {
            effect->Release();
        }
        if (texture != nullptr) {
            device->SetTexture(0, nullptr);
            texture->Release();
        }
        DeviceTest::TearDown();
    }

    // Two triangles from a vertex buffer of the given format.
    void DrawTriangles(DWORD fvf, const void* vertices, UINT bytes) {
        IDirect3DVertexBuffer9* vb = nullptr;
        ASSERT_EQ(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_DEFAULT, &vb, nullptr),
                  D3D_OK);
        void* data = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, vertices, bytes);
        vb->Unlock();
        device->SetFVF(fvf);
        device->SetStreamSource(0, vb, 0, bytes / 6);
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
        device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
    }

    // The quad's corners in screen coordinates, as two triangles, with their texture coordinates.
    static void Corners(const PixelCentreCase& c, float (&corners)[6][4]) {
        const float l = c.left, t = c.top, r = c.left + QuadSize, b = c.top + QuadSize;
        const float table[6][4] = {{l, t, 0, 0}, {r, t, 1, 0}, {r, b, 1, 1},
                                   {l, t, 0, 0}, {r, b, 1, 1}, {l, b, 0, 1}};
        std::copy(&table[0][0], &table[0][0] + 24, &corners[0][0]);
    }

    void DrawPretransformed(const PixelCentreCase& c) {
        float corners[6][4];
        Corners(c, corners);
        ScreenVertex v[6];
        for (int k = 0; k < 6; ++k) {
            v[k] = {corners[k][0], corners[k][1], 0.5f, 1.0f, corners[k][2], corners[k][3]};
        }
        DrawTriangles(D3DFVF_XYZRHW | D3DFVF_TEX1, v, sizeof(v));
    }

    // Screen coordinates through a projection that maps them to clip space, as a program
    // drawing 2D layers with transformed vertices does.
    void DrawFixedFunction(const PixelCentreCase& c) {
        D3DMATRIX screenToClip{};
        screenToClip._11 = 2.0f / Size;
        screenToClip._22 = -2.0f / Size;
        screenToClip._33 = 1.0f;
        screenToClip._41 = -1.0f;
        screenToClip._42 = 1.0f;
        screenToClip._44 = 1.0f;
        device->SetTransform(D3DTS_PROJECTION, &screenToClip);
        float corners[6][4];
        Corners(c, corners);
        SpaceVertex v[6];
        for (int k = 0; k < 6; ++k) {
            v[k] = {corners[k][0], corners[k][1], 0.5f, corners[k][2], corners[k][3]};
        }
        DrawTriangles(D3DFVF_XYZ | D3DFVF_TEX1, v, sizeof(v));
    }

    // The effect's vertex shader passes clip-space positions through.
    void DrawEffect(const PixelCentreCase& c) {
        const std::wstring path =
            WindowsPath::Widen(std::string(QUILLMOOR_TEST_DATA) + "/fx/screen_texture.fx");
        ASSERT_EQ(
            D3DXCreateEffectFromFileW(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, nullptr),
            D3D_OK);
        effect->SetTexture("tBase", texture);
        float corners[6][4];
        Corners(c, corners);
        SpaceVertex v[6];
        for (int k = 0; k < 6; ++k) {
            v[k] = {2.0f * corners[k][0] / Size - 1.0f, 1.0f - 2.0f * corners[k][1] / Size, 0.5f,
                    corners[k][2], corners[k][3]};
        }
        UINT passes = 0;
        ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
        ASSERT_EQ(effect->BeginPass(0), D3D_OK);
        DrawTriangles(D3DFVF_XYZ | D3DFVF_TEX1, v, sizeof(v));
        effect->EndPass();
        effect->End();
    }

    IDirect3DTexture9* texture = nullptr;
    ID3DXEffect* effect = nullptr;
};

TEST_P(PixelCentreTest, QuadCoversAndSamplesAsDirect3D9Does) {
    const PixelCentreCase& c = GetParam();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(Background.r, Background.g, Background.b), 1.0f,
                  0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    switch (c.path) {
    case VertexPath::Pretransformed:
        DrawPretransformed(c);
        break;
    case VertexPath::FixedFunction:
        DrawFixedFunction(c);
        break;
    case VertexPath::Effect:
        DrawEffect(c);
        break;
    }
    device->EndScene();
    for (int j = 0; j < static_cast<int>(Size); ++j) {
        for (int i = 0; i < static_cast<int>(Size); ++i) {
            GlTest::ExpectNear(ReadPixel(i, j), Expected(c, i, j), 2,
                               "pixel " + std::to_string(i) + ", " + std::to_string(j));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, PixelCentreTest, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<PixelCentreCase>& info) {
                             return info.param.name;
                         });

} // namespace
