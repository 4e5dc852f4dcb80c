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
