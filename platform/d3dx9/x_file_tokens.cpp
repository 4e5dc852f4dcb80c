#include "platform/d3dx9/x_file_tokens.h"

#include <cstdlib>
#include <cstring>

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
    const char* text;
};
constexpr Keyword kKeywords[] = {{40, "WORD"}, {41, "DWORD"}, {42, "FLOAT"},   {43, "DOUBLE"},
                                 {44, "CHAR"}, {45, "UCHAR"}, {46, "SWORD"},   {47, "SDWORD"},
                                 {48, "VOID"}, {49, "LPSTR"}, {50, "UNICODE"}, {51, "CSTRING"},
                                 {52, "ARRAY"}};

bool IsDelimiter(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == '{' ||
           c == '}' || c == ',' || c == ';' || c == '"' || c == '<' || c == '>' || c == '(' || c == ')' ||
           c == '[' || c == ']' || c == '#' || c == '\0';
}

XToken Simple(XToken::Kind kind) {
    XToken t;
    t.kind = kind;
    return t;
}

class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Left() const { return size_ - pos_; }
    bool U16(std::uint16_t& v) {
        if (Left() < 2) {
            return false;
        }
        v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (Left() < 4) {
            return false;
        }
        std::memcpy(&v, data_ + pos_, 4);
        pos_ += 4;
        return true;
    }
    bool Bytes(std::size_t n, const std::uint8_t*& p) {
        if (Left() < n) {
            return false;
        }
        p = data_ + pos_;
        pos_ += n;
        return true;
    }
    bool PeekU16(std::uint16_t& v) const {
        if (Left() < 2) {
            return false;
        }
        v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
        return true;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

} // namespace

