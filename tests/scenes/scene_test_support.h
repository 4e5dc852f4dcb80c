#pragma once
// A fresh world for one scene test: a temporary working directory holding the probe mesh
// under every name the scenes load, a recording device in the global holder, an empty
// texture cache and the shared generator back at its start. Textures and the effect file
// are absent on purpose: the scenes must draw on with empty objects.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"
#include "shell/shared_random.h"
#include "tests/temp_directory.h"

namespace SceneTestSupport {

// Every vertex of the probe mesh, by rest position (tests/data/scenes/probe_blob.x).
inline const D3DXVECTOR3 ProbeLength5(5, 0, 0);
inline const D3DXVECTOR3 ProbeLength10(0, 10, 0);
inline const D3DXVECTOR3 ProbeLength15(0, 0, 15);
inline const D3DXVECTOR3 ProbeLength25(0, 25, 0);
inline const D3DXVECTOR3 ProbeLength100(60, 80, 0); // also 100 from the Z axis
inline const D3DXVECTOR3 ProbeLength13(3, 4, 12);   // 5 from the Z axis

inline constexpr const char* MeshNames[] = {
    "data/blobby02.X",
    "data/blobby12.X",
    "data/meshes/blobby15.x",
    "data/meshes/blobby21.x",
    "data/meshes/blobby23.x",
    "data/meshes/stapel.x",
    "data/meshes/blobby_sphere.x",
    "data/meshes/blobby13.X",
    "data/meshes/blobby19.x",
    "data/meshes/blobroom02.x",
    "data/meshes/blobroom02_tube.x",
    "data/meshes/blobroom03.x",
    "data/meshes/blobroom03_wasser.x",
    "data/meshes/finalroom.x",
    "data/meshes/finalroom_wasser.x",
};

class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        previousDirectory = fs::current_path();
        workDirectory = TestTemp::MakeDirectory("qm_scenes");
        fs::create_directories(workDirectory / "data" / "meshes");
        for (const char* name : MeshNames) {
            fs::copy_file(fs::path(QUILLMOOR_TEST_DATA) / "scenes" / "probe_blob.x", workDirectory / name);
        }
        fs::current_path(workDirectory);

        device = new RecordingDevice();
        DeviceHolder::Get()->device = device;
        ResourceCache::ReleaseAll();
        SharedRandom::ResetForTest();
        MusicClock::Reset();
    }

    void TearDown() override {
        std::filesystem::current_path(previousDirectory);
        std::error_code ignored;
        std::filesystem::remove_all(workDirectory, ignored);
        // Scene objects of a test keep their buffers (scenes never release); the device
        // stays alive with them and is simply forgotten.
        DeviceHolder::Get()->device = nullptr;
    }

    // One frame of the scene at music time t after a frame delta dt; the device keeps the
    // calls of that frame only.
    template <typename SceneType> void Frame(SceneType& scene, float t, float dt) {
        device->ClearCalls();
        MusicClock::seconds = t;
        MusicClock::delta = dt;
        scene.Render();
    }

    std::vector<QuadVertex> Vertices(ScreenQuad* quad) {
        std::vector<QuadVertex> out;
        void* data = nullptr;
        if (quad->vertexBuffer == nullptr || FAILED(quad->vertexBuffer->Lock(0, 0, &data, 0))) {
            return out;
        }
        const auto* vertices = static_cast<const QuadVertex*>(data);
        out.assign(vertices, vertices + quad->vertexCount);
        quad->vertexBuffer->Unlock();
        return out;
    }

    // The six colours of a quad, asserting they agree, as one value.
    D3DCOLOR QuadColour(ScreenQuad* quad) {
        const std::vector<QuadVertex> vertices = Vertices(quad);
        EXPECT_FALSE(vertices.empty());
        if (vertices.empty()) {
            return 0;
        }
        for (const QuadVertex& v : vertices) {
            EXPECT_EQ(v.colour, vertices[0].colour);
        }
        return vertices[0].colour;
    }

    // Whether the quad was drawn since the calls were last cleared.
    bool QuadDrawn(ScreenQuad* quad) {
        const std::string name = device->Formatter().ObjectName(quad->vertexBuffer);
        for (const RecordedCall& call : device->CallsNamed("SetStreamSource")) {
            if (call.args[1] == name) {
                return true;
            }
        }
        return false;
    }

    // The camera of the last frame: its first view transform (the overlay layers set the
    // identity after it).
    D3DXMATRIX View() {
        D3DXMATRIX m;
        D3DXMatrixIdentity(&m);
        for (const RecordedCall& call : device->CallsNamed("SetTransform")) {
            if (call.args[0] == "D3DTS_VIEW") {
                const char* text = call.args[1].c_str() + 1; // after '['
                for (int i = 0; i < 16; ++i) {
                    char* end = nullptr;
                    m.m[i / 4][i % 4] = std::strtof(text, &end);
                    text = end + 1; // past ',' or ']'
                }
                return m;
            }
        }
        ADD_FAILURE() << "no view transform in the frame";
        return m;
    }

    std::vector<RecordedCall> DrawsOf(const char* primitive) {
        std::vector<RecordedCall> out;
        for (const RecordedCall& call : device->CallsNamed("DrawPrimitive")) {
            if (call.args[0] == primitive) {
                out.push_back(call);
            }
        }
        return out;
    }

    std::filesystem::path previousDirectory;
    std::filesystem::path workDirectory;
    RecordingDevice* device = nullptr;
};

// The documented byte of a colour component: 255 at or above 1, 0 at or below 0, else the
// integer part of value * 255 + 0.5.
inline DWORD ExpectedByte(float value) {
    if (value >= 1.0f) {
        return 255;
    }
    if (value <= 0.0f) {
        return 0;
    }
    return static_cast<DWORD>(value * 255.0f + 0.5f);
}

// Overlay units of a screen pixel: (x * 0.00125 - 0.5, (600 - y) * 0.0016666667 - 0.5).
inline float OverlayX(float x) {
    return x * 0.00125f - 0.5f;
}
inline float OverlayY(float y) {
    return (600.0f - y) * 0.0016666667f - 0.5f;
}

inline D3DXMATRIX LookAt(D3DXVECTOR3 eye, D3DXVECTOR3 at) {
    const D3DXVECTOR3 up(0, 1, 0);
    D3DXMATRIX m;
    D3DXMatrixLookAtLH(&m, &eye, &at, &up);
    return m;
}

inline void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tolerance) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "element " << r << "," << c;
        }
    }
}

// The position of the vertex whose rest position is `rest`, read from a vertex buffer.
inline D3DXVECTOR3 PositionOf(IDirect3DVertexBuffer9* buffer, const std::vector<D3DXVECTOR3>& rest,
                              const D3DXVECTOR3& wanted, UINT stride) {
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i].x == wanted.x && rest[i].y == wanted.y && rest[i].z == wanted.z) {
            void* data = nullptr;
            buffer->Lock(0, 0, &data, 0);
            const auto* p = reinterpret_cast<const float*>(static_cast<const BYTE*>(data) + i * stride);
            const D3DXVECTOR3 out(p[0], p[1], p[2]);
            buffer->Unlock();
            return out;
        }
    }
    ADD_FAILURE() << "no vertex at rest position " << wanted.x << "," << wanted.y << "," << wanted.z;
    return D3DXVECTOR3(0, 0, 0);
}

} // namespace SceneTestSupport
