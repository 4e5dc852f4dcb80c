// The OpenGL device rendering small scenes headless; expected pixels come from Direct3D's
// documented formulas.
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/frame_capture.h"
#include "tests/gl_test_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr UINT Size = 64;

struct Pixel {
    int a, r, g, b;
};

struct ColourVertex {
    float x, y, z;
    D3DCOLOR colour;
};

// Presents once with a sink that keeps the frame as a run's last one, so it arrives before
// Present returns; the rows come back packed, top row first.
std::vector<unsigned char> CaptureLastFrame(IDirect3DDevice9* device, int* width, int* height) {
    std::vector<unsigned char> captured;
    FrameSink sink;
    sink.request = [](long long*) { return FrameRequest::KeepLast; };
    sink.take = [&](long long, const FrameRows& rows) {
        *width = rows.width;
        *height = rows.height;
        for (int y = 0; y < rows.height; ++y) {
            const unsigned char* row = rows.top + rows.stride * y;
            captured.insert(captured.end(), row, row + static_cast<std::size_t>(rows.width) * 4);
        }
    };
    SetFrameSink(sink);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    SetFrameSink(FrameSink());
    return captured;
}

class GlDeviceTest : public GlTest::DeviceTest {
  protected:
    GlDeviceTest() : GlTest::DeviceTest(Size, Size) {}
    void SetUp() override {
        GlTest::DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
    }

    std::vector<Pixel> ReadBack() {
        std::vector<Pixel> pixels;
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DSURFACE_DESC desc{};
        back->GetDesc(&desc);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        readWidth = desc.Width;
        for (UINT y = 0; y < desc.Height; ++y) {
            const BYTE* row = static_cast<const BYTE*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch);
            for (UINT x = 0; x < desc.Width; ++x) {
                pixels.push_back({row[x * 4 + 3], row[x * 4 + 2], row[x * 4 + 1], row[x * 4 + 0]});
            }
        }
        back->UnlockRect();
        back->Release();
        return pixels;
    }
    Pixel At(const std::vector<Pixel>& pixels, UINT x, UINT y) const { return pixels[y * readWidth + x]; }

    // Draws a quad covering clip space at depth z from a vertex buffer of the given format.
    void DrawQuad(DWORD fvf, const void* vertices, UINT stride) {
        IDirect3DVertexBuffer9* vb = nullptr;
        ASSERT_EQ(device->CreateVertexBuffer(stride * 6, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, fvf,
                                             D3DPOOL_DEFAULT, &vb, nullptr),
                  D3D_OK);
        void* data = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, vertices, stride * 6);
        vb->Unlock();
        device->SetFVF(fvf);
        device->SetStreamSource(0, vb, 0, stride);
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
        device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
    }

    void DrawColourQuad(float z, D3DCOLOR colour) {
        const float c[6][2] = {{-1, -1}, {-1, 1}, {1, 1}, {-1, -1}, {1, 1}, {1, -1}};
        ColourVertex v[6];
        for (int i = 0; i < 6; ++i) {
            v[i] = {c[i][0], c[i][1], z, colour};
        }
        DrawQuad(D3DFVF_XYZ | D3DFVF_DIFFUSE, v, sizeof(ColourVertex));
    }

    UINT readWidth = Size;
};

void ExpectNear(const Pixel& p, int a, int r, int g, int b, int tolerance = 2) {
    EXPECT_NEAR(p.a, a, tolerance);
    EXPECT_NEAR(p.r, r, tolerance);
    EXPECT_NEAR(p.g, g, tolerance);
    EXPECT_NEAR(p.b, b, tolerance);
}

TEST_F(GlDeviceTest, ClearFillsTheViewportOnlyAndIgnoresWriteMasks) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_ARGB(255, 10, 20, 30), 1.0f, 0);
    device->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawColourQuad(0.5f, D3DCOLOR_ARGB(255, 255, 255, 255)); // leaves the masks off in GL
    const D3DVIEWPORT9 viewport{16, 8, 32, 16, 0.0f, 1.0f};
    device->SetViewport(&viewport);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(128, 200, 100, 50), 1.0f, 0);
    const auto pixels = ReadBack();
    ExpectNear(At(pixels, 16, 8), 128, 200, 100, 50, 0);
    ExpectNear(At(pixels, 47, 23), 128, 200, 100, 50, 0);
    ExpectNear(At(pixels, 15, 8), 255, 10, 20, 30, 0);
    ExpectNear(At(pixels, 16, 24), 255, 10, 20, 30, 0);
}

