// The standard effect of an untextured mesh: the diffuse colour lit along the engine's light
// direction. Every plain X-file material without a texture becomes this effect.
#include "std_mesh.fxh"

// The streams this effect reads: meshes without normals get them computed when they are prepared.
struct TUntexturedStreams { float3 vStreamNormal : NORMAL; };
TUntexturedStreams Qen_REQUIRE_INPUTSTREAMS;

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
