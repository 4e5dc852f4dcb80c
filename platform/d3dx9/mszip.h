#pragma once
// MSZIP, the compression of "tzip" and "bzip" .x files: after the file header a DWORD with
// the inflated size (header included), then blocks of [WORD inflated size][WORD packed
// size]["CK" + raw deflate data], each block's deflate stream seeing the previous block's
// output as its dictionary.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace Mszip {

// `data` starts at the size DWORD. Returns the inflated body (without the 16-byte header);
// empty on any inconsistency.
std::optional<std::vector<std::uint8_t>> Inflate(const std::uint8_t* data, std::size_t size);

} // namespace Mszip
