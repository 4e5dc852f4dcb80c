#include "rar/rar20_encoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <queue>

#include "rar/rar20_tables.h"

using namespace Rar20;

namespace {

constexpr std::uint32_t kMaxDistance = kWindowMask; // the window holds this many bytes back
constexpr int kHashBits = 16;
constexpr std::uint32_t kHashSize = 1u << kHashBits;
constexpr int kMaxChain = 32;
constexpr std::uint32_t kGoodEnough = 128;
constexpr std::uint32_t kMaxMatch = 255 + 2; // the longest a repeat with no bonus encodes
constexpr int kMaxCodeLength = 15;
constexpr std::int64_t kNone = -1;

struct Token {
    std::uint16_t main;
    std::uint8_t extraBits1;
    std::uint32_t extra1;
    std::int16_t second; // distance or repeat-length symbol; -1 none
    bool secondIsDistance;
    std::uint8_t extraBits2;
    std::uint32_t extra2;
};

int LengthIndex(std::uint32_t value) { // value 0..255
    int i = 27;
    while (kLengthBase[i] > value) {
        --i;
    }
    return i;
}

int DistanceIndex(std::uint32_t value) { // distance - 1
    int i = 47;
    while (kDistanceBase[i] > value) {
        --i;
    }
    return i;
}

std::uint32_t FullBonus(std::uint32_t d) {
    return (d >= 0x2000) + (d >= 0x40000);
}
std::uint32_t RepeatBonus(std::uint32_t d) {
    return (d >= 0x101) + (d >= 0x2000) + (d >= 0x40000);
}

// Mirrors the decoder's distance ring and last match so repeat symbols mean the same thing.
struct LzState {
    std::uint32_t ring[4] = {};
    unsigned ringIndex = 0;
    std::uint32_t lastLength = 0;
    std::uint32_t lastDistance = 0;
    void Push(std::uint32_t length, std::uint32_t distance) {
        ring[ringIndex++ & 3] = distance;
        lastLength = length;
        lastDistance = distance;
    }
};

class MatchFinder {
  public:
    MatchFinder() : head_(kHashSize, kNone), head2_(kHashSize, kNone), prev_(kWindowSize, kNone) {}

    void Reset() {
        std::fill(head_.begin(), head_.end(), kNone);
        std::fill(head2_.begin(), head2_.end(), kNone);
    }
    struct Snapshot {
        std::vector<std::int64_t> head, head2;
    };
    Snapshot Save() const { return {head_, head2_}; }
    void Restore(const Snapshot& s) {
        head_ = s.head;
        head2_ = s.head2;
    }

    void Insert(const std::vector<std::uint8_t>& h, std::int64_t pos) {
        if (pos + 1 < static_cast<std::int64_t>(h.size())) {
            head2_[Hash2(h, pos)] = pos;
        }
        if (pos + 2 < static_cast<std::int64_t>(h.size())) {
            const std::uint32_t k = Hash3(h, pos);
            prev_[pos & kWindowMask] = head_[k];
            head_[k] = pos;
        }
    }

    // Longest match of at least 3 bytes before `pos` within [floor, pos).
    void Longest(const std::vector<std::uint8_t>& h, std::int64_t pos, std::int64_t floor,
                 std::uint32_t maxLen, std::uint32_t& bestLen, std::uint32_t& bestDist) const {
        bestLen = 0;
        bestDist = 0;
        if (maxLen < 3 || pos + 2 >= static_cast<std::int64_t>(h.size())) {
            return;
        }
        std::int64_t cand = head_[Hash3(h, pos)];
        for (int chain = 0; chain < kMaxChain && cand >= floor && cand < pos; ++chain) {
            const std::uint32_t dist = static_cast<std::uint32_t>(pos - cand);
            if (dist > kMaxDistance) {
                break;
            }
            const std::uint32_t len = MatchLength(h, cand, pos, maxLen);
            if (len > bestLen && len >= 3 + FullBonus(dist)) {
                bestLen = len;
                bestDist = dist;
                if (len >= kGoodEnough || len == maxLen) {
                    break;
                }
            }
            const std::int64_t next = prev_[cand & kWindowMask];
            if (next >= cand) {
                break;
            }
            cand = next;
        }
    }

