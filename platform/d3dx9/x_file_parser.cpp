#include "platform/d3dx9/x_file_parser.h"

#include <cstring>
#include <optional>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/mszip.h"
#include "platform/d3dx9/x_file_tokens.h"

namespace {

constexpr std::size_t kHeaderBytes = 16;
constexpr int kMaxDepth = 64;

// Reads objects straight off the token stream with one token of lookahead.
class Parser {
  public:
    explicit Parser(XTokenStream& tokens) : tokens_(tokens), tok_(tokens.Current()) { Advance(); }

    bool File(std::vector<XObject>& objects) {
        while (tok_.kind != XToken::End) {
            if (tok_.kind == XToken::Separator) {
                Advance();
            } else if (tok_.kind == XToken::Name && tok_.text == "template") {
                if (!SkipTemplate()) {
                    return false;
                }
            } else if (tok_.kind == XToken::Name) {
                XObject object;
                if (!Object(object, 0)) {
                    return false;
                }
                objects.push_back(std::move(object));
            } else {
                return false;
            }
        }
        return true;
    }

  private:
    void Advance() { tokens_.Advance(); }
    bool At(XToken::Kind kind) const { return tok_.kind == kind; }

    bool SkipTemplate() {
        Advance();
        if (!At(XToken::Name)) {
            return false;
        }
        Advance();
        if (!At(XToken::OpenBrace)) {
            return false;
        }
        int depth = 0;
        while (tok_.kind != XToken::End && tok_.kind != XToken::Error) {
            if (tok_.kind == XToken::OpenBrace) {
                ++depth;
            } else if (tok_.kind == XToken::CloseBrace && --depth == 0) {
                Advance();
                return true;
            }
            Advance();
        }
        return false;
    }

    // At a type name: Type [Name] [<guid>] { members, objects, references }
    bool Object(XObject& object, int depth) {
        if (depth > kMaxDepth) {
            return false;
        }
        object.type = tok_.text;
        Advance();
        if (At(XToken::Name)) {
            object.name = tok_.text;
            Advance();
        }
        if (At(XToken::Guid)) {
            Advance();
        }
        if (!At(XToken::OpenBrace)) {
            return false;
        }
        Advance();
        while (tok_.kind != XToken::End) {
            switch (tok_.kind) {
            case XToken::CloseBrace:
                Advance();
                return true;
            case XToken::Number:
                object.numbers.push_back(tok_.number);
                tokens_.AppendListRest(object.numbers);
                Advance();
                break;
            case XToken::String:
                object.strings.emplace_back(tok_.text);
                Advance();
                break;
            case XToken::Separator:
            case XToken::Guid:
                Advance();
                break;
            case XToken::OpenBrace: {
                Advance();
                XObject reference;
                reference.isReference = true;
                if (At(XToken::Name)) {
                    reference.name = tok_.text;
                    Advance();
                }
                if (At(XToken::Guid)) {
                    Advance();
                }
                if (!At(XToken::CloseBrace)) {
                    return false;
                }
                Advance();
                object.children.push_back(std::move(reference));
                break;
            }
            case XToken::Name: {
                if (tok_.text == "template") {
                    return false;
                }
                XObject child;
                if (!Object(child, depth + 1)) {
                    return false;
                }
                object.children.push_back(std::move(child));
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    XTokenStream& tokens_;
    const XToken& tok_; // the stream's current token
};

} // namespace

namespace XFileParser {

HRESULT Parse(const std::uint8_t* data, std::size_t size, std::vector<XObject>& objects) {
    objects.clear();
    if (size < kHeaderBytes || std::memcmp(data, "xof ", 4) != 0) {
        return D3DXERR_INVALIDDATA;
    }
    const char* format = reinterpret_cast<const char*>(data + 8);
    const char* floatSize = reinterpret_cast<const char*>(data + 12);
    int floatBytes = 0;
    if (std::memcmp(floatSize, "0032", 4) == 0) {
        floatBytes = 4;
    } else if (std::memcmp(floatSize, "0064", 4) == 0) {
        floatBytes = 8;
    } else {
        return D3DXERR_INVALIDDATA;
    }
    const bool text = std::memcmp(format, "txt ", 4) == 0 || std::memcmp(format, "tzip", 4) == 0;
    const bool binary = std::memcmp(format, "bin ", 4) == 0 || std::memcmp(format, "bzip", 4) == 0;
    const bool zipped = std::memcmp(format, "tzip", 4) == 0 || std::memcmp(format, "bzip", 4) == 0;
    if (!text && !binary) {
        return D3DXERR_INVALIDDATA;
    }
    const std::uint8_t* body = data + kHeaderBytes;
    std::size_t bodySize = size - kHeaderBytes;
    std::optional<std::vector<std::uint8_t>> inflated;
    if (zipped) {
        inflated = Mszip::Inflate(body, bodySize);
        if (!inflated) {
            return D3DXERR_INVALIDDATA;
        }
        body = inflated->data();
        bodySize = inflated->size();
    }
    XTokenStream tokens =
        text ? XTokenStream::Text(body, bodySize) : XTokenStream::Binary(body, bodySize, floatBytes);
    if (!Parser(tokens).File(objects)) {
        objects.clear();
        return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}

} // namespace XFileParser
