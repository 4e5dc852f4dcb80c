// HLSL entry points through glslang, SPIRV-Tools and SPIRV-Cross to GLSL 330. The GLSL is
// checked by structure and by compiling it again with glslang's GLSL front end.

#define ENABLE_HLSL 1
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <set>
#include <string>

#include "platform/d3d9/gl_interop.h"
#include "platform/d3dx9/effect_parser.h"
#include "platform/d3dx9/effect_translation.h"
#include "platform/d3dx9/hlsl_translator.h"

namespace {

constexpr const char* Source = R"(
float4x4 matWorldViewProj;
float4x4 matWorld;
float4 vecLightDir1;
float4 colDiffuse1;
texture tEnv;
sampler sEnv = sampler_state { Texture = <tEnv>; };
sampler2D sBase;

struct VsOut {
    float4 pos : POSITION;
    float4 colour : COLOR0;
    float3 normal : TEXCOORD1;
    float4 uv : TEXCOORD0;
    float4 unused : TEXCOORD5;
};

VsOut VS(float4 p : POSITION, float3 n : NORMAL, float2 uv : TEXCOORD0, float2 uv2 : TEXCOORD1)
{
    VsOut o;
    o.pos = mul(p, matWorldViewProj);
    o.normal = mul(n, (float3x3)matWorld);
    o.colour = colDiffuse1 * max(0, dot(o.normal, -vecLightDir1.xyz));
    o.uv = float4(uv, uv2);
    o.unused = p;
    return o;
}

// Reads uv narrower than written, and TEXCOORD3 nobody writes.
float4 PS(float4 colour : COLOR0, float3 normal : TEXCOORD1, float2 uv : TEXCOORD0, float4 extra : TEXCOORD3) : COLOR
{
    return colour * tex2D(sBase, uv) + texCUBE(sEnv, normal) + extra;
}
)";

bool CompilesAsGlsl(const std::string& text, EShLanguage stage, std::string* log) {
    glslang::TShader shader(stage);
    const char* s = text.c_str();
    shader.setStrings(&s, 1);
    shader.setEnvInput(glslang::EShSourceGlsl, stage, glslang::EShClientNone, 0);
    bool ok = shader.parse(GetDefaultResources(), 330, false, EShMsgDefault);
    *log = shader.getInfoLog();
    return ok;
}

std::set<std::string> Declared(const std::string& glsl, const std::string& qualifier) {
    std::set<std::string> names;
    std::regex pattern("(^|\\n)" + qualifier + " \\w+ (\\w+);");
    for (auto it = std::sregex_iterator(glsl.begin(), glsl.end(), pattern); it != std::sregex_iterator();
         ++it) {
        names.insert((*it)[2]);
    }
    return names;
}

class HlslTranslatorFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(ParseEffect(Source, &description, &error)) << error;
        ASSERT_TRUE(TranslateHlsl(description.hlsl, "VS", HlslStage::Vertex, &vertex, &error)) << error;
        ASSERT_TRUE(TranslateHlsl(description.hlsl, "PS", HlslStage::Pixel, &pixel, &error)) << error;
        program = LinkGlslStages(vertex, pixel);
    }
    EffectDescription description;
    GlslShader vertex, pixel;
    GlslProgramSource program;
};

TEST_F(HlslTranslatorFixture, BothStagesCompileAsGlsl330) {
    std::string log;
    EXPECT_TRUE(CompilesAsGlsl(program.vertex, EShLangVertex, &log)) << log << program.vertex;
    EXPECT_TRUE(CompilesAsGlsl(program.fragment, EShLangFragment, &log)) << log << program.fragment;
    EXPECT_NE(program.vertex.find("#version 330"), std::string::npos);
}

TEST_F(HlslTranslatorFixture, PositionOutputBecomesGlPosition) {
    EXPECT_NE(program.vertex.find("#define qm_Position gl_Position"), std::string::npos) << program.vertex;
    EXPECT_EQ(Declared(program.vertex, "out").count("qm_Position"), 0u);
}

TEST_F(HlslTranslatorFixture, VaryingsLinkBySemantic) {
    std::set<std::string> outs = Declared(program.vertex, "out");
    std::set<std::string> ins = Declared(program.fragment, "in");
    EXPECT_EQ(ins, (std::set<std::string>{"qm_v_COLOR0", "qm_v_TEXCOORD0", "qm_v_TEXCOORD1"}))
        << program.fragment;
    for (const std::string& in : ins) {
        EXPECT_EQ(outs.count(in), 1u) << in << "\n" << program.vertex;
    }
    // Width bridged, missing input read as zero.
    EXPECT_NE(program.fragment.find("#define qm_f_TEXCOORD0 qm_v_TEXCOORD0.xy"), std::string::npos);
    EXPECT_NE(program.fragment.find("#define qm_f_TEXCOORD3 vec4(0.0)"), std::string::npos);
}

