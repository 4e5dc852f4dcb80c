// An effect drawn by the OpenGL device headless. Expected pixels follow the lighting formula
// written in tests/data/fx/lit.fx, evaluated here with Direct3D's matrix conventions.

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"
#include "tests/gl_test_device.h"

namespace {

constexpr UINT Size = 64;

struct LitVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

struct ColourVertex {
    float x, y, z;
    D3DCOLOR colour;
};

using GlTest::Rgb;

// 2 x 2 base texture, row by row from the top.
constexpr Rgb Texels[2][2] = {{{200, 100, 40}, {40, 200, 100}}, {{100, 40, 200}, {250, 250, 250}}};
// One colour per cube face in D3DCUBEMAP_FACES order.
constexpr Rgb Faces[6] = {{255, 0, 0},   {0, 128, 255}, {0, 255, 0},
                          {255, 255, 0}, {255, 0, 255}, {0, 255, 255}};

class EffectGlTest : public GlTest::DeviceTest {
  protected:
    EffectGlTest() : DeviceTest(Size, Size) {}

    void SetUp() override {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        std::wstring path = WindowsPath::Widen(std::string(QUILLMOOR_TEST_DATA) + "/fx/lit.fx");
        ID3DXBuffer* errors = nullptr;
        HRESULT hr =
            D3DXCreateEffectFromFileW(device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors);
        if (errors != nullptr) {
            ADD_FAILURE() << static_cast<const char*>(errors->GetBufferPointer());
            errors->Release();
        }
        ASSERT_EQ(hr, D3D_OK);
        base = MakeTexture(Texels);
        cube = MakeCube(Faces);
        ASSERT_NE(base, nullptr);
        ASSERT_NE(cube, nullptr);
    }
    void TearDown() override {
        if (effect != nullptr) {
            effect->Release();
        }
        if (base != nullptr) {
            base->Release();
        }
        if (cube != nullptr) {
            cube->Release();
        }
        if (device != nullptr) {
            EXPECT_EQ(device->Release(), 0u);
            device = nullptr;
        }
        DeviceTest::TearDown();
    }

    // Sets the parameters: the quad [-1, 1]^2 lands on clip x 0..1, y -0.5..0.5.
    void SetParameters(ID3DXEffect* e, const float ambient[4]) {
        D3DXMATRIX scale, move, wvp;
        D3DXMatrixScaling(&scale, 0.5f, 0.5f, 1.0f);
        D3DXMatrixTranslation(&move, 0.5f, 0.0f, 0.5f);
        D3DXMatrixMultiply(&wvp, &scale, &move);
        ASSERT_EQ(e->SetMatrix("matWorldViewProj", &wvp), D3D_OK);
        ASSERT_EQ(e->SetMatrix("matWorld", &world), D3D_OK);
        ASSERT_EQ(e->SetValue("vecLightDir", light, sizeof(light)), D3D_OK);
        ASSERT_EQ(e->SetValue("colAmbient", ambient, 16), D3D_OK);
        const D3DXVECTOR4 tint{0.25f, 0.25f, 0.25f, 0.0f};
        ASSERT_EQ(e->SetVector("colTint", &tint), D3D_OK);
        ASSERT_EQ(e->SetTexture("tBase", base), D3D_OK);
        ASSERT_EQ(e->SetTexture("tEnv", cube), D3D_OK);
    }

    void DrawLit(ID3DXEffect* e) {
        const LitVertex corners[4] = {{-1, 1, 0, 0, 0, -1, 0, 0},
                                      {1, 1, 0, 0, 0, -1, 1, 0},
                                      {1, -1, 0, 0, 0, -1, 1, 1},
                                      {-1, -1, 0, 0, 0, -1, 0, 1}};
        const LitVertex v[6] = {corners[0], corners[1], corners[2], corners[0], corners[2], corners[3]};
        Draw(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, v, sizeof(LitVertex), e);
    }

