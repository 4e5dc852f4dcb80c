#include "platform/d3d9/format_info.h"

namespace FormatInfo {

bool IsCompressed(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

UINT BytesPerElement(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_DXT1:
        return 8;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return 16;
    case D3DFMT_A16B16G16R16:
        return 8;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A2B10G10R10:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
    case D3DFMT_G16R16:
    case D3DFMT_A2R10G10B10:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
    case D3DFMT_D32F_LOCKABLE:
    case D3DFMT_D24FS8:
    case D3DFMT_INDEX32:
        return 4;
    case D3DFMT_R8G8B8:
        return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D15S1:
    case D3DFMT_D16:
    case D3DFMT_INDEX16:
        return 2;
    case D3DFMT_R3G3B2:
    case D3DFMT_A8:
    case D3DFMT_L8:
        return 1;
    default:
        return 0;
    }
}

UINT RowPitch(D3DFORMAT format, UINT width) {
    if (IsCompressed(format)) {
        return ((width + 3) / 4) * BytesPerElement(format);
    }
    return width * BytesPerElement(format);
}

UINT RowCount(D3DFORMAT format, UINT height) {
    return IsCompressed(format) ? (height + 3) / 4 : height;
}

UINT LevelSize(D3DFORMAT format, UINT width, UINT height) {
    return RowPitch(format, width) * RowCount(format, height);
}

UINT LevelDimension(UINT size, UINT level) {
    const UINT shifted = level >= 32 ? 0 : size >> level;
    return shifted == 0 ? 1 : shifted;
}

UINT FullMipCount(UINT width, UINT height) {
    UINT largest = width > height ? width : height;
    UINT levels = 1;
    while (largest > 1) {
        largest >>= 1;
        ++levels;
    }
    return levels;
}

UINT FvfStride(DWORD fvf) {
    UINT stride = 0;
    if ((fvf & D3DFVF_XYZRHW) != 0) {
        stride += 16;
    } else if ((fvf & D3DFVF_XYZ) != 0) {
        stride += 12;
    }
    if ((fvf & D3DFVF_NORMAL) != 0) {
        stride += 12;
    }
    if ((fvf & D3DFVF_PSIZE) != 0) {
        stride += 4;
    }
    if ((fvf & D3DFVF_DIFFUSE) != 0) {
        stride += 4;
    }
    if ((fvf & D3DFVF_SPECULAR) != 0) {
        stride += 4;
    }
    const UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCount > 8) {
        return 0; // no such vertex: an FVF names at most eight coordinate sets
    }
    // Texture coordinate sets are two floats each unless a D3DFVF_TEXCOORDSIZE bit says otherwise.
    for (UINT i = 0; i < texCount; ++i) {
        const DWORD sizeBits = (fvf >> (16 + i * 2)) & 3;
        static constexpr UINT floatsForBits[4] = {2, 3, 4, 1};
        stride += floatsForBits[sizeBits] * 4;
    }
    return stride;
}

} // namespace FormatInfo
