#include "platform/d3dx9/effect_translation.h"

#include <glslang/build_info.h>

#include "platform/d3dx9/effect_translator_sources_hash.h"

namespace {

// The source and entry point the compiler starts from: the function itself, or a wrapper
// that binds its uniform parameters to the values given after "compile".
bool EntryPoint(const EffectDescription& description, const std::string& hlsl, const std::string& function,
                const std::vector<std::string>& arguments, std::string* source, std::string* entry,
                std::string* error) {
    if (arguments.empty()) {
        *source = hlsl;
        *entry = function;
        return true;
    }
    std::string wrapper;
    *entry = "qm_entry";
    if (!EffectEntryWrapper(description, function, arguments, *entry, &wrapper, error)) {
        return false;
    }
    *source = hlsl + wrapper;
    return true;
}

bool TranslatePass(const EffectDescription& description, const std::string& hlsl, const EffectPass& pass,
                   GlslDialect dialect, GlslProgramSource* program, std::string* error) {
    std::string vertexSource, vertexEntry, pixelSource, pixelEntry;
    if (!EntryPoint(description, hlsl, pass.vertexEntry, pass.vertexArguments, &vertexSource, &vertexEntry,
                    error) ||
        !EntryPoint(description, hlsl, pass.pixelEntry, pass.pixelArguments, &pixelSource, &pixelEntry,
                    error)) {
        return false;
    }
    GlslShader vertex, pixel;
    if (!TranslateHlsl(vertexSource, vertexEntry, HlslStage::Vertex, &vertex, error, dialect) ||
        !TranslateHlsl(pixelSource, pixelEntry, HlslStage::Pixel, &pixel, error, dialect)) {
        return false;
    }
    *program = LinkGlslStages(vertex, pixel);
    return true;
}

} // namespace

bool TranslateEffect(const EffectDescription& description, const std::string& hlsl, GlslDialect dialect,
                     TranslatedEffect* translated, std::string* error) {
    *translated = TranslatedEffect{};
    translated->dialect = dialect;
    for (const EffectTechnique& technique : description.techniques) {
        std::vector<TranslatedPass>& passes = translated->techniques.emplace_back();
        for (const EffectPass& pass : technique.passes) {
            TranslatedPass& out = passes.emplace_back();
            if (pass.vertexEntry.empty() && pass.pixelEntry.empty()) {
                continue; // render states only
            }
            if (pass.vertexEntry.empty() || pass.pixelEntry.empty()) {
                *error = technique.name + ": a pass needs both a vertex and a pixel shader here";
                return false;
            }
            if (!TranslatePass(description, hlsl, pass, dialect, &out.program, error)) {
                return false;
            }
            out.hasShaders = true;
        }
    }
    return true;
}

const std::string& EffectTranslatorVersion() {
    static const std::string version = std::string(kEffectTranslatorSourcesHash) + " glslang " +
                                       std::to_string(GLSLANG_VERSION_MAJOR) + "." +
                                       std::to_string(GLSLANG_VERSION_MINOR) + "." +
                                       std::to_string(GLSLANG_VERSION_PATCH) + GLSLANG_VERSION_FLAVOR;
    return version;
}