    std::int64_t LastPair(const std::vector<std::uint8_t>& h, std::int64_t pos) const {
        return head2_[Hash2(h, pos)];
    }

    static std::uint32_t MatchLength(const std::vector<std::uint8_t>& h, std::int64_t from, std::int64_t pos,
                                     std::uint32_t maxLen) {
        std::uint32_t len = 0;
        while (len < maxLen && h[from + len] == h[pos + len]) {
            ++len;
        }
        return len;
    }

  private:
    static std::uint32_t Hash3(const std::vector<std::uint8_t>& h, std::int64_t p) {
        const std::uint32_t v = (std::uint32_t{h[p]} << 16) | (std::uint32_t{h[p + 1]} << 8) | h[p + 2];
        return (v * 2654435761u) >> (32 - kHashBits);
    }
    static std::uint32_t Hash2(const std::vector<std::uint8_t>& h, std::int64_t p) {
        return (std::uint32_t{h[p]} << 8) | h[p + 1];
    }
    std::vector<std::int64_t> head_, head2_, prev_;
};

Token Literal(std::uint8_t b) {
    return {b, 0, 0, -1, false, 0, 0};
}

Token FullMatch(std::uint32_t len, std::uint32_t dist) {
    const std::uint32_t v = len - 3 - FullBonus(dist);
    const int li = LengthIndex(v);
    const int di = DistanceIndex(dist - 1);
    return {static_cast<std::uint16_t>(kSymbolFirstLength + li),
            kLengthBits[li],
            v - kLengthBase[li],
            static_cast<std::int16_t>(di),
            true,
            kDistanceBits[di],
            dist - 1 - kDistanceBase[di]};
}

Token RepeatMatch(int slot, std::uint32_t len, std::uint32_t dist) { // slot 1..4
    const std::uint32_t v = len - 2 - RepeatBonus(dist);
    const int li = LengthIndex(v);
    return {static_cast<std::uint16_t>(kSymbolRepeatLast + slot),
            0,
            0,
            static_cast<std::int16_t>(li),
            false,
            kLengthBits[li],
            v - kLengthBase[li]};
}

Token ShortMatch(std::uint32_t dist) { // length 2, dist 1..256
    int i = 7;
    while (kShortBase[i] + 1u > dist) {
        --i;
    }
    return {static_cast<std::uint16_t>(kSymbolFirstShort + i),
            kShortBits[i],
            dist - 1 - kShortBase[i],
            -1,
            false,
            0,
            0};
}

// Tokenises h[begin, end) with the history before `begin` available from `floor`.
std::vector<Token> Tokenize(const std::vector<std::uint8_t>& h, std::int64_t floor, std::int64_t begin,
                            std::int64_t end, MatchFinder& finder, LzState& lz) {
    std::vector<Token> tokens;
    std::int64_t pos = begin;
    while (pos < end) {
        const std::uint32_t avail = static_cast<std::uint32_t>(std::min<std::int64_t>(end - pos, kMaxMatch));
        std::uint32_t bestLen = 0, bestDist = 0;
        finder.Longest(h, pos, floor, avail, bestLen, bestDist);

        // Repeats of recent distances cost a few bits less than a full match.
        int repSlot = 0;
        std::uint32_t repLen = 0, repDist = 0;
        for (int slot = 1; slot <= 4; ++slot) {
            const std::uint32_t d = lz.ring[(lz.ringIndex - slot) & 3];
            if (d == 0 || d > pos - floor || d > kMaxDistance) {
                continue;
            }
            const std::uint32_t bonus = RepeatBonus(d);
            const std::uint32_t cap = std::min<std::uint32_t>(avail, 257 + bonus);
            const std::uint32_t len = MatchFinder::MatchLength(h, pos - d, pos, cap);
            if (len >= 2 + bonus && len > repLen) {
                repSlot = slot;
                repLen = len;
                repDist = d;
            }
        }

        std::uint32_t len = 0;
        if (repSlot != 0 && repLen + 1 >= bestLen) {
            len = repLen;
            if (len == lz.lastLength && repDist == lz.lastDistance) {
                tokens.push_back({static_cast<std::uint16_t>(kSymbolRepeatLast), 0, 0, -1, false, 0, 0});
            } else {
                tokens.push_back(RepeatMatch(repSlot, len, repDist));
            }
            lz.Push(len, repDist);
        } else if (bestLen >= 3) {
            len = bestLen;
            tokens.push_back(FullMatch(len, bestDist));
            lz.Push(len, bestDist);
        } else if (avail >= 2 && pos + 1 < static_cast<std::int64_t>(h.size())) {
            const std::int64_t pair = finder.LastPair(h, pos);
            if (pair >= floor && pair < pos && pos - pair <= 256) {
                len = 2;
                tokens.push_back(ShortMatch(static_cast<std::uint32_t>(pos - pair)));
                lz.Push(2, static_cast<std::uint32_t>(pos - pair));
            }
        }
        if (len == 0) {
            tokens.push_back(Literal(h[pos]));
            len = 1;
        }
        for (std::uint32_t i = 0; i < len; ++i) {
            finder.Insert(h, pos + i);
        }
        pos += len;
    }
    return tokens;
}

// Huffman code lengths of at most 15 bits; at least two symbols get a code when any does,
// so that every code is a complete prefix code.
std::vector<std::uint8_t> CodeLengths(std::vector<std::uint32_t> freq) {
    const int n = static_cast<int>(freq.size());
    std::vector<std::uint8_t> lengths(n, 0);
    int used =
        static_cast<int>(std::count_if(freq.begin(), freq.end(), [](std::uint32_t f) { return f > 0; }));
    if (used == 0) {
        return lengths;
    }
    if (used == 1) {
        freq[freq[0] == 0 ? 0 : 1] = 1;
    }
    for (;;) {
        struct Node {
            std::uint64_t weight;
            int index;
        };
        std::vector<int> parent;
        auto cmp = [](const Node& a, const Node& b) {
            return a.weight > b.weight || (a.weight == b.weight && a.index > b.index);
        };
        std::priority_queue<Node, std::vector<Node>, decltype(cmp)> queue(cmp);
        for (int s = 0; s < n; ++s) {
            if (freq[s] > 0) {
                queue.push({freq[s], static_cast<int>(parent.size())});
                parent.push_back(-1);
            }
        }
        while (queue.size() > 1) {
            const Node a = queue.top();
            queue.pop();
            const Node b = queue.top();
            queue.pop();
            const int id = static_cast<int>(parent.size());
            parent.push_back(-1);
            parent[a.index] = id;
            parent[b.index] = id;
            queue.push({a.weight + b.weight, id});
        }
        int leaf = 0, longest = 0;
        for (int s = 0; s < n; ++s) {
            if (freq[s] == 0) {
                continue;
            }
            int depth = 0;
            for (int p = leaf; parent[p] != -1; p = parent[p]) {
                ++depth;
            }
            lengths[s] = static_cast<std::uint8_t>(depth);
            longest = std::max(longest, depth);
            ++leaf;
        }
        if (longest <= kMaxCodeLength) {
            return lengths;
        }
        for (std::uint32_t& f : freq) {
            if (f > 0) {
                f = (f + 1) / 2;
            }
        }
    }
}

std::vector<std::uint32_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
    std::uint32_t count[16] = {};
    for (std::uint8_t l : lengths) {
        ++count[l];
    }
    count[0] = 0;
    std::uint32_t next[16] = {};
    std::uint32_t code = 0;
    for (int l = 1; l < 16; ++l) {
        code = (code + count[l - 1]) << 1;
        next[l] = code;
    }
    std::vector<std::uint32_t> codes(lengths.size(), 0);
    for (std::size_t s = 0; s < lengths.size(); ++s) {
        if (lengths[s] != 0) {
            codes[s] = next[lengths[s]]++;
        }
    }
    return codes;
}

