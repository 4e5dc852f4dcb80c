// CPU cost of one frame of each of the ten scenes, drawn into a recording device: vertex
// deformation, quad and flare rebuilding, trail updates, water waves and the calls
// themselves. The blob meshes are a generated sphere of about 2500 vertices under every
// name the scenes load; the rooms are generated grids the size of the demo's (about 10000
// vertices for a room, 5300 for a water surface), all in a temporary working directory.
// Each benchmark repeats and reports the median time of a frame.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "assets/resource_cache.h"
#include "platform/d3d9/recording_device.h"
#include "scenes/beat_room_scene.h"
#include "scenes/camera_flight_scene.h"
#include "scenes/credits_blob_scene.h"
#include "scenes/cut_blob_scene.h"
#include "scenes/final_room_scene.h"
#include "scenes/opening_blob_scene.h"
#include "scenes/swirl_blob_scene.h"
#include "scenes/twisting_stack_scene.h"
#include "scenes/water_room_scene.h"
#include "scenes/wobbling_blob_scene.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"

namespace {

constexpr const char* MeshNames[] = {
    "data/blobby02.X",
    "data/blobby12.X",
    "data/meshes/blobby15.x",
    "data/meshes/blobby21.x",
    "data/meshes/blobby23.x",
    "data/meshes/stapel.x",
    "data/meshes/blobby_sphere.x",
    "data/meshes/blobby13.x",
    "data/meshes/blobby19.x",
    "data/meshes/blobroom02_tube.x",
};

struct GridFixture {
    const char* name;
    int columns;
    int rows;
};

// Floors of 400 x 300 units: a room's worth of vertices, and water grids as dense as the
// demo's (78 x 68 vertices).
constexpr GridFixture GridNames[] = {
    {"data/meshes/blobroom02.x", 100, 100},     {"data/meshes/blobroom03.x", 100, 100},
    {"data/meshes/finalroom.x", 100, 100},      {"data/meshes/blobroom03_wasser.x", 78, 68},
    {"data/meshes/finalroom_wasser.x", 78, 68},
};

// A text .x sphere of radius 12 with normals and texture coordinates.
std::string SphereMesh(int rings, int segments) {
    std::string vertices;
    std::string normals;
    std::string uvs;
    const int count = (rings + 1) * (segments + 1);
    char line[160];
    for (int r = 0; r <= rings; ++r) {
        const double theta = M_PI * r / rings;
        for (int s = 0; s <= segments; ++s) {
            const double phi = 2 * M_PI * s / segments;
            const double x = std::sin(theta) * std::cos(phi);
            const double y = std::cos(theta);
            const double z = std::sin(theta) * std::sin(phi);
            const bool last = r == rings && s == segments;
            std::snprintf(line, sizeof line, "%f;%f;%f;%s\n", 12 * x, 12 * y, 12 * z, last ? ";" : ",");
            vertices += line;
            std::snprintf(line, sizeof line, "%f;%f;%f;%s\n", x, y, z, last ? ";" : ",");
            normals += line;
            std::snprintf(line, sizeof line, "%f;%f;%s\n", double(s) / segments, double(r) / rings,
                          last ? ";" : ",");
            uvs += line;
        }
    }
    std::string faces;
    int faceCount = 0;
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int a = r * (segments + 1) + s;
            const int b = a + segments + 1;
            std::snprintf(line, sizeof line, "3;%d,%d,%d;,\n3;%d,%d,%d;,\n", a, b, a + 1, a + 1, b, b + 1);
            faces += line;
            faceCount += 2;
        }
    }
    faces.replace(faces.size() - 2, 2, ";\n");
    std::string materialIndices;
    for (int f = 0; f < faceCount; ++f) {
        materialIndices += f + 1 < faceCount ? "0,\n" : "0;;\n";
    }
    return "xof 0303txt 0032\nMesh Sphere {\n" + std::to_string(count) + ";\n" + vertices +
           std::to_string(faceCount) + ";\n" + faces + "MeshNormals {\n" + std::to_string(count) + ";\n" +
           normals + std::to_string(faceCount) + ";\n" + faces + "}\nMeshTextureCoords {\n" +
           std::to_string(count) + ";\n" + uvs + "}\nMeshMaterialList {\n1;\n" + std::to_string(faceCount) +
           ";\n" + materialIndices +
           "Material {\n1.0;1.0;1.0;1.0;;\n10.0;\n0.0;0.0;0.0;;\n0.0;0.0;0.0;;\n}\n}\n}\n";
}

