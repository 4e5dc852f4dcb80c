#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3dx9/x_file_parser.h"
#include "platform/d3dx9/x_mesh_builder.h"
#include "tools/quillmoor-media/blob_meshes.h"
#include "tools/quillmoor-media/room_meshes.h"
#include "tools/quillmoor-media/x_file_writer.h"

namespace {

using media::Mesh;
using media::Vec3;

float MaxRadius(const Mesh& m) {
    float r = 0;
    for (const Vec3& p : m.positions) {
        r = std::max(r, media::Length(p));
    }
    return r;
}

// Closest distance from p to triangle abc (Ericson, Real-Time Collision Detection 5.1.5).
float PointTriangleDistance(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
    using media::Dot;
    const Vec3 ab = b - a, ac = c - a, ap = p - a;
    const float d1 = Dot(ab, ap), d2 = Dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) {
        return media::Length(p - a);
    }
    const Vec3 bp = p - b;
    const float d3 = Dot(ab, bp), d4 = Dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) {
        return media::Length(p - b);
    }
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) {
        return media::Length(p - (a + ab * (d1 / (d1 - d3))));
    }
    const Vec3 cp = p - c;
    const float d5 = Dot(ab, cp), d6 = Dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) {
        return media::Length(p - c);
    }
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) {
        return media::Length(p - (a + ac * (d2 / (d2 - d6))));
    }
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
        return media::Length(p - (b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)))));
    }
    const float denom = 1.0f / (va + vb + vc);
    return media::Length(p - (a + ab * (vb * denom) + ac * (vc * denom)));
}

float DistanceToMesh(const Mesh& m, Vec3 p) {
    float best = 1e30f;
    for (const auto& f : m.faces) {
        best =
            std::min(best, PointTriangleDistance(p, m.positions[f[0]], m.positions[f[1]], m.positions[f[2]]));
    }
    return best;
}

// Crossings of a ray from p with the mesh: odd means p is inside a closed surface.
int RayCrossings(const Mesh& m, Vec3 p, Vec3 dir) {
    int count = 0;
    for (const auto& f : m.faces) {
        const Vec3 a = m.positions[f[0]], e1 = m.positions[f[1]] - a, e2 = m.positions[f[2]] - a;
        const Vec3 h = media::Cross(dir, e2);
        const float det = media::Dot(e1, h);
        if (std::abs(det) < 1e-9f) {
            continue;
        }
        const Vec3 s = p - a;
        const float u = media::Dot(s, h) / det;
        const Vec3 q = media::Cross(s, e1);
        const float v = media::Dot(dir, q) / det;
        const float t = media::Dot(e2, q) / det;
        if (u >= 0 && v >= 0 && u + v <= 1 && t > 0) {
            ++count;
        }
    }
    return count;
}

// ---- every mesh: well-formed, and read back by the .x loader in the format its scene asks for ----

struct MeshCase {
    const char* name;
    Mesh (*make)();
    bool binary;
};

const MeshCase kMeshes[] = {
    {"blobby02", media::MakeOpeningBlob, false},
    {"blobby12", media::MakeFlightRing, false},
    {"blobby_sphere", media::MakeBackdropSphere, true},
    {"blobby13", media::MakeHelixTower, false},
    {"blobby15", media::MakeCreditsBlob, false},
    {"blobby19", media::MakeSwirlBlob, false},
    {"blobby21", media::MakePulseBlob, false},
    {"blobby23", media::MakeWobbleBlob, false},
    {"blobroom01", media::MakeBlobRoom01, false},
    {"blobroom02", media::MakeBlobRoom02, false},
    {"blobroom02_tube", media::MakeBlobRoom02Tube, false},
    {"blobroom03", media::MakeBlobRoom03, false},
    {"blobroom03_wasser", media::MakeBlobRoom03Water, false},
    {"finalroom", media::MakeFinalRoom, false},
    {"finalroom_wasser", media::MakeFinalRoomWater, false},
    {"stapel", media::MakeStack, false},
};

