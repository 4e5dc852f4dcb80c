// D3DXCreateTextureFromFileW and D3DXCreateCubeTextureFromFileW with the documented
// defaults: size and format from the file, a full mip chain (box-filtered where the file
// does not carry its own levels), managed pool, no colour key. Textures are made through
// the device interface, so any device implementation receives them.

#include <cstring>
#include <string_view>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/file_bytes.h"
#include "platform/d3dx9/image_decoder.h"
#include "platform/d3dx9/mip_chain.h"

namespace {

// Copies one level into a locked rectangle, row by row at the lock's pitch.
void CopyLevel(const ImageData& image, const ImageLevel& level, const D3DLOCKED_RECT& locked) {
    const UINT rowBytes = ImageLayout::RowBytes(image.format, level.width);
    const UINT rows = ImageLayout::RowCount(image.format, level.height);
    auto* dst = static_cast<std::uint8_t*>(locked.pBits);
    for (UINT row = 0; row < rows; ++row) {
        std::memcpy(dst + static_cast<std::size_t>(row) * locked.Pitch,
                    level.bytes.data() + std::size_t{row} * rowBytes, rowBytes);
    }
}

HRESULT LoadImage(LPCWSTR srcFile, ImageData& image) {
    if (srcFile == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const auto bytes = FileBytes::Read(std::wstring_view(srcFile));
    if (!bytes) {
        return D3DERR_NOTAVAILABLE;
    }
    auto decoded = ImageDecoder::Decode(bytes->data(), bytes->size());
    if (!decoded || decoded->LevelCount() == 0) {
        return D3DXERR_INVALIDDATA;
    }
    image = std::move(*decoded);
    MipChain::Complete(image);
    return D3D_OK;
}

} // namespace

HRESULT D3DXCreateTextureFromFileW(IDirect3DDevice9* device, LPCWSTR srcFile, IDirect3DTexture9** texture) {
    if (texture == nullptr || device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *texture = nullptr;
    ImageData image;
    if (const HRESULT hr = LoadImage(srcFile, image); FAILED(hr)) {
        return hr;
    }
    // A cube map file read as a 2D texture gives its first face.
    IDirect3DTexture9* created = nullptr;
    HRESULT hr = device->CreateTexture(image.Width(), image.Height(), image.LevelCount(), 0, image.format,
                                       D3DPOOL_MANAGED, &created, nullptr);
    if (FAILED(hr) || created == nullptr) {
        return FAILED(hr) ? hr : E_FAIL;
    }
    for (UINT level = 0; level < image.LevelCount(); ++level) {
        D3DLOCKED_RECT locked{};
        hr = created->LockRect(level, &locked, nullptr, 0);
        if (FAILED(hr)) {
            created->Release();
            return hr;
        }
        CopyLevel(image, image.faces[0][level], locked);
        created->UnlockRect(level);
    }
    *texture = created;
    return D3D_OK;
}

HRESULT D3DXCreateCubeTextureFromFileW(IDirect3DDevice9* device, LPCWSTR srcFile,
                                       IDirect3DCubeTexture9** cubeTexture) {
    if (cubeTexture == nullptr || device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *cubeTexture = nullptr;
    ImageData image;
    if (const HRESULT hr = LoadImage(srcFile, image); FAILED(hr)) {
        return hr;
    }
    if (!image.cube) {
        // A plain square image serves as all six faces; anything else cannot be a cube.
        if (image.Width() != image.Height()) {
            return D3DXERR_INVALIDDATA;
        }
        image.faces.resize(6, image.faces[0]);
        image.cube = true;
    }
    IDirect3DCubeTexture9* created = nullptr;
    HRESULT hr = device->CreateCubeTexture(image.Width(), image.LevelCount(), 0, image.format,
                                           D3DPOOL_MANAGED, &created, nullptr);
    if (FAILED(hr) || created == nullptr) {
        return FAILED(hr) ? hr : E_FAIL;
    }
    for (UINT face = 0; face < 6; ++face) {
        for (UINT level = 0; level < image.LevelCount(); ++level) {
            const auto faceId = static_cast<D3DCUBEMAP_FACES>(face);
            D3DLOCKED_RECT locked{};
            hr = created->LockRect(faceId, level, &locked, nullptr, 0);
            if (FAILED(hr)) {
                created->Release();
                return hr;
            }
            CopyLevel(image, image.faces[face][level], locked);
            created->UnlockRect(faceId, level);
        }
    }
    *cubeTexture = created;
    return D3D_OK;
}
