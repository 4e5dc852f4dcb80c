#pragma once
// Shared set-up of the OpenGL tests: whether a missing context fails or skips, a small
// windowed device over the OpenGL 3.3 back end, back-buffer reads, and small textures made
// from colour tables.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/d3d9/d3d9.h"

namespace GlTest {

// Under CI, and wherever the environment promises a context (scripts/test.sh always
// provides a headless one and sets QUILLMOOR_EXPECT_GL=1), a Direct3D that does not come up
// is a fault of the GL capability probe, not a machine without GL.
inline bool ContextExpected() {
    const char* ci = std::getenv("CI");
    const char* expected = std::getenv("QUILLMOOR_EXPECT_GL");
    return (ci != nullptr && std::strcmp(ci, "true") == 0) ||
           (expected != nullptr && std::strcmp(expected, "1") == 0);
}

// Every GL test's answer to a Direct3D that did not come up: fail where a context is
// expected, skip elsewhere. Returns from the calling test or set-up either way.
#define GL_TEST_REQUIRE_DIRECT3D(available)                                                                  \
    do {                                                                                                     \
        if (!(available)) {                                                                                  \
            if (::GlTest::ContextExpected()) {                                                               \
                FAIL() << "no Direct3D over OpenGL 3.3, though this environment provides a GL context";      \
            }                                                                                                \
            GTEST_SKIP() << "no OpenGL 3.3 context";                                                         \
        }                                                                                                    \
    } while (false)

struct Rgb {
    int r, g, b;
};

inline void ExpectNear(const Rgb& actual, const Rgb& expected, int tolerance, const std::string& where) {
    SCOPED_TRACE(where);
    EXPECT_NEAR(actual.r, expected.r, tolerance);
    EXPECT_NEAR(actual.g, expected.g, tolerance);
    EXPECT_NEAR(actual.b, expected.b, tolerance);
}

// A colour channel in [0, 1] as the 8-bit value the back buffer holds.
inline int ToByte(float value) {
    return static_cast<int>(std::lround(std::fmin(std::fmax(value, 0.0f), 1.0f) * 255.0f));
}

// A windowed A8R8G8B8 back buffer of the given size with a D24S8 depth buffer.
inline D3DPRESENT_PARAMETERS WindowedParameters(UINT width, UINT height) {
    D3DPRESENT_PARAMETERS p{};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_A8R8G8B8;
    p.BackBufferCount = 1;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = TRUE;
    p.EnableAutoDepthStencil = TRUE;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    return p;
}

class DeviceTest : public ::testing::Test {
  protected:
    explicit DeviceTest(UINT width = 64, UINT height = 64) : width(width), height(height) {}

    // Derived fixtures call this first and return when IsSkipped() or HasFatalFailure().
    void SetUp() override {
        direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        GL_TEST_REQUIRE_DIRECT3D(direct3D != nullptr);
        D3DPRESENT_PARAMETERS p = WindowedParameters(width, height);
        p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
        ASSERT_EQ(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                         &device),
                  D3D_OK);
    }
    // A test that leaves a reference behind fails here.
    void TearDown() override {
        if (device != nullptr) {
            EXPECT_EQ(device->Release(), 0u);
            device = nullptr;
        }
        if (direct3D != nullptr) {
            EXPECT_EQ(direct3D->Release(), 0u);
            direct3D = nullptr;
        }
    }

    Rgb ReadPixel(UINT x, UINT y) {
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        if (back == nullptr) {
            return {-1, -1, -1};
        }
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const BYTE* p = static_cast<const BYTE*>(locked.pBits) + y * static_cast<UINT>(locked.Pitch) + x * 4;
        Rgb c{p[2], p[1], p[0]};
        back->UnlockRect();
        back->Release();
        return c;
    }

    // An opaque W x H texture, texels row by row from the top; the caller releases it.
    template <int W, int H> IDirect3DTexture9* MakeTexture(const Rgb (&texels)[H][W]) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(W, H, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
                  D3D_OK);
        if (texture == nullptr) {
            return nullptr;
        }
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int y = 0; y < H; ++y) {
            auto* row = static_cast<BYTE*>(locked.pBits) + y * locked.Pitch;
            for (int x = 0; x < W; ++x) {
                row[x * 4 + 0] = static_cast<BYTE>(texels[y][x].b);
                row[x * 4 + 1] = static_cast<BYTE>(texels[y][x].g);
                row[x * 4 + 2] = static_cast<BYTE>(texels[y][x].r);
                row[x * 4 + 3] = 255;
            }
        }
        texture->UnlockRect(0);
        return texture;
    }

    // A cube map of 1 x 1 faces, one colour per face in D3DCUBEMAP_FACES order.
    IDirect3DCubeTexture9* MakeCube(const Rgb (&faces)[6]) {
        IDirect3DCubeTexture9* cube = nullptr;
        EXPECT_EQ(device->CreateCubeTexture(1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr),
                  D3D_OK);
        if (cube == nullptr) {
            return nullptr;
        }
        for (int f = 0; f < 6; ++f) {
            D3DLOCKED_RECT locked{};
            EXPECT_EQ(cube->LockRect(static_cast<D3DCUBEMAP_FACES>(f), 0, &locked, nullptr, 0), D3D_OK);
            auto* texel = static_cast<BYTE*>(locked.pBits);
            texel[0] = static_cast<BYTE>(faces[f].b);
            texel[1] = static_cast<BYTE>(faces[f].g);
            texel[2] = static_cast<BYTE>(faces[f].r);
            texel[3] = 255;
            cube->UnlockRect(static_cast<D3DCUBEMAP_FACES>(f), 0);
        }
        return cube;
    }

    UINT width, height;
    IDirect3D9* direct3D = nullptr;
    IDirect3DDevice9* device = nullptr;
};

} // namespace GlTest
