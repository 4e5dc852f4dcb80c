// D3DXLoadMeshFromXW: reads the file through the Windows path rules, parses it (or finds it
// already parsed during start-up, see x_mesh_cache.h), builds one merged mesh through the
// device and hands back the materials as a D3DXMATERIAL array whose texture names live in the
// same buffer. Faces stay in file order; Optimize sorts them.

#include <cstring>
#include <map>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/x_mesh_cache.h"

namespace {

constexpr DWORD kNoNeighbour = 0xFFFFFFFF;

HRESULT FillMesh(const XMeshData& data, ID3DXMesh* mesh) {
    void* vertices = nullptr;
    HRESULT hr = mesh->LockVertexBuffer(0, &vertices);
    if (FAILED(hr) || vertices == nullptr) {
        return FAILED(hr) ? hr : E_FAIL;
    }
    auto* dst = static_cast<float*>(vertices);
    for (const auto& v : data.vertices) {
        *dst++ = v.position[0], *dst++ = v.position[1], *dst++ = v.position[2];
        if (data.hasNormals) {
            *dst++ = v.normal[0], *dst++ = v.normal[1], *dst++ = v.normal[2];
        }
        if (data.hasTexCoords) {
            *dst++ = v.uv[0], *dst++ = v.uv[1];
        }
    }
    mesh->UnlockVertexBuffer();

    void* indices = nullptr;
    hr = mesh->LockIndexBuffer(0, &indices);
    if (FAILED(hr) || indices == nullptr) {
        return FAILED(hr) ? hr : E_FAIL;
    }
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (size_t i = 0; i < data.indices.size(); ++i) {
        if (wide) {
            static_cast<DWORD*>(indices)[i] = data.indices[i];
        } else {
            static_cast<WORD*>(indices)[i] = static_cast<WORD>(data.indices[i]);
        }
    }
    mesh->UnlockIndexBuffer();

    DWORD* attributes = nullptr;
    hr = mesh->LockAttributeBuffer(0, &attributes);
    if (FAILED(hr)) {
        return hr;
    }
    std::memcpy(attributes, data.attributes.data(), data.attributes.size() * sizeof(DWORD));
    mesh->UnlockAttributeBuffer();
    return D3D_OK;
}

HRESULT MakeMaterialBuffer(const XMeshData& data, ID3DXBuffer** out) {
    size_t bytes = data.materials.size() * sizeof(D3DXMATERIAL);
    for (const auto& m : data.materials) {
        bytes += m.hasTexture ? m.textureFile.size() + 1 : 0;
    }
    ID3DXBuffer* buffer = nullptr;
    // A file without materials still gets a (one byte) buffer, so callers can always release it.
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(bytes > 0 ? bytes : 1), &buffer);
    if (FAILED(hr)) {
        return hr;
    }
    auto* base = static_cast<unsigned char*>(buffer->GetBufferPointer());
    auto* materials = reinterpret_cast<D3DXMATERIAL*>(base);
    char* names = reinterpret_cast<char*>(base + data.materials.size() * sizeof(D3DXMATERIAL));
    for (size_t i = 0; i < data.materials.size(); ++i) {
        materials[i].MatD3D = data.materials[i].material;
        materials[i].pTextureFilename = nullptr;
        if (data.materials[i].hasTexture) {
            const std::string& name = data.materials[i].textureFile;
            std::memcpy(names, name.c_str(), name.size() + 1);
            materials[i].pTextureFilename = names;
            names += name.size() + 1;
        }
    }
    *out = buffer;
    return D3D_OK;
}

// Neighbours across shared edges (by vertex index), kNoNeighbour where none.
HRESULT MakeAdjacency(const XMeshData& data, ID3DXBuffer** out) {
    const size_t faces = data.indices.size() / 3;
    ID3DXBuffer* buffer = nullptr;
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(faces * 3 * sizeof(DWORD)), &buffer);
    if (FAILED(hr)) {
        return hr;
    }
    auto* adjacency = static_cast<DWORD*>(buffer->GetBufferPointer());
    std::map<std::pair<DWORD, DWORD>, DWORD> edges;
    for (size_t f = 0; f < faces; ++f) {
        for (int k = 0; k < 3; ++k) {
            edges.emplace(std::make_pair(data.indices[f * 3 + k], data.indices[f * 3 + (k + 1) % 3]),
                          static_cast<DWORD>(f));
        }
    }
    for (size_t f = 0; f < faces; ++f) {
        for (int k = 0; k < 3; ++k) {
            const auto found =
                edges.find(std::make_pair(data.indices[f * 3 + (k + 1) % 3], data.indices[f * 3 + k]));
            adjacency[f * 3 + k] = found != edges.end() && found->second != f ? found->second : kNoNeighbour;
        }
    }
    *out = buffer;
    return D3D_OK;
}

} // namespace

HRESULT D3DXLoadMeshFromXW(LPCWSTR filename, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                           ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* numMaterials,
                           ID3DXMesh** mesh) {
    if (adjacency != nullptr) {
        *adjacency = nullptr;
    }
    if (materials != nullptr) {
        *materials = nullptr;
    }
    if (effectInstances != nullptr) {
        *effectInstances = nullptr;
    }
    if (numMaterials != nullptr) {
        *numMaterials = 0;
    }
    if (mesh == nullptr || filename == nullptr || device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *mesh = nullptr;
    const std::shared_ptr<const XMeshCache::Built> built = XMeshCache::Load(std::wstring_view(filename));
    HRESULT hr = built->result;
    if (FAILED(hr)) {
        return hr;
    }
    const XMeshData& data = built->data;
    ID3DXMesh* created = nullptr;
    hr = D3DXCreateMeshFVF(static_cast<DWORD>(data.attributes.size()),
                           static_cast<DWORD>(data.vertices.size()), options, data.Fvf(), device, &created);
    if (FAILED(hr)) {
        return hr;
    }
    hr = FillMesh(data, created);
    ID3DXBuffer* materialBuffer = nullptr;
    ID3DXBuffer* adjacencyBuffer = nullptr;
    if (SUCCEEDED(hr) && materials != nullptr) {
        hr = MakeMaterialBuffer(data, &materialBuffer);
    }
    if (SUCCEEDED(hr) && adjacency != nullptr) {
        hr = MakeAdjacency(data, &adjacencyBuffer);
    }
    if (FAILED(hr)) {
        created->Release();
        if (materialBuffer != nullptr) {
            materialBuffer->Release();
        }
        return hr;
    }
    if (materials != nullptr) {
        *materials = materialBuffer;
    }
    if (adjacency != nullptr) {
        *adjacency = adjacencyBuffer;
    }
    if (numMaterials != nullptr) {
        *numMaterials = static_cast<DWORD>(data.materials.size());
    }
    *mesh = created;
    return D3D_OK;
}
