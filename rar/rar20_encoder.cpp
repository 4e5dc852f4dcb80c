#include "rar/rar20_encoder.h"

#include <algorithm>
#include <array>
#include <memory>

#include "rar/rar20_audio_coder.h"
#include "rar/rar20_bit_writer.h"
#include "rar/rar20_block_split.h"
#include "rar/rar20_huffman.h"
#include "rar/rar20_lz_parser.h"
#include "rar/rar20_match_finder.h"
#include "rar/rar20_table_set.h"
#include "rar/rar20_tokens.h"

using namespace Rar20;

namespace {

struct LevelPlan {
    Rar20ParseSettings first;  // the parse every level starts with
    Rar20ParseSettings refine; // re-parses priced by the tables the parse before gave
    int refinePasses;
    std::size_t pieces; // how finely block boundaries are looked for
    int longKeyBits;    // the size of the matcher's table of far places
};

// Levels 1 to 5. The fast levels keep a table of far places small enough to stay in the
// cache: on the demo media that took 15 % off -m3's time for 0.02 % in size.
constexpr LevelPlan kLevelPlans[] = {
    {{.depth = 2, .nice = 16}, {}, 0, 1, 14},
    {{.depth = 4, .nice = 32}, {}, 0, 1, 14},
    {{.depth = 4, .nice = 32, .lazyBelow = 16, .good = 2}, {}, 0, 8, 14},
    {{.depth = 16, .nice = 64, .lazyBelow = 64, .good = 32},
     {.optimal = true, .depth = 32, .nice = 128},
     1,
     32,
     Rar20MatchFinder::kMostLongKeyBits},
    {{.depth = 32, .nice = 128, .lazyBelow = 128, .good = 64},
     {.optimal = true, .depth = 128, .nice = 258},
     3,
     128,
     Rar20MatchFinder::kMostLongKeyBits},
};
// Audio statistics shift with the sound: the high levels look for block bounds finely.
constexpr std::size_t kAudioPieces = 64;
// Members are weighed for LZ against audio blocks in stretches of this many bytes, a
// multiple of every channel count so that each stretch keeps the channels in step.
constexpr std::size_t kGranule = 1020;
// About what the table-switch symbol costs.
constexpr std::uint64_t kSwitchSymbolBits = 12;

// Tokens of one kind: LZ, or audio with one channel count.
struct Segment {
    bool audio = false;
    int channels = 1;
    std::vector<Token> tokens;
    std::vector<std::size_t> blockStarts; // first token of each block after the first
};

// What the decoder will hold after the members written so far.
struct CoderState {
    LzState lz;
    Rar20AudioState audio;
    bool hasTables = false;
    Rar20TableSet tables;
    std::array<std::uint8_t, kMaxTableSize> kept{};
    // The symbol that makes the decoder read tables next, under `tables`.
    std::uint16_t switchSlot = kSymbolNewTables;
};

std::uint16_t SwitchSlotAfter(const Segment& segment, const Token& last) {
    if (!segment.audio) {
        return kSymbolNewTables;
    }
    const int channel = (last.Slot() / kAudioSymbols + 1) % segment.channels;
    return static_cast<std::uint16_t>(channel * kAudioSymbols + kSymbolRepeatLast);
}

class StreamEncoder {
  public:
    // `largest` is the size of the largest member: the working storage is made that large
    // once, instead of growing (and faulting in fresh pages) member after member.
    StreamEncoder(bool solid, const Rar20Encoder::Settings& settings, std::size_t largest, std::size_t total)
        : solid_(solid), settings_(settings), largest_(largest),
          plan_(kLevelPlans[std::clamp(settings.level, Rar20Encoder::kFastestLevel,
                                       Rar20Encoder::kSmallestLevel) -
                            1]),
          finder_(std::make_unique<Rar20MatchFinder>(plan_.longKeyBits)) {
        finder_->Reserve(solid ? total : largest, largest);
    }

