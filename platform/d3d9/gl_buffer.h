#pragma once
// A vertex or index buffer of the OpenGL device: a GL buffer object with a copy in memory.
// Lock hands out the memory copy; Unlock uploads the bytes locked since the last upload.

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/gl_headers.h"
#include "platform/trace/call_trace.h"

#include <vector>

class GlDevice;

// The GL device's context, current before any GL call a resource makes.
void MakeDeviceCurrent(IDirect3DDevice9* device);

template <class Interface, class Desc, D3DRESOURCETYPE Type> class GlBuffer : public DeviceChild<Interface> {
  public:
    GlBuffer(IDirect3DDevice9* device, const Desc& desc) : DeviceChild<Interface>(device), desc_(desc) {
        data_.resize(desc.Size);
        MakeDeviceCurrent(device);
        glGenBuffers(1, &name_);
        glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
        glBufferData(GL_COPY_WRITE_BUFFER, desc.Size, data_.data(),
                     (desc.Usage & D3DUSAGE_DYNAMIC) != 0 ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    }
    ~GlBuffer() override {
        MakeDeviceCurrent(this->Device());
        glDeleteBuffers(1, &name_);
    }

    D3DRESOURCETYPE GetType() override { return Type; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        if (data == nullptr || offset > data_.size() || (size != 0 && size > data_.size() - offset)) {
            return D3DERR_INVALIDCALL;
        }
        const UINT end = size == 0 ? static_cast<UINT>(data_.size()) : offset + size;
        if (locks_ == 0) {
            dirtyBegin_ = offset;
            dirtyEnd_ = end;
        } else {
            dirtyBegin_ = offset < dirtyBegin_ ? offset : dirtyBegin_;
            dirtyEnd_ = end > dirtyEnd_ ? end : dirtyEnd_;
        }
        ++locks_;
        *data = data_.data() + offset;
        if (CallTrace::Enabled()) {
            CallTrace::Record(InterfaceName(), CallTrace::Formatter().Lock(this, offset, size, flags));
        }
        return D3D_OK;
    }
    HRESULT Unlock() override {
        if (locks_ == 0) {
            return D3DERR_INVALIDCALL;
        }
        if (CallTrace::Enabled()) {
            // What the caller wrote, so a trace shows the geometry and not just that it changed.
            CallTrace::Record(InterfaceName(), CallTrace::Formatter().UnlockBytes(this, dirtyBegin_,
                                                                                  data_.data() + dirtyBegin_,
                                                                                  dirtyEnd_ - dirtyBegin_));
        }
        if (--locks_ == 0 && dirtyEnd_ > dirtyBegin_) {
            MakeDeviceCurrent(this->Device());
            glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
            if (dirtyBegin_ == 0 && dirtyEnd_ == data_.size()) {
                // A whole-buffer rewrite orphans the old storage instead of waiting for draws using it.
                glBufferData(GL_COPY_WRITE_BUFFER, data_.size(), data_.data(),
                             (desc_.Usage & D3DUSAGE_DYNAMIC) != 0 ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
            } else {
                glBufferSubData(GL_COPY_WRITE_BUFFER, dirtyBegin_, dirtyEnd_ - dirtyBegin_,
                                data_.data() + dirtyBegin_);
            }
        }
        return D3D_OK;
    }
    HRESULT GetDesc(Desc* desc) override {
        if (desc == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        *desc = desc_;
        return D3D_OK;
    }

    GLuint Name() const { return name_; }
    const Desc& Description() const { return desc_; }

  private:
    static const char* InterfaceName() {
        return Type == D3DRTYPE_VERTEXBUFFER ? "IDirect3DVertexBuffer9" : "IDirect3DIndexBuffer9";
    }

    Desc desc_;
    std::vector<BYTE> data_;
    GLuint name_ = 0;
    unsigned locks_ = 0;
    UINT dirtyBegin_ = 0;
    UINT dirtyEnd_ = 0;
};
