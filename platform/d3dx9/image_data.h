#pragma once
// A decoded image ready to be copied into a texture: one format, one or six faces, each
// with the same chain of mip levels. Level bytes are tightly packed rows (rows of 4 x 4
// blocks for the DXT formats) in Direct3D memory order (B, G, R, A for A8R8G8B8).

#include <cstdint>
#include <vector>

#include "platform/d3d9/d3d9_types.h"

struct ImageLevel {
    UINT width = 0;
    UINT height = 0;
    std::vector<std::uint8_t> bytes;
};

struct ImageData {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    bool cube = false;
    // faces[face][level]; one face for a 2D image, six (+X, -X, +Y, -Y, +Z, -Z) for a cube.
    std::vector<std::vector<ImageLevel>> faces;

    UINT Width() const { return faces.empty() || faces[0].empty() ? 0 : faces[0][0].width; }
    UINT Height() const { return faces.empty() || faces[0].empty() ? 0 : faces[0][0].height; }
    UINT LevelCount() const { return faces.empty() ? 0 : static_cast<UINT>(faces[0].size()); }
};

namespace ImageLayout {

bool IsBlockCompressed(D3DFORMAT format);
// Bytes of one row of pixels, or of one row of 4 x 4 blocks; 0 for a format we do not read.
UINT RowBytes(D3DFORMAT format, UINT width);
// Rows of pixels, or rows of blocks.
UINT RowCount(D3DFORMAT format, UINT height);
inline UINT LevelBytes(D3DFORMAT format, UINT width, UINT height) {
    return RowBytes(format, width) * RowCount(format, height);
}
// Levels of a full chain down to 1 x 1.
UINT FullMipCount(UINT width, UINT height);

} // namespace ImageLayout
