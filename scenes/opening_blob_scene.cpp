#include "scenes/opening_blob_scene.h"

#include <cmath>
#include <iterator>

#include "assets/effect_binding.h"
#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "scenes/beat_events.h"
#include "scenes/scene_helpers.h"
#include "scenes/tumble_rotation.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"
#include "shell/shared_random.h"

namespace {

struct EventTable {
    const float* times;
    int count;
};
constexpr EventTable BlockEvents[3] = {
    {OpeningBlobScene::Block0Times, static_cast<int>(std::size(OpeningBlobScene::Block0Times))},
    {OpeningBlobScene::Block1Times, static_cast<int>(std::size(OpeningBlobScene::Block1Times))},
    {OpeningBlobScene::Block2Times, static_cast<int>(std::size(OpeningBlobScene::Block2Times))},
};
constexpr float BlockWindow = 0.2f;
constexpr float BlockFadeRate = 5.0f;

struct CircleEventTable {
    const float* times;
    const float* intensities;
    const float* rates;
    int count;
    float window;
};
constexpr CircleEventTable CircleEvents[3] = {
    {OpeningBlobScene::Circle0Times, OpeningBlobScene::Circle0Intensities, OpeningBlobScene::Circle0Rates,
     static_cast<int>(std::size(OpeningBlobScene::Circle0Times)), 0.2f},
    {OpeningBlobScene::Circle1Times, OpeningBlobScene::Circle1Intensities, OpeningBlobScene::Circle1Rates,
     static_cast<int>(std::size(OpeningBlobScene::Circle1Times)), 0.8f},
    {OpeningBlobScene::Circle2Times, OpeningBlobScene::Circle2Intensities, OpeningBlobScene::Circle2Rates,
     static_cast<int>(std::size(OpeningBlobScene::Circle2Times)), 0.2f},
};

constexpr float QuarterPi = 0.7853982f;
constexpr UINT BlobStride = 24; // position, normal
constexpr float TwistStart = 8.0f;
constexpr float LogoFadeEnd = 12.0f;
constexpr float CameraMoveStart = 14.0f;
constexpr float CameraMoveEnd = 18.0f;
constexpr float FadeStart = 26.5f;
constexpr int UnusedRandomPairs = 17;

void WriteColour(ScreenQuad* quad, const OpeningBlobScene::Colour& colour) {
    SceneHelpers::SetQuadColour(quad, SceneHelpers::PackColour(colour.r, colour.g, colour.b, colour.a));
}

} // namespace

