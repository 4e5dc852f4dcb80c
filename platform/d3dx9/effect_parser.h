#pragma once
// Reads the effect-file syntax: parameters with their defaults, textures, samplers with
// their states, techniques and passes with their render states. What remains is plain
// HLSL that the shader compiler accepts; the effect-only parts are recorded here.

#include <string>
#include <string_view>
#include <vector>

#include "platform/d3d9/d3d9_types.h"

enum class EffectBaseType { Float, Int, Bool, Texture, Other };

struct EffectParameter {
    std::string name;
    std::string semantic;
    EffectBaseType type = EffectBaseType::Float;
    unsigned rows = 1;     // 1 for scalars and vectors
    unsigned columns = 1;  // vector size, or matrix columns
    unsigned elements = 1; // array length (1 when not an array)
    // Default value as written after "=", one entry per component (row by row); empty when
    // the declaration has none. Ints and bools are stored as their numeric value.
    std::vector<float> defaultValue;

    unsigned ComponentCount() const { return rows * columns * elements; }
};

enum class EffectSamplerDimension { Tex2D, Cube, Tex3D };

struct EffectSamplerState {
    D3DSAMPLERSTATETYPE type;
    DWORD value;
};

struct EffectSampler {
    std::string name;
    std::string texture; // the texture parameter named by "Texture = <t>", may be empty
    EffectSamplerDimension dimension = EffectSamplerDimension::Tex2D;
    std::vector<EffectSamplerState> states;
};

struct EffectRenderState {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

struct EffectPass {
    std::string name;
    std::string vertexProfile, vertexEntry; // empty entry: no vertex shader
    std::string pixelProfile, pixelEntry;
    // Values after "compile": they feed the entry point's uniform parameters in order.
    std::vector<std::string> vertexArguments, pixelArguments;
    std::vector<EffectRenderState> renderStates;
};

struct EffectTechnique {
    std::string name;
    std::vector<EffectPass> passes;
};

struct EffectFunction {
    std::string name;
    std::string returnType;              // with any modifiers in front of it
    std::vector<std::string> parameters; // as written, one per entry
    std::string semantic;                // of the return value, may be empty
};

struct EffectDescription {
    std::vector<EffectFunction> functions;
    std::vector<EffectParameter> parameters;
    std::vector<EffectSampler> samplers;
    std::vector<EffectTechnique> techniques;
    std::string hlsl; // the plain HLSL left for the shader compiler
};

// False with a message ("line N: ...") on a syntax the parser does not understand.
bool ParseEffect(std::string_view source, EffectDescription* description, std::string* error);

// An entry point named `wrapperName` that calls `function` with the uniform parameters bound
// to `arguments` (the values after "compile"), for the shader compiler to start from.
bool EffectEntryWrapper(const EffectDescription& description, const std::string& function,
                        const std::vector<std::string>& arguments, const std::string& wrapperName,
                        std::string* hlsl, std::string* error);
