#pragma once
// Where a run of tokens should start a new table set: a new set costs its table block and
// pays back when the statistics change enough that codes fitted to each part save more.

#include <cstddef>
#include <span>
#include <vector>

#include "rar/rar20_tokens.h"

struct Rar20SplitSettings {
    bool audio = false;
    int channels = 1;
    // Tokens are looked at in this many equal pieces at most; 1 keeps one block. Pieces
    // are never smaller than kMinPiece tokens.
    std::size_t pieces = 1;
    static constexpr std::size_t kMinPiece = 2048;
};

// The first token of every block after the first (ascending).
std::vector<std::size_t> Rar20SplitBlocks(std::span<const Rar20::Token> tokens,
                                          const Rar20SplitSettings& settings);
