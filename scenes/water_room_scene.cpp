#include "scenes/water_room_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "scenes/scene_helpers.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"

namespace {

constexpr float QuarterPi = 0.7853982f;

constexpr SceneHelpers::RoomLight Lights[] = {
    {{0.06f, 0.2f, 0.6f, 0.0f}, {-50.0f, 120.0f, -30.0f}, 0.0000625f},
    {{0.05f, 0.5f, 0.1f, 0.0f}, {20.0f, 120.0f, 100.0f}, 0.0000625f},
    {{0.05f, 0.2f, 0.6f, 0.0f}, {-500.0f, 120.0f, 0.0f}, 0.00005f},
    {{0.05f, 0.1f, 0.5f, 0.0f}, {-1000.0f, 120.0f, 0.0f}, 0.00005f},
};

bool Before(float t, const WaterRoomScene::ShotStart& start) {
    return start.compareAsDouble ? static_cast<double>(t) < start.time : t < static_cast<float>(start.time);
}

} // namespace

void WaterRoomScene::Init() {
    device = DeviceHolder::Get();
    overlayTexture = ResourceCache::GetTexture("data//textures//overlay04.tga");
    overlayQuad = SceneHelpers::CreateFrameOverlay(overlayTexture);
    room.Load("data//meshes//", "blobroom03.x");
    water.Load("data//meshes//", "blobroom03_wasser.x");

    FindWaterLayout();
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    if (waterPositionOffset < 0 || FAILED(water.mesh->GetVertexBuffer(&vertexBuffer))) {
        return;
    }
    // The mesh's count, but never more vertices than its buffer holds.
    D3DVERTEXBUFFER_DESC desc{};
    std::size_t count = 0;
    if (SUCCEEDED(vertexBuffer->GetDesc(&desc))) {
        count = std::min<std::size_t>(water.mesh->GetNumVertices(), desc.Size / waterStride);
    }
    BYTE* vertices = nullptr;
    if (count > 0 && SUCCEEDED(vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        waterRestPositions.resize(count);
        waterRestTexCoords.resize(waterTexCoordOffset >= 0 ? count : 0);
        for (std::size_t i = 0; i < count; ++i) {
            const BYTE* vertex = vertices + i * waterStride;
            std::memcpy(&waterRestPositions[i], vertex + waterPositionOffset, sizeof(D3DXVECTOR3));
            if (waterTexCoordOffset >= 0) {
                std::memcpy(&waterRestTexCoords[i], vertex + waterTexCoordOffset, sizeof(D3DXVECTOR2));
            }
        }
        vertexBuffer->Unlock();
    }
    vertexBuffer->Release();
}

// A water mesh of the user's may come without normals or texture coordinates: the ripple
// reads the layout from the mesh instead of assuming position, normal and uv.
void WaterRoomScene::FindWaterLayout() {
    waterStride = 0;
    waterPositionOffset = waterTexCoordOffset = -1;
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    if (water.mesh == nullptr || FAILED(water.mesh->GetDeclaration(declaration))) {
        return;
    }
    for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != D3DDECL_END.Stream; ++e) {
        if (e->Usage == D3DDECLUSAGE_POSITION && e->UsageIndex == 0 && e->Type == D3DDECLTYPE_FLOAT3) {
            waterPositionOffset = e->Offset;
        } else if (e->Usage == D3DDECLUSAGE_TEXCOORD && e->UsageIndex == 0 && e->Type == D3DDECLTYPE_FLOAT2) {
            waterTexCoordOffset = e->Offset;
        }
    }
    waterStride = water.mesh->GetNumBytesPerVertex();
    if (waterStride == 0) {
        waterPositionOffset = waterTexCoordOffset = -1;
    }
}

void WaterRoomScene::Render() {
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;
    IDirect3DDevice9* d3d = device->device;

    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000028, 1.0f, 0);
    Ripple(dt);
    d3d->BeginScene();
    PlaceCameraAndDrawRoom(t, dt);
    DrawWater();
    OverlayState();
    overlayQuad->Draw();
    d3d->EndScene();
}

