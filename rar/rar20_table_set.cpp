#include "rar/rar20_table_set.h"

#include <algorithm>
#include <vector>

#include "rar/rar20_huffman.h"

using namespace Rar20;

namespace {

constexpr int kRepeatPrevious = 16; // 3..6 copies of the length before, 2 extra bits
constexpr int kFewZeros = 17;       // 3..10 zeros, 3 extra bits
constexpr int kManyZeros = 18;      // 11..138 zeros, 7 extra bits
constexpr int kUnusedSymbolBits = 8;

struct LengthOp {
    std::uint8_t symbol;
    std::uint8_t extraBits;
    std::uint8_t extra;
};

// The cheapest run-length coding of `lengths` for the bit-length symbol costs.
std::vector<LengthOp> PlanLengthOps(std::span<const std::uint8_t> lengths, std::span<const std::uint8_t> base,
                                    const std::uint32_t (&cost)[kBitLengthSymbols]) {
    const int n = static_cast<int>(lengths.size());
    std::vector<std::uint32_t> best(n + 1, 0);
    std::vector<LengthOp> choice(n);
    std::vector<int> zeroRun(n + 1, 0), sameRun(n + 1, 0); // sameRun: run equal to lengths[i - 1]
    for (int i = n - 1; i >= 0; --i) {
        zeroRun[i] = lengths[i] == 0 ? zeroRun[i + 1] + 1 : 0;
        sameRun[i] = i > 0 && lengths[i] == lengths[i - 1] ? sameRun[i + 1] + 1 : 0;
    }
    auto consider = [&](int i, int count, LengthOp op, std::uint32_t bits) {
        const std::uint32_t total = bits + best[i + count];
        if (total < best[i]) {
            best[i] = total;
            choice[i] = op;
        }
    };
    for (int i = n - 1; i >= 0; --i) {
        const int symbol = (lengths[i] - base[i]) & 0xF;
        best[i] = cost[symbol] + best[i + 1];
        choice[i] = {static_cast<std::uint8_t>(symbol), 0, 0};
        for (int k = 3; k <= std::min(6, sameRun[i]); ++k) {
            consider(i, k, {kRepeatPrevious, 2, static_cast<std::uint8_t>(k - 3)}, cost[kRepeatPrevious] + 2);
        }
        const int zeros = zeroRun[i];
        for (int k = 3; k <= std::min(10, zeros); ++k) {
            consider(i, k, {kFewZeros, 3, static_cast<std::uint8_t>(k - 3)}, cost[kFewZeros] + 3);
        }
        // Long runs: all of it (up to 138), or all but a short tail.
        if (zeros >= 11) {
            const int longest = std::min(138, zeros);
            consider(i, longest, {kManyZeros, 7, static_cast<std::uint8_t>(longest - 11)},
                     cost[kManyZeros] + 7);
            for (int tail = 1; tail <= 10 && zeros - tail >= 11; ++tail) {
                const int k = std::min(138, zeros - tail);
                consider(i, k, {kManyZeros, 7, static_cast<std::uint8_t>(k - 11)}, cost[kManyZeros] + 7);
            }
        }
    }
    std::vector<LengthOp> ops;
    for (int i = 0; i < n;) {
        ops.push_back(choice[i]);
        const LengthOp& op = choice[i];
        i += op.symbol == kRepeatPrevious || op.symbol == kFewZeros ? op.extra + 3
             : op.symbol == kManyZeros                              ? op.extra + 11
                                                                    : 1;
    }
    return ops;
}

struct HeaderPlan {
    std::vector<LengthOp> ops;
    std::uint8_t bitLengths[kBitLengthSymbols] = {};
    std::size_t bits = 0;
};

HeaderPlan PlanHeader(std::span<const std::uint8_t> lengths, std::span<const std::uint8_t> base, bool audio) {
    HeaderPlan plan;
    std::uint32_t cost[kBitLengthSymbols];
    std::fill(std::begin(cost), std::end(cost), 4u);
    for (int round = 0; round < 3; ++round) {
        plan.ops = PlanLengthOps(lengths, base, cost);
        std::uint32_t frequencies[kBitLengthSymbols] = {};
        for (const LengthOp& op : plan.ops) {
            ++frequencies[op.symbol];
        }
        Rar20Huffman::CodeLengths(frequencies, plan.bitLengths);
        for (int s = 0; s < kBitLengthSymbols; ++s) {
            cost[s] = plan.bitLengths[s] != 0 ? plan.bitLengths[s] : kUnusedSymbolBits;
        }
    }
    plan.bits = 2 + (audio ? 2 : 0) + 4 * kBitLengthSymbols;
    for (const LengthOp& op : plan.ops) {
        plan.bits += plan.bitLengths[op.symbol] + op.extraBits;
    }
    return plan;
}

} // namespace

