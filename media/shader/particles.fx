// Soft floating particles: the particle node's camera-facing quads, each vertex with its colour and
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
