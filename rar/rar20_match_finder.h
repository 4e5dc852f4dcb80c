#pragma once
// Finds earlier occurrences in the packer's history: the bytes of the members already in
// the stream (at least the last window of them) followed by the member being packed.
// Hash chains over three-byte prefixes, and the last place of every byte pair for the
// length-2 matches at short distances.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

class Rar20MatchFinder {
  public:
    struct Match {
        std::uint32_t length;
        std::uint32_t distance;
    };
    // The chain heads, enough to take back the insertions of a member that is then stored.
    struct Heads {
        std::vector<std::uint32_t> triples, pairs;
        std::vector<std::uint64_t> longs;
    };

    // The long-key table holds 2^longKeyBits places (see kLongKey).
    explicit Rar20MatchFinder(int longKeyBits = kMostLongKeyBits);

    void Clear();
    // Makes room at once for the longest history appending these members can build, so
    // that the history is not moved to larger storage member after member.
    void Reserve(std::size_t totalBytes, std::size_t largestMember);
    // Appends the bytes; history further back than one window may be dropped first, which
    // moves every position. Returns the position of the first appended byte.
    std::uint32_t Append(std::span<const std::uint8_t> bytes);
    // Forgets the bytes from `size` on (a member taken back).
    void Truncate(std::uint32_t size) { size_ = size; }
    void SaveHeads(Heads& heads) const {
        heads.triples = head_;
        heads.longs = longPlaces_;
        heads.pairs = pairHead_;
    }
    void RestoreHeads(const Heads& heads);

    const std::uint8_t* Data() const { return data_.data(); }
    std::uint32_t Size() const { return size_; }

    void Insert(std::uint32_t pos);
    // Walks the chain at `pos`, then inserts `pos`. Writes to `out` (room for
    // kMaxMatches) every match longer than the ones before it, nearest first, of at most
    // `maxLength` bytes; visits at most `depth` earlier places and stops at a match of
    // `nice` bytes. Returns the count.
    static constexpr int kMaxMatches = 64;
    int Find(std::uint32_t pos, std::uint32_t maxLength, int depth, std::uint32_t nice, Match* out);
    // Distance back to the nearest earlier copy of the two bytes at `pos`, 0 when none;
    // asked before `pos` is inserted.
    std::uint32_t PairDistance(std::uint32_t pos) const;

    std::uint32_t MatchLength(std::uint32_t earlier, std::uint32_t pos, std::uint32_t maxLength) const {
        const std::uint8_t* a = data_.data() + earlier;
        const std::uint8_t* b = data_.data() + pos;
        std::uint32_t length = 0;
        while (length + 8 <= maxLength) {
            std::uint64_t x, y;
            std::memcpy(&x, a + length, 8);
            std::memcpy(&y, b + length, 8);
            if (x != y) {
                const std::uint64_t differ = x ^ y;
                const int firstBit = std::endian::native == std::endian::little ? __builtin_ctzll(differ)
                                                                                : __builtin_clzll(differ);
                return length + static_cast<std::uint32_t>(firstBit >> 3);
            }
            length += 8;
        }
        while (length < maxLength && a[length] == b[length]) {
            ++length;
        }
        return length;
    }

    static constexpr int kMostLongKeyBits = 16;

  private:
    static constexpr int kHashBits = 16;
    // Every kLongStep-th place is also kept under its next kLongKey bytes: a long repeat
    // further back than the chain walk reaches is found within kLongStep bytes.
    static constexpr std::uint32_t kLongKey = 24;
    static constexpr std::uint32_t kLongStep = 16;
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;
    // Zero bytes behind the history, so word-wide reads near its end stay inside.
    static constexpr std::size_t kPadding = 32;

    std::uint32_t Hash(std::uint32_t pos) const;
    std::uint32_t PairKey(std::uint32_t pos) const { return std::uint32_t{data_[pos]} << 8 | data_[pos + 1]; }

    std::vector<std::uint8_t> data_;
    std::uint32_t size_ = 0;
    // A long key's table index in the low bits, the rest to check a place before reading it.
    std::uint64_t LongKey(std::uint32_t pos) const;
    void KeepLong(std::uint64_t key, std::uint32_t pos) {
        longPlaces_[key & longMask_] = (key & ~0xFFFFFFFFull) | pos;
    }
    std::vector<std::uint32_t> head_, prev_, pairHead_;
    std::uint64_t longMask_;
    std::vector<std::uint64_t> longPlaces_; // check << 32 | place
};
