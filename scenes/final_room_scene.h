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
    // Music times this scene follows; the media generator puts its drum hits on them.
    // Cut times of the thirteen shots; each also dips the picture to black for 0.1 s either side.
    static constexpr float CutTimes[] = {161.954f, 163.624f, 164.475f, 165.325f, 166.113f, 166.953f,
                                         167.797f, 168.638f, 169.48f,  170.29f,  171.131f, 171.973f};
    // Greeting slots: from each time on, until the next, the greeting of that index shows. The
    // tenth slot shows greeting 10, so greeting 9 never appears.
    struct GreetingSlot {
        float start;
        int index;
    };
    static constexpr GreetingSlot GreetingSlots[] = {
        {173.636f, 0}, {174.487f, 1}, {175.301f, 2}, {176.142f, 3}, {176.974f, 4},
        {177.816f, 5}, {178.638f, 6}, {179.48f, 7},  {180.304f, 8}, {181.153f, 10},
    };
    static constexpr float GreetingsEnd = 181.949f;
    static constexpr float ClosingLogoStart = 183.216f;

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
