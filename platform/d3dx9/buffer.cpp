// ID3DXBuffer: a reference-counted block of bytes, zero-filled at creation.

#include <new>
#include <vector>

#include "platform/d3dx9/d3dx9.h"

namespace {

class Buffer final : public ID3DXBuffer {
  public:
    explicit Buffer(DWORD size) : bytes_(size) {}
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    void* GetBufferPointer() override { return bytes_.empty() ? nullptr : bytes_.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(bytes_.size()); }

  private:
    std::vector<unsigned char> bytes_;
    ULONG refs_ = 1;
};

} // namespace

HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer) {
    if (buffer == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *buffer = nullptr;
    try {
        *buffer = new Buffer(numBytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}
