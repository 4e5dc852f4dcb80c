#include "platform/d3d9/recorded_call.h"

#include <cstdio>

std::string JsonEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += ch;
            }
        }
    }
    return out;
}

std::string RecordedCall::JsonMembers() const {
    std::string out = "\"call\":\"" + JsonEscape(name) + "\",\"args\":[";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i != 0) {
            out += ',';
        }
        out += '"' + JsonEscape(args[i]) + '"';
    }
    out += ']';
    return out;
}

std::string RecordedCall::ToJson() const {
    return "{" + JsonMembers() + "}";
}
