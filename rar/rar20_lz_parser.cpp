#include "rar/rar20_lz_parser.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace Rar20;

namespace {

constexpr std::uint32_t kLongestFull = kMaxLengthCode + 3;      // without a distance bonus
constexpr std::uint32_t kLongestMatch = kMaxLengthCode + 3 + 2; // with the largest bonus
constexpr std::uint32_t kUnreached = std::numeric_limits<std::uint32_t>::max();
// Positions one shortest-path run covers at most before its path is fixed.
constexpr std::uint32_t kOptimalSpan = 4096;

enum class Kind : std::uint8_t { Literal, Full, Repeat, Last, Short };

struct Choice {
    Kind kind = Kind::Literal;
    std::uint8_t age = 0;
    std::uint32_t length = 1;
    std::uint32_t distance = 0;
    std::uint32_t price = 0;
};

Token MakeToken(const Choice& c, std::uint8_t byte) {
    switch (c.kind) {
    case Kind::Full:
        return FullToken(c.length, c.distance);
    case Kind::Repeat:
        return RepeatToken(c.age, c.length, c.distance);
    case Kind::Last:
        return RepeatLastToken(c.length);
    case Kind::Short:
        return ShortToken(c.distance);
    case Kind::Literal:
        break;
    }
    return LiteralToken(byte);
}

void Emit(const Choice& c, std::uint8_t byte, LzState& state, std::vector<Token>& tokens) {
    tokens.push_back(MakeToken(c, byte));
    if (c.kind != Kind::Literal) {
        state.Push(c.length, c.distance);
    }
}

class PriceCursor {
  public:
    explicit PriceCursor(const std::vector<Rar20PriceSpan>& spans) : spans_(spans) {}
    const Rar20LzPrices& At(std::uint32_t pos) {
        while (index_ + 1 < spans_.size() && spans_[index_ + 1].from <= pos) {
            ++index_;
        }
        return *spans_[index_].prices;
    }

  private:
    const std::vector<Rar20PriceSpan>& spans_;
    std::size_t index_ = 0;
};

std::uint16_t Load16(const std::uint8_t* bytes) {
    std::uint16_t v;
    std::memcpy(&v, bytes, 2);
    return v;
}

// The choices open at `pos` (other than a literal), found by the matcher and the state.
struct Candidates {
    Rar20MatchFinder::Match matches[Rar20MatchFinder::kMaxMatches];
    int matchCount = 0;
    std::uint32_t pairDistance = 0;
    std::uint32_t repeatLength[4] = {};
    std::uint32_t lastLength = 0; // the repeat-last match when it fits, else 0

    void Gather(Rar20MatchFinder& finder, std::uint32_t pos, std::uint32_t avail, const LzState& state,
                const Rar20ParseSettings& settings, int depth, Rar20MatchCache* cache = nullptr) {
        Search(finder, pos, avail, settings, depth, cache);
        AddRepeats(finder, pos, avail, state);
    }
    // The matcher's part (inserts `pos`), from the cache when it has the place.
    void Search(Rar20MatchFinder& finder, std::uint32_t pos, std::uint32_t avail,
                const Rar20ParseSettings& settings, int depth, Rar20MatchCache* cache) {
        pairDistance = avail >= 2 ? finder.PairDistance(pos) : 0;
        if (pairDistance > 256) {
            pairDistance = 0;
        }
        if (cache == nullptr || !cache->Covers(pos)) {
            matchCount = finder.Find(pos, std::min(avail, kLongestMatch), depth, settings.nice, matches);
        } else if (cache->Has(pos)) {
            finder.Insert(pos);
            matchCount = cache->Get(pos, matches);
        } else {
            matchCount = finder.Find(pos, std::min(avail, kLongestMatch), depth, settings.nice, matches);
            cache->Put(pos, matches, matchCount);
        }
        lastLength = 0;
        std::fill(std::begin(repeatLength), std::end(repeatLength), 0);
    }
    // The state's part: repeats of the four previous distances and of the last match.
    void AddRepeats(const Rar20MatchFinder& finder, std::uint32_t pos, std::uint32_t avail,
                    const LzState& state) {
        const std::uint8_t* data = finder.Data();
        if (avail < 2) {
            return;
        }
        const std::uint16_t pair = Load16(data + pos);
        for (int age = 0; age < 4; ++age) {
            const std::uint32_t d = state.distances[age];
            // Every repeat copies at least two bytes.
            if (d == 0 || d > pos || d > kMaxDistance || Load16(data + pos - d) != pair ||
                std::find(state.distances, state.distances + age, d) != state.distances + age) {
                continue;
            }
            const std::uint32_t bonus = RepeatBonus(d);
            const std::uint32_t longest = std::min(avail, kMaxLengthCode + 2 + bonus);
            const std::uint32_t wanted =
                age == 0 ? std::max(longest, std::min(avail, state.lastLength)) : longest;
            const std::uint32_t length = finder.MatchLength(pos - d, pos, wanted);
            if (age == 0 && state.lastLength >= 2 && state.lastLength <= avail &&
                length >= state.lastLength) {
                lastLength = state.lastLength;
            }
            const std::uint32_t usable = std::min(length, longest);
            if (usable >= 2 + bonus) {
                repeatLength[age] = usable;
            }
        }
    }
    bool Any() const {
        return matchCount != 0 || pairDistance != 0 || lastLength != 0 ||
               (repeatLength[0] | repeatLength[1] | repeatLength[2] | repeatLength[3]) != 0;
    }
    std::uint32_t Longest() const {
        std::uint32_t longest = matchCount > 0 ? matches[matchCount - 1].length : 0;
        for (std::uint32_t r : repeatLength) {
            longest = std::max(longest, r);
        }
        return longest;
    }
};

// What the bytes from a position on cost as literals: running sums of literal prices, kept
// for a stretch ahead of the parse, so that weighing a match against literals takes one
// subtraction however often the bytes it covers are weighed.
class LiteralCosts {
  public:
    explicit LiteralCosts(const std::uint8_t* data) : data_(data) {}

