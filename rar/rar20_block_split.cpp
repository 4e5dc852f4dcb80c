#include "rar/rar20_block_split.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "rar/rar20_table_set.h"

using namespace Rar20;

namespace {

class Splitter {
  public:
    Splitter(std::span<const Token> tokens, const Rar20SplitSettings& settings) : settings_(settings) {
        const std::size_t n = tokens.size();
        std::size_t pieces =
            std::min(settings.pieces, std::max<std::size_t>(1, n / Rar20SplitSettings::kMinPiece));
        pieces = std::max<std::size_t>(pieces, 1);
        size_ = settings.audio ? kAudioSymbols * settings.channels : kLzTableSize;
        bounds_.resize(pieces + 1);
        for (std::size_t i = 0; i <= pieces; ++i) {
            bounds_[i] = n * i / pieces;
        }
        prefix_.assign((pieces + 1) * size_, 0);
        for (std::size_t i = 0; i < pieces; ++i) {
            std::copy_n(prefix_.begin() + i * size_, size_, prefix_.begin() + (i + 1) * size_);
            Rar20CountSymbols(tokens.subspan(bounds_[i], bounds_[i + 1] - bounds_[i]),
                              std::span(prefix_).subspan((i + 1) * size_, size_));
        }
    }

    std::vector<std::size_t> Run() {
        std::vector<std::size_t> starts;
        Split(0, bounds_.size() - 1, Cost(0, bounds_.size() - 1), starts);
        return starts;
    }

  private:
    // About the bits of pieces [a, b) under their own tables, table block included: the
    // entropy of each code's symbols, which a Huffman code comes within a bit per symbol of.
    double Cost(std::size_t a, std::size_t b) const {
        double bits = 0;
        std::size_t used = 0, runsOfUnused = 0;
        const auto code = [&](std::size_t first, std::size_t count) {
            std::uint64_t total = 0;
            for (std::size_t s = first; s < first + count; ++s) {
                total += Count(a, b, s);
            }
            bool previousUsed = true;
            for (std::size_t s = first; s < first + count; ++s) {
                const std::uint32_t f = Count(a, b, s);
                if (f != 0) {
                    bits += f * std::log2(static_cast<double>(total) / f);
                    ++used;
                } else if (previousUsed) {
                    ++runsOfUnused;
                }
                previousUsed = f != 0;
            }
        };
        if (settings_.audio) {
            for (int c = 0; c < settings_.channels; ++c) {
                code(static_cast<std::size_t>(c) * kAudioSymbols, kAudioSymbols);
            }
        } else {
            code(0, kMainSymbols);
            code(kDistanceSlotBase, kDistanceSymbols);
            code(kRepeatSlotBase, kRepeatSymbols);
        }
        // The table block: its fixed part, about four bits per code length and six per run
        // of unused symbols.
        return bits + (2 + 2 + 4 * kBitLengthSymbols) + 4.0 * used + 6.0 * runsOfUnused;
    }

    std::uint32_t Count(std::size_t a, std::size_t b, std::size_t symbol) const {
        return prefix_[b * size_ + symbol] - prefix_[a * size_ + symbol];
    }

    void Split(std::size_t a, std::size_t b, double whole, std::vector<std::size_t>& starts) const {
        std::size_t bestAt = 0;
        double best = whole, bestLeft = 0, bestRight = 0;
        for (std::size_t c = a + 1; c < b; ++c) {
            const double left = Cost(a, c), right = Cost(c, b);
            if (left + right < best) {
                best = left + right;
                bestAt = c;
                bestLeft = left;
                bestRight = right;
            }
        }
        if (bestAt == 0) {
            return;
        }
        Split(a, bestAt, bestLeft, starts);
        starts.push_back(bounds_[bestAt]);
        Split(bestAt, b, bestRight, starts);
    }

    const Rar20SplitSettings& settings_;
    std::size_t size_ = 0;
    std::vector<std::size_t> bounds_;
    std::vector<std::uint32_t> prefix_;
};

} // namespace

std::vector<std::size_t> Rar20SplitBlocks(std::span<const Token> tokens, const Rar20SplitSettings& settings) {
    if (settings.pieces <= 1 || tokens.size() < 2 * Rar20SplitSettings::kMinPiece) {
        return {};
    }
    return Splitter(tokens, settings).Run();
}
