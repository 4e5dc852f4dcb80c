#include "scenes/beat_room_scene.h"

#include <cmath>
#include <span>

#include "assets/effect_binding.h"
#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "scenes/beat_events.h"
#include "scenes/blob_effect.h"
#include "scenes/scene_helpers.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"

namespace {

constexpr std::span<const float> BlockTimes[] = {BeatRoomScene::Block0Times, BeatRoomScene::Block1Times,
                                                 BeatRoomScene::Block2Times, BeatRoomScene::Block3Times,
                                                 BeatRoomScene::Block4Times};

// Start of shots 2 to 16; shot 1 runs before the first.
constexpr float ShotStarts[] = {126.541f, 127.787f, 128.624f, 129.489f, 130.281f,
                                131.132f, 131.964f, 132.796f, 133.628f, 134.46f,
                                135.283f, 136.134f, 136.947f, 137.798f, 138.64f};
// Speed of each shot's clock, units per second.
constexpr float ShotSpeeds[] = {1, 120, 110, 120, 110, 120, 110, 90, 110, 140, 120, 110, 120, 100, 100, 110};

constexpr float HitWindow = 0.2f;
constexpr float QuarterPi = 0.7853982f;
constexpr UINT BlobStride = 32;

constexpr SceneHelpers::RoomLight Lights[] = {
    {{0.06f, 0.2f, 0.6f, 0.0f}, {-50.0f, 120.0f, -130.0f}, 0.0000625f},
    {{0.05f, 0.5f, 0.1f, 0.0f}, {120.0f, 120.0f, 300.0f}, 0.0000625f},
    {{0.05f, 0.2f, 0.6f, 0.0f}, {-500.0f, 120.0f, 0.0f}, 0.00005f},
    {{0.05f, 0.1f, 0.5f, 0.0f}, {-1000.0f, 120.0f, 0.0f}, 0.00005f},
};

} // namespace

void BeatRoomScene::Init() {
    device = DeviceHolder::Get();
    blockTexture = ResourceCache::GetTexture("data//textures//sync_block.tga");
    flashTexture = ResourceCache::GetTexture("data//textures//overlay05.bmp");
    overlayTexture = ResourceCache::GetTexture("data//textures//overlay04.tga");
    baseTexture = ResourceCache::GetTexture("data//textures//blob.jpg");
    environmentTexture = ResourceCache::GetCubeTexture("data//textures//grace_cross.dds");

    overlayQuad = SceneHelpers::CreateFrameOverlay(overlayTexture);

    flashColour[0] = flashColour[1] = flashColour[2] = 0.0f;
    flashColour[3] = 1.0f;
    flashQuad = new ScreenQuad();
    flashQuad->Create(flashTexture);
    flashQuad->FillUnit();
    SceneHelpers::SetQuadColour(flashQuad, 0xFF000000);

    for (int i = 0; i < SyncBlockCount; ++i) {
        blockColours[i][0] = blockColours[i][1] = blockColours[i][2] = 1.0f;
        blockColours[i][3] = 0.6f;
        syncBlocks[i] = new ScreenQuad();
        syncBlocks[i]->Create(blockTexture);
        syncBlocks[i]->FillUnit();
        const float left = static_cast<float>(676 - 50 * i);
        const float right = static_cast<float>(700 - 50 * i);
        SceneHelpers::SetQuadCorners(syncBlocks[i], left, 460.0f, right, 484.0f);
    }

    room.Load("data//meshes//", "blobroom02.x");
    tube.Load("data//meshes//", "blobroom02_tube.x");

    blob.Load("data//meshes//blobby21.x", D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, BlobStride);
    if (blob.mesh != nullptr) {
        blobRestPositions =
            SceneHelpers::ReadPositions(blob.vertexBuffer, blob.mesh->GetNumVertices(), BlobStride);
    }

    effect = new EffectBinding();
    effect->Load("data//shader//diffuse.fx");
}

void BeatRoomScene::Render() {
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;
    IDirect3DDevice9* d3d = device->device;

    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000028, 1.0f, 0);
    PulseBlob(dt);
    for (int i = 0; i < SyncBlockCount; ++i) {
        UpdateSyncBlock(i, t, dt);
    }
    d3d->BeginScene();
    PlaceCameraAndDrawRoom(t, dt);
    DrawBlob(t);
    DrawTube();
    OverlayState();
    for (ScreenQuad* block : syncBlocks) {
        block->Draw();
    }
    DrawStrobe(t, dt);
    OverlayState();
    overlayQuad->Draw();
    d3d->EndScene();
}