// The surface is a pure function of the water clock: every frame starts from the rest shape.
void WaterRoomScene::Ripple(float dt) {
    waterClock = waterClock + dt;
    const float w = waterClock;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    if (water.mesh == nullptr || FAILED(water.mesh->GetVertexBuffer(&vertexBuffer))) {
        return;
    }
    BYTE* vertices = nullptr;
    if (SUCCEEDED(vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        for (std::size_t i = 0; i < waterRestPositions.size(); ++i) {
            const D3DXVECTOR3& p = waterRestPositions[i];
            const float s = p.x + p.z;
            const float y = p.y - 5.0f + std::cos(p.x * 0.06666667f + p.z * 0.083333336f + 1.7f * w) +
                            std::cos(0.02f * p.x + 0.1f * p.z + 1.5f * w) + 3.0f * std::cos(0.01f * s + w) +
                            std::sin(0.025f * p.x + 0.04f * p.z + 2.0f * w) +
                            std::sin(0.025f * p.x + p.z * 0.016666668f + 2.3f * w);
            BYTE* vertex = vertices + i * waterStride;
            const D3DXVECTOR3 position(p.x, y, p.z);
            std::memcpy(vertex + waterPositionOffset, &position, sizeof position);
            if (i < waterRestTexCoords.size()) {
                const D3DXVECTOR2& uv = waterRestTexCoords[i];
                const D3DXVECTOR2 texCoord{
                    uv.x + 0.1f * (std::sin(0.02f * s + 0.5f * w) + std::cos(s * 0.033333335f + w)),
                    uv.y + 0.1f * (std::sin(0.05f * s + w) + std::sin(s * 0.02173913f + 0.5f * w))};
                std::memcpy(vertex + waterTexCoordOffset, &texCoord, sizeof texCoord);
            }
        }
        vertexBuffer->Unlock();
    }
    vertexBuffer->Release();
}

void WaterRoomScene::PlaceCameraAndDrawRoom(float t, float dt) {
    IDirect3DDevice9* d3d = device->device;
    int shot = 0;
    while (shot < ShotCount - 1 && !Before(t, ShotStarts[shot])) {
        ++shot;
    }
    currentShot = shot + 1;
    float& tau = shotClocks[shot];
    tau = tau + dt;

    const D3DXVECTOR3 lookDown(1.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 upright(0.0f, 1.0f, 0.0f);
    D3DXVECTOR3 at;
    D3DXVECTOR3 up = upright;
    switch (currentShot) {
    case 1:
        eye = D3DXVECTOR3(140.0f - 90.0f * tau, 120.0f, 85.0f);
        at = D3DXVECTOR3(140.0f - 80.0f * tau, 0.0f, 85.0f);
        up = lookDown;
        break;
    case 2:
        eye = D3DXVECTOR3(90.0f * tau - 80.0f, 120.0f, 50.0f);
        at = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        up = lookDown;
        break;
    case 3:
        eye = D3DXVECTOR3(-35.0f, 40.0f, 100.0f * tau - 35.0f);
        at = D3DXVECTOR3(0.0f, 40.0f, 60.0f * tau - 35.0f);
        break;
    case 4:
        eye = D3DXVECTOR3(170.0f - 100.0f * tau, 120.0f, 120.0f);
        at = D3DXVECTOR3(0.0f, 40.0f, 0.0f);
        break;
    case 5:
        eye = D3DXVECTOR3(-30.0f, 140.0f, 90.0f * tau - 35.0f);
        at = D3DXVECTOR3(50.0f, 40.0f, 55.0f);
        break;
    case 6:
        eye = D3DXVECTOR3(-35.0f, 40.0f, 95.0f * tau - 35.0f);
        at = D3DXVECTOR3(0.0f, 40.0f, 65.0f * tau - 35.0f);
        break;
    case 7:
        eye = D3DXVECTOR3(140.0f - 80.0f * tau, 120.0f, 85.0f);
        at = D3DXVECTOR3(10.0f - 80.0f * tau, 0.0f, 85.0f);
        up = lookDown;
        break;
    case 8:
        eye = D3DXVECTOR3(70.0f * tau - 80.0f, 120.0f, 50.0f);
        at = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        up = lookDown;
        break;
    case 9:
        eye = D3DXVECTOR3(170.0f - 90.0f * tau, 40.0f, 120.0f);
        at = D3DXVECTOR3(0.0f, 40.0f, 0.0f);
        break;
    case 10:
        eye = D3DXVECTOR3(140.0f - 80.0f * tau, 120.0f, 85.0f);
        at = D3DXVECTOR3(140.0f - 80.0f * tau, 0.0f, 85.0f);
        up = lookDown;
        break;
    case 11:
        eye = D3DXVECTOR3(-30.0f, 40.0f, 40.0f * tau - 35.0f);
        at = D3DXVECTOR3(50.0f, 40.0f, 55.0f);
        break;
    default:
        eye = D3DXVECTOR3(70.0f * tau - 80.0f, 120.0f, 50.0f);
        at = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
        up = lookDown;
        break;
    }

    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    d3d->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixPerspectiveFovLH(&projection, QuarterPi, 1.0f, 1.0f, 3500.0f);
    d3d->SetTransform(D3DTS_PROJECTION, &projection);

    d3d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d3d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d3d->SetRenderState(D3DRS_AMBIENT, 0x20202020);
    SceneHelpers::SetRoomLights(d3d, Lights, 0.1f);
    SceneHelpers::SetLinearSampling(d3d);
    d3d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    room.Draw();
}

// Additive water: one-one blending with the add operation the overlay state left.
void WaterRoomScene::DrawWater() {
    IDirect3DDevice9* d3d = device->device;
    SceneHelpers::BeginAdditive(d3d);
    water.Draw();
    SceneHelpers::EndAdditive(d3d);
}
