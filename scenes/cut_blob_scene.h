#pragma once
// 84.827 to 100 s: a tall blob twisted back and forth about its vertical axis, seen
// through sixteen camera cuts on the music, fading in from black.

#include <vector>

#include "assets/effect_mesh.h"
#include "shell/scene.h"

struct DeviceHolder;
class EffectBinding;
class TextureObject;
class ScreenQuad;

class CutBlobScene : public Scene {
  public:
    void Init();
    void Render() override;

    DeviceHolder* device = nullptr;
    EffectBinding* effect = nullptr;
    EffectMesh blob;
    std::vector<D3DXVECTOR3> restPositions;
    TextureObject* baseTexture = nullptr;
    TextureObject* environmentTexture = nullptr;
    TextureObject* fadeTexture = nullptr;
    ScreenQuad* fadeQuad = nullptr;
    float fadeColour[3] = {1.0f, 1.0f, 1.0f};
    float fadeAlpha = 0.0f;
    TextureObject* overlayTexture = nullptr;
    ScreenQuad* overlayQuad = nullptr;

    // Kept for the whole run, never reset.
    float twistPhase = 0.0f;
    bool firstFrame = true;
    D3DXVECTOR3 eye{0.0f, -20.0f, 0.0f};
    int lastCut = -1;
    float h5 = 150, h6 = 150, h8 = 150, h9 = 150, h10 = 40, h11 = 150, h12 = 40, h13 = 150, h14 = 150,
          h15 = 150;
    float f7 = 0.7853982f;
    float fieldOfView = 0.7853982f;
    D3DXMATRIX view;
    D3DXMATRIX projection;

  private:
    void Twist(float dt);
    void PlaceCamera(float t, float dt);
    void DrawBlob(float t);
    void DrawFadeAndOverlay(float t);
};