Rar20TableSet Rar20TableSet::ForFrequencies(bool audio, int channels,
                                            std::span<const std::uint32_t> frequencies) {
    Rar20TableSet set;
    set.audio = audio;
    set.channels = audio ? channels : 1;
    auto build = [&](int first, int count) {
        Rar20Huffman::CodeLengths(frequencies.subspan(first, count),
                                  std::span(set.lengths).subspan(first, count));
        Rar20Huffman::CanonicalCodes(std::span(set.lengths).subspan(first, count),
                                     std::span(set.codes).subspan(first, count));
    };
    if (audio) {
        for (int c = 0; c < channels; ++c) {
            build(c * kAudioSymbols, kAudioSymbols);
        }
    } else {
        build(0, kMainSymbols);
        build(kDistanceSlotBase, kDistanceSymbols);
        build(kRepeatSlotBase, kRepeatSymbols);
    }
    return set;
}

namespace {

struct HeaderChoice {
    HeaderPlan plan;
    bool keep = false;
};

HeaderChoice ChooseHeader(const Rar20TableSet& set, std::span<const std::uint8_t> kept) {
    const std::span<const std::uint8_t> mine(set.lengths.data(), static_cast<std::size_t>(set.Size()));
    static constexpr std::array<std::uint8_t, kMaxTableSize> kCleared{};
    HeaderChoice fresh{PlanHeader(mine, std::span(kCleared).first(mine.size()), set.audio), false};
    if (std::all_of(kept.begin(), kept.begin() + mine.size(), [](std::uint8_t l) { return l == 0; })) {
        return fresh;
    }
    HeaderChoice against{PlanHeader(mine, kept.first(mine.size()), set.audio), true};
    return against.plan.bits < fresh.plan.bits ? against : fresh;
}

} // namespace

std::size_t Rar20TableSet::HeaderBits(std::span<const std::uint8_t> kept) const {
    return ChooseHeader(*this, kept).plan.bits;
}

void Rar20TableSet::WriteHeader(Rar20BitWriter& out, std::span<std::uint8_t> kept) const {
    const HeaderChoice choice = ChooseHeader(*this, kept);
    out.Put(audio ? 1 : 0, 1);
    out.Put(choice.keep ? 1 : 0, 1);
    if (audio) {
        out.Put(static_cast<std::uint32_t>(channels - 1), 2);
    }
    for (std::uint8_t l : choice.plan.bitLengths) {
        out.Put(l, 4);
    }
    std::uint16_t bitCodes[kBitLengthSymbols];
    Rar20Huffman::CanonicalCodes(choice.plan.bitLengths, bitCodes);
    for (const LengthOp& op : choice.plan.ops) {
        out.Put(bitCodes[op.symbol], choice.plan.bitLengths[op.symbol]);
        out.Put(op.extra, op.extraBits);
    }
    // The decoder clears what it kept unless told to keep it, then keeps the new lengths.
    if (!choice.keep) {
        std::fill(kept.begin(), kept.end(), 0);
    }
    std::copy(lengths.begin(), lengths.begin() + Size(), kept.begin());
}

void Rar20CountSymbols(std::span<const Token> tokens, std::span<std::uint32_t> frequencies) {
    for (const Token& t : tokens) {
        ++frequencies[t.Slot()];
        if (t.SecondSlot() != kNoSlot) {
            ++frequencies[t.SecondSlot()];
        }
    }
}
