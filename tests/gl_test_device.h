#pragma once
// Shared set-up of the OpenGL pixel tests: a small windowed device over the OpenGL 3.3
// back end (the test skips where no context can be made), back-buffer reads, and small
// textures made from colour tables.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/d3d9/d3d9.h"

namespace GlTest {

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

class DeviceTest : public ::testing::Test {
  protected:
    explicit DeviceTest(UINT width = 64, UINT height = 64) : width(width), height(height) {}

    // Derived fixtures call this first and return when IsSkipped().
    void SetUp() override {
        direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        if (direct3D == nullptr) {
            GTEST_SKIP() << "no OpenGL 3.3 context";
        }
        D3DPRESENT_PARAMETERS p{};
        p.BackBufferWidth = width;
        p.BackBufferHeight = height;
        p.BackBufferFormat = D3DFMT_A8R8G8B8;
        p.BackBufferCount = 1;
        p.SwapEffect = D3DSWAPEFFECT_DISCARD;
        p.Windowed = TRUE;
        p.EnableAutoDepthStencil = TRUE;
        p.AutoDepthStencilFormat = D3DFMT_D24S8;
        ASSERT_EQ(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &p,
                                         &device),
                  D3D_OK);
    }
    void TearDown() override {
        if (device != nullptr) {
            device->Release();
            device = nullptr;
        }
        if (direct3D != nullptr) {
            direct3D->Release();
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
