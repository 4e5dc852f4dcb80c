#pragma once
// How each Direct3D texture format is stored in and uploaded to OpenGL.

#include "platform/d3d9/d3d9_types.h"
#include "platform/d3d9/gl_headers.h"

struct GlTextureFormat {
    D3DFORMAT format;
    GLenum internalFormat;
    GLenum pixelFormat; // 0 for compressed formats
    GLenum type;
    // Where the shader's r, g, b, a come from (GL_RED ... GL_ONE / GL_ZERO).
    GLint swizzle[4];
};

// Null for a format this device cannot make textures of. Compressed formats are only
// returned when the GL has S3TC.
const GlTextureFormat* FindGlTextureFormat(D3DFORMAT format, bool s3tc);
