// A .x file (text, binary or MSZIP-compressed) loaded and prepared the way the demo
// prepares its meshes: materials and adjacency read back, faces sorted by material,
// cloned into the vertex layout the effect-drawn meshes use, every subset drawn.

#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_input_file.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"

namespace {

constexpr DWORD kEffectMeshFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

void Release(IUnknown* object) {
    if (object != nullptr) {
        object->Release();
    }
}

// Every material's texture name must be a string inside the buffer it came in.
void ReadMaterials(ID3DXBuffer* buffer, DWORD count) {
    const auto* materials = static_cast<const D3DXMATERIAL*>(buffer->GetBufferPointer());
    std::size_t length = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (materials[i].pTextureFilename != nullptr) {
            length += std::strlen(materials[i].pTextureFilename);
        }
    }
    (void)length;
}

void DrawAll(ID3DXMesh* mesh, DWORD materialCount) {
    for (DWORD i = 0; i < materialCount; ++i) {
        mesh->DrawSubset(i);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring path = WindowsPath::Widen(FuzzInputFile::Write(data, size, ".x"));
    auto* device = new RecordingDevice();
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;
    ID3DXMesh* mesh = nullptr;
    if (SUCCEEDED(D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_SYSTEMMEM, device, &adjacency, &materials,
                                     nullptr, &materialCount, &mesh)) &&
        mesh != nullptr) {
        ReadMaterials(materials, materialCount);
        DrawAll(mesh, materialCount);
        ID3DXMesh* sorted = nullptr;
        if (SUCCEEDED(mesh->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr, &sorted)) &&
            sorted != nullptr) {
            DWORD tableSize = 0;
            sorted->GetAttributeTable(nullptr, &tableSize);
            ID3DXMesh* clone = nullptr;
            if (SUCCEEDED(sorted->CloneMeshFVF(D3DXMESH_WRITEONLY, kEffectMeshFvf, device, &clone)) &&
                clone != nullptr) {
                DrawAll(clone, materialCount);
                clone->Release();
            }
            sorted->Release();
        }
    }
    Release(mesh);
    Release(materials);
    Release(adjacency);
    device->Release();
    return 0;
}
