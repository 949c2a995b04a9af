#include "platform/gfx/Shader.h"

#include "platform/gfx/Device.h"
#include "platform/gfx/GlContext.h"

namespace Platform::Gfx
{
namespace
{

constexpr const char* kVertexPrologue = R"(#version 330 core
uniform vec4 quarrow_PixelOffset;
uniform ivec4 VertexIntConstants[16];
uniform bool VertexBoolConstants[16];
out vec4 StageDiffuse;
out vec4 StageSpecular;
out vec4 StageTexCoord0;
out vec4 StageTexCoord1;
out vec4 StageTexCoord2;
out vec4 StageTexCoord3;
out vec4 StageTexCoord4;
out vec4 StageTexCoord5;
out vec4 StageTexCoord6;
out vec4 StageTexCoord7;
#define main quarrow_ProgramMain
#line 1
)";

// Rows are stored top first, so y is mirrored; depth 0..w becomes -w..w; every position moves by half
// a pixel, since pixel centres lie at whole coordinates in the engine's screen space.
constexpr const char* kVertexEpilogue = R"(
#undef main
void main()
{
    StageDiffuse = vec4(1.0);
    StageSpecular = vec4(0.0, 0.0, 0.0, 1.0);
    StageTexCoord0 = vec4(0.0, 0.0, 0.0, 1.0);
    StageTexCoord1 = StageTexCoord0;
    StageTexCoord2 = StageTexCoord0;
    StageTexCoord3 = StageTexCoord0;
    StageTexCoord4 = StageTexCoord0;
    StageTexCoord5 = StageTexCoord0;
    StageTexCoord6 = StageTexCoord0;
    StageTexCoord7 = StageTexCoord0;
    quarrow_ProgramMain();
    gl_Position.y = -gl_Position.y;
    gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
    gl_Position.xy += quarrow_PixelOffset.xy * gl_Position.w;
}
)";

constexpr const char* kPixelPrologue = R"(#version 330 core
layout(location = 0) out vec4 FragmentColor;
uniform int quarrow_AlphaFunction;
uniform float quarrow_AlphaReference;
uniform ivec4 PixelIntConstants[16];
uniform bool PixelBoolConstants[16];
in vec4 StageDiffuse;
in vec4 StageSpecular;
in vec4 StageTexCoord0;
in vec4 StageTexCoord1;
in vec4 StageTexCoord2;
in vec4 StageTexCoord3;
in vec4 StageTexCoord4;
in vec4 StageTexCoord5;
in vec4 StageTexCoord6;
in vec4 StageTexCoord7;
#define main quarrow_ProgramMain
#line 1
)";

// The alpha test: compare functions never 1 ... always 8; 0 means off.
constexpr const char* kPixelEpilogue = R"(
#undef main
void main()
{
    quarrow_ProgramMain();
    if (quarrow_AlphaFunction != 0)
    {
        float a = floor(clamp(FragmentColor.a, 0.0, 1.0) * 255.0 + 0.5);
        float r = quarrow_AlphaReference;
        bool pass = true;
        switch (quarrow_AlphaFunction)
        {
        case 1: pass = false; break;
        case 2: pass = a < r; break;
        case 3: pass = a == r; break;
        case 4: pass = a <= r; break;
        case 5: pass = a > r; break;
        case 6: pass = a != r; break;
        case 7: pass = a >= r; break;
        default: pass = true; break;
        }
        if (!pass)
        {
            discard;
        }
    }
}
)";

// The program's text without its own #version line (the layer's prologue has one).
std::string WithoutVersion(const char* source)
{
    std::string text = source;
    const std::size_t version = text.find("#version");
    if (version != std::string::npos)
    {
        const std::size_t end = text.find('\n', version);
        text.replace(version, (end == std::string::npos ? text.size() : end) - version, "");
    }
    return text;
}

} // namespace

Shader::Shader(Device& device, Stage stage, bool ownedByDevice)
    : DeviceChild(device, ownedByDevice), stage_(stage)
{}

Shader::~Shader()
{
    Device& device = OwnerDevice();
    device.ForgetShader(this);
    device.MakeCurrent();
    FreeGlObjects();
}

void Shader::FreeGlObjects()
{
    if (shader_)
    {
        glDeleteShader(shader_);
        shader_ = 0;
    }
}

Shader* Shader::Make(Device& device, Stage stage, const char* source, std::string* log, bool ownedByDevice)
{
    if (!source)
    {
        return nullptr;
    }
    device.MakeCurrent();
    const std::string text = std::string(stage == Stage::Vertex ? kVertexPrologue : kPixelPrologue) +
                             WithoutVersion(source) +
                             (stage == Stage::Vertex ? kVertexEpilogue : kPixelEpilogue);
    auto* shader = new Shader(device, stage, ownedByDevice);
    shader->shader_ = glCreateShader(stage == Stage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    const char* texts[] = {text.c_str()};
    glShaderSource(shader->shader_, 1, texts, nullptr);
    glCompileShader(shader->shader_);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader->shader_, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE)
    {
        if (log)
        {
            GLint length = 0;
            glGetShaderiv(shader->shader_, GL_INFO_LOG_LENGTH, &length);
            log->assign(static_cast<std::size_t>(std::max(length, 1)), '\0');
            glGetShaderInfoLog(shader->shader_, length, nullptr, log->data());
            log->resize(log->find('\0') == std::string::npos ? log->size() : log->find('\0'));
        }
        shader->Release();
        return nullptr;
    }
    return shader;
}

std::string Shader::Describe() const
{
    return stage_ == Stage::Vertex ? "vertex program" : "pixel program";
}

} // namespace Platform::Gfx
