// Screen quads, billboards and the overlay state, through the recording device.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "assets/screen_quad.h"
#include "assets/texture_object.h"
#include "platform/d3d9/recording_device.h"
#include "shell/device_holder.h"

namespace {

class ScreenQuadFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        device = new RecordingDevice();
        DeviceHolder::Get()->device = device;
        device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &image, nullptr);
        texture.texture = image;
    }
    void TearDown() override {
        texture.texture = nullptr;
        image->Release();
        DeviceHolder::Get()->device = nullptr;
        device->Release();
    }
    std::vector<QuadVertex> Vertices(ScreenQuad& quad) {
        void* data = nullptr;
        EXPECT_EQ(quad.vertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
        auto* v = static_cast<QuadVertex*>(data);
        std::vector<QuadVertex> copy(v, v + quad.vertexCount);
        quad.vertexBuffer->Unlock();
        return copy;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const RecordedCall& call : device->Calls()) {
            names.push_back(call.name);
        }
        return names;
    }

    RecordingDevice* device = nullptr;
    IDirect3DTexture9* image = nullptr;
    Texture2D texture;
};

TEST_F(ScreenQuadFixture, CreateMakesSixDynamicVerticesAndFillUnitWritesTheUnitQuad) {
    ScreenQuad quad;
    quad.Create(&texture);
    std::vector<RecordedCall> created = device->CallsNamed("CreateVertexBuffer");
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].args[0], "144");
    EXPECT_EQ(created[0].args[2], "0x142");
    EXPECT_EQ(quad.vertexCount, 6);
    EXPECT_EQ(quad.texture, &texture);

    device->ClearCalls();
    quad.FillUnit();
    EXPECT_FALSE(quad.locked);
    std::vector<RecordedCall> locks = device->CallsNamed("Lock");
    ASSERT_EQ(locks.size(), 1u);
    struct Expected {
        float x, y, u, v;
    };
    const Expected expected[6] = {{-0.5f, 0.5f, 0, 0}, {0.5f, 0.5f, 1, 0},  {0.5f, -0.5f, 1, 1},
                                  {-0.5f, 0.5f, 0, 0}, {0.5f, -0.5f, 1, 1}, {-0.5f, -0.5f, 0, 1}};
    std::vector<QuadVertex> v = Vertices(quad);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(v[i].x, expected[i].x);
        EXPECT_EQ(v[i].y, expected[i].y);
        EXPECT_EQ(v[i].z, 0.0f);
        EXPECT_EQ(v[i].colour, 0xFFFFFFFFu);
        EXPECT_EQ(v[i].u, expected[i].u);
        EXPECT_EQ(v[i].v, expected[i].v);
    }
}

TEST_F(ScreenQuadFixture, DrawBindsStreamsAndDrawsWholeTrianglesOnly) {
    struct Case {
        int count;
        const char* triangles;
    };
    const Case cases[] = {{6, "2"}, {7, "2"}, {8, "2"}, {9, "3"}, {5, "1"}, {2, "0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        ScreenQuad quad;
        quad.texture = &texture;
        quad.Init(c.count);
        device->ClearCalls();
        quad.Draw();
        EXPECT_EQ(Names(),
                  (std::vector<std::string>{"SetTexture", "SetStreamSource", "SetFVF", "DrawPrimitive"}));
        EXPECT_EQ(device->CallsNamed("SetTexture")[0].args[0], "0");
        EXPECT_NE(device->CallsNamed("SetTexture")[0].args[1], "null");
        EXPECT_EQ(device->CallsNamed("SetStreamSource")[0].args[3], "24");
        EXPECT_EQ(device->CallsNamed("SetFVF")[0].args[0], "0x142");
        EXPECT_EQ(device->CallsNamed("DrawPrimitive")[0].args,
                  (std::vector<std::string>{"D3DPT_TRIANGLELIST", "0", c.triangles}));
        quad.vertexBuffer->Release();
    }
}

TEST_F(ScreenQuadFixture, OverlayStateSetsItsStatesInOrder) {
    device->ClearCalls();
    OverlayState();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"SetTransform", "D3DTS_PROJECTION"},
        {"SetTransform", "D3DTS_VIEW"},
        {"SetTransform", "D3DTS_WORLD"},
        {"SetTextureStageState", "D3DTSS_ALPHAARG1"},
        {"SetTextureStageState", "D3DTSS_ALPHAARG2"},
        {"SetTextureStageState", "D3DTSS_ALPHAOP"},
        {"SetTextureStageState", "D3DTSS_COLORARG1"},
        {"SetTextureStageState", "D3DTSS_COLORARG2"},
        {"SetTextureStageState", "D3DTSS_COLOROP"},
        {"SetTextureStageState", "D3DTSS_TEXCOORDINDEX"},
        {"SetTextureStageState", "D3DTSS_TEXTURETRANSFORMFLAGS"},
        {"SetRenderState", "D3DRS_ALPHABLENDENABLE"},
        {"SetRenderState", "D3DRS_SRCBLEND"},
        {"SetRenderState", "D3DRS_ALPHAFUNC"},
        {"SetRenderState", "D3DRS_BLENDOP"},
        {"SetRenderState", "D3DRS_DESTBLEND"},
        {"SetRenderState", "D3DRS_ZENABLE"},
        {"SetRenderState", "D3DRS_AMBIENT"},
        {"SetRenderState", "D3DRS_LIGHTING"},
        {"SetRenderState", "D3DRS_CULLMODE"},
    };
    const std::vector<RecordedCall>& calls = device->Calls();
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].name, expected[i].first) << i;
        const std::string& state =
            calls[i].name == "SetTextureStageState" ? calls[i].args[1] : calls[i].args[0];
        EXPECT_EQ(state, expected[i].second) << i;
    }
    const std::pair<D3DRENDERSTATETYPE, DWORD> values[] = {
        {D3DRS_ALPHABLENDENABLE, TRUE},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_ALPHAFUNC, D3DCMP_GREATER},
        {D3DRS_AMBIENT, 0x00202020},
        {D3DRS_CULLMODE, D3DCULL_NONE},
        {D3DRS_LIGHTING, FALSE},
        {D3DRS_ZENABLE, D3DZB_TRUE},
    };
    for (const auto& [state, value] : values) {
        DWORD now = 0;
        device->GetRenderState(state, &now);
        EXPECT_EQ(now, value) << state;
    }
}

