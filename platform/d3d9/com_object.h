#pragma once
// Reference counting shared by every Direct3D-style object of this layer. A resource keeps
// its device alive: the device's count includes one reference per living resource, which is
// how a device released with objects left over is detected.

#include "platform/d3d9/d3d9.h"

#include <atomic>

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
    ComObject() = default;
    ~ComObject() override = default;

  private:
    std::atomic<ULONG> refs_{1};
};

template <class Interface> class DeviceChild : public ComObject<Interface> {
  public:
    HRESULT GetDevice(IDirect3DDevice9** device) override {
        if (device == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        device_->AddRef();
        *device = device_;
        return D3D_OK;
    }
    IDirect3DDevice9* Device() const { return device_; }

  protected:
    explicit DeviceChild(IDirect3DDevice9* device) : device_(device) { device_->AddRef(); }
    ~DeviceChild() override { device_->Release(); }

  private:
    IDirect3DDevice9* device_;
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
