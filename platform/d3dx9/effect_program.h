#pragma once
// GL programs of effect passes, compiled and linked once per distinct source text and GL
// share group: eight effects loaded from one file share their programs.

#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/hlsl_translator.h"

struct EffectProgramUniform {
    int location;
    unsigned glType;       // GL_FLOAT_VEC4, GL_FLOAT_MAT4, ...
    int count;             // array length
    std::string parameter; // the effect parameter's name
};

struct EffectProgramSampler {
    int location;
    std::string sampler; // the effect sampler's name
};

struct EffectProgram {
    unsigned program = 0;
    std::vector<EffectProgramUniform> uniforms;
    std::vector<EffectProgramSampler> samplers;
};

// The linked program of a pass in the share group of the device's GL context (made current
// by the caller).
// Null with the compiler's log on failure.
const EffectProgram* LinkEffectProgram(IDirect3DDevice9* device, const GlslProgramSource& source,
                                       std::string* error);
