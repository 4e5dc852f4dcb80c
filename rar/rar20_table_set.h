#pragma once
// One set of RAR 2.0 Huffman tables as a table block sends it: the LZ set (main, distance
// and repeat-length codes) or the audio set (one code per channel), its code lengths in the
// flat order of the block, and the block's header.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "rar/rar20_bit_writer.h"
#include "rar/rar20_tables.h"
#include "rar/rar20_tokens.h"

struct Rar20TableSet {
    bool audio = false;
    int channels = 1; // audio only
    std::array<std::uint8_t, Rar20::kMaxTableSize> lengths{};
    std::array<std::uint16_t, Rar20::kMaxTableSize> codes{};

    int Size() const { return audio ? Rar20::kAudioSymbols * channels : Rar20::kLzTableSize; }

    // Optimal codes for the symbol counts (in flat order, Size() of them).
    static Rar20TableSet ForFrequencies(bool audio, int channels, std::span<const std::uint32_t> frequencies);

    bool Codes(const Rar20::Token& t) const {
        return lengths[t.Slot()] != 0 && (t.SecondSlot() == Rar20::kNoSlot || lengths[t.SecondSlot()] != 0);
    }
    std::uint32_t Bits(const Rar20::Token& t) const {
        return lengths[t.Slot()] + (t.SecondSlot() == Rar20::kNoSlot ? 0 : lengths[t.SecondSlot()]) +
               t.HeadBits() + t.TailBits();
    }
    void Write(Rar20BitWriter& out, const Rar20::Token& t) const {
        out.Put(codes[t.Slot()], lengths[t.Slot()]);
        out.Put(t.HeadExtra(), t.HeadBits());
        if (t.SecondSlot() != Rar20::kNoSlot) {
            out.Put(codes[t.SecondSlot()], lengths[t.SecondSlot()]);
            out.Put(t.TailExtra(), t.TailBits());
        }
    }

    // The table block for this set: flags, the bit-length code and the run-length coded
    // lengths, coded against the lengths the decoder kept from its last table read when
    // that is shorter. HeaderBits counts it; WriteHeader writes it and updates `kept` as the
    // decoder will.
    std::size_t HeaderBits(std::span<const std::uint8_t> kept) const;
    void WriteHeader(Rar20BitWriter& out, std::span<std::uint8_t> kept) const;
};

// Symbol counts of tokens in a table set's flat order.
void Rar20CountSymbols(std::span<const Rar20::Token> tokens, std::span<std::uint32_t> frequencies);
