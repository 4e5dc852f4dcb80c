#pragma once
// Small pieces every scene shares: colour bytes, screen pixels to overlay units, and the
// quads most scenes lay over their picture.

#include "assets/screen_quad.h"

class TextureObject;

namespace SceneHelpers {

// 255 at or above 1.0, 0 at or below 0.0, else the integer part of value * 255 + 0.5.
DWORD ColourByte(float value);

// A * 2^24 + R * 2^16 + G * 2^8 + B from float components.
D3DCOLOR PackColour(float r, float g, float b, float a);

// A pixel of the 800 x 600 screen (origin top left, y down) in overlay units.
D3DXVECTOR3 PixelToOverlay(float x, float y);

// Writes one colour into every vertex of the quad (lock, write, unlock).
void SetQuadColour(ScreenQuad* quad, D3DCOLOR colour);

// The full-screen frame overlay: a unit quad showing the top-left 800 x 600 texels of a
// 1024 x 1024 image.
ScreenQuad* CreateFrameOverlay(TextureObject* texture);

// A full-screen quad over the texture with every vertex colour 0x00FFFFFF (transparent).
ScreenQuad* CreateFadeQuad(TextureObject* texture);

} // namespace SceneHelpers
