#include "tools/quillmoor-media/room_meshes.h"

#include <cmath>

#include "tools/quillmoor-media/metaball_field.h"
#include "tools/quillmoor-media/room_builder.h"
#include "tools/quillmoor-media/seeded_random.h"

namespace media {

namespace {

constexpr float kTile = 25.0f;
constexpr float kUv = 1.0f / 64.0f;

// A heap of soft blobs around `centre`, spread over `spread` units.
MetaballField BlobCluster(uint32_t seed, Vec3 centre, float spread, float radius, int count) {
    MetaballField field;
    SeededRandom r(seed);
    for (int i = 0; i < count; ++i) {
        field.Add(centre + Vec3{r.Range(-spread, spread), r.Range(-spread, spread) * 0.6f,
                                r.Range(-spread, spread)},
                  radius * r.Range(0.6f, 1.0f));
    }
    return field;
}

Mesh WaterSurface(const char* name, Vec3 origin, float sizeX, float sizeZ, float tile, const char* texture) {
    RoomBuilder b(name);
    const uint32_t water = b.Material(texture, {0.7f, 0.8f, 1.0f, 1.0f}, {0.05f, 0.08f, 0.12f});
    b.Quad(origin, {0, 0, sizeZ}, {sizeX, 0, 0}, water, tile, 1.0f / 60.0f);
    return b.Take();
}

} // namespace

Mesh MakeBlobRoom01() {
    RoomBuilder b("blobroom01");
    const uint32_t floor = b.Material("GRATE_01.bmp"), walls = b.Material("STEEL_01.bmp");
    b.Shell({-100, 0, -100}, {100, 100, 100}, floor, walls, walls, kTile, kUv);
    b.Blob(BlobCluster(101, {0, 0, 0}, 30, 35, 6), 4.0f, b.Material("METAL018.bmp"), 0.02f);
    return b.Take();
}

Mesh MakeBlobRoom02() {
    RoomBuilder b("blobroom02");
    const uint32_t floor = b.Material("GRATE_01.bmp"), walls = b.Material("WALL_03.bmp");
    const uint32_t ceiling = b.Material("METAL004.bmp"), pillar = b.Material("STEEL_01.bmp");
    const uint32_t beam = b.Material("METAL018.bmp");
    const Vec3 lo{-260, -30, -330}, hi{260, 230, 330};
    b.Shell(lo, hi, floor, walls, ceiling, kTile, kUv);
    for (float x : {-225.0f, 225.0f}) {
        for (float z : {-300.0f, -150.0f, 0.0f, 150.0f, 300.0f}) {
            b.Pillar({x, lo.y, z}, 14.0f, hi.y - lo.y, pillar, kUv);
        }
    }
    for (float z : {-150.0f, 150.0f}) {
        b.Block({lo.x, 200, z - 10}, {hi.x, 214, z + 10}, beam, kTile, kUv);
    }
    b.Block({lo.x, lo.y, -330}, {hi.x, 10, -318}, beam, kTile, kUv);
    const uint32_t blob = b.Material("METAL018.bmp", {0.8f, 0.9f, 1.0f, 1.0f}, {0.08f, 0.1f, 0.16f});
    b.Blob(BlobCluster(201, {-150, -30, 290}, 30, 42, 7), 4.0f, blob, 0.02f);
    b.Blob(BlobCluster(202, {60, -30, 300}, 35, 40, 7), 4.0f, blob, 0.02f);
    b.Blob(BlobCluster(203, {185, -30, 270}, 25, 38, 6), 4.0f, blob, 0.02f);
    b.Blob(BlobCluster(204, {-100, 235, -200}, 30, 45, 6), 4.0f, blob, 0.02f);
    b.Blob(BlobCluster(205, {100, 235, 20}, 30, 45, 6), 4.0f, blob, 0.02f);
    return b.Take();
}

Mesh MakeBlobRoom02Tube() {
    RoomBuilder b("blobroom02_tube");
    const uint32_t tube = b.Material("BLUE_TUB.bmp", {0.6f, 0.8f, 1.0f, 1.0f}, {0.25f, 0.35f, 0.6f});
    b.TubeAlongZ({0, 50, -150}, 22.0f, 460.0f, tube, 1.0f / 40.0f);
    return b.Take();
}

Mesh MakeBlobRoom03() {
    RoomBuilder b("blobroom03");
    const uint32_t floor = b.Material("ASPH_02.bmp"), walls = b.Material("WALL_07.bmp");
    const uint32_t ceiling = b.Material("METAL019.bmp"), pillar = b.Material("MARB005.bmp");
    const uint32_t beam = b.Material("METAL023.bmp");
    const Vec3 lo{-200, -40, -150}, hi{260, 200, 250};
    b.Shell(lo, hi, floor, walls, ceiling, kTile, kUv);
    for (float x : {-170.0f, 30.0f, 230.0f}) {
        for (float z : {-120.0f, 220.0f}) {
            b.Pillar({x, lo.y, z}, 14.0f, hi.y - lo.y, pillar, kUv);
        }
    }
    for (float x : {-100.0f, 30.0f, 160.0f}) {
        b.Block({x - 8, 175, lo.z}, {x + 8, 190, hi.z}, beam, kTile, kUv);
    }
    b.Block({lo.x, lo.y, lo.z}, {-185, 8, hi.z}, b.Material("STEEL_02.bmp"), kTile, kUv);
    b.Block({245, lo.y, lo.z}, {hi.x, 8, hi.z}, b.Material("STEEL_03.bmp"), kTile, kUv);
    const uint32_t rock = b.Material("MARB005.bmp", {0.7f, 0.8f, 0.9f, 1.0f});
    b.Blob(BlobCluster(301, {-130, -5, -105}, 22, 34, 6), 4.0f, rock, 0.02f);
    b.Blob(BlobCluster(302, {200, -5, 200}, 22, 34, 6), 4.0f, rock, 0.02f);
    return b.Take();
}

Mesh MakeBlobRoom03Water() {
    return WaterSurface("blobroom03_wasser", {-200, 0, -150}, 460, 400, 6.0f, "water033.bmp");
}

Mesh MakeFinalRoom() {
    RoomBuilder b("finalroom");
    const uint32_t floor = b.Material("METAL030.bmp"), walls = b.Material("metal025.jpg");
    const uint32_t ceiling = b.Material("METAL032.bmp"), pillar = b.Material("STEEL_05.bmp");
    const uint32_t beam = b.Material("METAL043.bmp"), plinth = b.Material("METAL025.bmp");
    const Vec3 lo{-260, -30, -190}, hi{440, 170, 400};
    b.Shell(lo, hi, floor, walls, ceiling, kTile, kUv);
    for (float x : {-200.0f, -80.0f, 40.0f, 160.0f, 280.0f, 400.0f}) {
        b.Pillar({x, lo.y, -150}, 13.0f, hi.y - lo.y, pillar, kUv);
        b.Block({x - 18, lo.y, -168}, {x + 18, 12, -132}, plinth, kTile, kUv);
    }
    for (float z : {150.0f, 350.0f}) {
        for (float x : {-200.0f, -120.0f, 120.0f, 240.0f, 360.0f}) {
            b.Pillar({x, lo.y, z}, 13.0f, hi.y - lo.y, pillar, kUv);
        }
    }
    for (float z : {-150.0f, 150.0f, 350.0f}) {
        b.Block({lo.x, 140, z - 8}, {hi.x, 152, z + 8}, beam, kTile, kUv);
    }
    const uint32_t blob = b.Material("STEEL_06.bmp", {0.8f, 0.85f, 1.0f, 1.0f}, {0.1f, 0.1f, 0.2f});
    // The portal on the far wall that the last shot drives towards.
    MetaballField portal;
    for (int i = 0; i < 24; ++i) {
        const float a = 6.2831853f * float(i) / 24.0f;
        portal.Add({440, 60 + 55 * std::sin(a), -75 + 55 * std::cos(a)}, 22.0f);
    }
    b.Blob(portal, 3.5f, blob, 0.02f);
    b.Blob(BlobCluster(401, {-230, -10, -170}, 20, 35, 5), 4.0f, blob, 0.02f);
    b.Blob(BlobCluster(402, {-220, -10, 380}, 25, 40, 6), 4.0f, blob, 0.02f);
    b.Blob(BlobCluster(403, {420, -10, 380}, 25, 40, 6), 4.0f, blob, 0.02f);
    return b.Take();
}

Mesh MakeFinalRoomWater() {
    return WaterSurface("finalroom_wasser", {-260, 0, -190}, 700, 590, 10.0f, "water033.jpg");
}

} // namespace media
