// The effect files of the lit game scene and the particle texture: the light table shared by every
// effect, the renderer's scene techniques, the scene passes of the standard mesh effects, the particle
// effect and its soft dot.
#include "mediagen/GameMedia.h"
#include "mediagen/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace MediaGen
{
namespace
{

constexpr const char* kSharedEffect = R"(// The light table of the lit scene. Every parameter here is shared: one value for every effect of the
// pool, which the game's renderer sets on the shared effect, and no material default, so no material's
// Apply puts a value of this file back. The pool is compiled from this file alone: it includes nothing.
// Effects that light or shadow a model include it by the name "_shared.fx".

// One light of a batch: the direction its light travels in world space (w = 0), its colour (w = 0), and
// the matrix from world space to its shadow map: (u, v) with v = 0 at the top row, and the light-space
// depth from 0 to 1.
struct TLight
{
    float4 vDirectionWS;
    float4 vLightColor;
    float4x4 mShadowTransform;
};

// One batch: the renderer adds as many lights per light pass as this array has elements. Three, since
// each light of a batch keeps its shadow map in one colour channel (red, green, blue) of one texture.
shared TLight c_axLights[3];
// The light whose shadow map is being drawn: its depth goes into channel 0, 1 or 2.
shared int c_iLightIndex;
// How many entries of c_axLights the light pass adds.
shared int c_iNumLights;
// The batch's shadow maps; a 1 x 1 white texture (nothing casts a shadow) when shadows are off.
shared texture c_tShadowMap;
)";

constexpr const char* kSceneEffect = R"(// The techniques the game's renderer begins around each pass over the scene. Each has one pass that
// only sets states and draws nothing: inside it every node draws with its own effect's technique named
// after it (ambientpass_staticmesh, lightpass_skinnedmesh, ...), whose pass runs last and sets the same
// states itself. These are the states for a node effect that leaves one of them unassigned.

// The base colour: opaque, the nearest surface wins.
technique ambientpass
{
    pass p0
    {
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        AlphaBlendEnable = false;
    }
}

// One batch of lights added onto the base colour, on the surfaces the ambient pass left in the depth
// buffer.
technique lightpass
{
    pass p0
    {
        ZEnable = true;
        ZWriteEnable = false;
        ZFunc = LessEqual;
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        BlendOp = Add;
    }
}

// One light's depth into its own channel of the batch's shadow texture, which is cleared to white once
// per batch: the minimum keeps the nearest depth in that channel, and the white the light writes into
// the other channels leaves the other lights' depths as they are.
technique shadowmap
{
    pass p0
    {
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        CullMode = None;
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        BlendOp = Min;
    }
}
)";

constexpr const char* kStandardScenePasses = R"(// The passes of the lit scene for the standard mesh effects, named after the renderer's techniques:
// the ambient pass, the light pass and the shadow-map pass, each for static and for skinned meshes,
// with the vertex programs and the skinning of std_mesh.fxh.
// The including effect has included "_shared.fx" (the light table) and "std_mesh.fxh" (matrices,
// material colours, vertex programs) before this file, and defines in a glsl block
//     vec4 SurfaceAlbedo(vec2 texCoord)
// the material's diffuse colour (and alpha) at a texture coordinate.

// Depth is compared texel by texel; beyond the map's edge nothing casts a shadow.
sampler2D sShadowMap = sampler_state
{
    Texture = <c_tShadowMap>;
    MinFilter = Point;
    MagFilter = Point;
    MipFilter = None;
    AddressU = Clamp;
    AddressV = Clamp;
};

