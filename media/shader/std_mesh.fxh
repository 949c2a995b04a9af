// What the standard mesh effects share: the parameters the engine sets on every draw, the material
// colours, the lighting and skinning code, and the vertex programs for static and skinned meshes.
// std_default.fx and std_untextured.fx include this file; their scene passes (std_scene.fxh) reuse its
// glsl functions and programs.
//
// Every parameter name below is a macro inside program bodies: locals, members and functions take
// other names.

// The bone palette takes four registers a matrix. 26 matrices where 256 constants are available;
// with fewer, what the other parameters leave (they take under 56 registers, the light table of
// "_shared.fx" included).
#if MAXVERTEXSHADERCONST >= 256
#define STD_PALETTE_SIZE 26
#elif MAXVERTEXSHADERCONST >= 64
#define STD_PALETTE_SIZE ((MAXVERTEXSHADERCONST - 56) / 4)
#else
#define STD_PALETTE_SIZE 2
#endif

// Set by the engine before each draw.
float4x4 mWorld : WORLD;
float4x4 mView : VIEW;
float4x4 mProjection : PROJECTION;
float4x4 mWorldInverse : WORLDINVERSE;
float4x4 mViewInverse : VIEWINVERSE;
float4x4 mViewProjection : VIEWPROJECTION;
float4x4 mWorldViewProjection : WORLDVIEWPROJECTION;
float4x4 mBonePalette[STD_PALETTE_SIZE] : BONEMATRIXPALETTE;
int c_iNumBonesPerVertex = 1;
float3 c_vLightDir = { 0, -1, 0 }; // the direction the light travels
float c_fTime;

// Material colours. Models converted from plain materials bring their own; these look right alone.
// The ambient colour is not used: plain materials have none, so faces turned from the light keep a
// fixed share of the diffuse colour instead.
float4 c_vMaterialAmbient = { 0, 0, 0, 1 };
float4 c_vMaterialDiffuse = { 1, 1, 1, 1 };
float4 c_vMaterialSpecular = { 0, 0, 0, 1 };
float4 c_vMaterialEmissive = { 0, 0, 0, 1 };
float c_fSpecularPower = 16;

glsl
{
    // The share of the diffuse colour that faces turned away from the light keep.
    const float kAmbientFloor = 0.3;

    // The four palette matrices a vertex hangs on, blended: the first count - 1 weights as given, the
    // last one what they leave of 1. Indices come in the bytes of a colour element.
    mat4 BlendedBoneMatrix(vec4 boneWeights, vec4 boneIndexColour)
    {
        ivec4 bones = min(IndicesFromColor(boneIndexColour), ivec4(STD_PALETTE_SIZE - 1));
        int count = clamp(c_iNumBonesPerVertex, 1, 4);
        mat4 blended = mat4(0.0);
        float left = 1.0;
        for (int i = 0; i < count - 1; ++i)
        {
            blended += boneWeights[i] * mBonePalette[bones[i]];
            left -= boneWeights[i];
        }
        return blended + left * mBonePalette[bones[count - 1]];
    }

    // The lit colour of a surface point with the given albedo: a Lambert term over the ambient floor,
    // the emissive colour, and a highlight when the material has a specular power.
    vec3 LitColour(vec3 surfaceNormal, vec3 worldPosition, vec3 albedo)
    {
        vec3 n = normalize(surfaceNormal);
        vec3 toLight = -normalize(c_vLightDir);
        float lambert = max(dot(n, toLight), 0.0);
        vec3 colour = albedo * (kAmbientFloor + (1.0 - kAmbientFloor) * lambert) + c_vMaterialEmissive.rgb;
        if (c_fSpecularPower > 0.0 && lambert > 0.0)
        {
            vec3 eye = (vec4(0.0, 0.0, 0.0, 1.0) * mViewInverse).xyz;
            vec3 halfway = normalize(normalize(eye - worldPosition) + toLight);
            colour += c_vMaterialSpecular.rgb * pow(max(dot(n, halfway), 0.0), c_fSpecularPower);
        }
        return colour;
    }
}

// A rigid mesh: model space to world space by WORLD.
vertexprogram vsStaticMesh
{
    in vec3 aPosition : POSITION;
    in vec3 aNormal : NORMAL;
    in vec2 aTexCoord : TEXCOORD0;
    out vec3 vWorldNormal;
    out vec3 vWorldPosition;
    out vec2 vTexCoord;
    void main()
    {
        vec4 modelPosition = vec4(aPosition, 1.0);
        gl_Position = modelPosition * mWorldViewProjection;
        vWorldPosition = (modelPosition * mWorld).xyz;
        vWorldNormal = (vec4(aNormal, 0.0) * mWorld).xyz;
        vTexCoord = aTexCoord;
    }
}

// A skinned mesh: the palette matrices carry the frames, WORLD places the model.
vertexprogram vsSkinnedMesh
{
    in vec3 aPosition : POSITION;
    in vec4 aBoneWeights : BLENDWEIGHT;
    in vec4 aBoneIndices : BLENDINDICES;
    in vec3 aNormal : NORMAL;
    in vec2 aTexCoord : TEXCOORD0;
    out vec3 vWorldNormal;
    out vec3 vWorldPosition;
    out vec2 vTexCoord;
    void main()
    {
        mat4 bone = BlendedBoneMatrix(aBoneWeights, aBoneIndices);
        vec4 modelPosition = vec4(aPosition, 1.0) * bone;
        gl_Position = modelPosition * mWorldViewProjection;
        vWorldPosition = (modelPosition * mWorld).xyz;
        vWorldNormal = (vec4(aNormal, 0.0) * bone * mWorld).xyz;
        vTexCoord = aTexCoord;
    }
}