void OpeningBlobScene::Init() {
    holder = DeviceHolder::Get();

    TextureObject* blockTexture = ResourceCache::GetTexture("data//textures//sync_block.tga");
    ResourceCache::GetTexture("data//textures//circle.tga"); // requested, never drawn
    TextureObject* circleTextures[3];
    for (TextureObject*& circleTexture : circleTextures) {
        circleTexture = ResourceCache::GetTexture("data//textures//circle01.dds");
    }
    TextureObject* fadeTexture = ResourceCache::GetTexture("data//textures//black.bmp");
    TextureObject* logoTexture = ResourceCache::GetTexture("data//textures//tmqlogo.jpg");
    TextureObject* overlayTexture = ResourceCache::GetTexture("data//textures//overlay04.tga");

    effect = new EffectBinding();
    effect->Load("data//shader//diffuse.fx");

    blob.Load("data//blobby02.X", D3DFVF_XYZ | D3DFVF_NORMAL, BlobStride);
    BYTE* vertices = nullptr;
    if (blob.mesh != nullptr && blob.vertexBuffer != nullptr &&
        SUCCEEDED(blob.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        vertexCount = blob.mesh->GetNumVertices();
        restPositions.resize(vertexCount);
        restNormals.resize(vertexCount);
        restLengths.resize(vertexCount);
        for (DWORD i = 0; i < vertexCount; ++i) {
            const auto* v = reinterpret_cast<const float*>(vertices + i * BlobStride);
            restPositions[i] = D3DXVECTOR3(v[0], v[1], v[2]);
            restNormals[i] = D3DXVECTOR3(v[3], v[4], v[5]);
            restLengths[i] = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        }
        blob.vertexBuffer->Unlock();
    }

    logoColour = {1.0f, 1.0f, 1.0f, 1.0f};
    logoQuad = new ScreenQuad();
    logoQuad->Create(logoTexture);
    logoQuad->FillUnit();

    overlayQuad = SceneHelpers::CreateFrameOverlay(overlayTexture);

    // Draws nothing uses; they keep the shared sequence where the later scenes expect it.
    for (int pair = 0; pair < UnusedRandomPairs; ++pair) {
        const int a = SharedRandom::Next() % 3 + 2;
        int b = 0;
        do {
            b = SharedRandom::Next() % 3 + 2;
        } while (b == a);
    }

    blocks = new ScreenQuad[3];
    for (int k = 0; k < 3; ++k) {
        blockColours[k] = {1.0f, 1.0f, 1.0f, 0.6f};
        blocks[k].Create(blockTexture);
        blocks[k].FillUnit();
        const float left = 676.0f - 50.0f * static_cast<float>(k);
        SceneHelpers::SetQuadCorners(&blocks[k], left, 460.0f, left + 24.0f, 484.0f);
    }

    // Three squares centred on pixel (624, 204).
    circles = new ScreenQuad[3];
    for (int k = 0; k < 3; ++k) {
        circleColours[k] = {1.0f, 1.0f, 1.0f, 0.0f};
        circles[k].Create(circleTextures[k]);
        circles[k].FillUnit();
        const float left = 560.0f + 12.0f * static_cast<float>(k);
        const float top = 140.0f + 12.0f * static_cast<float>(k);
        const float side = 128.0f - 24.0f * static_cast<float>(k);
        SceneHelpers::SetQuadCorners(&circles[k], left, top, left + side, top + side);
    }

    fadeColour = {1.0f, 1.0f, 1.0f, 0.0f};
    fadeQuad = SceneHelpers::CreateFadeQuad(fadeTexture);
}

void OpeningBlobScene::Render() {
    IDirect3DDevice9* device = holder != nullptr ? holder->device : nullptr;
    if (device == nullptr) {
        return;
    }
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000028, 1.0f, 0);
    if (t >= TwistStart) {
        Twist(dt);
    }
    // After 12 s the logo keeps the colour of the last frame inside the fade.
    if (t >= TwistStart && t <= LogoFadeEnd) {
        logoColour.a = (LogoFadeEnd - t) * 0.25f;
        WriteColour(logoQuad, logoColour);
    }
    UpdateBlocks(t, dt);
    UpdateCircles(t, dt);

    device->BeginScene();
    DrawBlob(t);

    OverlayState();
    logoQuad->Draw();

    OverlayState();
    for (int k = 0; k < 3; ++k) {
        blocks[k].Draw();
    }

    OverlayState();
    for (int k = 0; k < 3; ++k) {
        circles[k].Draw();
    }

    if (t >= FadeStart) {
        fadeColour.a = (t - FadeStart) * 0.6666667f;
        WriteColour(fadeQuad, fadeColour);
        OverlayState();
        fadeQuad->Draw();
    }

    OverlayState();
    overlayQuad->Draw();
    device->EndScene();
}

