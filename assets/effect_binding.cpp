#include "assets/effect_binding.h"

#include "assets/texture_object.h"
#include "platform/fs/windows_path.h"
#include "shell/device_holder.h"

// Without an effect (file missing or not compilable) the setters do nothing and report
// D3DERR_INVALIDCALL, and the effect mesh draw skips its passes.

void EffectBinding::Load(const std::string& path) {
    holder = DeviceHolder::Get();
    std::wstring widePath = WindowsPath::Widen(path);
    D3DXCreateEffectFromFileW(holder->device, widePath.c_str(), nullptr, nullptr, 0, nullptr, &effect,
                              nullptr);
}

HRESULT EffectBinding::SetTechnique(const char* name) {
    return effect != nullptr ? effect->SetTechnique(name) : D3DERR_INVALIDCALL;
}

HRESULT EffectBinding::SetMatrix(const char* name, const D3DXMATRIX* matrix) {
    return effect != nullptr ? effect->SetMatrix(name, matrix) : D3DERR_INVALIDCALL;
}

HRESULT EffectBinding::SetTexture(const char* name, TextureObject* textureObject) {
    if (effect == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    return effect->SetTexture(name, textureObject != nullptr ? textureObject->texture : nullptr);
}

HRESULT EffectBinding::SetValue(const char* name, const void* data, UINT bytes) {
    return effect != nullptr ? effect->SetValue(name, data, bytes) : D3DERR_INVALIDCALL;
}
