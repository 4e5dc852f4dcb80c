#include "platform/d3dx9/dds_reader.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::size_t kHeaderSize = 124;
constexpr DWORD kFlagMipMapCount = 0x20000;
constexpr DWORD kPixelAlpha = 0x1;
constexpr DWORD kPixelFourCC = 0x4;
constexpr DWORD kPixelRgb = 0x40;
constexpr DWORD kPixelLuminance = 0x20000;
constexpr DWORD kCaps2CubeMap = 0x200;
constexpr DWORD kCaps2Volume = 0x200000;
constexpr DWORD kCubeFaceFlags[6] = {0x400, 0x800, 0x1000, 0x2000, 0x4000, 0x8000};
// Larger than any texture a Direct3D 9 device takes; keeps a corrupt header from asking
// for gigabytes.
constexpr UINT kMaxDimension = 16384;

DWORD ReadU32(const std::uint8_t* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
           (static_cast<DWORD>(p[3]) << 24);
}

struct PixelFormat {
    DWORD flags, fourCC, bitCount, rMask, gMask, bMask, aMask;
};

// One channel of a packed pixel scaled to 0..255.
std::uint8_t Channel(DWORD pixel, DWORD mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = std::countr_zero(mask);
    const DWORD max = mask >> shift;
    const DWORD value = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((value * 255 + max / 2) / max);
}

class Cursor {
  public:
    Cursor(const std::uint8_t* data, std::size_t size, std::size_t offset)
        : data_(data), size_(size), pos_(offset) {}
    const std::uint8_t* Take(std::size_t bytes) {
        if (bytes > size_ - pos_) {
            return nullptr;
        }
        const std::uint8_t* p = data_ + pos_;
        pos_ += bytes;
        return p;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_;
};

bool ReadLevel(Cursor& cursor, const PixelFormat& pf, D3DFORMAT format, UINT width, UINT height,
               ImageLevel& out) {
    out.width = width;
    out.height = height;
    if (ImageLayout::IsBlockCompressed(format)) {
        const std::size_t bytes = ImageLayout::LevelBytes(format, width, height);
        const std::uint8_t* src = cursor.Take(bytes);
        if (src == nullptr) {
            return false;
        }
        out.bytes.assign(src, src + bytes);
        return true;
    }
    const UINT srcPixelBytes = pf.bitCount / 8;
    const std::size_t srcBytes = static_cast<std::size_t>(width) * height * srcPixelBytes;
    const std::uint8_t* src = cursor.Take(srcBytes);
    if (src == nullptr) {
        return false;
    }
    const bool hasAlpha = format == D3DFMT_A8R8G8B8;
    out.bytes.resize(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i) {
        DWORD pixel = 0;
        for (UINT b = 0; b < srcPixelBytes; ++b) {
            pixel |= static_cast<DWORD>(src[i * srcPixelBytes + b]) << (8 * b);
        }
        std::uint8_t* dst = &out.bytes[i * 4];
        if (pf.flags & kPixelLuminance) {
            dst[0] = dst[1] = dst[2] = Channel(pixel, pf.rMask);
        } else {
            dst[0] = Channel(pixel, pf.bMask);
            dst[1] = Channel(pixel, pf.gMask);
            dst[2] = Channel(pixel, pf.rMask);
        }
        dst[3] = hasAlpha ? Channel(pixel, pf.aMask) : 0xFF;
    }
    return true;
}

D3DFORMAT TargetFormat(const PixelFormat& pf) {
    if (pf.flags & kPixelFourCC) {
        switch (pf.fourCC) {
        case D3DFMT_DXT1:
        case D3DFMT_DXT3:
        case D3DFMT_DXT5:
            return static_cast<D3DFORMAT>(pf.fourCC);
        default:
            return D3DFMT_UNKNOWN;
        }
    }
    if ((pf.flags & (kPixelRgb | kPixelLuminance)) == 0) {
        return D3DFMT_UNKNOWN;
    }
    if (pf.bitCount != 8 && pf.bitCount != 16 && pf.bitCount != 24 && pf.bitCount != 32) {
        return D3DFMT_UNKNOWN;
    }
    if (pf.bitCount < 32) {
        // Masks wider than the pixel would read bits that are not there.
        const DWORD limit = (1u << pf.bitCount) - 1;
        if ((pf.rMask | pf.gMask | pf.bMask | pf.aMask) & ~limit) {
            return D3DFMT_UNKNOWN;
        }
    }
    return ((pf.flags & kPixelAlpha) && pf.aMask != 0) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
}

} // namespace

namespace DdsReader {

bool HasSignature(const std::uint8_t* data, std::size_t size) {
    return size >= 4 && std::memcmp(data, "DDS ", 4) == 0;
}

std::optional<ImageData> Read(const std::uint8_t* data, std::size_t size) {
    if (!HasSignature(data, size) || size < 4 + kHeaderSize) {
        return std::nullopt;
    }
    const std::uint8_t* h = data + 4;
    if (ReadU32(h) != kHeaderSize) {
        return std::nullopt;
    }
    const DWORD flags = ReadU32(h + 4);
    const UINT height = ReadU32(h + 8);
    const UINT width = ReadU32(h + 12);
    const DWORD mipCount = ReadU32(h + 24);
    const PixelFormat pf{ReadU32(h + 76), ReadU32(h + 80), ReadU32(h + 84), ReadU32(h + 88),
                         ReadU32(h + 92), ReadU32(h + 96), ReadU32(h + 100)};
    const DWORD caps2 = ReadU32(h + 108);

    if (width == 0 || height == 0 || width > kMaxDimension || height > kMaxDimension ||
        (caps2 & kCaps2Volume)) {
        return std::nullopt;
    }
    const D3DFORMAT format = TargetFormat(pf);
    if (format == D3DFMT_UNKNOWN) {
        return std::nullopt;
    }

    UINT levels = ((flags & kFlagMipMapCount) && mipCount > 0) ? mipCount : 1;
    const UINT full = ImageLayout::FullMipCount(width, height);
    levels = levels > full ? full : levels;

    ImageData image;
    image.format = format;
    image.cube = (caps2 & kCaps2CubeMap) != 0;
    if (image.cube && width != height) {
        return std::nullopt;
    }
    const int faceCount = image.cube ? 6 : 1;
    image.faces.resize(faceCount);
    Cursor cursor(data, size, 4 + kHeaderSize);
    for (int face = 0; face < faceCount; ++face) {
        // A cube file may leave faces out; those stay black.
        const bool stored = !image.cube || (caps2 & kCubeFaceFlags[face]) != 0;
        for (UINT level = 0; level < levels; ++level) {
            const UINT w = width >> level > 0 ? width >> level : 1;
            const UINT hgt = height >> level > 0 ? height >> level : 1;
            ImageLevel out;
            if (stored) {
                if (!ReadLevel(cursor, pf, format, w, hgt, out)) {
                    return std::nullopt;
                }
            } else {
                out.width = w;
                out.height = hgt;
                out.bytes.assign(ImageLayout::LevelBytes(format, w, hgt), 0);
            }
            image.faces[face].push_back(std::move(out));
        }
    }
    return image;
}

} // namespace DdsReader
