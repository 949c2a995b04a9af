// The standard effect of a textured mesh: the diffuse map times the diffuse colour, lit along the
// engine's light direction. Every plain X-file material with a texture becomes this effect.
#include "_shared.fx"
#include "std_mesh.fxh"

// The streams this effect reads: meshes without normals get them computed when they are prepared.
struct TTexturedStreams { float3 vStreamNormal : NORMAL; float2 vStreamTexCoord : TEXCOORD0; };
TTexturedStreams Qen_REQUIRE_INPUTSTREAMS;

texture2D c_tDiffuseMap;
sampler2D sDiffuseMap = sampler_state
{
    Texture = <c_tDiffuseMap>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Wrap;
    AddressV = Wrap;
};

glsl
{
    // The diffuse colour the scene passes light.
    vec4 SurfaceAlbedo(vec2 texCoord)
    {
        return texture(sDiffuseMap, texCoord) * c_vMaterialDiffuse;
    }
}

fragmentprogram fsTextured
{
    in vec3 vWorldNormal;
    in vec3 vWorldPosition;
    in vec2 vTexCoord;
    void main()
    {
        vec4 albedo = texture(sDiffuseMap, vTexCoord) * c_vMaterialDiffuse;
        FragmentColor = vec4(LitColour(vWorldNormal, vWorldPosition, albedo.rgb), albedo.a);
    }
}

technique _staticmesh
{
    pass p0
    {
        VertexProgram = vsStaticMesh;
        FragmentProgram = fsTextured;
        ZEnable = true;
        ZWriteEnable = true;
        CullMode = CCW;
        AlphaBlendEnable = false;
    }
}

technique _skinnedmesh
{
    pass p0
    {
        VertexProgram = vsSkinnedMesh;
        FragmentProgram = fsTextured;
        ZEnable = true;
        ZWriteEnable = true;
        CullMode = CCW;
        AlphaBlendEnable = false;
    }
}

// The passes of the lit scene.
#include "std_scene.fxh"