    // The literal prices of bytes [from, from + length), length <= kLongestMatch.
    std::uint32_t Of(const Rar20LzPrices& prices, std::uint32_t from, std::uint32_t length) {
        if (&prices != prices_ || from < start_ || from > filled_) {
            prices_ = &prices;
            start_ = filled_ = from;
            sums_[from & kMask] = 0;
        }
        for (; filled_ < from + length; ++filled_) {
            sums_[(filled_ + 1) & kMask] = sums_[filled_ & kMask] + prices.Literal(data_[filled_]);
        }
        if (filled_ - start_ > kMask) {
            start_ = filled_ - kMask;
        }
        return sums_[(from + length) & kMask] - sums_[from & kMask];
    }

  private:
    static constexpr std::uint32_t kMask = 511; // the ring holds more than two longest matches
    const std::uint8_t* data_;
    const Rar20LzPrices* prices_ = nullptr;
    std::uint32_t start_ = 0, filled_ = 0; // sums_ holds positions [start_, filled_]
    std::uint32_t sums_[kMask + 1] = {};
};

// The choice that saves most bits against literals, or a literal (saving 0).
struct Best {
    Choice choice;
    std::int64_t saving = 0;
};

Best BestChoice(const Candidates& c, const LzState& state, const Rar20LzPrices& prices,
                LiteralCosts& literals, const std::uint8_t* data, std::uint32_t pos) {
    Best best;
    best.choice.price = prices.Literal(data[pos]);
    auto consider = [&](Kind kind, int age, std::uint32_t length, std::uint32_t distance,
                        std::uint32_t price) {
        const std::int64_t saving = std::int64_t{literals.Of(prices, pos, length)} - price;
        if (saving > best.saving) {
            best.saving = saving;
            best.choice = {kind, static_cast<std::uint8_t>(age), length, distance, price};
        }
    };
    if (c.lastLength != 0) {
        consider(Kind::Last, 0, c.lastLength, state.distances[0], prices.Last());
    }
    for (int age = 0; age < 4; ++age) {
        if (c.repeatLength[age] != 0) {
            const std::uint32_t d = state.distances[age];
            consider(Kind::Repeat, age, c.repeatLength[age], d, prices.Repeat(age, c.repeatLength[age], d));
        }
    }
    if (c.pairDistance != 0) {
        consider(Kind::Short, 0, 2, c.pairDistance, prices.Short(c.pairDistance));
    }
    for (int k = 0; k < c.matchCount; ++k) {
        const std::uint32_t d = c.matches[k].distance;
        const std::uint32_t length = std::min(c.matches[k].length, kLongestFull + FullBonus(d));
        if (length >= 3 + FullBonus(d)) {
            consider(Kind::Full, 0, length, d, prices.Full(length, d));
        }
    }
    return best;
}

void ParseGreedy(Rar20MatchFinder& finder, std::uint32_t begin, std::uint32_t end,
                 const Rar20ParseSettings& settings, PriceCursor& cursor, LzState& state,
                 std::vector<Token>& tokens) {
    const std::uint8_t* data = finder.Data();
    LiteralCosts literals(data);
    // Two sets of candidates, swapped by pointer: the look ahead's become the next ones.
    Candidates first, second;
    Candidates* here = &first;
    Candidates* next = &second;
    bool haveNext = false;
    std::uint32_t pos = begin;
    while (pos < end) {
        const Rar20LzPrices& prices = cursor.At(pos);
        if (haveNext) {
            std::swap(here, next);
            haveNext = false;
        } else {
            here->Gather(finder, pos, end - pos, state, settings, settings.depth);
        }
        if (!here->Any()) {
            tokens.push_back(LiteralToken(data[pos]));
            ++pos;
            continue;
        }
        const Best now = BestChoice(*here, state, prices, literals, data, pos);
        Choice choice = now.choice;
        if (choice.kind == Kind::Full && choice.length < settings.lazyBelow && pos + 1 < end) {
            // A literal now and a better match one byte on? A literal leaves the state as is.
            const int depth = choice.length >= settings.good ? settings.depth / 4 : settings.depth;
            next->Gather(finder, pos + 1, end - pos - 1, state, settings, depth);
            haveNext = true;
            const Best later = BestChoice(*next, state, prices, literals, data, pos + 1);
            if (later.saving > now.saving) {
                choice = Choice{};
            }
        }
        Emit(choice, data[pos], state, tokens);
        // Positions inside the match still go into the chains, for later matches.
        for (std::uint32_t i = haveNext ? 2 : 1; i < choice.length; ++i) {
            finder.Insert(pos + i);
        }
        if (haveNext && choice.length > 1) {
            haveNext = false;
        }
        pos += choice.length;
    }
}

struct Node {
    std::uint32_t price;
    std::uint32_t from;
    Choice choice;
    LzState state;
};

void ParseOptimal(Rar20MatchFinder& finder, std::uint32_t begin, std::uint32_t end,
                  const Rar20ParseSettings& settings, PriceCursor& cursor, LzState& state,
                  std::vector<Token>& tokens, Rar20MatchCache* cache) {
    const std::uint8_t* data = finder.Data();
    std::vector<Node> nodes(kOptimalSpan + kLongestMatch + 2);
    std::vector<Choice> path;
    LiteralCosts literals(data);
    Candidates c;
    std::uint32_t pos = begin;
    while (pos < end) {
        nodes[0].price = 0;
        nodes[0].state = state;
        std::uint32_t top = 0;   // nodes above top are not set up yet
        std::uint32_t reach = 0; // furthest node reached
        auto relax = [&](std::uint32_t from, std::uint32_t to, const Choice& choice) {
            while (top < to) {
                nodes[++top].price = kUnreached;
            }
            const std::uint32_t price = nodes[from].price + choice.price;
            if (price < nodes[to].price) {
                Node& n = nodes[to];
                n.price = price;
                n.from = from;
                n.choice = choice;
                n.state = nodes[from].state;
                if (choice.kind != Kind::Literal) {
                    n.state.Push(choice.length, choice.distance);
                }
                reach = std::max(reach, to);
            }
        };
        std::uint32_t stop = 0;
        bool haveLong = false;
        Choice longChoice;
        for (std::uint32_t i = 0;; ++i) {
            if ((i > 0 && i == reach) || pos + i == end || i >= kOptimalSpan) {
                stop = i;
                break;
            }
            const std::uint32_t p = pos + i;
            const std::uint32_t avail = end - p;
            const Rar20LzPrices& prices = cursor.At(p);
            const LzState& s = nodes[i].state;
            c.Gather(finder, p, avail, s, settings, settings.depth, cache);
            if (c.Longest() >= settings.nice) {
                // Long enough to take without weighing: the path ends here, then this match.
                longChoice = BestChoice(c, s, prices, literals, data, p).choice;
                haveLong = true;
                stop = i;
                break;
            }
            relax(i, i + 1, {Kind::Literal, 0, 1, 0, prices.Literal(data[p])});
            if (c.lastLength != 0) {
                relax(i, i + c.lastLength, {Kind::Last, 0, c.lastLength, s.distances[0], prices.Last()});
            }
            for (int age = 0; age < 4; ++age) {
                const std::uint32_t d = s.distances[age];
                for (std::uint32_t l = 2 + RepeatBonus(d); l <= c.repeatLength[age]; ++l) {
                    relax(i, i + l,
                          {Kind::Repeat, static_cast<std::uint8_t>(age), l, d, prices.Repeat(age, l, d)});
                }
            }
            if (c.pairDistance != 0) {
                relax(i, i + 2, {Kind::Short, 0, 2, c.pairDistance, prices.Short(c.pairDistance)});
            }
            std::uint32_t covered = 2;
            for (int k = 0; k < c.matchCount; ++k) {
                const std::uint32_t d = c.matches[k].distance;
                const std::uint32_t bonus = FullBonus(d);
                const int di = DistanceSlot(d - 1);
                const std::uint32_t distancePrice = prices.bits[kDistanceSlotBase + di] + kDistanceBits[di];
                const std::uint32_t longest = std::min(c.matches[k].length, kLongestFull + bonus);
                for (std::uint32_t l = std::max(covered + 1, 3 + bonus); l <= longest; ++l) {
                    relax(i, i + l, {Kind::Full, 0, l, d, prices.fullLength[l - 3 - bonus] + distancePrice});
                }
                covered = c.matches[k].length;
            }
        }
        path.clear();
        for (std::uint32_t i = stop; i > 0; i = nodes[i].from) {
            path.push_back(nodes[i].choice);
        }
        std::uint32_t p = pos;
        for (auto it = path.rbegin(); it != path.rend(); ++it) {
            Emit(*it, data[p], state, tokens);
            p += it->length;
        }
        pos += stop;
        if (haveLong) {
            Emit(longChoice, data[pos], state, tokens);
            for (std::uint32_t i = 1; i < longChoice.length; ++i) {
                finder.Insert(pos + i);
            }
            pos += longChoice.length;
        }
    }
}

} // namespace

