// The standard effect of an untextured mesh: the diffuse colour lit along the engine's light
// direction. Every plain X-file material without a texture becomes this effect.
#include "_shared.fx"
#include "std_mesh.fxh"

// The streams this effect reads: meshes without normals get them computed when they are prepared.
struct TUntexturedStreams { float3 vStreamNormal : NORMAL; };
TUntexturedStreams Qen_REQUIRE_INPUTSTREAMS;

glsl
{
    // The diffuse colour the scene passes light.
    vec4 SurfaceAlbedo(vec2 texCoord)
    {
        return c_vMaterialDiffuse;
    }
}

fragmentprogram fsUntextured
{
    in vec3 vWorldNormal;
    in vec3 vWorldPosition;
    void main()
    {
        FragmentColor = vec4(LitColour(vWorldNormal, vWorldPosition, c_vMaterialDiffuse.rgb), c_vMaterialDiffuse.a);
    }
}

technique _staticmesh
{
    pass p0
    {
        VertexProgram = vsStaticMesh;
        FragmentProgram = fsUntextured;
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
        FragmentProgram = fsUntextured;
        ZEnable = true;
        ZWriteEnable = true;
        CullMode = CCW;
        AlphaBlendEnable = false;
    }
}

// The passes of the lit scene.
#include "std_scene.fxh"