namespace XFileTokens {

std::optional<std::vector<XToken>> FromText(const std::uint8_t* data, std::size_t size) {
    std::vector<XToken> tokens;
    const char* s = reinterpret_cast<const char*>(data);
    std::size_t i = 0;
    while (i < size) {
        const char c = s[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == '\0') {
            ++i;
        } else if (c == '#' || (c == '/' && i + 1 < size && s[i + 1] == '/')) {
            while (i < size && s[i] != '\n') {
                ++i;
            }
        } else if (c == '{') {
            tokens.push_back(Simple(XToken::OpenBrace));
            ++i;
        } else if (c == '}') {
            tokens.push_back(Simple(XToken::CloseBrace));
            ++i;
        } else if (c == ',' || c == ';') {
            tokens.push_back(Simple(XToken::Separator));
            ++i;
        } else if (c == '<') {
            const std::size_t start = ++i;
            while (i < size && s[i] != '>') {
                ++i;
            }
            if (i >= size) {
                return std::nullopt;
            }
            XToken t = Simple(XToken::Guid);
            t.text.assign(s + start, i - start);
            tokens.push_back(std::move(t));
            ++i;
        } else if (c == '"') {
            const std::size_t start = ++i;
            while (i < size && s[i] != '"') {
                ++i;
            }
            if (i >= size) {
                return std::nullopt;
            }
            XToken t = Simple(XToken::String);
            t.text.assign(s + start, i - start);
            tokens.push_back(std::move(t));
            ++i;
        } else if (c == '>' || c == '(' || c == ')' || c == '[' || c == ']') {
            tokens.push_back(Simple(XToken::Other));
            ++i;
        } else {
            const std::size_t start = i;
            while (i < size && !IsDelimiter(s[i]) && !(s[i] == '/' && i + 1 < size && s[i + 1] == '/')) {
                ++i;
            }
            XToken t;
            t.text.assign(s + start, i - start);
            const char first = t.text[0];
            if ((first >= '0' && first <= '9') || first == '-' || first == '+' || first == '.') {
                char* end = nullptr;
                const double value = std::strtod(t.text.c_str(), &end);
                if (end != t.text.c_str() && *end == '\0') {
                    t.kind = XToken::Number;
                    t.number = value;
                    t.text.clear();
                    tokens.push_back(std::move(t));
                    continue;
                }
            }
            t.kind = XToken::Name;
            tokens.push_back(std::move(t));
        }
    }
    return tokens;
}

std::optional<std::vector<XToken>> FromBinary(const std::uint8_t* data, std::size_t size, int floatBytes) {
    std::vector<XToken> tokens;
    Reader r(data, size);
    std::uint16_t code = 0;
    while (r.Left() > 0) {
        if (!r.U16(code)) {
            return std::nullopt;
        }
        switch (code) {
        case kTokenName:
        case kTokenString: {
            std::uint32_t length = 0;
            const std::uint8_t* p = nullptr;
            if (!r.U32(length) || !r.Bytes(length, p)) {
                return std::nullopt;
            }
            XToken t;
            t.kind = code == kTokenName ? XToken::Name : XToken::String;
            t.text.assign(reinterpret_cast<const char*>(p), length);
            // A string ends in a separator, written by some tools as a WORD and by others as
            // a DWORD; token code 0 does not exist, so a zero high half is safe to skip.
            std::uint16_t next = 0;
            if (code == kTokenString && r.PeekU16(next) && (next == kTokenComma || next == kTokenSemicolon)) {
                r.U16(next);
                if (r.PeekU16(next) && next == 0) {
                    r.U16(next);
                }
            }
            tokens.push_back(std::move(t));
            break;
        }
        case kTokenInteger: {
            std::uint32_t v = 0;
            if (!r.U32(v)) {
                return std::nullopt;
            }
            XToken t = Simple(XToken::Number);
            t.number = v;
            tokens.push_back(std::move(t));
            break;
        }
        case kTokenGuid: {
            const std::uint8_t* p = nullptr;
            if (!r.Bytes(16, p)) {
                return std::nullopt;
            }
            tokens.push_back(Simple(XToken::Guid));
            break;
        }
        case kTokenIntegerList:
        case kTokenFloatList: {
            std::uint32_t count = 0;
            if (!r.U32(count)) {
                return std::nullopt;
            }
            const std::size_t each = code == kTokenIntegerList ? 4 : static_cast<std::size_t>(floatBytes);
            if (count > r.Left() / each) {
                return std::nullopt;
            }
            tokens.reserve(tokens.size() + count);
            for (std::uint32_t k = 0; k < count; ++k) {
                const std::uint8_t* p = nullptr;
                r.Bytes(each, p);
                XToken t = Simple(XToken::Number);
                if (code == kTokenIntegerList) {
                    std::uint32_t v;
                    std::memcpy(&v, p, 4);
                    t.number = v;
                } else if (each == 8) {
                    double v;
                    std::memcpy(&v, p, 8);
                    t.number = v;
                } else {
                    float v;
                    std::memcpy(&v, p, 4);
                    t.number = v;
                }
                tokens.push_back(std::move(t));
            }
            break;
        }
        case kTokenOpenBrace:
            tokens.push_back(Simple(XToken::OpenBrace));
            break;
        case kTokenCloseBrace:
            tokens.push_back(Simple(XToken::CloseBrace));
            break;
        case kTokenComma:
        case kTokenSemicolon:
            tokens.push_back(Simple(XToken::Separator));
            break;
        case kTokenTemplate: {
            XToken t = Simple(XToken::Name);
            t.text = "template";
            tokens.push_back(std::move(t));
            break;
        }
        default: {
            if (code >= 12 && code <= 18) { // parentheses, brackets, angles, dot
                tokens.push_back(Simple(XToken::Other));
                break;
            }
            bool known = false;
            for (const auto& k : kKeywords) {
                if (k.code == code) {
                    XToken t = Simple(XToken::Name);
                    t.text = k.text;
                    tokens.push_back(std::move(t));
                    known = true;
                    break;
                }
            }
            if (!known) {
                return std::nullopt;
            }
        }
        }
    }
    return tokens;
}

} // namespace XFileTokens