TEST_F(GlDeviceTest, OrthoQuadCoversTheExactViewport) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    // Orthographic projection of a Size x Size volume (left-handed, depth 0..1 over z 0..1).
    D3DMATRIX ortho{};
    ortho._11 = 2.0f / Size;
    ortho._22 = 2.0f / Size;
    ortho._33 = 1.0f;
    ortho._44 = 1.0f;
    device->SetTransform(D3DTS_PROJECTION, &ortho);
    const float h = Size / 2.0f;
    const float c[6][2] = {{-h, -h}, {-h, h}, {h, h}, {-h, -h}, {h, h}, {h, -h}};
    ColourVertex v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = {c[i][0], c[i][1], 0.5f, D3DCOLOR_ARGB(255, 0, 255, 0)};
    }
    DrawQuad(D3DFVF_XYZ | D3DFVF_DIFFUSE, v, sizeof(ColourVertex));
    const auto pixels = ReadBack();
    const long green = std::count_if(pixels.begin(), pixels.end(), [](const Pixel& p) { return p.g == 255; });
    EXPECT_EQ(green, static_cast<long>(Size * Size));
}

struct BlendCase {
    const char* name;
    DWORD src, dest, op;
    D3DCOLOR background, source;
};

class GlDeviceBlendTest : public GlDeviceTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(GlDeviceBlendTest, MatchesTheBlendEquation) {
    const BlendCase& c = GetParam();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c.background, 1.0f, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, c.src);
    device->SetRenderState(D3DRS_DESTBLEND, c.dest);
    device->SetRenderState(D3DRS_BLENDOP, c.op);
    // The vertex colour, alpha included, is the source.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    DrawColourQuad(0.5f, c.source);
    const auto factor = [](DWORD blend, double sa, double sc) {
        switch (blend) {
        case D3DBLEND_ONE:
            return 1.0;
        case D3DBLEND_SRCALPHA:
            return sa;
        case D3DBLEND_INVSRCALPHA:
            return 1.0 - sa;
        case D3DBLEND_SRCCOLOR:
            return sc;
        case D3DBLEND_INVSRCCOLOR:
            return 1.0 - sc;
        default:
            return 0.0;
        }
    };
    const double sa = (c.source >> 24) / 255.0;
    int expected[4];
    for (int ch = 0; ch < 4; ++ch) {
        const int shift = 24 - ch * 8;
        const double s = ((c.source >> shift) & 0xFF) / 255.0;
        const double d = ((c.background >> shift) & 0xFF) / 255.0;
        double out = 0.0;
        if (c.op == D3DBLENDOP_MIN) {
            out = std::min(s, d);
        } else {
            out = s * factor(c.src, sa, s) + d * factor(c.dest, sa, s);
        }
        expected[ch] = static_cast<int>(std::lround(std::clamp(out, 0.0, 1.0) * 255.0));
    }
    ExpectNear(At(ReadBack(), 32, 32), expected[0], expected[1], expected[2], expected[3]);
}

INSTANTIATE_TEST_SUITE_P(
    Blends, GlDeviceBlendTest,
    ::testing::Values(BlendCase{"SrcAlphaOver", D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DBLENDOP_ADD,
                                D3DCOLOR_ARGB(255, 20, 200, 100), D3DCOLOR_ARGB(64, 240, 40, 0)},
                      BlendCase{"Additive", D3DBLEND_ONE, D3DBLEND_ONE, D3DBLENDOP_ADD,
                                D3DCOLOR_ARGB(255, 100, 200, 10), D3DCOLOR_ARGB(255, 100, 100, 20)},
                      BlendCase{"Minimum", D3DBLEND_SRCCOLOR, D3DBLEND_INVSRCCOLOR, D3DBLENDOP_MIN,
                                D3DCOLOR_ARGB(255, 100, 200, 10), D3DCOLOR_ARGB(200, 150, 30, 20)}),
    [](const ::testing::TestParamInfo<BlendCase>& info) { return info.param.name; });

struct LightingCase {
    const char* name;
    bool vertexColour;
    float range;
};

