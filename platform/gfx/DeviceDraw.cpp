// The device's resources, bindings, states and draws: everything a draw reads, turned into OpenGL
// state when the draw is made.

#include "platform/gfx/Device.h"

#include "platform/gfx/AdapterProfile.h"
#include "platform/gfx/Binding.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/GlContext.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Shader.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/Trace.h"
#include "platform/gfx/VertexDeclaration.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace Platform::Gfx
{
namespace
{

GLenum CompareFunction(std::uint32_t function)
{
    static constexpr GLenum kFunctions[] = {GL_NEVER,   GL_NEVER,    GL_LESS,   GL_EQUAL, GL_LEQUAL,
                                            GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
    return function < 9 ? kFunctions[function] : GL_ALWAYS;
}

GLenum BlendFactor(std::uint32_t factor)
{
    switch (factor)
    {
    case Blend::Zero:
        return GL_ZERO;
    case Blend::One:
        return GL_ONE;
    case Blend::SrcColor:
        return GL_SRC_COLOR;
    case Blend::InvSrcColor:
        return GL_ONE_MINUS_SRC_COLOR;
    case Blend::SrcAlpha:
    case 12: // source alpha for both, an old form
        return GL_SRC_ALPHA;
    case Blend::InvSrcAlpha:
    case 13:
        return GL_ONE_MINUS_SRC_ALPHA;
    case Blend::DestAlpha:
        return GL_DST_ALPHA;
    case Blend::InvDestAlpha:
        return GL_ONE_MINUS_DST_ALPHA;
    case Blend::DestColor:
        return GL_DST_COLOR;
    case Blend::InvDestColor:
        return GL_ONE_MINUS_DST_COLOR;
    case Blend::SrcAlphaSat:
        return GL_SRC_ALPHA_SATURATE;
    case Blend::BlendFactor:
        return GL_CONSTANT_COLOR;
    case Blend::InvBlendFactor:
        return GL_ONE_MINUS_CONSTANT_COLOR;
    default:
        return GL_ONE;
    }
}

GLenum BlendEquation(std::uint32_t operation)
{
    switch (operation)
    {
    case BlendOperation::Subtract:
        return GL_FUNC_SUBTRACT;
    case BlendOperation::RevSubtract:
        return GL_FUNC_REVERSE_SUBTRACT;
    case BlendOperation::Min:
        return GL_MIN;
    case BlendOperation::Max:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum StencilOp(std::uint32_t operation)
{
    static constexpr GLenum kOperations[] = {GL_KEEP, GL_KEEP,   GL_ZERO,      GL_REPLACE,  GL_INCR,
                                             GL_DECR, GL_INVERT, GL_INCR_WRAP, GL_DECR_WRAP};
    return operation < 9 ? kOperations[operation] : GL_KEEP;
}

GLint AddressMode(std::uint32_t mode, bool hasMirrorOnce)
{
    switch (mode)
    {
    case TextureAddress::Mirror:
        return GL_MIRRORED_REPEAT;
    case TextureAddress::Clamp:
        return GL_CLAMP_TO_EDGE;
    case TextureAddress::Border:
        return GL_CLAMP_TO_BORDER;
    case TextureAddress::MirrorOnce:
        return hasMirrorOnce ? GL_MIRROR_CLAMP_TO_EDGE : GL_CLAMP_TO_EDGE;
    default:
        return GL_REPEAT;
    }
}

float FloatOf(std::uint32_t bits)
{
    return std::bit_cast<float>(bits);
}

// Vertices a primitive count takes; 0 for an unknown type.
std::uint32_t VertexCountOf(std::uint32_t type, std::uint32_t primitives, GLenum& mode)
{
    switch (type)
    {
    case PrimitiveType::PointList:
        mode = GL_POINTS;
        return primitives;
    case PrimitiveType::LineList:
        mode = GL_LINES;
        return primitives * 2;
    case PrimitiveType::LineStrip:
        mode = GL_LINE_STRIP;
        return primitives + 1;
    case PrimitiveType::TriangleList:
        mode = GL_TRIANGLES;
        return primitives * 3;
    case PrimitiveType::TriangleStrip:
        mode = GL_TRIANGLE_STRIP;
        return primitives + 2;
    case PrimitiveType::TriangleFan:
        mode = GL_TRIANGLE_FAN;
        return primitives + 2;
    default:
        return 0;
    }
}

struct AttributeFormat
{
    GLint size;
    GLenum type;
    GLboolean normalized;
};

AttributeFormat AttributeFormatOf(std::uint8_t type)
{
    switch (type)
    {
    case DeclType::Float1:
        return {1, GL_FLOAT, GL_FALSE};
    case DeclType::Float2:
        return {2, GL_FLOAT, GL_FALSE};
    case DeclType::Float3:
        return {3, GL_FLOAT, GL_FALSE};
    case DeclType::Float4:
        return {4, GL_FLOAT, GL_FALSE};
    case DeclType::Color:
        // Bytes blue, green, red, alpha arrive as (red, green, blue, alpha).
        return {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};
    case DeclType::UByte4:
        return {4, GL_UNSIGNED_BYTE, GL_FALSE};
    case DeclType::Short2:
        return {2, GL_SHORT, GL_FALSE};
    case DeclType::Short4:
        return {4, GL_SHORT, GL_FALSE};
    case DeclType::UByte4N:
        return {4, GL_UNSIGNED_BYTE, GL_TRUE};
    case DeclType::Short2N:
        return {2, GL_SHORT, GL_TRUE};
    case DeclType::Short4N:
        return {4, GL_SHORT, GL_TRUE};
    case DeclType::UShort2N:
        return {2, GL_UNSIGNED_SHORT, GL_TRUE};
    case DeclType::UShort4N:
        return {4, GL_UNSIGNED_SHORT, GL_TRUE};
    case DeclType::UDec3:
        return {4, GL_UNSIGNED_INT_2_10_10_10_REV, GL_FALSE};
    case DeclType::Dec3N:
        return {4, GL_INT_2_10_10_10_REV, GL_TRUE};
    case DeclType::Float16x2:
        return {2, GL_HALF_FLOAT, GL_FALSE};
    case DeclType::Float16x4:
        return {4, GL_HALF_FLOAT, GL_FALSE};
    default:
        return {0, 0, GL_FALSE};
    }
}

// Render states the draw applies; setting any other one to a value of its own is traced once.
bool IsAppliedRenderState(std::uint32_t state)
{
    namespace RS = RenderState;
    static constexpr std::uint32_t kApplied[] = {
        RS::ZEnable,
        RS::FillMode,
        RS::ZWriteEnable,
        RS::AlphaTestEnable,
        RS::SrcBlend,
        RS::DestBlend,
        RS::CullMode,
        RS::ZFunc,
        RS::AlphaRef,
        RS::AlphaFunc,
        RS::AlphaBlendEnable,
        RS::StencilEnable,
        RS::StencilFail,
        RS::StencilZFail,
        RS::StencilPass,
        RS::StencilFunc,
        RS::StencilRef,
        RS::StencilMask,
        RS::StencilWriteMask,
        RS::TextureFactor,
        RS::ClipPlaneEnable,
        RS::MultiSampleAntialias,
        RS::ColorWriteEnable,
        RS::BlendOp,
        RS::ScissorTestEnable,
        RS::SlopeScaleDepthBias,
        RS::TwoSidedStencilMode,
        RS::CcwStencilFail,
        RS::CcwStencilZFail,
        RS::CcwStencilPass,
        RS::CcwStencilFunc,
        RS::BlendFactor,
        RS::DepthBias,
        RS::SeparateAlphaBlendEnable,
        RS::SrcBlendAlpha,
        RS::DestBlendAlpha,
        RS::BlendOpAlpha,
        RS::Lighting,
        RS::Ambient,
        RS::ShadeMode,
        RS::LastPixel,
        RS::DitherEnable,
        RS::Clipping,
        RS::ColorVertex,
    };
    return std::find(std::begin(kApplied), std::end(kApplied), state) != std::end(kApplied);
}

constexpr std::uint32_t kConstantBytes = 256 * 16;
constexpr std::uint32_t kVertexConstantBinding = 0;
constexpr std::uint32_t kPixelConstantBinding = 1;

} // namespace

// ---------------------------------------------------------------------------------------------
// Objects

void Device::CreateDrawObjects()
{
    hasAnisotropy_ = epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic");
    hasMirrorOnce_ =
        epoxy_gl_version() >= 44 || epoxy_has_gl_extension("GL_ARB_texture_mirror_clamp_to_edge");
    glGenVertexArrays(1, &vertexArray_);
    glGenBuffers(1, &vertexConstantBuffer_);
    glGenBuffers(1, &pixelConstantBuffer_);
    for (GLuint buffer : {vertexConstantBuffer_, pixelConstantBuffer_})
    {
        glBindBuffer(GL_UNIFORM_BUFFER, buffer);
        glBufferData(GL_UNIFORM_BUFFER, kConstantBytes, nullptr, GL_DYNAMIC_DRAW);
    }
    glBindBuffer(GL_UNIFORM_BUFFER, 0);
    // The binding points stay with these buffers: nothing else binds uniform buffers.
    glBindBufferBase(GL_UNIFORM_BUFFER, kVertexConstantBinding, vertexConstantBuffer_);
    glBindBufferBase(GL_UNIFORM_BUFFER, kPixelConstantBinding, pixelConstantBuffer_);
    glGenSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
    enabledAttributes_ = 0;
    ForgetAppliedState();
}

void Device::ForgetAppliedState()
{
    usedProgram_ = 0;
    appliedStatesValid_ = false;
    unitsValid_ = false;
    defaultedAttributes_ = 0;
    for (auto& entry : programs_)
    {
        entry.second.uploaded = false;
    }
}

void Device::DeleteDrawObjects()
{
    for (auto& [shaders, program] : programs_)
    {
        glDeleteProgram(program.program);
    }
    programs_.clear();
    glDeleteSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
    const GLuint buffers[] = {vertexConstantBuffer_, pixelConstantBuffer_};
    glDeleteBuffers(2, buffers);
    glDeleteVertexArrays(1, &vertexArray_);
}

void Device::ResetDrawStates()
{
    for (std::uint32_t stage = 0; stage < StageCount; ++stage)
    {
        auto& sampler = samplerStates_[stage];
        sampler.fill(0);
        sampler[SamplerState::AddressU] = TextureAddress::Wrap;
        sampler[SamplerState::AddressV] = TextureAddress::Wrap;
        sampler[SamplerState::AddressW] = TextureAddress::Wrap;
        sampler[SamplerState::MagFilter] = TextureFilter::Point;
        sampler[SamplerState::MinFilter] = TextureFilter::Point;
        sampler[SamplerState::MaxAnisotropy] = 1;
        sampler[SamplerState::DisplacementMapOffset] = 256;
        samplerDirty_[stage] = true;
        auto& states = stageStates_[stage];
        states.fill(0);
        states[1] = stage == 0 ? 4 : 1; // colour operation: modulate on stage 0, else disabled
        states[2] = 2;                  // colour argument 1: texture
        states[3] = 1;                  // colour argument 2: current
        states[4] = stage == 0 ? 2 : 1; // alpha operation: first argument on stage 0, else disabled
        states[5] = 2;                  // alpha argument 1: texture
        states[6] = 1;                  // alpha argument 2: current
        states[11] = stage;             // texture coordinate index
        states[26] = 1;                 // colour argument 0: current
        states[27] = 1;                 // alpha argument 0: current
        states[28] = 1;                 // result argument: current
    }
    std::fill(vertexConstants_.begin(), vertexConstants_.end(), 0.0f);
    std::fill(pixelConstants_.begin(), pixelConstants_.end(), 0.0f);
    vertexInts_.fill(0);
    vertexBools_.fill(0);
    pixelInts_.fill(0);
    pixelBools_.fill(0);
    vertexConstantsDirty_ = true;
    pixelConstantsDirty_ = true;
    ForgetAppliedState();
    transforms_.clear();
    material_ = {};
    lights_.clear();
    enabledLights_.clear();
    nPatchSegments_ = 0.0f;
}

void Device::NoteUnappliedState(std::uint32_t state, std::uint32_t value)
{
    if (value != defaultStates_[state] && !IsAppliedRenderState(state))
    {
        TraceOnce(state, "render state " + std::to_string(state) + " is stored but has no effect");
    }
}

void Device::TraceOnce(std::uint32_t key, const std::string& line)
{
    if (std::find(traced_.begin(), traced_.end(), key) == traced_.end())
    {
        traced_.push_back(key);
        Trace(line);
    }
}

// ---------------------------------------------------------------------------------------------
// Creation

Result Device::CreateTexture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                             std::uint32_t usage, std::uint32_t format, std::uint32_t pool, Texture** texture,
                             void* sharedHandle)
{
    AssertThread();
    const Caps& caps = profile_->caps;
    if (!texture || sharedHandle || width == 0 || height == 0 || width > caps.MaxTextureWidth ||
        height > caps.MaxTextureHeight || pool > Pool::Scratch ||
        ((usage & (Usage::RenderTarget | Usage::DepthStencil)) && pool != Pool::Default) ||
        (usage & Usage::DepthStencil) ||
        Failed(graphics_->CheckDeviceFormat(creation_.AdapterOrdinal, creation_.DeviceType, Format::X8R8G8B8,
                                            usage, ResourceType::Texture, format)))
    {
        return InvalidCall;
    }
    Texture* made = Texture::Make(*this, width, height, levels, usage, format, pool);
    if (!made)
    {
        return OutOfVideoMemory;
    }
    *texture = made;
    return Ok;
}

Result Device::CreateCubeTexture(std::uint32_t edge, std::uint32_t levels, std::uint32_t usage,
                                 std::uint32_t format, std::uint32_t pool, CubeTexture** texture,
                                 void* sharedHandle)
{
    AssertThread();
    if (!texture || sharedHandle || edge == 0 || edge > profile_->caps.MaxTextureWidth ||
        pool > Pool::Scratch || ((usage & Usage::RenderTarget) && pool != Pool::Default) ||
        (usage & Usage::DepthStencil) ||
        Failed(graphics_->CheckDeviceFormat(creation_.AdapterOrdinal, creation_.DeviceType, Format::X8R8G8B8,
                                            usage, ResourceType::CubeTexture, format)))
    {
        return InvalidCall;
    }
    CubeTexture* made = CubeTexture::Make(*this, edge, levels, usage, format, pool);
    if (!made)
    {
        return OutOfVideoMemory;
    }
    *texture = made;
    return Ok;
}

Result Device::CreateVolumeTexture(std::uint32_t width, std::uint32_t height, std::uint32_t depth,
                                   std::uint32_t levels, std::uint32_t usage, std::uint32_t format,
                                   std::uint32_t pool, VolumeTexture** texture, void* sharedHandle)
{
    AssertThread();
    const std::uint32_t extent = profile_->caps.MaxVolumeExtent;
    if (!texture || sharedHandle || width == 0 || height == 0 || depth == 0 || width > extent ||
        height > extent || depth > extent || pool > Pool::Scratch ||
        (usage & (Usage::RenderTarget | Usage::DepthStencil)) || IsCompressed(format) ||
        Failed(graphics_->CheckDeviceFormat(creation_.AdapterOrdinal, creation_.DeviceType, Format::X8R8G8B8,
                                            usage, ResourceType::VolumeTexture, format)))
    {
        return InvalidCall;
    }
    VolumeTexture* made = VolumeTexture::Make(*this, width, height, depth, levels, usage, format, pool);
    if (!made)
    {
        return OutOfVideoMemory;
    }
    *texture = made;
    return Ok;
}

Result Device::CreateVertexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t fvf,
                                  std::uint32_t pool, VertexBuffer** buffer, void* sharedHandle)
{
    AssertThread();
    if (!buffer || sharedHandle || length == 0 || pool > Pool::Scratch)
    {
        return InvalidCall;
    }
    *buffer = VertexBuffer::Make(*this, length, usage, fvf, pool);
    return Ok;
}

Result Device::CreateIndexBuffer(std::uint32_t length, std::uint32_t usage, std::uint32_t format,
                                 std::uint32_t pool, IndexBuffer** buffer, void* sharedHandle)
{
    AssertThread();
    if (!buffer || sharedHandle || length == 0 || pool > Pool::Scratch ||
        (format != Format::Index16 && format != Format::Index32))
    {
        return InvalidCall;
    }
    *buffer = IndexBuffer::Make(*this, length, usage, format, pool);
    return Ok;
}

Result Device::CreateVertexDeclaration(const VertexElement* elements, VertexDeclaration** declaration)
{
    AssertThread();
    if (!elements || !declaration)
    {
        return InvalidCall;
    }
    VertexDeclaration* made = VertexDeclaration::Make(*this, elements, false);
    if (!made)
    {
        return InvalidCall;
    }
    *declaration = made;
    return Ok;
}

Result Device::CreateVertexShader(const char* source, Shader** shader, std::string* log)
{
    AssertThread();
    if (!shader)
    {
        return InvalidCall;
    }
    *shader = Shader::Make(*this, Shader::Stage::Vertex, source, log);
    return *shader ? Ok : InvalidCall;
}

Result Device::CreatePixelShader(const char* source, Shader** shader, std::string* log)
{
    AssertThread();
    if (!shader)
    {
        return InvalidCall;
    }
    *shader = Shader::Make(*this, Shader::Stage::Pixel, source, log);
    return *shader ? Ok : InvalidCall;
}

Device::Program* Device::ProgramFor(Shader* vertexShader, Shader* pixelShader, std::string* log)
{
    const auto key = std::make_pair(vertexShader, pixelShader);
    for (auto& [shaders, program] : programs_)
    {
        if (shaders == key)
        {
            return &program;
        }
    }
    MakeCurrent();
    Program made;
    made.program = glCreateProgram();
    glAttachShader(made.program, vertexShader->GlShader());
    glAttachShader(made.program, pixelShader->GlShader());
    glLinkProgram(made.program);
    GLint linked = GL_FALSE;
    glGetProgramiv(made.program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE)
    {
        GLint length = 0;
        glGetProgramiv(made.program, GL_INFO_LOG_LENGTH, &length);
        std::string text(static_cast<std::size_t>(std::max(length, 1)), '\0');
        glGetProgramInfoLog(made.program, length, nullptr, text.data());
        text.resize(std::min(text.size(), text.find('\0')));
        if (log)
        {
            *log = text;
        }
        else
        {
            Trace("programs do not link: " + text);
        }
        glDeleteProgram(made.program);
        return nullptr;
    }
    const GLuint program = made.program;
    const GLuint vertexBlock = glGetUniformBlockIndex(program, "VertexConstants");
    if (vertexBlock != GL_INVALID_INDEX)
    {
        glUniformBlockBinding(program, vertexBlock, kVertexConstantBinding);
    }
    const GLuint pixelBlock = glGetUniformBlockIndex(program, "PixelConstants");
    if (pixelBlock != GL_INVALID_INDEX)
    {
        glUniformBlockBinding(program, pixelBlock, kPixelConstantBinding);
    }
    glUseProgram(program);
    usedProgram_ = program;
    for (std::uint32_t stage = 0; stage < StageCount; ++stage)
    {
        const GLint location = glGetUniformLocation(program, ("Sampler" + std::to_string(stage)).c_str());
        if (location >= 0)
        {
            glUniform1i(location, static_cast<GLint>(stage));
        }
    }
    made.pixelOffset = glGetUniformLocation(program, "quarrow_PixelOffset");
    made.alphaFunction = glGetUniformLocation(program, "quarrow_AlphaFunction");
    made.alphaReference = glGetUniformLocation(program, "quarrow_AlphaReference");
    made.vertexInts = glGetUniformLocation(program, "VertexIntConstants");
    made.vertexBools = glGetUniformLocation(program, "VertexBoolConstants");
    made.pixelInts = glGetUniformLocation(program, "PixelIntConstants");
    made.pixelBools = glGetUniformLocation(program, "PixelBoolConstants");
    made.transform = glGetUniformLocation(program, "quarrow_Transform");
    made.viewport = glGetUniformLocation(program, "quarrow_Viewport");
    made.textureFactor = glGetUniformLocation(program, "quarrow_TextureFactor");
    programs_.emplace_back(key, made);
    return &programs_.back().second;
}

Result Device::CheckProgramLink(Shader* vertexShader, Shader* pixelShader, std::string* log)
{
    AssertThread();
    if (!vertexShader || !pixelShader || vertexShader->GetStage() != Shader::Stage::Vertex ||
        pixelShader->GetStage() != Shader::Stage::Pixel)
    {
        return InvalidCall;
    }
    std::string text;
    return ProgramFor(vertexShader, pixelShader, log ? log : &text) ? Ok : InvalidCall;
}

void Device::ForgetShader(Shader* shader)
{
    if (!context_)
    {
        return;
    }
    MakeCurrent();
    std::erase_if(programs_, [this, shader](const auto& entry) {
        if (entry.first.first == shader || entry.first.second == shader)
        {
            if (entry.second.program == usedProgram_)
            {
                usedProgram_ = 0;
            }
            glDeleteProgram(entry.second.program);
            return true;
        }
        return false;
    });
}

// ---------------------------------------------------------------------------------------------
// Copies

Result Device::UpdateTexture(BaseTexture* source, BaseTexture* destination)
{
    AssertThread();
    if (!source || !destination || source == destination || source->GetType() != destination->GetType() ||
        source->Format() != destination->Format() || source->FaceCount() != destination->FaceCount())
    {
        return InvalidCall;
    }
    // The source level whose size is the destination's first.
    std::uint32_t skip = 0;
    const std::uint32_t sourceLevels = source->GetLevelCount();
    while (skip < sourceLevels && (source->LevelWidth(skip) != destination->LevelWidth(0) ||
                                   source->LevelHeight(skip) != destination->LevelHeight(0) ||
                                   source->LevelDepth(skip) != destination->LevelDepth(0)))
    {
        ++skip;
    }
    const std::uint32_t levels = destination->GetLevelCount();
    if (skip + levels > sourceLevels)
    {
        return InvalidCall;
    }
    const std::uint32_t format = destination->Format();
    for (std::uint32_t face = 0; face < destination->FaceCount(); ++face)
    {
        for (std::uint32_t level = 0; level < levels; ++level)
        {
            const std::vector<std::uint8_t> bytes = source->ReadLevel(face, skip + level);
            const std::uint32_t width = destination->LevelWidth(level);
            const std::uint32_t rows = RowCountOf(format, destination->LevelHeight(level));
            const std::uint32_t columns = IsCompressed(format) ? (width + 3) / 4 : width;
            const std::uint32_t pitch = RowPitchOf(format, width);
            // A volume's slices lie one after the other: as rows of a taller image.
            const std::uint32_t slices = destination->LevelDepth(level);
            if (slices > 1)
            {
                std::vector<std::uint8_t>& memory = destination->LevelMemory(face, level);
                std::copy(bytes.begin(), bytes.end(), memory.begin());
                destination->UploadLevel(face, level);
                continue;
            }
            destination->WriteRect(
                face, level, {0, 0, static_cast<std::int32_t>(columns), static_cast<std::int32_t>(rows)},
                bytes.data(), pitch);
        }
    }
    return Ok;
}

Result Device::UpdateSurface(Surface* source, const Rect* sourceRect, Surface* destination,
                             const Platform::Point* destinationPoint)
{
    AssertThread();
    if (!source || !destination || source == destination ||
        source->Desc().Format != destination->Desc().Format ||
        source->GetKind() == Surface::Kind::DepthStencil ||
        destination->GetKind() == Surface::Kind::DepthStencil || source->GlSamples() > 0 ||
        destination->GlSamples() > 0)
    {
        return InvalidCall;
    }
    const SurfaceDesc& from = source->Desc();
    Rect rect{0, 0, static_cast<std::int32_t>(from.Width), static_cast<std::int32_t>(from.Height)};
    if (sourceRect)
    {
        rect = *sourceRect;
    }
    const std::int32_t x = destinationPoint ? destinationPoint->x : 0;
    const std::int32_t y = destinationPoint ? destinationPoint->y : 0;
    const SurfaceDesc& to = destination->Desc();
    // Wide arithmetic: edges near the largest coordinate must not wrap round into the surface.
    const std::int64_t wideWidth = std::int64_t{rect.right} - rect.left;
    const std::int64_t wideHeight = std::int64_t{rect.bottom} - rect.top;
    if (rect.left < 0 || rect.top < 0 || wideWidth <= 0 || wideHeight <= 0 ||
        rect.right > std::int64_t{from.Width} || rect.bottom > std::int64_t{from.Height} || x < 0 || y < 0 ||
        x + wideWidth > std::int64_t{to.Width} || y + wideHeight > std::int64_t{to.Height})
    {
        return InvalidCall;
    }
    const auto width = static_cast<std::int32_t>(wideWidth);
    const auto height = static_cast<std::int32_t>(wideHeight);
    Rect sourceUnits = rect;
    Rect destinationUnits{x, y, x + width, y + height};
    if (IsCompressed(from.Format))
    {
        // Whole blocks only.
        if (rect.left % 4 || rect.top % 4 || x % 4 || y % 4)
        {
            return InvalidCall;
        }
        auto blocks = [](Rect r) {
            return Rect{r.left / 4, r.top / 4, (r.right + 3) / 4, (r.bottom + 3) / 4};
        };
        sourceUnits = blocks(rect);
        destinationUnits = blocks(destinationUnits);
    }
    // Kept from copy to copy, so repeated uploads (a canvas's tiles every frame) allocate nothing.
    static thread_local std::vector<std::uint8_t> bytes;
    if (!source->ReadRect(sourceUnits, bytes) || !destination->WriteRect(destinationUnits, bytes.data()))
    {
        return InvalidCall;
    }
    return Ok;
}

// ---------------------------------------------------------------------------------------------
// Bindings and states

Result Device::SetTexture(std::uint32_t stage, BaseTexture* texture)
{
    AssertThread();
    ++counters_.textures;
    if (stage >= StageCount)
    {
        return InvalidCall;
    }
    Rebind(textures_[stage], texture);
    return Ok;
}

Result Device::GetTexture(std::uint32_t stage, BaseTexture** texture)
{
    if (!texture || stage >= StageCount)
    {
        return InvalidCall;
    }
    *texture = textures_[stage];
    if (*texture)
    {
        (*texture)->AddRef();
    }
    return Ok;
}

Result Device::SetSamplerState(std::uint32_t sampler, std::uint32_t type, std::uint32_t value)
{
    AssertThread();
    ++counters_.samplerStates;
    if (sampler >= StageCount || type == 0 || type >= SamplerStateCount)
    {
        return InvalidCall;
    }
    samplerStates_[sampler][type] = value;
    samplerDirty_[sampler] = true;
    return Ok;
}

Result Device::GetSamplerState(std::uint32_t sampler, std::uint32_t type, std::uint32_t* value) const
{
    if (!value || sampler >= StageCount || type == 0 || type >= SamplerStateCount)
    {
        return InvalidCall;
    }
    *value = samplerStates_[sampler][type];
    return Ok;
}

Result Device::SetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t value)
{
    AssertThread();
    ++counters_.textureStageStates;
    if (stage >= StageCount || type >= TextureStageStateCount)
    {
        return InvalidCall;
    }
    stageStates_[stage][type] = value;
    return Ok;
}

Result Device::GetTextureStageState(std::uint32_t stage, std::uint32_t type, std::uint32_t* value) const
{
    if (!value || stage >= StageCount || type >= TextureStageStateCount)
    {
        return InvalidCall;
    }
    *value = stageStates_[stage][type];
    return Ok;
}

Result Device::SetVertexShader(Shader* shader)
{
    AssertThread();
    ++counters_.shaders;
    if (shader && shader->GetStage() != Shader::Stage::Vertex)
    {
        return InvalidCall;
    }
    Rebind(vertexShader_, shader);
    return Ok;
}

Result Device::GetVertexShader(Shader** shader)
{
    if (!shader)
    {
        return InvalidCall;
    }
    *shader = vertexShader_;
    if (*shader)
    {
        (*shader)->AddRef();
    }
    return Ok;
}

Result Device::SetPixelShader(Shader* shader)
{
    AssertThread();
    ++counters_.shaders;
    if (shader && shader->GetStage() != Shader::Stage::Pixel)
    {
        return InvalidCall;
    }
    Rebind(pixelShader_, shader);
    return Ok;
}

Result Device::GetPixelShader(Shader** shader)
{
    if (!shader)
    {
        return InvalidCall;
    }
    *shader = pixelShader_;
    if (*shader)
    {
        (*shader)->AddRef();
    }
    return Ok;
}

namespace
{

template <typename T, typename Registers>
Result StoreRegisters(Registers& registers, std::uint32_t width, std::uint32_t start, const T* data,
                      std::uint32_t count)
{
    const std::size_t total = registers.size() / width;
    if (!data || start > total || count > total - start)
    {
        return InvalidCall;
    }
    std::copy_n(data, static_cast<std::size_t>(count) * width, registers.begin() + start * width);
    return Ok;
}

template <typename T, typename Registers>
Result LoadRegisters(const Registers& registers, std::uint32_t start, T* data, std::uint32_t count)
{
    const std::size_t total = registers.size() / 4;
    if (!data || start > total || count > total - start)
    {
        return InvalidCall;
    }
    std::copy_n(registers.begin() + start * 4, static_cast<std::size_t>(count) * 4, data);
    return Ok;
}

} // namespace

Result Device::SetVertexShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count)
{
    AssertThread();
    ++counters_.constants;
    const Result stored = StoreRegisters(vertexConstants_, 4, start, data, count);
    vertexConstantsDirty_ = vertexConstantsDirty_ || stored == Ok;
    return stored;
}

