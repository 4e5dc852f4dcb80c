// Calls Direct3D 9 refuses with D3DERR_INVALIDCALL because they reach outside a buffer or a
// texture: locks past a buffer's end, draws whose vertices or indices lie outside the bound
// buffers, strides that do not hold a vertex, texture levels and faces that do not exist.
// Both devices answer the same; a refused call touches nothing: the buffers keep their
// bytes and (on the OpenGL device) nothing is drawn.
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/recording_device.h"

#include "tests/gl_test_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr UINT Size = 16;
constexpr DWORD QuadFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
constexpr D3DCOLOR Background = D3DCOLOR_XRGB(0, 0, 255);

struct QuadVertex {
    float x, y, z;
    D3DCOLOR colour;
};
static_assert(sizeof(QuadVertex) == 16);

// A red quad over the whole target, as a triangle list of six vertices.
constexpr QuadVertex Quad[6] = {
    {-1, -1, 0.5f, 0xFFFF0000}, {-1, 1, 0.5f, 0xFFFF0000}, {1, 1, 0.5f, 0xFFFF0000},
    {-1, -1, 0.5f, 0xFFFF0000}, {1, 1, 0.5f, 0xFFFF0000},  {1, -1, 0.5f, 0xFFFF0000},
};

enum class DeviceKind { OpenGl, Recording };

// What a case works on: the device with the quad bound (FVF, stream 0, indices 0 to 5) and
// a 4 x 4 texture and cube map of three levels each.
struct Bound {
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DCubeTexture9* cube = nullptr;
};

void*& Unused() {
    static void* pointer = nullptr;
    return pointer;
}

struct InvalidCall {
    const char* name;
    std::function<HRESULT(Bound&)> call;
    // The recording device draws nothing and so reads no index; only the OpenGL device,
    // which would read past its buffer, checks the index values themselves.
    bool openGlOnly = false;
};

void PrintTo(const InvalidCall& c, std::ostream* out) {
    *out << c.name;
}

const InvalidCall invalidCalls[] = {
    {"LockOffsetPastTheEnd", [](Bound& b) { return b.vertices->Lock(100, 0, &Unused(), 0); }},
    {"LockRangeOverrunsTheEnd", [](Bound& b) { return b.vertices->Lock(80, 32, &Unused(), 0); }},
    {"LockSizeWrapsAround", [](Bound& b) { return b.vertices->Lock(16, 0xFFFFFFF0u, &Unused(), 0); }},
    {"IndexLockPastTheEnd", [](Bound& b) { return b.indices->Lock(8, 8, &Unused(), 0); }},
    {"DrawPastTheLastVertex", [](Bound& b) { return b.device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2); }},
    {"DrawFromAStreamOffsetThatLeavesTooFewVertices",
     [](Bound& b) {
         b.device->SetStreamSource(0, b.vertices, 16, sizeof(QuadVertex));
         return b.device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
     }},
    {"DrawWithAStrideShorterThanTheFvfVertex",
     [](Bound& b) {
         b.device->SetStreamSource(0, b.vertices, 0, 12);
         return b.device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
     }},
    {"DrawWithoutAPositionInTheFvf",
     [](Bound& b) {
         b.device->SetFVF(D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1);
         return b.device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
     }},
    {"DrawWithAnFvfOfMoreThanEightTextureSets",
     [](Bound& b) {
         b.device->SetFVF(D3DFVF_XYZ | D3DFVF_TEXCOUNT_MASK);
         return b.device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
     }},
    {"StreamStrideAboveTheMaximum",
     [](Bound& b) { return b.device->SetStreamSource(0, b.vertices, 0, 256); }},
    {"IndexedDrawPastTheLastIndex",
     [](Bound& b) { return b.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 3, 2); }},
    {"IndexedDrawVertexRangePastTheBuffer",
     [](Bound& b) { return b.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 7, 0, 2); }},
    {"IndexedDrawBaseVertexPushesPastTheBuffer",
     [](Bound& b) { return b.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 1, 0, 6, 0, 2); }},
    {"IndexedDrawNegativeBaseVertex",
     [](Bound& b) { return b.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -1, 0, 6, 0, 2); }},
    {"IndexedDrawWithAnIndexPastTheVertices",
     [](Bound& b) {
         void* data = nullptr;
         b.indices->Lock(10, 2, &data, 0);
         *static_cast<WORD*>(data) = 9;
         b.indices->Unlock();
         return b.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 2);
     },
     true},
    {"TextureLockOfALevelPastTheChain",
     [](Bound& b) {
         D3DLOCKED_RECT locked{};
         return b.texture->LockRect(3, &locked, nullptr, 0);
     }},
    {"TextureLockOfARectangleOutsideTheLevel",
     [](Bound& b) {
         D3DLOCKED_RECT locked{};
         const RECT outside{0, 0, 3, 3}; // level 1 is 2 x 2
         return b.texture->LockRect(1, &locked, &outside, 0);
     }},
    {"SurfaceOfALevelPastTheChain",
     [](Bound& b) {
         IDirect3DSurface9* surface = nullptr;
         return b.texture->GetSurfaceLevel(3, &surface);
     }},
    {"DescriptionOfALevelPastTheChain",
     [](Bound& b) {
         D3DSURFACE_DESC desc{};
         return b.texture->GetLevelDesc(3, &desc);
     }},
    {"UnlockOfALevelNotLocked", [](Bound& b) { return b.texture->UnlockRect(1); }},
    {"CubeLockOfALevelPastTheChain",
     [](Bound& b) {
         D3DLOCKED_RECT locked{};
         return b.cube->LockRect(D3DCUBEMAP_FACE_POSITIVE_X, 3, &locked, nullptr, 0);
     }},
    {"CubeLockOfAFaceThatDoesNotExist",
     [](Bound& b) {
         D3DLOCKED_RECT locked{};
         return b.cube->LockRect(static_cast<D3DCUBEMAP_FACES>(6), 0, &locked, nullptr, 0);
     }},
};

