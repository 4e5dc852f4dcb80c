#include "scenes/camera_flight_scene.h"

#include <cmath>
#include <iterator>

#include "assets/effect_binding.h"
#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "scenes/blob_effect.h"
#include "scenes/scene_helpers.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"
#include "shell/shared_random.h"

namespace {

constexpr int FixedSegments = 4;

constexpr float PulseLength = 0.2f;

constexpr float BlobStart = 29.411f;
constexpr D3DXVECTOR3 Source(-145.0f, 37.0f, -28.0f);
constexpr float QuarterPi = 0.7853982f;
constexpr UINT BlobStride = 32;
constexpr DWORD StripFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
constexpr UINT StripStride = sizeof(CameraFlightScene::StripVertex);
constexpr float NewPointInterval = 0.1f;
constexpr CameraFlightScene::Colour HeadColour{1.0f, 0.2f, 0.2f, 1.0f};

float RandomDirection() {
    return static_cast<float>(SharedRandom::Next() % 500 - 250) * 0.1f;
}
float RandomFrequency() {
    return static_cast<float>(SharedRandom::Next() % 400 - 200) * 0.005f;
}
float RandomPhase() {
    return static_cast<float>(SharedRandom::Next() % 400);
}

} // namespace

void CameraFlightScene::Init() {
    holder = DeviceHolder::Get();
    blob.Load("data//blobby12.X", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, BlobStride);

    baseTexture = ResourceCache::GetTexture("data//textures//neuronma.jpg");
    envTexture = ResourceCache::GetCubeTexture("data//textures//grace_cross.dds");
    flareTexture = ResourceCache::GetTexture("data//textures//neuronflare.jpg");
    overlayTexture = ResourceCache::GetTexture("data//textures//overlay04.tga");

    effect = new EffectBinding();
    effect->Load("data//shader//diffuse.fx");

    for (Billboard*& flare : sourceFlares) {
        flare = new Billboard();
        flare->Create(flareTexture);
        flare->position = Source;
    }

    trails = new Trail[TrailCount];
    for (int i = 0; i < TrailCount; ++i) {
        Trail& trail = trails[i];
        // Each component is a separate statement: the draws must come in exactly this order.
        trail.direction.x = RandomDirection();
        trail.direction.y = RandomDirection();
        trail.direction.z = RandomDirection();
        trail.frequency.x = RandomFrequency();
        trail.frequency.y = RandomFrequency();
        trail.frequency.z = RandomFrequency();
        trail.phase.x = RandomPhase();
        trail.phase.y = RandomPhase();
        trail.phase.z = RandomPhase();
        trail.head = Source;
        trail.points[0] = Source;
        trail.colours[0] = HeadColour;
        trail.timer = 0.0f;
        trail.pointCount = 2;
        trail.headHalfWidth = 5.0f;
        trail.headHalfHeight = 5.0f;
        IDirect3DDevice9* device = holder->device;
        if (device != nullptr) {
            device->CreateVertexBuffer(TrailLength * StripStride, D3DUSAGE_DYNAMIC, StripFvf, D3DPOOL_DEFAULT,
                                       &trail.strip, nullptr);
        }
        trail.headFlare = new Billboard();
        trail.headFlare->Create(nullptr);
    }

    overlayQuad = SceneHelpers::CreateFrameOverlay(overlayTexture);
}

void CameraFlightScene::Render() {
    IDirect3DDevice9* device = holder != nullptr ? holder->device : nullptr;
    if (device == nullptr) {
        return;
    }
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    // Until the blob appears the trails stand still: they move only while drawn.
    if (t >= BlobStart) {
        DrawBlob(t, dt);
        DrawParticles(t, dt);
    }
    OverlayState();
    overlayQuad->Draw();
    device->EndScene();
}

void CameraFlightScene::PlaceCamera(float t, float dt, D3DXVECTOR3* eye, D3DXVECTOR3* target) {
    int segment = 0;
    for (int i = 0; i < static_cast<int>(std::size(SegmentStarts)); ++i) {
        if (t >= SegmentStarts[i]) {
            segment = i;
        }
    }
    if (t > SweepsEnd) {
        segment = static_cast<int>(std::size(SegmentStarts));
    }

    *target = Source;
    float g = 0.0f;
    if (segment >= FixedSegments) {
        float& clock = segmentClocks[segment - FixedSegments];
        clock = clock + dt;
        g = clock;
    }
    switch (segment) {
    case 0:
        *eye = D3DXVECTOR3(41.0f, 35.0f, -20.0f);
        break;
    case 1:
    case 3:
        *eye = D3DXVECTOR3(82.0f, 45.0f, -40.0f);
        break;
    case 2:
        *eye = D3DXVECTOR3(10.0f, 15.0f, 40.0f);
        break;
    case 4:
        *eye = D3DXVECTOR3(41.0f - 80.0f * g, 35.0f, -12.0f);
        break;
    case 5:
        *eye = D3DXVECTOR3(81.0f - 80.0f * g, 35.0f, -212.0f);
        break;
    case 6:
    case 8:
        *eye = D3DXVECTOR3(-30.0f - 140.0f * g, 120.0f, 50.0f);
        *target = D3DXVECTOR3(-30.0f - 90.0f * g, 37.0f, -28.0f);
        break;
    default: // 7, 9, 10: dropping down while the target slides along z
        *eye = D3DXVECTOR3(82.0f, 45.0f - 70.0f * g, -40.0f);
        *target = D3DXVECTOR3(-145.0f, 37.0f, -28.0f + 80.0f * g);
        break;
    }
}

