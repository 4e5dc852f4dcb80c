// The browser build has no HLSL compiler (glslang and SPIRV-Cross do not run in the page): an
// effect's translation is the one tools/quillmoor-effects made when the media were built and
// shipped with them, and an effect without one is reported, not translated.
#include "platform/d3dx9/effect_translation.h"

bool TranslateEffect(const EffectDescription&, const std::string&, GlslDialect, TranslatedEffect*,
                     std::string* error) {
    *error = std::string("this build cannot translate HLSL: no translation made at build time matches this "
                         "effect file (tools/quillmoor-effects writes them into ") +
             kShippedEffectsDirectory + "/)";
    return false;
}

const std::string& EffectTranslatorVersion() {
    static const std::string version = "none: effects are translated at build time";
    return version;
}
