#include "platform/d3dx9/translated_effect.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

// The stored form: a header line, then numbers and strings one per line, each string as
// "<length>:<bytes>" so any byte may appear in it, and last a line with the FNV-1a hash of
// everything before it.

namespace {

constexpr std::string_view kMagic = "quillmoor translated effect\n";
constexpr std::string_view kChecksumTag = "checksum ";
// More than any effect has; bounds what a damaged count can make us reserve.
constexpr std::size_t kMaxCount = 4096;

struct DialectName {
    GlslDialect dialect;
    std::string_view name;
};
constexpr DialectName kDialectNames[] = {{GlslDialect::Glsl330, "glsl330"},
                                         {GlslDialect::GlslEs300, "essl300"}};

std::uint64_t Fnv1a(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : bytes) {
        hash = (hash ^ c) * 0x100000001b3ull;
    }
    return hash;
}

class Writer {
  public:
    void Number(std::size_t value) { out_ += std::to_string(value) + "\n"; }
    void Signed(int value) { out_ += std::to_string(value) + "\n"; }
    void String(std::string_view text) {
        out_ += std::to_string(text.size()) + ":";
        out_ += text;
        out_ += "\n";
    }
    void Pairs(const std::vector<GlslNamePair>& pairs) {
        Number(pairs.size());
        for (const GlslNamePair& pair : pairs) {
            String(pair.hlsl);
            String(pair.glsl);
        }
    }
    std::string Finish() {
        char checksum[17];
        std::snprintf(checksum, sizeof checksum, "%016llx", static_cast<unsigned long long>(Fnv1a(out_)));
        return out_ + std::string(kChecksumTag) + checksum + "\n";
    }
    std::string out_;
};

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool Number(std::size_t& value, std::size_t limit = kMaxCount) {
        int signedValue = 0;
        if (!Signed(signedValue) || signedValue < 0 || static_cast<std::size_t>(signedValue) > limit) {
            return false;
        }
        value = static_cast<std::size_t>(signedValue);
        return true;
    }
    bool Signed(int& value) {
        const char* first = text_.data() + pos_;
        const char* last = text_.data() + text_.size();
        const auto [end, ec] = std::from_chars(first, last, value);
        if (ec != std::errc() || end == last || *end != '\n') {
            return false;
        }
        pos_ = static_cast<std::size_t>(end - text_.data()) + 1;
        return true;
    }
    bool String(std::string& value) {
        const char* first = text_.data() + pos_;
        const char* last = text_.data() + text_.size();
        std::size_t length = 0;
        const auto [colon, ec] = std::from_chars(first, last, length);
        if (ec != std::errc() || colon == last || *colon != ':') {
            return false;
        }
        const std::size_t start = static_cast<std::size_t>(colon - text_.data()) + 1;
        if (length > text_.size() - start || start + length >= text_.size() ||
            text_[start + length] != '\n') {
            return false;
        }
        value.assign(text_.substr(start, length));
        pos_ = start + length + 1;
        return true;
    }
    bool Pairs(std::vector<GlslNamePair>& pairs) {
        std::size_t count = 0;
        if (!Number(count)) {
            return false;
        }
        pairs.resize(count);
        for (GlslNamePair& pair : pairs) {
            if (!String(pair.hlsl) || !String(pair.glsl)) {
                return false;
            }
        }
        return true;
    }
    bool AtEnd() const { return pos_ == text_.size(); }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

std::string TranslatedEffect::Serialize() const {
    Writer w;
    w.out_ += kMagic;
    w.Number(kFormatVersion);
    for (const DialectName& d : kDialectNames) {
        if (d.dialect == dialect) {
            w.String(d.name);
        }
    }
    w.Number(techniques.size());
    for (const std::vector<TranslatedPass>& passes : techniques) {
        w.Number(passes.size());
        for (const TranslatedPass& pass : passes) {
            w.Number(pass.hasShaders ? 1 : 0);
            if (!pass.hasShaders) {
                continue;
            }
            w.String(pass.program.vertex);
            w.String(pass.program.fragment);
            w.Number(pass.program.attributes.size());
            for (const GlslAttribute& attribute : pass.program.attributes) {
                w.String(attribute.name);
                w.Signed(attribute.location);
            }
            w.Pairs(pass.program.samplers);
            w.Pairs(pass.program.globals);
        }
    }
    return w.Finish();
}

std::optional<TranslatedEffect> TranslatedEffect::Deserialize(std::string_view stored) {
    // The checksum line closes the text; everything before it must hash to its value.
    const std::size_t checksumAt = stored.rfind(kChecksumTag);
    if (checksumAt == std::string_view::npos || stored.size() != checksumAt + kChecksumTag.size() + 17 ||
        stored.back() != '\n' || stored.substr(0, kMagic.size()) != kMagic) {
        return std::nullopt;
    }
    std::uint64_t checksum = 0;
    const char* hex = stored.data() + checksumAt + kChecksumTag.size();
    const auto [end, ec] = std::from_chars(hex, hex + 16, checksum, 16);
    const std::string_view body = stored.substr(0, checksumAt);
    if (ec != std::errc() || end != hex + 16 || checksum != Fnv1a(body)) {
        return std::nullopt;
    }

    Reader r(body.substr(kMagic.size()));
    TranslatedEffect effect;
    std::size_t version = 0;
    std::string dialectName;
    if (!r.Number(version) || version != static_cast<std::size_t>(kFormatVersion) || !r.String(dialectName)) {
        return std::nullopt;
    }
    bool knownDialect = false;
    for (const DialectName& d : kDialectNames) {
        if (d.name == dialectName) {
            effect.dialect = d.dialect;
            knownDialect = true;
        }
    }
    std::size_t techniqueCount = 0;
    if (!knownDialect || !r.Number(techniqueCount)) {
        return std::nullopt;
    }
    effect.techniques.resize(techniqueCount);
    for (std::vector<TranslatedPass>& passes : effect.techniques) {
        std::size_t passCount = 0;
        if (!r.Number(passCount)) {
            return std::nullopt;
        }
        passes.resize(passCount);
        for (TranslatedPass& pass : passes) {
            std::size_t hasShaders = 0;
            if (!r.Number(hasShaders, 1)) {
                return std::nullopt;
            }
            pass.hasShaders = hasShaders == 1;
            if (!pass.hasShaders) {
                continue;
            }
            std::size_t attributeCount = 0;
            if (!r.String(pass.program.vertex) || !r.String(pass.program.fragment) ||
                !r.Number(attributeCount)) {
                return std::nullopt;
            }
            pass.program.attributes.resize(attributeCount);
            for (GlslAttribute& attribute : pass.program.attributes) {
                if (!r.String(attribute.name) || !r.Signed(attribute.location)) {
                    return std::nullopt;
                }
            }
            if (!r.Pairs(pass.program.samplers) || !r.Pairs(pass.program.globals)) {
                return std::nullopt;
            }
        }
    }
    if (!r.AtEnd()) {
        return std::nullopt;
    }
    return effect;
}
