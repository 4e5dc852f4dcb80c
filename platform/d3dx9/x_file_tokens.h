#pragma once
// The tokens of a DirectX .x file body, read one at a time straight from the file's bytes:
// text and binary files (compressed ones after inflating) give the same tokens, so one
// parser serves both. Names and strings point into the body, numbers are read in place,
// so a token costs no allocation. Numbers of the binary integer and float lists come one
// token each, or all at once through AppendListRest.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct XToken {
    enum Kind : std::uint8_t {
        End,
        Name,
        String,
        Number,
        Guid,
        OpenBrace,
        CloseBrace,
        Separator,
        Other,
        Error
    };
    Kind kind = End;
    double number = 0;
    std::string_view text; // Name, String and text Guid: valid while the body is
};

class XTokenStream {
  public:
    // Binary bodies: floatBytes is 4 or 8 (the header's "0032" / "0064").
    static XTokenStream Text(const std::uint8_t* body, std::size_t size);
    static XTokenStream Binary(const std::uint8_t* body, std::size_t size, int floatBytes);

    // Moves to the next token: End after the last, Error on an unterminated text string or
    // guid, a truncated binary token or an unknown binary token code (and Error from then on).
    // The token is updated in place, as the parser reads millions of them.
    void Advance();
    const XToken& Current() const { return token_; }

    // Inside a binary number list: appends the list's remaining numbers to `out`.
    void AppendListRest(std::vector<double>& out);

  private:
    XTokenStream(const std::uint8_t* body, std::size_t size, int floatBytes)
        : data_(body), size_(size), floatBytes_(floatBytes) {}
    void NextText();
    void NextBinary();
    double ListNumber();
    void Set(XToken::Kind kind) { token_.kind = kind; }
    void Set(XToken::Kind kind, const void* text, std::size_t length) {
        token_.kind = kind;
        token_.text = std::string_view(static_cast<const char*>(text), length);
    }
    void SetNumber(double number) {
        token_.kind = XToken::Number;
        token_.number = number;
    }
    void Fail();

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    int floatBytes_; // 0 for text
    bool failed_ = false;
    XToken token_;
    // The binary list being read: its remaining count and whether it holds floats.
    std::uint32_t listLeft_ = 0;
    bool listOfFloats_ = false;
};
