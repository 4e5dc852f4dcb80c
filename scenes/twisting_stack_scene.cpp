#include "scenes/twisting_stack_scene.h"

#include <cmath>
#include <cstring>
#include <iterator>

#include "assets/effect_binding.h"
#include "assets/resource_cache.h"
#include "scenes/beat_events.h"
#include "scenes/blob_effect.h"
#include "scenes/scene_helpers.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"
#include "shell/shared_random.h"

namespace {

constexpr int BeatCount = static_cast<int>(std::size(TwistStackScene::BeatTimes));

constexpr float QuarterPi = 0.7853982f;
constexpr UINT StackStride = 32; // position, normal, one texture coordinate pair
constexpr DWORD StackFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr float TwistRadius = 100.0f;
constexpr float FlareWrapZ = 250.0f;
constexpr float FlareColumnLength = 300.0f;
constexpr float FlareHalfSize = 4.0f;
constexpr float RestSize = 16.0f;
constexpr float BeatSize = 24.0f;
constexpr float ShrinkRate = 40.0f; // pixels a second
constexpr float BarSpeed = 180.0f;  // pixels a second
constexpr float BarSpacing = 40.0f; // pixels
constexpr float TravelLength = 800.0f;
constexpr float BulgeStart = 200.0f;
constexpr float BulgeEnd = 400.0f;
constexpr float DownColumnX = 600.0f;
constexpr float UpColumnX = 660.0f;

} // namespace

TwistStackScene::TwistStackScene() {
    std::memset(&lastView, 0, sizeof(lastView));
}

void TwistStackScene::Init() {
    device = DeviceHolder::Get();
    stack.Load("data//meshes//stapel.x", StackFvf, StackStride);
    sphere.Load("data//meshes//blobby_sphere.x", StackFvf, StackStride);
    if (stack.mesh != nullptr) {
        restPositions =
            SceneHelpers::ReadPositions(stack.vertexBuffer, stack.mesh->GetNumVertices(), StackStride);
        vertexCount = static_cast<DWORD>(restPositions.size());
    }

    effect = new EffectBinding();
    effect->Load("data//shader//diffuse.fx");

    baseTexture = ResourceCache::GetTexture("data//textures//blob.jpg");
    barTexture = ResourceCache::GetTexture("data//textures//sync_block.tga");
    overlayTexture = ResourceCache::GetTexture("data//textures//overlay04.tga");
    flareQuads.texture = ResourceCache::GetTexture("data//textures//flare.tga");
    environmentTexture = ResourceCache::GetCubeTexture("data//textures//grace_cross.dds");

    flarePositions.resize(FlareCount);
    flareColours.resize(FlareCount);
    flareSpeeds.resize(FlareCount);
    flareQuads.Init(FlareCount * 6);
    for (int i = 0; i < FlareCount; ++i) {
        // One statement a draw: the shared sequence must be consumed in exactly this order.
        const float x = (static_cast<float>(SharedRandom::Next() % 500) * 0.004f - 1.0f) * 3.0f;
        const float y = (static_cast<float>(SharedRandom::Next() % 500) * 0.004f - 1.0f) * 3.0f;
        const float z = static_cast<float>(SharedRandom::Next() % 3000) * 0.1f - 50.0f;
        flarePositions[i] = D3DXVECTOR3(x, y, z);
        flareColours[i] = {1.0f, 1.0f, 1.0f, 1.0f};
        // The sine of the integer taken as radians: speeds from 20 to 40.
        flareSpeeds[i] = std::sin(static_cast<float>(SharedRandom::Next() % 5000)) * 10.0f + 30.0f;
    }

    overlayQuad = SceneHelpers::CreateFrameOverlay(overlayTexture);

    barSize = RestSize;
    for (int i = 0; i < BarCount; ++i) {
        downBars[i] = new ScreenQuad();
        downBars[i]->Create(barTexture);
        downBars[i]->FillUnit();
        barPosition[i] = BarSpacing * static_cast<float>(i);
        upBars[i] = new ScreenQuad();
        upBars[i]->Create(barTexture);
        upBars[i]->FillUnit();
    }
}