Result Device::GetVertexShaderConstantF(std::uint32_t start, float* data, std::uint32_t count) const
{
    return LoadRegisters(vertexConstants_, start, data, count);
}

Result Device::SetVertexShaderConstantI(std::uint32_t start, const std::int32_t* data, std::uint32_t count)
{
    AssertThread();
    ++counters_.constants;
    return StoreRegisters(vertexInts_, 4, start, data, count);
}

Result Device::SetVertexShaderConstantB(std::uint32_t start, const std::int32_t* data, std::uint32_t count)
{
    AssertThread();
    ++counters_.constants;
    return StoreRegisters(vertexBools_, 1, start, data, count);
}

Result Device::SetPixelShaderConstantF(std::uint32_t start, const float* data, std::uint32_t count)
{
    AssertThread();
    ++counters_.constants;
    const Result stored = StoreRegisters(pixelConstants_, 4, start, data, count);
    pixelConstantsDirty_ = pixelConstantsDirty_ || stored == Ok;
    return stored;
}

Result Device::GetPixelShaderConstantF(std::uint32_t start, float* data, std::uint32_t count) const
{
    return LoadRegisters(pixelConstants_, start, data, count);
}

Result Device::SetPixelShaderConstantI(std::uint32_t start, const std::int32_t* data, std::uint32_t count)
{
    AssertThread();
    ++counters_.constants;
    return StoreRegisters(pixelInts_, 4, start, data, count);
}

