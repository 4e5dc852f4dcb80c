#include "assets/mesh_object.h"

#include "assets/resource_cache.h"
#include "assets/texture_object.h"
#include "platform/fs/windows_path.h"
#include "shell/device_holder.h"
#include "shell/log_file.h"

MeshObject::MeshObject() {
    D3DXMatrixIdentity(&world);
}

MeshObject::~MeshObject() {
    Release();
    delete[] materials;
    materials = nullptr;
}

// A file that is missing or unreadable leaves no mesh and no materials; Draw then does
// nothing and start-up goes on.
void MeshObject::Load(const std::string& dir, const std::string& file) {
    materialCount = 0;
    holder = DeviceHolder::Get();
    if (mesh != nullptr) {
        mesh->Release();
        mesh = nullptr;
    }
    delete[] materials;
    materials = nullptr;
    textures.clear();

    const std::wstring path = WindowsPath::Widen(dir + file);
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD count = 0;
    const HRESULT hr = D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_SYSTEMMEM, holder->device, nullptr,
                                          &materialBuffer, nullptr, &count, &mesh);
    if (FAILED(hr) || materialBuffer == nullptr) {
        if (mesh != nullptr) {
            mesh->Release();
            mesh = nullptr;
        }
        if (materialBuffer != nullptr) {
            materialBuffer->Release();
        }
        return;
    }
    materialCount = count;
    materials = new D3DMATERIAL9[materialCount];
    textures.assign(materialCount, nullptr);
    const auto* source = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
    for (DWORD i = 0; i < materialCount; ++i) {
        materials[i] = source[i].MatD3D;
        materials[i].Ambient = materials[i].Diffuse;
        const char* name = source[i].pTextureFilename;
        if (name != nullptr && name[0] != '\0') {
            LogFile::Print("Loading ... %s", name);
            textures[i] = ResourceCache::GetTexture(dir + name);
        }
    }
    materialBuffer->Release();
}

void MeshObject::Draw() {
    if (holder == nullptr || holder->device == nullptr || mesh == nullptr) {
        return;
    }
    IDirect3DDevice9* device = holder->device;
    device->SetTransform(D3DTS_WORLD, &world);
    for (DWORD i = 0; i < materialCount; ++i) {
        device->SetMaterial(&materials[i]);
        if (textures[i] != nullptr) {
            textures[i]->Bind(0);
            device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
            device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
            device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
            device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
        } else {
            device->SetTexture(0, nullptr);
        }
        mesh->DrawSubset(i);
    }
}

void MeshObject::Release() {
    if (mesh != nullptr) {
        mesh->Release();
        mesh = nullptr;
    }
    holder = nullptr;
}
