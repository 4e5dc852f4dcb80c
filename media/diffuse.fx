// Blob shading: ambient light plus two directional lights, a base texture that drifts with
// vecOffset, a soft highlight, and a cube-map reflection mixed in by envMapBlendFactor.
//
// Light directions point the way the light travels (a light shining along +z lights faces
// that look towards -z, where the cameras stand); their fourth component is ignored.

float4x4 matWorldViewProj : WORLDVIEWPROJECTION;
float4x4 matWorld : WORLD;
float4 vecEyePos = {0.0, 10.0, -20.0, 0.0};
float4 vecLightDir1 = {0.5, 0.5, 1.0, 1.0};
float4 vecLightDir2 = {-0.5, 0.5, 0.8, 1.0};
float4 colAmbient = {0.1, 0.1, 0.1, 1.0};
float4 colDiffuse1 = {0.0, 0.0, 1.0, 1.0};
float4 colDiffuse2 = {0.0, 0.8, 1.0, 1.0};
float3 vecOffset = {0.0, 0.0, 0.0};
float4 envMapBlendFactor < string UIName = "Reflection"; > = {0.2, 0.2, 0.2, 0.2};

texture tBase;
texture tEnv < string type = "CUBE"; >;

sampler sBase = sampler_state
{
    Texture = <tBase>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Wrap;
    AddressV = Wrap;
};

sampler sEnv = sampler_state
{
    Texture = <tEnv>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Clamp;
    AddressV = Clamp;
    AddressW = Clamp;
};

struct TexturedVertex
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
    float3 Normal : TEXCOORD1;
    float3 View : TEXCOORD2;
};

struct PlainVertex
{
    float4 Pos : POSITION;
    float3 Normal : TEXCOORD1;
};

float3 SafeNormalize(float3 v)
{
    return v / max(length(v), 1e-5);
}

// Wrapped diffuse term: the light reaches a little past the terminator, which keeps the
// blobs soft instead of cutting them in half.
float Wrapped(float3 n, float4 lightDir)
{
    float d = dot(n, -SafeNormalize(lightDir.xyz));
    return saturate(d * 0.8 + 0.2);
}

float3 Diffuse(float3 n)
{
    return colAmbient.rgb + colDiffuse1.rgb * Wrapped(n, vecLightDir1) + colDiffuse2.rgb * Wrapped(n, vecLightDir2);
}

TexturedVertex TexturedVS(float4 Pos : POSITION, float3 Normal : NORMAL, float2 Tex : TEXCOORD0)
{
    TexturedVertex Out;
    Out.Pos = mul(Pos, matWorldViewProj);
    float3 worldPos = mul(Pos, matWorld).xyz;
    Out.Normal = mul(Normal, (float3x3)matWorld);
    Out.View = worldPos - vecEyePos.xyz;
    Out.Tex = Tex + vecOffset.xy;
    return Out;
}

float4 TexturedPS(float2 Tex : TEXCOORD0, float3 Normal : TEXCOORD1, float3 View : TEXCOORD2) : COLOR
{
    float3 n = SafeNormalize(Normal);
    float3 r = reflect(SafeNormalize(View), n);
    float4 base = tex2D(sBase, Tex);
    float3 lit = base.rgb * Diffuse(n);
    // A highlight where each light's mirror image meets the eye.
    float3 highlight = colDiffuse1.rgb * pow(saturate(dot(r, -SafeNormalize(vecLightDir1.xyz))), 24.0) +
                       colDiffuse2.rgb * pow(saturate(dot(r, -SafeNormalize(vecLightDir2.xyz))), 24.0);
    float3 env = texCUBE(sEnv, r).rgb;
    float3 colour = lerp(lit, env, saturate(envMapBlendFactor.rgb)) + highlight * 0.5;
    return float4(colour, 1.0);
}

PlainVertex PlainVS(float4 Pos : POSITION, float3 Normal : NORMAL)
{
    PlainVertex Out;
    Out.Pos = mul(Pos, matWorldViewProj);
    Out.Normal = mul(Normal, (float3x3)matWorld);
    return Out;
}

float4 PlainPS(float3 Normal : TEXCOORD1) : COLOR
{
    return float4(Diffuse(SafeNormalize(Normal)), 1.0);
}

// Opaque, depth-tested and depth-writing; Begin without flags puts the states back at End.
technique RenderSceneTextured2LightsEnvMap
{
    pass P0
    {
        VertexShader = compile vs_2_0 TexturedVS();
        PixelShader = compile ps_2_0 TexturedPS();
        ZEnable = true;
        ZWriteEnable = true;
        AlphaBlendEnable = false;
    }
}

technique RenderScene2Lights
{
    pass P0
    {
        VertexShader = compile vs_2_0 PlainVS();
        PixelShader = compile ps_2_0 PlainPS();
        ZEnable = true;
        ZWriteEnable = true;
        AlphaBlendEnable = false;
    }
}