Result Device::SetPixelShaderConstantB(std::uint32_t start, const std::int32_t* data, std::uint32_t count)
{
    AssertThread();
    ++counters_.constants;
    return StoreRegisters(pixelBools_, 1, start, data, count);
}

Result Device::SetStreamSource(std::uint32_t stream, VertexBuffer* buffer, std::uint32_t offset,
                               std::uint32_t stride)
{
    AssertThread();
    ++counters_.streamSources;
    if (stream >= StreamCount)
    {
        return InvalidCall;
    }
    Rebind(streams_[stream].buffer, buffer);
    streams_[stream].offset = offset;
    streams_[stream].stride = stride;
    return Ok;
}

Result Device::GetStreamSource(std::uint32_t stream, VertexBuffer** buffer, std::uint32_t* offset,
                               std::uint32_t* stride)
{
    if (stream >= StreamCount || !buffer || !offset || !stride)
    {
        return InvalidCall;
    }
    *buffer = streams_[stream].buffer;
    if (*buffer)
    {
        (*buffer)->AddRef();
    }
    *offset = streams_[stream].offset;
    *stride = streams_[stream].stride;
    return Ok;
}

Result Device::SetIndices(IndexBuffer* buffer)
{
    AssertThread();
    Rebind(indices_, buffer);
    return Ok;
}

