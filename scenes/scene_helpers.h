#pragma once
// Small pieces every scene shares: colour bytes, screen pixels to overlay units, and the
// quads most scenes lay over their picture.

#include <cstddef>
#include <span>
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

// A point light of the rooms: range 21000, no specular, no falloff, diffuse alpha 0, the
// same attenuation factor for all three terms.
struct RoomLight {
    D3DCOLORVALUE diffuse;
    D3DVECTOR position;
    float attenuation;
};

// Sets and enables the lights at indices 0, 1, ..., each with a grey ambient term.
void SetRoomLights(IDirect3DDevice9* device, std::span<const RoomLight> lights, float ambient);

// Additive layers (tubes, water, flares): depth test without depth writes, stage 0
// texture x diffuse, one-one blending with the add operation the overlay state left.
void BeginAdditive(IDirect3DDevice9* device);

// Blending off and depth writes back on after an additive layer.
void EndAdditive(IDirect3DDevice9* device);

// Linear minification, magnification and mip filtering on sampler 0.
void SetLinearSampling(IDirect3DDevice9* device);

} // namespace SceneHelpers
