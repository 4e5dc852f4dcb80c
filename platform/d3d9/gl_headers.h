#pragma once
// GL as the device speaks it: OpenGL 3.3 core through libepoxy natively, OpenGL ES 3.0
// (WebGL 2) in the browser build. The calls spelled differently in the two live here; the
// differences in what exists are settled where they occur by `kGlEs`. Then SDL (whose GL
// header must come second). Only the OpenGL device's own files include this.

#ifdef __EMSCRIPTEN__
#include <GLES3/gl3.h>
#include <GLES2/gl2ext.h>
#else
#include <epoxy/gl.h>
#endif

#include <SDL.h>

#include "platform/d3d9/d3d9_types.h"

#ifdef __EMSCRIPTEN__
inline constexpr bool kGlEs = true;
// GLSL's first lines: the version, and the default precisions ES leaves undefined.
inline constexpr char kGlslHeader[] = "#version 300 es\nprecision highp float;\nprecision highp int;\n";

// The WebGL extension of that name, enabled on the current context when the browser has it.
bool GlHasExtension(const char* name);
inline int GlVersion() {
    return 30;
}
inline void GlClearDepth(float depth) {
    glClearDepthf(depth);
}
inline void GlDepthRange(float nearZ, float farZ) {
    glDepthRangef(nearZ, farZ);
}
// Direct3D's 0..1 clip-space depth needs clip control, which ES lacks: the vertex stage
// carries the fix-up instead.
inline void GlClipControlZeroToOne() {}
// ES has no polygon mode: points and wireframe fill (D3DRS_FILLMODE is not honoured in the
// browser), and point sizes come from the vertex stage only.
inline void GlPolygonMode(D3DFILLMODE) {}
// ES has no border colour: D3DTADDRESS_BORDER clamps to the edge texels instead.
inline constexpr GLenum kGlClampToBorder = GL_CLAMP_TO_EDGE;
// Formats ES cannot render to (0: none).
inline constexpr GLenum kGlRgba16 = 0;
inline constexpr GLenum kGlDepthComponent32 = 0;
// No sampler swizzles in WebGL: textures are converted to RGBA on upload instead.
inline constexpr GLenum kGlTextureSwizzleRgba = 0;
inline void GlTextureBorderColour(GLenum, const GLfloat*) {}
// Cube maps are always sampled without seams in ES 3.0.
inline void GlSamplerSeamlessCube(GLuint) {}
// The arrays already start at the base vertex (GlDevice::PrepareDraw).
inline void GlDrawElementsBaseVertex(GLenum mode, GLsizei count, GLenum type, const void* indices, GLint) {
    glDrawElements(mode, count, type, indices);
}
// D3DCOLOR's bytes lie as B, G, R, A; ES reads them as R, G, B, A and the vertex stage swaps
// them back (FixedFunctionShaders).
inline constexpr GLint kD3dColorComponents = 4;
inline void GlPointSize(float) {}
#else
inline constexpr bool kGlEs = false;
inline constexpr char kGlslHeader[] = "#version 330 core\n";

inline bool GlHasExtension(const char* name) {
    return epoxy_has_gl_extension(name);
}
inline int GlVersion() {
    return epoxy_gl_version();
}
inline void GlClearDepth(float depth) {
    glClearDepth(depth);
}
inline void GlDepthRange(float nearZ, float farZ) {
    glDepthRange(nearZ, farZ);
}
inline void GlClipControlZeroToOne() {
    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
}
inline void GlPolygonMode(D3DFILLMODE fillMode) {
    glPolygonMode(GL_FRONT_AND_BACK, fillMode == D3DFILL_POINT       ? GL_POINT
                                     : fillMode == D3DFILL_WIREFRAME ? GL_LINE
                                                                     : GL_FILL);
}
inline void GlPointSize(float size) {
    glPointSize(size);
}
inline constexpr GLenum kGlClampToBorder = GL_CLAMP_TO_BORDER;
inline constexpr GLenum kGlRgba16 = GL_RGBA16;
inline constexpr GLenum kGlDepthComponent32 = GL_DEPTH_COMPONENT32;
inline constexpr GLenum kGlTextureSwizzleRgba = GL_TEXTURE_SWIZZLE_RGBA;
inline void GlTextureBorderColour(GLenum target, const GLfloat* colour) {
    glTexParameterfv(target, GL_TEXTURE_BORDER_COLOR, colour);
}
inline void GlSamplerSeamlessCube(GLuint sampler) {
    glSamplerParameteri(sampler, GL_TEXTURE_CUBE_MAP_SEAMLESS, GL_TRUE);
}
inline void GlDrawElementsBaseVertex(GLenum mode, GLsizei count, GLenum type, const void* indices,
                                     GLint baseVertex) {
    glDrawElementsBaseVertex(mode, count, type, indices, baseVertex);
}
// D3DCOLOR's bytes lie as B, G, R, A.
inline constexpr GLint kD3dColorComponents = GL_BGRA;
#endif