Result Device::GetIndices(IndexBuffer** buffer)
{
    if (!buffer)
    {
        return InvalidCall;
    }
    *buffer = indices_;
    if (*buffer)
    {
        (*buffer)->AddRef();
    }
    return Ok;
}

Result Device::SetVertexDeclaration(VertexDeclaration* declaration)
{
    AssertThread();
    Rebind(declaration_, declaration);
    fvf_ = 0;
    return Ok;
}

Result Device::GetVertexDeclaration(VertexDeclaration** declaration)
{
    if (!declaration)
    {
        return InvalidCall;
    }
    *declaration = declaration_;
    if (*declaration)
    {
        (*declaration)->AddRef();
    }
    return Ok;
}

Result Device::SetFVF(std::uint32_t fvf)
{
    AssertThread();
    if (fvf == 0)
    {
        Rebind<VertexDeclaration>(declaration_, nullptr);
        fvf_ = 0;
        return Ok;
    }
    VertexDeclaration* found = nullptr;
    for (const auto& [known, declaration] : fvfDeclarations_)
    {
        if (known == fvf)
        {
            found = declaration;
        }
    }
    if (!found)
    {
        std::vector<VertexElement> elements = ElementsOfFvf(fvf);
        if (elements.empty())
        {
            return InvalidCall;
        }
        elements.push_back(DeclarationEnd);
        found = Adopt(VertexDeclaration::Make(*this, elements.data(), true));
        fvfDeclarations_.emplace_back(fvf, found);
    }
    Rebind(declaration_, found);
    fvf_ = fvf;
    return Ok;
}

