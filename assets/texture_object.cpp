#include "assets/texture_object.h"

#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"
#include "shell/device_holder.h"

TextureObject::TextureObject() : holder(DeviceHolder::Get()), texture(nullptr) {}

TextureObject::~TextureObject() {
    Release();
}

long TextureObject::Bind(unsigned stage) {
    if (holder == nullptr || holder->device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    return holder->device->SetTexture(stage, texture);
}

void TextureObject::Release() {
    if (texture != nullptr) {
        texture->Release();
        texture = nullptr;
    }
    holder = nullptr;
}

// The result codes are not looked at: a failed load leaves `texture` null, which draws as
// no texture.
void Texture2D::Load(const std::string& path) {
    if (holder == nullptr || holder->device == nullptr) {
        return;
    }
    IDirect3DTexture9* created = nullptr;
    const std::wstring wide = WindowsPath::Widen(path);
    if (SUCCEEDED(D3DXCreateTextureFromFileW(holder->device, wide.c_str(), &created))) {
        texture = created;
    }
}

void CubeTexture::Load(const std::string& path) {
    if (holder == nullptr || holder->device == nullptr) {
        return;
    }
    IDirect3DCubeTexture9* created = nullptr;
    const std::wstring wide = WindowsPath::Widen(path);
    if (SUCCEEDED(D3DXCreateCubeTextureFromFileW(holder->device, wide.c_str(), &created))) {
        texture = created;
    }
}
