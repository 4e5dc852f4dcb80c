#pragma once
// One platform call as the recording and tracing devices see it: the operation's name and
// its arguments, each already rendered as text.

#include <string>
#include <vector>

struct RecordedCall {
    std::string name;
    std::vector<std::string> args;

    // {"call":"SetRenderState","args":["D3DRS_ZENABLE","1"]}
    std::string ToJson() const;
    // The members of the JSON object without braces, for callers that add fields of their own.
    std::string JsonMembers() const;
    bool operator==(const RecordedCall&) const = default;
};

// Escapes a string for use inside JSON double quotes.
std::string JsonEscape(const std::string& text);
