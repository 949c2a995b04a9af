#include "framework/ParticleSourceNode.h"

#include "engine/Camera.h"
#include "engine/DeviceStateMgr.h"
#include "engine/EffectShader.h"
#include "engine/EngineController.h"
#include "engine/VertexElements.h"
#include "foundation/Debug.h"
#include "foundation/Random.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/effect/Effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace GameLib
{

namespace
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using BaseLib::CVector4;
using Platform::Gfx::Failed;

constexpr std::uint32_t kVerticesPerParticle = 4;
constexpr std::uint32_t kIndicesPerParticle = 6;
constexpr std::uint32_t kVertexBytesPerParticle = kVerticesPerParticle * sizeof(CParticleVertex);
constexpr std::uint32_t kIndexBytesPerParticle = kIndicesPerParticle * sizeof(std::uint16_t);

// A uniform number in [0, 1) from the project's random source (0..32767 / 32768).
float Uniform()
{
    return static_cast<float>(BaseLib::Random()) * 3.0517578e-5f;
}

CVector3 Row(const CMatrix& m, int row)
{
    return CVector3(m.m[row][0], m.m[row][1], m.m[row][2]);
}

// v turned by m as a direction (w = 0).
CVector3 TurnDirection(const CVector3& v, const CMatrix& m)
{
    CVector4 out;
    BaseLib::TransformVector4(out, CVector4(v.x, v.y, v.z, 0.0f), m);
    return CVector3(out.x, out.y, out.z);
}

// The alpha byte of a table value: value × 255 clamped to 0..255 (NaN gives 0), then truncated.
std::uint32_t AlphaByte(float value)
{
    float scaled = value * 255.0f;
    if (!(scaled > 0.0f))
    {
        scaled = 0.0f;
    }
    scaled = std::min(scaled, 255.0f);
    return static_cast<std::uint32_t>(scaled);
}

void SetMatrixIfDeclared(Platform::GfxKit::Effect* effect, Qen::EffectHandle handle, const CMatrix& value)
{
    if (handle != nullptr)
    {
        Platform::Gfx::Matrix matrix;
        static_assert(sizeof(matrix.m) == sizeof(value.m));
        std::memcpy(matrix.m, value.m, sizeof matrix.m);
        effect->SetMatrix(handle, &matrix);
    }
}

} // namespace

CParticleSourceNode::CParticleSourceNode(Qen::CEngineController* engine) : CRenderableNode(engine)
{
    SetBounds(CVector3(0.0f, 0.0f, 0.0f), 8.0f);
}

CParticleSourceNode::~CParticleSourceNode()
{
    m_particles.reset();
    if (m_declaration != nullptr)
    {
        m_declaration->Release();
        m_declaration = nullptr;
    }
    m_vertexBuffer = nullptr;
    m_indexBuffer = nullptr;
    m_material = nullptr;
}

void CParticleSourceNode::Release(bool /*deleteChildren*/)
{
    delete this;
}

bool CParticleSourceNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CParticleSourceNode) || CRenderableNode::IsKindOf(type);
}

float CParticleSourceNode::GetEffectLength(const std::string& /*name*/)
{
    return 0.0f;
}

void CParticleSourceNode::LoadEffect(const std::string& /*name*/) {}

void CParticleSourceNode::SetMaxParticles(int n)
{
    if (n > kMaxParticles || n < 0)
    {
        const int kept = n < 0 ? 0 : kMaxParticles;
        BaseLib::DebugOutput("particle source: room for %d particles asked, %d given (16-bit indices)\n", n, kept);
        n = kept;
    }
    std::unique_ptr<CParticle[]> particles(n > 0 ? new CParticle[static_cast<std::size_t>(n)]() : nullptr);
    m_liveCount = std::min(m_liveCount, n);
    if (m_liveCount > 0)
    {
        std::copy(m_particles.get(), m_particles.get() + m_liveCount, particles.get());
    }
    m_particles = std::move(particles);
    m_capacity = n;
    CreateIndexBuffer();
    CreateVertexBuffer();
}

void CParticleSourceNode::SetFollowNode(bool follow)
{
    m_followNode = follow ? 1 : 0;
    if (!follow)
    {
        m_emitterTransform = CMatrix::Identity;
    }
}

void CParticleSourceNode::SetMaterial(Qen::CMaterial* material)
{
    if (material != m_material.Get())
    {
        m_material = material;
    }
}

