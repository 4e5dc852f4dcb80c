#include "rar/rar20_match_finder.h"

#include <algorithm>
#include <cstring>

#include "rar/rar20_tables.h"
#include "rar/rar20_tokens.h"

using namespace Rar20;

Rar20MatchFinder::Rar20MatchFinder(int longKeyBits)
    : data_(kPadding, 0), head_(1u << kHashBits, kNone), prev_(kWindowSize, kNone),
      pairHead_(1u << 16, kNone), longMask_((1u << longKeyBits) - 1), longPlaces_(1u << longKeyBits, kNone) {}

void Rar20MatchFinder::Clear() {
    size_ = 0;
    data_.assign(kPadding, 0);
    std::fill(head_.begin(), head_.end(), kNone);
    std::fill(pairHead_.begin(), pairHead_.end(), kNone);
    std::fill(longPlaces_.begin(), longPlaces_.end(), kNone);
}

void Rar20MatchFinder::Reserve(std::size_t totalBytes, std::size_t largestMember) {
    // Append keeps at most two windows before it appends a member.
    data_.reserve(std::min(totalBytes, 2 * std::size_t{kWindowSize} + largestMember) + kPadding);
}

std::uint32_t Rar20MatchFinder::Append(std::span<const std::uint8_t> bytes) {
    // Keep the history below two windows (plus the member): drop whole windows from the
    // front, so a position's place in prev_ (position mod window) does not change.
    if (size_ > 2 * kWindowSize) {
        const std::uint32_t shift = (size_ - kWindowSize) & ~kWindowMask;
        std::copy(data_.begin() + shift, data_.begin() + size_, data_.begin());
        size_ -= shift;
        auto rebase = [shift](std::uint32_t& p) { p = p == kNone || p < shift ? kNone : p - shift; };
        std::for_each(head_.begin(), head_.end(), rebase);
        std::for_each(prev_.begin(), prev_.end(), rebase);
        std::for_each(pairHead_.begin(), pairHead_.end(), rebase);
        for (std::uint64_t& entry : longPlaces_) {
            std::uint32_t p = static_cast<std::uint32_t>(entry);
            rebase(p);
            entry = (entry & ~0xFFFFFFFFull) | p;
        }
    }
    const std::uint32_t start = size_;
    if (data_.size() < size_ + bytes.size() + kPadding) {
        data_.resize(size_ + bytes.size() + kPadding);
    }
    std::copy(bytes.begin(), bytes.end(), data_.begin() + size_);
    std::fill_n(data_.begin() + size_ + bytes.size(), kPadding, 0);
    size_ += static_cast<std::uint32_t>(bytes.size());
    return start;
}

void Rar20MatchFinder::RestoreHeads(const Heads& heads) {
    head_ = heads.triples;
    longPlaces_ = heads.longs;
    pairHead_ = heads.pairs;
}

inline std::uint32_t Rar20MatchFinder::Hash(std::uint32_t pos) const {
    // The three bytes as a big-endian number, from one word-wide read (the padding keeps
    // the fourth byte inside).
    std::uint32_t word;
    std::memcpy(&word, data_.data() + pos, 4);
    const std::uint32_t v =
        (std::endian::native == std::endian::little ? __builtin_bswap32(word) : word) >> 8;
    return (v * 2654435761u) >> (32 - kHashBits);
}

std::uint64_t Rar20MatchFinder::LongKey(std::uint32_t pos) const {
    std::uint64_t h = 0;
    for (std::uint32_t i = 0; i < kLongKey; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, data_.data() + pos + i, 8);
        h = (h ^ w) * 0x9E3779B97F4A7C15ull;
    }
    return h ^ (h >> 29);
}

void Rar20MatchFinder::Insert(std::uint32_t pos) {
    if (pos % kLongStep == 0) {
        KeepLong(LongKey(pos), pos);
    }
    const std::uint32_t h = Hash(pos);
    prev_[pos & kWindowMask] = head_[h];
    head_[h] = pos;
    pairHead_[PairKey(pos)] = pos;
}

std::uint32_t Rar20MatchFinder::PairDistance(std::uint32_t pos) const {
    const std::uint32_t earlier = pairHead_[PairKey(pos)];
    if (earlier == kNone || earlier >= pos) {
        return 0;
    }
    // The last place of a member was filed under its byte and the padding after it; the
    // next member's first byte has taken the padding's place since.
    return PairKey(earlier) == PairKey(pos) ? pos - earlier : 0;
}

int Rar20MatchFinder::Find(std::uint32_t pos, std::uint32_t maxLength, int depth, std::uint32_t nice,
                           Match* out) {
    // The long-key table is large and read at random: its entry is asked for first, so that
    // fetching it overlaps the chain walk.
    const bool probeLong = maxLength >= kLongKey;
    const std::uint64_t key = probeLong || pos % kLongStep == 0 ? LongKey(pos) : 0;
    std::uint64_t* const longEntry = &longPlaces_[key & longMask_];
    __builtin_prefetch(longEntry);
    const std::uint32_t h = Hash(pos);
    std::uint32_t candidate = head_[h];
    prev_[pos & kWindowMask] = candidate;
    head_[h] = pos;
    int count = 0;
    if (maxLength >= 3) {
        std::uint32_t best = 2;
        const std::uint8_t* here = data_.data() + pos;
        for (int visited = 0; visited < depth && candidate < pos && best < nice && best < maxLength;
             ++visited) {
            const std::uint32_t distance = pos - candidate;
            if (distance > kMaxDistance) {
                break;
            }
            const std::uint8_t* there = data_.data() + candidate;
            if (there[best] == here[best] && there[0] == here[0] && there[1] == here[1]) {
                const std::uint32_t length = MatchLength(candidate, pos, maxLength);
                if (length > best) {
                    best = length;
                    out[count++] = {length, distance};
                    if (length >= nice || length == maxLength || count == kMaxMatches) {
                        break;
                    }
                }
            }
            const std::uint32_t next = prev_[candidate & kWindowMask];
            if (next >= candidate) {
                break;
            }
            candidate = next;
        }
    }
    if (probeLong && (count == 0 || out[count - 1].length < kLongKey) && count < kMaxMatches) {
        const std::uint64_t entry = *longEntry;
        const std::uint32_t far = static_cast<std::uint32_t>(entry);
        if ((entry >> 32) == (key >> 32) && far < pos && pos - far <= kMaxDistance) {
            const std::uint32_t length = MatchLength(far, pos, maxLength);
            if (length > (count == 0 ? 2 : out[count - 1].length)) {
                out[count++] = {length, pos - far};
            }
        }
    }
    if (pos % kLongStep == 0) {
        KeepLong(key, pos);
    }
    pairHead_[PairKey(pos)] = pos;
    return count;
}
