#pragma once
// A texture loaded once by name and shared through the ResourceCache. A failed load leaves
// `texture` null: binding it clears the stage, handing it to the effect sets no texture.

#include <string>

struct DeviceHolder;
class IDirect3DBaseTexture9;

class TextureObject {
  public:
    TextureObject();
    virtual ~TextureObject();

    // SetTexture(stage, texture) on the holder's current device.
    virtual long Bind(unsigned stage);
    virtual void Load(const std::string& path) = 0;
    virtual void Release();

    DeviceHolder* holder;
    IDirect3DBaseTexture9* texture;
};

class Texture2D : public TextureObject {
  public:
    void Load(const std::string& path) override;
};

class CubeTexture : public TextureObject {
  public:
    void Load(const std::string& path) override;
};
