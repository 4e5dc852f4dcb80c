#include "scenes/credits_blob_scene.h"

#include <cmath>

#include "assets/effect_binding.h"
#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "assets/texture_object.h"
#include "scenes/blob_effect.h"
#include "scenes/scene_helpers.h"
#include "scenes/tumble_rotation.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"

namespace {

constexpr const char* CreditImageNames[3] = {"data//textures//fenlow.jpg", "data//textures//orwick.jpg",
                                             "data//textures//tamsel.jpg"};

// The two halves of the screen, each showing its whole texture at depth 0.5.
constexpr PlainQuad::Vertex UpperHalfVertices[6] = {
    {-0.5f, 0.5f, 0.5f, 0, 0}, {0.5f, 0.5f, 0.5f, 1, 0}, {0.5f, 0.0f, 0.5f, 1, 1},
    {-0.5f, 0.5f, 0.5f, 0, 0}, {0.5f, 0.0f, 0.5f, 1, 1}, {-0.5f, 0.0f, 0.5f, 0, 1},
};
constexpr PlainQuad::Vertex LowerHalfVertices[6] = {
    {-0.5f, 0.0f, 0.5f, 0, 0}, {0.5f, 0.0f, 0.5f, 1, 0},  {0.5f, -0.5f, 0.5f, 1, 1},
    {-0.5f, 0.0f, 0.5f, 0, 0}, {0.5f, -0.5f, 0.5f, 1, 1}, {-0.5f, -0.5f, 0.5f, 0, 1},
};

constexpr float QuarterPi = 0.7853982f;
constexpr UINT BlobStride = 40; // position, normal, two texture coordinate pairs
constexpr DWORD BlobFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2;
constexpr float TwistRadius = 15.0f;
// The credits box, in screen pixels.
constexpr float CreditsLeft = 500.0f;
constexpr float CreditsTop = 400.0f;
constexpr float CreditsRight = 756.0f;
constexpr float CreditsBottom = 528.0f;

void FillPlainQuad(PlainQuad& quad, const PlainQuad::Vertex (&source)[6]) {
    PlainQuad::Vertex* vertices = nullptr;
    if (quad.vertexBuffer == nullptr ||
        FAILED(quad.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    quad.locked = true;
    for (int i = 0; i < 6; ++i) {
        vertices[i] = source[i];
    }
    quad.locked = false;
    quad.vertexBuffer->Unlock();
}

} // namespace

void PlainQuad::Init(int count) {
    vertexCount = count;
    holder = DeviceHolder::Get();
    if (holder->device != nullptr) {
        holder->device->CreateVertexBuffer(static_cast<UINT>(count) * sizeof(Vertex), D3DUSAGE_DYNAMIC, Fvf,
                                           D3DPOOL_DEFAULT, &vertexBuffer, nullptr);
    }
}

void CreditsBlobScene::Init() {
    device = DeviceHolder::Get();
    blob.Load("data//meshes//blobby15.x", BlobFvf, BlobStride);
    if (blob.mesh != nullptr) {
        positions = SceneHelpers::ReadPositions(blob.vertexBuffer, blob.mesh->GetNumVertices(), BlobStride);
        vertexCount = static_cast<DWORD>(positions.size());
        restLengths.resize(vertexCount);
        for (DWORD i = 0; i < vertexCount; ++i) {
            const D3DXVECTOR3& p = positions[i];
            restLengths[i] = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
        }
    }

    effect = new EffectBinding();
    effect->Load("data//shader//diffuse.fx");

    baseTexture = ResourceCache::GetTexture("data//textures//blob.jpg");
    upperOverlayTexture = ResourceCache::GetTexture("data//textures//overlay02.tga");
    lowerOverlayTexture = ResourceCache::GetTexture("data//textures//overlay03.tga");
    environmentTexture = ResourceCache::GetCubeTexture("data//textures//grace_cross.dds");
    for (int i = 0; i < 3; ++i) {
        creditImages[i] = ResourceCache::GetTexture(CreditImageNames[i]);
    }

    upperHalf.Init(6);
    FillPlainQuad(upperHalf, UpperHalfVertices);
    lowerHalf.Init(6);
    FillPlainQuad(lowerHalf, LowerHalfVertices);

    creditsQuad = new ScreenQuad();
    creditsQuad->Create(creditImages[0]);
    creditsQuad->FillUnit();
    SceneHelpers::SetQuadCorners(creditsQuad, CreditsLeft, CreditsTop, CreditsRight, CreditsBottom);
    SceneHelpers::SetQuadColour(creditsQuad, 0x00FFFFFF);
}

void CreditsBlobScene::Render() {
    IDirect3DDevice9* d3d = device != nullptr ? device->device : nullptr;
    if (d3d == nullptr) {
        return;
    }
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;

    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000028, 1.0f, 0);
    Twist(dt);
    d3d->BeginScene();
    DrawBlob(t, dt);
    if (t >= CreditTimes[0]) {
        DrawCredits(t, dt);
    }
    DrawHalves();
    d3d->EndScene();
}

// The turn accumulates in the stored positions, once a frame and not scaled by the frame
// time; its angles swing with the phase, so the inner blob twists one way and back.
void CreditsBlobScene::Twist(float dt) {
    twistPhase = twistPhase + 7.25f * dt;
    const float phi = twistPhase;
    const float kX = std::cos(phi) * 0.05263158f;
    const float kY = std::cos(phi + std::cos(phi)) * 0.05263158f;
    const float kZ = std::cos(phi) * 0.055555556f;
    for (DWORD i = 0; i < vertexCount; ++i) {
        const float w = restLengths[i];
        if (w >= TwistRadius) {
            continue;
        }
        const float f = (TwistRadius - w) * 0.14285715f;
        const D3DXMATRIX rotation = TumbleRotation(f * kX, f * kY, f * kZ);
        const D3DXVECTOR3 before = positions[i];
        D3DXVec3TransformCoord(&positions[i], &before, &rotation);
    }

    BYTE* vertices = nullptr;
    if (blob.vertexBuffer == nullptr ||
        FAILED(blob.vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        return;
    }
    for (DWORD i = 0; i < vertexCount; ++i) {
        *reinterpret_cast<D3DXVECTOR3*>(vertices + i * BlobStride) = positions[i];
    }
    blob.vertexBuffer->Unlock();
}

void CreditsBlobScene::DrawBlob(float t, float dt) {
    IDirect3DDevice9* d3d = device->device;
    spinClock = spinClock + dt;
    const float a = spinClock;

    const D3DXVECTOR3 eye(0.0f, 10.0f, -20.0f);
    const D3DXVECTOR3 at(0.0f, 0.0f, 0.0f);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    d3d->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixPerspectiveFovLH(&projection, QuarterPi, 1.0f, 1.0f, 3000.0f);
    d3d->SetTransform(D3DTS_PROJECTION, &projection);

    const D3DXMATRIX world = TumbleRotation(a, 1.29f * a, 0.2f * a);
    D3DXMATRIX worldView;
    D3DXMATRIX worldViewProjection;
    D3DXMatrixMultiply(&worldView, &world, &view);
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &projection);

    // envMapBlendFactor is left at the effect file's own value.
    BlobEffectValues values;
    values.worldViewProjection = worldViewProjection;
    values.world = world;
    values.eyePosition = D3DXVECTOR4{0.0f, 10.0f, -20.0f, 0.0f};
    values.lightDirection1 = D3DXVECTOR4{0.5f, 0.5f, 1.0f, 1.0f};
    values.lightDirection2 = D3DXVECTOR4{-0.5f, 0.5f, 0.8f, 1.0f};
    values.ambient = D3DXVECTOR4{0.1f, 0.1f, 0.1f, 1.0f};
    values.diffuse1 = D3DXVECTOR4{0.0f, 0.0f, 1.0f, 1.0f};
    values.diffuse2 = D3DXVECTOR4{0.0f, 0.8f, 1.0f, 1.0f};
    values.base = baseTexture;
    values.environment = environmentTexture;
    SetBlobOffset(values.offset, t, 0.5f);
    SetBlobEffectValues(effect, values);

    SetBlobDrawStates(d3d);

    effect->SetTechnique("RenderSceneTextured2LightsEnvMap");
    blob.Draw(effect);
    d3d->SetRenderState(D3DRS_LIGHTING, FALSE);
}

// Each credit image is added to the picture at full brightness and fades out over a
// second. A frame that jumps past two times shows the next image only; the one after
// follows on the next frame.
void CreditsBlobScene::DrawCredits(float t, float dt) {
    IDirect3DDevice9* d3d = device->device;
    const int next = creditsStage + 1;
    if (next <= 2 && (next == 0 || t >= CreditTimes[next])) {
        creditsQuad->texture = creditImages[next];
        creditsAlpha = 1.0f - dt;
        creditsStage = next;
    } else if (creditsAlpha > 0.0f) {
        creditsAlpha = creditsAlpha - dt;
    } else {
        creditsAlpha = 0.0f;
    }
    const float alpha = creditsAlpha;
    SceneHelpers::SetQuadColour(creditsQuad, SceneHelpers::PackColour(alpha, alpha, alpha, alpha));

    OverlayState();
    SceneHelpers::BeginAdditive(d3d);
    creditsQuad->Draw();
    d3d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    d3d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

// The halves carry no vertex colour, so each overlay is blended with its own texture alpha.
void CreditsBlobScene::DrawHalves() {
    IDirect3DDevice9* d3d = device->device;
    D3DXMATRIX projection;
    D3DXMATRIX identity;
    D3DXMatrixOrthoLH(&projection, 1.0f, 1.0f, 0.2f, 1.0f);
    D3DXMatrixIdentity(&identity);
    d3d->SetTransform(D3DTS_PROJECTION, &projection);
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
    d3d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d3d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    d3d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    d3d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

    struct Half {
        TextureObject* texture;
        PlainQuad* quad;
    };
    const Half halves[2] = {{upperOverlayTexture, &upperHalf}, {lowerOverlayTexture, &lowerHalf}};
    for (const Half& half : halves) {
        half.texture->Bind(0);
        d3d->SetStreamSource(0, half.quad->vertexBuffer, 0, sizeof(PlainQuad::Vertex));
        d3d->SetFVF(PlainQuad::Fvf);
        d3d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(half.quad->vertexCount / 3));
    }
}
