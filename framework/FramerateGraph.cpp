#include "framework/FramerateGraph.h"

#include "engine/DeviceStateMgr.h"
#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Shader.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/SwapChain.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/VertexDeclaration.h"

#include <cmath>
#include <cstring>

namespace GameLib
{

using namespace Platform::Gfx;

namespace
{

// Back-buffer pixels to clip space with c1 = (2 / width, -2 / height, 0, 1); the texture coordinates
// shifted by c0.xy (the ring position), the wrap addressing scrolling the strip.
constexpr const char* kGraphVertexProgram = R"(
layout(location = 0) in vec4 Position;
layout(location = 8) in vec4 TexCoord0;
layout(std140) uniform VertexConstants { vec4 c[256]; };
void main()
{
    gl_Position = Position * c[1] + vec4(-1.0, 1.0, 0.0, 0.0);
    StageTexCoord0 = vec4(TexCoord0.xy + c[0].xy, 0.0, 1.0);
}
)";

struct GraphVertex
{
    float x, y, z, u, v;
};
static_assert(sizeof(GraphVertex) == 20);

constexpr std::uint32_t kGraphFvf = Fvf::Xyz | (1u << Fvf::TexCountShift);

} // namespace

CFramerateGraph::CFramerateGraph(Qen::CEngineController* engine)
    : m_engine(engine != nullptr ? engine : Qen::CEngineController::GetEngine())
{}

CFramerateGraph::~CFramerateGraph()
{
    ReleaseDeviceObjects();
}

void CFramerateGraph::CreateDeviceObjects(std::int32_t width, std::int32_t height)
{
    Device* device = m_engine->GetDevice();
    Caps caps;
    device->GetDeviceCaps(&caps);
    if ((caps.Caps2 & Caps2Bit::DynamicTextures) == 0)
    {
        return;
    }
    m_width = width;
    m_height = height;
    SwapChain* swapChain = nullptr;
    Surface* backBuffer = nullptr;
    if (Succeeded(device->GetSwapChain(0, &swapChain)) &&
        Succeeded(swapChain->GetBackBuffer(0, BackBufferTypeMono, &backBuffer)))
    {
        SurfaceDesc desc;
        backBuffer->GetDesc(&desc);
        m_backBufferWidth = static_cast<std::int32_t>(desc.Width);
        m_backBufferHeight = static_cast<std::int32_t>(desc.Height);
    }
    if (backBuffer != nullptr)
    {
        backBuffer->Release();
    }
    if (swapChain != nullptr)
    {
        swapChain->Release();
    }
    m_column = 0;

    BaseLib::CResourcePtr<Qen::CTexture> made;
    m_engine->GetTextureFactory()->CreateTexture(made, width, height, 1, Usage::Dynamic, Format::A4R4G4B4,
                                                 Pool::Default, nullptr, nullptr, nullptr, "");
    m_texture = made;
    auto* texture = m_texture ? static_cast<Texture*>(m_texture->GetTexture()) : nullptr;
    LockedRect locked;
    if (texture == nullptr || Failed(texture->LockRect(0, &locked, nullptr, 0)))
    {
        BaseLib::DebugOutput("CFramerateGraph: could not make its %d x %d texture; the graph does not draw\n",
                             width, height);
        ReleaseDeviceObjects();
        return;
    }
    // Columns not written yet draw nothing.
    for (std::int32_t y = 0; y < height; ++y)
    {
        std::memset(static_cast<std::uint8_t*>(locked.pBits) + static_cast<std::ptrdiff_t>(y) * locked.Pitch, 0,
                    static_cast<std::size_t>(width) * 2);
    }
    texture->UnlockRect(0);

    const auto w = static_cast<float>(width);
    const auto b = static_cast<float>(m_backBufferHeight);
    const auto h = static_cast<float>(height);
    const GraphVertex vertices[4] = {
        {0.0f, b, 0.5f, 0.0f, 0.0f},
        {w, b, 0.5f, 1.0f, 0.0f},
        {w, b - h, 0.5f, 1.0f, 1.0f},
        {0.0f, b - h, 0.5f, 0.0f, 1.0f},
    };
    m_engine->GetVertexBufferFactory()->GetVertexBuffer(m_vertexBuffer, sizeof vertices, Usage::WriteOnly, {},
                                                       "CFramerateGraph-Vertices");
    if (!m_vertexBuffer || m_vertexBuffer->SetData(vertices) != 0)
    {
        BaseLib::DebugOutput("CFramerateGraph: could not fill its vertex buffer; the graph does not draw\n");
        ReleaseDeviceObjects();
        return;
    }

    if (m_vertexShader != nullptr)
    {
        m_vertexShader->Release();
        m_vertexShader = nullptr;
    }
    std::string log;
    if (Failed(device->CreateVertexShader(kGraphVertexProgram, &m_vertexShader, &log)))
    {
        BaseLib::DebugOutput("CFramerateGraph: vertex program: %s\n", log.c_str());
        m_vertexShader = nullptr;
        ReleaseDeviceObjects();
    }
}

