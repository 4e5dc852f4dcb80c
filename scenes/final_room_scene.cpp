#include "scenes/final_room_scene.h"

#include <algorithm>

#include "assets/resource_cache.h"
#include "assets/screen_quad.h"
#include "assets/texture_object.h"
#include "scenes/scene_helpers.h"
#include "shell/device_holder.h"
#include "shell/music_clock.h"
#include "shell/shared_random.h"

namespace {

constexpr const char* GreetingFiles[] = {
    "data//textures//greets_oakhut.jpg",  "data//textures//greets_alder.jpg",
    "data//textures//greets_maple.jpg",   "data//textures//greets_larchwen.jpg",
    "data//textures//greets_juniper.jpg", "data//textures//greets_hazel.jpg",
    "data//textures//greets_firwood.jpg", "data//textures//greets_elmwood.jpg",
    "data//textures//greets_dogwood.jpg", "data//textures//greets_cedarjpg",
    "data//textures//greets_birch.jpg",
};

constexpr float FadeInEnd = 160.448f;
constexpr float CutDip = 0.1f;
constexpr float LastShotStopX = 320.0f;
constexpr float QuarterPi = 0.7853982f;

constexpr SceneHelpers::RoomLight Lights[] = {
    {{0.1f, 0.1f, 0.7f, 0.0f}, {100.0f, 10.0f, -100.0f}, 0.00005f},
    {{0.1f, 0.3f, 0.8f, 0.0f}, {100.0f, 120.0f, -200.0f}, 0.00005f},
    {{0.3f, 0.1f, 0.7f, 0.0f}, {-50.0f, 10.0f, 0.0f}, 0.00005f},
    {{0.1f, 0.1f, 0.7f, 0.0f}, {-10.0f, 20.0f, -50.0f}, 0.00005f},
};

} // namespace

void FinalRoomScene::Init() {
    device = DeviceHolder::Get();
    water.Load("data//meshes//", "finalroom_wasser.x");

    flareTexture = ResourceCache::GetTexture("data//textures//flare.tga");
    fadeTexture = ResourceCache::GetTexture("data//textures//black.bmp");
    overlayTexture = ResourceCache::GetTexture("data//textures//overlay04.tga");
    secondFlareTexture = ResourceCache::GetTexture("data//textures//neuronflare.jpg");
    for (int i = 0; i < GreetingCount; ++i) {
        greetingTextures[i] = ResourceCache::GetTexture(GreetingFiles[i]);
    }
    closingLogoTexture = ResourceCache::GetTexture("data//textures//vesper2004.jpg");

    overlayQuad = SceneHelpers::CreateFrameOverlay(overlayTexture);
    fadeAlpha = 0.0f;
    fadeQuad = SceneHelpers::CreateFadeQuad(fadeTexture);

    // The centre 400 x 300 pixels: half the unit quad's width and height.
    greetingsQuad = new ScreenQuad();
    greetingsQuad->Create(greetingTextures[0]);
    greetingsQuad->FillUnit();
    QuadVertex* vertices = nullptr;
    if (greetingsQuad->vertexBuffer != nullptr &&
        SUCCEEDED(greetingsQuad->vertexBuffer->Lock(0, 0, reinterpret_cast<void**>(&vertices), 0))) {
        greetingsQuad->locked = true;
        for (int i = 0; i < 6; ++i) {
            vertices[i].x *= 0.5f;
            vertices[i].y *= 0.5f;
        }
        greetingsQuad->locked = false;
        greetingsQuad->vertexBuffer->Unlock();
    }

    room.Load("data//meshes//", "finalroom.x");

    // Nothing draws these particles; filling them consumes the first 12000 values of the
    // shared generator, which the scenes initialised after this one continue from.
    particles.resize(ParticleCount);
    for (Particle& particle : particles) {
        const int x = SharedRandom::Next();
        const int y = SharedRandom::Next();
        const int z = SharedRandom::Next();
        const int shade = SharedRandom::Next();
        particle.position = D3DXVECTOR3(static_cast<float>(x % 400 - 200), static_cast<float>(y % 200),
                                        static_cast<float>(z % 400 - 200));
        particle.colour = D3DCOLOR_XRGB(shade % 256, shade % 256, shade % 256);
        particle.size = static_cast<float>(shade % 16 + 1);
    }
}

void FinalRoomScene::Render() {
    const float t = MusicClock::seconds;
    const float dt = MusicClock::delta;
    IDirect3DDevice9* d3d = device->device;

    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    d3d->BeginScene();
    if (!switched) {
        DrawRoom(t, dt);
    } else {
        DrawGreetings(t, dt);
    }
    DrawFadeAndOverlay(t);
    d3d->EndScene();
}

