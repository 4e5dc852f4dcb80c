#include "platform/d3dx9/effect_translation.h"

#include <glslang/build_info.h>

#include <chrono>
#include <optional>

#include "platform/d3dx9/effect_translator_sources_hash.h"
#include "platform/process/child_process_call.h"

namespace {

// Far more than any effect takes (diffuse.fx: well under a second), and a bound on a hang.
constexpr std::chrono::seconds kTranslationTimeLimit{120};

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

bool TranslateEffectHere(const EffectDescription& description, const std::string& hlsl, GlslDialect dialect,
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

} // namespace

// glslang's HLSL front end dereferences null on some malformed shaders (a conditional whose
// two sides have no common type, used as a value), and an effect file is media a user may
// replace: the compiler runs in a child process, so that such a file is refused with a
// message instead of ending the demo. The child answers with 'T' and the stored form of the
// translation, or 'E' and the compiler's message.
bool TranslateEffect(const EffectDescription& description, const std::string& hlsl, GlslDialect dialect,
                     TranslatedEffect* translated, std::string* error) {
    std::string reply;
    const ChildCallOutcome outcome = CallInChildProcess(
        [&] {
            TranslatedEffect made;
            std::string message;
            return TranslateEffectHere(description, hlsl, dialect, &made, &message) ? "T" + made.Serialize()
                                                                                    : "E" + message;
        },
        kTranslationTimeLimit, &reply);
    switch (outcome) {
    case ChildCallOutcome::Unavailable:
        return TranslateEffectHere(description, hlsl, dialect, translated, error);
    case ChildCallOutcome::Crashed:
        *error = "the HLSL compiler crashed on this effect";
        return false;
    case ChildCallOutcome::TimedOut:
        *error =
            "the HLSL compiler did not finish within " + std::to_string(kTranslationTimeLimit.count()) + " s";
        return false;
    case ChildCallOutcome::Finished:
        break;
    }
    if (!reply.empty() && reply[0] == 'E') {
        *error = reply.substr(1);
        return false;
    }
    std::optional<TranslatedEffect> made;
    if (!reply.empty() && reply[0] == 'T') {
        made = TranslatedEffect::Deserialize(std::string_view(reply).substr(1));
    }
    if (!made) {
        *error = "the HLSL compiler's process answered with something other than a translation";
        return false;
    }
    *translated = std::move(*made);
    return true;
}

const std::string& EffectTranslatorVersion() {
    static const std::string version = std::string(kEffectTranslatorSourcesHash) + " glslang " +
                                       std::to_string(GLSLANG_VERSION_MAJOR) + "." +
                                       std::to_string(GLSLANG_VERSION_MINOR) + "." +
                                       std::to_string(GLSLANG_VERSION_PATCH) + GLSLANG_VERSION_FLAVOR;
    return version;
}