class BitWriter {
  public:
    void Put(std::uint32_t value, unsigned bits) { // bits <= 24
        if (bits == 0) {
            return;
        }
        acc_ = (acc_ << bits) | (value & ((1u << bits) - 1));
        filled_ += bits;
        while (filled_ >= 8) {
            filled_ -= 8;
            out_.push_back(static_cast<std::uint8_t>(acc_ >> filled_));
        }
        acc_ &= (1u << filled_) - 1;
    }
    std::vector<std::uint8_t> Finish() {
        if (filled_ > 0) {
            out_.push_back(static_cast<std::uint8_t>(acc_ << (8 - filled_)));
            filled_ = 0;
            acc_ = 0;
        }
        return std::move(out_);
    }
    std::size_t BitCount() const { return out_.size() * 8 + filled_; }

  private:
    std::vector<std::uint8_t> out_;
    std::uint64_t acc_ = 0;
    unsigned filled_ = 0;
};

struct Tables {
    std::vector<std::uint8_t> main, distance, repeat; // code lengths
    std::vector<std::uint32_t> mainCodes, distanceCodes, repeatCodes;
};

Tables BuildTables(const std::vector<Token>& tokens, bool needsSwitch) {
    std::vector<std::uint32_t> mainFreq(kMainSymbols, 0), distFreq(kDistanceSymbols, 0),
        repFreq(kRepeatSymbols, 0);
    for (const Token& t : tokens) {
        ++mainFreq[t.main];
        if (t.second >= 0) {
            ++(t.secondIsDistance ? distFreq : repFreq)[t.second];
        }
    }
    if (needsSwitch) {
        ++mainFreq[kSymbolNewTables];
    }
    Tables tables;
    tables.main = CodeLengths(mainFreq);
    tables.distance = CodeLengths(distFreq);
    tables.repeat = CodeLengths(repFreq);
    tables.mainCodes = CanonicalCodes(tables.main);
    tables.distanceCodes = CanonicalCodes(tables.distance);
    tables.repeatCodes = CanonicalCodes(tables.repeat);
    return tables;
}