Result Device::GetFVF(std::uint32_t* fvf) const
{
    if (!fvf)
    {
        return InvalidCall;
    }
    *fvf = fvf_;
    return Ok;
}

Result Device::SetTransform(std::uint32_t state, const Matrix* matrix)
{
    AssertThread();
    if (!matrix)
    {
        return InvalidCall;
    }
    for (auto& [known, stored] : transforms_)
    {
        if (known == state)
        {
            stored = *matrix;
            return Ok;
        }
    }
    transforms_.emplace_back(state, *matrix);
    return Ok;
}

Result Device::GetTransform(std::uint32_t state, Matrix* matrix) const
{
    if (!matrix)
    {
        return InvalidCall;
    }
    *matrix = Matrix{};
    for (const auto& [known, stored] : transforms_)
    {
        if (known == state)
        {
            *matrix = stored;
        }
    }
    return Ok;
}

Result Device::SetMaterial(const Material* material)
{
    if (!material)
    {
        return InvalidCall;
    }
    material_ = *material;
    return Ok;
}

Result Device::GetMaterial(Material* material) const
{
    if (!material)
    {
        return InvalidCall;
    }
    *material = material_;
    return Ok;
}

Result Device::SetLight(std::uint32_t index, const Light* light)
{
    if (!light)
    {
        return InvalidCall;
    }
    for (auto& [known, stored] : lights_)
    {
        if (known == index)
        {
            stored = *light;
            return Ok;
        }
    }
    lights_.emplace_back(index, *light);
    return Ok;
}

Result Device::GetLight(std::uint32_t index, Light* light) const
{
    if (!light)
    {
        return InvalidCall;
    }
    for (const auto& [known, stored] : lights_)
    {
        if (known == index)
        {
            *light = stored;
            return Ok;
        }
    }
    return InvalidCall;
}

Result Device::LightEnable(std::uint32_t index, bool enable)
{
    const bool known =
        std::any_of(lights_.begin(), lights_.end(), [index](const auto& l) { return l.first == index; });
    if (!known)
    {
        // Enabling a light never set gives it the default light first.
        lights_.emplace_back(index, Light{});
    }
    std::erase(enabledLights_, index);
    if (enable)
    {
        enabledLights_.push_back(index);
    }
    return Ok;
}

