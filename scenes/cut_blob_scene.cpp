#include "scenes/cut_blob_scene.h"

#include <cmath>

#include "assets/effect_binding.h"
#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "scenes/beat_events.h"
#include "scenes/blob_effect.h"
#include "scenes/scene_helpers.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"

namespace {

constexpr float QuarterPi = 0.7853982f;
constexpr float TwistRadius = 75.0f;
constexpr float FadeEnd = 85.2f;
constexpr UINT BlobStride = 40;

} // namespace

void CutBlobScene::Init() {
    device = DeviceHolder::Get();
    baseTexture = ResourceCache::GetTexture("data//textures//blob.jpg");
    environmentTexture = ResourceCache::GetCubeTexture("data//textures//grace_cross.dds");
    overlayTexture = ResourceCache::GetTexture("data//textures//overlay04.tga");
    fadeTexture = ResourceCache::GetTexture("data//textures//black.bmp");

    effect = new EffectBinding();
    effect->Load("data//shader//diffuse.fx");

    blob.Load("data//meshes//blobby13.X", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2, BlobStride);
    if (blob.mesh != nullptr) {
        restPositions =
            SceneHelpers::ReadPositions(blob.vertexBuffer, blob.mesh->GetNumVertices(), BlobStride);
    }

    overlayQuad = SceneHelpers::CreateFrameOverlay(overlayTexture);
    fadeQuad = SceneHelpers::CreateFadeQuad(fadeTexture);
    fadeAlpha = 0.0f;
}

void CutBlobScene::Render() {
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;
    IDirect3DDevice9* d3d = device->device;

    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    Twist(dt);
    d3d->BeginScene();
    PlaceCamera(t, dt);
    DrawBlob(t);
    DrawFadeAndOverlay(t);
    d3d->EndScene();
}