// The table block: not audio, previous lengths cleared, then the lengths run-length coded
// through the 19-symbol bit-length code.
void WriteTables(BitWriter& out, const Tables& tables) {
    std::vector<std::uint8_t> all;
    all.insert(all.end(), tables.main.begin(), tables.main.end());
    all.insert(all.end(), tables.distance.begin(), tables.distance.end());
    all.insert(all.end(), tables.repeat.begin(), tables.repeat.end());

    struct Op {
        int symbol;
        unsigned bits;
        std::uint32_t extra;
    };
    std::vector<Op> ops;
    for (std::size_t i = 0; i < all.size();) {
        std::size_t run = 1;
        while (i + run < all.size() && all[i + run] == all[i]) {
            ++run;
        }
        if (all[i] == 0) {
            std::size_t left = run;
            while (left >= 11) {
                const std::size_t n = std::min<std::size_t>(left, 138);
                ops.push_back({18, 7, static_cast<std::uint32_t>(n - 11)});
                left -= n;
            }
            while (left >= 3) {
                const std::size_t n = std::min<std::size_t>(left, 10);
                ops.push_back({17, 3, static_cast<std::uint32_t>(n - 3)});
                left -= n;
            }
            for (; left > 0; --left) {
                ops.push_back({0, 0, 0});
            }
        } else {
            ops.push_back({all[i], 0, 0});
            std::size_t left = run - 1;
            while (left >= 3) {
                const std::size_t n = std::min<std::size_t>(left, 6);
                ops.push_back({16, 2, static_cast<std::uint32_t>(n - 3)});
                left -= n;
            }
            for (; left > 0; --left) {
                ops.push_back({all[i], 0, 0});
            }
        }
        i += run;
    }
    std::vector<std::uint32_t> freq(kBitLengthSymbols, 0);
    for (const Op& op : ops) {
        ++freq[op.symbol];
    }
    const std::vector<std::uint8_t> bitLengths = CodeLengths(freq);
    const std::vector<std::uint32_t> bitCodes = CanonicalCodes(bitLengths);

    out.Put(0, 2);
    for (std::uint8_t l : bitLengths) {
        out.Put(l, 4);
    }
    for (const Op& op : ops) {
        out.Put(bitCodes[op.symbol], bitLengths[op.symbol]);
        if (op.bits > 0) {
            out.Put(op.extra, op.bits);
        }
    }
}

