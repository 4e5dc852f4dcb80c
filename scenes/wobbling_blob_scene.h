#pragma once
// 42.696 to 56.078 s: a tumbling blob whose inner vertices swell in and out on a travelling
// wave, and a row of twenty squares running across the screen, hopping over its right part
// and jumping larger on every beat.

#include <vector>

#include "assets/effect_mesh.h"
#include "shell/scene.h"

struct DeviceHolder;
class EffectBinding;
class ScreenQuad;
class TextureObject;

class WobbleBlobScene : public Scene {
  public:
    // Music times this scene follows; the media generator puts its drum hits on them.
    // Beats on which every square jumps to the larger size.
    static constexpr float BeatTimes[] = {
        43.567f, 43.987f, 44.425f, 44.814f, 45.236f, 45.675f, 46.064f, 46.486f, 46.908f, 47.314f, 47.752f,
        47.963f, 48.208f, 48.320f, 48.580f, 49.002f, 49.472f, 49.813f, 50.235f, 50.657f, 51.063f, 51.485f,
        51.907f, 52.313f, 52.735f, 53.157f, 53.579f, 54.195f, 54.617f, 54.812f, 55.250f};

    static constexpr int SquareCount = 20;

    void Init();
    void Render() override;

    DeviceHolder* device = nullptr;
    EffectBinding* effect = nullptr;
    EffectMesh blob;
    EffectMesh secondMesh; // loaded, never drawn
    TextureObject* baseTexture = nullptr;
    TextureObject* overlayTexture = nullptr;
    TextureObject* environmentTexture = nullptr;
    ScreenQuad* overlayQuad = nullptr;
    std::vector<D3DXVECTOR3> restPositions;
    DWORD vertexCount = 0;
    float squareX[SquareCount] = {};
    float squareSize = 16.0f;
    TextureObject* squareTexture = nullptr;
    ScreenQuad* squares[SquareCount] = {};

    // Kept for the whole run, never reset.
    float wobblePhase = 0.0f;
    float spinClock = 0.0f;
    int lastBeat = -1;

  private:
    void Wobble(float dt);
    void DrawBlob(float t, float dt);
    void DrawSquares(float t, float dt);
};
