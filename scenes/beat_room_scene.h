#pragma once
// 113 to 139.863 s: a room lit by four coloured point lights with an additive glowing tube
// and a stretched pulsing blob. A black strobe opens on the music until 126.313 s, then the
// camera cuts on every beat mark and five squares flash on their own beat lists.

#include <vector>

#include "assets/effect_mesh.h"
#include "assets/mesh_object.h"
#include "shell/scene.h"

struct DeviceHolder;
class EffectBinding;
class TextureObject;
class ScreenQuad;

class BeatRoomScene : public Scene {
  public:
    // Music times this scene follows; the media generator puts its drum hits on them.
    // Strobe flashes until 126.313 s. The 22nd entry, 133.607, comes after the strobe ends and
    // never fires.
    static constexpr float FlashTimes[] = {
        113.612f, 114.224f, 114.655f, 115.287f, 115.7f,   116.127f, 116.54f,  116.952f, 117.558f,
        117.998f, 118.617f, 119.017f, 119.443f, 119.87f,  120.296f, 120.915f, 121.342f, 121.947f,
        122.36f,  122.773f, 123.194f, 133.607f, 124.257f, 124.647f, 125.272f, 125.711f, 126.113f};
    // The five squares' beat lists, block 0 (rightmost) first. Block 0's last entry lies before
    // the scene and block 2's 13th repeats its 9th: neither ever fires.
    static constexpr float Block0Times[] = {126.541f, 126.957f, 129.883f, 130.299f,
                                            133.225f, 133.641f, 136.567f, 20.052f};
    static constexpr float Block1Times[] = {126.739f, 127.574f, 130.081f, 130.916f,
                                            133.423f, 134.258f, 136.765f, 137.6f};
    static constexpr float Block2Times[] = {127.181f, 127.788f, 128.203f, 128.635f, 130.523f, 131.13f,
                                            131.545f, 131.977f, 133.865f, 134.472f, 134.887f, 135.319f,
                                            133.865f, 137.814f, 138.229f, 138.661f};
    static constexpr float Block3Times[] = {128.001f, 128.401f, 129.135f, 131.343f, 131.743f, 132.477f,
                                            134.685f, 135.085f, 135.819f, 138.027f, 138.427f, 139.161f};
    static constexpr float Block4Times[] = {128.843f, 132.185f, 135.527f, 138.869f};
    static constexpr float StrobeEnd = 126.313f;

    static constexpr int SyncBlockCount = 5;
    static constexpr int ShotCount = 16;

    void Init();
    void Render() override;

    DeviceHolder* device = nullptr;
    MeshObject room;
    MeshObject tube;
    EffectBinding* effect = nullptr;
    EffectMesh blob;
    std::vector<D3DXVECTOR3> blobRestPositions;
    TextureObject* baseTexture = nullptr;
    TextureObject* environmentTexture = nullptr;
    TextureObject* overlayTexture = nullptr;
    ScreenQuad* overlayQuad = nullptr;
    TextureObject* flashTexture = nullptr;
    ScreenQuad* flashQuad = nullptr;
    float flashColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    TextureObject* blockTexture = nullptr;
    ScreenQuad* syncBlocks[SyncBlockCount] = {};
    float blockColours[SyncBlockCount][4] = {};
    D3DXMATRIX view;
    D3DXMATRIX projection;

    // Kept for the whole run, never reset.
    float shotClocks[ShotCount] = {};
    float pulsePhase = 0.0f;
    int lastFlash = -1;
    int lastBlockHits[SyncBlockCount] = {-1, -1, -1, -1, -1};
    int currentShot = 0;
    D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};

  private:
    void PulseBlob(float dt);
    void UpdateSyncBlock(int block, float t, float dt);
    void PlaceCameraAndDrawRoom(float t, float dt);
    void DrawBlob(float t);
    void DrawTube();
    void DrawStrobe(float t, float dt);
};
