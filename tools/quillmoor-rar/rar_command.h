#pragma once
// The command words quillmoor-rar accepts. Besides the full words it takes the one-letter
// commands that users of the old archiver type: "l", "t", "x" and "a". "p" prints members to
// standard output, as it did there; it is deliberately not a synonym of "pack", because
// "p data.rar member" would then overwrite the archive.

#include <cstddef>
#include <string_view>

enum class RarCommand { Unknown, List, Test, Extract, Pack, Print };

struct RarCommandName {
    std::string_view word;
    RarCommand command;
};

constexpr RarCommandName kRarCommandNames[] = {
    {"list", RarCommand::List}, {"l", RarCommand::List},          {"test", RarCommand::Test},
    {"t", RarCommand::Test},    {"extract", RarCommand::Extract}, {"x", RarCommand::Extract},
    {"pack", RarCommand::Pack}, {"a", RarCommand::Pack},          {"print", RarCommand::Print},
    {"p", RarCommand::Print},
};

// Commands match as typed, and also in upper case ("L", "T") as the old archiver allowed.
constexpr RarCommand ParseRarCommand(std::string_view word) {
    for (const RarCommandName& n : kRarCommandNames) {
        if (n.word.size() != word.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < word.size() && same; ++i) {
            char c = word[i];
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
            same = c == n.word[i];
        }
        if (same) {
            return n.command;
        }
    }
    return RarCommand::Unknown;
}