class GlDeviceLightingTest : public GlDeviceTest, public ::testing::WithParamInterface<LightingCase> {};

TEST_P(GlDeviceLightingTest, PointLightWithAttenuationAndAmbient) {
    const LightingCase& c = GetParam();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_ARGB(0, 0x20, 0x40, 0x10));
    D3DMATERIAL9 material{};
    material.Diffuse = {0.8f, 0.6f, 0.4f, 1.0f};
    material.Ambient = {0.5f, 0.5f, 1.0f, 1.0f};
    material.Emissive = {0.05f, 0.0f, 0.1f, 0.0f};
    device->SetMaterial(&material);
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {0.9f, 0.7f, 0.5f, 1.0f};
    light.Ambient = {0.1f, 0.2f, 0.05f, 1.0f};
    light.Position = {0.0f, 0.0f, -1.5f};
    light.Range = c.range;
    light.Attenuation0 = 0.5f;
    light.Attenuation1 = 0.1f;
    light.Attenuation2 = 0.05f;
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);

    // Every corner of the quad is sqrt(6) from the light, so every vertex lights alike.
    const D3DCOLOR vertexColour = D3DCOLOR_ARGB(255, 255, 128, 64);
    const float corners[6][2] = {{-1, -1}, {-1, 1}, {1, 1}, {-1, -1}, {1, 1}, {1, -1}};
    struct LitVertex {
        float x, y, z, nx, ny, nz;
        D3DCOLOR colour;
    } v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = {corners[i][0], corners[i][1], 0.5f, 0.0f, 0.0f, -1.0f, vertexColour};
    }
    if (c.vertexColour) {
        DrawQuad(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE, v, sizeof(LitVertex));
    } else {
        float plain[6][6];
        for (int i = 0; i < 6; ++i) {
            std::memcpy(plain[i], &v[i], sizeof plain[i]);
        }
        DrawQuad(D3DFVF_XYZ | D3DFVF_NORMAL, plain, sizeof plain[0]);
    }

    const double d = std::sqrt(6.0);
    const double inRange = d <= c.range ? 1.0 : 0.0;
    const double atten = inRange / (0.5 + 0.1 * d + 0.05 * d * d);
    const double nDotL = 2.0 / d;
    const double global[3] = {0x20 / 255.0, 0x40 / 255.0, 0x10 / 255.0};
    const double diffuse[3] = {c.vertexColour ? 1.0 : 0.8, c.vertexColour ? 128 / 255.0 : 0.6,
                               c.vertexColour ? 64 / 255.0 : 0.4};
    const double ambient[3] = {0.5, 0.5, 1.0};
    const double emissive[3] = {0.05, 0.0, 0.1};
    const double lightDiffuse[3] = {0.9, 0.7, 0.5};
    const double lightAmbient[3] = {0.1, 0.2, 0.05};
    int expected[3];
    for (int ch = 0; ch < 3; ++ch) {
        const double value = emissive[ch] + ambient[ch] * (global[ch] + atten * lightAmbient[ch]) +
                             diffuse[ch] * atten * lightDiffuse[ch] * nDotL;
        expected[ch] = static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
    }
    ExpectNear(At(ReadBack(), 32, 32), 255, expected[0], expected[1], expected[2]);
}

INSTANTIATE_TEST_SUITE_P(Lights, GlDeviceLightingTest,
                         ::testing::Values(LightingCase{"Material", false, 10.0f},
                                           LightingCase{"VertexColourIsDiffuse", true, 10.0f},
                                           LightingCase{"BeyondRange", false, 2.0f}),
                         [](const ::testing::TestParamInfo<LightingCase>& info) { return info.param.name; });

struct StageCase {
    const char* name;
    DWORD colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
    bool texture;
    D3DCOLOR expected;
};

class GlDeviceStageTest : public GlDeviceTest, public ::testing::WithParamInterface<StageCase> {};

