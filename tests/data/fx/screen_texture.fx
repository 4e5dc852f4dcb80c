// A texture on positions already in clip space, filtered linearly: where its texels land
// on the pixels shows the pixel centres.
texture tBase;
sampler sBase = sampler_state { Texture = <tBase>; MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; };

struct VertexOut
{
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
};

VertexOut VS(float4 p : POSITION, float2 uv : TEXCOORD0)
{
    VertexOut o;
    o.position = p;
    o.uv = uv;
    return o;
}

float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(sBase, uv); }

technique Plain { pass { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
