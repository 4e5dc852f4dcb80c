#include "platform/d3d9/gl_texture_format.h"

namespace {

#ifdef __EMSCRIPTEN__
constexpr GLint identity[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
// WebGL has neither Direct3D's byte orders nor sampler swizzles: every uncompressed format is
// converted to 8-bit RGBA on upload (RgbaConversion, in TextureStorage::Upload).
constexpr GlTextureFormat Converted(D3DFORMAT format) {
    return {
        format, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, {identity[0], identity[1], identity[2], identity[3]}};
}

constexpr GlTextureFormat textureFormats[] = {
    Converted(D3DFMT_A8R8G8B8),
    Converted(D3DFMT_X8R8G8B8),
    Converted(D3DFMT_R8G8B8),
    Converted(D3DFMT_R5G6B5),
    Converted(D3DFMT_X1R5G5B5),
    Converted(D3DFMT_A1R5G5B5),
    Converted(D3DFMT_A4R4G4B4),
    Converted(D3DFMT_X4R4G4B4),
    Converted(D3DFMT_R3G3B2),
    Converted(D3DFMT_A8),
    Converted(D3DFMT_L8),
    Converted(D3DFMT_A8B8G8R8),
    Converted(D3DFMT_X8B8G8R8),
    Converted(D3DFMT_A2R10G10B10),
    Converted(D3DFMT_A2B10G10R10),
    Converted(D3DFMT_G16R16),
    Converted(D3DFMT_A16B16G16R16),
    {D3DFMT_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT2, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT3, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT4, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
};
#else
constexpr GlTextureFormat textureFormats[] = {
    {D3DFMT_A8R8G8B8, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_X8R8G8B8, GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_R8G8B8, GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_R5G6B5, GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_X1R5G5B5,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_A1R5G5B5,
     GL_RGB5_A1,
     GL_BGRA,
     GL_UNSIGNED_SHORT_1_5_5_5_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_A4R4G4B4,
     GL_RGBA4,
     GL_BGRA,
     GL_UNSIGNED_SHORT_4_4_4_4_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_X4R4G4B4, GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_R3G3B2, GL_R3_G3_B2, GL_RGB, GL_UNSIGNED_BYTE_3_3_2, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_A8, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}},
    {D3DFMT_L8, GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}},
    {D3DFMT_A8B8G8R8, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_X8B8G8R8, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}},
    {D3DFMT_A2R10G10B10,
     GL_RGB10_A2,
     GL_BGRA,
     GL_UNSIGNED_INT_2_10_10_10_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_A2B10G10R10,
     GL_RGB10_A2,
     GL_RGBA,
     GL_UNSIGNED_INT_2_10_10_10_REV,
     {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_G16R16, GL_RG16, GL_RG, GL_UNSIGNED_SHORT, {GL_RED, GL_GREEN, GL_ONE, GL_ONE}},
    {D3DFMT_A16B16G16R16, GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    // DXT1 keeps its one-bit alpha: the transparent colour of three-colour blocks reads as 0.
    {D3DFMT_DXT1, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT2, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT3, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT4, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
    {D3DFMT_DXT5, GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}},
};
#endif

} // namespace

const GlTextureFormat* FindGlTextureFormat(D3DFORMAT format, bool s3tc) {
    for (const GlTextureFormat& entry : textureFormats) {
        if (entry.format == format) {
            if (entry.pixelFormat == 0 && !s3tc) {
                return nullptr;
            }
            return &entry;
        }
    }
    return nullptr;
}
