#pragma once
// What the RAR 2.0 packer writes between table reads: one token per literal, match or audio
// byte, its symbols named by their place in the block's flat code-length list (the order
// the table block sends them in), and the LZ state that gives repeat symbols their meaning.

#include <array>
#include <cstdint>

#include "rar/rar20_tables.h"

namespace Rar20 {

// Flat places in an LZ table set: main symbols, then distances, then repeat lengths.
constexpr int kDistanceSlotBase = kMainSymbols;
constexpr int kRepeatSlotBase = kMainSymbols + kDistanceSymbols;
constexpr std::uint16_t kNoSlot = 0x7FF;

constexpr std::uint32_t kMaxDistance = kWindowSize - 1;
constexpr std::uint32_t kMaxLengthCode = 255; // the largest length base plus its extra bits

// Eight bytes: a member can have as many tokens as bytes. Packed by hand rather than as
// bit-fields, so that a token is built in registers and stored whole.
class Token {
  public:
    constexpr Token(std::uint32_t slot, std::uint32_t secondSlot, std::uint32_t headBits,
                    std::uint32_t tailBits, std::uint32_t headExtra, std::uint32_t tailExtra,
                    std::uint32_t length)
        : symbols_(slot | secondSlot << 11 | headBits << 22 | tailBits << 26),
          extras_(headExtra | tailExtra << 6 | length << 22) {}

    // The main symbol, or channel * 257 + symbol in an audio block.
    std::uint32_t Slot() const { return symbols_ & 0x7FF; }
    // The distance or repeat-length symbol, or kNoSlot.
    std::uint32_t SecondSlot() const { return symbols_ >> 11 & 0x7FF; }
    // Extra bits right after the first symbol (at most 6), and their value.
    std::uint32_t HeadBits() const { return symbols_ >> 22 & 0xF; }
    std::uint32_t HeadExtra() const { return extras_ & 0x3F; }
    // Extra bits after the second symbol (at most 16), and their value.
    std::uint32_t TailBits() const { return symbols_ >> 26 & 0x1F; }
    std::uint32_t TailExtra() const { return extras_ >> 6 & 0xFFFF; }
    // The bytes the token produces (at most 260).
    std::uint32_t Length() const { return extras_ >> 22; }

  private:
    std::uint32_t symbols_; // slot: 11, second slot: 11, head bits: 4, tail bits: 5
    std::uint32_t extras_;  // head extra: 6, tail extra: 16, length: 10
};
static_assert(sizeof(Token) == 8);

constexpr std::uint32_t FullBonus(std::uint32_t distance) {
    return (distance >= 0x2000) + (distance >= 0x40000);
}
constexpr std::uint32_t RepeatBonus(std::uint32_t distance) {
    return (distance >= 0x101) + (distance >= 0x2000) + (distance >= 0x40000);
}

constexpr std::array<std::uint8_t, kMaxLengthCode + 1> kLengthSlotOf = [] {
    std::array<std::uint8_t, kMaxLengthCode + 1> slots{};
    int slot = 0;
    for (std::uint32_t v = 0; v <= kMaxLengthCode; ++v) {
        while (slot + 1 < 28 && kLengthBase[slot + 1] <= v) {
            ++slot;
        }
        slots[v] = static_cast<std::uint8_t>(slot);
    }
    return slots;
}();

// The distance symbol for distance - 1.
constexpr int DistanceSlot(std::uint32_t v) {
    if (v < 4) {
        return static_cast<int>(v);
    }
    if (v >= 0x40000) {
        return 36 + static_cast<int>((v - 0x40000) >> 16);
    }
    const int high = 31 - __builtin_clz(v);
    return 2 * high + static_cast<int>((v >> (high - 1)) & 1);
}

// The short-match symbol offset (0..7) for each distance of 1 to 256.
constexpr std::array<std::uint8_t, 257> kShortSlotOf = [] {
    std::array<std::uint8_t, 257> slots{};
    for (std::uint32_t distance = 1; distance <= 256; ++distance) {
        int slot = 7;
        while (kShortBase[slot] + 1u > distance) {
            --slot;
        }
        slots[distance] = static_cast<std::uint8_t>(slot);
    }
    return slots;
}();

constexpr int ShortSlot(std::uint32_t distance) {
    return kShortSlotOf[distance];
}

constexpr Token LiteralToken(std::uint8_t byte) {
    return {byte, kNoSlot, 0, 0, 0, 0, 1};
}

// Lengths 3 + bonus to 258 + bonus, distances 1 to kMaxDistance.
constexpr Token FullToken(std::uint32_t length, std::uint32_t distance) {
    const std::uint32_t v = length - 3 - FullBonus(distance);
    const int li = kLengthSlotOf[v];
    const int di = DistanceSlot(distance - 1);
    return {static_cast<std::uint16_t>(kSymbolFirstLength + li),
            static_cast<std::uint16_t>(kDistanceSlotBase + di),
            kLengthBits[li],
            kDistanceBits[di],
            static_cast<std::uint16_t>(v - kLengthBase[li]),
            static_cast<std::uint16_t>(distance - 1 - kDistanceBase[di]),
            static_cast<std::uint16_t>(length)};
}

// Repeats the distance `age` copies back (0 = the last); lengths 2 + bonus to 257 + bonus.
constexpr Token RepeatToken(int age, std::uint32_t length, std::uint32_t distance) {
    const std::uint32_t v = length - 2 - RepeatBonus(distance);
    const int li = kLengthSlotOf[v];
    return {static_cast<std::uint16_t>(kSymbolFirstRepeat + age),
            static_cast<std::uint16_t>(kRepeatSlotBase + li),
            0,
            kLengthBits[li],
            0,
            static_cast<std::uint16_t>(v - kLengthBase[li]),
            static_cast<std::uint16_t>(length)};
}

constexpr Token RepeatLastToken(std::uint32_t lastLength) {
    return {static_cast<std::uint16_t>(kSymbolRepeatLast), kNoSlot, 0, 0, 0, 0,
            static_cast<std::uint16_t>(lastLength)};
}

constexpr Token ShortToken(std::uint32_t distance) {
    const int slot = ShortSlot(distance);
    return {static_cast<std::uint16_t>(kSymbolFirstShort + slot),
            kNoSlot,
            kShortBits[slot],
            0,
            static_cast<std::uint16_t>(distance - 1 - kShortBase[slot]),
            0,
            2};
}

constexpr Token AudioToken(int channel, int delta) {
    return {static_cast<std::uint16_t>(channel * kAudioSymbols + delta), kNoSlot, 0, 0, 0, 0, 1};
}

// The decoder's four previous distances (most recent first) and its last match. Every
// copy, whatever symbol coded it, pushes its distance.
struct LzState {
    std::uint32_t distances[4] = {};
    std::uint32_t lastLength = 0;

    void Push(std::uint32_t length, std::uint32_t distance) {
        distances[3] = distances[2];
        distances[2] = distances[1];
        distances[1] = distances[0];
        distances[0] = distance;
        lastLength = length;
    }
    std::uint32_t LastDistance() const { return distances[0]; }
};

} // namespace Rar20
