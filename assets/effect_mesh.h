#pragma once
// A blob mesh reduced at load time to what a per-frame effect draw needs: vertex and index
// buffers in a fixed vertex format and the attribute table sorted by material.

#include <string>

#include "platform/d3dx9/d3dx9.h"

class EffectBinding;

class EffectMesh {
  public:
    // fvf is 0x112 (stride 32), 0x212 (stride 40) or 0x012 (stride 24).
    void Load(const std::string& path, DWORD fvf, UINT stride);
    // Every pass of the binding's current technique over every attribute range.
    void Draw(EffectBinding* effectBinding);

    ID3DXMesh* mesh = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    D3DXATTRIBUTERANGE* ranges = nullptr;
    DWORD rangeCount = 0;
    DWORD fvf = 0;
    UINT stride = 0;
};
