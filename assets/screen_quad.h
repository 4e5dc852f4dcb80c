#pragma once
// Flat textured layers over the 3D picture, and camera-facing squares in it. Vertices are
// position, ARGB colour and uv (FVF 0x142, 24 bytes).

#include "platform/d3dx9/d3dx9.h"

struct DeviceHolder;
class TextureObject;

struct QuadVertex {
    float x, y, z;
    D3DCOLOR colour;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 24);

constexpr DWORD QuadVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

class ScreenQuad {
  public:
    virtual ~ScreenQuad() = default;

    void Init(int count);
    void Create(TextureObject* texture);
    // Writes the unit quad (-0.5..0.5, opaque white) into the first six vertices.
    void FillUnit();
    virtual void Draw();

    DeviceHolder* holder = nullptr;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    bool locked = false;
    int vertexCount = 0;
    TextureObject* texture = nullptr;
};

class Billboard : public ScreenQuad {
  public:
    // Rebuilds the six corners facing the camera of the current view matrix, then draws.
    void Draw() override;

    D3DXVECTOR3 position{0, 0, 0};
    float halfWidth = 0;
    float halfHeight = 0;
};

// Unit orthographic projection, identity view and world, modulating stage 0, alpha
// blending on: the states every 2D layer is drawn with.
void OverlayState();
