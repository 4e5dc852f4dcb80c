#include "scenes/water_room_scene.h"

#include <cmath>
#include <array>
#include <cstring>
#include <fstream>

#include "scene_test_support.h"

namespace {

using namespace SceneTestSupport;

class WaterRoomSceneTest : public SceneTest {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        // Water with a vertex at the origin and one away from it, both with texture coordinates.
        std::ofstream("data/meshes/blobroom03_wasser.x", std::ios::trunc) << R"(xof 0303txt 0032
Mesh Water {
 3;
 0.0;0.0;0.0;,
 30.0;2.0;-12.0;,
 0.0;0.0;10.0;;
 1;
 3;0,1,2;;
 MeshNormals { 1; 0.0;1.0;0.0;; 1; 3;0,0,0;; }
 MeshTextureCoords { 3; 0.0;0.0;, 0.25;0.5;, 1.0;1.0;; }
 MeshMaterialList { 1; 1; 0;; Material { 1.0;1.0;1.0;1.0;; 1.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; } }
}
)";
        scene.Init();
    }

    // Position and texture coordinates of water vertex i as last written.
    std::array<float, 5> WaterVertex(int i) {
        IDirect3DVertexBuffer9* buffer = nullptr;
        scene.water.mesh->GetVertexBuffer(&buffer);
        void* data = nullptr;
        buffer->Lock(0, 0, &data, 0);
        const auto* v = reinterpret_cast<const float*>(static_cast<const BYTE*>(data) + i * 32);
        const std::array<float, 5> out{v[0], v[1], v[2], v[6], v[7]};
        buffer->Unlock();
        buffer->Release();
        return out;
    }

    WaterRoomScene scene;
};

TEST_F(WaterRoomSceneTest, AtWaterClockZeroTheOriginVertexSitsAtItsRestHeight) {
    ASSERT_NE(scene.water.mesh, nullptr);
    ASSERT_EQ(scene.waterRestPositions.size(), 3u);
    Frame(scene, 139.863f, 0.0f);
    const std::array<float, 5> origin = WaterVertex(0);
    EXPECT_NEAR(origin[1], 0.0f, 1e-6f);
    EXPECT_NEAR(origin[3], 0.0f + 0.1f * (0.0f + 1.0f), 1e-6f);
    EXPECT_NEAR(origin[4], 0.0f, 1e-6f);
}

TEST_F(WaterRoomSceneTest, TheSurfaceIsAFunctionOfTheWaterClock) {
    Frame(scene, 140.0f, 0.25f);
    Frame(scene, 140.25f, 0.25f);
    const float w = 0.5f;
    const float x = 30.0f, y = 2.0f, z = -12.0f, s = x + z;
    const float expectedY = y - 5.0f + std::cos(x * 0.06666667f + z * 0.083333336f + 1.7f * w) +
                            std::cos(0.02f * x + 0.1f * z + 1.5f * w) + 3.0f * std::cos(0.01f * s + w) +
                            std::sin(0.025f * x + 0.04f * z + 2.0f * w) +
                            std::sin(0.025f * x + z * 0.016666668f + 2.3f * w);
    const float expectedU = 0.25f + 0.1f * (std::sin(0.02f * s + 0.5f * w) + std::cos(s * 0.033333335f + w));
    const float expectedV = 0.5f + 0.1f * (std::sin(0.05f * s + w) + std::sin(s * 0.02173913f + 0.5f * w));
    const std::array<float, 5> vertex = WaterVertex(1);
    EXPECT_EQ(vertex[0], x);
    EXPECT_NEAR(vertex[1], expectedY, 1e-5f);
    EXPECT_EQ(vertex[2], z);
    EXPECT_NEAR(vertex[3], expectedU, 1e-6f);
    EXPECT_NEAR(vertex[4], expectedV, 1e-6f);
}

TEST_F(WaterRoomSceneTest, ShotTwoStartsAt141Point959AndLooksDownOnTheWater) {
    Frame(scene, 141.95f, 0.02f);
    EXPECT_EQ(scene.currentShot, 1);
    Frame(scene, 141.959f, 0.02f);
    EXPECT_EQ(scene.currentShot, 2);
    EXPECT_FLOAT_EQ(scene.eye.x, 90.0f * 0.02f - 80.0f);
    const D3DXVECTOR3 eye(90.0f * 0.02f - 80.0f, 120.0f, 50.0f), at(0, 0, 0), up(1, 0, 0);
    D3DXMATRIX expected;
    D3DXMatrixLookAtLH(&expected, &eye, &at, &up);
    ExpectMatrixNear(View(), expected, 1e-5f);
}