glsl
{
    // The shadow map keeps 8 bits of depth: a point counts as shadowed from two steps behind the depth
    // stored for it, so no surface shadows itself.
    const float kShadowBias = 2.0 / 255.0;

    // 1 where light `index` of the batch reaches the world point, 0 where something nearer to the light
    // covers it. Points outside the map, and texels nothing was drawn into (still white), are lit.
    float ShadowFactor(int index, vec3 worldPosition)
    {
        vec4 shadowPosition = vec4(worldPosition, 1.0) * c_axLights[index].mShadowTransform;
        vec3 mapPoint = shadowPosition.xyz / shadowPosition.w;
        if (any(lessThan(mapPoint.xy, vec2(0.0))) || any(greaterThan(mapPoint.xy, vec2(1.0))))
        {
            return 1.0;
        }
        float stored = texture(sShadowMap, mapPoint.xy)[index];
        return (stored >= 1.0 || mapPoint.z - kShadowBias <= stored) ? 1.0 : 0.0;
    }

    // The light the batch's first c_iNumLights lights bring to a surface point: for each, the cosine
    // between the normal and the way back to the light, times its colour, times its shadow factor.
    vec3 BatchLight(vec3 surfaceNormal, vec3 worldPosition)
    {
        vec3 n = normalize(surfaceNormal);
        int count = min(c_iNumLights, c_axLights.length());
        vec3 sum = vec3(0.0);
        for (int i = 0; i < count; ++i)
        {
            vec3 travel = c_axLights[i].vDirectionWS.xyz;
            float lambert = max(dot(n, -travel) / max(length(travel), 1e-6), 0.0);
            if (lambert > 0.0)
            {
                sum += lambert * c_axLights[i].vLightColor.rgb * ShadowFactor(i, worldPosition);
            }
        }
        return sum;
    }
}

// The ambient share of the surface's colour, plus what it gives off itself.
fragmentprogram fsAmbientPass
{
    in vec2 vTexCoord;
    void main()
    {
        vec4 albedo = SurfaceAlbedo(vTexCoord);
        FragmentColor = vec4(albedo.rgb * kAmbientFloor + c_vMaterialEmissive.rgb, albedo.a);
    }
}

// What the batch's lights add to the surface's colour.
fragmentprogram fsLightPass
{
    in vec3 vWorldNormal;
    in vec3 vWorldPosition;
    in vec2 vTexCoord;
    void main()
    {
        vec4 albedo = SurfaceAlbedo(vTexCoord);
        FragmentColor = vec4(albedo.rgb * BatchLight(vWorldNormal, vWorldPosition), 0.0);
    }
}

// The light-space depth into the channel of the light being drawn, white into the others.
fragmentprogram fsShadowMapPass
{
    void main()
    {
        vec4 depths = vec4(1.0);
        depths[clamp(c_iLightIndex, 0, 2)] = gl_FragCoord.z;
        FragmentColor = depths;
    }
}

technique ambientpass_staticmesh
{
    pass p0
    {
        VertexProgram = vsStaticMesh;
        FragmentProgram = fsAmbientPass;
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        CullMode = CCW;
        AlphaBlendEnable = false;
    }
}

technique ambientpass_skinnedmesh
{
    pass p0
    {
        VertexProgram = vsSkinnedMesh;
        FragmentProgram = fsAmbientPass;
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        CullMode = CCW;
        AlphaBlendEnable = false;
    }
}

technique lightpass_staticmesh
{
    pass p0
    {
        VertexProgram = vsStaticMesh;
        FragmentProgram = fsLightPass;
        ZEnable = true;
        ZWriteEnable = false;
        ZFunc = LessEqual;
        CullMode = CCW;
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        BlendOp = Add;
    }
}

technique lightpass_skinnedmesh
{
    pass p0
    {
        VertexProgram = vsSkinnedMesh;
        FragmentProgram = fsLightPass;
        ZEnable = true;
        ZWriteEnable = false;
        ZFunc = LessEqual;
        CullMode = CCW;
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        BlendOp = Add;
    }
}

// Both sides of every face go into the map, so open meshes cast shadows too.
technique shadowmap_staticmesh
{
    pass p0
    {
        VertexProgram = vsStaticMesh;
        FragmentProgram = fsShadowMapPass;
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        CullMode = None;
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        BlendOp = Min;
    }
}

