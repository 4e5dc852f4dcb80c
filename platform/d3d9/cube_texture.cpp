#include "platform/d3d9/cube_texture.h"

#include "platform/d3d9/gl_buffer.h"

GlCubeTexture::GlCubeTexture(IDirect3DDevice9* device, UINT edge, UINT levels, DWORD usage,
                             const GlTextureFormat* format, D3DPOOL pool)
    : DeviceChild(device) {
    MakeDeviceCurrent(device);
    storage_ = std::make_unique<TextureStorage>(6, edge, edge, levels, usage, format, pool);
}

GlCubeTexture::~GlCubeTexture() {
    MakeDeviceCurrent(Device());
    storage_.reset();
}

HRESULT GlCubeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    return storage_->Levels().GetDesc(level, desc) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlCubeTexture::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                DWORD) {
    return storage_->Lock(face, level, locked, rect);
}

HRESULT GlCubeTexture::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
    MakeDeviceCurrent(Device());
    return storage_->Unlock(face, level);
}
