// CPU cost of one frame of each of the first five scenes, drawn into a recording device:
// vertex deformation, quad and flare rebuilding, trail updates and the calls themselves.
// The blob meshes are a generated sphere of about 2500 vertices under every name the
// scenes load, in a temporary working directory.

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
#include "scenes/camera_flight_scene.h"
#include "scenes/credits_blob_scene.h"
#include "scenes/opening_blob_scene.h"
#include "scenes/twisting_stack_scene.h"
#include "scenes/wobbling_blob_scene.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"

namespace {

constexpr const char* MeshNames[] = {
    "data/blobby02.X",        "data/blobby12.X",      "data/meshes/blobby15.x",      "data/meshes/blobby21.x",
    "data/meshes/blobby23.x", "data/meshes/stapel.x", "data/meshes/blobby_sphere.x",
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
    ResourceCache::ClearForTest();
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
            t = start;
        }
    }
}

void BM_OpeningBlobScene(benchmark::State& state) {
    SceneFrame<OpeningBlobScene>(state, 8.0f, 28.0f);
}
void BM_CameraFlightScene(benchmark::State& state) {
    SceneFrame<CameraFlightScene>(state, 29.5f, 42.696f);
}
void BM_WobbleBlobScene(benchmark::State& state) {
    SceneFrame<WobbleBlobScene>(state, 42.696f, 56.078f);
}
void BM_TwistStackScene(benchmark::State& state) {
    SceneFrame<TwistStackScene>(state, 56.078f, 69.204f);
}
void BM_CreditsBlobScene(benchmark::State& state) {
    SceneFrame<CreditsBlobScene>(state, 69.204f, 84.827f);
}

BENCHMARK(BM_OpeningBlobScene);
BENCHMARK(BM_CameraFlightScene);
BENCHMARK(BM_WobbleBlobScene);
BENCHMARK(BM_TwistStackScene);
BENCHMARK(BM_CreditsBlobScene);

} // namespace