technique shadowmap_skinnedmesh
{
    pass p0
    {
        VertexProgram = vsSkinnedMesh;
        FragmentProgram = fsShadowMapPass;
        ZEnable = true;
        ZWriteEnable = true;
        ZFunc = LessEqual;
        CullMode = None;
        AlphaBlendEnable = true;
        SrcBlend = One;
        DestBlend = One;
        BlendOp = Min;
    }
}
)";

constexpr const char* kParticleEffect = R"(// Soft floating particles: the particle node's camera-facing quads, each vertex with its colour and
// alpha, times the texture "g_tTexture" of the node's material. They glow in the ambient pass only.

float4x4 mWorldViewProjection : WORLDVIEWPROJECTION;

texture2D g_tTexture;
sampler2D sParticleTexture = sampler_state
{
    Texture = <g_tTexture>;
    MinFilter = Linear;
    MagFilter = Linear;
    MipFilter = Linear;
    AddressU = Clamp;
    AddressV = Clamp;
};

vertexprogram vsParticle
{
    in vec3 aPosition : POSITION;
    in vec2 aTexCoord : TEXCOORD0;
    in vec4 aColour : COLOR0;
    out vec2 vTexCoord;
    out vec4 vColour;
    void main()
    {
        gl_Position = vec4(aPosition, 1.0) * mWorldViewProjection;
        vTexCoord = aTexCoord;
        vColour = aColour;
    }
}

fragmentprogram fsParticle
{
    in vec2 vTexCoord;
    in vec4 vColour;
    void main()
    {
        FragmentColor = vColour * texture(sParticleTexture, vTexCoord);
    }
}

// Blended by the vertex alpha times the texture's alpha over what stands behind; they hide nothing.
technique ambientpass_particlemesh
{
    pass p0
    {
        VertexProgram = vsParticle;
        FragmentProgram = fsParticle;
        ZEnable = true;
        ZWriteEnable = false;
        ZFunc = LessEqual;
        CullMode = None;
        AlphaBlendEnable = true;
        SrcBlend = SrcAlpha;
        DestBlend = InvSrcAlpha;
        BlendOp = Add;
    }
}

// The particles take no part in the light pass: the node finds this technique, runs no pass and draws
// nothing.
technique lightpass_particlemesh {}
)";

// The particle sprite: white, its alpha falling from the centre to nothing at the rim as (1 - r²)²,
// r the distance from the centre in half-widths.
std::string FloatingParticleTexture()
{
    constexpr int kSize = 64;
    Picture dot(kSize, kSize);
    const double centre = (kSize - 1) / 2.0;
    for (int y = 0; y < kSize; ++y)
    {
        for (int x = 0; x < kSize; ++x)
        {
            const double dx = (x - centre) / (kSize / 2.0);
            const double dy = (y - centre) / (kSize / 2.0);
            const double fall = std::max(0.0, 1.0 - (dx * dx + dy * dy));
            const auto alpha = static_cast<std::uint32_t>(std::lround(fall * fall * 255.0));
            dot.At(x, y) = (alpha << 24) | 0xFFFFFFu;
        }
    }
    return TgaBytes(dot);
}

} // namespace

bool WriteGameEffects(const std::string& media)
{
    bool written = WriteMediaFile(media, "shader/_shared.fx", kSharedEffect);
    written = WriteMediaFile(media, "shader/scene.fx", kSceneEffect) && written;
    written = WriteMediaFile(media, "shader/std_scene.fxh", kStandardScenePasses) && written;
    written = WriteMediaFile(media, "shader/particles.fx", kParticleEffect) && written;
    written = WriteMediaFile(media, "textures/floating.tga", FloatingParticleTexture()) && written;
    return written;
}

} // namespace MediaGen