TEST_P(GlDeviceStageTest, StageZeroCombinesAsDirected) {
    const StageCase& c = GetParam();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 2; ++y) {
        auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        row[0] = row[1] = D3DCOLOR_ARGB(128, 200, 100, 50);
    }
    texture->UnlockRect(0);
    device->SetTexture(0, c.texture ? texture : nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, c.colorOp);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, c.colorArg1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, c.colorArg2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, c.alphaOp);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, c.alphaArg1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, c.alphaArg2);
    struct TexturedVertex {
        float x, y, z;
        D3DCOLOR colour;
        float u, v;
    } v[6];
    const float corners[6][2] = {{-1, -1}, {-1, 1}, {1, 1}, {-1, -1}, {1, 1}, {1, -1}};
    for (int i = 0; i < 6; ++i) {
        v[i] = {corners[i][0],           corners[i][1],          0.5f, D3DCOLOR_ARGB(255, 128, 255, 64),
                (corners[i][0] + 1) / 2, (1 - corners[i][1]) / 2};
    }
    DrawQuad(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, v, sizeof(TexturedVertex));
    device->SetTexture(0, nullptr);
    texture->Release();
    const D3DCOLOR e = c.expected;
    ExpectNear(At(ReadBack(), 32, 32), static_cast<int>(e >> 24), static_cast<int>((e >> 16) & 0xFF),
               static_cast<int>((e >> 8) & 0xFF), static_cast<int>(e & 0xFF));
}

// Texture (128, 200, 100, 50) and vertex colour (255, 128, 255, 64): modulate gives
// component × component / 255.
INSTANTIATE_TEST_SUITE_P(
    Stages, GlDeviceStageTest,
    ::testing::Values(
        StageCase{"Modulate", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE,
                  D3DTA_DIFFUSE, true, D3DCOLOR_ARGB(128, 100, 100, 13)},
        StageCase{"SelectTexture", D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
                  D3DTA_TEXTURE, D3DTA_DIFFUSE, true, D3DCOLOR_ARGB(128, 200, 100, 50)},
        StageCase{"SelectDiffuse", D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2,
                  D3DTA_TEXTURE, D3DTA_DIFFUSE, true, D3DCOLOR_ARGB(255, 128, 255, 64)},
        StageCase{"AlphaDisabledKeepsDiffuseAlpha", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                  D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE, true, D3DCOLOR_ARGB(255, 100, 100, 13)},
        StageCase{"NoTextureSamplesWhite", D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1,
                  D3DTA_TEXTURE, D3DTA_DIFFUSE, false, D3DCOLOR_ARGB(255, 128, 255, 64)},
        StageCase{"ColourDisabledPassesDiffuse", D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                  D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE, true, D3DCOLOR_ARGB(255, 128, 255, 64)}),
    [](const ::testing::TestParamInfo<StageCase>& info) { return info.param.name; });

TEST_F(GlDeviceTest, DepthTestKeepsTheNearerSurface) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    DrawColourQuad(0.3f, D3DCOLOR_ARGB(255, 255, 0, 0));
    DrawColourQuad(0.6f, D3DCOLOR_ARGB(255, 0, 255, 0));
    ExpectNear(At(ReadBack(), 10, 10), 255, 255, 0, 0, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    DrawColourQuad(0.6f, D3DCOLOR_ARGB(255, 0, 255, 0));
    ExpectNear(At(ReadBack(), 10, 10), 255, 0, 255, 0, 0);
}

// With depth writes off the test still applies against what is there, but nothing a draw
// passes changes the depth buffer (default function LESSEQUAL).
TEST_F(GlDeviceTest, DepthWritesOffTestWithoutWriting) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 0.7f, 0);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    DrawColourQuad(0.9f, D3DCOLOR_ARGB(255, 0, 0, 255)); // behind the cleared 0.7: fails
    ExpectNear(At(ReadBack(), 10, 10), 0, 0, 0, 0, 0);
    DrawColourQuad(0.3f, D3DCOLOR_ARGB(255, 255, 0, 0)); // passes, depth stays 0.7
    DrawColourQuad(0.6f, D3DCOLOR_ARGB(255, 0, 255, 0)); // passes too: 0.6 <= 0.7
    ExpectNear(At(ReadBack(), 10, 10), 255, 0, 255, 0, 0);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    DrawColourQuad(0.5f, D3DCOLOR_ARGB(255, 0, 0, 255));   // passes and writes 0.5
    DrawColourQuad(0.6f, D3DCOLOR_ARGB(255, 255, 255, 0)); // now fails
    ExpectNear(At(ReadBack(), 10, 10), 255, 0, 0, 255, 0);
}