void CFramerateGraph::ReleaseDeviceObjects()
{
    m_texture.Clear();
    m_vertexBuffer.Clear();
    if (m_vertexShader != nullptr)
    {
        m_vertexShader->Release();
        m_vertexShader = nullptr;
    }
}

void CFramerateGraph::AddFrame(float seconds)
{
    auto* texture = m_texture ? static_cast<Texture*>(m_texture->GetTexture()) : nullptr;
    if (texture == nullptr)
    {
        return;
    }
    const double rowsPerSecond = m_height / 0.1;
    const auto bar = static_cast<std::int32_t>(rowsPerSecond * seconds);
    const Rect column{m_column, 0, m_column + 1, m_height};
    LockedRect locked;
    if (Failed(texture->LockRect(0, &locked, &column, 0)))
    {
        return;
    }
    const auto texel = [&](std::int32_t row) -> std::uint16_t& {
        return *reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                 static_cast<std::ptrdiff_t>(row) * locked.Pitch);
    };
    for (std::int32_t y = 0; y < m_height; ++y)
    {
        texel(y) = y < bar ? kBar : kBackground;
    }
    // Grid rows every 0.01 s, t kept as a 32-bit float as it grows: eleven rows, the last just under the top.
    for (float t = 0.0f; t < 0.1; t = static_cast<float>(t + 0.01))
    {
        const auto row = static_cast<std::int32_t>(rowsPerSecond * t);
        if (row >= 0 && row < m_height && texel(row) != kBar)
        {
            texel(row) = kGrid;
        }
    }
    texture->UnlockRect(0);
    m_column = (m_column + 1) % m_width;
}

void CFramerateGraph::Draw()
{
    auto* texture = m_texture ? m_texture->GetTexture() : nullptr;
    VertexBuffer* buffer = m_vertexBuffer ? m_vertexBuffer->GetBuffer() : nullptr;
    if (texture == nullptr || buffer == nullptr || m_vertexShader == nullptr)
    {
        return;
    }
    Device* device = m_engine->GetDevice();
    Qen::CDeviceStateMgr* states = m_engine->GetStateManager();
    states->SetVertexShader(m_vertexShader);
    // Set explicitly: when no canvas drew before, an effect pass may have left a pixel program bound.
    states->SetPixelShader(nullptr);
    states->SetFVF(kGraphFvf);
    states->SetStreamSource(0, buffer, 0, sizeof(GraphVertex));
    if (states->CachedIndexBuffer() != nullptr)
    {
        device->SetIndices(nullptr);
        states->CachedIndexBuffer() = nullptr;
    }
    states->SetTexture(0, texture);

    const float c0[4] = {
        static_cast<float>(std::fmod(static_cast<double>(m_column) / static_cast<double>(m_width), 1.0)), 0.0f,
        0.0f, 0.0f};
    const float c1[4] = {static_cast<float>(2.0 / m_backBufferWidth), static_cast<float>(-2.0 / m_backBufferHeight),
                         0.0f, 1.0f};
    states->SetVertexShaderConstantF(0, c0, 1);
    states->SetVertexShaderConstantF(1, c1, 1);

    states->SetRenderState(RenderState::ZEnable, 0);
    states->SetRenderState(RenderState::CullMode, Cull::None);
    states->SetTextureStageState(0, TextureStageState::ColorOp, TextureOp::SelectArg1);
    states->SetTextureStageState(0, TextureStageState::ColorArg1, TextureArg::Texture);
    states->SetTextureStageState(1, TextureStageState::ColorOp, TextureOp::Disable);
    states->SetTextureStageState(0, TextureStageState::AlphaOp, TextureOp::SelectArg1);
    states->SetTextureStageState(0, TextureStageState::AlphaArg1, TextureArg::Texture);
    states->SetTextureStageState(1, TextureStageState::AlphaOp, TextureOp::Disable);
    states->SetRenderState(RenderState::ClipPlaneEnable, 0);
    states->SetRenderState(RenderState::AlphaTestEnable, 0);
    states->SetRenderState(RenderState::AlphaBlendEnable, 1);
    states->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    states->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    states->SetSamplerState(0, SamplerState::AddressU, TextureAddress::Wrap);
    device->DrawPrimitive(PrimitiveType::TriangleFan, 0, 2);
}

} // namespace GameLib
