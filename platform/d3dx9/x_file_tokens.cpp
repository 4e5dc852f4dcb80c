#include "platform/d3dx9/x_file_tokens.h"

#include <array>
#include <cstring>

#include "platform/d3dx9/text_number.h"

namespace {

// Binary token codes of the .x format.
constexpr std::uint16_t kTokenName = 1;
constexpr std::uint16_t kTokenString = 2;
constexpr std::uint16_t kTokenInteger = 3;
constexpr std::uint16_t kTokenGuid = 5;
constexpr std::uint16_t kTokenIntegerList = 6;
constexpr std::uint16_t kTokenFloatList = 7;
constexpr std::uint16_t kTokenOpenBrace = 10;
constexpr std::uint16_t kTokenCloseBrace = 11;
constexpr std::uint16_t kTokenComma = 19;
constexpr std::uint16_t kTokenSemicolon = 20;
constexpr std::uint16_t kTokenTemplate = 31;

struct Keyword {
    std::uint16_t code;
    std::string_view text;
};
constexpr Keyword kKeywords[] = {{40, "WORD"}, {41, "DWORD"}, {42, "FLOAT"},   {43, "DOUBLE"},
                                 {44, "CHAR"}, {45, "UCHAR"}, {46, "SWORD"},   {47, "SDWORD"},
                                 {48, "VOID"}, {49, "LPSTR"}, {50, "UNICODE"}, {51, "CSTRING"},
                                 {52, "ARRAY"}};

// Characters that end a name or number in a text body.
constexpr std::array<bool, 256> kDelimiters = [] {
    std::array<bool, 256> table{};
    for (const unsigned char c : std::string_view(" \t\r\n\f\v{},;\"<>()[]#", 19)) {
        table[c] = true;
    }
    table[0] = true;
    return table;
}();

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == '\0';
}

bool MayStartNumber(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

std::uint16_t LoadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t LoadU32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

} // namespace

XTokenStream XTokenStream::Text(const std::uint8_t* body, std::size_t size) {
    return XTokenStream(body, size, 0);
}

XTokenStream XTokenStream::Binary(const std::uint8_t* body, std::size_t size, int floatBytes) {
    return XTokenStream(body, size, floatBytes);
}

void XTokenStream::Advance() {
    if (failed_) {
        Set(XToken::Error);
    } else if (floatBytes_ == 0) {
        NextText();
    } else {
        NextBinary();
    }
}

void XTokenStream::Fail() {
    failed_ = true;
    Set(XToken::Error);
}

void XTokenStream::NextText() {
    const char* s = reinterpret_cast<const char*>(data_);
    while (pos_ < size_) {
        const char c = s[pos_];
        if (IsSpace(c)) {
            ++pos_;
            continue;
        }
        if (c == '#' || (c == '/' && pos_ + 1 < size_ && s[pos_ + 1] == '/')) {
            const void* newline = std::memchr(s + pos_, '\n', size_ - pos_);
            pos_ =
                newline != nullptr ? static_cast<std::size_t>(static_cast<const char*>(newline) - s) : size_;
            continue;
        }
        switch (c) {
        case '{':
            ++pos_;
            return Set(XToken::OpenBrace);
        case '}':
            ++pos_;
            return Set(XToken::CloseBrace);
        case ',':
        case ';':
            ++pos_;
            return Set(XToken::Separator);
        case '<':
        case '"': {
            const std::size_t start = pos_ + 1;
            const void* close = std::memchr(s + start, c == '<' ? '>' : '"', size_ - start);
            if (close == nullptr) {
                return Fail();
            }
            const std::size_t end = static_cast<std::size_t>(static_cast<const char*>(close) - s);
            pos_ = end + 1;
            return Set(c == '<' ? XToken::Guid : XToken::String, s + start, end - start);
        }
        case '>':
        case '(':
        case ')':
        case '[':
        case ']':
            ++pos_;
            return Set(XToken::Other);
        default:
            break;
        }
        const std::size_t start = pos_;
        while (pos_ < size_ && !kDelimiters[static_cast<unsigned char>(s[pos_])] &&
               !(s[pos_] == '/' && pos_ + 1 < size_ && s[pos_ + 1] == '/')) {
            ++pos_;
        }
        const std::string_view text(s + start, pos_ - start);
        double value = 0;
        if (MayStartNumber(text[0]) && TextNumber::Parse(text, value)) {
            return SetNumber(value);
        }
        return Set(XToken::Name, text.data(), text.size());
    }
    return Set(XToken::End);
}