TEST_F(HlslTranslatorFixture, VertexInputsBoundBySemanticToDeviceLocations) {
    std::map<std::string, int> locations;
    for (const GlslAttribute& a : program.attributes) {
        locations[a.name] = a.location;
        EXPECT_NE(program.vertex.find("in vec"), std::string::npos);
        EXPECT_EQ(program.vertex.find("layout(location"), std::string::npos) << program.vertex;
    }
    EXPECT_EQ(locations,
              (std::map<std::string, int>{{"qm_a_POSITION0", int(GlInterop::AttributePosition)},
                                          {"qm_a_NORMAL0", int(GlInterop::AttributeNormal)},
                                          {"qm_a_TEXCOORD0", int(GlInterop::AttributeTexCoord0)},
                                          {"qm_a_TEXCOORD1", int(GlInterop::AttributeTexCoord1)}}));
}

TEST_F(HlslTranslatorFixture, GlobalsAreOnePlainUniformStructInBothStages) {
    const std::string declaration = std::string("uniform _Global ") + GlslGlobalsName + ";";
    EXPECT_NE(program.vertex.find(declaration), std::string::npos) << program.vertex;
    EXPECT_NE(program.fragment.find(declaration), std::string::npos) << program.fragment;
    std::vector<std::string> names;
    for (const GlslNamePair& g : program.globals) {
        names.push_back(g.hlsl);
        EXPECT_EQ(g.hlsl, g.glsl);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"matWorldViewProj", "matWorld", "vecLightDir1", "colDiffuse1"}));
    // mul(v, M) on Direct3D's row-major data, uploaded untransposed, is M * v in GLSL.
    EXPECT_NE(program.vertex.find("qmGlobals.matWorldViewProj) * p;"), std::string::npos) << program.vertex;
}

TEST_F(HlslTranslatorFixture, UntypedSamplerUsedAsCubeIsACubeSampler) {
    EXPECT_NE(program.fragment.find("uniform samplerCube sEnv;"), std::string::npos) << program.fragment;
    EXPECT_NE(program.fragment.find("uniform sampler2D sBase;"), std::string::npos);
    EXPECT_EQ(program.fragment.find("binding"), std::string::npos);
    ASSERT_EQ(program.samplers.size(), 2u);
}

TEST(HlslTranslator, CompileErrorsComeBackAsText) {
    struct Case {
        const char* source;
        const char* entry;
    };
    const Case cases[] = {
        {"float4 VS(float4 p : POSITION) : POSITION { return undefinedThing; }", "VS"},
        {"float4 VS(float4 p : POSITION) : POSITION { return p; }", "Missing"},
        {"float4 VS(float4 p : POSITION) : POSITION { return p }", "VS"},
    };
    for (const Case& c : cases) {
        GlslShader shader;
        std::string error;
        EXPECT_FALSE(TranslateHlsl(c.source, c.entry, HlslStage::Vertex, &shader, &error)) << c.source;
        EXPECT_FALSE(error.empty()) << c.source;
    }
}

