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
    // Music times this scene follows; the media generator puts its drum hits on them.
    // Start of shots 2 to 12; shot 1 runs before the first. Shots 3 and 4 begin at bounds the
    // music was cut to in double precision, so they are compared as doubles.
    struct ShotStart {
        double time;
        bool compareAsDouble;
    };
    static constexpr ShotStart ShotStarts[] = {
        {141.959f, false}, {143.635, true},   {145.295, true},   {146.963f, false},
        {148.648f, false}, {150.29f, false},  {151.966f, false}, {153.608f, false},
        {155.3f, false},   {156.944f, false}, {158.635f, false},
    };

    static constexpr int ShotCount = 12;

    void Init();
    void Render() override;

    DeviceHolder* device = nullptr;
    MeshObject room;
    MeshObject water;
    // Where positions and texture coordinates sit in the water's own vertices; the ripple
    // leaves out what the mesh does not have.
    UINT waterStride = 0;
    int waterPositionOffset = -1;
    int waterTexCoordOffset = -1;
    std::vector<D3DXVECTOR3> waterRestPositions;
    std::vector<D3DXVECTOR2> waterRestTexCoords; // empty without texture coordinates
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
    void FindWaterLayout();
    void Ripple(float dt);
    void PlaceCameraAndDrawRoom(float t, float dt);
    void DrawWater();
};
