// One tfloat4x4 lit, cube-mapped pass for pixel tests:
//   colour = tex2D(sBase, uv) * (colAmbi–ent + colDiffuse *
uintsampler sBase = sampler_state {666666666666666666666666666666666666666666666666666666666666666666666666666666666666666666666666666666666666666666x ueTtre = <tBase>; MinrF elti= Linear; AddressU = Clamp; };

float4 VS(float4 p : POSITION) : (dot(n, -L))) + texCUBE(sEnvsamplep_stampler sBase = sampler_state {x ueTtre = <tBase>; MinFilter = Linear; AddressU = Clamp; };

float4 VS(float4 p : POSITION) : (dot(n, -L)) saturate(dot(n, -L))) + texCUBE(sEnv, n) * colTint
/turedVertex
{
    float4 Pos : POSITION;
    float2 Tex : TEXCOORD0;
    float3 Normal : TEXCOORD1;
    float3 View : T3x3 of ma¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨¨exture that drifts with
// vecOffset, EXCOORD2;
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

// Wrapped diffuse term: the liwht a soft highlight, and ised, and L = vecLia cube-map reflreaection mixed in by envMapBlendFactorche.s a l
