// D3DXDeclaratorFromFVF: an FVF spelled out as vertex elements, in the order the FVF lays
// them out in a vertex.
#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/fvf_layout.h"

namespace {

constexpr DWORD kPositionMask = 0x400E;
constexpr BYTE kFloatTypes[] = {0, D3DDECLTYPE_FLOAT1, D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3,
                                D3DDECLTYPE_FLOAT4};

D3DVERTEXELEMENT9 Element(int offset, BYTE type, BYTE usage, BYTE usageIndex) {
    return {0, static_cast<WORD>(offset), type, D3DDECLMETHOD_DEFAULT, usage, usageIndex};
}

} // namespace

HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
    const FvfLayout layout = FvfLayout::From(fvf);
    if (declaration == nullptr || !layout.valid) {
        return D3DERR_INVALIDCALL;
    }
    UINT count = 0;
    if (layout.position >= 0) {
        const bool transformed = (fvf & kPositionMask) == D3DFVF_XYZRHW;
        declaration[count++] = Element(layout.position, kFloatTypes[layout.positionBytes / 4],
                                       transformed ? D3DDECLUSAGE_POSITIONT : D3DDECLUSAGE_POSITION, 0);
    }
    if (layout.normal >= 0) {
        declaration[count++] = Element(layout.normal, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    }
    if (layout.pointSize >= 0) {
        declaration[count++] = Element(layout.pointSize, D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    }
    if (layout.diffuse >= 0) {
        declaration[count++] = Element(layout.diffuse, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    }
    if (layout.specular >= 0) {
        declaration[count++] = Element(layout.specular, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    }
    for (UINT i = 0; i < layout.texCount; ++i) {
        declaration[count++] = Element(layout.texOffset[i], kFloatTypes[layout.texFloats[i]],
                                       D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(i));
    }
    declaration[count] = D3DDECL_END;
    return D3D_OK;
}
