// A textured mesh lit by the engine's light direction.

struct Streams { float3 n : NORMAL; float2 uv : TEXCOORD0; };
Streams Qen_REQUIRE_INPUTSTREAMS;

float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
float4x4 mWorld : WORLD;
float4 c_vMaterialDiffuse < string UIName = "diffuse"; > = { 1, 1, 1, 1 };
texture2D c_tDiffuseMap < string SasResourceAddress = "default.png"; >;
sampler2D sDiffuse = sampler_state
{
    Texture = <c_tDiffuseMap>;
    MinFilter = Linear;
    MagFilter = Linear;
    AddressU = Wrap;
    AddressV = Wrap;
};

glsl
{
    float HalfLambert(vec3 normal)
    {
        return 0.5 * dot(normalize(normal), -c_vLightDir) + 0.5;
    }
}

vertexprogram vsPlain
{
    in vec3 aPosition : POSITION;
    in vec3 aNormal : NORMAL;
    in vec2 aUv : TEXCOORD0;
    out vec2 vUv;
    out float vLight;
    void main()
    {
        gl_Position = vec4(aPosition, 1.0) * mWorldViewProj;
        vUv = aUv;
        vLight = HalfLambert((vec4(aNormal, 0.0) * mWorld).xyz);
    }
}

fragmentprogram fsPlain
{
    in vec2 vUv;
    in float vLight;
    void main()
    {
        FragmentColor = texture(sDiffuse, vUv) * c_vMaterialDiffuse * vec4(vec3(vLight), 1.0);
    }
}

technique _staticmesh
{
    pass p0
    {
        VertexProgram = vsPlain;
        FragmentProgram = fsPlain;
        ZEnable = true;
        ZWriteEnable = true;
        CullMode = CCW;
        AlphaBlendEnable = false;
    }
}
