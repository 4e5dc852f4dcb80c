#pragma once
// 56.078 to 69.204 s: a stack twisted back and forth about the Z axis by a wave running
// along it, a camera gliding along Z and back, a column of 800 additive flares streaming
// towards +Z, and two columns of bars sliding past each other, jumping larger on the beats.

#include <vector>

#include "assets/effect_mesh.h"
#include "assets/screen_quad.h"
#include "shell/scene.h"

struct DeviceHolder;
class EffectBinding;
class TextureObject;

class TwistStackScene : public Scene {
  public:
    // Music times this scene follows; the media generator puts its drum hits on them.
    // Beats on which every bar jumps to the larger size.
    static constexpr float BeatTimes[] = {56.911f, 57.335f, 57.731f, 58.170f, 58.595f, 59.005f, 59.415f,
                                          59.839f, 60.249f, 60.674f, 61.099f, 61.509f, 61.919f, 62.329f,
                                          62.739f, 63.163f, 63.573f, 63.983f, 64.422f, 64.832f, 65.257f,
                                          65.682f, 66.027f, 66.509f, 66.923f, 67.538f, 67.951f};

    static constexpr int BarCount = 20;
    static constexpr int FlareCount = 800;

    struct Colour {
        float r, g, b, a;
    };

    TwistStackScene();
    void Init();
    void Render() override;

    DeviceHolder* device = nullptr;
    EffectBinding* effect = nullptr;
    EffectMesh stack;
    EffectMesh sphere; // loaded, never drawn
    TextureObject* baseTexture = nullptr;
    TextureObject* overlayTexture = nullptr;
    TextureObject* environmentTexture = nullptr;
    ScreenQuad* overlayQuad = nullptr;
    std::vector<D3DXVECTOR3> restPositions;
    DWORD vertexCount = 0;
    float barPosition[BarCount] = {};
    float barSize = 16.0f;
    TextureObject* barTexture = nullptr;
    ScreenQuad* downBars[BarCount] = {};
    ScreenQuad* upBars[BarCount] = {};
    std::vector<D3DXVECTOR3> flarePositions;
    std::vector<Colour> flareColours;
    std::vector<float> flareSpeeds;
    ScreenQuad flareQuads;
    // The view of the last frame drawn; all zero before the first, so the first frame's
    // flares collapse to points.
    D3DXMATRIX lastView;

    // Kept for the whole run, never reset.
    float twistPhase = 0.0f;
    float cameraClock = 0.0f;
    int lastBeat = -1;

  private:
    void Twist(float dt);
    void MoveFlares(float dt);
    void DrawStack(float t, float dt);
    void DrawFlares();
    void DrawBars(float t, float dt);
};
