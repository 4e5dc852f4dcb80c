#include "platform/d3d9/surface.h"

#include "platform/d3d9/gl_buffer.h"
#include "platform/d3d9/gl_device.h"
#include "platform/d3d9/memory_surface.h"

TextureLevelSurface::TextureLevelSurface(IDirect3DDevice9* device, IUnknown* container,
                                         TextureStorage* storage, UINT face, UINT level)
    : DeviceChild(device), container_(container), storage_(storage), face_(face), level_(level) {
    container_->AddRef();
}

TextureLevelSurface::~TextureLevelSurface() {
    container_->Release();
}

HRESULT TextureLevelSurface::GetDesc(D3DSURFACE_DESC* desc) {
    return storage_->Levels().GetDesc(level_, desc) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT TextureLevelSurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
    return storage_->Lock(face_, level_, locked, rect);
}

HRESULT TextureLevelSurface::UnlockRect() {
    MakeDeviceCurrent(Device());
    return storage_->Unlock(face_, level_);
}

BackBufferSurface::BackBufferSurface(GlDevice* device, const D3DSURFACE_DESC& desc)
    : DeviceChild(device), device_(device), desc_(desc) {}

HRESULT BackBufferSurface::GetDesc(D3DSURFACE_DESC* desc) {
    if (desc == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *desc = desc_;
    return D3D_OK;
}

HRESULT BackBufferSurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
    if (locked == nullptr || locked_ || Device() == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
    if (!device_->ReadBackBuffer(&rgba, &width, &height) || width != static_cast<int>(desc_.Width) ||
        height != static_cast<int>(desc_.Height)) {
        return D3DERR_INVALIDCALL;
    }
    pixels_.resize(rgba.size());
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        pixels_[i + 0] = rgba[i + 2];
        pixels_[i + 1] = rgba[i + 1];
        pixels_[i + 2] = rgba[i + 0];
        pixels_[i + 3] = rgba[i + 3];
    }
    BYTE* start = LockedRectStart(pixels_.data(), D3DFMT_A8R8G8B8, desc_.Width, desc_.Height, rect);
    if (start == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    locked->pBits = start;
    locked->Pitch = static_cast<INT>(desc_.Width * 4);
    locked_ = true;
    return D3D_OK;
}

HRESULT BackBufferSurface::UnlockRect() {
    if (!locked_) {
        return D3DERR_INVALIDCALL;
    }
    locked_ = false;
    return D3D_OK;
}
