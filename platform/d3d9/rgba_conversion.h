#pragma once
// Texels of an uncompressed Direct3D format as 8-bit R, G, B, A, for a GL that can neither
// upload Direct3D's byte orders (BGRA, packed 5-5-5, 4-4-4-4, 3-3-2, 2-10-10-10) nor swizzle
// channels in the sampler: WebGL 2. Missing channels read as Direct3D reads them: colour 0
// and alpha 1 (X formats, L8 as grey, A8 as black with alpha). Wider channels keep their
// top 8 bits' worth, rounded.

#include <vector>

#include "platform/d3d9/d3d9_types.h"

namespace RgbaConversion {

// True for the formats Convert knows.
bool Converts(D3DFORMAT format);

// `texels` holds `width` x `height` texels of `format`, rows packed tightly.
void Convert(D3DFORMAT format, const BYTE* texels, UINT width, UINT height, std::vector<BYTE>* rgba);

} // namespace RgbaConversion
