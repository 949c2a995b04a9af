#include "platform/gfx/FixedFunction.h"

#include "platform/gfx/Constants.h"

namespace Platform::Gfx
{
namespace
{

// Trace keys of the notes (kept apart from the device's other trace keys).
constexpr std::uint32_t kOperationNote = 0x50000;
constexpr std::uint32_t kArgumentNote = 0x51000;

bool UsesArg1(std::uint32_t op)
{
    return op != TextureOp::SelectArg2;
}

bool UsesArg2(std::uint32_t op)
{
    return op != TextureOp::SelectArg1;
}

bool Known(std::uint32_t op)
{
    switch (op)
    {
    case TextureOp::SelectArg1:
    case TextureOp::SelectArg2:
    case TextureOp::Modulate:
    case TextureOp::Modulate2x:
    case TextureOp::Modulate4x:
    case TextureOp::Add:
    case TextureOp::AddSigned:
    case TextureOp::Subtract:
    case TextureOp::BlendDiffuseAlpha:
    case TextureOp::BlendTextureAlpha:
    case TextureOp::BlendFactorAlpha:
    case TextureOp::BlendCurrentAlpha:
        return true;
    default:
        return false;
    }
}

// A GLSL vec4 expression for a stage argument.
std::string Argument(std::uint32_t arg, std::uint32_t stage,
                     std::vector<std::pair<std::uint32_t, std::string>>& notes)
{
    std::string value;
    switch (arg & TextureArg::SelectMask)
    {
    case TextureArg::Diffuse:
        value = "StageDiffuse";
        break;
    case TextureArg::Current:
        value = stage == 0 ? "StageDiffuse" : "previous";
        break;
    case TextureArg::Texture:
        value = "texel" + std::to_string(stage);
        break;
    case TextureArg::Factor:
        value = "quarrow_TextureFactor";
        break;
    case TextureArg::Specular:
        value = "StageSpecular";
        break;
    default:
        notes.emplace_back(kArgumentNote + (arg & TextureArg::SelectMask),
                           "texture-stage argument " + std::to_string(arg & TextureArg::SelectMask) +
                               " (temp or constant) is not emulated: it reads 0");
        value = "vec4(0.0)";
        break;
    }
    if (arg & TextureArg::AlphaReplicate)
    {
        value = "(" + value + ").aaaa";
    }
    if (arg & TextureArg::Complement)
    {
        value = "(vec4(1.0) - " + value + ")";
    }
    return value;
}

// The expression of an operation on two arguments a and b.
std::string Operation(std::uint32_t op, std::uint32_t stage, const std::string& a, const std::string& b)
{
    const std::string blend = [&]() -> std::string {
        switch (op)
        {
        case TextureOp::BlendDiffuseAlpha:
            return "StageDiffuse.a";
        case TextureOp::BlendTextureAlpha:
            return "texel" + std::to_string(stage) + ".a";
        case TextureOp::BlendFactorAlpha:
            return "quarrow_TextureFactor.a";
        case TextureOp::BlendCurrentAlpha:
            return stage == 0 ? "StageDiffuse.a" : "previous.a";
        default:
            return "";
        }
    }();
    switch (op)
    {
    case TextureOp::SelectArg2:
        return b;
    case TextureOp::Modulate:
        return a + " * " + b;
    case TextureOp::Modulate2x:
        return a + " * " + b + " * 2.0";
    case TextureOp::Modulate4x:
        return a + " * " + b + " * 4.0";
    case TextureOp::Add:
        return a + " + " + b;
    case TextureOp::AddSigned:
        return a + " + " + b + " - vec4(0.5)";
    case TextureOp::Subtract:
        return a + " - " + b;
    case TextureOp::BlendDiffuseAlpha:
    case TextureOp::BlendTextureAlpha:
    case TextureOp::BlendFactorAlpha:
    case TextureOp::BlendCurrentAlpha:
        return "mix(" + b + ", " + a + ", " + blend + ")";
    default:
        return a;
    }
}

std::string VertexSource(const FixedProgramKey& key)
{
    std::string text = R"(layout(location = 0) in vec4 Position;
layout(location = 6) in vec4 Color0;
layout(location = 7) in vec4 Color1;
)";
    for (int i = 0; i < 8; ++i)
    {
        text +=
            "layout(location = " + std::to_string(8 + i) + ") in vec4 TexCoord" + std::to_string(i) + ";\n";
    }
    text += R"(uniform mat4 quarrow_Transform;
uniform vec4 quarrow_Viewport;
void main()
{
)";
    if (key.pretransformed)
    {
        // Pixels of the target: x, y relative to the viewport, z as given, all times w = 1 / rhw.
        text += R"(    float w = Position.w == 0.0 ? 1.0 : 1.0 / Position.w;
    vec2 pixel = Position.xy - quarrow_Viewport.xy;
    gl_Position = vec4(2.0 * pixel.x / quarrow_Viewport.z - 1.0, 1.0 - 2.0 * pixel.y / quarrow_Viewport.w,
                       Position.z, 1.0) * w;
)";
    }
    else
    {
        text += "    gl_Position = quarrow_Transform * vec4(Position.xyz, 1.0);\n";
    }
    if (key.hasColor0)
    {
        text += "    StageDiffuse = clamp(Color0, 0.0, 1.0);\n";
    }
    if (key.hasColor1)
    {
        text += "    StageSpecular = clamp(Color1, 0.0, 1.0);\n";
    }
    for (int i = 0; i < 8; ++i)
    {
        text += "    StageTexCoord" + std::to_string(i) + " = TexCoord" + std::to_string(i) + ";\n";
    }
    return text + "}\n";
}

