#pragma once
// 2D and cube textures held in memory, for the recording device: every level of every face
// can be locked, written and read back.

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/resource_call_log.h"

#include <vector>

// The pixels of faces x levels, with the lock bookkeeping both texture kinds share.
class MemoryLevels {
  public:
    MemoryLevels(UINT faces, UINT width, UINT height, UINT levels, D3DFORMAT format, DWORD usage,
                 D3DPOOL pool);
    UINT LevelCount() const { return levels_; }
    bool GetDesc(UINT level, D3DSURFACE_DESC* desc) const;
    HRESULT Lock(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect);
    HRESULT Unlock(UINT face, UINT level);
    BYTE* Bits(UINT face, UINT level);

  private:
    UINT faces_;
    UINT width_;
    UINT height_;
    UINT levels_;
    D3DFORMAT format_;
    DWORD usage_;
    D3DPOOL pool_;
    std::vector<std::vector<BYTE>> data_;
    std::vector<unsigned> locks_;
};

class MemoryTexture : public DeviceChild<IDirect3DTexture9> {
  public:
    MemoryTexture(IDirect3DDevice9* device, ResourceCallLog* log, UINT width, UINT height, UINT levels,
                  DWORD usage, D3DFORMAT format, D3DPOOL pool);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return levels_.LevelCount(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    BYTE* Bits(UINT level) { return levels_.Bits(0, level); }

  private:
    ResourceCallLog* log_;
    MemoryLevels levels_;
};

class MemoryCubeTexture : public DeviceChild<IDirect3DCubeTexture9> {
  public:
    MemoryCubeTexture(IDirect3DDevice9* device, ResourceCallLog* log, UINT edge, UINT levels, DWORD usage,
                      D3DFORMAT format, D3DPOOL pool);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_CUBETEXTURE; }
    DWORD GetLevelCount() override { return levels_.LevelCount(); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                     DWORD flags) override;
    HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override;

    BYTE* Bits(D3DCUBEMAP_FACES face, UINT level) { return levels_.Bits(face, level); }

  private:
    ResourceCallLog* log_;
    MemoryLevels levels_;
};
