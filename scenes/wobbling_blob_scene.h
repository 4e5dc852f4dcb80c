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
