#include "rar/crc32.h"

#include <array>

namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        }
        table[i] = c;
    }
    return table;
}

// Slicing by sixteen: kSlices[k][b] is the CRC of byte b followed by k zero bytes, so sixteen
// input bytes fold into the CRC with sixteen independent lookups instead of a chain of sixteen.
constexpr std::array<std::array<std::uint32_t, 256>, 16> MakeSlices() {
    std::array<std::array<std::uint32_t, 256>, 16> slices{};
    slices[0] = MakeTable();
    for (int k = 1; k < 16; ++k) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t c = slices[k - 1][i];
            slices[k][i] = slices[0][c & 0xFF] ^ (c >> 8);
        }
    }
    return slices;
}

constexpr std::array<std::array<std::uint32_t, 256>, 16> kSlices = MakeSlices();
constexpr const std::array<std::uint32_t, 256>& kTable = kSlices[0];

} // namespace

namespace Crc32 {

std::uint32_t Update(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    crc = ~crc;
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        // Bytes assembled explicitly: the result does not depend on the host's byte order.
        const std::uint32_t low = crc ^ (std::uint32_t{p[i]} | std::uint32_t{p[i + 1]} << 8 |
                                         std::uint32_t{p[i + 2]} << 16 | std::uint32_t{p[i + 3]} << 24);
        crc = kSlices[15][low & 0xFF] ^ kSlices[14][(low >> 8) & 0xFF] ^ kSlices[13][(low >> 16) & 0xFF] ^
              kSlices[12][low >> 24];
#pragma GCC unroll 12
        for (int k = 4; k < 16; ++k) {
            crc ^= kSlices[15 - k][p[i + k]];
        }
    }
    for (; i < size; ++i) {
        crc = kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

} // namespace Crc32
