#include "platform/d3dx9/image_data.h"

namespace ImageLayout {

bool IsBlockCompressed(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

UINT RowBytes(D3DFORMAT format, UINT width) {
    switch (format) {
    case D3DFMT_DXT1:
        return ((width + 3) / 4) * 8;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
        return ((width + 3) / 4) * 16;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
        return width * 4;
    default:
        return 0;
    }
}

UINT RowCount(D3DFORMAT format, UINT height) {
    return IsBlockCompressed(format) ? (height + 3) / 4 : height;
}

UINT FullMipCount(UINT width, UINT height) {
    UINT size = width > height ? width : height;
    UINT levels = 1;
    while (size > 1) {
        size /= 2;
        ++levels;
    }
    return levels;
}

} // namespace ImageLayout