// Each frame starts again from the rest shape: vertices near the axis turn about it by an
// angle that swings with the phase and the height.
void CutBlobScene::Twist(float dt) {
    twistPhase = twistPhase + 6.5f * dt;
    BYTE* vertices = nullptr;
    if (blob.vertexBuffer == nullptr ||
        FAILED(blob.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    for (size_t i = 0; i < restPositions.size(); ++i) {
        const D3DXVECTOR3& p = restPositions[i];
        const float r = std::sqrt(p.x * p.x + p.z * p.z);
        if (r < TwistRadius) {
            const float theta = std::cos(twistPhase + 0.02f * p.y) * (TwistRadius - r) * 0.008695652f;
            D3DXMATRIX rotation;
            D3DXMatrixRotationY(&rotation, theta);
            D3DXVec3TransformCoord(reinterpret_cast<D3DXVECTOR3*>(vertices + i * BlobStride), &p, &rotation);
        }
    }
    blob.vertexBuffer->Unlock();
}

void CutBlobScene::PlaceCamera(float t, float dt) {
    if (firstFrame) {
        eye = D3DXVECTOR3(0.0f, -20.0f, 0.0f);
        firstFrame = false;
    }
    D3DXVECTOR3 at(-32.0f, 167.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    fieldOfView = QuarterPi;

    if (lastCut < 5) {
        eye.y = eye.y + 30.0f * dt;
    }
    const int cut = BeatEvents::Next(CutTimes, CutCount, lastCut, t);
    if (cut >= 0) {
        lastCut = cut;
        if (cut < 5) {
            eye.y = eye.y + 40.0f;
            if (cut == 2) {
                eye.x = -50.0f;
                eye.z = -21.0f;
            }
        }
    }

    switch (lastCut) {
    case 5:
        h5 = h5 + 200.0f * dt;
        eye.y = h5;
        at = D3DXVECTOR3(0.0f, 250.0f, 0.0f);
        break;
    case 6:
        h6 = h6 + 200.0f * dt;
        eye.y = h6;
        at = D3DXVECTOR3(0.0f, 250.0f, 0.0f);
        break;
    case 7:
        f7 = f7 - 0.6f * dt;
        fieldOfView = f7;
        break;
    case 8:
        eye.x = -40.0f;
        h8 = h8 - 150.0f * dt;
        eye.y = h8;
        at = D3DXVECTOR3(0.0f, 250.0f, 0.0f);
        break;
    case 9:
        eye.x = -40.0f;
        h9 = h9 + 200.0f * dt;
        eye.y = h9;
        at = D3DXVECTOR3(30.0f, 250.0f, 0.0f);
        break;
    case 10:
        h10 = h10 + 200.0f * dt;
        eye = D3DXVECTOR3(0.0f, h10, 0.0f);
        at = D3DXVECTOR3(30.0f, 3250.0f, 0.0f);
        break;
    case 11:
        eye.x = -40.0f;
        h11 = h11 - 150.0f * dt;
        eye.y = h11;
        at = D3DXVECTOR3(0.0f, 250.0f, 0.0f);
        break;
    case 12:
        eye.x = 20.0f;
        h12 = h12 + 150.0f * dt;
        eye.y = h12;
        at = D3DXVECTOR3(0.0f, 250.0f, 0.0f);
        break;
    case 13:
        h13 = h13 + 200.0f * dt;
        eye.y = h13;
        at = D3DXVECTOR3(0.0f, 250.0f, 0.0f);
        break;
    case 14:
        eye.x = -40.0f;
        h14 = h14 - 150.0f * dt;
        eye.y = h14;
        at = D3DXVECTOR3(0.0f, 250.0f, 0.0f);
        break;
    case 15:
        h15 = h15 + 200.0f * dt;
        eye.y = h15;
        at = D3DXVECTOR3(-20.0f, 250.0f, 0.0f);
        break;
    default: // before cut 5, and cut 16: the eye stays, looking at the default point
        break;
    }

    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    device->device->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixPerspectiveFovLH(&projection, fieldOfView, 1.0f, 1.0f, 3000.0f);
    device->device->SetTransform(D3DTS_PROJECTION, &projection);
}

void CutBlobScene::DrawBlob(float t) {
    IDirect3DDevice9* d3d = device->device;
    D3DXMATRIX viewProjection;
    D3DXMATRIX identity;
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    D3DXMatrixIdentity(&identity);

    const D3DXVECTOR4 eyePosition{-50.0f, -20.0f, -21.0f, 0.0f};
    const D3DXVECTOR4 lightDir1{0.5f, 0.5f, 1.0f, 1.0f};
    const D3DXVECTOR4 lightDir2{-0.5f, 0.5f, 0.8f, 1.0f};
    const D3DXVECTOR4 ambient{0.1f, 0.1f, 0.1f, 1.0f};
    const D3DXVECTOR4 diffuse1{0.0f, 0.0f, 0.6f, 1.0f};
    const D3DXVECTOR4 diffuse2{0.0f, 0.6f, 0.6f, 1.0f};
    const float offset[3] = {0.5f * std::sin(0.5154639f * t), 0.5f * std::cos(t), 0.0f};
    const D3DXVECTOR4 envMapBlend{0.125f, 0.125f, 0.125f, 1.0f};

    effect->SetMatrix("matWorldViewProj", &viewProjection);
    effect->SetMatrix("matWorld", &identity);
    effect->SetValue("vecEyePos", &eyePosition, 16);
    effect->SetValue("vecLightDir1", &lightDir1, 16);
    effect->SetValue("vecLightDir2", &lightDir2, 16);
    effect->SetValue("colAmbient", &ambient, 16);
    effect->SetValue("colDiffuse1", &diffuse1, 16);
    effect->SetValue("colDiffuse2", &diffuse2, 16);
    effect->SetValue("vecOffset", offset, 12);
    effect->SetValue("envMapBlendFactor", &envMapBlend, 16);
    effect->SetTexture("tBase", baseTexture);
    effect->SetTexture("tEnv", environmentTexture);

    d3d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d3d->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
    SetModulateStage(d3d);

    effect->SetTechnique("RenderSceneTextured2LightsEnvMap");
    blob.Draw(effect);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
}

// Black until 85.0 s, clear at 85.2 s; the frame overlay on every frame.
void CutBlobScene::DrawFadeAndOverlay(float t) {
    OverlayState();
    if (t <= FadeEnd) {
        fadeAlpha = (FadeEnd - t) * 5.0f;
        SceneHelpers::SetQuadColour(
            fadeQuad, SceneHelpers::PackColour(fadeColour[0], fadeColour[1], fadeColour[2], fadeAlpha));
        fadeQuad->Draw();
    }
    overlayQuad->Draw();
}
