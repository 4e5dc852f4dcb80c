#pragma once
// 0 to 28 s: a blue-and-cyan blob tumbling over a dark blue background, twisting from 8 s,
// the camera moving in between 14 and 18 s; the logo fades out, small blocks and
// concentric circles flash on the beats, and the last 1.5 s fade to black.

#include <vector>

#include "assets/effect_mesh.h"
#include "shell/scene.h"

struct DeviceHolder;
class EffectBinding;
class ScreenQuad;
class TextureObject;

class OpeningBlobScene : public Scene {
  public:
    void Init();
    void Render() override;

    struct Colour {
        float r, g, b, a;
    };

    DeviceHolder* holder = nullptr;
    EffectMesh blob;
    EffectBinding* effect = nullptr;
    std::vector<D3DXVECTOR3> restPositions;
    std::vector<D3DXVECTOR3> restNormals;
    std::vector<float> restLengths;
    DWORD vertexCount = 0;
    ScreenQuad* logoQuad = nullptr;
    Colour logoColour{1, 1, 1, 1};
    ScreenQuad* overlayQuad = nullptr;
    ScreenQuad* blocks = nullptr; // three
    Colour blockColours[3] = {};
    ScreenQuad* circles = nullptr; // three
    Colour circleColours[3] = {};
    ScreenQuad* fadeQuad = nullptr;
    Colour fadeColour{1, 1, 1, 0};

    // Kept for the whole run, never reset.
    float eyeZ = -55.0f;
    float twistPhase = 0.0f;
    int lastBlockEvent[3] = {-1, -1, -1};
    int lastCircleEvent[3] = {-1, -1, -1};

  private:
    void Twist(float dt);
    void UpdateBlocks(float t, float dt);
    void UpdateCircles(float t, float dt);
    void DrawBlob(float t);
};
