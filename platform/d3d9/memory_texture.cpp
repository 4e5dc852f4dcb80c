#include "platform/d3d9/memory_texture.h"

#include "platform/d3d9/format_info.h"
#include "platform/d3d9/memory_surface.h"

MemoryLevels::MemoryLevels(UINT faces, UINT width, UINT height, UINT levels, D3DFORMAT format, DWORD usage,
                           D3DPOOL pool)
    : faces_(faces), width_(width), height_(height), format_(format), usage_(usage), pool_(pool) {
    const UINT full = FormatInfo::FullMipCount(width, height);
    levels_ = (levels == 0 || levels > full) ? full : levels;
    data_.resize(static_cast<size_t>(faces_) * levels_);
    locks_.assign(data_.size(), 0);
    for (UINT face = 0; face < faces_; ++face) {
        for (UINT level = 0; level < levels_; ++level) {
            data_[face * levels_ + level].resize(
                FormatInfo::LevelSize(format_, FormatInfo::LevelDimension(width_, level),
                                      FormatInfo::LevelDimension(height_, level)));
        }
    }
}

bool MemoryLevels::GetDesc(UINT level, D3DSURFACE_DESC* desc) const {
    if (desc == nullptr || level >= levels_) {
        return false;
    }
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = usage_;
    desc->Pool = pool_;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->MultiSampleQuality = 0;
    desc->Width = FormatInfo::LevelDimension(width_, level);
    desc->Height = FormatInfo::LevelDimension(height_, level);
    return true;
}

BYTE* MemoryLevels::Bits(UINT face, UINT level) {
    if (face >= faces_ || level >= levels_) {
        return nullptr;
    }
    return data_[face * levels_ + level].data();
}

HRESULT MemoryLevels::Lock(UINT face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect) {
    if (locked == nullptr || face >= faces_ || level >= levels_ || locks_[face * levels_ + level] != 0) {
        return D3DERR_INVALIDCALL;
    }
    const UINT width = FormatInfo::LevelDimension(width_, level);
    const UINT height = FormatInfo::LevelDimension(height_, level);
    BYTE* start = LockedRectStart(Bits(face, level), format_, width, height, rect);
    if (start == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    locked->pBits = start;
    locked->Pitch = static_cast<INT>(FormatInfo::RowPitch(format_, width));
    ++locks_[face * levels_ + level];
    return D3D_OK;
}

HRESULT MemoryLevels::Unlock(UINT face, UINT level) {
    if (face >= faces_ || level >= levels_ || locks_[face * levels_ + level] == 0) {
        return D3DERR_INVALIDCALL;
    }
    --locks_[face * levels_ + level];
    return D3D_OK;
}

MemoryTexture::MemoryTexture(IDirect3DDevice9* device, ResourceCallLog* log, UINT width, UINT height,
                             UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : DeviceChild(device), log_(log), levels_(1, width, height, levels, format, usage, pool) {}

HRESULT MemoryTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    return levels_.GetDesc(level, desc) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT MemoryTexture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    D3DSURFACE_DESC desc;
    if (surface == nullptr || !levels_.GetDesc(level, &desc)) {
        return D3DERR_INVALIDCALL;
    }
    *surface = new MemorySurface(Device(), log_, desc, this, levels_.Bits(0, level));
    return D3D_OK;
}

HRESULT MemoryTexture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (log_ != nullptr && Device() != nullptr) { // the log is the device
        log_->Record(log_->Formatter().LockRect(this, -1, level, rect, flags));
    }
    return levels_.Lock(0, level, locked, rect);
}

HRESULT MemoryTexture::UnlockRect(UINT level) {
    if (log_ != nullptr && Device() != nullptr) { // the log is the device
        log_->Record(log_->Formatter().UnlockRect(this, -1, level));
    }
    return levels_.Unlock(0, level);
}

MemoryCubeTexture::MemoryCubeTexture(IDirect3DDevice9* device, ResourceCallLog* log, UINT edge, UINT levels,
                                     DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : DeviceChild(device), log_(log), levels_(6, edge, edge, levels, format, usage, pool) {}

HRESULT MemoryCubeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    return levels_.GetDesc(level, desc) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT MemoryCubeTexture::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked,
                                    const RECT* rect, DWORD flags) {
    if (log_ != nullptr && Device() != nullptr) { // the log is the device
        log_->Record(log_->Formatter().LockRect(this, static_cast<int>(face), level, rect, flags));
    }
    return levels_.Lock(face, level, locked, rect);
}

HRESULT MemoryCubeTexture::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
    if (log_ != nullptr && Device() != nullptr) { // the log is the device
        log_->Record(log_->Formatter().UnlockRect(this, static_cast<int>(face), level));
    }
    return levels_.Unlock(face, level);
}