Result Device::GetLightEnable(std::uint32_t index, bool* enable) const
{
    if (!enable)
    {
        return InvalidCall;
    }
    *enable = std::find(enabledLights_.begin(), enabledLights_.end(), index) != enabledLights_.end();
    return Ok;
}

Result Device::SetNPatchMode(float segments)
{
    nPatchSegments_ = segments;
    return Ok;
}

// ---------------------------------------------------------------------------------------------
// Draws

void Device::SetMirroredView(bool mirrored)
{
    if (mirrored != mirroredView_)
    {
        mirroredView_ = mirrored;
        appliedStatesValid_ = false;
    }
}

void Device::ApplyRenderStates()
{
    namespace RS = RenderState;
    const auto& rs = renderStates_;
    // Everything below follows from these: when none changed since the last draw, and nothing else
    // touched the OpenGL state they set, the context still holds it.
    const SurfaceDesc& target = renderTarget_->Desc();
    AppliedStates now;
    now.renderStates = rs;
    now.viewport = viewport_;
    now.scissor = scissor_;
    now.depthStencil = depthStencil_ != nullptr;
    now.targetWidth = target.Width;
    now.targetHeight = target.Height;
    const bool same = appliedStatesValid_ &&
                      std::memcmp(&now.renderStates, &appliedStates_.renderStates, sizeof now.renderStates) == 0 &&
                      std::memcmp(&now.viewport, &appliedStates_.viewport, sizeof now.viewport) == 0 &&
                      std::memcmp(&now.scissor, &appliedStates_.scissor, sizeof now.scissor) == 0 &&
                      now.depthStencil == appliedStates_.depthStencil &&
                      now.targetWidth == appliedStates_.targetWidth &&
                      now.targetHeight == appliedStates_.targetHeight;
    if (same)
    {
        return;
    }
    appliedStates_ = now;
    appliedStatesValid_ = true;
    if (rs[RS::ZEnable] && depthStencil_)
    {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(CompareFunction(rs[RS::ZFunc]));
    }
    else
    {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthMask(rs[RS::ZWriteEnable] ? GL_TRUE : GL_FALSE);
    glPolygonMode(GL_FRONT_AND_BACK, rs[RS::FillMode] == Fill::Point       ? GL_POINT
                                     : rs[RS::FillMode] == Fill::Wireframe ? GL_LINE
                                                                           : GL_FILL);
    // Rows are stored top first, which mirrors every picture vertically in OpenGL's terms: a triangle
    // that runs clockwise on the screen is counter-clockwise for OpenGL. So OpenGL's front faces are
    // the screen's clockwise ones; a mirrored view mirrors that once more.
    glFrontFace(mirroredView_ ? GL_CW : GL_CCW);
    switch (rs[RS::CullMode])
    {
    case Cull::CounterClockwise:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    case Cull::Clockwise:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        break;
    default:
        glDisable(GL_CULL_FACE);
        break;
    }
    if (rs[RS::AlphaBlendEnable])
    {
        glEnable(GL_BLEND);
        const bool separate = rs[RS::SeparateAlphaBlendEnable] != 0;
        glBlendFuncSeparate(BlendFactor(rs[RS::SrcBlend]), BlendFactor(rs[RS::DestBlend]),
                            BlendFactor(separate ? rs[RS::SrcBlendAlpha] : rs[RS::SrcBlend]),
                            BlendFactor(separate ? rs[RS::DestBlendAlpha] : rs[RS::DestBlend]));
        glBlendEquationSeparate(BlendEquation(rs[RS::BlendOp]),
                                BlendEquation(separate ? rs[RS::BlendOpAlpha] : rs[RS::BlendOp]));
        const std::uint32_t factor = rs[RS::BlendFactor];
        glBlendColor(static_cast<float>((factor >> 16) & 0xFF) / 255.0f,
                     static_cast<float>((factor >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(factor & 0xFF) / 255.0f, static_cast<float>(factor >> 24) / 255.0f);
    }
    else
    {
        glDisable(GL_BLEND);
    }
    if (rs[RS::StencilEnable] && depthStencil_)
    {
        glEnable(GL_STENCIL_TEST);
        const auto reference = static_cast<GLint>(rs[RS::StencilRef] & 0xFF);
        const GLuint mask = rs[RS::StencilMask];
        glStencilFuncSeparate(GL_FRONT, CompareFunction(rs[RS::StencilFunc]), reference, mask);
        glStencilOpSeparate(GL_FRONT, StencilOp(rs[RS::StencilFail]), StencilOp(rs[RS::StencilZFail]),
                            StencilOp(rs[RS::StencilPass]));
        // The counter-clockwise operations of two-sided stencil belong to OpenGL's back faces.
        const bool twoSided = rs[RS::TwoSidedStencilMode] != 0;
        glStencilFuncSeparate(GL_BACK, CompareFunction(rs[twoSided ? RS::CcwStencilFunc : RS::StencilFunc]),
                              reference, mask);
        glStencilOpSeparate(GL_BACK, StencilOp(rs[twoSided ? RS::CcwStencilFail : RS::StencilFail]),
                            StencilOp(rs[twoSided ? RS::CcwStencilZFail : RS::StencilZFail]),
                            StencilOp(rs[twoSided ? RS::CcwStencilPass : RS::StencilPass]));
        glStencilMask(rs[RS::StencilWriteMask]);
    }
    else
    {
        glDisable(GL_STENCIL_TEST);
    }
    const std::uint32_t write = rs[RS::ColorWriteEnable];
    glColorMask((write & 1) != 0, (write & 2) != 0, (write & 4) != 0, (write & 8) != 0);
    if (rs[RS::ScissorTestEnable])
    {
        // Clipped to the target first, so that edges far outside it cannot overflow the size.
        const SurfaceDesc& whole = renderTarget_->Desc();
        const std::int32_t left = std::clamp(scissor_.left, 0, static_cast<std::int32_t>(whole.Width));
        const std::int32_t top = std::clamp(scissor_.top, 0, static_cast<std::int32_t>(whole.Height));
        const std::int32_t right = std::clamp(scissor_.right, left, static_cast<std::int32_t>(whole.Width));
        const std::int32_t bottom = std::clamp(scissor_.bottom, top, static_cast<std::int32_t>(whole.Height));
        glEnable(GL_SCISSOR_TEST);
        glScissor(left, top, right - left, bottom - top);
    }
    else
    {
        glDisable(GL_SCISSOR_TEST);
    }
    const float bias = FloatOf(rs[RS::DepthBias]);
    const float slope = FloatOf(rs[RS::SlopeScaleDepthBias]);
    if (bias != 0.0f || slope != 0.0f)
    {
        glEnable(GL_POLYGON_OFFSET_FILL);
        // The engine's bias is in depth units; OpenGL's in steps of a 24-bit depth buffer.
        glPolygonOffset(slope, bias * 16777216.0f);
    }
    else
    {
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
    if (rs[RS::MultiSampleAntialias])
    {
        glEnable(GL_MULTISAMPLE);
    }
    else
    {
        glDisable(GL_MULTISAMPLE);
    }
    if (rs[RS::ClipPlaneEnable] != 0)
    {
        TraceOnce(0x10000 + RS::ClipPlaneEnable, "user clip planes are not applied");
    }
    glViewport(static_cast<GLint>(viewport_.X), static_cast<GLint>(viewport_.Y),
               static_cast<GLsizei>(viewport_.Width), static_cast<GLsizei>(viewport_.Height));
    glDepthRange(viewport_.MinZ, viewport_.MaxZ);
}

void Device::ApplySamplers()
{
    // A unit is only touched when what it should hold differs from what the last draw bound there.
    // Other code binds and deletes textures on unit 0 only between draws and says so
    // (TextureBindingsTouched); every draw leaves unit 0 active.
    const bool known = unitsValid_;
    unitsValid_ = true;
    std::uint32_t active = 0;
    auto activate = [&active](std::uint32_t stage) {
        if (active != stage)
        {
            glActiveTexture(GL_TEXTURE0 + stage);
            active = stage;
        }
    };
    for (std::uint32_t stage = 0; stage < StageCount; ++stage)
    {
        BaseTexture* texture = textures_[stage];
        BoundUnit& unit = units_[stage];
        if (!known)
        {
            unit = {}; // target 0: unknown, so the stage is bound again
        }
        const GLenum target = texture ? texture->GlTarget() : GL_TEXTURE_2D;
        const GLuint name = texture ? texture->GlTexture() : 0;
        if (unit.target != target || unit.texture != name)
        {
            activate(stage);
            glBindTexture(target, name);
            unit.target = target;
            unit.texture = name;
        }
        if (!texture)
        {
            continue;
        }
        if (!unit.sampler)
        {
            glBindSampler(stage, samplers_[stage]);
            unit.sampler = true;
        }
        if (!samplerDirty_[stage])
        {
            continue;
        }
        samplerDirty_[stage] = false;
        const auto& s = samplerStates_[stage];
        const GLuint sampler = samplers_[stage];
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S,
                            AddressMode(s[SamplerState::AddressU], hasMirrorOnce_));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T,
                            AddressMode(s[SamplerState::AddressV], hasMirrorOnce_));
        glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R,
                            AddressMode(s[SamplerState::AddressW], hasMirrorOnce_));
        const std::uint32_t border = s[SamplerState::BorderColor];
        const float color[4] = {static_cast<float>((border >> 16) & 0xFF) / 255.0f,
                                static_cast<float>((border >> 8) & 0xFF) / 255.0f,
                                static_cast<float>(border & 0xFF) / 255.0f,
                                static_cast<float>(border >> 24) / 255.0f};
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, color);
        const bool magLinear = s[SamplerState::MagFilter] >= TextureFilter::Linear;
        const bool minLinear = s[SamplerState::MinFilter] >= TextureFilter::Linear;
        glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
        GLint minFilter = minLinear ? GL_LINEAR : GL_NEAREST;
        switch (s[SamplerState::MipFilter])
        {
        case TextureFilter::Point:
            minFilter = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
            break;
        case TextureFilter::Linear:
        case TextureFilter::Anisotropic:
            minFilter = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
            break;
        default:
            break;
        }
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, minFilter);
        glSamplerParameterf(sampler, GL_TEXTURE_LOD_BIAS, FloatOf(s[SamplerState::MipMapLodBias]));
        glSamplerParameterf(sampler, GL_TEXTURE_MIN_LOD, static_cast<float>(s[SamplerState::MaxMipLevel]));
        if (hasAnisotropy_)
        {
            const bool anisotropic = s[SamplerState::MinFilter] == TextureFilter::Anisotropic ||
                                     s[SamplerState::MagFilter] == TextureFilter::Anisotropic;
            glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                                anisotropic ? static_cast<float>(std::max(1u, s[SamplerState::MaxAnisotropy]))
                                            : 1.0f);
        }
        if (s[SamplerState::SrgbTexture] != 0)
        {
            TraceOnce(0x20000 + SamplerState::SrgbTexture, "sRGB sampling is not applied");
        }
    }
    activate(0);
}