// Wireframe draws the triangles' edges only: the quad's outline and its diagonal.
TEST_F(GlDeviceTest, WireframeDrawsEdgesAndLeavesTheInterior) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 0, 0, 0), 1.0f, 0);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    const float c[6][2] = {{-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f},
                           {-0.5f, -0.5f}, {0.5f, 0.5f},  {0.5f, -0.5f}};
    ColourVertex v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = {c[i][0], c[i][1], 0.5f, D3DCOLOR_ARGB(255, 255, 255, 255)};
    }
    DrawQuad(D3DFVF_XYZ | D3DFVF_DIFFUSE, v, sizeof(ColourVertex));
    const std::vector<Pixel> pixels = ReadBack();
    // The left edge lies on x = 16 (pixel 15 or 16), the bottom edge on y = 48.
    EXPECT_TRUE(At(pixels, 15, 32).r == 255 || At(pixels, 16, 32).r == 255);
    EXPECT_TRUE(At(pixels, 32, 47).r == 255 || At(pixels, 32, 48).r == 255);
    // Inside, off the diagonal (x + y = 64), and outside: untouched.
    for (const auto& xy : {std::pair{24, 28}, std::pair{40, 36}, std::pair{8, 8}, std::pair{56, 32}}) {
        ExpectNear(At(pixels, xy.first, xy.second), 255, 0, 0, 0, 0);
    }
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
}

// Texel (row, column) of each face in a 2 x 2 cube face: R names the face, G the row, B the column.
D3DCOLOR CubeTexel(int face, int row, int column) {
    return D3DCOLOR_ARGB(255, face * 40, row * 100 + 50, column * 100 + 50);
}

TEST_F(GlDeviceTest, CubeMapFacesFollowDirect3DOrientation) {
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(device->CreateCubeTexture(2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    for (int face = 0; face < 6; ++face) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(face), 0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < 2; ++y) {
            auto* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
            row[0] = CubeTexel(face, y, 0);
            row[1] = CubeTexel(face, y, 1);
        }
        cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(face), 0);
    }
    device->SetTexture(0, cube);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    // Direct3D's face selection: the major axis picks the face; (sc, tc) per face as
    // documented, u = (sc / |ma| + 1) / 2, v = (tc / |ma| + 1) / 2, v = 0 the first row.
    struct Direction {
        float x, y, z;
    };
    const Direction directions[] = {{1, 0.5f, 0.5f},   {1, -0.5f, -0.5f}, {-1, 0.5f, 0.5f},  {0.5f, 1, 0.5f},
                                    {0.5f, -1, -0.5f}, {0.5f, 0.5f, 1},   {-0.5f, -0.5f, -1}};
    for (const Direction& d : directions) {
        const float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
        int face = 0;
        float sc = 0, tc = 0, ma = 0;
        if (ax >= ay && ax >= az) {
            face = d.x > 0 ? 0 : 1;
            sc = d.x > 0 ? -d.z : d.z;
            tc = -d.y;
            ma = ax;
        } else if (ay >= az) {
            face = d.y > 0 ? 2 : 3;
            sc = d.x;
            tc = d.y > 0 ? d.z : -d.z;
            ma = ay;
        } else {
            face = d.z > 0 ? 4 : 5;
            sc = d.z > 0 ? d.x : -d.x;
            tc = -d.y;
            ma = az;
        }
        const int column = (sc / ma + 1) / 2 < 0.5f ? 0 : 1;
        const int row = (tc / ma + 1) / 2 < 0.5f ? 0 : 1;
        struct CubeVertex {
            float x, y, z, u, v, w;
        } v[6];
        const float corners[6][2] = {{-1, -1}, {-1, 1}, {1, 1}, {-1, -1}, {1, 1}, {1, -1}};
        for (int i = 0; i < 6; ++i) {
            v[i] = {corners[i][0], corners[i][1], 0.5f, d.x, d.y, d.z};
        }
        constexpr DWORD texCoordSize3 = 1u << 16;
        DrawQuad(D3DFVF_XYZ | D3DFVF_TEX1 | texCoordSize3, v, sizeof(CubeVertex));
        const D3DCOLOR e = CubeTexel(face, row, column);
        SCOPED_TRACE(::testing::Message() << "direction " << d.x << "," << d.y << "," << d.z);
        ExpectNear(At(ReadBack(), 32, 32), 255, static_cast<int>((e >> 16) & 0xFF),
                   static_cast<int>((e >> 8) & 0xFF), static_cast<int>(e & 0xFF), 0);
    }
    device->SetTexture(0, nullptr);
    cube->Release();
}

