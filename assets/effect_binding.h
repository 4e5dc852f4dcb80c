#pragma once
// One compiled instance of the shader effect file, with setters that address its
// parameters by name. Each scene that draws blobs owns one.

#include <string>

#include "platform/d3dx9/d3dx9.h"

struct DeviceHolder;
class TextureObject;

class EffectBinding {
  public:
    void Load(const std::string& path);
    HRESULT SetTechnique(const char* name);
    HRESULT SetMatrix(const char* name, const D3DXMATRIX* matrix);
    HRESULT SetTexture(const char* name, TextureObject* textureObject);
    HRESULT SetValue(const char* name, const void* data, UINT bytes);

    ID3DXEffect* effect = nullptr;
    DeviceHolder* holder = nullptr;
};
