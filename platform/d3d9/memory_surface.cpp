#include "platform/d3d9/memory_surface.h"

#include "platform/d3d9/format_info.h"

BYTE* LockedRectStart(BYTE* bits, D3DFORMAT format, UINT width, UINT height, const RECT* rect) {
    if (rect == nullptr) {
        return bits;
    }
    if (rect->left < 0 || rect->top < 0 || rect->right <= rect->left || rect->bottom <= rect->top ||
        static_cast<UINT>(rect->right) > width || static_cast<UINT>(rect->bottom) > height) {
        return nullptr;
    }
    const UINT blockSize = FormatInfo::IsCompressed(format) ? 4 : 1;
    const UINT row = static_cast<UINT>(rect->top) / blockSize;
    const UINT column = static_cast<UINT>(rect->left) / blockSize;
    return bits + row * FormatInfo::RowPitch(format, width) + column * FormatInfo::BytesPerElement(format);
}

MemorySurface::MemorySurface(IDirect3DDevice9* device, ResourceCallLog* log, const D3DSURFACE_DESC& desc)
    : DeviceChild(device), log_(log), desc_(desc),
      own_(FormatInfo::LevelSize(desc.Format, desc.Width, desc.Height)), bits_(own_.data()) {}

MemorySurface::MemorySurface(IDirect3DDevice9* device, ResourceCallLog* log, const D3DSURFACE_DESC& desc,
                             IUnknown* container, BYTE* bits)
    : DeviceChild(device), log_(log), desc_(desc), container_(container), bits_(bits) {
    container_->AddRef();
}

MemorySurface::~MemorySurface() {
    if (container_ != nullptr) {
        container_->Release();
    }
}

HRESULT MemorySurface::GetDesc(D3DSURFACE_DESC* desc) {
    if (desc == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *desc = desc_;
    return D3D_OK;
}

HRESULT MemorySurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (log_ != nullptr && Device() != nullptr) { // the log is the device
        log_->Record(log_->Formatter().LockRect(this, -1, 0, rect, flags));
    }
    if (locked == nullptr || locks_ != 0) {
        return D3DERR_INVALIDCALL;
    }
    BYTE* start = LockedRectStart(bits_, desc_.Format, desc_.Width, desc_.Height, rect);
    if (start == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    locked->pBits = start;
    locked->Pitch = static_cast<INT>(FormatInfo::RowPitch(desc_.Format, desc_.Width));
    ++locks_;
    return D3D_OK;
}

HRESULT MemorySurface::UnlockRect() {
    if (log_ != nullptr && Device() != nullptr) { // the log is the device
        log_->Record(log_->Formatter().UnlockRect(this, -1, 0));
    }
    if (locks_ == 0) {
        return D3DERR_INVALIDCALL;
    }
    --locks_;
    return D3D_OK;
}