TEST_F(GlDeviceTest, Dxt1BlockDecodesToItsFourColours) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    // colour0 = pure red (0xF800) > colour1 = pure blue (0x001F): four-colour block; every
    // row has indices 0, 1, 2, 3 from left to right.
    const BYTE block[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0xE4, 0xE4, 0xE4};
    std::memcpy(locked.pBits, block, sizeof block);
    texture->UnlockRect(0);
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    struct TexturedVertex {
        float x, y, z, u, v;
    } v[6];
    const float corners[6][2] = {{-1, -1}, {-1, 1}, {1, 1}, {-1, -1}, {1, 1}, {1, -1}};
    for (int i = 0; i < 6; ++i) {
        v[i] = {corners[i][0], corners[i][1], 0.5f, (corners[i][0] + 1) / 2, (1 - corners[i][1]) / 2};
    }
    DrawQuad(D3DFVF_XYZ | D3DFVF_TEX1, v, sizeof(TexturedVertex));
    device->SetTexture(0, nullptr);
    texture->Release();
    const auto pixels = ReadBack();
    // colour2 = (2 c0 + c1) / 3, colour3 = (c0 + 2 c1) / 3.
    const int expected[4][3] = {{255, 0, 0}, {0, 0, 255}, {170, 0, 85}, {85, 0, 170}};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            const Pixel p = At(pixels, column * 16 + 8, row * 16 + 8);
            ExpectNear(p, 255, expected[column][0], expected[column][1], expected[column][2], 2);
        }
    }
}

TEST_F(GlDeviceTest, ReferenceCountsFollowBindingsNotResources) {
    EXPECT_EQ(direct3D->AddRef(), 3u); // ours, the device's, this one
    direct3D->Release();
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    EXPECT_EQ(device->AddRef(), 2u); // ours, this one: the buffer holds none
    device->Release();
    device->SetStreamSource(0, vb, 0, 12);
    EXPECT_EQ(vb->Release(), 1u); // the binding keeps it
    IDirect3DDevice9* owner = nullptr;
    device->SetStreamSource(0, nullptr, 0, 0);
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(vb->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device);
    EXPECT_EQ(device->AddRef(), 3u); // ours, GetDevice's, this one
    device->Release();
    owner->Release();
    vb->Release();
}

// The demo keeps its resources for the whole run; they may be released after the device.
TEST_F(GlDeviceTest, ResourcesReleasedAfterTheDeviceDoNoHarm) {
    IDirect3DTexture9* texture = nullptr;
    IDirect3DCubeTexture9* cube = nullptr;
    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    IDirect3DSurface9* level = nullptr;
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateCubeTexture(8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
    ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    device->SetTexture(0, texture);
    device->SetStreamSource(0, vb, 0, 12);
    device->SetIndices(ib);
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;

    // Uploads still reach the shared GL objects; the device's own surfaces refuse.
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    std::memset(data, 1, 64);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3DERR_INVALIDCALL);
    IDirect3DDevice9* owner = nullptr;
    EXPECT_EQ(texture->GetDevice(&owner), D3DERR_INVALIDCALL);

    EXPECT_EQ(back->Release(), 0u);
    EXPECT_EQ(level->Release(), 0u);
    EXPECT_EQ(texture->Release(), 0u);
    EXPECT_EQ(cube->Release(), 0u);
    EXPECT_EQ(vb->Release(), 0u);
    EXPECT_EQ(ib->Release(), 0u);

    // A device made afterwards works as before.
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = 8;
    p.BackBufferHeight = 8;
    p.BackBufferFormat = D3DFMT_A8R8G8B8;
    p.Windowed = TRUE;
    ASSERT_EQ(
        direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
        D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 10, 20, 30), 1.0f, 0);
    const std::vector<Pixel> pixels = ReadBack();
    ExpectNear(At(pixels, 4, 4), 255, 10, 20, 30, 0);
}

