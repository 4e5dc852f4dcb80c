#pragma once
// Direct3D 9 puts pixel centres at integer screen coordinates, GL half a pixel further on:
// every vertex shader the device runs ends by moving its position half a pixel right and
// half a pixel down (in Direct3D's screen orientation), so that a screen-space quad or a
// pretransformed vertex at (x, y) lands where Direct3D 9 puts it and samples the texels it
// samples there.
//
// A pixel whose centre lies on an edge belongs to the triangle in Direct3D when the edge is
// a top or left one. GL rasterises in its own window orientation, y up, so its tie rule
// takes left and *bottom* edges of the Direct3D picture: the downward move is one subpixel
// step short of half a pixel, which lifts every edge just above the centres it would pass
// through, and a centre on a Direct3D top edge falls inside, one on a bottom edge outside.

#include <algorithm>
#include <cmath>

#include "platform/d3d9/d3d9_types.h"

namespace PixelCentre {

// The GLSL uniform (vec2) both shader paths declare and add, times w, to gl_Position.xy.
constexpr const char* uniformName = "uPixelCentreShift";

// One statement appended to a vertex shader's main().
constexpr const char* shiftStatement = "    gl_Position.xy += uPixelCentreShift * gl_Position.w;\n";

struct Shift {
    float x, y;
};

// The move in normalised device coordinates (a pixel is 2 / size there): right is +x, and
// down in Direct3D's screen is -y in GL's. `subpixelBits` is GL_SUBPIXEL_BITS of the context.
inline Shift ForViewport(const D3DVIEWPORT9& viewport, int subpixelBits) {
    const float width = viewport.Width == 0 ? 1.0f : static_cast<float>(viewport.Width);
    const float height = viewport.Height == 0 ? 1.0f : static_cast<float>(viewport.Height);
    const float subpixel = std::ldexp(1.0f, -std::clamp(subpixelBits, 1, 16));
    return {1.0f / width, -(1.0f - 2.0f * subpixel) / height};
}

} // namespace PixelCentre