void Device::ApplyVertexInput()
{
    glBindVertexArray(vertexArray_);
    std::uint32_t enabled = 0;
    for (const VertexElement& element : declaration_->Elements())
    {
        const int location = AttributeLocation(element.Usage, element.UsageIndex);
        if (location < 0)
        {
            const std::uint32_t key = 0x30000 + element.Usage * 256u + element.UsageIndex;
            // The line is only written out once; checked first so that later draws build no text.
            if (std::find(traced_.begin(), traced_.end(), key) == traced_.end())
            {
                TraceOnce(key, "vertex element of usage " + std::to_string(element.Usage) + " index " +
                                   std::to_string(element.UsageIndex) + " has no attribute location");
            }
            continue;
        }
        const Stream& stream = streams_[element.Stream];
        if (!stream.buffer)
        {
            continue;
        }
        const AttributeFormat format = AttributeFormatOf(element.Type);
        glBindBuffer(GL_ARRAY_BUFFER, stream.buffer->GlBuffer());
        const auto offset = static_cast<std::uintptr_t>(stream.offset) + element.Offset;
        glVertexAttribPointer(static_cast<GLuint>(location), format.size, format.type, format.normalized,
                              static_cast<GLsizei>(stream.stride), reinterpret_cast<const void*>(offset));
        glEnableVertexAttribArray(static_cast<GLuint>(location));
        enabled |= 1u << location;
    }
    // Locations read from arrays in this draw lose their current value.
    defaultedAttributes_ &= ~enabled;
    for (GLuint location = 0; location < 16; ++location)
    {
        const std::uint32_t bit = 1u << location;
        if ((enabledAttributes_ & bit) && !(enabled & bit))
        {
            glDisableVertexAttribArray(location);
        }
        if (!(enabled & bit) && !(defaultedAttributes_ & bit))
        {
            // Inputs the declaration lacks read (0, 0, 0, 1).
            glVertexAttrib4f(location, 0.0f, 0.0f, 0.0f, 1.0f);
            defaultedAttributes_ |= bit;
        }
    }
    enabledAttributes_ = enabled;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices_ ? indices_->GlBuffer() : 0);
}

namespace
{

// Copies value into shadow and answers true when it differs from what the shadow held.
template <typename T>
bool Changed(T& shadow, const T& value, bool known)
{
    if (known && std::memcmp(&shadow, &value, sizeof(T)) == 0)
    {
        return false;
    }
    shadow = value;
    return true;
}

} // namespace