    Rar20Encoder::EncodedMember Add(std::span<const std::uint8_t> member, bool successorMayFollow) {
        if (!solid_) {
            finder_->Clear();
            state_ = CoderState{};
        }
        if (member.empty()) {
            return {};
        }
        const std::uint32_t begin = finder_->Append(member);
        const std::uint32_t end = begin + static_cast<std::uint32_t>(member.size());
        finder_->SaveHeads(memberHeads_);
        const CoderState before = state_;
        const bool continues = state_.hasTables;

        // Codings of the member, weighed by their size in bits before only the smallest is
        // written. Each holds the coder state its encoding leaves, tables aside.
        struct Coding {
            std::vector<const Segment*> parts;
            CoderState encoded;
            bool hasLz, hasAudio;
            std::uint64_t bits;
        };
        const Rar20SoundGuess guess = Rar20GuessSound(member);
        const bool tryAudio = settings_.audioBlocks && (settings_.multimedia || guess.looksLikeSound);
        auto size = [&](const std::vector<const Segment*>& parts, const CoderState& encoded) {
            if (!tryAudio) {
                return std::uint64_t{0}; // the only coding: no need to weigh it
            }
            CoderState after = encoded;
            Rar20BitWriter counter(Rar20BitWriter::Mode::CountOnly);
            CodeMember(parts, after, successorMayFollow, counter);
            return counter.BitCount();
        };

        Coding best{{&lz_}, before, true, false, 0};
        EncodeLz(begin, end, best.encoded, memberHeads_, nullptr, lz_);
        best.bits = size(best.parts, best.encoded);
        auto consider = [&](Coding coding) {
            if (coding.bits < best.bits) {
                best = std::move(coding);
            }
        };

        if (tryAudio) {
            // Every channel count at the high levels; the guess's at the others.
            const bool allCounts = settings_.level >= 4;
            std::uint64_t audioBits = UINT64_MAX;
            for (int channels = allCounts ? 1 : guess.channels; channels <= (allCounts ? 4 : guess.channels);
                 ++channels) {
                CoderState audioState = before;
                EncodeAudio(member, channels, audioState, audioTrial_);
                const std::uint64_t bits = size({&audioTrial_}, audioState);
                if (bits < audioBits) {
                    // The smallest audio coding so far is kept in audio_.
                    audioBits = bits;
                    std::swap(audio_, audioTrial_);
                    consider({{&audio_}, audioState, false, true, bits});
                }
            }
            // Stretches where LZ wins (silence, a file header) in LZ blocks, the rest in audio.
            const std::vector<Run> runs = PlanRuns(member.size());
            if (runs.size() > 1) {
                CoderState mixState = before;
                finder_->RestoreHeads(memberHeads_);
                mixed_.resize(runs.size());
                std::vector<const Segment*> parts;
                for (std::size_t r = 0; r < runs.size(); ++r) {
                    const Run& run = runs[r];
                    if (run.audio) {
                        EncodeAudio(member.subspan(run.begin, run.end - run.begin), audio_.channels, mixState,
                                    mixed_[r]);
                        for (std::uint32_t p = begin + run.begin; p < begin + run.end; ++p) {
                            finder_->Insert(p);
                        }
                    } else {
                        finder_->SaveHeads(runHeads_);
                        EncodeLz(begin + run.begin, begin + run.end, mixState, runHeads_, &lzPrices_,
                                 mixed_[r]);
                    }
                    parts.push_back(&mixed_[r]);
                }
                const std::uint64_t bits = size(parts, mixState);
                consider({std::move(parts), mixState, true, true, bits});
            }
        }

        if (tryAudio && (best.bits + 7) / 8 >= member.size()) {
            return Store(before, begin);
        }
        state_ = best.encoded;
        Rar20BitWriter out;
        out.Reserve(tryAudio ? (best.bits + 7) / 8 : member.size() / 2);
        CodeMember(best.parts, state_, successorMayFollow, out);
        std::vector<std::uint8_t> bytes = out.Finish();
        if (bytes.size() >= member.size()) {
            return Store(before, begin);
        }
        return {std::move(bytes), continues, best.hasLz, best.hasAudio};
    }

