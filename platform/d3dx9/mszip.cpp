#include "platform/d3dx9/mszip.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace {

constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kBlockMax = 32768;
constexpr std::size_t kDictionaryMax = 32768;

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

} // namespace

namespace Mszip {

std::optional<std::vector<std::uint8_t>> Inflate(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return std::nullopt;
    }
    std::uint32_t total = 0;
    std::memcpy(&total, data, 4);
    if (total < kHeaderBytes) {
        return std::nullopt;
    }
    const std::size_t expected = total - kHeaderBytes;
    // Each block of at least six bytes inflates to at most 32 KiB: a larger claim is corrupt.
    if (expected / kBlockMax > size / 6 + 1) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    std::size_t pos = 4;
    std::vector<std::uint8_t> block(kBlockMax);
    while (out.size() < expected) {
        if (size - pos < 4) {
            return std::nullopt;
        }
        const std::size_t inflatedSize = U16(data + pos);
        const std::size_t packedSize = U16(data + pos + 2);
        pos += 4;
        if (packedSize < 2 || packedSize > size - pos || data[pos] != 'C' || data[pos + 1] != 'K' ||
            inflatedSize == 0 || inflatedSize > kBlockMax) {
            return std::nullopt;
        }
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
            return std::nullopt;
        }
        if (!out.empty()) {
            const std::size_t dict = std::min(out.size(), kDictionaryMax);
            inflateSetDictionary(&z, out.data() + out.size() - dict, static_cast<uInt>(dict));
        }
        z.next_in = const_cast<Bytef*>(data + pos + 2);
        z.avail_in = static_cast<uInt>(packedSize - 2);
        z.next_out = block.data();
        z.avail_out = static_cast<uInt>(block.size());
        const int rc = inflate(&z, Z_FINISH);
        const std::size_t produced = block.size() - z.avail_out;
        inflateEnd(&z);
        if (rc != Z_STREAM_END || produced != inflatedSize) {
            return std::nullopt;
        }
        out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(produced));
        pos += packedSize;
    }
    if (out.size() != expected) {
        return std::nullopt;
    }
    return out;
}

} // namespace Mszip
