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
    // Music times this scene follows; the media generator puts its drum hits on them.
    // Music times of the camera cuts. The last lies after the scene and never fires.
    static constexpr float CutTimes[] = {85.700f, 86.518f, 87.353f, 88.188f, 89.023f, 89.858f,
                                         90.708f, 91.527f, 92.347f, 93.381f, 94.177f, 94.950f,
                                         95.760f, 96.517f, 97.356f, 98.159f, 139.034f};
    static constexpr int CutCount = 17;

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
