// One textured, lit, cube-mapped pass for pixel tests:
//   colour = tex2D(sBase, uv) * (colAmbient + colDiffuse * saturate(dot(n, -L))) + texCUBE(sEnv, n) * colTint
// with n the model normal times the upper 3x3 of matWorld, normalised, and L = vecLightDir.xyz.
float4x4 matWorldViewProj;
float4x4 matWorld;
float4 vecLightDir;
float4 colAmbient;
float4 colDiffuse = {0.5, 0.25, 1.0, 1.0};
float4 colTint;
texture tBase;
texture tEnv;
sampler sBase = sampler_state { Texture = <tBase>; MinFilter = Point; MagFilter = Point; MipFilter = None; };
sampler sEnv = sampler_state { Texture = <tEnv>; MinFilter = Point; MagFilter = Point; };

struct Lit
{
    float4 pos : POSITION;
    float3 n : TEXCOORD1;
    float2 uv : TEXCOORD0;
};

Lit VS(float4 p : POSITION, float3 n : NORMAL, float2 uv : TEXCOORD0)
{
    Lit o;
    o.pos = mul(p, matWorldViewProj);
    o.n = mul(n, (float3x3)matWorld);
    o.uv = uv;
    return o;
}

float4 PS(float3 n : TEXCOORD1, float2 uv : TEXCOORD0) : COLOR
{
    float3 nn = normalize(n);
    float d = saturate(dot(nn, -vecLightDir.xyz));
    return tex2D(sBase, uv) * (colAmbient + colDiffuse * d) + texCUBE(sEnv, nn) * colTint;
}

technique Lit
{
    pass P
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
        ZEnable = false;
        CullMode = None;
        AlphaBlendEnable = false;
    }
}
