#pragma once
// The GL side of a 2D or cube texture: a memory copy of every level of every face that
// LockRect hands out, and a texture object in each GL share group the texture is used in
// (see gl_share_root.h). UnlockRect uploads the level into the current group's object;
// another group's object is made, or brought up to date, from the memory copy when it is
// next used there. Cube faces go up unflipped: Direct3D and GL pick faces and texels from a
// direction the same way, with the first row of a face image at t = 0.

#include "platform/d3d9/gl_headers.h"
#include "platform/d3d9/gl_share_root.h"
#include "platform/d3d9/gl_texture_format.h"
#include "platform/d3d9/memory_texture.h"

#include <array>
#include <vector>

class TextureStorage {
  public:
    // `faces` is 1 or 6. Check Valid() afterwards.
    TextureStorage(UINT faces, UINT width, UINT height, UINT levels, DWORD usage,
                   const GlTextureFormat* format, D3DPOOL pool);
    ~TextureStorage();

    MemoryLevels& Levels() { return levels_; }
    HRESULT Lock(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect);
    HRESULT Unlock(UINT face, UINT level);
    // The texture object of the current share group, every level of it defined: made or
    // brought up to date from the memory copy first; levels never unlocked go up (as the
    // zeros of their memory copy) now, before anything samples them.
    GLuint Name();
    GLenum Target() const { return target_; }
    // Sets the texture's filtering and addressing from Direct3D sampler states (on the
    // currently bound texture of this target), skipping what is already set.
    void ApplySamplerStates(const std::array<DWORD, 14>& states);

  private:
    struct GroupObject {
        GLuint name = 0;
        unsigned long long version = 0; // of the memory copy it holds
        // Per face and level: false while GL holds storage for it but no contents yet.
        std::vector<bool> defined;
        bool allDefined = false;
        std::array<DWORD, 14> applied{};
        bool samplerApplied = false;
    };

    // Makes the current group's object with storage for every level and no contents.
    GroupObject& Make();
    void Allocate(UINT face, UINT level);
    void Upload(GroupObject& object, UINT face, UINT level);
    void UploadUndefinedLevels(GroupObject& object);

    MemoryLevels levels_;
    const GlTextureFormat* format_;
    UINT faces_;
    UINT width_;
    UINT height_;
    bool autoGenMipmap_;
    GLenum target_;
    unsigned long long version_ = 1;
    std::array<GroupObject, glShareGroupCount> objects_{};
    std::vector<BYTE> converted_; // a level as RGBA, where GL cannot take the format as it is
};

// Keeps the texture binding of the active unit as it was across an upload.
class TextureBindingGuard {
  public:
    explicit TextureBindingGuard(GLenum target);
    ~TextureBindingGuard();

  private:
    GLenum target_;
    GLint previous_ = 0;
};
