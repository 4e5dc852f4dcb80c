#include "platform/d3d9/texture_storage.h"

#include "platform/d3d9/format_info.h"
#include "platform/d3d9/rgba_conversion.h"

namespace {

GLenum AddressMode(DWORD mode) {
    switch (mode) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return kGlClampToBorder;
    default:
        return GL_REPEAT;
    }
}

GLenum MinFilter(DWORD min, DWORD mip) {
    const bool linear = min == D3DTEXF_LINEAR || min == D3DTEXF_ANISOTROPIC;
    switch (mip) {
    case D3DTEXF_POINT:
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case D3DTEXF_LINEAR:
    case D3DTEXF_ANISOTROPIC:
        return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default:
        return linear ? GL_LINEAR : GL_NEAREST;
    }
}

GLenum FaceTarget(GLenum target, UINT face) {
    return target == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + face : GL_TEXTURE_2D;
}

} // namespace

TextureBindingGuard::TextureBindingGuard(GLenum target) : target_(target) {
    glGetIntegerv(target == GL_TEXTURE_CUBE_MAP ? GL_TEXTURE_BINDING_CUBE_MAP : GL_TEXTURE_BINDING_2D,
                  &previous_);
}

TextureBindingGuard::~TextureBindingGuard() {
    glBindTexture(target_, static_cast<GLuint>(previous_));
}

TextureStorage::TextureStorage(UINT faces, UINT width, UINT height, UINT levels, DWORD usage,
                               const GlTextureFormat* format, D3DPOOL pool)
    : levels_(faces, width, height, (usage & D3DUSAGE_AUTOGENMIPMAP) != 0 ? 0 : levels, format->format, usage,
              pool),
      format_(format), faces_(faces), width_(width), height_(height),
      autoGenMipmap_((usage & D3DUSAGE_AUTOGENMIPMAP) != 0),
      target_(faces == 6 ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D) {
    // Every level exists from the start, so the texture is complete whatever is uploaded
    // later; its contents go up on the first unlock, or as zeros before the first use
    // (Name()): a texture loaded from a file is not sent twice.
    Make();
}

TextureStorage::~TextureStorage() {
    for (int g = 0; g < glShareGroupCount; ++g) {
        GLuint name = objects_[g].name;
        if (name != 0) {
            GlShareRoot::InGroup(static_cast<GlShareGroup>(g), [&name] { glDeleteTextures(1, &name); });
        }
    }
}

TextureStorage::GroupObject& TextureStorage::Make() {
    GroupObject& object = objects_[GroupIndex(GlShareRoot::CurrentGroup())];
    TextureBindingGuard guard(target_);
    glGenTextures(1, &object.name);
    glBindTexture(target_, object.name);
    glTexParameteri(target_, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(target_, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels_.LevelCount()) - 1);
    if (!kGlEs) {
        glTexParameteriv(target_, kGlTextureSwizzleRgba, format_->swizzle);
    }
    for (UINT face = 0; face < faces_; ++face) {
        for (UINT level = 0; level < levels_.LevelCount(); ++level) {
            Allocate(face, level);
        }
    }
    object.defined.assign(static_cast<size_t>(faces_) * levels_.LevelCount(), false);
    object.allDefined = false;
    object.version = version_;
    return object;
}

GLuint TextureStorage::Name() {
    GroupObject* object = &objects_[GroupIndex(GlShareRoot::CurrentGroup())];
    if (object->name == 0) {
        object = &Make();
    } else if (object->version != version_) {
        // Changed meanwhile through another group's object: everything goes up again.
        object->defined.assign(object->defined.size(), false);
        object->allDefined = false;
        object->version = version_;
    }
    if (!object->allDefined) {
        UploadUndefinedLevels(*object);
    }
    return object->name;
}

void TextureStorage::UploadUndefinedLevels(GroupObject& object) {
    TextureBindingGuard guard(target_);
    glBindTexture(target_, object.name);
    for (UINT face = 0; face < faces_; ++face) {
        for (UINT level = 0; level < levels_.LevelCount(); ++level) {
            if (!object.defined[face * levels_.LevelCount() + level]) {
                Upload(object, face, level);
            }
        }
    }
    object.allDefined = true;
}

HRESULT TextureStorage::Lock(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect) {
    return levels_.Lock(face, level, locked, rect);
}

