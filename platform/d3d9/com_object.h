#pragma once
// Reference counting shared by every Direct3D-style object of this layer.
//
// Resources (and D3DX meshes and effects) point at their device but hold no reference on
// it. A program that keeps its textures and buffers for the whole run, as the demo does,
// must still see its device's count reach 0 at release; only explicit references (AddRef,
// GetDevice, GetDirect3D, whatever the caller holds) count, so a real leak still shows as a
// non-zero count. A resource outliving its device finds it gone through DeviceLink and then
// works on the shared root GL context, which outlives every device.

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/device_lifetime.h"

#include <atomic>
#include <type_traits>

template <class Interface> class ComObject : public Interface {
  public:
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

  protected:
    ComObject() {
        if constexpr (std::is_same_v<Interface, IDirect3DDevice9>) {
            DeviceLifetime::Begin(static_cast<Interface*>(this));
        }
    }
    ~ComObject() override {
        if constexpr (std::is_same_v<Interface, IDirect3DDevice9>) {
            DeviceLifetime::End(static_cast<Interface*>(this));
        }
    }

  private:
    std::atomic<ULONG> refs_{1};
};

template <class Interface> class DeviceChild : public ComObject<Interface> {
  public:
    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (device == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *device = device_.Get();
        if (*device == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        (*device)->AddRef();
        return D3D_OK;
    }
    // The device, or null once it is gone.
    IDirect3DDevice9* Device() const { return device_.Get(); }

  protected:
    explicit DeviceChild(IDirect3DDevice9* device) : device_(device) {}

  private:
    DeviceLink device_;
};

// Holds one reference to a COM-style object and gives it back when replaced or destroyed.
template <class T> class ComRef {
  public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() { Reset(nullptr); }
    void Reset(T* object) {
        if (object != nullptr) {
            object->AddRef();
        }
        if (object_ != nullptr) {
            object_->Release();
        }
        object_ = object;
    }
    T* Get() const { return object_; }

  private:
    T* object_ = nullptr;
};