double XTokenStream::ListNumber() {
    const std::uint8_t* p = data_ + pos_;
    --listLeft_;
    if (!listOfFloats_) {
        pos_ += 4;
        return LoadU32(p);
    }
    pos_ += static_cast<std::size_t>(floatBytes_);
    if (floatBytes_ == 8) {
        double v;
        std::memcpy(&v, p, 8);
        return v;
    }
    float v;
    std::memcpy(&v, p, 4);
    return v;
}

void XTokenStream::AppendListRest(std::vector<double>& out) {
    out.reserve(out.size() + listLeft_);
    while (listLeft_ > 0) {
        out.push_back(ListNumber());
    }
}

void XTokenStream::NextBinary() {
    if (listLeft_ > 0) {
        return SetNumber(ListNumber());
    }
    for (;;) {
        const std::size_t left = size_ - pos_;
        if (left == 0) {
            return Set(XToken::End);
        }
        if (left < 2) {
            return Fail();
        }
        const std::uint16_t code = LoadU16(data_ + pos_);
        pos_ += 2;
        switch (code) {
        case kTokenName:
        case kTokenString: {
            if (size_ - pos_ < 4) {
                return Fail();
            }
            const std::uint32_t length = LoadU32(data_ + pos_);
            pos_ += 4;
            if (size_ - pos_ < length) {
                return Fail();
            }
            Set(code == kTokenName ? XToken::Name : XToken::String, data_ + pos_, length);
            pos_ += length;
            // A string ends in a separator, written by some tools as a WORD and by others as
            // a DWORD; token code 0 does not exist, so a zero high half is safe to skip.
            if (code == kTokenString && size_ - pos_ >= 2) {
                const std::uint16_t next = LoadU16(data_ + pos_);
                if (next == kTokenComma || next == kTokenSemicolon) {
                    pos_ += 2;
                    if (size_ - pos_ >= 2 && LoadU16(data_ + pos_) == 0) {
                        pos_ += 2;
                    }
                }
            }
            return;
        }
        case kTokenInteger:
            if (size_ - pos_ < 4) {
                return Fail();
            }
            pos_ += 4;
            return SetNumber(LoadU32(data_ + pos_ - 4));
        case kTokenGuid:
            if (size_ - pos_ < 16) {
                return Fail();
            }
            pos_ += 16;
            return Set(XToken::Guid);
        case kTokenIntegerList:
        case kTokenFloatList: {
            if (size_ - pos_ < 4) {
                return Fail();
            }
            const std::uint32_t count = LoadU32(data_ + pos_);
            pos_ += 4;
            const std::size_t each = code == kTokenIntegerList ? 4 : static_cast<std::size_t>(floatBytes_);
            if (count > (size_ - pos_) / each) {
                return Fail();
            }
            if (count == 0) {
                continue;
            }
            listLeft_ = count;
            listOfFloats_ = code == kTokenFloatList;
            return SetNumber(ListNumber());
        }
        case kTokenOpenBrace:
            return Set(XToken::OpenBrace);
        case kTokenCloseBrace:
            return Set(XToken::CloseBrace);
        case kTokenComma:
        case kTokenSemicolon:
            return Set(XToken::Separator);
        case kTokenTemplate:
            return Set(XToken::Name, "template", 8);
        default:
            if (code >= 12 && code <= 18) { // parentheses, brackets, angles, dot
                return Set(XToken::Other);
            }
            for (const Keyword& keyword : kKeywords) {
                if (keyword.code == code) {
                    return Set(XToken::Name, keyword.text.data(), keyword.text.size());
                }
            }
            return Fail();
        }
    }
}
