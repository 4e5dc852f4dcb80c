// Effect syntax is fine, the pixel shader is not.
float4 colour;
float4 VS(float4 p : POSITION) : POSITION { return p; }
float4 PS() : COLOR { return colour * undeclaredThing; }
technique T { pass P { VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
