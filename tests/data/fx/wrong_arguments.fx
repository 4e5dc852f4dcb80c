float4 VS(float4 p : POSITION, uniform float scale) : POSITION { return p * scale; }
float4 PS() : COLOR { return 1; }
technique T { pass P { VertexShader = compile vs_2_0 VS(0.5, 2); PixelShader = compile ps_2_0 PS(); } }
