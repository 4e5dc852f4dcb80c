#include "scenes/wobbling_blob_scene.h"

#include <cmath>
#include <iterator>

#include "assets/effect_binding.h"
#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "scenes/beat_events.h"
#include "scenes/blob_effect.h"
#include "scenes/scene_helpers.h"
#include "scenes/tumble_rotation.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"

namespace {

constexpr int BeatCount = static_cast<int>(std::size(WobbleBlobScene::BeatTimes));

constexpr float QuarterPi = 0.7853982f;
constexpr UINT BlobStride = 32; // position, normal, one texture coordinate pair
constexpr DWORD BlobFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr float WobbleRadius = 100.0f;
constexpr float RestSize = 16.0f;
constexpr float BeatSize = 24.0f;
constexpr float ShrinkRate = 40.0f;    // pixels a second
constexpr float SquareSpeed = 180.0f;  // pixels a second
constexpr float SquareSpacing = 40.0f; // pixels
constexpr float RowY = 256.0f;
constexpr float HopStart = 500.0f;
constexpr float ScreenWidth = 800.0f;

} // namespace

void WobbleBlobScene::Init() {
    device = DeviceHolder::Get();
    blob.Load("data//meshes//blobby23.x", BlobFvf, BlobStride);
    secondMesh.Load("data//meshes//blobby21.x", BlobFvf, BlobStride);
    if (blob.mesh != nullptr) {
        restPositions =
            SceneHelpers::ReadPositions(blob.vertexBuffer, blob.mesh->GetNumVertices(), BlobStride);
        vertexCount = static_cast<DWORD>(restPositions.size());
    }

    effect = new EffectBinding();
    effect->Load("data//shader//diffuse.fx");

    baseTexture = ResourceCache::GetTexture("data//textures//blob.jpg");
    squareTexture = ResourceCache::GetTexture("data//textures//sync_block.tga");
    overlayTexture = ResourceCache::GetTexture("data//textures//overlay04.tga");
    environmentTexture = ResourceCache::GetCubeTexture("data//textures//grace_cross.dds");

    overlayQuad = SceneHelpers::CreateFrameOverlay(overlayTexture);

    squareSize = RestSize;
    for (int i = 0; i < SquareCount; ++i) {
        squares[i] = new ScreenQuad();
        squares[i]->Create(squareTexture);
        squares[i]->FillUnit();
        squareX[i] = SquareSpacing * static_cast<float>(i);
        SceneHelpers::SetQuadCorners(squares[i], squareX[i], RowY, squareX[i] + RestSize, RowY + RestSize);
    }
}

void WobbleBlobScene::Render() {
    IDirect3DDevice9* d3d = device != nullptr ? device->device : nullptr;
    if (d3d == nullptr) {
        return;
    }
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;

    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000028, 1.0f, 0);
    Wobble(dt);
    d3d->BeginScene();
    DrawBlob(t, dt);
    DrawSquares(t, dt);
    d3d->EndScene();
}

// Every frame starts again from the rest shape: inner vertices are pushed out along their
// direction from the origin by a travelling wave, to between about 1.17 and 2.83 times.
void WobbleBlobScene::Wobble(float dt) {
    wobblePhase = wobblePhase + 4.5f * dt;
    const float phi = wobblePhase;
    BYTE* vertices = nullptr;
    if (blob.vertexBuffer == nullptr ||
        FAILED(blob.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    for (DWORD i = 0; i < vertexCount; ++i) {
        const D3DXVECTOR3& p = restPositions[i];
        if (std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) >= WobbleRadius) {
            continue;
        }
        const float k = 2.0f +
                        0.5f * std::cos(phi + std::sin(0.05f * (p.x + p.y) + 0.33333334f * phi) +
                                        0.01f * (p.x + p.y + p.z)) +
                        0.33333334f * std::sin(phi + 0.05f * (p.x + p.z));
        D3DXMATRIX scaling;
        D3DXMatrixScaling(&scaling, k, k, k);
        D3DXVec3TransformCoord(reinterpret_cast<D3DXVECTOR3*>(vertices + i * BlobStride), &p, &scaling);
    }
    blob.vertexBuffer->Unlock();
}

void WobbleBlobScene::DrawBlob(float t, float dt) {
    IDirect3DDevice9* d3d = device->device;
    spinClock = spinClock + dt;
    const float a = spinClock;

    const D3DXVECTOR3 eye(30.0f, 0.0f, -500.0f);
    const D3DXVECTOR3 at(0.0f, 0.0f, 50.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    d3d->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixPerspectiveFovLH(&projection, QuarterPi, 1.0f, 1.0f, 3000.0f);
    d3d->SetTransform(D3DTS_PROJECTION, &projection);

    const D3DXMATRIX world = TumbleRotation(1.1f * a, 1.29f * a, 0.8f * a);
    D3DXMATRIX worldView;
    D3DXMATRIX worldViewProjection;
    D3DXMatrixMultiply(&worldView, &world, &view);
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &projection);

    BlobEffectValues values;
    values.worldViewProjection = worldViewProjection;
    values.world = world;
    values.eyePosition = D3DXVECTOR4{0.0f, 10.0f, -500.0f, 0.0f};
    values.lightDirection1 = D3DXVECTOR4{0.5f, 0.5f, 1.0f, 1.0f};
    values.lightDirection2 = D3DXVECTOR4{-0.5f, 0.5f, 0.8f, 1.0f};
    values.ambient = D3DXVECTOR4{0.1f, 0.1f, 0.1f, 1.0f};
    values.diffuse1 = D3DXVECTOR4{0.0f, 0.0f, 1.0f, 1.0f};
    values.diffuse2 = D3DXVECTOR4{0.0f, 0.8f, 1.0f, 1.0f};
    values.envMapBlend = D3DXVECTOR4{0.125f, 0.125f, 0.125f, 0.125f};
    values.base = baseTexture;
    values.environment = environmentTexture;
    SetBlobOffset(values.offset, t, 0.5f);
    SetBlobEffectValues(effect, values);

    SetBlobDrawStates(d3d);

    effect->SetTechnique("RenderSceneTextured2LightsEnvMap");
    blob.Draw(effect);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
}

void WobbleBlobScene::DrawSquares(float t, float dt) {
    OverlayState();

    const int beat = BeatEvents::Next(BeatTimes, BeatCount, lastBeat, t);
    if (beat != -1) {
        squareSize = BeatSize;
        lastBeat = beat;
    }
    // A fired beat already shrinks in its own frame; an overshoot below the rest size is
    // drawn as it is for that one frame.
    if (squareSize > RestSize) {
        squareSize = squareSize - ShrinkRate * dt;
    } else {
        squareSize = RestSize;
    }

    const float s = squareSize;
    const float h = (s - RestSize) * 0.5f;
    for (int i = 0; i < SquareCount; ++i) {
        squareX[i] = squareX[i] + SquareSpeed * dt;
        if (squareX[i] >= ScreenWidth) {
            squareX[i] = squareX[i] - ScreenWidth;
        }
        const float x = squareX[i];
        float y = RowY;
        // Half a sine wave over the last 300 pixels: up to 156 at x = 650, back at 800.
        if (HopStart <= x && x < ScreenWidth) {
            y = RowY - 100.0f * std::sin((x - HopStart) * 0.0033333334f * 180.0f * 0.017453292f);
        }
        SceneHelpers::SetQuadCorners(squares[i], x - h, y - h, x + s + h, y + s + h);
        squares[i]->Draw();
    }
    overlayQuad->Draw();
}
