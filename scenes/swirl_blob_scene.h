#pragma once
// 100 to 113 s: a blob tumbling about all three axes beside a still sphere, its vertices
// swirled back and forth about the Z axis; the last second fades to black.

#include <vector>

#include "assets/effect_mesh.h"
#include "shell/scene.h"

struct DeviceHolder;
class EffectBinding;
class TextureObject;
class ScreenQuad;

class SwirlBlobScene : public Scene {
  public:
    void Init();
    void Render() override;

    DeviceHolder* device = nullptr;
    EffectBinding* effect = nullptr;
    EffectMesh blob;
    EffectMesh sphere;
    TextureObject* baseTexture = nullptr;
    TextureObject* environmentTexture = nullptr;
    TextureObject* overlayTexture = nullptr;
    ScreenQuad* overlayQuad = nullptr;
    std::vector<D3DXVECTOR3> swirlPositions;
    TextureObject* fadeTexture = nullptr;
    ScreenQuad* fadeQuad = nullptr;
    float fadeColour[3] = {1.0f, 1.0f, 1.0f};
    float fadeAlpha = 0.0f;

    // Kept for the whole run, never reset.
    float swirlPhase = 0.0f;
    float spinClock = 0.0f;

  private:
    void Swirl(float dt);
    void DrawMeshes(float t, float dt);
    void DrawFade(float t);
};
