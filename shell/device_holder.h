#pragma once
// The one holder of the framework's current device. Users keep a pointer to the holder,
// never a copy of the device pointer, so a re-created device is seen by all of them once a
// callback has refreshed it. Created on first use and never freed.

class IDirect3DDevice9;

struct DeviceHolder {
    IDirect3DDevice9* device = nullptr;

    // The global holder, created on first use.
    static DeviceHolder* Get();
};