std::string PixelSource(const FixedProgramKey& key, std::vector<std::pair<std::uint32_t, std::string>>& notes)
{
    std::string text = "uniform vec4 quarrow_TextureFactor;\n";
    for (std::uint32_t i = 0; i < key.stageCount; ++i)
    {
        if (StageReadsTexture(key.stages[i]) && key.stages[i].texture == 1)
        {
            text += "uniform sampler2D Sampler" + std::to_string(i) + ";\n";
        }
    }
    text += "void main()\n{\n    vec4 current = StageDiffuse;\n    vec4 previous = current;\n";
    for (std::uint32_t i = 0; i < key.stageCount; ++i)
    {
        const FixedStageKey& stage = key.stages[i];
        const std::string index = std::to_string(i);
        text += "    previous = current;\n";
        if (StageReadsTexture(stage))
        {
            text += "    vec4 texel" + index + " = " +
                    (stage.texture == 1 ? "texture(Sampler" + index + ", StageTexCoord" +
                                              std::to_string(stage.texCoordIndex) + ".xy)"
                                        : std::string("vec4(1.0)")) +
                    ";\n";
        }
        std::uint32_t colorOp = stage.colorOp;
        std::uint32_t alphaOp = stage.alphaOp;
        for (std::uint32_t* op : {&colorOp, &alphaOp})
        {
            if (*op != TextureOp::Disable && !Known(*op))
            {
                notes.emplace_back(kOperationNote + *op, "texture-stage operation " + std::to_string(*op) +
                                                             " is not emulated: taken as select arg1");
                *op = TextureOp::SelectArg1;
            }
        }
        const std::string colorA = UsesArg1(colorOp) ? Argument(stage.colorArg1, i, notes) : "vec4(0.0)";
        const std::string colorB = UsesArg2(colorOp) ? Argument(stage.colorArg2, i, notes) : "vec4(0.0)";
        text += "    current.rgb = clamp((" + Operation(colorOp, i, colorA, colorB) + ").rgb, 0.0, 1.0);\n";
        if (alphaOp != TextureOp::Disable)
        {
            const std::string alphaA = UsesArg1(alphaOp) ? Argument(stage.alphaArg1, i, notes) : "vec4(0.0)";
            const std::string alphaB = UsesArg2(alphaOp) ? Argument(stage.alphaArg2, i, notes) : "vec4(0.0)";
            text += "    current.a = clamp((" + Operation(alphaOp, i, alphaA, alphaB) + ").a, 0.0, 1.0);\n";
        }
    }
    return text + "    FragmentColor = current;\n}\n";
}

} // namespace

bool StageReadsTexture(const FixedStageKey& stage)
{
    auto reads = [](std::uint32_t op, std::uint32_t arg1, std::uint32_t arg2) {
        if (op == TextureOp::Disable)
        {
            return false;
        }
        return op == TextureOp::BlendTextureAlpha ||
               (UsesArg1(op) && (arg1 & TextureArg::SelectMask) == TextureArg::Texture) ||
               (UsesArg2(op) && (arg2 & TextureArg::SelectMask) == TextureArg::Texture);
    };
    return reads(stage.colorOp, stage.colorArg1, stage.colorArg2) ||
           reads(stage.alphaOp, stage.alphaArg1, stage.alphaArg2);
}

std::string FixedProgramSource(const FixedProgramKey& key,
                               std::vector<std::pair<std::uint32_t, std::string>>& notes)
{
    return key.pixel ? PixelSource(key, notes) : VertexSource(key);
}

} // namespace Platform::Gfx