void Device::UploadConstants(Program& program)
{
    // Whole blocks: OpenGL gives a buffer fresh storage for a whole upload, while writing part of one
    // that pending draws still read makes the driver wait for them.
    if (vertexConstantsDirty_ || pixelConstantsDirty_)
    {
        if (vertexConstantsDirty_)
        {
            glBindBuffer(GL_UNIFORM_BUFFER, vertexConstantBuffer_);
            glBufferSubData(GL_UNIFORM_BUFFER, 0, kConstantBytes, vertexConstants_.data());
            vertexConstantsDirty_ = false;
        }
        if (pixelConstantsDirty_)
        {
            glBindBuffer(GL_UNIFORM_BUFFER, pixelConstantBuffer_);
            glBufferSubData(GL_UNIFORM_BUFFER, 0, kConstantBytes, pixelConstants_.data());
            pixelConstantsDirty_ = false;
        }
        glBindBuffer(GL_UNIFORM_BUFFER, 0);
    }
    // A program keeps its uniforms' values between draws: send those that differ from the last ones.
    const bool known = program.uploaded;
    program.uploaded = true;
    if (program.vertexInts >= 0 && Changed(program.vertexIntsValue, vertexInts_, known))
    {
        glUniform4iv(program.vertexInts, 16, vertexInts_.data());
    }
    if (program.vertexBools >= 0 && Changed(program.vertexBoolsValue, vertexBools_, known))
    {
        glUniform1iv(program.vertexBools, 16, vertexBools_.data());
    }
    if (program.pixelInts >= 0 && Changed(program.pixelIntsValue, pixelInts_, known))
    {
        glUniform4iv(program.pixelInts, 16, pixelInts_.data());
    }
    if (program.pixelBools >= 0 && Changed(program.pixelBoolsValue, pixelBools_, known))
    {
        glUniform1iv(program.pixelBools, 16, pixelBools_.data());
    }
    if (program.pixelOffset >= 0)
    {
        const std::array<float, 4> offset{1.0f / static_cast<float>(std::max(1u, viewport_.Width)),
                                          1.0f / static_cast<float>(std::max(1u, viewport_.Height)), 0.0f,
                                          0.0f};
        if (Changed(program.pixelOffsetValue, offset, known))
        {
            glUniform4fv(program.pixelOffset, 1, offset.data());
        }
    }
    if (program.transform >= 0)
    {
        // World × view × projection for row vectors; GLSL reads the rows as columns, so the program
        // multiplies the matrix by the position.
        Matrix parts[3];
        GetTransform(TransformState::World, &parts[0]);
        GetTransform(TransformState::View, &parts[1]);
        GetTransform(TransformState::Projection, &parts[2]);
        Matrix product = parts[0];
        for (int part = 1; part < 3; ++part)
        {
            Matrix next;
            for (int r = 0; r < 4; ++r)
            {
                for (int c = 0; c < 4; ++c)
                {
                    double sum = 0.0;
                    for (int k = 0; k < 4; ++k)
                    {
                        sum += static_cast<double>(product.m[r][k]) * parts[part].m[k][c];
                    }
                    next.m[r][c] = static_cast<float>(sum);
                }
            }
            product = next;
        }
        if (Changed(program.transformValue, product, known))
        {
            glUniformMatrix4fv(program.transform, 1, GL_FALSE, &product.m[0][0]);
        }
    }
    if (program.viewport >= 0)
    {
        const std::array<float, 4> rectangle{static_cast<float>(viewport_.X), static_cast<float>(viewport_.Y),
                                             static_cast<float>(std::max(1u, viewport_.Width)),
                                             static_cast<float>(std::max(1u, viewport_.Height))};
        if (Changed(program.viewportValue, rectangle, known))
        {
            glUniform4fv(program.viewport, 1, rectangle.data());
        }
    }
    if (program.textureFactor >= 0)
    {
        const std::uint32_t factor = renderStates_[RenderState::TextureFactor];
        if (Changed(program.textureFactorValue, factor, known))
        {
            glUniform4f(program.textureFactor, static_cast<float>((factor >> 16) & 0xFF) / 255.0f,
                        static_cast<float>((factor >> 8) & 0xFF) / 255.0f,
                        static_cast<float>(factor & 0xFF) / 255.0f, static_cast<float>(factor >> 24) / 255.0f);
        }
    }
    const bool alphaTest = renderStates_[RenderState::AlphaTestEnable] != 0;
    if (program.alphaFunction >= 0)
    {
        const auto function = alphaTest ? static_cast<GLint>(renderStates_[RenderState::AlphaFunc]) : 0;
        if (Changed(program.alphaFunctionValue, function, known))
        {
            glUniform1i(program.alphaFunction, function);
        }
    }
    if (program.alphaReference >= 0)
    {
        const std::uint32_t reference = renderStates_[RenderState::AlphaRef] & 0xFF;
        if (Changed(program.alphaReferenceValue, reference, known))
        {
            glUniform1f(program.alphaReference, static_cast<float>(reference));
        }
    }
}

Result Device::PrepareDraw(std::uint32_t type, std::uint32_t primitiveCount, std::uint32_t& mode,
                           std::uint32_t& vertexCount)
{
    AssertThread();
    ++counters_.drawCalls;
    GLenum glMode = GL_TRIANGLES;
    vertexCount = VertexCountOf(type, primitiveCount, glMode);
    mode = glMode;
    if (!inScene_ || !declaration_ || vertexCount == 0)
    {
        return InvalidCall;
    }
    if (IsLost())
    {
        return False;
    }
    if (!BindTargets())
    {
        return InvalidCall;
    }
    Shader* vertexShader = nullptr;
    Shader* pixelShader = nullptr;
    const Result chosen = ChooseShaders(vertexShader, pixelShader);
    if (Failed(chosen))
    {
        return chosen;
    }
    Program* program = ProgramFor(vertexShader, pixelShader, nullptr);
    if (!program)
    {
        return InvalidCall;
    }
    if (usedProgram_ != program->program)
    {
        glUseProgram(program->program);
        usedProgram_ = program->program;
    }
    UploadConstants(*program);
    ApplyRenderStates();
    ApplySamplers();
    ApplyVertexInput();
    return Ok;
}

Result Device::DrawPrimitive(std::uint32_t type, std::uint32_t startVertex, std::uint32_t primitiveCount)
{
    std::uint32_t mode = 0;
    std::uint32_t vertexCount = 0;
    const Result prepared = PrepareDraw(type, primitiveCount, mode, vertexCount);
    if (prepared != Ok)
    {
        return Failed(prepared) ? prepared : Ok;
    }
    if (!StreamsHold(startVertex, vertexCount))
    {
        glBindVertexArray(0);
        Trace("a draw reads vertices past the end of a vertex buffer: refused");
        return InvalidCall;
    }
    glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertexCount));
    glBindVertexArray(0);
    return Ok;
}

Result Device::DrawIndexedPrimitive(std::uint32_t type, std::int32_t baseVertex, std::uint32_t minIndex,
                                    std::uint32_t vertices, std::uint32_t startIndex,
                                    std::uint32_t primitiveCount)
{
    if (!indices_)
    {
        ++counters_.drawCalls;
        return InvalidCall;
    }
    std::uint32_t mode = 0;
    std::uint32_t vertexCount = 0;
    const Result prepared = PrepareDraw(type, primitiveCount, mode, vertexCount);
    if (prepared != Ok)
    {
        return Failed(prepared) ? prepared : Ok;
    }
    const bool wide = indices_->IndexFormat() == Format::Index32;
    const std::uintptr_t offset = static_cast<std::uintptr_t>(startIndex) * (wide ? 4 : 2);
    if (offset + static_cast<std::uintptr_t>(vertexCount) * (wide ? 4 : 2) > indices_->Size())
    {
        glBindVertexArray(0);
        Trace("an indexed draw reads past the end of its index buffer: refused");
        return InvalidCall;
    }
    if (!StreamsHold(static_cast<std::int64_t>(baseVertex) + minIndex, vertices))
    {
        glBindVertexArray(0);
        Trace("an indexed draw's vertex range runs past the end of a vertex buffer: refused");
        return InvalidCall;
    }
    glDrawElementsBaseVertex(mode, static_cast<GLsizei>(vertexCount),
                             wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(offset), baseVertex);
    glBindVertexArray(0);
    return Ok;
}

} // namespace Platform::Gfx