  private:
    // Stored: the stream goes on as if the member were not there.
    Rar20Encoder::EncodedMember Store(const CoderState& before, std::uint32_t begin) {
        finder_->RestoreHeads(memberHeads_);
        finder_->Truncate(begin);
        state_ = before;
        return {};
    }

    // A stretch of a member, in bytes from its start, for LZ or audio blocks.
    struct Run {
        bool audio;
        std::size_t begin, end;
    };

    // Bits every granule of the member costs in a segment that covers it all, each token
    // priced by its block's tables and counted where it starts. Adds the table blocks'
    // mean size to `headerBits`.
    static std::vector<std::uint64_t> GranuleBits(const Segment& segment, std::size_t granules,
                                                  std::uint64_t& headerBits) {
        std::vector<std::uint64_t> bits(granules, 0);
        const std::vector<std::size_t> bounds = BlockBounds(segment);
        static constexpr std::array<std::uint8_t, kMaxTableSize> kCleared{};
        std::uint64_t headers = 0;
        std::size_t pos = 0;
        for (std::size_t b = 0; b + 1 < bounds.size(); ++b) {
            const std::span<const Token> tokens(segment.tokens.data() + bounds[b], bounds[b + 1] - bounds[b]);
            std::vector<std::uint32_t> frequencies(kMaxTableSize, 0);
            Rar20CountSymbols(tokens, frequencies);
            const int size = segment.audio ? kAudioSymbols * segment.channels : kLzTableSize;
            const Rar20TableSet tables = Rar20TableSet::ForFrequencies(segment.audio, segment.channels,
                                                                       std::span(frequencies).first(size));
            headers += tables.HeaderBits(kCleared);
            for (const Token& t : tokens) {
                bits[std::min(pos / kGranule, granules - 1)] += tables.Bits(t);
                pos += t.Length();
            }
        }
        headerBits = headers / (bounds.size() - 1);
        return bits;
    }

    // The cheapest way through the member's granules in LZ or audio blocks, a switch costing
    // a table block; from the LZ and audio trials just made.
    std::vector<Run> PlanRuns(std::size_t size) {
        const std::size_t granules = (size + kGranule - 1) / kGranule;
        if (granules < 2) {
            return {};
        }
        std::uint64_t header[2] = {};
        const std::vector<std::uint64_t> bits[2] = {GranuleBits(lz_, granules, header[0]),
                                                    GranuleBits(audio_, granules, header[1])};
        // cost[m]: the cheapest coding of the granules so far ending in mode m (0 LZ, 1 audio).
        std::vector<std::array<bool, 2>> cameFromOther(granules);
        std::uint64_t cost[2] = {header[0] + bits[0][0], header[1] + bits[1][0]};
        for (std::size_t g = 1; g < granules; ++g) {
            std::uint64_t next[2];
            for (int m = 0; m < 2; ++m) {
                const std::uint64_t stay = cost[m];
                const std::uint64_t change = cost[1 - m] + header[m] + kSwitchSymbolBits;
                cameFromOther[g][m] = change < stay;
                next[m] = std::min(stay, change) + bits[m][g];
            }
            cost[0] = next[0];
            cost[1] = next[1];
        }
        int mode = cost[1] < cost[0] ? 1 : 0;
        std::vector<Run> runs;
        std::size_t runEnd = size;
        for (std::size_t g = granules; g-- > 0;) {
            const bool switched = g > 0 && cameFromOther[g][mode];
            if (g == 0 || switched) {
                runs.push_back({mode == 1, g * kGranule, runEnd});
                runEnd = g * kGranule;
                mode = 1 - mode;
            }
        }
        std::reverse(runs.begin(), runs.end());
        if (runs.size() > 1) {
            // The LZ runs start with prices from the LZ trial's tables.
            const std::vector<std::size_t> bounds = BlockBounds(lz_);
            std::vector<std::uint32_t> frequencies(kLzTableSize, 0);
            Rar20CountSymbols(std::span(lz_.tokens).first(bounds[1]), frequencies);
            const Rar20TableSet tables = Rar20TableSet::ForFrequencies(false, 1, frequencies);
            lzPrices_ = Rar20LzPrices::For(&tables);
        }
        return runs;
    }

