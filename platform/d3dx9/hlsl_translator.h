#pragma once
// Plain HLSL (Direct3D 9 shader models) to GLSL 330 (or GLSL ES 3.00) through glslang,
// SPIRV-Tools and SPIRV-Cross. Pure CPU work: no GL context is needed, so it is testable on its own.
//
// Conventions of the GLSL that comes out:
// - all global parameters are members of one plain uniform struct named GlslGlobalsName;
//   matrices keep Direct3D's row-major data: upload them untransposed;
// - vertex inputs are named by semantic and must be bound to the attribute locations given;
// - varyings are named by semantic in both stages, so a linked pair matches by name.

#include <string>
#include <vector>

constexpr const char* GlslGlobalsName = "qmGlobals";

enum class HlslStage { Vertex, Pixel };

// The GLSL that comes out: desktop OpenGL 3.3 core, or OpenGL ES 3.0 / WebGL 2.
enum class GlslDialect { Glsl330, GlslEs300 };

struct GlslVarying {
    std::string semantic; // upper case with its index: "TEXCOORD0", "COLOR0"
    unsigned components;  // 1 to 4
};

struct GlslAttribute {
    std::string name;
    int location; // -1: a semantic the device does not feed
};

struct GlslNamePair {
    std::string hlsl;
    std::string glsl;
};

struct GlslShader {
    std::string glsl;
    std::vector<GlslVarying> varyings;     // vertex outputs or pixel inputs (position excluded)
    std::vector<GlslAttribute> attributes; // vertex inputs
    std::vector<GlslNamePair> samplers;
    std::vector<GlslNamePair> globals; // members of the uniform struct
};

struct GlslProgramSource {
    std::string vertex;
    std::string fragment;
    std::vector<GlslAttribute> attributes;
    std::vector<GlslNamePair> samplers;
    std::vector<GlslNamePair> globals;
};

// One entry point of one stage. False with the compiler's messages on failure.
bool TranslateHlsl(const std::string& hlsl, const std::string& entry, HlslStage stage, GlslShader* shader,
                   std::string* error, GlslDialect dialect = GlslDialect::Glsl330);

// Joins a vertex and a pixel shader so their varyings link: pixel inputs the vertex shader
// does not write read zero, and width differences are bridged.
GlslProgramSource LinkGlslStages(const GlslShader& vertex, const GlslShader& pixel);
