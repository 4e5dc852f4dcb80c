#pragma once
// Translates every pass of a parsed effect into linked GLSL (no GL needed): the work that
// makes creating an effect slow, and so the part that is cached across runs and that a
// build-time tool can do ahead.

#include <string>

#include "platform/d3dx9/effect_parser.h"
#include "platform/d3dx9/translated_effect.h"

// The dialect of the device's GLSL, and where an effect's translation comes from: natively
// the HLSL compiler (its results kept in the user's cache); in the browser build, which has no
// HLSL compiler, the translations made at build time (tools/quillmoor-effects) and shipped
// with the media in this directory of the run directory.
#ifdef __EMSCRIPTEN__
inline constexpr GlslDialect kDeviceGlslDialect = GlslDialect::GlslEs300;
inline constexpr bool kEffectsTranslatedAtBuildTime = true;
#else
inline constexpr GlslDialect kDeviceGlslDialect = GlslDialect::Glsl330;
inline constexpr bool kEffectsTranslatedAtBuildTime = false;
#endif
inline constexpr char kShippedEffectsDirectory[] = "effects";

// `hlsl` is the description's plain HLSL with any macro definitions in front. False with the
// compiler's message on a pass that cannot be translated.
bool TranslateEffect(const EffectDescription& description, const std::string& hlsl, GlslDialect dialect,
                     TranslatedEffect* translated, std::string* error);

// Identifies the translator: its sources and the compiler libraries it was built with. A
// stored translation made by another translator is not used.
const std::string& EffectTranslatorVersion();