    void EncodeLz(std::uint32_t begin, std::uint32_t end, CoderState& state,
                  const Rar20MatchFinder::Heads& headsAtBegin, const Rar20LzPrices* firstPrices,
                  Segment& segment) {
        const Rar20LzPrices startPrices =
            firstPrices != nullptr
                ? *firstPrices
                : Rar20LzPrices::For(state.hasTables && !state.tables.audio ? &state.tables : nullptr);
        const LzState lzAtBegin = state.lz;
        segment.audio = false;
        segment.channels = 1;
        segment.tokens.clear();
        segment.tokens.reserve(largest_);
        parser_.Parse(*finder_, begin, end, plan_.first, {{begin, &startPrices}}, state.lz, segment.tokens);
        Split(segment, plan_.pieces);
        if (plan_.refinePasses > 0) {
            matchCache_.Reset(begin, end);
        }
        for (int pass = 0; pass < plan_.refinePasses; ++pass) {
            // Each block's tables price the next parse of its stretch.
            const std::vector<std::size_t> starts = BlockBounds(segment);
            std::vector<Rar20LzPrices> prices;
            prices.reserve(starts.size());
            std::vector<Rar20PriceSpan> spans;
            std::uint32_t pos = begin;
            for (std::size_t b = 0; b + 1 < starts.size(); ++b) {
                const std::span<const Token> tokens(segment.tokens.data() + starts[b],
                                                    starts[b + 1] - starts[b]);
                std::vector<std::uint32_t> frequencies(kLzTableSize, 0);
                Rar20CountSymbols(tokens, frequencies);
                const Rar20TableSet tables = Rar20TableSet::ForFrequencies(false, 1, frequencies);
                prices.push_back(Rar20LzPrices::For(&tables));
                spans.push_back({pos, &prices.back()});
                for (const Token& t : tokens) {
                    pos += t.Length();
                }
            }
            finder_->RestoreHeads(headsAtBegin);
            state.lz = lzAtBegin;
            segment.tokens.clear();
            parser_.Parse(*finder_, begin, end, plan_.refine, spans, state.lz, segment.tokens, &matchCache_);
            Split(segment, plan_.pieces);
        }
    }

    void EncodeAudio(std::span<const std::uint8_t> bytes, int channels, CoderState& state,
                     Segment& segment) const {
        segment.audio = true;
        segment.channels = channels;
        segment.tokens.clear();
        segment.tokens.reserve(largest_);
        Rar20EncodeAudio(bytes, channels, state.audio, segment.tokens);
        Split(segment, plan_.refinePasses > 0 ? kAudioPieces : plan_.pieces);
    }

    static void Split(Segment& segment, std::size_t pieces) {
        Rar20SplitSettings split;
        split.audio = segment.audio;
        split.channels = segment.channels;
        split.pieces = pieces;
        segment.blockStarts = Rar20SplitBlocks(segment.tokens, split);
    }

    // 0, the block starts, the token count.
    static std::vector<std::size_t> BlockBounds(const Segment& segment) {
        std::vector<std::size_t> bounds{0};
        bounds.insert(bounds.end(), segment.blockStarts.begin(), segment.blockStarts.end());
        bounds.push_back(segment.tokens.size());
        return bounds;
    }

