#pragma once
// Which devices are alive. Resources, meshes and effects point at their device without
// holding a reference on it (see com_object.h), so they ask here before touching it: a
// resource released after its device is gone must neither call into nor release it.

#include "platform/d3d9/d3d9.h"

namespace DeviceLifetime {

// Called by every device of this layer when it is made and when it is destroyed.
void Begin(IDirect3DDevice9* device);
void End(IDirect3DDevice9* device);

// The current life of `device`: a number never reused, 0 for a device not made here.
unsigned long long LifeOf(IDirect3DDevice9* device);

// The newest live device whose life began after `life`; null when there is none.
IDirect3DDevice9* NewestAfter(unsigned long long life);

} // namespace DeviceLifetime

// A weak pointer to a device: null once the device it was made with is gone, even when a
// new device now lives at the same address. A device not made by this layer (a test's
// fake) cannot be followed and is taken as alive.
class DeviceLink {
  public:
    DeviceLink() = default;
    explicit DeviceLink(IDirect3DDevice9* device)
        : device_(device), life_(device != nullptr ? DeviceLifetime::LifeOf(device) : 0) {}
    IDirect3DDevice9* Get() const;
    // The device, or once it is gone the device made in its place (the newest live one made
    // after it). The framework re-creates its device on a switch of device type or adapter;
    // D3DX meshes and effects, which a program keeps for the whole run as the demo does, go
    // on drawing through the new device, their GL objects remade there from memory (as
    // Direct3D's managed resources are).
    IDirect3DDevice9* Follow() const;

  private:
    IDirect3DDevice9* device_ = nullptr;
    unsigned long long life_ = 0;
};
