#include "scenes/water_room_scene.h"

#include <cmath>

#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "scenes/scene_helpers.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"

namespace {

constexpr float QuarterPi = 0.7853982f;
constexpr UINT WaterStride = 32;
constexpr UINT WaterTexCoordOffset = 24;

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

    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    if (water.mesh == nullptr || FAILED(water.mesh->GetVertexBuffer(&vertexBuffer))) {
        return;
    }
    const std::size_t count = water.mesh->GetNumVertices();
    BYTE* vertices = nullptr;
    if (SUCCEEDED(vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        waterRestPositions.resize(count);
        waterRestTexCoords.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto* p = reinterpret_cast<const float*>(vertices + i * WaterStride);
            const auto* uv = reinterpret_cast<const float*>(vertices + i * WaterStride + WaterTexCoordOffset);
            waterRestPositions[i] = D3DXVECTOR3(p[0], p[1], p[2]);
            waterRestTexCoords[i] = D3DXVECTOR2{uv[0], uv[1]};
        }
        vertexBuffer->Unlock();
    }
    vertexBuffer->Release();
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
            const D3DXVECTOR2& uv = waterRestTexCoords[i];
            const float s = p.x + p.z;
            const float y = p.y - 5.0f + std::cos(p.x * 0.06666667f + p.z * 0.083333336f + 1.7f * w) +
                            std::cos(0.02f * p.x + 0.1f * p.z + 1.5f * w) + 3.0f * std::cos(0.01f * s + w) +
                            std::sin(0.025f * p.x + 0.04f * p.z + 2.0f * w) +
                            std::sin(0.025f * p.x + p.z * 0.016666668f + 2.3f * w);
            const float u = uv.x + 0.1f * (std::sin(0.02f * s + 0.5f * w) + std::cos(s * 0.033333335f + w));
            const float v = uv.y + 0.1f * (std::sin(0.05f * s + w) + std::sin(s * 0.02173913f + 0.5f * w));
            auto* position = reinterpret_cast<float*>(vertices + i * WaterStride);
            auto* texCoord = reinterpret_cast<float*>(vertices + i * WaterStride + WaterTexCoordOffset);
            position[0] = p.x;
            position[1] = y;
            position[2] = p.z;
            texCoord[0] = u;
            texCoord[1] = v;
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
