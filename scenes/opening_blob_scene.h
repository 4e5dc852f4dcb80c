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
    // Music times this scene follows; the media generator puts its drum hits on them.
    // Beats that flash the three blocks at the lower right during the first 15 seconds.
    static constexpr float Block0Times[] = {0.448f,  0.872f, 1.7f,    2.119f,  2.536f, 3.374f,  3.786f,
                                            4.197f,  5.038f, 5.454f,  5.871f,  6.706f, 7.118f,  7.54f,
                                            8.377f,  8.793f, 9.206f,  10.03f,  10.45f, 10.872f, 11.701f,
                                            12.118f, 12.54f, 13.376f, 13.795f, 14.202f};
    static constexpr float Block1Times[] = {1.072f, 2.743f,  4.413f, 6.083f, 7.74f,
                                            9.412f, 11.082f, 12.75f, 14.405f};
    static constexpr float Block2Times[] = {1.291f, 2.953f,  4.623f, 6.286f, 7.955f,
                                            9.621f, 11.285f, 12.95f, 14.627f};
    // Beats that flash the concentric circles at the upper right from 15 s on: each event has an
    // intensity (the alpha it flashes to) and a fade rate (the flash lasts 1 / rate seconds).
    static constexpr float Circle0Times[] = {15.031f, 15.458f, 15.863f, 16.694f, 17.121f, 17.531f, 18.363f,
                                             18.782f, 19.206f, 20.04f,  20.45f,  20.87f,  21.704f, 22.119f,
                                             22.538f, 23.364f, 23.792f, 24.207f, 25.037f, 25.447f, 25.866f};
    static constexpr float Circle0Intensities[] = {0.2f, 0.2f, 0.2f, 0.4f, 0.4f, 0.4f, 0.6f,
                                                   0.6f, 0.6f, 0.8f, 0.8f, 0.8f, 1.0f, 1.0f,
                                                   1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    static constexpr float Circle0Rates[] = {5.0f,   5.0f,   1.666f, 5.0f,   5.0f,   1.666f, 5.0f,
                                             5.0f,   1.666f, 5.0f,   5.0f,   1.666f, 5.0f,   5.0f,
                                             1.666f, 5.0f,   5.0f,   1.666f, 5.0f,   5.0f,   1.666f};
    static constexpr float Circle1Times[] = {16.071f, 17.74f, 19.409f, 21.073f, 22.741f, 24.401f, 26.078f};
    static constexpr float Circle1Intensities[] = {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 1.0f, 1.0f};
    static constexpr float Circle1Rates[] = {2.0f, 2.0f, 2.0f, 2.0f, 2.0f, 2.0f, 2.0f};
    static constexpr float Circle2Times[] = {16.284f, 17.952f, 19.616f, 21.285f, 22.962f, 24.617f, 26.29f};
    static constexpr float Circle2Intensities[] = {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 1.0f, 1.0f};
    static constexpr float Circle2Rates[] = {5.0f, 5.0f, 5.0f, 5.0f, 5.0f, 5.0f, 5.0f};

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
