#pragma once
// Small pieces every scene shares: colour bytes, screen pixels to overlay units, and the
// quads most scenes lay over their picture.

#include <cstddef>
#include <vector>

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

// Places the quad's six vertices on a rectangle of screen pixels (top-left, top-right,
// bottom-right, top-left, bottom-right, bottom-left), in overlay units.
void SetQuadCorners(ScreenQuad* quad, float left, float top, float right, float bottom);

// The full-screen frame overlay: a unit quad showing the top-left 800 x 600 texels of a
// 1024 x 1024 image.
ScreenQuad* CreateFrameOverlay(TextureObject* texture);

// A full-screen quad over the texture with every vertex colour 0x00FFFFFF (transparent).
ScreenQuad* CreateFadeQuad(TextureObject* texture);

// The positions (first three floats) of `count` vertices of `stride` bytes.
std::vector<D3DXVECTOR3> ReadPositions(IDirect3DVertexBuffer9* vertexBuffer, std::size_t count, UINT stride);

// A white point light of the rooms: range 21000, no specular, no falloff, diffuse alpha 0,
// the same attenuation factor for all three terms. Set and enabled at `index`.
void SetRoomPointLight(IDirect3DDevice9* device, DWORD index, D3DCOLORVALUE diffuse, D3DVECTOR position,
                       float attenuation, float ambient);

// Writes the x and y of the six vertices of a pixel rectangle (top-left, top-right,
// bottom-right, top-left, bottom-right, bottom-left), converted to overlay units; z 0.
// Colours and texture coordinates are left as they are.
void SetQuadPixelRect(ScreenQuad* quad, float left, float top, float right, float bottom);

// Index of the first event whose window [time, time + width] contains t, or -1.
int FindEventWindow(const float* times, int count, float t, float width);

// Index of the first beat after `last` whose time t has reached, or -1: one beat a frame,
// so beats skipped by a long frame fire on the frames after it.
int NextBeat(const float* times, int count, int last, float t);

// RotationX(x) * RotationY(y) * RotationZ(z): about X first, then Y, then Z.
D3DXMATRIX RotationXYZ(float x, float y, float z);

} // namespace SceneHelpers
