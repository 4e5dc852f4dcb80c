#include "platform/d3dx9/image_decoder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stb_image.h>

#include "platform/d3dx9/dds_reader.h"
#include "platform/d3dx9/jpeg_scan_tables.h"

namespace {

constexpr int kMaxDimension = 16384;

// stb_image pads a TGA that ends early with zeros instead of failing; a cut file must fail
// like every other format, so the size its header promises is checked here. A run-length
// TGA's length is only known by decoding, but a packet gives at most 128 pixels for a header
// byte and one pixel value, which bounds it from below: 28 bytes declaring 4352 x 10248
// pixels took seconds and 180 MB to be padded out.
bool IsTruncatedTga(const std::uint8_t* data, std::size_t size, int width, int height) {
    if (size < 18) {
        // Only a tiny PNM fits in fewer bytes than a TGA header; stb reads anything else as a
        // TGA cut inside its header.
        return data[0] != 'P';
    }
    if (data[0] == 'B' && data[1] == 'M') {
        return false;
    }
    const bool runLength = data[2] >= 9 && data[2] <= 11;
    const unsigned type = runLength ? data[2] - 8u : data[2], colourMapType = data[1], bits = data[16];
    if ((type != 1 && type != 2 && type != 3) || colourMapType > 1 || bits == 0 ||
        (data[12] | data[13] << 8) != width || (data[14] | data[15] << 8) != height) {
        return false;
    }
    const std::size_t mapBytes =
        colourMapType == 1 ? std::size_t(data[5] | data[6] << 8) * ((data[7] + 7u) / 8u) : 0;
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    const std::size_t pixelBytes = (bits + 7u) / 8u;
    const std::size_t imageBytes = runLength ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    return size < 18 + std::size_t{data[0]} + mapBytes + imageBytes;
}

std::uint32_t LittleEndian(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

// stb_image also takes an uncompressed BMP that ends early, and allocates and fills every
// row its header declares: 56 bytes asked for 13833 x 10240 pixels. A cut file fails here.
bool IsTruncatedBmp(const std::uint8_t* data, std::size_t size, int width, int height) {
    constexpr std::size_t fileHeaderBytes = 14;
    constexpr std::uint32_t uncompressed = 0, bitFields = 3;
    if (size < fileHeaderBytes + 4 || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    const std::uint32_t headerBytes = LittleEndian(data + 14, 4);
    std::uint32_t bits = 0;
    if (headerBytes == 12 && size >= 26) {
        bits = LittleEndian(data + 24, 2);
    } else if (headerBytes >= 40 && size >= 34) {
        const std::uint32_t compression = LittleEndian(data + 30, 4);
        if (compression != uncompressed && compression != bitFields) {
            return false;
        }
        bits = LittleEndian(data + 28, 2);
    } else {
        return false;
    }
    const std::size_t rowBytes = (std::size_t(width) * bits + 31) / 32 * 4;
    const std::size_t pixelsStart =
        std::max<std::size_t>(LittleEndian(data + 10, 4), fileHeaderBytes + headerBytes);
    return size < pixelsStart + rowBytes * std::size_t(height);
}

// stb_image sizes its buffer for a PNG's compressed data from each chunk's declared length
// before reading the chunk, so 300 bytes declaring a 1.9 GB chunk made it allocate 1.9 GB. A
// chunk cannot be longer than what is left of the file; such a file is cut or corrupt.
bool HasChunkPastTheEnd(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0) {
        return false;
    }
    constexpr std::size_t kChunkFrame = 12; // length, type, CRC
    std::size_t at = sizeof kSignature;
    while (at + kChunkFrame <= size) {
        const std::size_t length = std::size_t{data[at]} << 24 | std::size_t{data[at + 1]} << 16 |
                                   std::size_t{data[at + 2]} << 8 | data[at + 3];
        if (length > size - at - kChunkFrame) {
            return true;
        }
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) {
            return false;
        }
        at += kChunkFrame + length;
    }
    return false; // what stb makes of a file without IEND is left to it
}

std::optional<ImageData> DecodeWithStb(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels) || width <= 0 ||
        height <= 0 || width > kMaxDimension || height > kMaxDimension ||
        IsTruncatedTga(data, size, width, height) || IsTruncatedBmp(data, size, width, height) ||
        HasChunkPastTheEnd(data, size) || !JpegScanTables::ScansUseDefinedTables(data, size)) {
        return std::nullopt;
    }
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(size), &width, &height, &channels, 4);
    if (pixels == nullptr) {
        return std::nullopt;
    }
    const bool alpha = channels == 2 || channels == 4;
    ImageData image;
    image.format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    ImageLevel level;
    level.width = static_cast<UINT>(width);
    level.height = static_cast<UINT>(height);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    level.bytes.resize(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        // stb gives R, G, B, A; Direct3D's A8R8G8B8 sits in memory as B, G, R, A.
        level.bytes[i * 4 + 0] = pixels[i * 4 + 2];
        level.bytes[i * 4 + 1] = pixels[i * 4 + 1];
        level.bytes[i * 4 + 2] = pixels[i * 4 + 0];
        level.bytes[i * 4 + 3] = alpha ? pixels[i * 4 + 3] : 0xFF;
    }
    stbi_image_free(pixels);
    image.faces.resize(1);
    image.faces[0].push_back(std::move(level));
    return image;
}

} // namespace

namespace ImageDecoder {

std::optional<ImageData> Decode(const std::uint8_t* data, std::size_t size) {
    if (DdsReader::HasSignature(data, size)) {
        return DdsReader::Read(data, size);
    }
    return DecodeWithStb(data, size);
}

} // namespace ImageDecoder
