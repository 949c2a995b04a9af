// The techniques the game's renderer begins around each pass over the scene. Each has one pass that
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
