#pragma once
// RAR 2.0 compression of a list of members, as one solid stream or each on its own: LZ77
// over the 1 MiB window and audio blocks, Huffman tables per block. In a solid stream a
// member continues the window, distances, audio predictors and tables of the compressed
// member before it, which is what the decoder expects of flag 0x0010.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace Rar20Encoder {

constexpr int kFastestLevel = 1;
constexpr int kSmallestLevel = 5;
constexpr int kDefaultLevel = 3;

struct Settings {
    // 1 packs fastest, 5 smallest: greedy matching, then lazy, then a shortest-path parse
    // priced by the real Huffman codes, refined over more passes.
    int level = kDefaultLevel;
    // Try audio blocks on every member; otherwise only on members that look like sampled
    // sound. Either way a member keeps whichever coding is smaller.
    bool multimedia = false;
    // False: LZ blocks only, whatever the member. Audio blocks unpack several times slower
    // per byte, which matters for an archive read at every start.
    bool audioBlocks = true;
};

struct EncodedMember {
    // Empty when storing the member is smaller; a stored member takes no part in the stream.
    std::optional<std::vector<std::uint8_t>> packed;
    // True when the packed stream continues the previous compressed member's state.
    bool continuesSolid = false;
    // The kinds of blocks the packed stream holds.
    bool lzBlocks = false;
    bool audioBlocks = false;
};

// Compresses the members in order. With `solid` they form one stream; otherwise each one
// stands alone.
std::vector<EncodedMember> Encode(const std::vector<std::span<const std::uint8_t>>& members, bool solid,
                                  const Settings& settings = {});

} // namespace Rar20Encoder
