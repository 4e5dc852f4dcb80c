#pragma once
// RAR 2.0 compression: greedy LZ77 over the 1 MiB window with hash chains, Huffman tables
// per member. In a solid stream each member continues the window, distances and tables of
// the compressed member before it, which is what the decoder expects of flag 0x0010.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace Rar20Encoder {

struct EncodedMember {
    // Empty when storing the member is smaller; a stored member takes no part in the stream.
    std::optional<std::vector<std::uint8_t>> packed;
    // True when the packed stream continues the previous compressed member's state.
    bool continuesSolid = false;
};

// Compresses the members in order. With `solid` they form one stream; otherwise each one
// stands alone.
std::vector<EncodedMember> Encode(const std::vector<std::span<const std::uint8_t>>& members, bool solid);

} // namespace Rar20Encoder
