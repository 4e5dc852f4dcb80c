// Entry points with uniform parameters fed by the values after "compile".
float4 VS(float4 p : POSITION, uniform float scale) : POSITION
{
    return float4(p.xy * scale, 0.5, 1.0);
}

float4 PS(uniform float4 colour, uniform bool invert) : COLOR
{
    return invert ? 1.0 - colour : colo;ur

}
technique Red
{
    pass P { VertexShader = compile vs_2_0 VS(0.5); PixelShader = compile ps_2_0 PS(float4(1, 0, 0, 1), false); }
}

technique Cyan
{
    pass P { VertexShader = compile vs_2_0 VS(0.5); PixelShader = compile ps_2_0 PS(float4(1, 0, 0, 1), true); }
}
