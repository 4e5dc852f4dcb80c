#include "platform/d3dx9/x_file_parser.h"

#include <cstring>
#include <optional>

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/mszip.h"
#include "platform/d3dx9/x_file_tokens.h"

namespace {

constexpr std::size_t kHeaderBytes = 16;
constexpr int kMaxDepth = 64;

class Parser {
  public:
    explicit Parser(const std::vector<XToken>& tokens) : t_(tokens) {}

    bool File(std::vector<XObject>& objects) {
        while (pos_ < t_.size()) {
            const XToken& tok = t_[pos_];
            if (tok.kind == XToken::Separator) {
                ++pos_;
            } else if (tok.kind == XToken::Name && tok.text == "template") {
                if (!SkipTemplate()) {
                    return false;
                }
            } else if (tok.kind == XToken::Name) {
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
    bool At(XToken::Kind kind) const { return pos_ < t_.size() && t_[pos_].kind == kind; }

    bool SkipTemplate() {
        ++pos_;
        if (!At(XToken::Name)) {
            return false;
        }
        ++pos_;
        if (!At(XToken::OpenBrace)) {
            return false;
        }
        int depth = 0;
        while (pos_ < t_.size()) {
            if (t_[pos_].kind == XToken::OpenBrace) {
                ++depth;
            } else if (t_[pos_].kind == XToken::CloseBrace && --depth == 0) {
                ++pos_;
                return true;
            }
            ++pos_;
        }
        return false;
    }

    // At a type name: Type [Name] [<guid>] { members, objects, references }
    bool Object(XObject& object, int depth) {
        if (depth > kMaxDepth) {
            return false;
        }
        object.type = t_[pos_++].text;
        if (At(XToken::Name)) {
            object.name = t_[pos_++].text;
        }
        if (At(XToken::Guid)) {
            ++pos_;
        }
        if (!At(XToken::OpenBrace)) {
            return false;
        }
        ++pos_;
        while (pos_ < t_.size()) {
            const XToken& tok = t_[pos_];
            switch (tok.kind) {
            case XToken::CloseBrace:
                ++pos_;
                return true;
            case XToken::Number:
                object.numbers.push_back(tok.number);
                ++pos_;
                break;
            case XToken::String:
                object.strings.push_back(tok.text);
                ++pos_;
                break;
            case XToken::Separator:
            case XToken::Guid:
                ++pos_;
                break;
            case XToken::OpenBrace: {
                ++pos_;
                XObject reference;
                reference.isReference = true;
                if (At(XToken::Name)) {
                    reference.name = t_[pos_++].text;
                }
                if (At(XToken::Guid)) {
                    ++pos_;
                }
                if (!At(XToken::CloseBrace)) {
                    return false;
                }
                ++pos_;
                object.children.push_back(std::move(reference));
                break;
            }
            case XToken::Name: {
                if (tok.text == "template") {
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

    const std::vector<XToken>& t_;
    std::size_t pos_ = 0;
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
    const auto tokens =
        text ? XFileTokens::FromText(body, bodySize) : XFileTokens::FromBinary(body, bodySize, floatBytes);
    if (!tokens || !Parser(*tokens).File(objects)) {
        objects.clear();
        return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}

} // namespace XFileParser
