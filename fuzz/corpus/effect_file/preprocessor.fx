#define TWICE(x) ((x) * 2)
#if TWICE(MAXVERTEXSHADERCONST) > 0x100 && defined(Qen) ? 1 : 0
struct L { float3 d; float4 c; float4x4 m; };
shared L lights[MAXVERTEXSHADERCONST / 8 - 6];
bool b[2] = { true, 0 };
int i = -4;
technique t < string s = "a\"b"; > { pass { DepthBias = 0.5; AlphaRef = <i>; } }
#endif
