#include "rar/rar20_huffman.h"

#include <algorithm>
#include <vector>

namespace Rar20Huffman {

namespace {

// Package-merge: each level's list holds the symbols and the pairs of the level below,
// lightest first; the 2n - 2 lightest items of the top level give every symbol its length
// as the number of times it is chosen.
struct Item {
    std::uint64_t weight;
    int symbol;     // >= 0: a symbol; -1: a package of the two items below
    int firstChild; // index in the list one level down, for a package
};

void CountChosen(const std::vector<std::vector<Item>>& levels, int level, int count,
                 std::span<std::uint8_t> lengths) {
    // The first `count` items of a level are taken; packages pass their share down.
    for (; level >= 0; --level) {
        int packages = 0;
        for (int i = 0; i < count; ++i) {
            const Item& item = levels[level][i];
            if (item.symbol >= 0) {
                ++lengths[item.symbol];
            } else {
                ++packages;
            }
        }
        count = packages * 2;
    }
}

} // namespace

void CodeLengths(std::span<const std::uint32_t> frequencies, std::span<std::uint8_t> lengths, int maxLength) {
    std::fill(lengths.begin(), lengths.end(), 0);
    std::vector<Item> leaves;
    for (std::size_t s = 0; s < frequencies.size(); ++s) {
        if (frequencies[s] > 0) {
            leaves.push_back({frequencies[s], static_cast<int>(s), -1});
        }
    }
    if (leaves.empty()) {
        return;
    }
    if (leaves.size() == 1) {
        lengths[leaves[0].symbol] = 1;
        return;
    }
    std::stable_sort(leaves.begin(), leaves.end(),
                     [](const Item& a, const Item& b) { return a.weight < b.weight; });
    const int n = static_cast<int>(leaves.size());
    const int depth = std::min(maxLength, n - 1);
    std::vector<std::vector<Item>> levels(depth);
    levels[0] = leaves;
    for (int level = 1; level < depth; ++level) {
        const std::vector<Item>& below = levels[level - 1];
        std::vector<Item>& list = levels[level];
        list.reserve(2 * n);
        std::size_t leaf = 0;
        std::size_t pair = 0;
        while (leaf < leaves.size() || pair + 1 < below.size()) {
            const bool havePair = pair + 1 < below.size();
            const std::uint64_t pairWeight = havePair ? below[pair].weight + below[pair + 1].weight : 0;
            if (leaf < leaves.size() && (!havePair || leaves[leaf].weight <= pairWeight)) {
                list.push_back(leaves[leaf++]);
            } else {
                list.push_back({pairWeight, -1, static_cast<int>(pair)});
                pair += 2;
            }
        }
    }
    // Packages at each level are formed from the lightest pairs below in order, so taking
    // the first k items of a level takes exactly the first 2 * (packages among them) below.
    CountChosen(levels, depth - 1, 2 * n - 2, lengths);
}

void CanonicalCodes(std::span<const std::uint8_t> lengths, std::span<std::uint16_t> codes) {
    std::uint32_t count[kMaxCodeLength + 1] = {};
    for (std::uint8_t l : lengths) {
        ++count[l];
    }
    count[0] = 0;
    std::uint32_t next[kMaxCodeLength + 1] = {};
    std::uint32_t code = 0;
    for (int l = 1; l <= kMaxCodeLength; ++l) {
        code = (code + count[l - 1]) << 1;
        next[l] = code;
    }
    for (std::size_t s = 0; s < lengths.size(); ++s) {
        codes[s] = lengths[s] != 0 ? static_cast<std::uint16_t>(next[lengths[s]]++) : 0;
    }
}

std::uint64_t CodedBits(std::span<const std::uint32_t> frequencies, std::span<const std::uint8_t> lengths) {
    std::uint64_t bits = 0;
    for (std::size_t s = 0; s < frequencies.size(); ++s) {
        bits += std::uint64_t{frequencies[s]} * lengths[s];
    }
    return bits;
}

} // namespace Rar20Huffman
