// Draws without a vertex program, without a pixel program or without both: the device writes the
// missing program from the declaration, the transforms and the texture-stage states, and caches it.
// Also the check that a draw stays inside its buffers.

#include "platform/gfx/Device.h"

#include "platform/gfx/Binding.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/GlContext.h"
#include "platform/gfx/Shader.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/Trace.h"
#include "platform/gfx/VertexDeclaration.h"

#include <algorithm>

namespace Platform::Gfx
{
namespace
{

// Generated programs kept at most; the least recently used goes first.
constexpr std::size_t kGeneratedLimit = 256;

// Trace keys of this file.
constexpr std::uint32_t kCubeOnStage = 0x52000;
constexpr std::uint32_t kLighting = 0x52001;
constexpr std::uint32_t kFog = 0x52002;
constexpr std::uint32_t kBlending = 0x52003;
constexpr std::uint32_t kTextureTransform = 0x52004;
constexpr std::uint32_t kCoordinateFlags = 0x52005;
constexpr std::uint32_t kResultArgument = 0x52006;
constexpr std::uint32_t kStageConstant = 0x52007;
constexpr std::uint32_t kCompileFailed = 0x52008;

std::uint8_t TextureKind(const BaseTexture* texture)
{
    if (!texture)
    {
        return 0;
    }
    switch (texture->GetType())
    {
    case ResourceType::Texture:
        return 1;
    case ResourceType::CubeTexture:
        return 2;
    default:
        return 3;
    }
}

} // namespace

void Device::TraceOnce(std::uint32_t key, const char* line)
{
    if (std::find(traced_.begin(), traced_.end(), key) == traced_.end())
    {
        traced_.push_back(key);
        Trace(line);
    }
}

Shader* Device::GeneratedShader(const FixedProgramKey& key)
{
    for (GeneratedProgram& entry : generated_)
    {
        if (entry.key == key)
        {
            entry.lastUse = ++generatedUses_;
            return entry.shader;
        }
    }
    std::vector<std::pair<std::uint32_t, std::string>> notes;
    const std::string source = FixedProgramSource(key, notes);
    for (const auto& [noteKey, text] : notes)
    {
        TraceOnce(noteKey, text);
    }
    std::string log;
    Shader* shader = Adopt(Shader::Make(*this, key.pixel ? Shader::Stage::Pixel : Shader::Stage::Vertex,
                                        source.c_str(), &log, true));
    if (!shader)
    {
        TraceOnce(kCompileFailed, "a generated program does not compile: " + log);
        return nullptr;
    }
    ++counters_.generatedPrograms;
    if (generated_.size() >= kGeneratedLimit)
    {
        const auto oldest =
            std::min_element(generated_.begin(), generated_.end(),
                             [](const auto& a, const auto& b) { return a.lastUse < b.lastUse; });
        oldest->shader->Drop();
        generated_.erase(oldest);
    }
    generated_.push_back({key, shader, ++generatedUses_});
    return shader;
}

void Device::DropGeneratedShaders()
{
    for (GeneratedProgram& entry : generated_)
    {
        entry.shader->Drop();
    }
    generated_.clear();
}

Result Device::ChooseShaders(Shader*& vertexShader, Shader*& pixelShader)
{
    vertexShader = vertexShader_;
    pixelShader = pixelShader_;
    if (!vertexShader)
    {
        FixedProgramKey key;
        bool normals = false;
        bool blendWeights = false;
        for (const VertexElement& element : declaration_->Elements())
        {
            key.pretransformed |= element.Usage == DeclUsage::PositionT ? 1 : 0;
            key.hasColor0 |= element.Usage == DeclUsage::Color && element.UsageIndex == 0 ? 1 : 0;
            key.hasColor1 |= element.Usage == DeclUsage::Color && element.UsageIndex == 1 ? 1 : 0;
            normals |= element.Usage == DeclUsage::Normal;
            blendWeights |= element.Usage == DeclUsage::BlendWeight;
        }
        if (renderStates_[RenderState::Lighting] != 0 && !key.pretransformed && normals)
        {
            TraceOnce(kLighting,
                      "lighting is not emulated without a vertex program: vertices keep their colours");
        }
        if (renderStates_[RenderState::FogEnable] != 0)
        {
            TraceOnce(kFog, "fog is not emulated without programs");
        }
        if (renderStates_[RenderState::VertexBlend] != 0 || blendWeights)
        {
            TraceOnce(kBlending,
                      "vertex blending is not emulated without a vertex program: weights are ignored");
        }
        vertexShader = GeneratedShader(key);
        if (!vertexShader)
        {
            return InvalidCall;
        }
    }
    if (!pixelShader)
    {
        FixedProgramKey key;
        key.pixel = 1;
        for (std::uint32_t i = 0; i < FixedStageCount; ++i)
        {
            const auto& states = stageStates_[i];
            if (states[TextureStageState::ColorOp] == TextureOp::Disable)
            {
                break;
            }
            FixedStageKey& stage = key.stages[i];
            stage.colorOp = static_cast<std::uint8_t>(std::min(states[TextureStageState::ColorOp], 255u));
            stage.colorArg1 = static_cast<std::uint8_t>(states[TextureStageState::ColorArg1] & 0xFF);
            stage.colorArg2 = static_cast<std::uint8_t>(states[TextureStageState::ColorArg2] & 0xFF);
            stage.alphaOp = static_cast<std::uint8_t>(std::min(states[TextureStageState::AlphaOp], 255u));
            stage.alphaArg1 = static_cast<std::uint8_t>(states[TextureStageState::AlphaArg1] & 0xFF);
            stage.alphaArg2 = static_cast<std::uint8_t>(states[TextureStageState::AlphaArg2] & 0xFF);
            const std::uint32_t coordinates = states[TextureStageState::TexCoordIndex];
            stage.texCoordIndex =
                static_cast<std::uint8_t>((coordinates & 0xFFFF) < 8 ? coordinates & 0xFFFF : 0);
            if ((coordinates >> 16) != 0 || (coordinates & 0xFFFF) >= 8)
            {
                TraceOnce(kCoordinateFlags, "texture coordinate generation flags are not emulated");
            }
            if (states[TextureStageState::TextureTransformFlags] != 0)
            {
                TraceOnce(kTextureTransform, "texture transforms are not emulated without a vertex program");
            }
            if (states[TextureStageState::ResultArg] != TextureArg::Current)
            {
                TraceOnce(kResultArgument, "texture stages write their result to the current colour only");
            }
            if (states[TextureStageState::Constant] != 0)
            {
                TraceOnce(kStageConstant, "texture-stage constants are not emulated: they read 0");
            }
            if (StageReadsTexture(stage))
            {
                stage.texture = TextureKind(textures_[i]);
                if (stage.texture > 1)
                {
                    TraceOnce(kCubeOnStage,
                              "cube and volume textures cannot be read by texture stages without a "
                              "pixel program: the draw is refused");
                    return InvalidCall;
                }
            }
            key.stageCount = static_cast<std::uint8_t>(i + 1);
        }
        pixelShader = GeneratedShader(key);
        if (!pixelShader)
        {
            return InvalidCall;
        }
    }
    return Ok;
}

bool Device::StreamsHold(std::int64_t first, std::uint32_t count) const
{
    if (first < 0)
    {
        return false;
    }
    const auto end = static_cast<std::uint64_t>(first) + count;
    for (const VertexElement& element : declaration_->Elements())
    {
        const Stream& stream = streams_[element.Stream];
        if (!stream.buffer || stream.stride == 0)
        {
            continue;
        }
        if (stream.offset + end * stream.stride > stream.buffer->Size())
        {
            return false;
        }
    }
    return true;
}

} // namespace Platform::Gfx
