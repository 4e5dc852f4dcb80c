#pragma once
// The OpenGL device's 2D texture with its mip chain.

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/texture_storage.h"

#include <memory>

class GlTexture : public DeviceChild<IDirect3DTexture9> {
  public:
    GlTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
              const GlTextureFormat* format, D3DPOOL pool);
    ~GlTexture() override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return storage_->Levels().LevelCount(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    TextureStorage& Storage() { return *storage_; }

  private:
    std::unique_ptr<TextureStorage> storage_;
};