TEST(DiffuseEffect, BothTechniquesTranslateToLinkableGlsl) {
    std::ifstream file(std::string(QUILLMOOR_TEST_DATA) + "/../../media/diffuse.fx");
    ASSERT_TRUE(file) << "media/diffuse.fx";
    std::stringstream text;
    text << file.rdbuf();
    EffectDescription d;
    std::string error;
    ASSERT_TRUE(ParseEffect(text.str(), &d, &error)) << error;
    std::set<std::string> names;
    for (const EffectParameter& p : d.parameters) {
        names.insert(p.name);
    }
    for (const char* name :
         {"matWorldViewProj", "matWorld", "vecEyePos", "vecLightDir1", "vecLightDir2", "colAmbient",
          "colDiffuse1", "colDiffuse2", "vecOffset", "envMapBlendFactor", "tBase", "tEnv"}) {
        EXPECT_EQ(names.count(name), 1u) << name;
    }
    std::vector<std::string> techniques;
    for (const EffectTechnique& t : d.techniques) {
        techniques.push_back(t.name);
        for (const EffectPass& pass : t.passes) {
            GlslShader vertex, pixel;
            ASSERT_TRUE(TranslateHlsl(d.hlsl, pass.vertexEntry, HlslStage::Vertex, &vertex, &error)) << error;
            ASSERT_TRUE(TranslateHlsl(d.hlsl, pass.pixelEntry, HlslStage::Pixel, &pixel, &error)) << error;
            GlslProgramSource program = LinkGlslStages(vertex, pixel);
            EXPECT_TRUE(CompilesAsGlsl(program.vertex, EShLangVertex, &error)) << error;
            EXPECT_TRUE(CompilesAsGlsl(program.fragment, EShLangFragment, &error)) << error;
        }
    }
    EXPECT_EQ(techniques,
              (std::vector<std::string>{"RenderSceneTextured2LightsEnvMap", "RenderScene2Lights"}));
    // The cube map is sampled as one, and a scene that never sets the blend factor gets a
    // visible reflection from the file's default.
    for (const EffectSampler& s : d.samplers) {
        if (s.texture == "tEnv") {
            EXPECT_EQ(s.dimension, EffectSamplerDimension::Cube);
        }
    }
    for (const EffectParameter& p : d.parameters) {
        if (p.name == "envMapBlendFactor") {
            ASSERT_FALSE(p.defaultValue.empty());
            EXPECT_GT(p.defaultValue[0], 0.0f);
        }
    }
}

TEST(HlslTranslator, ShaderStylesOfOlderEffectFiles) {
    struct Case {
        const char* name;
        const char* source;
    };
    const Case cases[] = {
        {"out parameters",
         "float4x4 m;\n"
         "void VS(in float4 p : POSITION, in float2 t : TEXCOORD0, out float4 oPos : POSITION,\n"
         "        out float2 oT : TEXCOORD0, out float4 oC : COLOR0) { oPos = mul(p, m); oT = t; oC = p; }\n"
         "float4 PS(float2 t : TEXCOORD0, float4 c : COLOR0) : COLOR0 { return float4(t, 0, 1) * c; }\n"},
        {"half types and a position struct",
         "matrix m;\n"
         "struct O { float4 Position : POSITION; half3 N : TEXCOORD1; };\n"
         "O VS(float3 p : POSITION, float3 n : NORMAL) { O o; o.Position = mul(float4(p, 1), m); o.N = n; "
         "return o; }\n"
         "half4 PS(O i) : COLOR { return half4(normalize(i.N), 1); }\n"},
        {"pixel shader reading the position semantic and a face register",
         "float4x4 m;\n"
         "float4 VS(float4 p : POSITION) : POSITION { return mul(p, m); }\n"
         "float4 PS(float face : VFACE) : COLOR { return face > 0 ? float4(1, 0, 0, 1) : float4(0, 1, 0, 1); "
         "}\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GlslShader vertex, pixel;
        std::string error;
        ASSERT_TRUE(TranslateHlsl(c.source, "VS", HlslStage::Vertex, &vertex, &error)) << error;
        ASSERT_TRUE(TranslateHlsl(c.source, "PS", HlslStage::Pixel, &pixel, &error)) << error;
        GlslProgramSource program = LinkGlslStages(vertex, pixel);
        EXPECT_TRUE(CompilesAsGlsl(program.vertex, EShLangVertex, &error)) << error << program.vertex;
        EXPECT_TRUE(CompilesAsGlsl(program.fragment, EShLangFragment, &error)) << error << program.fragment;
        EXPECT_NE(program.vertex.find("gl_Position"), std::string::npos) << program.vertex;
        for (const std::string& in : Declared(program.fragment, "in")) {
            EXPECT_EQ(Declared(program.vertex, "out").count(in), 1u) << in;
        }
    }
}

// glslang dereferences null when a conditional whose sides have no common type is used as a
// value: the effect is refused with a message, and the program goes on.
TEST(EffectTranslation, AShaderThatCrashesTheCompilerIsRefused) {
    const std::string source =
        "float4 VS(float4 p : POSITION) : POSITION { return p; }\n"
        "float4 PS(float4 c : COLOR0, uniform bool invert) : COLOR { return invert ? c : undeclared; }\n"
        "technique T { pass P { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(true); } "
        "}\n";
    EffectDescription description;
    std::string error;
    ASSERT_TRUE(ParseEffect(source, &description, &error)) << error;
    TranslatedEffect translated;
    EXPECT_FALSE(TranslateEffect(description, description.hlsl, GlslDialect::Glsl330, &translated, &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