class BoundQuadTest {
  protected:
    // A skip where no OpenGL device can be made, a failure where one is expected.
    void Start(DeviceKind kind) {
        kind_ = kind;
        if (kind == DeviceKind::Recording) {
            bound.device = new RecordingDevice();
        } else {
            direct3D = Direct3DCreate9(D3D_SDK_VERSION);
            GL_TEST_REQUIRE_DIRECT3D(direct3D != nullptr);
            D3DPRESENT_PARAMETERS p = GlTest::WindowedParameters(Size, Size);
            ASSERT_EQ(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                             &p, &bound.device),
                      D3D_OK);
        }
        IDirect3DDevice9* d = bound.device;
        ASSERT_EQ(d->CreateVertexBuffer(sizeof Quad, D3DUSAGE_WRITEONLY, QuadFvf, D3DPOOL_MANAGED,
                                        &bound.vertices, nullptr),
                  D3D_OK);
        void* data = nullptr;
        ASSERT_EQ(bound.vertices->Lock(0, 0, &data, 0), D3D_OK);
        std::memcpy(data, Quad, sizeof Quad);
        bound.vertices->Unlock();
        ASSERT_EQ(d->CreateIndexBuffer(6 * sizeof(WORD), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                       &bound.indices, nullptr),
                  D3D_OK);
        ASSERT_EQ(bound.indices->Lock(0, 0, &data, 0), D3D_OK);
        for (WORD i = 0; i < 6; ++i) {
            static_cast<WORD*>(data)[i] = i;
        }
        bound.indices->Unlock();
        ASSERT_EQ(d->CreateTexture(4, 4, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &bound.texture, nullptr),
                  D3D_OK);
        ASSERT_EQ(d->CreateCubeTexture(4, 3, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &bound.cube, nullptr),
                  D3D_OK);

        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        d->SetFVF(QuadFvf);
        d->SetStreamSource(0, bound.vertices, 0, sizeof(QuadVertex));
        d->SetIndices(bound.indices);
        d->Clear(0, nullptr, D3DCLEAR_TARGET, Background, 1.0f, 0);
        d->BeginScene();
    }

    void Stop() {
        if (bound.device != nullptr) {
            bound.device->EndScene();
            bound.device->SetStreamSource(0, nullptr, 0, 0);
            bound.device->SetIndices(nullptr);
        }
        for (IUnknown* object : std::initializer_list<IUnknown*>{bound.cube, bound.texture, bound.indices,
                                                                 bound.vertices, bound.device, direct3D}) {
            if (object != nullptr) {
                object->Release();
            }
        }
    }

    bool OnOpenGl() const { return kind_ == DeviceKind::OpenGl; }

    // The centre pixel of the back buffer as 0xRRGGBB.
    DWORD CentrePixel() {
        IDirect3DSurface9* back = nullptr;
        EXPECT_EQ(bound.device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(back->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        DWORD pixel = 0;
        std::memcpy(&pixel,
                    static_cast<const BYTE*>(locked.pBits) + (Size / 2) * locked.Pitch + (Size / 2) * 4, 4);
        back->UnlockRect();
        back->Release();
        return pixel & 0xFFFFFF;
    }

    std::vector<BYTE> VertexBytes() {
        void* data = nullptr;
        EXPECT_EQ(bound.vertices->Lock(0, 0, &data, 0), D3D_OK);
        std::vector<BYTE> bytes(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + sizeof Quad);
        bound.vertices->Unlock();
        return bytes;
    }

    DeviceKind kind_ = DeviceKind::Recording;
    IDirect3D9* direct3D = nullptr;
    Bound bound;
};

class InvalidCallTest : public BoundQuadTest,
                        public ::testing::TestWithParam<std::tuple<DeviceKind, InvalidCall>> {
  protected:
    void SetUp() override { Start(std::get<DeviceKind>(GetParam())); }
    void TearDown() override { Stop(); }
};

class InBufferDrawTest : public BoundQuadTest, public ::testing::TestWithParam<DeviceKind> {
  protected:
    void SetUp() override { Start(GetParam()); }
    void TearDown() override { Stop(); }
};

TEST_P(InvalidCallTest, IsRefusedAndTouchesNothing) {
    const InvalidCall& c = std::get<InvalidCall>(GetParam());
    if (c.openGlOnly && !OnOpenGl()) {
        GTEST_SKIP() << "the recording device reads no index values";
    }
    EXPECT_EQ(c.call(bound), D3DERR_INVALIDCALL);
    const std::vector<BYTE> original(reinterpret_cast<const BYTE*>(Quad),
                                     reinterpret_cast<const BYTE*>(Quad + 6));
    EXPECT_EQ(VertexBytes(), original);
    if (OnOpenGl()) {
        EXPECT_EQ(CentrePixel(), Background & 0xFFFFFF) << "a refused call drew";
    }
}

// Draws inside the buffers do draw, so the test above can see a draw that was not refused.
TEST_P(InBufferDrawTest, TheQuadInsideItsBuffersIsDrawn) {
    EXPECT_EQ(bound.device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(bound.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 2), D3D_OK);
    EXPECT_EQ(bound.device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 3, 0, 3, 0, 1), D3D_OK);
    if (OnOpenGl()) {
        EXPECT_EQ(CentrePixel(), 0xFF0000u);
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<DeviceKind, InvalidCall>>& info) {
    const char* device = std::get<DeviceKind>(info.param) == DeviceKind::OpenGl ? "OpenGl_" : "Recording_";
    return device + std::string(std::get<InvalidCall>(info.param).name);
}

INSTANTIATE_TEST_SUITE_P(BothDevices, InvalidCallTest,
                         ::testing::Combine(::testing::Values(DeviceKind::OpenGl, DeviceKind::Recording),
                                            ::testing::ValuesIn(invalidCalls)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(BothDevices, InBufferDrawTest,
                         ::testing::Values(DeviceKind::OpenGl, DeviceKind::Recording),
                         [](const ::testing::TestParamInfo<DeviceKind>& info) {
                             return std::string(info.param == DeviceKind::OpenGl ? "OpenGl" : "Recording");
                         });

} // namespace
