#include "scenes/swirl_blob_scene.h"

#include <algorithm>
#include <cmath>

#include "assets/effect_binding.h"
#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "scenes/blob_effect.h"
#include "scenes/scene_helpers.h"
#include "scenes/tumble_rotation.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"

namespace {

constexpr float QuarterPi = 0.7853982f;
constexpr float SwirlRadius = 100.0f;
constexpr float ShortestSwirlStep = 0.002f;
constexpr float FadeStart = 112.0f;
constexpr UINT BlobStride = 32;

} // namespace

void SwirlBlobScene::Init() {
    device = DeviceHolder::Get();
    blob.Load("data//meshes//blobby19.x", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, BlobStride);
    sphere.Load("data//meshes//blobby_sphere.x", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, BlobStride);

    if (blob.mesh != nullptr) {
        swirlPositions =
            SceneHelpers::ReadPositions(blob.vertexBuffer, blob.mesh->GetNumVertices(), BlobStride);
    }

    effect = new EffectBinding();
    effect->Load("data//shader//diffuse.fx");

    baseTexture = ResourceCache::GetTexture("data//textures//blob.jpg");
    fadeTexture = ResourceCache::GetTexture("data//textures//black.bmp");
    overlayTexture = ResourceCache::GetTexture("data//textures//overlay04.tga");
    environmentTexture = ResourceCache::GetCubeTexture("data//textures//grace_cross.dds");

    overlayQuad = SceneHelpers::CreateFrameOverlay(overlayTexture);
    fadeAlpha = 0.0f;
    fadeQuad = SceneHelpers::CreateFadeQuad(fadeTexture);
}

void SwirlBlobScene::Render() {
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;
    IDirect3DDevice9* d3d = device->device;

    Swirl(dt);
    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000028, 1.0f, 0);
    d3d->BeginScene();
    DrawMeshes(t, dt);
    DrawFade(t);
    OverlayState();
    overlayQuad->Draw();
    d3d->EndScene();
}

// The turn accumulates in the stored positions and is taken once per frame, not scaled by
// the frame time, so the blob sways one way and back with the phase.
void SwirlBlobScene::Swirl(float dt) {
    const float step = std::max(dt, ShortestSwirlStep);
    swirlPhase = swirlPhase + 4.5f * step;
    const float k = std::cos(swirlPhase) * 0.016666668f;
    for (D3DXVECTOR3& p : swirlPositions) {
        const float r = std::sqrt(p.x * p.x + p.y * p.y);
        if (r < SwirlRadius) {
            D3DXMATRIX rotation;
            D3DXMatrixRotationZ(&rotation, (0.1f * p.z + 0.02f * r + 1.0f) * k);
            const D3DXVECTOR3 before = p;
            D3DXVec3TransformCoord(&p, &before, &rotation);
        }
    }
    BYTE* vertices = nullptr;
    if (blob.vertexBuffer == nullptr ||
        FAILED(blob.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    for (size_t i = 0; i < swirlPositions.size(); ++i) {
        *reinterpret_cast<D3DXVECTOR3*>(vertices + i * BlobStride) = swirlPositions[i];
    }
    blob.vertexBuffer->Unlock();
}

void SwirlBlobScene::DrawMeshes(float t, float dt) {
    IDirect3DDevice9* d3d = device->device;
    spinClock = spinClock + dt;

    const D3DXVECTOR3 eye(30.0f, 0.0f, -100.0f);
    const D3DXVECTOR3 at(0.0f, 0.0f, 50.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    d3d->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixPerspectiveFovLH(&projection, QuarterPi, 1.0f, 1.0f, 3000.0f);
    d3d->SetTransform(D3DTS_PROJECTION, &projection);

    const D3DXMATRIX world = TumbleRotation(2.1f * spinClock, 2.29f * spinClock, 1.8f * spinClock);

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
    values.ambient = D3DXVECTOR4{0.0f, 0.0f, 0.0f, 0.0f};
    values.diffuse1 = D3DXVECTOR4{0.1f, 0.0f, 0.4f, 1.0f};
    values.diffuse2 = D3DXVECTOR4{0.0f, 0.1f, 0.4f, 1.0f};
    values.envMapBlend = D3DXVECTOR4{0.125f, 0.125f, 0.125f, 0.125f};
    values.base = baseTexture;
    values.environment = environmentTexture;
    SetBlobOffset(values.offset, t, 0.5f);
    SetBlobEffectValues(effect, values);
    SetBlobDrawStates(d3d);

    effect->SetTechnique("RenderSceneTextured2LightsEnvMap");
    sphere.Draw(effect);

    D3DXMATRIX worldView;
    D3DXMATRIX worldViewProjection;
    D3DXMatrixMultiply(&worldView, &world, &view);
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &projection);
    const D3DXVECTOR4 blobAmbient{0.1f, 0.1f, 0.1f, 1.0f};
    const D3DXVECTOR4 blobDiffuse1{0.0f, 0.0f, 1.0f, 1.0f};
    const D3DXVECTOR4 blobDiffuse2{0.0f, 0.8f, 1.0f, 1.0f};
    const D3DXVECTOR4 blobEnvMapBlend{0.25f, 0.25f, 0.25f, 0.25f};
    effect->SetMatrix("matWorldViewProj", &worldViewProjection);
    effect->SetMatrix("matWorld", &world);
    effect->SetValue("colAmbient", &blobAmbient, 16);
    effect->SetValue("colDiffuse1", &blobDiffuse1, 16);
    effect->SetValue("colDiffuse2", &blobDiffuse2, 16);
    effect->SetValue("envMapBlendFactor", &blobEnvMapBlend, 16);
    blob.Draw(effect);

    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
}

// From 112 s the picture under the frame overlay fades to black within one second.
void SwirlBlobScene::DrawFade(float t) {
    if (t < FadeStart) {
        return;
    }
    fadeAlpha = t - FadeStart;
    SceneHelpers::SetQuadColour(
        fadeQuad, SceneHelpers::PackColour(fadeColour[0], fadeColour[1], fadeColour[2], fadeAlpha));
    OverlayState();
    fadeQuad->Draw();
}