void CParticleSourceNode::SetEffect(const std::string& name, float time, bool preRun)
{
    if (name != m_effectName)
    {
        m_effectName = name;
        LoadEffect(name);
    }
    if (preRun)
    {
        Advance(m_effectTime, time);
    }
    m_effectTime = time;
}

void CParticleSourceNode::Advance(float t0, float t1)
{
    const float dt = t1 - t0;
    if (!(dt > 0.0f))
    {
        return;
    }
    if (m_followNode != 0)
    {
        m_emitterTransform = GetWorldTransform();
    }
    Emit(dt);
    UpdateParticles(dt);
}

void CParticleSourceNode::GenerateVelocity(CVector3& result, const CVector3& direction)
{
    if (m_velocitySpread == 0.0f)
    {
        result = direction * m_speed;
        return;
    }
    // A uniform point of the ball of radius 0.5: each try lands in it with probability 0.52.
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    do
    {
        x = Uniform() - 0.5f;
        y = Uniform() - 0.5f;
        z = Uniform() - 0.5f;
    } while (x * x + y * y + z * z > 0.25f);
    const float a = 2.0f * m_velocitySpread * x;
    const float b = 2.0f * m_velocitySpread * y + 1.0f;
    const float c = 2.0f * m_velocitySpread * z;
    result = (Row(m_emitterTransform, 0) * a + direction * b + Row(m_emitterTransform, 2) * c) * m_speed;
}

void CParticleSourceNode::GeneratePosition(CVector3& result, const CVector3& origin)
{
    if (m_boxSize == CVector3(0.0f, 0.0f, 0.0f))
    {
        result = origin;
        return;
    }
    const float u1 = Uniform();
    const float u2 = Uniform();
    const float u3 = Uniform();
    const CVector3 offset((u3 - 0.5f) * m_boxSize.x, (u2 - 0.5f) * m_boxSize.y, (u1 - 0.5f) * m_boxSize.z);
    result = origin + TurnDirection(offset, m_emitterTransform);
}

void CParticleSourceNode::InitParticle(CParticle& particle)
{
    GenerateVelocity(particle.velocity, Row(m_emitterTransform, 1));
    GeneratePosition(particle.position, Row(m_emitterTransform, 3));
    particle.angle = 0.0f;
    particle.age = 0.0f;
}

void CParticleSourceNode::Emit(float dt)
{
    if (!(m_emissionRate > 0.0f))
    {
        return;
    }
    m_accumulator += dt * m_emissionRate;
    while (m_liveCount < m_capacity && m_accumulator >= 1.0f)
    {
        m_accumulator -= 1.0f;
        CParticle& particle = m_particles[static_cast<std::size_t>(m_liveCount++)];
        InitParticle(particle);
        UpdateParticle(particle, m_accumulator / m_emissionRate);
    }
}

bool CParticleSourceNode::UpdateParticle(CParticle& particle, float dt)
{
    const CVector3 acceleration = m_acceleration - particle.velocity * m_drag;
    particle.velocity = particle.velocity + acceleration * dt;
    particle.position = particle.position + particle.velocity * dt;
    particle.angle += m_spin * dt;
    particle.age += dt;
    return particle.age < m_lifetime;
}

void CParticleSourceNode::UpdateParticles(float dt)
{
    int i = 0;
    while (i < m_liveCount)
    {
        CParticle& particle = m_particles[static_cast<std::size_t>(i)];
        if (UpdateParticle(particle, dt))
        {
            ++i;
            continue;
        }
        --m_liveCount;
        particle = m_particles[static_cast<std::size_t>(m_liveCount)];
    }
}

