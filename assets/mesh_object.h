#pragma once
// A textured, lit .x mesh drawn with the fixed-function pipeline: one world transform, and
// per material a Direct3D material, an optional texture and one subset draw.

#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9.h"

struct DeviceHolder;
class TextureObject;

class MeshObject {
  public:
    MeshObject();
    ~MeshObject();

    // dir ends in a separator ("data//meshes//"); material textures are found behind it.
    void Load(const std::string& dir, const std::string& file);
    void Draw();
    void Release();

    D3DXMATRIX world;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    D3DMATERIAL9* materials = nullptr;
    DeviceHolder* holder = nullptr;
    std::vector<TextureObject*> textures;
};
