#include "assets/effect_mesh.h"

#include "assets/effect_binding.h"
#include "platform/fs/windows_path.h"
#include "shell/device_holder.h"

void EffectMesh::Load(const std::string& path, DWORD vertexFvf, UINT vertexStride) {
    fvf = vertexFvf;
    stride = vertexStride;
    IDirect3DDevice9* device = DeviceHolder::Get()->device;
    std::wstring widePath = WindowsPath::Widen(path);
    ID3DXMesh* loaded = nullptr;
    DWORD materialCount = 0;
    if (FAILED(D3DXLoadMeshFromXW(widePath.c_str(), D3DXMESH_DYNAMIC | D3DXMESH_SYSTEMMEM, device, nullptr,
                                  nullptr, nullptr, &materialCount, &loaded)) ||
        loaded == nullptr) {
        return; // a missing mesh draws nothing
    }
    ID3DXMesh* sorted = nullptr;
    if (FAILED(loaded->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr, &sorted)) ||
        sorted == nullptr) {
        loaded->Release();
        return;
    }
    DWORD tableSize = 0;
    sorted->GetAttributeTable(nullptr, &tableSize);
    ranges = new D3DXATTRIBUTERANGE[tableSize > 0 ? tableSize : 1]{};
    sorted->GetAttributeTable(ranges, &tableSize);
    // Draw walks one range per material; a material that owns no faces has no entry in the
    // table, so the walk stops at the table's end instead of reading past it.
    rangeCount = materialCount < tableSize ? materialCount : tableSize;
    if (SUCCEEDED(sorted->CloneMeshFVF(D3DXMESH_WRITEONLY, fvf, device, &mesh)) && mesh != nullptr) {
        mesh->GetVertexBuffer(&vertexBuffer);
        mesh->GetIndexBuffer(&indexBuffer);
    } else {
        mesh = nullptr;
        rangeCount = 0;
    }
    loaded->Release();
    sorted->Release();
    if (device != nullptr && vertexBuffer != nullptr) {
        device->SetStreamSource(0, vertexBuffer, 0, stride);
    }
}

void EffectMesh::Draw(EffectBinding* effectBinding) {
    IDirect3DDevice9* device = DeviceHolder::Get()->device;
    if (device == nullptr || mesh == nullptr) {
        return;
    }
    device->SetIndices(indexBuffer);
    device->SetStreamSource(0, vertexBuffer, 0, stride);
    device->SetFVF(fvf);
    ID3DXEffect* effect = effectBinding != nullptr ? effectBinding->effect : nullptr;
    UINT passCount = 0;
    if (effect == nullptr || FAILED(effect->Begin(&passCount, 0))) {
        return;
    }
    for (UINT pass = 0; pass < passCount; ++pass) {
        effect->BeginPass(pass);
        for (DWORD j = 0; j < rangeCount; ++j) {
            const D3DXATTRIBUTERANGE& range = ranges[j];
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, range.VertexStart, range.VertexCount,
                                         range.FaceStart * 3, range.FaceCount);
        }
        effect->EndPass();
    }
    effect->End();
}
