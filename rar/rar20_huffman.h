#pragma once
// Huffman codes as the RAR 2.0 decoder builds them: at most 15 bits, canonical (shorter
// codes first, within one length in symbol order).

#include <cstddef>
#include <cstdint>
#include <span>

namespace Rar20Huffman {

constexpr int kMaxCodeLength = 15;

// The optimal code lengths of at most `maxLength` bits for the frequencies (0 = no code).
// A single used symbol gets length 1.
void CodeLengths(std::span<const std::uint32_t> frequencies, std::span<std::uint8_t> lengths,
                 int maxLength = kMaxCodeLength);

// The canonical code of each symbol, for writing its `lengths[s]` low bits, first bit highest.
void CanonicalCodes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes);

// Bits the frequencies cost with the lengths.
std::uint64_t CodedBits(std::span<const std::uint32_t> frequencies, std::span<const std::uint8_t> lengths);

} // namespace Rar20Huffman
