#pragma once
// Surfaces of the OpenGL device: one level of a texture (locking it locks the texture's
// level, unlocking uploads it) and the back buffer (locking reads the rendered pixels).
// Offscreen plain surfaces are plain memory (MemorySurface).

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/texture_storage.h"

#include <vector>

class GlDevice;

class TextureLevelSurface : public DeviceChild<IDirect3DSurface9> {
  public:
    // Keeps `container` alive; `storage` belongs to it.
    TextureLevelSurface(IDirect3DDevice9* device, IUnknown* container, TextureStorage* storage, UINT face,
                        UINT level);
    ~TextureLevelSurface() override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

  private:
    IUnknown* container_;
    TextureStorage* storage_;
    UINT face_;
    UINT level_;
};

class BackBufferSurface : public DeviceChild<IDirect3DSurface9> {
  public:
    BackBufferSurface(GlDevice* device, const D3DSURFACE_DESC& desc);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    // The pixels as rendered so far, as A8R8G8B8 whatever the back buffer format (a copy:
    // writes are not shown).
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

  private:
    GlDevice* device_;
    D3DSURFACE_DESC desc_;
    std::vector<BYTE> pixels_;
    bool locked_ = false;
};