TEST_F(WaterRoomSceneTest, ASkippedShotKeepsItsClockAtZero) {
    Frame(scene, 140.0f, 0.1f);
    Frame(scene, 147.0f, 7.0f);
    EXPECT_EQ(scene.currentShot, 5);
    EXPECT_FLOAT_EQ(scene.shotClocks[4], 7.0f);
    for (int shot = 1; shot < 4; ++shot) {
        EXPECT_EQ(scene.shotClocks[shot], 0.0f) << "shot " << shot + 1;
    }
}

TEST_F(WaterRoomSceneTest, ShotsThreeAndFourBeginAtBoundsComparedInDoublePrecision) {
    // The float nearest 143.635 lies just below it, so in double precision it still belongs
    // to shot 2; the next float up is shot 3.
    ASSERT_LT(static_cast<double>(143.635f), 143.635);
    Frame(scene, 143.635f, 0.01f);
    EXPECT_EQ(scene.currentShot, 2);
    Frame(scene, std::nextafter(143.635f, 200.0f), 0.01f);
    EXPECT_EQ(scene.currentShot, 3);
    ASSERT_LT(static_cast<double>(145.295f), 145.295);
    Frame(scene, 145.295f, 0.01f);
    EXPECT_EQ(scene.currentShot, 3);
    Frame(scene, 146.963f, 0.01f);
    EXPECT_EQ(scene.currentShot, 5) << "a float bound belongs to the later shot";
}

TEST_F(WaterRoomSceneTest, WaterIsDrawnAdditivelyWithoutDepthWrites) {
    Frame(scene, 150.0f, 0.02f);
    std::vector<std::string> blendStates;
    for (const RecordedCall& call : device->CallsNamed("SetRenderState")) {
        if (call.args[0] == "D3DRS_SRCBLEND" || call.args[0] == "D3DRS_DESTBLEND" ||
            call.args[0] == "D3DRS_ZWRITEENABLE") {
            blendStates.push_back(call.args[0] + "=" + call.args[1]);
        }
    }
    // Water (one, one, no depth writes), then depth writes back on, then the overlay state.
    ASSERT_GE(blendStates.size(), 4u);
    EXPECT_EQ(blendStates[0], "D3DRS_ZWRITEENABLE=0");
    EXPECT_EQ(blendStates[1], "D3DRS_SRCBLEND=2");
    EXPECT_EQ(blendStates[2], "D3DRS_DESTBLEND=2");
    EXPECT_EQ(blendStates[3], "D3DRS_ZWRITEENABLE=1");
}

// A water mesh of another vertex layout: the ripple reads and writes the fields where the
// mesh has them, leaves out texture coordinates it does not have, and touches nothing else.
struct WaterLayout {
    const char* name;
    const char* extraBlocks; // .x blocks after the faces
    UINT stride;
    int normalOffset;   // -1: none
    int texCoordOffset; // -1: none
};

void PrintTo(const WaterLayout& layout, std::ostream* out) {
    *out << layout.name;
}

constexpr WaterLayout waterLayouts[] = {
    {"PositionNormalUv",
     " MeshNormals { 1; 0.0;1.0;0.0;; 1; 3;0,0,0;; }\n MeshTextureCoords { 3; 0.0;0.0;, 0.25;0.5;, 1.0;1.0;; "
     "}\n",
     32, 12, 24},
    {"PositionUv", " MeshTextureCoords { 3; 0.0;0.0;, 0.25;0.5;, 1.0;1.0;; }\n", 20, -1, 12},
    {"PositionNormal", " MeshNormals { 1; 0.0;1.0;0.0;; 1; 3;0,0,0;; }\n", 24, 12, -1},
    {"PositionOnly", "", 12, -1, -1},
};

