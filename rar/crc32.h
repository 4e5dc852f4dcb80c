#pragma once
// CRC-32 as zlib and PKZIP compute it (reflected polynomial 0xEDB88320), which RAR stores
// for member data and, in its low 16 bits, for block headers.

#include <cstddef>
#include <cstdint>

namespace Crc32 {

// Continues a running CRC; start with 0 and feed the pieces in order.
std::uint32_t Update(std::uint32_t crc, const void* data, std::size_t size);

inline std::uint32_t Compute(const void* data, std::size_t size) {
    return Update(0, data, size);
}

} // namespace Crc32
