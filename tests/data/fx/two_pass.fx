// Two techniques; the first has two passes with render states, the second one pass.
float4x4 matWorldViewProj;
float4 colour = {0.25, 0.5, 0.75, 1.0};
float3 offset = {1, 2, 3};
float scale = 2.0;
texture tBase;
sampler sBase = sampler_state { Texture = <tBase>; MinFilter = Linear; AddressU = Clamp; };

float4 VS(float4 p : POSITION) : POSITION { return mul(p, matWorldViewProj) * scale; }
float4 PS() : COLOR { return colour + float4(offset, 0) * tex2D(sBase, float2(0.5, 0.5)); }

technique Twice
{
    pass First
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
        ZWriteEnable = false;
        CullMode = CW;
    }
    pass Second
    {
        VertexShader = compile vs_2_0 VS();
        PixelShader = compile ps_2_0 PS();
        AlphaBlendEnable = true;
        DestBlend = One;
    }
}

technique Once { pass { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