TEST_F(ScreenQuadFixture, UnitQuadCoversTheViewportAfterOverlayState) {
    OverlayState();
    D3DMATRIX p{};
    device->GetTransform(D3DTS_PROJECTION, &p);
    ScreenQuad quad;
    quad.Create(&texture);
    quad.FillUnit();
    // Clip-space x and y of the corners: the top-left vertex lands on (-1, 1), depth 0.
    std::vector<QuadVertex> v = Vertices(quad);
    float minX = 2, maxX = -2, minY = 2, maxY = -2;
    for (const QuadVertex& q : v) {
        float x = q.x * p._11 + q.y * p._21 + q.z * p._31 + p._41;
        float y = q.x * p._12 + q.y * p._22 + q.z * p._32 + p._42;
        float z = q.x * p._13 + q.y * p._23 + q.z * p._33 + p._43;
        float w = q.x * p._14 + q.y * p._24 + q.z * p._34 + p._44;
        minX = std::min(minX, x / w), maxX = std::max(maxX, x / w);
        minY = std::min(minY, y / w), maxY = std::max(maxY, y / w);
        EXPECT_EQ(z, 0.0f);
        if (q.u == 0 && q.v == 0) {
            EXPECT_FLOAT_EQ(x / w, -1.0f);
            EXPECT_FLOAT_EQ(y / w, 1.0f);
        }
    }
    EXPECT_FLOAT_EQ(minX, -1.0f);
    EXPECT_FLOAT_EQ(maxX, 1.0f);
    EXPECT_FLOAT_EQ(minY, -1.0f);
    EXPECT_FLOAT_EQ(maxY, 1.0f);
}

TEST_F(ScreenQuadFixture, BillboardFacesARollingCamera) {
    D3DXVECTOR3 eye(3, -2, -10), at(1, 1, 1), up(std::sin(0.7f), std::cos(0.7f), 0);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    device->SetTransform(D3DTS_VIEW, &view);
    Billboard board;
    board.Create(&texture);
    board.position = D3DXVECTOR3(1, 2, 3);
    board.halfWidth = 0.5f;
    board.halfHeight = 2.0f;
    device->ClearCalls();
    board.Draw();
    EXPECT_FALSE(board.locked);
    ASSERT_EQ(device->CallsNamed("DrawPrimitive").size(), 1u);
    std::vector<QuadVertex> v = Vertices(board);
    auto toView = [&](const QuadVertex& q) {
        return D3DXVECTOR3(q.x * view._11 + q.y * view._21 + q.z * view._31 + view._41,
                           q.x * view._12 + q.y * view._22 + q.z * view._32 + view._42,
                           q.x * view._13 + q.y * view._23 + q.z * view._33 + view._43);
    };
    // In view space the corners form an upright rectangle at the billboard's depth.
    D3DXVECTOR3 c0 = toView(v[0]), c1 = toView(v[1]), c2 = toView(v[2]), c5 = toView(v[5]);
    EXPECT_NEAR(c1.x - c0.x, 1.0f, 1e-4);
    EXPECT_NEAR(c1.y - c0.y, 0.0f, 1e-4);
    EXPECT_NEAR(c5.x - c0.x, 0.0f, 1e-4);
    EXPECT_NEAR(c5.y - c0.y, 4.0f, 1e-4);
    EXPECT_NEAR(c2.z - c0.z, 0.0f, 1e-4);
    EXPECT_NEAR(c5.z - c0.z, 0.0f, 1e-4);
    EXPECT_EQ(v[3].x, v[0].x);
    EXPECT_EQ(v[4].y, v[2].y);
    const float uv[6][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(v[i].u, uv[i][0]);
        EXPECT_EQ(v[i].v, uv[i][1]);
        EXPECT_EQ(v[i].colour, 0xFFFFFFFFu);
    }
}

} // namespace
