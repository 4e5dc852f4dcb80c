#include "platform/d3d9/texture.h"

#include "platform/d3d9/gl_buffer.h"
#include "platform/d3d9/surface.h"

GlTexture::GlTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                     const GlTextureFormat* format, D3DPOOL pool)
    : DeviceChild(device) {
    MakeDeviceCurrent(device);
    storage_ = std::make_unique<TextureStorage>(1, width, height, levels, usage, format, pool);
}

GlTexture::~GlTexture() {
    MakeDeviceCurrent(Device());
    storage_.reset();
}

HRESULT GlTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    return storage_->Levels().GetDesc(level, desc) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlTexture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (surface == nullptr || level >= storage_->Levels().LevelCount()) {
        return D3DERR_INVALIDCALL;
    }
    *surface = new TextureLevelSurface(Device(), this, storage_.get(), 0, level);
    return D3D_OK;
}

HRESULT GlTexture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
    return storage_->Lock(0, level, locked, rect);
}

HRESULT GlTexture::UnlockRect(UINT level) {
    MakeDeviceCurrent(Device());
    return storage_->Unlock(0, level);
}
