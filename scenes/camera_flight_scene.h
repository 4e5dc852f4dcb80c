#pragma once
// 28 to 42.696 s: black until 29.411 s, then an environment-mapped blob seen by a camera
// that cuts and sweeps on the music around a point beside it, from which 45 glowing red
// trails wander off, their head flares pulsing on the beats.

#include "assets/effect_mesh.h"
#include "shell/scene.h"

struct DeviceHolder;
class Billboard;
class EffectBinding;
class ScreenQuad;
class TextureObject;

class CameraFlightScene : public Scene {
  public:
    // Music times this scene follows; the media generator puts its drum hits on them.
    // Camera segments, by music time: four fixed shots cutting on the beat, then sweeps whose
    // positions follow the time spent in them. The tenth segment ends inclusively at
    // SweepsEnd; the eleventh runs from just after it to the end of the scene.
    static constexpr float SegmentStarts[] = {29.411f, 29.623f, 29.729f, 29.830f, 30.038f,
                                              32.910f, 34.491f, 36.079f, 37.742f, 39.412f};
    static constexpr float SweepsEnd = 41.089f;
    // The head flares of all trails swell on these beats and shrink back within 0.2 s.
    static constexpr float PulseTimes[] = {33.157f, 33.576f, 36.491f, 36.893f, 39.825f,
                                           40.227f, 40.881f, 41.283f, 41.457f, 41.758f};

    static constexpr int TrailCount = 45;
    static constexpr int TrailLength = 20;

    // Vertex of a trail's line strip: position and colour (D3DFVF_XYZ | D3DFVF_DIFFUSE).
    struct StripVertex {
        float x, y, z;
        D3DCOLOR colour;
    };

    struct Colour {
        float r, g, b, a;
    };

    struct Trail {
        D3DXVECTOR3 frequency{0, 0, 0};
        D3DXVECTOR3 head{0, 0, 0};
        D3DXVECTOR3 direction{0, 0, 0};
        D3DXVECTOR3 phase{0, 0, 0};
        D3DXVECTOR3 points[TrailLength] = {};
        Colour colours[TrailLength] = {};
        float headHalfWidth = 5.0f;
        float headHalfHeight = 5.0f;
        IDirect3DVertexBuffer9* strip = nullptr;
        int pointCount = 2;
        float timer = 0.0f;
        Billboard* headFlare = nullptr;
    };

    void Init();
    void Render() override;

    DeviceHolder* holder = nullptr;
    EffectMesh blob;
    EffectBinding* effect = nullptr;
    TextureObject* baseTexture = nullptr;
    TextureObject* envTexture = nullptr;
    TextureObject* flareTexture = nullptr;
    Billboard* sourceFlares[2] = {};
    Trail* trails = nullptr; // TrailCount
    TextureObject* overlayTexture = nullptr;
    ScreenQuad* overlayQuad = nullptr;

    // Sum of the frame deltas spent in each sweeping camera segment; never reset.
    float segmentClocks[7] = {};

  private:
    void PlaceCamera(float t, float dt, D3DXVECTOR3* eye, D3DXVECTOR3* target);
    void DrawBlob(float t, float dt);
    void DrawParticles(float t, float dt);
    void UpdateTrail(Trail& trail, float t, float dt);
};