class WaterLayoutTest : public SceneTest, public ::testing::WithParamInterface<WaterLayout> {
  protected:
    void SetUp() override {
        SceneTest::SetUp();
        std::ofstream("data/meshes/blobroom03_wasser.x", std::ios::trunc)
            << "xof 0303txt 0032\nMesh Water {\n 3;\n 0.0;0.0;0.0;,\n 30.0;2.0;-12.0;,\n 0.0;0.0;10.0;;\n"
            << " 1;\n 3;0,1,2;;\n"
            << GetParam().extraBlocks
            << " MeshMaterialList { 1; 1; 0;; Material { 1.0;1.0;1.0;1.0;; 1.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; "
               "} }\n}\n";
        scene.Init();
    }

    std::vector<float> WaterFloats() {
        IDirect3DVertexBuffer9* buffer = nullptr;
        scene.water.mesh->GetVertexBuffer(&buffer);
        D3DVERTEXBUFFER_DESC desc{};
        buffer->GetDesc(&desc);
        void* data = nullptr;
        buffer->Lock(0, 0, &data, 0);
        std::vector<float> floats(desc.Size / 4);
        std::memcpy(floats.data(), data, floats.size() * 4);
        buffer->Unlock();
        buffer->Release();
        return floats;
    }

    WaterRoomScene scene;
};

TEST_P(WaterLayoutTest, TheRippleFollowsTheMeshsOwnLayout) {
    const WaterLayout& layout = GetParam();
    ASSERT_NE(scene.water.mesh, nullptr);
    ASSERT_EQ(scene.water.mesh->GetNumBytesPerVertex(), layout.stride);
    ASSERT_EQ(scene.waterRestPositions.size(), 3u);
    EXPECT_EQ(scene.waterRestPositions[1].x, 30.0f);
    EXPECT_EQ(scene.waterRestPositions[1].y, 2.0f);
    EXPECT_EQ(scene.waterRestPositions[1].z, -12.0f);

    Frame(scene, 140.0f, 0.5f);
    const std::vector<float> floats = WaterFloats();
    ASSERT_EQ(floats.size(), 3 * layout.stride / 4) << "the buffer holds exactly the mesh's vertices";
    const float w = 0.5f, x = 30.0f, y = 2.0f, z = -12.0f, s = x + z;
    const float expectedY = y - 5.0f + std::cos(x * 0.06666667f + z * 0.083333336f + 1.7f * w) +
                            std::cos(0.02f * x + 0.1f * z + 1.5f * w) + 3.0f * std::cos(0.01f * s + w) +
                            std::sin(0.025f * x + 0.04f * z + 2.0f * w) +
                            std::sin(0.025f * x + z * 0.016666668f + 2.3f * w);
    const std::size_t v1 = layout.stride / 4;
    EXPECT_EQ(floats[v1 + 0], x);
    EXPECT_NEAR(floats[v1 + 1], expectedY, 1e-5f);
    EXPECT_EQ(floats[v1 + 2], z);
    if (layout.normalOffset >= 0) {
        const std::size_t n = v1 + layout.normalOffset / 4;
        EXPECT_EQ(floats[n + 0], 0.0f);
        EXPECT_EQ(floats[n + 1], 1.0f) << "the normal is left as loaded";
        EXPECT_EQ(floats[n + 2], 0.0f);
    }
    if (layout.texCoordOffset >= 0) {
        const std::size_t uv = v1 + layout.texCoordOffset / 4;
        EXPECT_NEAR(floats[uv + 0],
                    0.25f + 0.1f * (std::sin(0.02f * s + 0.5f * w) + std::cos(s * 0.033333335f + w)), 1e-6f);
        EXPECT_NEAR(floats[uv + 1],
                    0.5f + 0.1f * (std::sin(0.05f * s + w) + std::sin(s * 0.02173913f + 0.5f * w)), 1e-6f);
    } else {
        EXPECT_TRUE(scene.waterRestTexCoords.empty());
    }
    // The last vertex ends the buffer: its position is the rippled one, nothing lies beyond.
    const std::size_t v2 = 2 * layout.stride / 4;
    EXPECT_EQ(floats[v2 + 0], 0.0f);
    EXPECT_EQ(floats[v2 + 2], 10.0f);
}

INSTANTIATE_TEST_SUITE_P(Layouts, WaterLayoutTest, ::testing::ValuesIn(waterLayouts),
                         [](const ::testing::TestParamInfo<WaterLayout>& info) { return info.param.name; });

} // namespace