    void Draw(DWORD fvf, const void* vertices, UINT stride, ID3DXEffect* e) {
        IDirect3DVertexBuffer9* vb = nullptr;
        ASSERT_EQ(
            device->CreateVertexBuffer(stride * 6, D3DUSAGE_DYNAMIC, fvf, D3DPOOL_DEFAULT, &vb, nullptr),
            D3D_OK);
        void* data = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, vertices, stride * 6);
        vb->Unlock();
        device->SetFVF(fvf);
        device->SetStreamSource(0, vb, 0, stride);
        if (e != nullptr) {
            UINT passes = 0;
            ASSERT_EQ(e->Begin(&passes, 0), D3D_OK);
            ASSERT_EQ(passes, 1u);
            ASSERT_EQ(e->BeginPass(0), D3D_OK);
        }
        EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
        if (e != nullptr) {
            e->EndPass();
            e->End();
        }
        device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
    }

    // The fixture's formula for the texel at (tx, ty).
    Rgb Expected(int tx, int ty, const float ambient[4]) const {
        // n = (0, 0, -1) . matWorld (upper 3x3), with D3DX's row-vector convention.
        float n[3] = {-world.m[2][0], -world.m[2][1], -world.m[2][2]};
        float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (float& c : n) {
            c /= length;
        }
        float d = std::clamp(-(n[0] * light[0] + n[1] * light[1] + n[2] * light[2]), 0.0f, 1.0f);
        // The normal's major axis picks the cube face.
        int axis = 0;
        for (int a = 1; a < 3; ++a) {
            if (std::fabs(n[a]) > std::fabs(n[axis])) {
                axis = a;
            }
        }
        const Rgb& face = Faces[axis * 2 + (n[axis] < 0 ? 1 : 0)];
        const float diffuse[3] = {0.5f, 0.25f, 1.0f}; // the file's default
        const Rgb& t = Texels[ty][tx];
        const int texel[3] = {t.r, t.g, t.b}, env[3] = {face.r, face.g, face.b};
        int out[3];
        for (int c = 0; c < 3; ++c) {
            float v = texel[c] / 255.0f * (ambient[c] + diffuse[c] * d) + env[c] / 255.0f * 0.25f;
            out[c] = static_cast<int>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
        }
        return {out[0], out[1], out[2]};
    }

    ID3DXEffect* effect = nullptr;
    IDirect3DTexture9* base = nullptr;
    IDirect3DCubeTexture9* cube = nullptr;
    D3DXMATRIX world = [] {
        D3DXMATRIX m;
        D3DXMatrixRotationY(&m, 3.14159265f / 3.0f);
        return m;
    }();
    const float light[4] = {0.8f, 0.0f, 0.6f, 0.0f};
};

void ExpectNear(const Rgb& actual, const Rgb& expected, const char* where) {
    GlTest::ExpectNear(actual, expected, 3, where);
}

TEST_F(EffectGlTest, LitTexturedCubeMappedQuadFollowsTheFormula) {
    const float ambient[4] = {0.1f, 0.2f, 0.05f, 1.0f};
    SetParameters(effect, ambient);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, D3DCOLOR_XRGB(10, 20, 30), 1.0f, 0);
    device->BeginScene();
    DrawLit(effect);
    device->EndScene();
    // The quad covers pixels 32..63 across and 16..47 down; point-sampled texels by quadrant.
    ExpectNear(ReadPixel(36, 20), Expected(0, 0, ambient), "top left");
    ExpectNear(ReadPixel(60, 20), Expected(1, 0, ambient), "top right");
    ExpectNear(ReadPixel(36, 44), Expected(0, 1, ambient), "bottom left");
    ExpectNear(ReadPixel(60, 44), Expected(1, 1, ambient), "bottom right");
    ExpectNear(ReadPixel(28, 32), {10, 20, 30}, "left of the quad");
    ExpectNear(ReadPixel(48, 12), {10, 20, 30}, "above the quad");
    ExpectNear(ReadPixel(48, 50), {10, 20, 30}, "below the quad");
}

