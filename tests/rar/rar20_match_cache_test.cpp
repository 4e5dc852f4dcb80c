// A shortest-path re-parse that takes its matches from the cache must choose exactly what a
// parse that asks the matcher again chooses.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "rar/rar20_lz_parser.h"
#include "rar/rar20_match_finder.h"

namespace {

using Rar20::LzState;
using Rar20::Token;

// Words with repeats near and far (beyond 0x40000, where lengths get a bonus), and noise.
std::vector<std::uint8_t> Mixed() {
    static const char* words[] = {"vertex ", "1.250000;", "-0.5;", "normal ", "\n", "{", "}", "face "};
    std::mt19937 gen(3);
    std::vector<std::uint8_t> v;
    while (v.size() < 0x60000) {
        if (gen() % 50 == 0) {
            for (int k = 0; k < 40; ++k) {
                v.push_back(static_cast<std::uint8_t>(gen()));
            }
        }
        const char* w = words[gen() % 8];
        v.insert(v.end(), w, w + std::char_traits<char>::length(w));
    }
    const std::vector<std::uint8_t> early(v.begin(), v.begin() + 3000);
    v.insert(v.end(), early.begin(), early.end());
    return v;
}

std::vector<std::uint32_t> Comparable(const std::vector<Token>& tokens) {
    std::vector<std::uint32_t> fields;
    for (const Token& t : tokens) {
        fields.insert(fields.end(), {t.Slot(), t.SecondSlot(), t.HeadExtra(), t.TailExtra(), t.Length()});
    }
    return fields;
}

TEST(Rar20MatchCache, ReParsesFromTheCacheChooseWhatTheMatcherWould) {
    const std::vector<std::uint8_t> bytes = Mixed();
    Rar20MatchFinder finder;
    const std::vector<std::uint8_t> head(bytes.begin(), bytes.begin() + 1000);
    finder.Append(head);
    for (std::uint32_t p = 0; p < head.size(); ++p) {
        finder.Insert(p);
    }
    const std::uint32_t begin = finder.Append(bytes);
    const std::uint32_t end = begin + static_cast<std::uint32_t>(bytes.size());
    Rar20MatchFinder::Heads heads;
    finder.SaveHeads(heads);
    const Rar20LzPrices prices = Rar20LzPrices::For(nullptr);
    const Rar20ParseSettings settings{.optimal = true, .depth = 64, .nice = 200};
    Rar20LzParser parser;
    auto parse = [&](Rar20MatchCache* cache) {
        finder.RestoreHeads(heads);
        LzState state;
        std::vector<Token> tokens;
        parser.Parse(finder, begin, end, settings, {{begin, &prices}}, state, tokens, cache);
        return Comparable(tokens);
    };
    const std::vector<std::uint32_t> asked = parse(nullptr);
    ASSERT_GT(asked.size(), 1000u);
    Rar20MatchCache cache;
    cache.Reset(begin, end);
    EXPECT_EQ(parse(&cache), asked) << "while filling the cache";
    EXPECT_TRUE(cache.Has(begin));
    EXPECT_FALSE(cache.Covers(end));
    EXPECT_EQ(parse(&cache), asked) << "from the cache";
}

} // namespace
