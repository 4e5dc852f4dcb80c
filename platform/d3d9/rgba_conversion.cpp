#include "platform/d3d9/rgba_conversion.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/d3d9/format_info.h"

namespace {

using Rgba = std::array<BYTE, 4>;

constexpr D3DFORMAT kConvertedFormats[] = {
    D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8,     D3DFMT_R8G8B8,   D3DFMT_R5G6B5,      D3DFMT_X1R5G5B5,
    D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,     D3DFMT_X4R4G4B4, D3DFMT_R3G3B2,      D3DFMT_A8,
    D3DFMT_L8,       D3DFMT_A8B8G8R8,     D3DFMT_X8B8G8R8, D3DFMT_A2R10G10B10, D3DFMT_A2B10G10R10,
    D3DFMT_G16R16,   D3DFMT_A16B16G16R16,
};

// A channel of `bits` bits scaled to 0..255, rounded.
BYTE Scale(unsigned value, unsigned bits) {
    const unsigned top = (1u << bits) - 1;
    return static_cast<BYTE>((value * 255 + top / 2) / top);
}

template <class Word> Word Load(const BYTE* at) {
    Word word = 0;
    std::memcpy(&word, at, sizeof word); // little-endian, as Direct3D lays texels out
    return word;
}

Rgba Texel(D3DFORMAT format, const BYTE* at) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
        return {at[2], at[1], at[0], at[3]};
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R8G8B8:
        return {at[2], at[1], at[0], 255};
    case D3DFMT_A8B8G8R8:
        return {at[0], at[1], at[2], at[3]};
    case D3DFMT_X8B8G8R8:
        return {at[0], at[1], at[2], 255};
    case D3DFMT_R5G6B5: {
        const unsigned v = Load<std::uint16_t>(at);
        return {Scale(v >> 11, 5), Scale((v >> 5) & 63, 6), Scale(v & 31, 5), 255};
    }
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: {
        const unsigned v = Load<std::uint16_t>(at);
        const BYTE alpha = format == D3DFMT_A1R5G5B5 && (v >> 15) == 0 ? 0 : 255;
        return {Scale((v >> 10) & 31, 5), Scale((v >> 5) & 31, 5), Scale(v & 31, 5), alpha};
    }
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4: {
        const unsigned v = Load<std::uint16_t>(at);
        const BYTE alpha = format == D3DFMT_A4R4G4B4 ? Scale(v >> 12, 4) : 255;
        return {Scale((v >> 8) & 15, 4), Scale((v >> 4) & 15, 4), Scale(v & 15, 4), alpha};
    }
    case D3DFMT_R3G3B2:
        return {Scale(at[0] >> 5, 3), Scale((at[0] >> 2) & 7, 3), Scale(at[0] & 3, 2), 255};
    case D3DFMT_A8:
        return {0, 0, 0, at[0]};
    case D3DFMT_L8:
        return {at[0], at[0], at[0], 255};
    case D3DFMT_A2R10G10B10: {
        const std::uint32_t v = Load<std::uint32_t>(at);
        return {Scale((v >> 20) & 1023, 10), Scale((v >> 10) & 1023, 10), Scale(v & 1023, 10),
                Scale(v >> 30, 2)};
    }
    case D3DFMT_A2B10G10R10: {
        const std::uint32_t v = Load<std::uint32_t>(at);
        return {Scale(v & 1023, 10), Scale((v >> 10) & 1023, 10), Scale((v >> 20) & 1023, 10),
                Scale(v >> 30, 2)};
    }
    case D3DFMT_G16R16:
        return {Scale(Load<std::uint16_t>(at), 16), Scale(Load<std::uint16_t>(at + 2), 16), 255, 255};
    case D3DFMT_A16B16G16R16:
        return {Scale(Load<std::uint16_t>(at), 16), Scale(Load<std::uint16_t>(at + 2), 16),
                Scale(Load<std::uint16_t>(at + 4), 16), Scale(Load<std::uint16_t>(at + 6), 16)};
    default:
        return {0, 0, 0, 255};
    }
}

} // namespace

namespace RgbaConversion {

bool Converts(D3DFORMAT format) {
    for (const D3DFORMAT known : kConvertedFormats) {
        if (known == format) {
            return true;
        }
    }
    return false;
}

void Convert(D3DFORMAT format, const BYTE* texels, UINT width, UINT height, std::vector<BYTE>* rgba) {
    const std::size_t count = static_cast<std::size_t>(width) * height;
    const UINT bytes = FormatInfo::BytesPerElement(format);
    rgba->resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        const Rgba texel = Texel(format, texels + i * bytes);
        std::memcpy(rgba->data() + i * 4, texel.data(), 4);
    }
}

} // namespace RgbaConversion
