// The light table of the lit scene. Every parameter here is shared: one value for every effect of the
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