    // The member's bits: for every block a table switch and tables (unless the first block
    // codes best with the tables the decoder already holds), then its tokens. A counting
    // writer gets the same bits counted, the tokens' from their symbol counts.
    static void CodeMember(const std::vector<const Segment*>& segments, CoderState& state,
                           bool successorMayFollow, Rar20BitWriter& out) {
        struct BlockRef {
            const Segment* segment;
            std::span<const Token> tokens;
        };
        std::vector<BlockRef> blocks;
        for (const Segment* s : segments) {
            const std::vector<std::size_t> bounds = BlockBounds(*s);
            for (std::size_t b = 0; b + 1 < bounds.size(); ++b) {
                if (bounds[b + 1] > bounds[b]) {
                    blocks.push_back({s, std::span(s->tokens).subspan(bounds[b], bounds[b + 1] - bounds[b])});
                }
            }
        }
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            const Segment& segment = *blocks[b].segment;
            const std::span<const Token> tokens = blocks[b].tokens;
            const bool followed = b + 1 < blocks.size() || successorMayFollow;
            const std::uint16_t endSwitch = SwitchSlotAfter(segment, tokens.back());
            std::vector<std::uint32_t> frequencies(kMaxTableSize, 0);
            Rar20CountSymbols(tokens, frequencies);
            const std::uint64_t bareBits = [&] {
                std::uint64_t extra = 0;
                for (const Token& t : tokens) {
                    extra += t.HeadBits() + t.TailBits();
                }
                return extra;
            }();
            if (followed) {
                ++frequencies[endSwitch];
            }
            const Rar20TableSet fresh = Rar20TableSet::ForFrequencies(
                segment.audio, segment.channels,
                std::span(frequencies)
                    .first(segment.audio ? kAudioSymbols * segment.channels : kLzTableSize));
            const std::uint64_t freshBits =
                Rar20Huffman::CodedBits(std::span(frequencies).first(fresh.Size()),
                                        std::span(fresh.lengths).first(fresh.Size())) +
                bareBits;
            bool reuse = false;
            std::uint64_t oldBits = 0;
            if (b == 0 && state.hasTables && state.tables.audio == segment.audio &&
                state.tables.channels == segment.channels &&
                (!followed || state.tables.lengths[endSwitch] != 0) &&
                std::all_of(tokens.begin(), tokens.end(),
                            [&](const Token& t) { return state.tables.Codes(t); })) {
                for (const Token& t : tokens) {
                    oldBits += state.tables.Bits(t);
                }
                reuse = oldBits <=
                        freshBits + fresh.HeaderBits(state.kept) + state.tables.lengths[state.switchSlot];
            }
            if (!reuse) {
                if (state.hasTables) {
                    out.Put(state.tables.codes[state.switchSlot], state.tables.lengths[state.switchSlot]);
                }
                fresh.WriteHeader(out, state.kept);
                state.tables = fresh;
                state.hasTables = true;
            }
            if (out.Counting()) {
                // The end switch is counted with the block it starts.
                out.Count(reuse ? oldBits : freshBits - (followed ? fresh.lengths[endSwitch] : 0));
            } else {
                for (const Token& t : tokens) {
                    state.tables.Write(out, t);
                }
            }
            state.switchSlot = endSwitch;
        }
    }

    bool solid_;
    Rar20Encoder::Settings settings_;
    std::size_t largest_;
    const LevelPlan& plan_;
    std::unique_ptr<Rar20MatchFinder> finder_;
    Rar20LzParser parser_;
    Rar20MatchCache matchCache_;
    CoderState state_;
    // Working storage kept from member to member.
    Rar20MatchFinder::Heads memberHeads_, runHeads_;
    Segment lz_, audio_, audioTrial_;
    std::vector<Segment> mixed_;
    Rar20LzPrices lzPrices_;
};

} // namespace

namespace Rar20Encoder {

std::vector<EncodedMember> Encode(const std::vector<std::span<const std::uint8_t>>& members, bool solid,
                                  const Settings& settings) {
    std::size_t largest = 0;
    std::size_t total = 0;
    for (const std::span<const std::uint8_t>& m : members) {
        largest = std::max(largest, m.size());
        total += m.size();
    }
    StreamEncoder encoder(solid, settings, largest, total);
    std::vector<EncodedMember> result;
    result.reserve(members.size());
    for (std::size_t m = 0; m < members.size(); ++m) {
        result.push_back(encoder.Add(members[m], solid && m + 1 < members.size()));
    }
    return result;
}

} // namespace Rar20Encoder