void CParticleSourceNode::CreateIndexBuffer()
{
    m_indexBuffer = nullptr;
    Qen::CEngineController* engine = GetRenderObject();
    if (m_capacity <= 0 || engine == nullptr || engine->GetIndexBufferFactory() == nullptr)
    {
        return;
    }
    const auto capacity = static_cast<std::uint32_t>(m_capacity);
    engine->GetIndexBufferFactory()->GetIndexBuffer(m_indexBuffer, capacity * kIndexBytesPerParticle, {}, "");
    if (!m_indexBuffer)
    {
        return;
    }
    m_indexBuffer->WaitUntilLoaded();
    Platform::Gfx::IndexBuffer* buffer = m_indexBuffer->GetBuffer();
    void* data = nullptr;
    if (buffer == nullptr || Failed(buffer->Lock(0, capacity * kIndexBytesPerParticle, &data, 0)))
    {
        BaseLib::DebugOutput("particle source: the index buffer for %u particles could not be written\n", capacity);
        return;
    }
    auto* indices = static_cast<std::uint16_t*>(data);
    for (std::uint32_t i = 0; i < capacity; ++i)
    {
        const auto first = static_cast<std::uint16_t>(i * kVerticesPerParticle);
        const std::uint16_t quad[kIndicesPerParticle] = {
            first,
            static_cast<std::uint16_t>(first + 1),
            static_cast<std::uint16_t>(first + 2),
            static_cast<std::uint16_t>(first + 1),
            static_cast<std::uint16_t>(first + 3),
            static_cast<std::uint16_t>(first + 2),
        };
        std::copy(std::begin(quad), std::end(quad), indices + i * kIndicesPerParticle);
    }
    buffer->Unlock();
}

void CParticleSourceNode::CreateVertexBuffer()
{
    m_vertexBuffer = nullptr;
    if (m_declaration != nullptr)
    {
        m_declaration->Release();
        m_declaration = nullptr;
    }
    Qen::CEngineController* engine = GetRenderObject();
    if (m_capacity <= 0 || engine == nullptr || engine->GetVertexBufferFactory() == nullptr)
    {
        return;
    }
    engine->GetVertexBufferFactory()->GetVertexBuffer(
        m_vertexBuffer, static_cast<std::uint32_t>(m_capacity) * kVertexBytesPerParticle,
        Platform::Gfx::Usage::Dynamic, {}, "");

    using namespace Platform::Gfx;
    Qen::VertexElement elements[Qen::kVertexDeclarationRoom];
    Qen::InitVertexDeclaration(elements);
    Qen::AddVertexElement(elements, {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0});
    Qen::AddVertexElement(elements, {0, 0, DeclType::Float2, 0, DeclUsage::TexCoord, 0});
    Qen::AddVertexElement(elements, {0, 0, DeclType::Color, 0, DeclUsage::Color, 0});
    if (Failed(Qen::CreateVertexDeclaration(engine->GetDevice(), elements, &m_declaration)))
    {
        BaseLib::DebugOutput("particle source: the vertex declaration could not be made\n");
    }
}

void CParticleSourceNode::FillVertexBuffer(const CVector3& axis1, const CVector3& axis2)
{
    Platform::Gfx::VertexBuffer* buffer = m_vertexBuffer ? m_vertexBuffer->GetBuffer() : nullptr;
    void* data = nullptr;
    if (m_liveCount <= 0 || buffer == nullptr ||
        Failed(buffer->Lock(0, static_cast<std::uint32_t>(m_liveCount) * kVertexBytesPerParticle, &data,
                            Platform::Gfx::LockFlag::Discard)))
    {
        return;
    }
    auto* vertex = static_cast<CParticleVertex*>(data);
    for (int i = 0; i < m_liveCount; ++i)
    {
        const CParticle& particle = m_particles[static_cast<std::size_t>(i)];
        const float age = particle.age;
        const float size = m_sizeTable != nullptr ? m_baseSize * m_sizeTable->GetValue(age, true) : m_baseSize;
        BaseLib::CColor colour =
            m_colourTable != nullptr ? m_colourTable->GetValue(age, true) : BaseLib::CColor::FromArgb(0xFFFFFFFFu);
        colour.SetAlpha(255);
        if (m_alphaTable != nullptr)
        {
            colour.SetAlpha(static_cast<std::uint8_t>(AlphaByte(m_alphaTable->GetValue(age, true))));
        }
        const BaseLib::CVector2 offset =
            m_textureOffsetTable != nullptr ? m_textureOffsetTable->GetValue(age, true) : BaseLib::CVector2();
        const float s = std::sin(particle.angle) * size;
        const float c = std::cos(particle.angle) * size;
        const float corners[kVerticesPerParticle][2] = {{s, c}, {c, -s}, {-c, s}, {-s, -c}};
        for (std::uint32_t k = 0; k < kVerticesPerParticle; ++k)
        {
            const CVector3 position = particle.position + axis1 * corners[k][0] + axis2 * corners[k][1];
            vertex->x = position.x;
            vertex->y = position.y;
            vertex->z = position.z;
            vertex->u = static_cast<float>(k & 1u) * m_textureScale + offset.x;
            vertex->v = static_cast<float>(k >> 1u) * m_textureScale + offset.y;
            vertex->colour = colour.argb;
            ++vertex;
        }
    }
    buffer->Unlock();
}