void TwistStackScene::Render() {
    IDirect3DDevice9* d3d = device != nullptr ? device->device : nullptr;
    if (d3d == nullptr) {
        return;
    }
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;

    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000028, 1.0f, 0);
    Twist(dt);
    MoveFlares(dt);
    d3d->BeginScene();
    DrawStack(t, dt);
    DrawFlares();
    DrawBars(t, dt);
    d3d->EndScene();
}

// Every frame starts again from the rest shape: vertices near the Z axis turn about it by
// an angle that grows with the distance and the height along the stack.
void TwistStackScene::Twist(float dt) {
    twistPhase = twistPhase + 2.5f * dt;
    BYTE* vertices = nullptr;
    if (stack.vertexBuffer == nullptr ||
        FAILED(stack.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    for (DWORD i = 0; i < vertexCount; ++i) {
        const D3DXVECTOR3& p = restPositions[i];
        const float r = std::sqrt(p.x * p.x + p.y * p.y);
        if (r >= TwistRadius) {
            continue;
        }
        const float theta =
            (1.0f + 0.01f * r + 0.033333335f * p.z) * 0.5f * std::cos(twistPhase + 0.01f * p.y);
        D3DXMATRIX rotation;
        D3DXMatrixRotationZ(&rotation, theta);
        D3DXVec3TransformCoord(reinterpret_cast<D3DXVECTOR3*>(vertices + i * StackStride), &p, &rotation);
    }
    stack.vertexBuffer->Unlock();
}

// Runs before this frame's camera is set, so the flares face the camera of the frame before.
void TwistStackScene::MoveFlares(float dt) {
    QuadVertex* vertices = nullptr;
    if (flareQuads.vertexBuffer == nullptr ||
        FAILED(flareQuads.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    flareQuads.locked = true;
    const D3DXMATRIX& m = lastView;
    const D3DXVECTOR3 r(FlareHalfSize * m._11, FlareHalfSize * m._12, FlareHalfSize * -m._13);
    const D3DXVECTOR3 u(FlareHalfSize * m._21, FlareHalfSize * m._22, FlareHalfSize * -m._23);
    const D3DXVECTOR3 a(-r.x - u.x, -r.y - u.y, -r.z - u.z);
    const D3DXVECTOR3 b(u.x - r.x, u.y - r.y, u.z - r.z);
    const D3DXVECTOR3 c(r.x + u.x, r.y + u.y, r.z + u.z);
    const D3DXVECTOR3 d(r.x - u.x, r.y - u.y, r.z - u.z);
    struct Corner {
        const D3DXVECTOR3* offset;
        float u, v;
    };
    const Corner corners[6] = {{&a, 0, 0}, {&b, 1, 0}, {&c, 1, 1}, {&a, 0, 0}, {&c, 1, 1}, {&d, 0, 1}};

    for (int i = 0; i < FlareCount; ++i) {
        D3DXVECTOR3& p = flarePositions[i];
        p.z = p.z + flareSpeeds[i] * dt;
        if (p.z > FlareWrapZ) {
            p.z = p.z - FlareColumnLength;
        }
        const Colour& colour = flareColours[i];
        const D3DCOLOR packed = SceneHelpers::PackColour(colour.r, colour.g, colour.b, colour.a);
        for (int k = 0; k < 6; ++k) {
            const D3DXVECTOR3& o = *corners[k].offset;
            vertices[i * 6 + k] = {p.x + o.x, p.y + o.y, p.z + o.z, packed, corners[k].u, corners[k].v};
        }
    }
    flareQuads.locked = false;
    flareQuads.vertexBuffer->Unlock();
}

void TwistStackScene::DrawStack(float t, float dt) {
    IDirect3DDevice9* d3d = device->device;
    cameraClock = cameraClock + dt;
    const float a = cameraClock;

    // The eye glides from z = 200 to z = 0 and back over 4 pi seconds.
    const D3DXVECTOR3 eye(100.0f, 120.0f, 100.0f + 100.0f * std::cos(0.5f * a));
    const D3DXVECTOR3 at(0.0f, 0.0f, 100.0f + 50.0f * std::cos(0.5f * a));
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    lastView = view;
    d3d->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixPerspectiveFovLH(&projection, QuarterPi, 1.0f, 1.0f, 3000.0f);
    d3d->SetTransform(D3DTS_PROJECTION, &projection);

    D3DXMATRIX viewProjection;
    D3DXMATRIX identity;
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    D3DXMatrixIdentity(&identity);
    BlobEffectValues values;
    values.worldViewProjection = viewProjection;
    values.world = identity;
    values.eyePosition = D3DXVECTOR4{0.0f, 10.0f, -20.0f, 0.0f};
    values.lightDirection1 = D3DXVECTOR4{0.5f, 0.5f, 1.0f, 1.0f};
    values.lightDirection2 = D3DXVECTOR4{-0.5f, 0.5f, 0.8f, 1.0f};
    values.ambient = D3DXVECTOR4{0.1f, 0.1f, 0.1f, 1.0f};
    values.diffuse1 = D3DXVECTOR4{0.0f, 0.0f, 1.0f, 1.0f};
    values.diffuse2 = D3DXVECTOR4{0.0f, 0.8f, 1.0f, 1.0f};
    values.envMapBlend = D3DXVECTOR4{0.25f, 0.25f, 0.25f, 0.25f};
    values.base = baseTexture;
    values.environment = environmentTexture;
    SetBlobOffset(values.offset, t, 0.5f);
    SetBlobEffectValues(effect, values);

    SetBlobDrawStates(d3d);

    effect->SetTechnique("RenderSceneTextured2LightsEnvMap");
    stack.Draw(effect);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
}

// Additive, with the world transform the frame before's overlay state left at identity.
void TwistStackScene::DrawFlares() {
    IDirect3DDevice9* d3d = device->device;
    SceneHelpers::BeginAdditive(d3d);
    flareQuads.Draw();
    SceneHelpers::EndAdditive(d3d);
}

void TwistStackScene::DrawBars(float t, float dt) {
    OverlayState();

    const int beat = BeatEvents::Next(BeatTimes, BeatCount, lastBeat, t);
    if (beat != -1) {
        barSize = BeatSize;
        lastBeat = beat;
    }
    // A fired beat already shrinks in its own frame; an overshoot below the rest size is
    // drawn as it is for that one frame.
    if (barSize > RestSize) {
        barSize = barSize - ShrinkRate * dt;
    } else {
        barSize = RestSize;
    }

    const float s = barSize;
    for (int i = 0; i < BarCount; ++i) {
        barPosition[i] = barPosition[i] + BarSpeed * dt;
        if (barPosition[i] >= TravelLength) {
            barPosition[i] = barPosition[i] - TravelLength;
        }
        const float p = barPosition[i];
        // Over the middle band the columns swing apart by half a sine wave, 80 pixels at most.
        float o = 0.0f;
        if (BulgeStart <= p && p <= BulgeEnd) {
            o = 80.0f * std::sin((p - BulgeStart) * 0.9f * 0.017453292f);
        }
        const float q = s * 0.5f + o;
        SceneHelpers::SetQuadCorners(downBars[i], DownColumnX - q, p - 0.5f * s, DownColumnX + s - q,
                                     p + 1.5f * s);
        // Upside down: the texture's top row lies at the bar's bottom edge.
        SceneHelpers::SetQuadCorners(upBars[i], UpColumnX + q, 600.0f - p + 1.5f * s, UpColumnX + s + q,
                                     600.0f - p - 0.5f * s);
        downBars[i]->Draw();
        upBars[i]->Draw();
    }
    overlayQuad->Draw();
}
