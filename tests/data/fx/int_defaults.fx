// Int defaults written as numbers, two of them beyond what an int holds.
int big = 1e40;
int low = -1e40;
int plain = 7.9;
int negative = -7.9;
float4 tint = {1, 1, 1, 1};

float4 VS(float4 p : POSITION) : POSITION { return p; }
float4 PS() : COLOR { return tint; }

technique T
{
    pass P { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); }
}
