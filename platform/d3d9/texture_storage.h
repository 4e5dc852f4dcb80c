#pragma once
// The GL side of a 2D or cube texture: the texture object, a memory copy of every level of
// every face that LockRect hands out, and the upload of a level on UnlockRect. Cube faces
// go up unflipped: Direct3D and GL pick faces and texels from a direction the same way, with
// the first row of a face image at t = 0.

#include "platform/d3d9/gl_headers.h"
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
    // The GL texture, every level of it defined: levels never unlocked go up (as the zeros
    // of their memory copy) now, before anything samples them.
    GLuint Name();
    GLenum Target() const { return target_; }
    // Sets the texture's filtering and addressing from Direct3D sampler states (on the
    // currently bound texture of this target), skipping what is already set.
    void ApplySamplerStates(const std::array<DWORD, 14>& states);

  private:
    void Allocate(UINT face, UINT level);
    void Upload(UINT face, UINT level);
    void UploadUndefinedLevels();

    MemoryLevels levels_;
    const GlTextureFormat* format_;
    UINT faces_;
    UINT width_;
    UINT height_;
    bool autoGenMipmap_;
    GLenum target_;
    GLuint name_ = 0;
    // Per face and level: false while GL holds storage for it but no contents yet.
    std::vector<bool> defined_;
    bool allDefined_ = false;
    std::array<DWORD, 14> applied_{};
    bool samplerApplied_ = false;
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