TEST_F(GlDeviceTest, ResetTakesTheNewSize) {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = 40;
    p.BackBufferHeight = 24;
    p.BackBufferFormat = D3DFMT_X8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    ASSERT_EQ(device->Reset(&p), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    D3DVIEWPORT9 viewport{};
    device->GetViewport(&viewport);
    EXPECT_EQ(viewport.Width, 40u);
    EXPECT_EQ(viewport.Height, 24u);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(0, 1, 2, 3), 1.0f, 0);
    int capturedWidth = 0;
    int capturedHeight = 0;
    const std::vector<unsigned char> captured = CaptureLastFrame(device, &capturedWidth, &capturedHeight);
    ASSERT_EQ(capturedWidth, 40);
    ASSERT_EQ(capturedHeight, 24);
    EXPECT_EQ(captured[0], 1);
    EXPECT_EQ(captured[1], 2);
    EXPECT_EQ(captured[2], 3);
}

TEST_F(GlDeviceTest, CaptureIsTopRowFirst) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 0, 0, 255), 1.0f, 0);
    const D3DVIEWPORT9 top{0, 0, Size, 1, 0.0f, 1.0f};
    device->SetViewport(&top);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, 255, 0, 0), 1.0f, 0);
    int w = 0;
    int h = 0;
    const std::vector<unsigned char> captured = CaptureLastFrame(device, &w, &h);
    ASSERT_EQ(captured.size(), static_cast<size_t>(Size * Size * 4));
    EXPECT_EQ(captured[0], 255);                   // first row red
    EXPECT_EQ(captured[Size * 4 + 2], 255);        // second row blue
    EXPECT_EQ(captured[Size * 4 * (Size - 1)], 0); // last row not red
}

TEST_F(GlDeviceTest, KeptFramesArriveOnePresentLaterInOrderWithTheirTags) {
    struct Step {
        FrameRequest request;
        int red;                         // the frame's clear colour
        std::vector<long long> arriving; // tags handed over during this Present
    };
    const std::vector<Step> steps = {
        {FrameRequest::Keep, 10, {}},  {FrameRequest::Skip, 20, {0}},        {FrameRequest::Keep, 30, {}},
        {FrameRequest::Keep, 40, {2}}, {FrameRequest::KeepLast, 50, {3, 4}},
    };
    std::vector<std::pair<long long, int>> arrived; // tag, red of the top-left pixel
    std::size_t step = 0;
    FrameSink sink;
    sink.request = [&](long long* tag) {
        *tag = static_cast<long long>(step);
        return steps[step].request;
    };
    sink.take = [&](long long tag, const FrameRows& rows) {
        ASSERT_EQ(rows.width, static_cast<int>(Size));
        arrived.emplace_back(tag, rows.top[0]);
    };
    SetFrameSink(sink);
    for (step = 0; step < steps.size(); ++step) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(255, steps[step].red, 0, 0), 1.0f, 0);
        const std::size_t before = arrived.size();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        std::vector<long long> tags;
        for (std::size_t i = before; i < arrived.size(); ++i) {
            tags.push_back(arrived[i].first);
            EXPECT_EQ(arrived[i].second, steps[static_cast<std::size_t>(arrived[i].first)].red);
        }
        EXPECT_EQ(tags, steps[step].arriving) << "at Present " << step;
    }
    SetFrameSink(FrameSink());
}

TEST(GlDirect3D, AdapterAnswersComeFromTheDisplayAndTheGl) {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    GL_TEST_REQUIRE_DIRECT3D(d3d != nullptr);
    ASSERT_GE(d3d->GetAdapterCount(), 1u);
    D3DDISPLAYMODE mode{};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &mode), D3D_OK);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, TRUE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                     D3DRTYPE_SURFACE, D3DFMT_D24S8),
              D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                     D3DRTYPE_SURFACE, D3DFMT_D15S1),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, 0, D3DRTYPE_TEXTURE, D3DFMT_DXT5),
              D3D_OK);
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_NE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);
    EXPECT_NE(caps.PresentationIntervals, 0u);
    EXPECT_NE(d3d->GetAdapterMonitor(0), nullptr);
    EXPECT_EQ(d3d->GetAdapterMonitor(d3d->GetAdapterCount()), nullptr);
    EXPECT_EQ(d3d->Release(), 0u);
}

} // namespace