HRESULT TextureStorage::Unlock(UINT face, UINT level) {
    const HRESULT hr = levels_.Unlock(face, level);
    if (FAILED(hr)) {
        return hr;
    }
    GroupObject& object = objects_[GroupIndex(GlShareRoot::CurrentGroup())];
    const bool upToDate = object.name != 0 && object.version == version_;
    ++version_;
    if (!upToDate) {
        return D3D_OK; // brought up to date as a whole at its next use
    }
    object.version = version_;
    TextureBindingGuard guard(target_);
    glBindTexture(target_, object.name);
    Upload(object, face, level);
    if (autoGenMipmap_ && level == 0 && levels_.LevelCount() > 1) {
        glGenerateMipmap(target_);
        for (UINT below = 1; below < levels_.LevelCount(); ++below) {
            object.defined[face * levels_.LevelCount() + below] = true;
        }
    }
    return D3D_OK;
}

void TextureStorage::Allocate(UINT face, UINT level) {
    const UINT w = FormatInfo::LevelDimension(width_, level);
    const UINT h = FormatInfo::LevelDimension(height_, level);
    const GLenum target = FaceTarget(target_, face);
    if (format_->pixelFormat == 0) {
        glCompressedTexImage2D(target, static_cast<GLint>(level), format_->internalFormat,
                               static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
                               static_cast<GLsizei>(FormatInfo::LevelSize(format_->format, w, h)), nullptr);
    } else {
        glTexImage2D(target, static_cast<GLint>(level), static_cast<GLint>(format_->internalFormat),
                     static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0, format_->pixelFormat, format_->type,
                     nullptr);
    }
}

void TextureStorage::Upload(GroupObject& object, UINT face, UINT level) {
    object.defined[face * levels_.LevelCount() + level] = true;
    const UINT w = FormatInfo::LevelDimension(width_, level);
    const UINT h = FormatInfo::LevelDimension(height_, level);
    const BYTE* bits = levels_.Bits(face, level);
    const GLenum target = FaceTarget(target_, face);
    if (format_->pixelFormat == 0) {
        glCompressedTexImage2D(target, static_cast<GLint>(level), format_->internalFormat,
                               static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
                               static_cast<GLsizei>(FormatInfo::LevelSize(format_->format, w, h)), bits);
    } else {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        if (kGlEs) {
            RgbaConversion::Convert(format_->format, bits, w, h, &converted_);
            bits = converted_.data();
        }
        glTexImage2D(target, static_cast<GLint>(level), static_cast<GLint>(format_->internalFormat),
                     static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0, format_->pixelFormat, format_->type,
                     bits);
    }
}

void TextureStorage::ApplySamplerStates(const std::array<DWORD, 14>& states) {
    GroupObject& object = objects_[GroupIndex(GlShareRoot::CurrentGroup())];
    if (object.samplerApplied && states == object.applied) {
        return;
    }
    const bool mipmapped = levels_.LevelCount() > 1;
    const DWORD mip = mipmapped ? states[D3DSAMP_MIPFILTER] : D3DTEXF_NONE;
    glTexParameteri(target_, GL_TEXTURE_MIN_FILTER,
                    static_cast<GLint>(MinFilter(states[D3DSAMP_MINFILTER], mip)));
    const bool magLinear =
        states[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR || states[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
    glTexParameteri(target_, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(target_, GL_TEXTURE_WRAP_S, static_cast<GLint>(AddressMode(states[D3DSAMP_ADDRESSU])));
    glTexParameteri(target_, GL_TEXTURE_WRAP_T, static_cast<GLint>(AddressMode(states[D3DSAMP_ADDRESSV])));
    glTexParameteri(target_, GL_TEXTURE_WRAP_R, static_cast<GLint>(AddressMode(states[D3DSAMP_ADDRESSW])));
    const DWORD border = states[D3DSAMP_BORDERCOLOR];
    const GLfloat borderColour[4] = {((border >> 16) & 0xFF) / 255.0f, ((border >> 8) & 0xFF) / 255.0f,
                                     (border & 0xFF) / 255.0f, ((border >> 24) & 0xFF) / 255.0f};
    GlTextureBorderColour(target_, borderColour);
    object.applied = states;
    object.samplerApplied = true;
}