class MeshFileTest : public testing::TestWithParam<MeshCase> {};

TEST_P(MeshFileTest, LoaderReadsPositionsNormalsAndTextureCoordinates) {
    const Mesh mesh = GetParam().make();
    ASSERT_FALSE(mesh.faces.empty());
    ASSERT_EQ(mesh.normals.size(), mesh.positions.size());
    ASSERT_EQ(mesh.uvs.size(), mesh.positions.size());
    ASSERT_EQ(mesh.faceMaterials.size(), mesh.faces.size());
    for (const Vec3& n : mesh.normals) {
        ASSERT_NEAR(media::Length(n), 1.0f, 1e-3f);
    }
    // Blobs are redrawn from the CPU every frame; keep them light.
    EXPECT_LT(mesh.positions.size(), 65000u);

    const std::vector<uint8_t> bytes =
        GetParam().binary ? media::WriteXBinary(mesh) : media::WriteXText(mesh);
    std::vector<XObject> objects;
    ASSERT_EQ(XFileParser::Parse(bytes.data(), bytes.size(), objects), D3D_OK);
    XMeshData data;
    ASSERT_EQ(XMeshBuilder::Build(objects, data), D3D_OK);
    EXPECT_EQ(data.Fvf(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1)); // 32-byte vertices
    EXPECT_EQ(data.indices.size(), mesh.faces.size() * 3);
    ASSERT_EQ(data.materials.size(), mesh.materials.size());
    for (size_t i = 0; i < mesh.materials.size(); ++i) {
        EXPECT_EQ(data.materials[i].textureFile, mesh.materials[i].texture);
    }
    // Spot-check that positions survive the trip (the text form keeps six decimals).
    for (size_t i = 0; i < data.indices.size(); i += 997) {
        const auto& v = data.vertices[data.indices[i]];
        const Vec3 p = mesh.positions[mesh.faces[i / 3][i % 3]];
        EXPECT_NEAR(v.position[0], p.x, 1e-3f);
        EXPECT_NEAR(v.position[1], p.y, 1e-3f);
        EXPECT_NEAR(v.position[2], p.z, 1e-3f);
    }
}

