// An image file of any format the loaders read (DDS, BMP, JPEG, TGA, PNG), loaded as the
// demo loads textures: as a 2D texture and as a cube texture, through a device that keeps
// its resources in memory, every level locked and read back.

#include <cstdint>
#include <string>

#include "fuzz/fuzz_input_file.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/fs/windows_path.h"

namespace {

// Reads every byte of a locked level, so a level shorter than it claims shows as an overrun.
void Touch(const D3DLOCKED_RECT& locked, UINT rows) {
    const auto* bytes = static_cast<const volatile std::uint8_t*>(locked.pBits);
    std::uint8_t sum = 0;
    for (UINT row = 0; row < rows; ++row) {
        for (INT i = 0; i < locked.Pitch; ++i) {
            sum ^= bytes[static_cast<std::size_t>(row) * locked.Pitch + i];
        }
    }
    (void)sum;
}

UINT LockedRows(const D3DSURFACE_DESC& desc) {
    const bool blocks =
        desc.Format == D3DFMT_DXT1 || desc.Format == D3DFMT_DXT3 || desc.Format == D3DFMT_DXT5;
    return blocks ? (desc.Height + 3) / 4 : desc.Height;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring path = WindowsPath::Widen(FuzzInputFile::Write(data, size, ".img"));
    auto* device = new RecordingDevice();

    IDirect3DTexture9* texture = nullptr;
    if (SUCCEEDED(D3DXCreateTextureFromFileW(device, path.c_str(), &texture)) && texture != nullptr) {
        for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
            D3DSURFACE_DESC desc{};
            D3DLOCKED_RECT locked{};
            if (SUCCEEDED(texture->GetLevelDesc(level, &desc)) &&
                SUCCEEDED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY))) {
                Touch(locked, LockedRows(desc));
                texture->UnlockRect(level);
            }
        }
        texture->Release();
    }

    IDirect3DCubeTexture9* cube = nullptr;
    if (SUCCEEDED(D3DXCreateCubeTextureFromFileW(device, path.c_str(), &cube)) && cube != nullptr) {
        cube->Release();
    }
    device->Release();
    return 0;
}
