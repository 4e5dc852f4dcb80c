// quillmoor-effects: translates effect files at build time into the entries a build without
// an HLSL compiler (the browser's) loads in their place.
//
//   quillmoor-effects --dialect es300|330 --out DIR FILE.fx...
//
// Each file is translated as D3DXCreateEffectFromFileW would translate it (no macro
// definitions) and stored in DIR under a name made from its text and the dialect.
#include <cstdio>
#include <optional>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/d3dx9/effect_cache.h"
#include "platform/d3dx9/effect_source.h"
#include "platform/d3dx9/effect_translation.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: quillmoor-effects --dialect es300|330 --out DIR FILE.fx...\n");
    return 2;
}

bool Translate(const std::string& path, GlslDialect dialect, const std::string& outDirectory) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "%s: cannot open\n", path.c_str());
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    EffectSource source;
    std::string error;
    TranslatedEffect translated;
    if (!PrepareEffectSource(text.str(), nullptr, &source, &error) ||
        !TranslateEffect(source.description, source.hlsl, dialect, &translated, &error)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    if (!EffectCache::StoreShipped(outDirectory, source.effectText, translated)) {
        std::fprintf(stderr, "%s: cannot write into %s\n", path.c_str(), outDirectory.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::optional<GlslDialect> dialect;
    std::string outDirectory;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--dialect" && i + 1 < argc) {
            const std::string_view name(argv[++i]);
            if (name == "es300") {
                dialect = GlslDialect::GlslEs300;
            } else if (name == "330") {
                dialect = GlslDialect::Glsl330;
            } else {
                return Usage();
            }
        } else if (argument == "--out" && i + 1 < argc) {
            outDirectory = argv[++i];
        } else if (argument.rfind("--", 0) == 0) {
            return Usage();
        } else {
            files.emplace_back(argument);
        }
    }
    if (!dialect || outDirectory.empty() || files.empty()) {
        return Usage();
    }
    bool ok = true;
    for (const std::string& path : files) {
        ok = Translate(path, *dialect, outDirectory) && ok;
    }
    return ok ? 0 : 1;
}