void BeatRoomScene::PulseBlob(float dt) {
    pulsePhase = pulsePhase + 4.5f * dt;
    BYTE* vertices = nullptr;
    if (blob.vertexBuffer == nullptr ||
        FAILED(blob.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    for (std::size_t i = 0; i < blobRestPositions.size(); ++i) {
        const D3DXVECTOR3& p = blobRestPositions[i];
        if (std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) < 100.0f) {
            const float f1 = std::sin(0.05f * (p.x + p.y) + pulsePhase / 3.0f);
            const float f2 = std::cos(f1 + 0.01f * (p.x + p.y + p.z) + pulsePhase);
            const float f3 = std::sin(0.05f * (p.x + p.z) + pulsePhase);
            const float s = (0.5f * f2 + f3 / 3.0f + 2.0f) * 0.21276596f;
            D3DXMATRIX scaling;
            D3DXMatrixScaling(&scaling, s, s, s);
            D3DXVec3TransformCoord(reinterpret_cast<D3DXVECTOR3*>(vertices + i * BlobStride), &p, &scaling);
        }
    }
    blob.vertexBuffer->Unlock();
}

// A square decays before a new hit is applied, so it shows exactly 1.0 on the hit frame.
void BeatRoomScene::UpdateSyncBlock(int block, float t, float dt) {
    const std::span<const float> times = BlockTimes[block];
    const int found = BeatEvents::FindWindow(times.data(), static_cast<int>(times.size()), t, HitWindow);
    float* colour = blockColours[block];
    if (colour[3] > 0.0f) {
        colour[3] = colour[3] - 2.5f * dt;
    }
    if (found >= 0 && found != lastBlockHits[block]) {
        colour[3] = 1.0f;
        lastBlockHits[block] = found;
    }
    SceneHelpers::SetQuadColour(syncBlocks[block],
                                SceneHelpers::PackColour(colour[0], colour[1], colour[2], colour[3]));
}

void BeatRoomScene::PlaceCameraAndDrawRoom(float t, float dt) {
    IDirect3DDevice9* d3d = device->device;
    int shot = 0;
    while (shot < ShotCount - 1 && t >= ShotStarts[shot]) {
        ++shot;
    }
    currentShot = shot + 1;
    float& tau = shotClocks[shot];
    tau = tau + ShotSpeeds[shot] * dt;

    D3DXVECTOR3 at(0.0f, 100.0f, 50.0f);
    D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    switch (currentShot) {
    case 1:
        eye = D3DXVECTOR3(200.0f * std::cos(0.2f * tau), 100.0f, -250.0f);
        break;
    case 2:
    case 5:
    case 8:
    case 16:
        eye = D3DXVECTOR3(tau - 120.0f, 160.0f, tau - 50.0f);
        break;
    case 3:
        eye = D3DXVECTOR3(180.0f, 100.0f, tau - 250.0f);
        break;
    case 4:
    case 7:
    case 11:
    case 13:
        eye = D3DXVECTOR3(tau - 120.0f, 100.0f, -50.0f);
        break;
    case 6:
        eye = D3DXVECTOR3(120.0f, 160.0f, tau - 50.0f);
        at = D3DXVECTOR3(0.0f, 160.0f, tau - 50.0f);
        break;
    case 9:
        eye = D3DXVECTOR3(-120.0f, 90.0f, tau - 50.0f);
        at = D3DXVECTOR3(0.0f, 50.0f, tau - 50.0f);
        break;
    case 10:
        eye = D3DXVECTOR3(tau - 120.0f, 80.0f, -70.0f);
        at = D3DXVECTOR3(tau - 120.0f, 80.0f, 0.0f);
        break;
    case 12:
        eye = D3DXVECTOR3(tau - 120.0f, 0.0f, tau + 50.0f);
        up = D3DXVECTOR3(0.0f, 0.0f, -1.0f);
        break;
    case 14:
        eye = D3DXVECTOR3(tau - 120.0f, 60.0f, tau - 50.0f);
        break;
    case 15:
        eye = D3DXVECTOR3(tau - 120.0f, 90.0f, tau - 50.0f);
        at = D3DXVECTOR3(0.0f, 10.0f, tau - 50.0f);
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
    d3d->SetRenderState(D3DRS_AMBIENT, 0x40404040);
    room.Draw();
}

void BeatRoomScene::DrawBlob(float t) {
    IDirect3DDevice9* d3d = device->device;
    D3DXMATRIX scaling;
    D3DXMATRIX translation;
    D3DXMATRIX world;
    D3DXMatrixScaling(&scaling, 0.25f, 0.25f, 3.0f);
    D3DXMatrixTranslation(&translation, 0.0f, 50.0f, 80.0f);
    D3DXMatrixMultiply(&world, &scaling, &translation);

    const D3DXVECTOR4 eyePosition{0.0f, 10.0f, -20.0f, 0.0f};
    const D3DXVECTOR4 lightDir1{0.5f, 0.5f, 1.0f, 1.0f};
    const D3DXVECTOR4 lightDir2{-0.5f, 0.5f, 0.8f, 1.0f};
    const float offset[3] = {0.5f * std::sin(0.5154639f * t), 0.5f * std::cos(t), 0.5f};
    effect->SetValue("vecEyePos", &eyePosition, 16);
    effect->SetValue("vecLightDir1", &lightDir1, 16);
    effect->SetValue("vecLightDir2", &lightDir2, 16);
    effect->SetTexture("tBase", baseTexture);
    effect->SetTexture("tEnv", environmentTexture);
    effect->SetValue("vecOffset", offset, 12);

    SetBlobDrawStates(d3d);

    D3DXMATRIX worldView;
    D3DXMATRIX worldViewProjection;
    D3DXMatrixMultiply(&worldView, &world, &view);
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &projection);
    const D3DXVECTOR4 ambient{0.1f, 0.1f, 0.1f, 1.0f};
    const D3DXVECTOR4 diffuse1{0.0f, 0.0f, 1.0f, 1.0f};
    const D3DXVECTOR4 diffuse2{0.0f, 0.8f, 1.0f, 1.0f};
    const D3DXVECTOR4 envMapBlend{0.125f, 0.125f, 0.125f, 0.125f};
    effect->SetMatrix("matWorldViewProj", &worldViewProjection);
    effect->SetMatrix("matWorld", &world);
    effect->SetValue("colAmbient", &ambient, 16);
    effect->SetValue("colDiffuse1", &diffuse1, 16);
    effect->SetValue("colDiffuse2", &diffuse2, 16);
    effect->SetValue("envMapBlendFactor", &envMapBlend, 16);

    effect->SetTechnique("RenderSceneTextured2LightsEnvMap");
    blob.Draw(effect);
}

// The tube adds its light to the picture: one-one blending with the add operation the
// overlay state left, no depth writes.
void BeatRoomScene::DrawTube() {
    IDirect3DDevice9* d3d = device->device;
    d3d->SetRenderState(D3DRS_ZENABLE, TRUE);
    SceneHelpers::SetLinearSampling(d3d);
    d3d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d3d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d3d->SetRenderState(D3DRS_AMBIENT, 0x20202020);
    SceneHelpers::BeginAdditive(d3d);
    tube.Draw();
    SceneHelpers::EndAdditive(d3d);
}

// Until 126.313 s a minimum blend keeps the screen black except right after a flash, when
// the scene shows through the flash image and darkens again within a second.
void BeatRoomScene::DrawStrobe(float t, float dt) {
    if (!(t < StrobeEnd)) {
        return;
    }
    IDirect3DDevice9* d3d = device->device;
    const int flashCount = static_cast<int>(std::size(FlashTimes));
    for (int k = 0; k < flashCount; ++k) {
        if (FlashTimes[k] <= t && t <= FlashTimes[k] + HitWindow && k != lastFlash) {
            lastFlash = k;
            flashColour[0] = flashColour[1] = flashColour[2] = flashColour[3] = 1.0f;
        }
    }
    if (flashColour[0] > 0.0f) {
        flashColour[0] -= dt;
        flashColour[1] -= dt;
        flashColour[2] -= dt;
    } else {
        flashColour[0] = flashColour[1] = flashColour[2] = 0.0f;
    }
    SceneHelpers::SetQuadColour(
        flashQuad, SceneHelpers::PackColour(flashColour[0], flashColour[1], flashColour[2], flashColour[3]));

    D3DXMATRIX ortho;
    D3DXMATRIX identity;
    D3DXMatrixOrthoLH(&ortho, 1.0f, 1.0f, 0.0f, 1.0f);
    D3DXMatrixIdentity(&identity);
    d3d->SetTransform(D3DTS_PROJECTION, &ortho);
    d3d->SetTransform(D3DTS_VIEW, &identity);
    d3d->SetTransform(D3DTS_WORLD, &identity);
    d3d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d3d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d3d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d3d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d3d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d3d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d3d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    d3d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
    d3d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d3d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_MIN);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
    d3d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d3d->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    flashQuad->Draw();
}