// A text .x grid in the y = 0 plane, 400 x 300 units centred on the origin, facing up.
std::string GridMesh(int columns, int rows) {
    std::string vertices;
    std::string normals;
    std::string uvs;
    const int count = columns * rows;
    char line[160];
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r) {
            const double u = double(c) / (columns - 1);
            const double v = double(r) / (rows - 1);
            const bool last = c + 1 == columns && r + 1 == rows;
            std::snprintf(line, sizeof line, "%f;0.0;%f;%s\n", 400 * u - 200, 300 * v - 150,
                          last ? ";" : ",");
            vertices += line;
            normals += last ? "0.0;1.0;0.0;;\n" : "0.0;1.0;0.0;,\n";
            std::snprintf(line, sizeof line, "%f;%f;%s\n", u, v, last ? ";" : ",");
            uvs += line;
        }
    }
    std::string faces;
    int faceCount = 0;
    for (int c = 0; c + 1 < columns; ++c) {
        for (int r = 0; r + 1 < rows; ++r) {
            const int a = c * rows + r;
            const int b = a + rows;
            std::snprintf(line, sizeof line, "3;%d,%d,%d;,\n3;%d,%d,%d;,\n", a, a + 1, b, b, a + 1, b + 1);
            faces += line;
            faceCount += 2;
        }
    }
    faces.replace(faces.size() - 2, 2, ";\n");
    std::string materialIndices;
    for (int f = 0; f < faceCount; ++f) {
        materialIndices += f + 1 < faceCount ? "0,\n" : "0;;\n";
    }
    return "xof 0303txt 0032\nMesh Grid {\n" + std::to_string(count) + ";\n" + vertices +
           std::to_string(faceCount) + ";\n" + faces + "MeshNormals {\n" + std::to_string(count) + ";\n" +
           normals + std::to_string(faceCount) + ";\n" + faces + "}\nMeshTextureCoords {\n" +
           std::to_string(count) + ";\n" + uvs + "}\nMeshMaterialList {\n1;\n" + std::to_string(faceCount) +
           ";\n" + materialIndices +
           "Material {\n0.8;0.8;0.8;1.0;;\n10.0;\n0.0;0.0;0.0;;\n0.0;0.0;0.0;;\n}\n}\n}\n";
}

// The working directory and device every benchmark shares; built once.
struct World {
    World() {
        namespace fs = std::filesystem;
        char pattern[] = "/tmp/qm_scenes_bench_XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::abort();
        }
        directory = pattern;
        fs::create_directories(directory / "data" / "meshes");
        const std::string sphere = SphereMesh(48, 48);
        for (const char* name : MeshNames) {
            std::ofstream(directory / name) << sphere;
        }
        for (const GridFixture& grid : GridNames) {
            std::ofstream(directory / grid.name) << GridMesh(grid.columns, grid.rows);
        }
        fs::current_path(directory);
        device = new RecordingDevice();
        DeviceHolder::Get()->device = device;
    }
    ~World() {
        std::error_code ignored;
        std::filesystem::current_path("/", ignored);
        std::filesystem::remove_all(directory, ignored);
    }
    std::filesystem::path directory;
    RecordingDevice* device = nullptr;
};

World& TheWorld() {
    static World world;
    return world;
}

template <typename SceneType> void SceneFrame(benchmark::State& state, float start, float end) {
    World& world = TheWorld();
    ResourceCache::ReleaseAll();
    auto scene = std::make_unique<SceneType>();
    scene->Init();
    const float dt = 1.0f / 60.0f;
    float t = start;
    for (auto _ : state) {
        MusicClock::seconds = t;
        MusicClock::delta = dt;
        scene->Render();
        world.device->ClearCalls();
        t += dt;
        if (t > end) {
            // A fresh scene for the next pass: one that keeps its state past its window
            // would no longer do its window's work (the final room stays in its greetings).
            state.PauseTiming();
            world.device->ClearCalls();
            scene = std::make_unique<SceneType>();
            scene->Init();
            t = start;
            state.ResumeTiming();
        }
    }
}

#define SCENE_BENCHMARK(SceneType, start, end)                                                               \
    void BM_##SceneType(benchmark::State& state) {                                                           \
        SceneFrame<SceneType>(state, start, end);                                                            \
    }                                                                                                        \
    BENCHMARK(BM_##SceneType)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond)

// Each runs over its scene's window of the timeline at 60 frames a second, with a new scene
// from the start again when it reaches the end.
SCENE_BENCHMARK(OpeningBlobScene, 8.0f, 28.0f);
SCENE_BENCHMARK(CameraFlightScene, 29.5f, 42.696f);
SCENE_BENCHMARK(WobbleBlobScene, 42.696f, 56.078f);
SCENE_BENCHMARK(TwistStackScene, 56.078f, 69.204f);
SCENE_BENCHMARK(CreditsBlobScene, 69.204f, 84.827f);
SCENE_BENCHMARK(CutBlobScene, 84.827f, 100.0f);
SCENE_BENCHMARK(SwirlBlobScene, 100.0f, 113.0f);
SCENE_BENCHMARK(BeatRoomScene, 113.0f, 139.863f);
SCENE_BENCHMARK(WaterRoomScene, 139.863f, 160.248f);
SCENE_BENCHMARK(FinalRoomScene, 160.248f, 190.0f);

} // namespace
