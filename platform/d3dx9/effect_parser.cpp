#include "platform/d3dx9/effect_parser.h"

#include <cctype>
#include <cstdlib>
#include <set>
#include <span>
#include <string>

namespace {

struct NamedValue {
    const char* name;
    DWORD value;
};

constexpr NamedValue BoolValues[] = {{"true", 1}, {"false", 0}};
constexpr NamedValue ZBufferValues[] = {{"true", D3DZB_TRUE}, {"false", D3DZB_FALSE}, {"UseW", 2}};
constexpr NamedValue FillValues[] = {
    {"Point", D3DFILL_POINT}, {"Wireframe", D3DFILL_WIREFRAME}, {"Solid", D3DFILL_SOLID}};
constexpr NamedValue ShadeValues[] = {{"Flat", D3DSHADE_FLAT}, {"Gouraud", D3DSHADE_GOURAUD}};
constexpr NamedValue BlendValues[] = {
    {"Zero", D3DBLEND_ZERO},
    {"One", D3DBLEND_ONE},
    {"SrcColor", D3DBLEND_SRCCOLOR},
    {"InvSrcColor", D3DBLEND_INVSRCCOLOR},
    {"SrcAlpha", D3DBLEND_SRCALPHA},
    {"InvSrcAlpha", D3DBLEND_INVSRCALPHA},
    {"DestAlpha", D3DBLEND_DESTALPHA},
    {"InvDestAlpha", D3DBLEND_INVDESTALPHA},
    {"DestColor", D3DBLEND_DESTCOLOR},
    {"InvDestColor", D3DBLEND_INVDESTCOLOR},
    {"SrcAlphaSat", D3DBLEND_SRCALPHASAT},
};
constexpr NamedValue CullValues[] = {{"None", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}};
constexpr NamedValue CompareValues[] = {
    {"Never", D3DCMP_NEVER},
    {"Less", D3DCMP_LESS},
    {"Equal", D3DCMP_EQUAL},
    {"LessEqual", D3DCMP_LESSEQUAL},
    {"Greater", D3DCMP_GREATER},
    {"NotEqual", D3DCMP_NOTEQUAL},
    {"GreaterEqual", D3DCMP_GREATEREQUAL},
    {"Always", D3DCMP_ALWAYS},
};
constexpr NamedValue BlendOpValues[] = {
    {"Add", D3DBLENDOP_ADD}, {"Subtract", D3DBLENDOP_SUBTRACT}, {"RevSubtract", D3DBLENDOP_REVSUBTRACT},
    {"Min", D3DBLENDOP_MIN}, {"Max", D3DBLENDOP_MAX},
};

constexpr NamedValue FilterValues[] = {
    {"None", D3DTEXF_NONE},
    {"Point", D3DTEXF_POINT},
    {"Linear", D3DTEXF_LINEAR},
    {"Anisotropic", D3DTEXF_ANISOTROPIC},
};
constexpr NamedValue AddressValues[] = {
    {"Wrap", D3DTADDRESS_WRAP},
    {"Mirror", D3DTADDRESS_MIRROR},
    {"Clamp", D3DTADDRESS_CLAMP},
    {"Border", D3DTADDRESS_BORDER},
    {"MirrorOnce", 5},
};

constexpr std::span<const NamedValue> NoNamedValues;

struct RenderStateName {
    const char* name;
    D3DRENDERSTATETYPE state;
    // The names its values may be given by; a number is always accepted.
    std::span<const NamedValue> values;
};

constexpr RenderStateName RenderStateNames[] = {
    {"ZEnable", D3DRS_ZENABLE, ZBufferValues},
    {"FillMode", D3DRS_FILLMODE, FillValues},
    {"ShadeMode", D3DRS_SHADEMODE, ShadeValues},
    {"ZWriteEnable", D3DRS_ZWRITEENABLE, BoolValues},
    {"AlphaTestEnable", D3DRS_ALPHATESTENABLE, BoolValues},
    {"SrcBlend", D3DRS_SRCBLEND, BlendValues},
    {"DestBlend", D3DRS_DESTBLEND, BlendValues},
    {"CullMode", D3DRS_CULLMODE, CullValues},
    {"ZFunc", D3DRS_ZFUNC, CompareValues},
    {"AlphaRef", D3DRS_ALPHAREF, NoNamedValues},
    {"AlphaFunc", D3DRS_ALPHAFUNC, CompareValues},
    {"DitherEnable", D3DRS_DITHERENABLE, BoolValues},
    {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE, BoolValues},
    {"FogEnable", D3DRS_FOGENABLE, BoolValues},
    {"SpecularEnable", D3DRS_SPECULARENABLE, BoolValues},
    {"StencilEnable", D3DRS_STENCILENABLE, BoolValues},
    {"TextureFactor", D3DRS_TEXTUREFACTOR, NoNamedValues},
    {"Lighting", D3DRS_LIGHTING, BoolValues},
    {"Ambient", D3DRS_AMBIENT, NoNamedValues},
    {"ColorVertex", D3DRS_COLORVERTEX, BoolValues},
    {"NormalizeNormals", D3DRS_NORMALIZENORMALS, BoolValues},
    {"ColorWriteEnable", D3DRS_COLORWRITEENABLE, NoNamedValues},
    {"BlendOp", D3DRS_BLENDOP, BlendOpValues},
    {"SeparateAlphaBlendEnable", D3DRS_SEPARATEALPHABLENDENABLE, BoolValues},
    {"SrcBlendAlpha", D3DRS_SRCBLENDALPHA, BlendValues},
    {"DestBlendAlpha", D3DRS_DESTBLENDALPHA, BlendValues},
    {"BlendOpAlpha", D3DRS_BLENDOPALPHA, BlendOpValues},
};

struct SamplerStateName {
    const char* name;
    D3DSAMPLERSTATETYPE state;
    std::span<const NamedValue> values;
};

constexpr SamplerStateName SamplerStateNames[] = {
    {"AddressU", D3DSAMP_ADDRESSU, AddressValues},  {"AddressV", D3DSAMP_ADDRESSV, AddressValues},
    {"AddressW", D3DSAMP_ADDRESSW, AddressValues},  {"BorderColor", D3DSAMP_BORDERCOLOR, NoNamedValues},
    {"MagFilter", D3DSAMP_MAGFILTER, FilterValues}, {"MinFilter", D3DSAMP_MINFILTER, FilterValues},
    {"MipFilter", D3DSAMP_MIPFILTER, FilterValues},
};

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

const NamedValue* FindValue(std::span<const NamedValue> table, std::string_view name) {
    for (const NamedValue& entry : table) {
        if (EqualNoCase(entry.name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

enum class TokenKind { Identifier, Number, String, Punct, Directive, End };

struct Token {
    TokenKind kind;
    std::string_view text;
    size_t begin;
    size_t end;
    int line;
};

class Tokenizer {
  public:
    explicit Tokenizer(std::string_view source) : source_(source) {}

    bool Run(std::vector<Token>* tokens, std::string* error) {
        size_t i = 0;
        int line = 1;
        bool lineStart = true;
        while (i < source_.size()) {
            char c = source_[i];
            if (c == '\n') {
                ++line;
                ++i;
                lineStart = true;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++i;
                continue;
            }
            if (c == '/' && i + 1 < source_.size() && source_[i + 1] == '/') {
                while (i < source_.size() && source_[i] != '\n') {
                    ++i;
                }
                continue;
            }
            if (c == '/' && i + 1 < source_.size() && source_[i + 1] == '*') {
                size_t close = source_.find("*/", i + 2);
                if (close == std::string_view::npos) {
                    *error = "line " + std::to_string(line) + ": unterminated comment";
                    return false;
                }
                for (size_t k = i; k < close; ++k) {
                    line += source_[k] == '\n';
                }
                i = close + 2;
                continue;
            }
            size_t begin = i;
            TokenKind kind;
            if (c == '#' && lineStart) {
                // A preprocessor line, continuation lines included; handed on unchanged.
                while (i < source_.size() && source_[i] != '\n') {
                    if (source_[i] == '\\' && i + 1 < source_.size() && source_[i + 1] == '\n') {
                        ++line;
                        i += 2;
                        continue;
                    }
                    ++i;
                }
                kind = TokenKind::Directive;
            } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
                while (i < source_.size() &&
                       (std::isalnum(static_cast<unsigned char>(source_[i])) || source_[i] == '_')) {
                    ++i;
                }
                kind = TokenKind::Identifier;
            } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                       (c == '.' && i + 1 < source_.size() &&
                        std::isdigit(static_cast<unsigned char>(source_[i + 1])))) {
                while (i < source_.size()) {
                    char d = source_[i];
                    bool exponentSign = (d == '+' || d == '-') &&
                                        (source_[i - 1] == 'e' || source_[i - 1] == 'E') &&
                                        !(source_[begin] == '0' && begin + 1 < source_.size() &&
                                          (source_[begin + 1] == 'x' || source_[begin + 1] == 'X'));
                    if (std::isalnum(static_cast<unsigned char>(d)) || d == '.' || exponentSign) {
                        ++i;
                    } else {
                        break;
                    }
                }
                kind = TokenKind::Number;
            } else if (c == '"') {
                ++i;
                while (i < source_.size() && source_[i] != '"' && source_[i] != '\n') {
                    i += source_[i] == '\\' ? 2 : 1;
                }
                if (i >= source_.size() || source_[i] != '"') {
                    *error = "line " + std::to_string(line) + ": unterminated string";
                    return false;
                }
                ++i;
                kind = TokenKind::String;
            } else {
                ++i;
                kind = TokenKind::Punct;
            }
            lineStart = false;
            tokens->push_back({kind, source_.substr(begin, i - begin), begin, i, line});
        }
        tokens->push_back({TokenKind::End, {}, source_.size(), source_.size(), line});
        return true;
    }

  private:
    std::string_view source_;
};

struct TypeInfo {
    EffectBaseType type = EffectBaseType::Other;
    unsigned rows = 1;
    unsigned columns = 1;
};

// "float", "float3", "half4x4", "bool", "int2"; vector and matrix spelled out are handled
// by the caller.
TypeInfo ScalarOrVectorType(std::string_view name) {
    struct Base {
        const char* prefix;
        EffectBaseType type;
    };
    constexpr Base Bases[] = {{"float", EffectBaseType::Float},  {"half", EffectBaseType::Float},
                              {"double", EffectBaseType::Float}, {"int", EffectBaseType::Int},
                              {"uint", EffectBaseType::Int},     {"dword", EffectBaseType::Int},
                              {"bool", EffectBaseType::Bool}};
    TypeInfo info;
    for (const Base& base : Bases) {
        std::string_view prefix = base.prefix;
        if (name.substr(0, prefix.size()) != prefix) {
            continue;
        }
        std::string_view rest = name.substr(prefix.size());
        auto digit = [](char d) { return d >= '1' && d <= '4'; };
        if (rest.empty()) {
            info.type = base.type;
        } else if (rest.size() == 1 && digit(rest[0])) {
            info.type = base.type;
            info.columns = rest[0] - '0';
        } else if (rest.size() == 3 && digit(rest[0]) && rest[1] == 'x' && digit(rest[2])) {
            info.type = base.type;
            info.rows = rest[0] - '0';
            info.columns = rest[2] - '0';
        }
        if (info.type != EffectBaseType::Other) {
            return info;
        }
    }
    return info;
}

bool IsTextureType(std::string_view name) {
    return EqualNoCase(name, "texture") || EqualNoCase(name, "texture1D") || EqualNoCase(name, "texture2D") ||
           EqualNoCase(name, "texture3D") || EqualNoCase(name, "textureCUBE");
}

bool IsSamplerType(std::string_view name) {
    return name == "sampler" || name == "sampler1D" || name == "sampler2D" || name == "sampler3D" ||
           name == "samplerCUBE";
}

bool IsModifier(std::string_view name) {
    return name == "static" || name == "uniform" || name == "const" || name == "extern" || name == "shared" ||
           name == "volatile" || name == "row_major" || name == "column_major" || name == "inline" ||
           name == "nointerpolation" || name == "precise";
}

class Parser {
  public:
    Parser(std::string_view source, std::vector<Token> tokens, EffectDescription* out)
        : source_(source), tokens_(std::move(tokens)), out_(out) {}

    bool Run(std::string* error) {
        FindSamplerUses();
        while (Peek().kind != TokenKind::End) {
            if (!Statement()) {
                *error = "line " + std::to_string(tokens_[errorToken_].line) + ": " + message_;
                return false;
            }
        }
        return true;
    }

  private:
    const Token& Peek(size_t ahead = 0) const {
        size_t index = std::min(pos_ + ahead, tokens_.size() - 1);
        return tokens_[index];
    }
    bool Is(std::string_view text, size_t ahead = 0) const {
        const Token& t = Peek(ahead);
        return t.kind != TokenKind::End && t.kind != TokenKind::String && t.text == text;
    }
    bool Fail(const std::string& message) {
        message_ = message;
        errorToken_ = std::min(pos_, tokens_.size() - 1);
        return false;
    }
    bool Expect(std::string_view text) {
        if (!Is(text)) {
            return Fail("expected '" + std::string(text) + "'");
        }
        ++pos_;
        return true;
    }
    bool Identifier(std::string* name) {
        if (Peek().kind != TokenKind::Identifier) {
            return Fail("expected a name");
        }
        *name = std::string(Peek().text);
        ++pos_;
        return true;
    }

    // Skips a balanced group that starts at the current token (one of ( [ {).
    bool SkipGroup() {
        std::string stack;
        do {
            const Token& t = Peek();
            if (t.kind == TokenKind::End) {
                return Fail("unbalanced brackets");
            }
            if (t.kind == TokenKind::Punct) {
                char c = t.text[0];
                if (c == '(' || c == '[' || c == '{') {
                    stack.push_back(c == '(' ? ')' : c == '[' ? ']' : '}');
                } else if (c == ')' || c == ']' || c == '}') {
                    if (stack.empty() || c != stack.back()) {
                        return Fail("unbalanced brackets");
                    }
                    stack.pop_back();
                }
            }
            ++pos_;
        } while (!stack.empty());
        return true;
    }

    // Annotations: "<" declarations ">". Comparisons cannot appear inside, so the first
    // ">" at depth zero closes them.
    bool SkipAnnotations() {
        if (!Is("<")) {
            return true;
        }
        ++pos_;
        while (!Is(">")) {
            if (Peek().kind == TokenKind::End) {
                return Fail("unterminated annotation");
            }
            if (Is("{") || Is("(")) {
                if (!SkipGroup()) {
                    return false;
                }
                continue;
            }
            ++pos_;
        }
        ++pos_;
        return true;
    }

    void Emit(size_t beginToken, size_t endToken) {
        if (endToken <= beginToken) {
            return;
        }
        out_->hlsl.append(
            source_.substr(tokens_[beginToken].begin, tokens_[endToken - 1].end - tokens_[beginToken].begin));
        out_->hlsl.push_back('\n');
    }

    void FindSamplerUses() {
        for (size_t i = 0; i + 2 < tokens_.size(); ++i) {
            if (tokens_[i].kind != TokenKind::Identifier || tokens_[i + 1].text != "(" ||
                tokens_[i + 2].kind != TokenKind::Identifier) {
                continue;
            }
            std::string_view fn = tokens_[i].text;
            if (fn.substr(0, 7) == "texCUBE") {
                cubeSamplers_.insert(std::string(tokens_[i + 2].text));
            } else if (fn.substr(0, 5) == "tex3D") {
                volumeSamplers_.insert(std::string(tokens_[i + 2].text));
            }
        }
    }

    bool Statement() {
        const Token& first = Peek();
        if (first.kind == TokenKind::Directive) {
            out_->hlsl.append(first.text);
            out_->hlsl.push_back('\n');
            ++pos_;
            return true;
        }
        if (Is(";")) {
            ++pos_;
            return true;
        }
        if (Is("technique") || Is("Technique") || Is("technique9")) {
            return Technique();
        }
        if (Is("struct") || Is("typedef") || Is("cbuffer")) {
            size_t begin = pos_;
            while (!Is(";") && !Is("{")) {
                if (Peek().kind == TokenKind::End) {
                    return Fail("unterminated declaration");
                }
                ++pos_;
            }
            if (Is("{") && !SkipGroup()) {
                return false;
            }
            if (Is(";")) {
                ++pos_;
            }
            Emit(begin, pos_);
            return true;
        }
        return Declaration();
    }

    // A function (copied through) or one or more global variables.
    bool Declaration() {
        size_t begin = pos_;
        bool isStatic = false;
        while (Peek().kind == TokenKind::Identifier && IsModifier(Peek().text)) {
            isStatic = isStatic || Is("static");
            ++pos_;
        }
        if (Peek().kind != TokenKind::Identifier) {
            return Fail("unexpected '" + std::string(Peek().text) + "'");
        }
        size_t typeBegin = pos_;
        std::string_view typeName = Peek().text;
        ++pos_;
        TypeInfo type = ScalarOrVectorType(typeName);
        if (typeName == "vector" || typeName == "matrix") {
            type.type = EffectBaseType::Float;
            type.rows = typeName == "matrix" ? 4 : 1;
            type.columns = 4;
            if (Is("<")) {
                // vector<float, 3>, matrix<float, 3, 3>
                std::vector<unsigned> dims;
                ++pos_;
                if (Peek().kind == TokenKind::Identifier) {
                    type.type = ScalarOrVectorType(Peek().text).type;
                    ++pos_;
                }
                while (Is(",")) {
                    ++pos_;
                    dims.push_back(
                        static_cast<unsigned>(std::strtoul(std::string(Peek().text).c_str(), nullptr, 10)));
                    ++pos_;
                }
                if (!Expect(">")) {
                    return false;
                }
                if (typeName == "vector" && dims.size() == 1) {
                    type.columns = dims[0];
                } else if (typeName == "matrix" && dims.size() == 2) {
                    type.rows = dims[0];
                    type.columns = dims[1];
                }
            }
        }
        size_t typeEnd = pos_;
        if (Peek().kind == TokenKind::Identifier && Is("(", 1)) {
            return Function(begin);
        }
        if (typeName == "string") {
            return SkipToSemicolon();
        }
        if (IsTextureType(typeName)) {
            return Variables(begin, typeBegin, typeEnd, isStatic, TypeInfo{EffectBaseType::Texture, 1, 1},
                             false);
        }
        if (IsSamplerType(typeName)) {
            return Samplers(typeName);
        }
        return Variables(begin, typeBegin, typeEnd, isStatic, type, true);
    }

    bool SkipToSemicolon() {
        while (!Is(";")) {
            if (Peek().kind == TokenKind::End) {
                return Fail("expected ';'");
            }
            if (Is("{") || Is("(") || Is("[")) {
                if (!SkipGroup()) {
                    return false;
                }
                continue;
            }
            ++pos_;
        }
        ++pos_;
        return true;
    }

    // Split at the commas outside brackets of the tokens in [begin, end).
    std::vector<std::string> SplitList(size_t begin, size_t end) {
        std::vector<std::string> items;
        int depth = 0;
        size_t start = begin;
        for (size_t i = begin; i <= end; ++i) {
            bool atEnd = i == end;
            if (!atEnd) {
                std::string_view t = tokens_[i].text;
                depth += (t == "(" || t == "[" || t == "{") ? 1 : (t == ")" || t == "]" || t == "}") ? -1 : 0;
            }
            if (atEnd || (depth == 0 && tokens_[i].text == ",")) {
                if (i > start) {
                    items.emplace_back(
                        source_.substr(tokens_[start].begin, tokens_[i - 1].end - tokens_[start].begin));
                }
                start = i + 1;
            }
        }
        return items;
    }

    bool Function(size_t begin) {
        EffectFunction function;
        function.name = std::string(Peek().text);
        function.returnType =
            std::string(source_.substr(tokens_[begin].begin, tokens_[pos_ - 1].end - tokens_[begin].begin));
        pos_ += 1; // name
        size_t open = pos_;
        if (!SkipGroup()) {
            return false;
        }
        function.parameters = SplitList(open + 1, pos_ - 1);
        while (!Is("{") && !Is(";")) {
            if (Peek().kind == TokenKind::End) {
                return Fail("unterminated function");
            }
            if (Peek().kind == TokenKind::Identifier) {
                function.semantic = std::string(Peek().text);
            }
            ++pos_; // ": SEMANTIC"
        }
        if (Is(";")) {
            ++pos_;
        } else if (!SkipGroup()) {
            return false;
        }
        Emit(begin, pos_);
        out_->functions.push_back(std::move(function));
        return true;
    }

    bool Semantics(std::string* semantic) {
        while (Is(":")) {
            ++pos_;
            if (Is("register") || Is("packoffset")) {
                ++pos_;
                if (!Is("(")) {
                    return Fail("expected '('");
                }
                if (!SkipGroup()) {
                    return false;
                }
                continue;
            }
            if (!Identifier(semantic)) {
                return false;
            }
        }
        return true;
    }

    // Numbers of an initialiser in order: "{1, 2}", "float4(1, 0, 0, 1)", "-0.5", "true".
    bool Initializer(std::vector<float>* values) {
        int depth = 0;
        bool negative = false;
        while (depth > 0 || (!Is(";") && !Is(","))) {
            const Token& t = Peek();
            if (t.kind == TokenKind::End) {
                return Fail("unterminated initialiser");
            }
            if (Is("{") || Is("(")) {
                ++depth;
            } else if (Is("}") || Is(")")) {
                --depth;
            }
            if (Is("-")) {
                negative = !negative;
            } else if (t.kind == TokenKind::Number) {
                std::string text(t.text);
                while (!text.empty() && (text.back() == 'f' || text.back() == 'F' || text.back() == 'h' ||
                                         text.back() == 'H' || text.back() == 'u' || text.back() == 'U' ||
                                         text.back() == 'l' || text.back() == 'L')) {
                    if (text.size() > 2 && (text[1] == 'x' || text[1] == 'X') && text.back() != 'u' &&
                        text.back() != 'U' && text.back() != 'l' && text.back() != 'L') {
                        break; // hex digits
                    }
                    text.pop_back();
                }
                float value = (text.size() > 2 && (text[1] == 'x' || text[1] == 'X'))
                                  ? static_cast<float>(std::strtoul(text.c_str(), nullptr, 16))
                                  : std::strtof(text.c_str(), nullptr);
                values->push_back(negative ? -value : value);
                negative = false;
            } else if (Is("true") || Is("false")) {
                values->push_back(Is("true") ? 1.0f : 0.0f);
                negative = false;
            } else if (!Is("+")) {
                negative = false;
            }
            ++pos_;
        }
        return true;
    }

    bool Variables(size_t begin, size_t typeBegin, size_t typeEnd, bool isStatic, TypeInfo type, bool emit) {
        if (isStatic) {
            // Static globals are the shader's own constants, not effect parameters.
            if (!SkipToSemicolon()) {
                return false;
            }
            Emit(begin, pos_);
            return true;
        }
        std::string typeText(
            source_.substr(tokens_[typeBegin].begin, tokens_[typeEnd - 1].end - tokens_[typeBegin].begin));
        while (true) {
            EffectParameter parameter;
            parameter.type = type.type;
            parameter.rows = type.rows;
            parameter.columns = type.columns;
            if (!Identifier(&parameter.name)) {
                return false;
            }
            std::string arrayText;
            while (Is("[")) {
                ++pos_;
                const Token& count = Peek();
                if (count.kind != TokenKind::Number) {
                    return Fail("array size must be a number");
                }
                unsigned n = static_cast<unsigned>(std::strtoul(std::string(count.text).c_str(), nullptr, 0));
                parameter.elements *= n;
                arrayText += "[" + std::to_string(n) + "]";
                ++pos_;
                if (!Expect("]")) {
                    return false;
                }
            }
            if (!Semantics(&parameter.semantic) || !SkipAnnotations()) {
                return false;
            }
            if (Is("=")) {
                ++pos_;
                if (type.type == EffectBaseType::Texture) {
                    std::vector<float> ignored;
                    if (!Initializer(&ignored)) {
                        return false;
                    }
                } else if (!Initializer(&parameter.defaultValue)) {
                    return false;
                }
                parameter.defaultValue.resize(
                    std::min<size_t>(parameter.defaultValue.size(), parameter.ComponentCount()));
            }
            if (emit) {
                // Parameters reach the compiler bare: their defaults would be dropped anyway,
                // and register bindings upset the GLSL that comes out.
                out_->hlsl += typeText + " " + parameter.name + arrayText + ";\n";
            }
            out_->parameters.push_back(std::move(parameter));
            if (Is(",")) {
                ++pos_;
                continue;
            }
            return Expect(";");
        }
    }

    bool SamplerState(EffectSampler* sampler) {
        if (!Expect("{")) {
            return false;
        }
        while (!Is("}")) {
            std::string name;
            if (!Identifier(&name)) {
                return false;
            }
            if (Is("[")) {
                if (!SkipGroup()) {
                    return false;
                }
            }
            if (!Expect("=")) {
                return false;
            }
            if (EqualNoCase(name, "Texture")) {
                bool bracket = Is("<") || Is("(");
                if (bracket) {
                    ++pos_;
                }
                if (!Identifier(&sampler->texture)) {
                    return false;
                }
                if (bracket && !Is(">") && !Is(")")) {
                    return Fail("expected '>'");
                }
                pos_ += bracket ? 1 : 0;
            } else {
                const SamplerStateName* state = nullptr;
                for (const SamplerStateName& entry : SamplerStateNames) {
                    if (EqualNoCase(entry.name, name)) {
                        state = &entry;
                    }
                }
                const Token& valueToken = Peek();
                if (state != nullptr) {
                    const NamedValue* value = FindValue(state->values, valueToken.text);
                    if (value != nullptr) {
                        sampler->states.push_back({state->state, value->value});
                    } else if (valueToken.kind == TokenKind::Number) {
                        sampler->states.push_back(
                            {state->state, static_cast<DWORD>(std::strtoul(
                                               std::string(valueToken.text).c_str(), nullptr, 0))});
                    } else {
                        return Fail("unknown value '" + std::string(valueToken.text) + "' for " + name);
                    }
                }
                // States this platform has no use for (MaxAnisotropy, SRGBTexture, ...) are
                // read and ignored.
                while (!Is(";")) {
                    if (Peek().kind == TokenKind::End || Is("}")) {
                        return Fail("expected ';'");
                    }
                    ++pos_;
                }
            }
            if (!Expect(";")) {
                return false;
            }
        }
        ++pos_;
        return true;
    }

    bool Samplers(std::string_view typeName) {
        while (true) {
            EffectSampler sampler;
            if (!Identifier(&sampler.name)) {
                return false;
            }
            if (Is("[")) {
                return Fail("sampler arrays are not supported");
            }
            std::string semantic;
            if (!Semantics(&semantic) || !SkipAnnotations()) {
                return false;
            }
            if (Is("=")) {
                ++pos_;
                if (Is("sampler_state")) {
                    ++pos_;
                }
                if (!SamplerState(&sampler)) {
                    return false;
                }
            }
            // An untyped sampler takes its type from how the shaders sample it.
            if (typeName == "samplerCUBE" ||
                (typeName == "sampler" && cubeSamplers_.count(sampler.name) != 0)) {
                sampler.dimension = EffectSamplerDimension::Cube;
                out_->hlsl += "samplerCUBE " + sampler.name + ";\n";
            } else if (typeName == "sampler3D" ||
                       (typeName == "sampler" && volumeSamplers_.count(sampler.name) != 0)) {
                sampler.dimension = EffectSamplerDimension::Tex3D;
                out_->hlsl += "sampler3D " + sampler.name + ";\n";
            } else {
                out_->hlsl += (typeName == "sampler1D" ? "sampler1D " : "sampler2D ") + sampler.name + ";\n";
            }
            out_->samplers.push_back(std::move(sampler));
            if (Is(",")) {
                ++pos_;
                continue;
            }
            return Expect(";");
        }
    }

    bool ShaderAssignment(std::string* profile, std::string* entry, std::vector<std::string>* arguments) {
        if (Is("NULL") || Is("null")) {
            ++pos_;
            return true;
        }
        if (!Is("compile")) {
            return Fail("expected 'compile'");
        }
        ++pos_;
        if (!Identifier(profile) || !Identifier(entry)) {
            return false;
        }
        if (!Is("(")) {
            return Fail("expected '('");
        }
        size_t open = pos_;
        if (!SkipGroup()) {
            return false;
        }
        *arguments = SplitList(open + 1, pos_ - 1);
        return true;
    }

    bool RenderStateValue(const RenderStateName& state, EffectPass* pass) {
        const Token& t = Peek();
        const NamedValue* value = FindValue(state.values, t.text);
        if (value != nullptr) {
            pass->renderStates.push_back({state.state, value->value});
        } else if (t.kind == TokenKind::Number) {
            pass->renderStates.push_back(
                {state.state, static_cast<DWORD>(std::strtoul(std::string(t.text).c_str(), nullptr, 0))});
        } else {
            return Fail("unknown value '" + std::string(t.text) + "' for " + state.name);
        }
        ++pos_;
        return true;
    }

    bool Pass(EffectTechnique* technique) {
        ++pos_; // "pass"
        EffectPass pass;
        if (Peek().kind == TokenKind::Identifier) {
            pass.name = std::string(Peek().text);
            ++pos_;
        }
        if (!SkipAnnotations() || !Expect("{")) {
            return false;
        }
        while (!Is("}")) {
            std::string name;
            if (!Identifier(&name)) {
                return false;
            }
            bool indexed = Is("[");
            if (indexed && !SkipGroup()) {
                return false;
            }
            if (!Expect("=")) {
                return false;
            }
            const RenderStateName* state = nullptr;
            for (const RenderStateName& entry : RenderStateNames) {
                if (EqualNoCase(entry.name, name)) {
                    state = &entry;
                }
            }
            if (EqualNoCase(name, "VertexShader") && !indexed) {
                if (!ShaderAssignment(&pass.vertexProfile, &pass.vertexEntry, &pass.vertexArguments)) {
                    return false;
                }
            } else if (EqualNoCase(name, "PixelShader") && !indexed) {
                if (!ShaderAssignment(&pass.pixelProfile, &pass.pixelEntry, &pass.pixelArguments)) {
                    return false;
                }
            } else if (state != nullptr && !indexed) {
                if (!RenderStateValue(*state, &pass)) {
                    return false;
                }
            } else {
                // Fixed-function stage and sampler assignments have no meaning for a pass
                // with shaders on this platform: read and ignored.
                while (!Is(";")) {
                    if (Peek().kind == TokenKind::End || Is("}")) {
                        return Fail("expected ';'");
                    }
                    if ((Is("{") || Is("(")) && !SkipGroup()) {
                        return false;
                    }
                    if (!Is(";")) {
                        ++pos_;
                    }
                }
            }
            if (!Expect(";")) {
                return false;
            }
        }
        ++pos_;
        technique->passes.push_back(std::move(pass));
        return true;
    }

    bool Technique() {
        ++pos_;
        EffectTechnique technique;
        if (Peek().kind == TokenKind::Identifier) {
            technique.name = std::string(Peek().text);
            ++pos_;
        }
        if (!SkipAnnotations() || !Expect("{")) {
            return false;
        }
        while (!Is("}")) {
            if (!Is("pass")) {
                return Fail("expected 'pass'");
            }
            if (!Pass(&technique)) {
                return false;
            }
        }
        ++pos_;
        out_->techniques.push_back(std::move(technique));
        return true;
    }

    std::string_view source_;
    std::vector<Token> tokens_;
    EffectDescription* out_;
    size_t pos_ = 0;
    std::set<std::string> cubeSamplers_;
    std::set<std::string> volumeSamplers_;
    std::string message_;
    size_t errorToken_ = 0;
};

} // namespace

bool ParseEffect(std::string_view source, EffectDescription* description, std::string* error) {
    *description = EffectDescription{};
    std::vector<Token> tokens;
    Tokenizer tokenizer(source);
    std::string message;
    if (!tokenizer.Run(&tokens, &message)) {
        *error = message;
        return false;
    }
    Parser parser(source, std::move(tokens), description);
    if (!parser.Run(&message)) {
        *error = message;
        *description = EffectDescription{};
        return false;
    }
    return true;
}

bool EffectEntryWrapper(const EffectDescription& description, const std::string& function,
                        const std::vector<std::string>& arguments, const std::string& wrapperName,
                        std::string* hlsl, std::string* error) {
    const EffectFunction* found = nullptr;
    for (const EffectFunction& f : description.functions) {
        if (f.name == function) {
            found = &f; // the last declaration is the definition
        }
    }
    if (found == nullptr) {
        *error = "entry point " + function + " not found";
        return false;
    }
    std::vector<std::string> kept;
    std::vector<std::string> call;
    size_t next = 0;
    for (const std::string& parameter : found->parameters) {
        std::vector<Token> tokens;
        std::string ignored;
        Tokenizer(parameter).Run(&tokens, &ignored);
        bool isUniform = false;
        std::string name;
        for (const Token& t : tokens) {
            if (t.text == ":" || t.text == "=") {
                break;
            }
            isUniform = isUniform || t.text == "uniform";
            if (t.kind == TokenKind::Identifier) {
                name = std::string(t.text);
            }
        }
        if (isUniform) {
            if (next >= arguments.size()) {
                *error = function + ": too few arguments after compile";
                return false;
            }
            call.push_back("(" + arguments[next++] + ")");
        } else {
            kept.push_back(parameter);
            call.push_back(name);
        }
    }
    if (next != arguments.size()) {
        *error = function + ": too many arguments after compile";
        return false;
    }
    auto join = [](const std::vector<std::string>& items) {
        std::string text;
        for (size_t i = 0; i < items.size(); ++i) {
            text += (i > 0 ? ", " : "") + items[i];
        }
        return text;
    };
    bool isVoid = found->returnType == "void" || found->returnType.ends_with(" void");
    *hlsl = found->returnType + " " + wrapperName + "(" + join(kept) + ")" +
            (found->semantic.empty() ? "" : " : " + found->semantic) + "\n{\n    " +
            (isVoid ? "" : "return ") + function + "(" + join(call) + ");\n}\n";
    return true;
}