INSTANTIATE_TEST_SUITE_P(AllMeshes, MeshFileTest, testing::ValuesIn(kMeshes),
                         [](const testing::TestParamInfo<MeshCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- blob sizes against their scenes' cameras and deformations ----

// The opening scene's twist: every vertex with a rest length r under 20 turns by (10 - r) / 10 times
// the angles a, b, c about X, then Y, then Z (row vectors).
Mesh TwistOpeningBlob(Mesh m, float phase) {
    const float a = 3.2f * std::cos(1.9f * phase) + std::sin(2.2f * phase), b = 3.5f * std::sin(phase),
                c = 2.9f * std::cos(1.5f * phase);
    for (Vec3& p : m.positions) {
        const float r = media::Length(p);
        if (r >= 20.0f) {
            continue;
        }
        const float d = (10.0f - r) * 0.1f;
        const float cx = std::cos(d * a), sx = std::sin(d * a), cy = std::cos(d * b), sy = std::sin(d * b),
                    cz = std::cos(d * c), sz = std::sin(d * c);
        p = {p.x, p.y * cx - p.z * sx, p.y * sx + p.z * cx};
        p = {p.x * cy + p.z * sy, p.y, -p.x * sy + p.z * cy};
        p = {p.x * cz - p.y * sz, p.x * sz + p.y * cz, p.z};
    }
    return m;
}

TEST(BlobShapes, OpeningBlobStaysOutsideTheClosestCameraWhileFillingItsView) {
    const Mesh rest = media::MakeOpeningBlob();
    constexpr float kNearestEye = 15.0f; // the camera moves in from 55 to 15 units
    const float halfFov = 3.14159265f / 8.0f;
    float inner = 1e30f;
    for (const Vec3& p : rest.positions) {
        inner = std::min(inner, media::Length(p));
    }
    const float outer = MaxRadius(rest);
    // Every rest length under 10: the twist turns inner vertices more than outer ones, never backwards.
    EXPECT_LT(outer, 10.0f);
    EXPECT_GT(inner, 1.0f);
    // From 15 units the lobes reach past the edge of the view, yet the blob stays within a 30-degree
    // cone so that its outline and the background around it show.
    EXPECT_GT(outer, kNearestEye * std::sin(halfFov));
    EXPECT_LT(outer, kNearestEye * std::sin(halfFov * 4.0f / 3.0f));
    // Twisted at any phase the surface keeps clear of the closest eye, which stays outside it.
    for (float phase : {0.0f, 0.7f, 1.9f, 3.3f, 5.2f, 8.8f, 13.1f}) {
        SCOPED_TRACE(phase);
        const Mesh twisted = TwistOpeningBlob(rest, phase);
        for (const Vec3 eye : {Vec3{0, 0, -kNearestEye}, Vec3{0, kNearestEye, 0}, Vec3{-kNearestEye, 0, 0}}) {
            EXPECT_GT(DistanceToMesh(twisted, eye), kNearestEye - 8.0f);
            EXPECT_EQ(RayCrossings(twisted, eye, media::Normalize({0.13f, 0.21f, 0.97f})) % 2, 0);
        }
    }
}

TEST(BlobShapes, CreditsBlobShowsItsOutlineFromTheFixedCamera) {
    const float eye = std::hypot(10.0f, 20.0f); // eye (0, 10, -20) looking at the origin
    const float halfFov = 3.14159265f / 8.0f;
    const float outer = MaxRadius(media::MakeCreditsBlob());
    EXPECT_GT(outer, eye * std::sin(halfFov));         // fills the view...
    EXPECT_LT(outer, eye * std::sin(halfFov + 0.06f)); // ...but not past the edges all round
}

TEST(BlobShapes, ScaledBlobsKeepEveryVertexInsideTheirDeformationRadius) {
    struct Case {
        const char* name;
        Mesh (*make)();
        float maxRadius;
    } cases[] = {{"blobby23", media::MakeWobbleBlob, 90.0f},
                 {"blobby21", media::MakePulseBlob, 90.0f},
                 {"blobby15", media::MakeCreditsBlob, 14.9f},
                 {"blobby19", media::MakeSwirlBlob, 60.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const float r = MaxRadius(c.make());
        EXPECT_LT(r, c.maxRadius);
        EXPECT_GT(r, c.maxRadius * 0.5f);
    }
}

TEST(BlobShapes, BackdropSphereEnclosesTheSwirlCamera) {
    const Mesh m = media::MakeBackdropSphere();
    const Vec3 eye{30, 0, -100};
    EXPECT_GT(DistanceToMesh(m, eye), 200.0f);
    EXPECT_EQ(RayCrossings(m, eye, media::Normalize({0.31f, 0.52f, 0.79f})) % 2, 1);
}

TEST(BlobShapes, StackRunsAlongZWithAHollowCoreForTheFlares) {
    const Mesh m = media::MakeStack();
    const media::Bounds b = media::ComputeBounds(m.positions);
    EXPECT_LT(b.min.z, 10.0f);
    EXPECT_GT(b.max.z, 240.0f);
    float core = 1e30f, outer = 0;
    for (const Vec3& p : m.positions) {
        const float r = std::hypot(p.x, p.y);
        core = std::min(core, r);
        outer = std::max(outer, r);
    }
    EXPECT_GT(core, 8.0f); // the flare column is 6 units wide
    EXPECT_LT(outer, 95.0f);
}

// Eyes of the flight scene's camera table, sampled along each segment.
std::vector<Vec3> FlightEyes() {
    std::vector<Vec3> eyes = {{41, 35, -20}, {82, 45, -40}, {10, 15, 40}};
    for (float g = 0; g <= 2.9f; g += 0.05f) {
        eyes.push_back({41 - 80 * g, 35, -12});
    }
    for (float g = 0; g <= 1.6f; g += 0.05f) {
        eyes.push_back({81 - 80 * g, 35, -212});
        eyes.push_back({-30 - 140 * g, 120, 50});
    }
    for (float g = 0; g <= 1.7f; g += 0.05f) {
        eyes.push_back({82, 45 - 70 * g, -40});
    }
    return eyes;
}

TEST(BlobShapes, FlightRingSurroundsTheTrailSourceAndNeverSwallowsTheCamera) {
    const Mesh m = media::MakeFlightRing();
    const Vec3 source{-145, 37, -28};
    EXPECT_GT(DistanceToMesh(m, source), 20.0f);
    EXPECT_EQ(RayCrossings(m, source, media::Normalize({1.0f, 0.13f, 0.07f})) % 2, 0);
    const media::Bounds b = media::ComputeBounds(m.positions);
    EXPECT_GT(b.max.y - b.min.y, 150.0f); // a large structure
    for (const Vec3& eye : FlightEyes()) {
        SCOPED_TRACE(testing::Message() << eye.x << "," << eye.y << "," << eye.z);
        EXPECT_GT(DistanceToMesh(m, eye), 5.0f);
        EXPECT_EQ(RayCrossings(m, eye, media::Normalize({0.21f, 0.97f, 0.11f})) % 2, 0);
    }
}

TEST(BlobShapes, HelixTowerLeavesRoomForEveryCutCamera) {
    const Mesh m = media::MakeHelixTower();
    const media::Bounds b = media::ComputeBounds(m.positions);
    EXPECT_GT(b.max.y, 250.0f);
    EXPECT_LT(b.min.y, -20.0f); // the first shot starts below at y = -20 looking up
    // The twist turns vertices about Y, which keeps their distance from the axis: the eyes of the cut
    // table stand at 0, 20, 40, 45.2 and 54.2 units from it.
    float inner = 1e30f, outer = 0;
    for (const Vec3& p : m.positions) {
        const float r = std::hypot(p.x, p.z);
        inner = std::min(inner, r);
        outer = std::max(outer, r);
    }
    EXPECT_GT(inner, std::hypot(50.0f, 21.0f) + 1.5f);
    EXPECT_LT(outer, 75.0f);
}

// ---- rooms: every eye of the camera tables inside the room and clear of its pieces ----

struct Shot {
    float duration; // longest time the shot can be active
    std::function<Vec3(float)> eye;
};

std::vector<Vec3> SampleEyes(const std::vector<Shot>& shots) {
    std::vector<Vec3> eyes;
    for (const Shot& s : shots) {
        for (int i = 0; i <= 10; ++i) {
            eyes.push_back(s.eye(s.duration * float(i) / 10.0f));
        }
    }
    return eyes;
}

// Shot clocks run at v units a second, as the beat room's table says.
std::vector<Shot> BeatRoomShots() {
    return {{13.541f * 1,
             [](float t) {
                 return Vec3{200 * std::cos(0.2f * t), 100, -250};
             }},
            {1.246f * 120,
             [](float t) {
                 return Vec3{t - 120, 160, t - 50};
             }},
            {0.837f * 110,
             [](float t) {
                 return Vec3{180, 100, t - 250};
             }},
            {0.865f * 120,
             [](float t) {
                 return Vec3{t - 120, 100, -50};
             }},
            {0.792f * 110,
             [](float t) {
                 return Vec3{t - 120, 160, t - 50};
             }},
            {0.851f * 120,
             [](float t) {
                 return Vec3{120, 160, t - 50};
             }},
            {0.832f * 110,
             [](float t) {
                 return Vec3{t - 120, 100, -50};
             }},
            {0.832f * 90,
             [](float t) {
                 return Vec3{t - 120, 160, t - 50};
             }},
            {0.832f * 110,
             [](float t) {
                 return Vec3{-120, 90, t - 50};
             }},
            {0.832f * 140,
             [](float t) {
                 return Vec3{t - 120, 80, -70};
             }},
            {0.823f * 120,
             [](float t) {
                 return Vec3{t - 120, 100, -50};
             }},
            {0.851f * 110,
             [](float t) {
                 return Vec3{t - 120, 0, t + 50};
             }},
            {0.813f * 120,
             [](float t) {
                 return Vec3{t - 120, 100, -50};
             }},
            {0.851f * 100,
             [](float t) {
                 return Vec3{t - 120, 60, t - 50};
             }},
            {0.842f * 100,
             [](float t) {
                 return Vec3{t - 120, 90, t - 50};
             }},
            {1.223f * 110, [](float t) {
                 return Vec3{t - 120, 160, t - 50};
             }}};
}

std::vector<Shot> WaterRoomShots() {
    return {{2.096f,
             [](float t) {
                 return Vec3{140 - 90 * t, 120, 85};
             }},
            {1.676f,
             [](float t) {
                 return Vec3{90 * t - 80, 120, 50};
             }},
            {1.66f,
             [](float t) {
                 return Vec3{-35, 40, 100 * t - 35};
             }},
            {1.668f,
             [](float t) {
                 return Vec3{170 - 100 * t, 120, 120};
             }},
            {1.685f,
             [](float t) {
                 return Vec3{-30, 140, 90 * t - 35};
             }},
            {1.642f,
             [](float t) {
                 return Vec3{-35, 40, 95 * t - 35};
             }},
            {1.676f,
             [](float t) {
                 return Vec3{140 - 80 * t, 120, 85};
             }},
            {1.642f,
             [](float t) {
                 return Vec3{70 * t - 80, 120, 50};
             }},
            {1.692f,
             [](float t) {
                 return Vec3{170 - 90 * t, 40, 120};
             }},
            {1.644f,
             [](float t) {
                 return Vec3{140 - 80 * t, 120, 85};
             }},
            {1.691f,
             [](float t) {
                 return Vec3{-30, 40, 40 * t - 35};
             }},
            {1.613f, [](float t) {
                 return Vec3{70 * t - 80, 120, 50};
             }}};
}

std::vector<Shot> FinalRoomShots() {
    return {{1.706f,
             [](float t) {
                 return Vec3{-50, 80 - 30 * t, 320 - 160 * t};
             }},
            {1.67f,
             [](float t) {
                 return Vec3{40 * t + 140, 30, -50};
             }},
            {0.851f,
             [](float t) {
                 return Vec3{30 * t - 50, 20, -30 * t};
             }},
            {0.85f,
             [](float t) {
                 return Vec3{60 * (t + 1), 30, -100};
             }},
            {0.788f,
             [](float t) {
                 return Vec3{-120 * t, 30, -100};
             }},
            {0.84f,
             [](float t) {
                 return Vec3{100 - 120 * t, 30, -100};
             }},
            {0.844f,
             [](float t) {
                 return Vec3{200 - 120 * t, 30, -100};
             }},
            {0.841f,
             [](float t) {
                 return Vec3{90 * t, 50, -100};
             }},
            {0.842f,
             [](float t) {
                 return Vec3{-50, 70, 50 * t - 100};
             }},
            {0.81f,
             [](float t) {
                 return Vec3{30 * t - 50, 20, -30 * t};
             }},
            {0.841f,
             [](float t) {
                 return Vec3{-120 * t, 30, -100};
             }},
            {0.842f,
             [](float t) {
                 return Vec3{-200 * t, 70, -100};
             }},
            {1.23f, [](float t) {
                 return Vec3{std::min(100 + 180 * t, 320.0f), 15, -75};
             }}};
}

struct RoomCase {
    const char* name;
    Mesh (*room)();
    std::vector<Shot> (*shots)();
    Mesh (*water)();
};

class RoomCameraTest : public testing::TestWithParam<RoomCase> {};

TEST_P(RoomCameraTest, EveryEyeIsInsideTheRoomAndAboveTheWater) {
    const Mesh room = GetParam().room();
    const media::Bounds b = media::ComputeBounds(room.positions);
    const Mesh water = GetParam().water();
    const media::Bounds w = media::ComputeBounds(water.positions);
    for (const Vec3& eye : SampleEyes(GetParam().shots())) {
        SCOPED_TRACE(testing::Message() << eye.x << "," << eye.y << "," << eye.z);
        EXPECT_GT(eye.x, b.min.x + 20);
        EXPECT_LT(eye.x, b.max.x - 20);
        EXPECT_GT(eye.y, b.min.y + 10);
        EXPECT_LT(eye.y, b.max.y - 10);
        EXPECT_GT(eye.z, b.min.z + 20);
        EXPECT_LT(eye.z, b.max.z - 20);
        // Clear of every wall, pillar and blob by more than the near plane.
        EXPECT_GT(DistanceToMesh(room, eye), 3.0f);
        // The shell and every piece in it are closed: an odd count means free space inside the shell.
        EXPECT_EQ(RayCrossings(room, eye, media::Normalize({0.13f, 0.95f, 0.29f})) % 2, 1);
        EXPECT_GT(eye.y, w.max.y + 8.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rooms, RoomCameraTest,
    testing::Values(RoomCase{"blobroom02", media::MakeBlobRoom02, BeatRoomShots,
                             [] {
                                 Mesh m;
                                 m.positions = {{0, -30, 0}};
                                 return m;
                             }},
                    RoomCase{"blobroom03", media::MakeBlobRoom03, WaterRoomShots, media::MakeBlobRoom03Water},
                    RoomCase{"finalroom", media::MakeFinalRoom, FinalRoomShots, media::MakeFinalRoomWater}),
    [](const testing::TestParamInfo<RoomCase>& info) { return std::string(info.param.name); });

TEST(RoomPieces, StretchedBeatBlobAndItsTubeStayClearOfTheCameras) {
    // The blob is scaled by (0.25, 0.25, 3) and moved to (0, 50, 80), with a pulse of up to 0.603.
    const float r = MaxRadius(media::MakePulseBlob()) * 0.603f;
    const Mesh tube = media::MakeBlobRoom02Tube();
    for (const Vec3& eye : SampleEyes(BeatRoomShots())) {
        SCOPED_TRACE(testing::Message() << eye.x << "," << eye.y << "," << eye.z);
        const float dx = eye.x / (0.25f * r), dy = (eye.y - 50) / (0.25f * r), dz = (eye.z - 80) / (3.0f * r);
        EXPECT_GT(dx * dx + dy * dy + dz * dz, 1.0f);
        EXPECT_GT(DistanceToMesh(tube, eye), 3.0f);
    }
    // The blob fits inside the tube.
    const media::Bounds b = media::ComputeBounds(tube.positions);
    EXPECT_LT(0.25f * r, (b.max.x - b.min.x) / 2);
}

TEST(RoomPieces, WaterSurfacesAreFlatDenseGridsUnderTheRooms) {
    for (Mesh (*make)() : {media::MakeBlobRoom03Water, media::MakeFinalRoomWater}) {
        const Mesh w = make();
        const media::Bounds b = media::ComputeBounds(w.positions);
        EXPECT_FLOAT_EQ(b.min.y, 0.0f);
        EXPECT_FLOAT_EQ(b.max.y, 0.0f);
        // The ripple's shortest wave is about 59 units long: edges of at most 10 units follow it.
        for (const auto& f : w.faces) {
            for (int k = 0; k < 3; ++k) {
                ASSERT_LE(media::Length(w.positions[f[k]] - w.positions[f[(k + 1) % 3]]), 10.0f * 1.4143f);
            }
        }
    }
}

} // namespace
