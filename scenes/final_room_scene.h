#pragma once
// 160.248 to 190 s: a room with additive water, lit blue and violet, seen through thirteen
// shots with a dip to black on every cut; then greetings one after another in the centre of
// a black screen, and the closing logo until the end.

#include <vector>

#include "assets/mesh_object.h"
#include "shell/scene.h"

struct DeviceHolder;
class TextureObject;
class ScreenQuad;

class FinalRoomScene : public Scene {
  public:
    static constexpr int ShotCount = 13;
    static constexpr int GreetingCount = 11;
    static constexpr int ParticleCount = 3000;

    void Init();
    void Render() override;

    struct Particle {
        D3DXVECTOR3 position;
        D3DCOLOR colour;
        float size;

      private:
    };

    void DrawRoom(float t, float dt);
    void DrawGreetings(float t, float dt);
    void DrawFadeAndOverlay(float t);

    DeviceHolder* device = nullptr;
    MeshObject room;
    TextureObject* flareTexture = nullptr;
    TextureObject* overlayTexture = nullptr;
    MeshObject water;
    ScreenQuad* overlayQuad = nullptr;
    TextureObject* greetingTextures[GreetingCount] = {};
    TextureObject* closingLogoTexture = nullptr;
    ScreenQuad* greetingsQuad = nullptr;
    std::vector<Particle> particles;
    TextureObject* secondFlareTexture = nullptr;
    TextureObject* fadeTexture = nullptr;
    ScreenQuad* fadeQuad = nullptr;
    float fadeColour[3] = {1.0f, 1.0f, 1.0f};
    float fadeAlpha = 0.0f;
    D3DXMATRIX view;
    D3DXMATRIX projection;

    // Kept for the whole run, never reset.
    bool switched = false;
    float shotClocks[ShotCount] = {};
    int greetingIndex = -1;
    float greetingAlpha = 0.0f;
    int currentShot = 0;
    D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};
};
