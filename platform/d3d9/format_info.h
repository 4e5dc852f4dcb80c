#pragma once
// Sizes of surface formats and flexible vertex formats.

#include "platform/d3d9/d3d9_types.h"

namespace FormatInfo {

// True for the DXT block-compressed formats (4 x 4 pixel blocks).
bool IsCompressed(D3DFORMAT format);
// Bytes of one pixel, or of one 4 x 4 block for compressed formats; 0 for unknown formats.
UINT BytesPerElement(D3DFORMAT format);
// Bytes of one row of pixels (or one row of blocks).
UINT RowPitch(D3DFORMAT format, UINT width);
// Rows of pixels (or of blocks) in a level of this height.
UINT RowCount(D3DFORMAT format, UINT height);
UINT LevelSize(D3DFORMAT format, UINT width, UINT height);
// Size of mip level `level` of a dimension, never below 1.
UINT LevelDimension(UINT size, UINT level);
// Number of levels of a full mip chain down to 1 x 1.
UINT FullMipCount(UINT width, UINT height);
// Vertex size in bytes of a flexible vertex format; 0 for one with more than eight
// texture coordinate sets.
UINT FvfStride(DWORD fvf);

} // namespace FormatInfo
