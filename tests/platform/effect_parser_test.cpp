#include "platform/d3dx9/effect_parser.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr const char* Fixture = R"(
// A small effect in the Direct3D 9 effect syntax.
float4x4 matWorldViewProj : WORLDVIEWPROJECTION;
float4 colAmbient < string UIName = "Ambient"; > = {0.1, 0.2, 0.3, 1.0};
float3 vecOffset : register(c12) = float3(-1.5, 2, .25f);
float envMapBlendFactor = 0.4;
bool useEnv = true;
float weights[2] = {1, -2};
static const float Scale = 2.0;
texture tBase;
texture tEnv < string type = "CUBE"; >;

sampler sBase = sampler_state {
    Texture = <tBase>;
    MinFilter = Linear; MagFilter = Linear; MipFilter = Point;
    AddressU = Clamp; AddressV = Wrap;
};
sampler sEnv : register(s1) = sampler_state { Texture = (tEnv); MinFilter = Linear; };

struct VsOut { float4 pos : POSITION; float3 n : TEXCOORD0; };

VsOut VS(float4 p : POSITION, float3 n : NORMAL)
{
    VsOut o;
    o.pos = mul(p, matWorldViewProj);
    o.n = n * Scale;
    return o;
}

float4 PS(float3 n : TEXCOORD0) : COLOR
{
    if (n.x < 0.5 && n.y > 0.1) { return colAmbient; }
    return tex2D(sBase, n.xy) + texCUBE(sEnv, n) * envMapBlendFactor;
}

technique Main < string Description = "two passes"; >
{
    pass P0
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
        ZEnable = true;
        AlphaBlendEnable = FALSE;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        CullMode = CCW;
        ZWriteEnable = false;
        ColorOp[0] = Modulate;
    }
    pass P1 { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); ZFunc = LessEqual; }
}

technique Second { pass { VertexShader = NULL; PixelShader = NULL; BlendOp = RevSubtract; AlphaRef = 0x80; } }
)";

const EffectParameter* Find(const EffectDescription& d, const std::string& name) {
    for (const EffectParameter& p : d.parameters) {
        if (p.name == name) {
            return &p;
        }
    }
    return nullptr;
}

class EffectParserFixture : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(ParseEffect(Fixture, &d, &error)) << error; }
    EffectDescription d;
    std::string error;
};

TEST_F(EffectParserFixture, ParametersKeepTypesSemanticsAndDefaults) {
    struct Expected {
        const char* name;
        EffectBaseType type;
        unsigned rows, columns, elements;
        const char* semantic;
        std::vector<float> defaults;
    };
    const Expected expected[] = {
        {"matWorldViewProj", EffectBaseType::Float, 4, 4, 1, "WORLDVIEWPROJECTION", {}},
        {"colAmbient", EffectBaseType::Float, 1, 4, 1, "", {0.1f, 0.2f, 0.3f, 1.0f}},
        {"vecOffset", EffectBaseType::Float, 1, 3, 1, "", {-1.5f, 2.0f, 0.25f}},
        {"envMapBlendFactor", EffectBaseType::Float, 1, 1, 1, "", {0.4f}},
        {"useEnv", EffectBaseType::Bool, 1, 1, 1, "", {1.0f}},
        {"weights", EffectBaseType::Float, 1, 1, 2, "", {1.0f, -2.0f}},
        {"tBase", EffectBaseType::Texture, 1, 1, 1, "", {}},
        {"tEnv", EffectBaseType::Texture, 1, 1, 1, "", {}},
    };
    EXPECT_EQ(d.parameters.size(), std::size(expected)); // the static constant is no parameter
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.name);
        const EffectParameter* p = Find(d, e.name);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->type, e.type);
        EXPECT_EQ(p->rows, e.rows);
        EXPECT_EQ(p->columns, e.columns);
        EXPECT_EQ(p->elements, e.elements);
        EXPECT_EQ(p->semantic, e.semantic);
        EXPECT_EQ(p->defaultValue, e.defaults);
    }
}

TEST_F(EffectParserFixture, SamplersTakeTheirTypeFromUseAndKeepStates) {
    ASSERT_EQ(d.samplers.size(), 2u);
    EXPECT_EQ(d.samplers[0].name, "sBase");
    EXPECT_EQ(d.samplers[0].texture, "tBase");
    EXPECT_EQ(d.samplers[0].dimension, EffectSamplerDimension::Tex2D);
    ASSERT_EQ(d.samplers[0].states.size(), 5u);
    EXPECT_EQ(d.samplers[0].states[0].type, D3DSAMP_MINFILTER);
    EXPECT_EQ(d.samplers[0].states[0].value, DWORD{D3DTEXF_LINEAR});
    EXPECT_EQ(d.samplers[0].states[2].type, D3DSAMP_MIPFILTER);
    EXPECT_EQ(d.samplers[0].states[2].value, DWORD{D3DTEXF_POINT});
    EXPECT_EQ(d.samplers[0].states[3].value, DWORD{D3DTADDRESS_CLAMP});
    EXPECT_EQ(d.samplers[1].texture, "tEnv");
    EXPECT_EQ(d.samplers[1].dimension, EffectSamplerDimension::Cube);
}

