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

  private:
    IDirect3DDevice9* device_ = nullptr;
    unsigned long long life_ = 0;
};
