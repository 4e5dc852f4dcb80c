// A texture times a tint, on positions already in clip space: small enough to check by hand.
float4 tint = {1.0, 0.5, 0.25, 1.0};
texture tBase;
sampler sBase = sampler_state { Texture = <tBase>; MinFilter = Point; MagFilter = Point; AddressU = Clamp; AddressV = Clamp; };

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

float4 PS(float2 uv : TEXCOORD0) : COLOR { return tex2D(sBase, uv) * tint; }

technique Tinted { pass { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
