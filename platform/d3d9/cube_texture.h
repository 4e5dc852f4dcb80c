#pragma once
// The OpenGL device's cube texture: six faces in Direct3D face order, each with its mip chain.

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/texture_storage.h"

#include <memory>

class GlCubeTexture : public DeviceChild<IDirect3DCubeTexture9> {
  public:
    GlCubeTexture(IDirect3DDevice9* device, UINT edge, UINT levels, DWORD usage,
                  const GlTextureFormat* format, D3DPOOL pool);
    ~GlCubeTexture() override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD GetLevelCount() override { return storage_->Levels().LevelCount(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                     DWORD flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override;

    TextureStorage& Storage() { return *storage_; }

  private:
    std::unique_ptr<TextureStorage> storage_;
};
