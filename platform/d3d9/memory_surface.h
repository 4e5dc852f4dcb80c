#pragma once
// A surface held in memory: an offscreen plain surface or back buffer of the recording
// device, or one level of an in-memory texture (then it keeps its texture alive and its
// pixels are the texture's).

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/resource_call_log.h"

#include <vector>

class MemorySurface : public DeviceChild<IDirect3DSurface9> {
  public:
    // A surface owning its pixels.
    MemorySurface(IDirect3DDevice9* device, ResourceCallLog* log, const D3DSURFACE_DESC& desc);
    // A view of pixels owned by `container`, which stays alive while the surface does.
    MemorySurface(IDirect3DDevice9* device, ResourceCallLog* log, const D3DSURFACE_DESC& desc,
                  IUnknown* container, BYTE* bits);
    ~MemorySurface() override;

    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    BYTE* Bits() { return bits_; }

  private:
    ResourceCallLog* log_;
    D3DSURFACE_DESC desc_;
    std::vector<BYTE> own_;
    IUnknown* container_ = nullptr;
    BYTE* bits_;
    unsigned locks_ = 0;
};

// Where a rectangle of a level starts in memory laid out row after row (blocks for DXT);
// null when the rectangle lies outside the level.
BYTE* LockedRectStart(BYTE* bits, D3DFORMAT format, UINT width, UINT height, const RECT* rect);