TEST_F(EffectGlTest, InstancesSharingAProgramKeepTheirOwnValuesAndFixedFunctionResumes) {
    ID3DXEffect* second = nullptr;
    std::wstring path = WindowsPath::Widen(std::string(QUILLMOOR_TEST_DATA) + "/fx/lit.fx");
    ASSERT_EQ(D3DXCreateEffectFromFileW(device, path.c_str(), nullptr, nullptr, 0, nullptr, &second, nullptr),
              D3D_OK);
    const float dim[4] = {0.1f, 0.1f, 0.1f, 1.0f};
    const float bright[4] = {0.6f, 0.5f, 0.4f, 1.0f};
    SetParameters(effect, dim);
    SetParameters(second, bright);
    // Both instances of the file run the one program linked for it.
    GLint programs[2] = {};
    for (int i = 0; i < 2; ++i) {
        ID3DXEffect* e = i == 0 ? effect : second;
        UINT passes = 0;
        ASSERT_EQ(e->Begin(&passes, 0), D3D_OK);
        ASSERT_EQ(e->BeginPass(0), D3D_OK);
        glGetIntegerv(GL_CURRENT_PROGRAM, &programs[i]);
        e->EndPass();
        e->End();
    }
    EXPECT_NE(programs[0], 0);
    EXPECT_EQ(programs[0], programs[1]);
    for (ID3DXEffect* e : {effect, second, effect}) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
        device->BeginScene();
        DrawLit(e);
        device->EndScene();
        ExpectNear(ReadPixel(36, 20), Expected(0, 0, e == effect ? dim : bright),
                   e == effect ? "first" : "second");
    }
    second->Release();

    // After End the device draws with its own pipeline again: an untextured, unlit quad on
    // the left half takes its vertex colour, and the effect's pixels stay.
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_PROJECTION, &identity);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetTexture(0, nullptr);
    const D3DCOLOR colour = D3DCOLOR_XRGB(90, 160, 220);
    const ColourVertex v[6] = {{-1, 1, 0.5f, colour}, {0, 1, 0.5f, colour},  {0, -1, 0.5f, colour},
                               {-1, 1, 0.5f, colour}, {0, -1, 0.5f, colour}, {-1, -1, 0.5f, colour}};
    device->BeginScene();
    Draw(D3DFVF_XYZ | D3DFVF_DIFFUSE, v, sizeof(ColourVertex), nullptr);
    device->EndScene();
    ExpectNear(ReadPixel(10, 32), {90, 160, 220}, "fixed function");
    ExpectNear(ReadPixel(36, 20), Expected(0, 0, dim), "effect pixels kept");
}

TEST_F(EffectGlTest, CompileArgumentsFeedUniformParameters) {
    std::wstring path = WindowsPath::Widen(std::string(QUILLMOOR_TEST_DATA) + "/fx/arguments.fx");
    ID3DXEffect* arguments = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr =
        D3DXCreateEffectFromFileW(device, path.c_str(), nullptr, nullptr, 0, nullptr, &arguments, &errors);
    if (errors != nullptr) {
        ADD_FAILURE() << static_cast<const char*>(errors->GetBufferPointer());
        errors->Release();
    }
    ASSERT_EQ(hr, D3D_OK);
    struct Case {
        const char* technique;
        Rgb centre;
    };
    const Case cases[] = {{"Red", {255, 0, 0}}, {"Cyan", {0, 255, 255}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.technique);
        ASSERT_EQ(arguments->SetTechnique(c.technique), D3D_OK);
        const float corners[6][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, 1}, {1, -1}, {-1, -1}};
        ColourVertex v[6];
        for (int i = 0; i < 6; ++i) {
            v[i] = {corners[i][0], corners[i][1], 0.0f, 0xFFFFFFFF};
        }
        device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
        device->BeginScene();
        Draw(D3DFVF_XYZ | D3DFVF_DIFFUSE, v, sizeof(ColourVertex), arguments);
        device->EndScene();
        // Scaled by the argument 0.5: the middle half of the target only.
        ExpectNear(ReadPixel(Size / 2, Size / 2), c.centre, "centre");
        ExpectNear(ReadPixel(Size / 4 + 1, Size / 4 + 1), c.centre, "inner corner");
        ExpectNear(ReadPixel(Size / 4 - 2, Size / 2), {0, 0, 0}, "outside");
    }
    arguments->Release();
}

} // namespace