void CameraFlightScene::DrawBlob(float t, float dt) {
    IDirect3DDevice9* device = holder->device;

    D3DXVECTOR3 eye;
    D3DXVECTOR3 target;
    PlaceCamera(t, dt, &eye, &target);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMATRIX identity;
    D3DXMATRIX projection;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    device->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    D3DXMatrixPerspectiveFovLH(&projection, QuarterPi, 1.0f, 1.0f, 3000.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);

    D3DXMATRIX viewProjection;
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    // The lighting uses a fixed eye, not the moving camera, and unnormalised directions.
    BlobEffectValues values;
    values.worldViewProjection = viewProjection;
    values.world = identity;
    values.eyePosition = D3DXVECTOR4{0.0f, 10.0f, -20.0f, 0.0f};
    values.lightDirection1 = D3DXVECTOR4{0.5f, 0.5f, 1.0f, 1.0f};
    values.lightDirection2 = D3DXVECTOR4{-0.5f, 0.5f, 0.8f, 1.0f};
    values.ambient = D3DXVECTOR4{0.1f, 0.1f, 0.1f, 1.0f};
    values.diffuse1 = D3DXVECTOR4{0.2f, 0.1f, 0.6f, 1.0f};
    values.diffuse2 = D3DXVECTOR4{0.1f, 0.2f, 0.6f, 1.0f};
    values.envMapBlend = D3DXVECTOR4{0.125f, 0.125f, 0.125f, 1.0f};
    values.base = baseTexture;
    values.environment = envTexture;
    SetBlobOffset(values.offset, t, 0.5f);
    SetBlobEffectValues(effect, values);

    SetBlobDrawStates(device);

    effect->SetTechnique("RenderSceneTextured2LightsEnvMap");
    blob.Draw(effect);

    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
}

// Additive: the flares and strips brighten what lies behind them.
void CameraFlightScene::DrawParticles(float t, float dt) {
    IDirect3DDevice9* device = holder->device;
    SceneHelpers::BeginAdditive(device);

    // The same flare twice at the source, so it adds up twice.
    for (Billboard* flare : sourceFlares) {
        flare->halfWidth = 30.0f;
        flare->halfHeight = 30.0f;
        flare->position = Source;
        flare->Draw();
    }

    device->SetTexture(0, nullptr);
    for (int i = 0; i < TrailCount; ++i) {
        Trail& trail = trails[i];
        UpdateTrail(trail, t, dt);
        device->SetStreamSource(0, trail.strip, 0, StripStride);
        device->SetFVF(StripFvf);
        device->DrawPrimitive(D3DPT_LINESTRIP, 0, static_cast<UINT>(trail.pointCount - 1));
    }

    for (int i = 0; i < TrailCount; ++i) {
        Trail& trail = trails[i];
        trail.headFlare->texture = flareTexture;
        trail.headFlare->position = trail.head;
        trail.headFlare->halfWidth = trail.headHalfWidth;
        trail.headFlare->halfHeight = trail.headHalfHeight;
        trail.headFlare->Draw();
    }

    SceneHelpers::EndAdditive(device);
}

// Every 0.1 s the trail gains a point and its head a new heading; the newest point follows
// the head, and the ten oldest points fade from dark to bright red.
void CameraFlightScene::UpdateTrail(Trail& trail, float t, float dt) {
    trail.timer = trail.timer + dt;
    // At most one point a frame: after a long frame the timer stays above the interval and
    // the next frame adds another.
    if (trail.timer > NewPointInterval) {
        trail.pointCount = trail.pointCount + 1;
        trail.direction = D3DXVECTOR3(25.0f * std::sin(2.0f * t * trail.frequency.x + trail.phase.x),
                                      25.0f * std::cos(2.0f * t * trail.frequency.y + trail.phase.y),
                                      25.0f * std::sin(2.0f * t * trail.frequency.z + trail.phase.z));
        trail.timer = trail.timer - NewPointInterval;
        if (trail.pointCount == TrailLength + 1) {
            for (int k = 1; k < TrailLength; ++k) {
                trail.points[k - 1] = trail.points[k];
                trail.colours[k - 1] = trail.colours[k];
            }
            trail.pointCount = TrailLength;
        }
    }

    if (trail.pointCount >= 10) {
        for (int k = 0; k < 10; ++k) {
            const float f = 0.1f * static_cast<float>(k + 1);
            const float level = f - trail.timer;
            trail.colours[k] = {level, 0.2f * level, 0.2f * level, level};
        }
    }

    trail.head.x = trail.head.x + trail.direction.x * dt;
    trail.head.y = trail.head.y + trail.direction.y * dt;
    trail.head.z = trail.head.z + trail.direction.z * dt;
    trail.points[trail.pointCount - 1] = trail.head;
    trail.colours[trail.pointCount - 1] = HeadColour;

    for (float beat : PulseTimes) {
        if (beat <= t && t <= beat + PulseLength) {
            const float half = (beat + PulseLength - t) * 100.0f + 5.0f;
            trail.headHalfWidth = half;
            trail.headHalfHeight = half;
        }
    }

    StripVertex* vertices = nullptr;
    if (trail.strip == nullptr || FAILED(trail.strip->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    for (int k = 0; k < trail.pointCount; ++k) {
        const Colour& c = trail.colours[k];
        vertices[k] = {trail.points[k].x, trail.points[k].y, trail.points[k].z,
                       SceneHelpers::PackColour(c.r, c.g, c.b, c.a)};
    }
    trail.strip->Unlock();
}
