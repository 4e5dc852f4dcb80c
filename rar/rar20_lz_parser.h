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

class Rar20LzParser {
  public:
    // Parses history[begin, end) of `finder` (everything before `begin` is history the
    // decoder has) into `tokens`, advancing `state` as the decoder will. Every position of
    // the range is inserted into the finder. `spans` is sorted by position, the first at
    // or before `begin`.
    void Parse(Rar20MatchFinder& finder, std::uint32_t begin, std::uint32_t end,
               const Rar20ParseSettings& settings, const std::vector<Rar20PriceSpan>& spans,
               Rar20::LzState& state, std::vector<Rar20::Token>& tokens);
};
