#pragma once
// What the effect implementation (platform/d3dx9) needs from the OpenGL device: draws with
// a program of its own instead of the fixed-function emulation, and the GL names of
// textures. Only code inside platform/ includes this.

#include "platform/d3d9/d3d9.h"

#include <functional>

namespace GlInterop {

// Vertex attribute locations the device binds every flexible vertex format to; a program
// binds its inputs to these before linking.
constexpr unsigned AttributePosition = 0;
constexpr unsigned AttributeNormal = 1;
constexpr unsigned AttributeDiffuse = 2;
constexpr unsigned AttributeTexCoord0 = 3;
constexpr unsigned AttributeTexCoord1 = 4;
// Vertex specular colour (fixed function only).
constexpr unsigned AttributeSpecular = 5;

// True when the device is the OpenGL device; a recording device used in tests is not.
bool IsGlDevice(IDirect3DDevice9* device);

// Makes the device's GL context current (effects compile their programs at load time);
// null (a device already gone) makes the shared root context current.
void MakeCurrent(IDirect3DDevice9* device);

// While a program is in use, draws apply the render states and the vertex input but leave
// the program, its uniforms and the texture units alone. 0 returns to fixed function.
void UseProgram(IDirect3DDevice9* device, unsigned program);

// The GL texture object of a texture made by the GL device, and its target
// (GL_TEXTURE_2D or GL_TEXTURE_CUBE_MAP); 0 for null or a foreign texture.
unsigned TextureName(IDirect3DBaseTexture9* texture, unsigned* target);

// GL objects cannot be shared between the hardware and the reference device's GL (two share
// groups, see gl_share_root.h): objects made per group are kept per group. The group of the
// context current now, from 0 to ShareGroupCount - 1.
constexpr int ShareGroupCount = 2;
int CurrentShareGroup();

// Runs `work` with a context of `group` current, then puts back the context that was current.
void InShareGroup(int group, const std::function<void()>& work);

// True when the device's GL maps clip-space depth 0..w directly (glClipControl with
// GL_ZERO_TO_ONE is set on its context); false means a program must map Direct3D's 0..w
// depth to GL's -w..w itself.
bool ClipControlActive(IDirect3DDevice9* device);

} // namespace GlInterop
