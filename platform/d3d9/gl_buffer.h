#pragma once
// A vertex or index buffer of the OpenGL device: a copy in memory and a GL buffer object in
// each share group it is used in (see gl_share_root.h), made from the copy on first use there.
// Lock hands out the memory copy; Unlock uploads the bytes locked since the last upload into
// the current group's object, and another group's object is brought up to date at its next use.

#include "platform/d3d9/com_object.h"
#include "platform/d3d9/gl_headers.h"
#include "platform/d3d9/gl_share_root.h"
#include "platform/trace/call_trace.h"

#include <array>
#include <cstring>
#include <vector>

class GlDevice;

// The GL device's context, current before any GL call a resource makes.
void MakeDeviceCurrent(IDirect3DDevice9* device);

template <class Interface, class Desc, D3DRESOURCETYPE Type> class GlBuffer : public DeviceChild<Interface> {
  public:
    GlBuffer(IDirect3DDevice9* device, const Desc& desc) : DeviceChild<Interface>(device), desc_(desc) {
        data_.resize(desc.Size);
        MakeDeviceCurrent(device);
        Name();
    }
    ~GlBuffer() override {
        MakeDeviceCurrent(this->Device());
        for (int g = 0; g < glShareGroupCount; ++g) {
            GLuint name = objects_[g].name;
            if (name != 0) {
                GlShareRoot::InGroup(static_cast<GlShareGroup>(g), [&name] { glDeleteBuffers(1, &name); });
            }
        }
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
            largestIndexKnown_ = false;
            MakeDeviceCurrent(this->Device());
            GroupObject& object = objects_[GroupIndex(GlShareRoot::CurrentGroup())];
            const bool upToDate = object.name != 0 && object.version == version_;
            ++version_;
            if (upToDate) {
                glBindBuffer(kUploadTarget, object.name);
                if (dirtyBegin_ == 0 && dirtyEnd_ == data_.size()) {
                    UploadWhole();
                } else {
                    glBufferSubData(kUploadTarget, dirtyBegin_, dirtyEnd_ - dirtyBegin_,
                                    data_.data() + dirtyBegin_);
                }
                object.version = version_;
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

    // The buffer object of the current share group, made or brought up to date first.
    GLuint Name() {
        GroupObject& object = objects_[GroupIndex(GlShareRoot::CurrentGroup())];
        if (object.name == 0 || object.version != version_) {
            if (object.name == 0) {
                glGenBuffers(1, &object.name);
            }
            glBindBuffer(kUploadTarget, object.name);
            UploadWhole();
            object.version = version_;
        }
        return object.name;
    }
    const Desc& Description() const { return desc_; }
    const std::vector<BYTE>& Data() const { return data_; }

    // Of an index buffer: the largest index it holds, worked out again after a change.
    UINT LargestIndex() {
        if (!largestIndexKnown_) {
            largestIndex_ = 0;
            const bool wide = desc_.Format == D3DFMT_INDEX32;
            for (std::size_t at = 0; at + (wide ? 4 : 2) <= data_.size(); at += wide ? 4 : 2) {
                UINT index = 0;
                std::memcpy(&index, data_.data() + at, wide ? 4 : 2);
                largestIndex_ = index > largestIndex_ ? index : largestIndex_;
            }
            largestIndexKnown_ = true;
        }
        return largestIndex_;
    }

  private:
    struct GroupObject {
        GLuint name = 0;
        unsigned long long version = 0; // of the memory copy it holds
    };

    // WebGL fixes a buffer's kind at its first binding, and one first bound for copying can
    // never hold indices: there index buffers are filled through the index target (every draw
    // binds its own index buffer again, so the vertex array's binding is not disturbed).
    static constexpr GLenum kUploadTarget =
        kGlEs && Type == D3DRTYPE_INDEXBUFFER ? GL_ELEMENT_ARRAY_BUFFER : GL_COPY_WRITE_BUFFER;

    static const char* InterfaceName() {
        return Type == D3DRTYPE_VERTEXBUFFER ? "IDirect3DVertexBuffer9" : "IDirect3DIndexBuffer9";
    }

    // A whole-buffer write orphans the old storage instead of waiting for draws using it.
    void UploadWhole() {
        glBufferData(kUploadTarget, data_.size(), data_.data(),
                     (desc_.Usage & D3DUSAGE_DYNAMIC) != 0 ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    }

    Desc desc_;
    std::vector<BYTE> data_;
    unsigned long long version_ = 1;
    std::array<GroupObject, glShareGroupCount> objects_{};
    unsigned locks_ = 0;
    UINT dirtyBegin_ = 0;
    UINT dirtyEnd_ = 0;
    UINT largestIndex_ = 0;
    bool largestIndexKnown_ = false;
};
