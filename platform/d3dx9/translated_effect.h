#pragma once
// An effect's shaders as the GL side runs them: for every pass of every technique, in file
// order, the linked GLSL of both stages and the names that bind it to the effect's
// parameters, samplers and the device's vertex attributes. Together with the effect file
// itself (whose parser gives parameters, samplers, states and techniques) this is all an
// effect needs at run time, so it can be made once and stored: in the start-up cache, or
// by a build-time tool for a platform without an HLSL compiler.
//
// The stored form is versioned text, self-checking (a corrupt or cut copy reads as none).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/d3dx9/hlsl_translator.h"

struct TranslatedPass {
    // False for a pass that only sets states.
    bool hasShaders = false;
    GlslProgramSource program;
};

struct TranslatedEffect {
    // Bumped whenever the stored form changes.
    static constexpr int kFormatVersion = 1;

    GlslDialect dialect = GlslDialect::Glsl330;
    std::vector<std::vector<TranslatedPass>> techniques; // [technique][pass], as in the file

    std::string Serialize() const;
    // Empty when `stored` is not a complete, unaltered copy in this format version.
    static std::optional<TranslatedEffect> Deserialize(std::string_view stored);
};