const std::string& CParticleSourceNode::TechniqueName(const std::string& contextName)
{
    if (!m_techniqueNameBuilt || contextName != m_techniqueContext)
    {
        m_techniqueContext = contextName;
        m_techniqueName = contextName + "_particlemesh";
        m_techniqueNameBuilt = true;
    }
    return m_techniqueName;
}

void CParticleSourceNode::Render(BaseLib::CSmartPointer<Qen::CRenderContext> context)
{
    Qen::CEngineController* engine = GetRenderObject();
    if (m_liveCount <= 0 || !context || engine == nullptr || !m_material)
    {
        return;
    }
    m_material->WaitUntilLoaded();
    Qen::CEffectShader* shader = m_material->GetEffectShader();
    Platform::Gfx::IndexBuffer* indices = m_indexBuffer ? m_indexBuffer->GetBuffer() : nullptr;
    Platform::Gfx::VertexBuffer* vertices = m_vertexBuffer ? m_vertexBuffer->GetBuffer() : nullptr;
    if (shader == nullptr || indices == nullptr || vertices == nullptr || m_declaration == nullptr)
    {
        return;
    }
    Platform::GfxKit::Effect* effect = shader->GetEffect();
    const std::string& techniqueName = TechniqueName(context->name);
    const Qen::EffectHandle technique = effect->GetTechniqueByName(techniqueName.c_str());
    if (technique == nullptr)
    {
        if (m_missingTechniquesTraced.insert(techniqueName).second)
        {
            BaseLib::DebugOutput("particle source: effect has no technique %s, particles not drawn\n",
                                 techniqueName.c_str());
        }
        return;
    }

    CVector3 axis1 = Row(context->inverseView, 1);
    CVector3 axis2 = Row(context->inverseView, 0);
    CMatrix world = CMatrix::Identity;
    CMatrix worldInverse = CMatrix::Identity;
    if (m_followNode == 0)
    {
        world = GetWorldTransform();
        world.GetInverse(worldInverse);
        axis1 = TurnDirection(axis1, worldInverse);
        axis2 = TurnDirection(axis2, worldInverse);
    }
    FillVertexBuffer(axis1, axis2);

    m_material->Apply();
    effect->SetTechnique(technique);
    SetMatrixIfDeclared(effect, shader->GetSemanticHandle(Qen::CEffectShader::World), world);
    SetMatrixIfDeclared(effect, shader->GetSemanticHandle(Qen::CEffectShader::View), context->view);
    SetMatrixIfDeclared(effect, shader->GetSemanticHandle(Qen::CEffectShader::Projection), context->projection);
    SetMatrixIfDeclared(effect, shader->GetSemanticHandle(Qen::CEffectShader::ViewInverse), context->inverseView);
    SetMatrixIfDeclared(effect, shader->GetSemanticHandle(Qen::CEffectShader::ViewProjection),
                        context->viewProjection);
    SetMatrixIfDeclared(effect, shader->GetSemanticHandle(Qen::CEffectShader::WorldInverse), worldInverse);
    SetMatrixIfDeclared(effect, shader->GetSemanticHandle(Qen::CEffectShader::WorldViewProjection),
                        world * context->viewProjection);

    // Bound on the device directly; the state manager forgets what it had cached for those entries.
    Platform::Gfx::Device* device = engine->GetDevice();
    device->SetIndices(indices);
    device->SetStreamSource(0, vertices, 0, sizeof(CParticleVertex));
    device->SetVertexDeclaration(m_declaration);
    if (Qen::CDeviceStateMgr* states = engine->GetStateManager())
    {
        states->InvalidateBindings();
    }

    const auto count = static_cast<std::uint32_t>(m_liveCount);
    std::uint32_t passes = 0;
    shader->Begin(&passes, Platform::GfxKit::DoNotSaveState);
    for (std::uint32_t pass = 0; pass < passes; ++pass)
    {
        effect->BeginPass(pass);
        device->DrawIndexedPrimitive(Platform::Gfx::PrimitiveType::TriangleList, 0, 0, count * kVerticesPerParticle, 0,
                                     count * 2);
        effect->EndPass();
    }
    shader->End();
}

} // namespace GameLib