void FinalRoomScene::DrawRoom(float t, float dt) {
    IDirect3DDevice9* d3d = device->device;
    int shot = 0;
    while (shot < ShotCount - 1 && !(t < CutTimes[shot])) {
        ++shot;
    }
    currentShot = shot + 1;
    float& tau = shotClocks[shot];
    tau = tau + dt;

    D3DXVECTOR3 at;
    switch (currentShot) {
    case 1:
        eye = D3DXVECTOR3(-50.0f, 80.0f - 30.0f * tau, 320.0f - 160.0f * tau);
        at = D3DXVECTOR3(-50.0f, 0.0f, 0.0f);
        break;
    case 2:
        eye = D3DXVECTOR3(40.0f * tau + 140.0f, 30.0f, -50.0f);
        at = D3DXVECTOR3(50.0f * tau + 140.0f, 10.0f, -200.0f);
        break;
    case 3:
        eye = D3DXVECTOR3(30.0f * tau - 50.0f, 20.0f, -30.0f * tau);
        at = D3DXVECTOR3(0.0f, 10.0f, 0.0f);
        break;
    case 4:
        eye = D3DXVECTOR3(60.0f * (tau + 1.0f), 30.0f, -100.0f);
        at = D3DXVECTOR3(50.0f * tau + 140.0f, 10.0f, 0.0f);
        break;
    case 5:
    case 11:
        eye = D3DXVECTOR3(-120.0f * tau, 30.0f, -100.0f);
        at = D3DXVECTOR3(-200.0f, 10.0f, -250.0f);
        break;
    case 6:
        eye = D3DXVECTOR3(100.0f - 120.0f * tau, 30.0f, -100.0f);
        at = D3DXVECTOR3(0.0f, 10.0f, 0.0f);
        break;
    case 7:
        eye = D3DXVECTOR3(200.0f - 120.0f * tau, 30.0f, -100.0f);
        at = D3DXVECTOR3(120.0f, 10.0f, -250.0f);
        break;
    case 8:
        eye = D3DXVECTOR3(90.0f * tau, 50.0f, -100.0f);
        at = D3DXVECTOR3(220.0f, 0.0f, -250.0f);
        break;
    case 9:
        eye = D3DXVECTOR3(-50.0f, 70.0f, 50.0f * tau - 100.0f);
        at = D3DXVECTOR3(100.0f * (tau + 1.0f), 0.0f, 150.0f);
        break;
    case 10:
        eye = D3DXVECTOR3(30.0f * tau - 50.0f, 20.0f, -30.0f * tau);
        at = D3DXVECTOR3(100.0f, 10.0f, 250.0f);
        break;
    case 12:
        eye = D3DXVECTOR3(-200.0f * tau, 70.0f, -100.0f);
        at = D3DXVECTOR3(200.0f, 0.0f, 0.0f);
        break;
    default: {
        // The last shot drives forward until it passes its stop; from the next frame on the
        // room is gone and the greetings follow.
        const float x = 100.0f + 180.0f * tau;
        eye = D3DXVECTOR3(std::min(x, LastShotStopX), 15.0f, -75.0f);
        at = D3DXVECTOR3(800.0f, 15.0f, -75.0f);
        if (x > LastShotStopX) {
            switched = true;
        }
        break;
    }
    }

    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    d3d->SetTransform(D3DTS_VIEW, &view);
    D3DXMatrixPerspectiveFovLH(&projection, QuarterPi, 1.0f, 1.0f, 3500.0f);
    d3d->SetTransform(D3DTS_PROJECTION, &projection);

    d3d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d3d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d3d->SetRenderState(D3DRS_AMBIENT, 0x20202020);
    SceneHelpers::SetRoomLights(d3d, Lights, 0.05f);
    SceneHelpers::SetLinearSampling(d3d);
    d3d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d3d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    room.Draw();

    // Still, additive water.
    d3d->SetRenderState(D3DRS_ZENABLE, TRUE);
    SceneHelpers::SetLinearSampling(d3d);
    d3d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d3d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d3d->SetRenderState(D3DRS_AMBIENT, 0);
    SceneHelpers::BeginAdditive(d3d);
    water.Draw();
    SceneHelpers::EndAdditive(d3d);
}

void FinalRoomScene::DrawGreetings(float t, float dt) {
    if (t < GreetingSlots[0].start) {
        return;
    }
    if (t < GreetingsEnd) {
        int slotIndex = 0;
        for (const GreetingSlot& slot : GreetingSlots) {
            if (t >= slot.start) {
                slotIndex = slot.index;
            }
        }
        if (slotIndex != greetingIndex) {
            greetingAlpha = 1.0f;
            greetingIndex = slotIndex;
        }
    }
    if (greetingAlpha > 0.0f) {
        greetingAlpha = greetingAlpha - 1.5f * dt;
    }
    SceneHelpers::SetQuadColour(greetingsQuad, (SceneHelpers::ColourByte(greetingAlpha) << 24) | 0xFFFFFF);

    OverlayState();
    if (greetingIndex != -1 && greetingIndex < GreetingCount) {
        greetingsQuad->texture = greetingTextures[greetingIndex];
        greetingsQuad->Draw();
    }
    if (t >= ClosingLogoStart) {
        SceneHelpers::SetQuadColour(greetingsQuad, 0xFFFFFFFF);
        greetingsQuad->texture = closingLogoTexture;
        greetingsQuad->Draw();
    }
}

// Black at the start, clear at 160.448 s; a dip to black 0.1 s either side of every cut.
void FinalRoomScene::DrawFadeAndOverlay(float t) {
    OverlayState();
    if (t <= FadeInEnd) {
        fadeAlpha = (FadeInEnd - t) * 5.0f;
    } else {
        fadeAlpha = 0.0f;
        for (const float cut : CutTimes) {
            if (cut - CutDip <= t && t < cut + CutDip) {
                fadeAlpha = t <= cut ? (t - (cut - CutDip)) * 10.0f : ((cut + CutDip) - t) * 10.0f;
            }
        }
    }
    SceneHelpers::SetQuadColour(
        fadeQuad, SceneHelpers::PackColour(fadeColour[0], fadeColour[1], fadeColour[2], fadeAlpha));
    fadeQuad->Draw();
    overlayQuad->Draw();
}
