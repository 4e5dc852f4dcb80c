#pragma once
// The token stream of a DirectX .x file. Text and binary files (compressed ones after
// inflating) come out as the same tokens, so one parser serves both. Numbers from the
// binary integer and float lists become one token each.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct XToken {
    enum Kind : std::uint8_t { Name, String, Number, Guid, OpenBrace, CloseBrace, Separator, Other };
    Kind kind = Other;
    double number = 0;
    std::string text;
};

namespace XFileTokens {

// Text body (everything after the 16-byte header). Empty on an unterminated string.
std::optional<std::vector<XToken>> FromText(const std::uint8_t* data, std::size_t size);
// Binary body; floatBytes is 4 or 8 (the header's "0032" / "0064"). Empty on a truncated
// token or an unknown token code.
std::optional<std::vector<XToken>> FromBinary(const std::uint8_t* data, std::size_t size, int floatBytes);

} // namespace XFileTokens
