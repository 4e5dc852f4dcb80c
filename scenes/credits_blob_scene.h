#pragma once
// 69.204 to 84.827 s: a tumbling blob whose inner vertices twist back and forth, two
// overlay images over the upper and lower halves of the screen, and near the end three
// credit images flashing up one after another at the lower right.

#include <vector>

#include "assets/effect_mesh.h"
#include "shell/scene.h"

struct DeviceHolder;
class EffectBinding;
class ScreenQuad;
class TextureObject;

// A quad of this scene whose vertices carry no colour: x, y, z, u, v (D3DFVF_XYZ |
// D3DFVF_TEX1, 20 bytes). It has no texture of its own; the scene binds one first.
struct PlainQuad {
    struct Vertex {
        float x, y, z, u, v;
    };
    static constexpr DWORD Fvf = D3DFVF_XYZ | D3DFVF_TEX1;

    void Init(int count);

    DeviceHolder* holder = nullptr;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    bool locked = false;
    int vertexCount = 0;
};

class CreditsBlobScene : public Scene {
  public:
    // Music times this scene follows; the media generator puts its drum hits on them.
    // Music times at which the credit images appear, one after another.
    static constexpr float CreditTimes[3] = {80.657f, 81.548f, 82.351f};

    void Init();
    void Render() override;

    DeviceHolder* device = nullptr;
    EffectBinding* effect = nullptr;
    EffectMesh blob;
    TextureObject* baseTexture = nullptr;
    TextureObject* upperOverlayTexture = nullptr;
    TextureObject* lowerOverlayTexture = nullptr;
    PlainQuad upperHalf;
    PlainQuad lowerHalf;
    TextureObject* environmentTexture = nullptr;
    std::vector<D3DXVECTOR3> positions; // twisted in place every frame
    std::vector<float> restLengths;
    DWORD vertexCount = 0;
    ScreenQuad* creditsQuad = nullptr;
    TextureObject* creditImages[3] = {};

    // Kept for the whole run, never reset.
    float twistPhase = 0.0f;
    float spinClock = 0.0f;
    int creditsStage = -1;
    float creditsAlpha = 0.0f;

  private:
    void Twist(float dt);
    void DrawBlob(float t, float dt);
    void DrawCredits(float t, float dt);
    void DrawHalves();
};