TEST_F(EffectParserFixture, TechniquesPassesAndRenderStates) {
    ASSERT_EQ(d.techniques.size(), 2u);
    const EffectTechnique& main = d.techniques[0];
    EXPECT_EQ(main.name, "Main");
    ASSERT_EQ(main.passes.size(), 2u);
    EXPECT_EQ(main.passes[0].vertexProfile, "vs_2_0");
    EXPECT_EQ(main.passes[0].vertexEntry, "VS");
    EXPECT_EQ(main.passes[0].pixelEntry, "PS");
    const std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> states = {
        {D3DRS_ZENABLE, D3DZB_TRUE},         {D3DRS_ALPHABLENDENABLE, 0},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {D3DRS_CULLMODE, D3DCULL_CCW},       {D3DRS_ZWRITEENABLE, 0},
    };
    ASSERT_EQ(main.passes[0].renderStates.size(), states.size()); // ColorOp[0] ignored
    for (size_t i = 0; i < states.size(); ++i) {
        EXPECT_EQ(main.passes[0].renderStates[i].state, states[i].first) << i;
        EXPECT_EQ(main.passes[0].renderStates[i].value, states[i].second) << i;
    }
    ASSERT_EQ(main.passes[1].renderStates.size(), 1u);
    EXPECT_EQ(main.passes[1].renderStates[0].value, DWORD{D3DCMP_LESSEQUAL});
    const EffectPass& second = d.techniques[1].passes.at(0);
    EXPECT_TRUE(second.vertexEntry.empty());
    ASSERT_EQ(second.renderStates.size(), 2u);
    EXPECT_EQ(second.renderStates[0].value, DWORD{D3DBLENDOP_REVSUBTRACT});
    EXPECT_EQ(second.renderStates[1].value, 0x80u);
}

TEST_F(EffectParserFixture, PlainHlslHasNoEffectSyntaxLeft) {
    for (const char* gone : {"technique", "sampler_state", "texture", "register", "UIName", "pass", "0.4",
                             "WORLDVIEWPROJECTION"}) {
        EXPECT_EQ(d.hlsl.find(gone), std::string::npos) << gone << "\n" << d.hlsl;
    }
    for (const char* kept :
         {"float4x4 matWorldViewProj;", "float weights[2];", "sampler2D sBase;", "samplerCUBE sEnv;",
          "static const float Scale = 2.0;", "struct VsOut", "n.x < 0.5 && n.y > 0.1", "VsOut VS("}) {
        EXPECT_NE(d.hlsl.find(kept), std::string::npos) << kept << "\n" << d.hlsl;
    }
}

TEST(EffectParser, MalformedFilesFailWithTheLine) {
    struct Case {
        const char* source;
        const char* message;
    };
    const Case cases[] = {
        {"float4 a;\n/* never closed", "line 2"},
        {"technique T {\n pass P {\n ZEnable = Sometimes;\n }\n}", "line 3"},
        {"technique T { pass P { VertexShader = compile vs_2_0 VS; } }", "expected '('"},
        {"float4 PS() : COLOR { return 0; ", "line 1"},
        {"technique T { pass P { ZEnable = true } }", "expected ';'"},
        {"sampler s = sampler_state { MinFilter = Blurry; };", "Blurry"},
        {"float4 a = {1, 2", "line 1"},
        {"}", "line 1"},
    };
    for (const Case& c : cases) {
        EffectDescription d;
        std::string error;
        EXPECT_FALSE(ParseEffect(c.source, &d, &error)) << c.source;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.source << " -> " << error;
        EXPECT_TRUE(d.techniques.empty() && d.parameters.empty());
    }
}

TEST(EffectParser, EveryTruncationOfTheDemoEffectEndsCleanly) {
    std::ifstream file(std::string(QUILLMOOR_TEST_DATA) + "/../../media/diffuse.fx", std::ios::binary);
    ASSERT_TRUE(file);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(text.size(), 1000u);
    size_t parsed = 0;
    for (size_t length = 0; length < text.size(); length += 7) {
        EffectDescription d;
        std::string error;
        if (ParseEffect(std::string_view(text).substr(0, length), &d, &error)) {
            ++parsed;
        } else {
            EXPECT_EQ(error.rfind("line ", 0), 0u) << length << ": " << error;
        }
    }
    // Cuts between top-level declarations parse; most others do not.
    EXPECT_GT(parsed, 0u);
    EXPECT_LT(parsed, text.size() / 7);
}

} // namespace