// Inner vertices turn more than outer ones: the angle scales with 10 minus the rest length,
// so a vertex at length 10 stays, nearer ones turn one way and farther ones the other.
void OpeningBlobScene::Twist(float dt) {
    twistPhase = twistPhase + dt * 1.5f;
    const float a = 3.2f * std::cos(1.9f * twistPhase) + std::sin(2.2f * twistPhase);
    const float b = 3.5f * std::sin(twistPhase);
    const float c = 2.9f * std::cos(1.5f * twistPhase);

    BYTE* vertices = nullptr;
    if (blob.vertexBuffer == nullptr ||
        FAILED(blob.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    for (DWORD i = 0; i < vertexCount; ++i) {
        if (restLengths[i] >= 20.0f) {
            continue;
        }
        const float d = (10.0f - restLengths[i]) * 0.1f;
        const D3DXMATRIX rotation = TumbleRotation(d * a, d * b, d * c);
        auto* v = reinterpret_cast<D3DXVECTOR3*>(vertices + i * BlobStride);
        D3DXVec3TransformCoord(&v[0], &restPositions[i], &rotation);
        D3DXVec3TransformCoord(&v[1], &restNormals[i], &rotation);
    }
    blob.vertexBuffer->Unlock();
}

// Each event flashes its block once to full alpha; the flash fades out in 0.2 s.
void OpeningBlobScene::UpdateBlocks(float t, float dt) {
    for (int k = 0; k < 3; ++k) {
        const int event = BeatEvents::FindWindow(BlockEvents[k].times, BlockEvents[k].count, t, BlockWindow);
        Colour& colour = blockColours[k];
        if (colour.a > 0.0f) {
            colour.a = colour.a - dt * BlockFadeRate;
        }
        if (event != -1 && event != lastBlockEvent[k]) {
            colour.a = 1.0f;
            lastBlockEvent[k] = event;
        }
        WriteColour(&blocks[k], colour);
    }
}

// A flash starts at its event's intensity and fades out at intensity * rate per second.
void OpeningBlobScene::UpdateCircles(float t, float dt) {
    for (int k = 0; k < 3; ++k) {
        const CircleEventTable& table = CircleEvents[k];
        const int event = BeatEvents::FindWindow(table.times, table.count, t, table.window);
        Colour& colour = circleColours[k];
        const int fading = event != -1 ? event : lastCircleEvent[k];
        if (colour.a > 0.0f && fading != -1) {
            colour.a = colour.a - table.intensities[fading] * table.rates[fading] * dt;
        }
        if (event != -1 && event != lastCircleEvent[k]) {
            colour.a = table.intensities[event];
            lastCircleEvent[k] = event;
        }
        WriteColour(&circles[k], colour);
    }
}

void OpeningBlobScene::DrawBlob(float t) {
    IDirect3DDevice9* device = holder->device;

    if (t >= CameraMoveStart && t <= CameraMoveEnd) {
        eyeZ = -15.0f - (CameraMoveEnd - t) * 10.0f;
    }
    const D3DXVECTOR3 eye(0.0f, 0.0f, eyeZ);
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    device->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixPerspectiveFovLH(&projection, QuarterPi, 1.0f, 1.0f, 2000.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);

    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    const D3DXMATRIX world = TumbleRotation(1.25f * t, t, 0.5f * t);
    D3DXMATRIX worldView;
    D3DXMATRIX worldViewProjection;
    D3DXMatrixMultiply(&worldView, &world, &view);
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &projection);
    effect->SetMatrix("matWorldViewProj", &worldViewProjection);
    effect->SetMatrix("matWorld", &world);

    // The fourth component counts in the length.
    const D3DXVECTOR4 lightDirection1{0.5f, 0.5f, 1.0f, 1.0f};
    const D3DXVECTOR4 lightDirection2{0.5f, -2.5f, 1.5f, 1.0f};
    D3DXVECTOR4 normalised1;
    D3DXVECTOR4 normalised2;
    D3DXVec4Normalize(&normalised1, &lightDirection1);
    D3DXVec4Normalize(&normalised2, &lightDirection2);
    const D3DXVECTOR4 ambient{0.1f, 0.1f, 0.1f, 1.0f};
    const D3DXVECTOR4 diffuse1{0.0f, 0.0f, 1.0f, 1.0f};
    const D3DXVECTOR4 diffuse2{0.0f, 1.0f, 1.6f, 1.0f};
    effect->SetValue("vecLightDir1", &normalised1, 16);
    effect->SetValue("vecLightDir2", &normalised2, 16);
    effect->SetValue("colAmbient", &ambient, 16);
    effect->SetValue("colDiffuse1", &diffuse1, 16);
    effect->SetValue("colDiffuse2", &diffuse2, 16);

    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);

    effect->SetTechnique("RenderScene2Lights");
    blob.Draw(effect);
}
