#pragma once
// 139.863 to 160.248 s: a room lit by four coloured point lights with a rippling water
// surface drawn additively, seen through twelve shots, six of them looking down from above.

#include <vector>

#include "assets/mesh_object.h"
#include "shell/scene.h"

struct DeviceHolder;
class TextureObject;
class ScreenQuad;

class WaterRoomScene : public Scene {
  public:
    static constexpr int ShotCount = 12;

    void Init();
    void Render() override;

    DeviceHolder* device = nullptr;
    MeshObject room;
    MeshObject water;
    std::vector<D3DXVECTOR3> waterRestPositions;
    std::vector<D3DXVECTOR2> waterRestTexCoords;
    TextureObject* overlayTexture = nullptr;
    ScreenQuad* overlayQuad = nullptr;
    D3DXMATRIX view;
    D3DXMATRIX projection;

    // Kept for the whole run, never reset.
    float waterClock = 0.0f;
    float shotClocks[ShotCount] = {};
    int currentShot = 0;
    D3DXVECTOR3 eye{0.0f, 0.0f, 0.0f};

  private:
    void Ripple(float dt);
    void PlaceCameraAndDrawRoom(float t, float dt);
    void DrawWater();
};
