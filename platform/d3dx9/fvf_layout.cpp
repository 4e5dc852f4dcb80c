#include "platform/d3dx9/fvf_layout.h"

namespace {

constexpr DWORD kPositionMask = 0x400E;
constexpr DWORD kXyzw = 0x4002;
constexpr DWORD kTexCoordSizeShift = 16;
// D3DFVF_TEXTUREFORMAT codes 0..3 stand for 2, 3, 4 and 1 floats.
constexpr UINT kTexFormatFloats[4] = {2, 3, 4, 1};
constexpr DWORD kKnownLowBits =
    kPositionMask | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;

} // namespace

FvfLayout FvfLayout::From(DWORD fvf) {
    FvfLayout l;
    const DWORD position = fvf & kPositionMask;
    UINT offset = 0;
    if (position == D3DFVF_XYZ) {
        l.positionBytes = 12;
    } else if (position == D3DFVF_XYZRHW || position == kXyzw) {
        l.positionBytes = 16;
    } else if (position != 0) {
        return l;
    }
    if ((fvf & 0xFFFF) & ~kKnownLowBits) {
        return l;
    }
    if (l.positionBytes != 0) {
        l.position = 0;
        offset = l.positionBytes;
    }
    if (fvf & D3DFVF_NORMAL) {
        l.normal = static_cast<int>(offset);
        offset += 12;
    }
    if (fvf & D3DFVF_PSIZE) {
        l.pointSize = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = static_cast<int>(offset);
        offset += 4;
    }
    if (fvf & D3DFVF_SPECULAR) {
        l.specular = static_cast<int>(offset);
        offset += 4;
    }
    l.texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (l.texCount > 8) {
        return l;
    }
    for (UINT i = 0; i < l.texCount; ++i) {
        l.texOffset[i] = static_cast<int>(offset);
        l.texFloats[i] = kTexFormatFloats[(fvf >> (kTexCoordSizeShift + 2 * i)) & 3];
        offset += 4 * l.texFloats[i];
    }
    l.stride = offset;
    l.valid = offset > 0;
    return l;
}
