#pragma once
// Turns the data objects of a .x file into one mesh: every Mesh (inside frames with their
// FrameTransformMatrix applied) merged in file order, polygons fan-triangulated, a vertex
// split wherever a corner's normal index differs from the one the vertex already has, and
// the materials of all meshes in file order, each face's attribute its material's index.

#include <string>
#include <vector>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/x_file_parser.h"

struct XMeshVertex {
    float position[3] = {};
    float normal[3] = {};
    float uv[2] = {};
};

struct XMeshMaterial {
    D3DMATERIAL9 material{};
    bool hasTexture = false;
    std::string textureFile;
};

struct XMeshData {
    bool hasNormals = false;
    bool hasTexCoords = false;
    std::vector<XMeshVertex> vertices;
    std::vector<DWORD> indices; // three per triangle
    std::vector<DWORD> attributes;
    std::vector<XMeshMaterial> materials;

    DWORD Fvf() const {
        return D3DFVF_XYZ | (hasNormals ? D3DFVF_NORMAL : 0) | (hasTexCoords ? D3DFVF_TEX1 : 0);
    }
};

namespace XMeshBuilder {

// D3DXERR_INVALIDDATA when a mesh's counts or indices do not fit its data; E_FAIL when the
// file holds no geometry.
HRESULT Build(const std::vector<XObject>& objects, XMeshData& out);

} // namespace XMeshBuilder
