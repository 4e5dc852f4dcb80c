float4 colour;
technique T
{
    pass P { ZEnable = Maybe; }
}
