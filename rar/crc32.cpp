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

// Slicing by eight: kSlices[k][b] is the CRC of byte b followed by k zero bytes, so eight
// input bytes fold into the CRC with eight independent lookups instead of a chain of eight.
constexpr std::array<std::array<std::uint32_t, 256>, 8> MakeSlices() {
    std::array<std::array<std::uint32_t, 256>, 8> slices{};
    slices[0] = MakeTable();
    for (int k = 1; k < 8; ++k) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t c = slices[k - 1][i];
            slices[k][i] = slices[0][c & 0xFF] ^ (c >> 8);
        }
    }
    return slices;
}

constexpr std::array<std::array<std::uint32_t, 256>, 8> kSlices = MakeSlices();
constexpr const std::array<std::uint32_t, 256>& kTable = kSlices[0];

} // namespace

namespace Crc32 {

std::uint32_t Update(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    crc = ~crc;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        // Bytes assembled explicitly: the result does not depend on the host's byte order.
        const std::uint32_t low = crc ^ (std::uint32_t{p[i]} | std::uint32_t{p[i + 1]} << 8 |
                                         std::uint32_t{p[i + 2]} << 16 | std::uint32_t{p[i + 3]} << 24);
        crc = kSlices[7][low & 0xFF] ^ kSlices[6][(low >> 8) & 0xFF] ^ kSlices[5][(low >> 16) & 0xFF] ^
              kSlices[4][low >> 24] ^ kSlices[3][p[i + 4]] ^ kSlices[2][p[i + 5]] ^ kSlices[1][p[i + 6]] ^
              kSlices[0][p[i + 7]];
    }
    for (; i < size; ++i) {
        crc = kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

} // namespace Crc32
