#pragma once
// Vertex and index buffers held in memory, for the recording device. Lock hands out the
// memory itself, so what a caller wrote can be read back by a test.

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/resource_call_log.h"

#include <vector>

template <class Interface, class Desc, D3DRESOURCETYPE Type>
class MemoryBuffer : public DeviceChild<Interface> {
  public:
    MemoryBuffer(IDirect3DDevice9* device, ResourceCallLog* log, const Desc& desc)
        : DeviceChild<Interface>(device), log_(log), desc_(desc), data_(desc.Size) {}

    D3DRESOURCETYPE GetType() override { return Type; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        if (log_ != nullptr && this->Device() != nullptr) { // the log is the device
            log_->Record(log_->Formatter().Lock(this, offset, size, flags));
        }
        if (data == nullptr || offset > data_.size() || (size != 0 && size > data_.size() - offset)) {
            return D3DERR_INVALIDCALL;
        }
        *data = data_.data() + offset;
        ++locks_;
        return D3D_OK;
    }
    HRESULT Unlock() override {
        if (log_ != nullptr && this->Device() != nullptr) { // the log is the device
            log_->Record(log_->Formatter().Unlock(this));
        }
        if (locks_ == 0) {
            return D3DERR_INVALIDCALL;
        }
        --locks_;
        return D3D_OK;
    }
    HRESULT GetDesc(Desc* desc) override {
        if (desc == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *desc = desc_;
        return D3D_OK;
    }

    const std::vector<BYTE>& Data() const { return data_; }
    bool IsLocked() const { return locks_ != 0; }

  private:
    ResourceCallLog* log_;
    Desc desc_;
    std::vector<BYTE> data_;
    unsigned locks_ = 0;
};

using MemoryVertexBuffer = MemoryBuffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC, D3DRTYPE_VERTEXBUFFER>;
using MemoryIndexBuffer = MemoryBuffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC, D3DRTYPE_INDEXBUFFER>;
