#pragma once
// Turns bytes into RAR 2.0 LZ tokens: a greedy or lazy parse for the fast levels, and a
// price-driven shortest-path parse for the high ones, which weighs every literal, match
// length and repeat by the bits the block's Huffman tables would spend on it.

#include <array>
#include <cstdint>
#include <vector>

#include "rar/rar20_match_finder.h"
#include "rar/rar20_table_set.h"
#include "rar/rar20_tokens.h"

// Bit prices of the LZ symbols under one table set.
struct Rar20LzPrices {
    std::array<std::uint16_t, Rar20::kLzTableSize> bits{};
    std::array<std::uint16_t, Rar20::kMaxLengthCode + 1> fullLength{};   // length symbol + extra bits
    std::array<std::uint16_t, Rar20::kMaxLengthCode + 1> repeatLength{}; // repeat-length symbol + extra

    // Prices of the set's codes; symbols it does not code get a price a little above its
    // longest code. Without a set: a plain guess for a first parse.
    static Rar20LzPrices For(const Rar20TableSet* tables);

    std::uint32_t Literal(std::uint8_t byte) const { return bits[byte]; }
    std::uint32_t Full(std::uint32_t length, std::uint32_t distance) const {
        const int di = Rar20::DistanceSlot(distance - 1);
        return fullLength[length - 3 - Rar20::FullBonus(distance)] + bits[Rar20::kDistanceSlotBase + di] +
               Rar20::kDistanceBits[di];
    }
    std::uint32_t Repeat(int age, std::uint32_t length, std::uint32_t distance) const {
        return bits[Rar20::kSymbolFirstRepeat + age] +
               repeatLength[length - 2 - Rar20::RepeatBonus(distance)];
    }
    std::uint32_t Last() const { return bits[Rar20::kSymbolRepeatLast]; }
    std::uint32_t Short(std::uint32_t distance) const {
        const int slot = Rar20::ShortSlot(distance);
        return bits[Rar20::kSymbolFirstShort + slot] + Rar20::kShortBits[slot];
    }
};

struct Rar20ParseSettings {
    bool optimal = false;        // shortest path by price; otherwise greedy or lazy
    int depth = 16;              // chain places visited per position
    std::uint32_t nice = 128;    // a match this long is taken at once
    std::uint32_t lazyBelow = 0; // look one byte ahead before taking a shorter match (0: never)
    std::uint32_t good = 258;    // the look ahead from a match this long walks a quarter of the chain
};

// Prices in force from a position on, for parses that span blocks with their own tables.
struct Rar20PriceSpan {
    std::uint32_t from; // history position
    const Rar20LzPrices* prices;
};

// The matches found at the places of one stretch, kept from one shortest-path parse of it
// to the next: what the matcher finds at a place depends on the bytes before it and the
// settings, not on how the parse went, so a re-parse with the same settings asks it once.
class Rar20MatchCache {
  public:
    void Reset(std::uint32_t begin, std::uint32_t end);
    bool Covers(std::uint32_t pos) const { return pos - begin_ < first_.size(); }
    bool Has(std::uint32_t pos) const { return first_[pos - begin_] != kUnknown; }
    // Copies the matches kept for `pos` to `out`; returns their count.
    int Get(std::uint32_t pos, Rar20MatchFinder::Match* out) const;
    void Put(std::uint32_t pos, const Rar20MatchFinder::Match* matches, int count);

  private:
    static constexpr std::uint32_t kUnknown = 0xFFFFFFFF;
    // A match in 32 bits: the distance (below 2^20) and the length (at most 260) above it.
    static constexpr int kDistanceBits = 20;
    std::uint32_t begin_ = 0;
    std::vector<std::uint32_t> first_; // per place: index of its first match, or kUnknown
    std::vector<std::uint8_t> count_;
    std::vector<std::uint32_t> matches_;
};

class Rar20LzParser {
  public:
    // Parses history[begin, end) of `finder` (everything before `begin` is history the
    // decoder has) into `tokens`, advancing `state` as the decoder will. Every position of
    // the range is inserted into the finder. `spans` is sorted by position, the first at
    // or before `begin`. A shortest-path parse takes the matches `cache` holds for the
    // stretch and keeps there those it finds (the cache must have been filled with the
    // same settings).
    void Parse(Rar20MatchFinder& finder, std::uint32_t begin, std::uint32_t end,
               const Rar20ParseSettings& settings, const std::vector<Rar20PriceSpan>& spans,
               Rar20::LzState& state, std::vector<Rar20::Token>& tokens, Rar20MatchCache* cache = nullptr);
};