void Rar20MatchCache::Reset(std::uint32_t begin, std::uint32_t end) {
    begin_ = begin;
    first_.assign(end - begin, kUnknown);
    count_.resize(end - begin);
    matches_.clear();
}

int Rar20MatchCache::Get(std::uint32_t pos, Rar20MatchFinder::Match* out) const {
    const std::uint32_t* kept = matches_.data() + first_[pos - begin_];
    const int count = count_[pos - begin_];
    for (int k = 0; k < count; ++k) {
        out[k] = {kept[k] >> kDistanceBits, kept[k] & ((1u << kDistanceBits) - 1)};
    }
    return count;
}

void Rar20MatchCache::Put(std::uint32_t pos, const Rar20MatchFinder::Match* matches, int count) {
    static_assert(kMaxDistance < (1u << kDistanceBits) && Rar20MatchFinder::kMaxMatches <= 255);
    first_[pos - begin_] = static_cast<std::uint32_t>(matches_.size());
    count_[pos - begin_] = static_cast<std::uint8_t>(count);
    for (int k = 0; k < count; ++k) {
        matches_.push_back(matches[k].length << kDistanceBits | matches[k].distance);
    }
}

Rar20LzPrices Rar20LzPrices::For(const Rar20TableSet* tables) {
    Rar20LzPrices p;
    if (tables != nullptr && !tables->audio) {
        std::array<std::uint8_t, 3> longest{};
        const int firsts[3] = {0, kDistanceSlotBase, kRepeatSlotBase};
        const int counts[3] = {kMainSymbols, kDistanceSymbols, kRepeatSymbols};
        for (int t = 0; t < 3; ++t) {
            for (int s = firsts[t]; s < firsts[t] + counts[t]; ++s) {
                longest[t] = std::max(longest[t], tables->lengths[s]);
            }
            for (int s = firsts[t]; s < firsts[t] + counts[t]; ++s) {
                const std::uint8_t l = tables->lengths[s];
                p.bits[s] = l != 0 ? l : static_cast<std::uint16_t>(std::max<int>(longest[t] + 2, 8));
            }
        }
    } else {
        for (int s = 0; s < kLzTableSize; ++s) {
            p.bits[s] = s < 256                 ? 8
                        : s < kSymbolFirstShort ? 6
                        : s < kSymbolNewTables  ? 7
                        : s == kSymbolNewTables ? 15
                        : s < kDistanceSlotBase ? 5 + (s - kSymbolFirstLength) / 8
                        : s < kRepeatSlotBase   ? 5
                                                : 3 + (s - kRepeatSlotBase) / 8;
        }
    }
    for (std::uint32_t v = 0; v <= kMaxLengthCode; ++v) {
        const int li = kLengthSlotOf[v];
        p.fullLength[v] = static_cast<std::uint16_t>(p.bits[kSymbolFirstLength + li] + kLengthBits[li]);
        p.repeatLength[v] = static_cast<std::uint16_t>(p.bits[kRepeatSlotBase + li] + kLengthBits[li]);
    }
    return p;
}

void Rar20LzParser::Parse(Rar20MatchFinder& finder, std::uint32_t begin, std::uint32_t end,
                          const Rar20ParseSettings& settings, const std::vector<Rar20PriceSpan>& spans,
                          LzState& state, std::vector<Token>& tokens, Rar20MatchCache* cache) {
    PriceCursor cursor(spans);
    if (settings.optimal) {
        ParseOptimal(finder, begin, end, settings, cursor, state, tokens, cache);
    } else {
        ParseGreedy(finder, begin, end, settings, cursor, state, tokens);
    }
}