void WriteTokens(BitWriter& out, const std::vector<Token>& tokens, const Tables& t) {
    for (const Token& k : tokens) {
        out.Put(t.mainCodes[k.main], t.main[k.main]);
        if (k.extraBits1 > 0) {
            out.Put(k.extra1, k.extraBits1);
        }
        if (k.second >= 0) {
            if (k.secondIsDistance) {
                out.Put(t.distanceCodes[k.second], t.distance[k.second]);
            } else {
                out.Put(t.repeatCodes[k.second], t.repeat[k.second]);
            }
            if (k.extraBits2 > 0) {
                out.Put(k.extra2, k.extraBits2);
            }
        }
    }
}

std::size_t EstimateBits(const std::vector<Token>& tokens) {
    BitWriter w;
    const Tables t = BuildTables(tokens, false);
    WriteTables(w, t);
    WriteTokens(w, tokens, t);
    return w.BitCount();
}

} // namespace

namespace Rar20Encoder {

std::vector<EncodedMember> Encode(const std::vector<std::span<const std::uint8_t>>& members, bool solid) {
    std::vector<EncodedMember> result(members.size());
    std::vector<std::vector<Token>> tokens(members.size());
    std::vector<bool> compressed(members.size(), false);

    auto finder = std::make_unique<MatchFinder>();
    std::vector<std::uint8_t> history;
    LzState lz;
    for (std::size_t m = 0; m < members.size(); ++m) {
        if (!solid) {
            history.clear();
            finder->Reset();
            lz = LzState{};
        }
        const MatchFinder::Snapshot snapshot = finder->Save();
        const LzState lzBefore = lz;
        const std::int64_t begin = static_cast<std::int64_t>(history.size());
        history.insert(history.end(), members[m].begin(), members[m].end());
        const std::int64_t floor = 0;
        tokens[m] = Tokenize(history, floor, begin, static_cast<std::int64_t>(history.size()), *finder, lz);
        // Storing wins when compression does not save at least a few bytes; a stored member
        // leaves the stream untouched, so everything it added is rolled back.
        if ((EstimateBits(tokens[m]) + 7) / 8 + 8 >= members[m].size() && !members[m].empty()) {
            history.resize(static_cast<std::size_t>(begin));
            finder->Restore(snapshot);
            lz = lzBefore;
            tokens[m].clear();
            continue;
        }
        compressed[m] = true;
    }

    int previous = -1;
    for (std::size_t m = 0; m < members.size(); ++m) {
        if (!compressed[m]) {
            continue;
        }
        std::size_t successor = m + 1;
        while (successor < members.size() && !compressed[successor]) {
            ++successor;
        }
        const bool hasSuccessor = solid && successor < members.size();
        const bool continues = solid && previous >= 0;
        const Tables tables = BuildTables(tokens[m], hasSuccessor);
        BitWriter out;
        if (continues) {
            // The switch to this member's tables, coded with the previous member's table.
            const Tables before = BuildTables(tokens[previous], true);
            out.Put(before.mainCodes[kSymbolNewTables], before.main[kSymbolNewTables]);
        }
        WriteTables(out, tables);
        WriteTokens(out, tokens[m], tables);
        result[m].packed = out.Finish();
        result[m].continuesSolid = continues;
        previous = static_cast<int>(m);
    }
    return result;
}

} // namespace Rar20Encoder
