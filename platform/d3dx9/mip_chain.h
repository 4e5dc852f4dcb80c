#pragma once
// Box-filtered mip levels for the 32-bit formats.

#include "platform/d3dx9/image_data.h"

namespace MipChain {

// The next level: each texel the average of the 2 x 2 (or 2 x 1 / 1 x 2 once a side is 1)
// texels above it, rounded to nearest; odd sizes drop the last row or column, as the
// integer halving of the size does.
ImageLevel Downsample(const ImageLevel& level);

// Appends box-filtered levels to every face until the chain reaches 1 x 1. Only for
// A8R8G8B8 and X8R8G8B8; other formats keep the levels they have.
void Complete(ImageData& image);

} // namespace MipChain
