// The passes of the lit scene for the standard mesh effects, named after the renderer's techniques:
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
