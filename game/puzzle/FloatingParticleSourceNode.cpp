#include "game/puzzle/FloatingParticleSourceNode.h"

#include "engine/EngineController.h"
#include "engine/Material.h"
#include "engine/MaterialFactory.h"
#include "engine/TextureFactory.h"
#include "foundation/Random.h"

#include <cmath>

namespace
{

using BaseLib::CVector3;

// A uniform number in [0, 1): 0..32767 / 32768.
float Uniform()
{
    return static_cast<float>(BaseLib::Random()) / 32768.0f;
}

constexpr float kPreRunStep = 0.5f;

} // namespace

CFloatingParticleSourceNode::CFloatingParticleSourceNode(Qen::CEngineController* engine)
    : CParticleSourceNode(engine), m_alphaOverAge(BaseLib::CLookUpTable<float>::Linear)
{
    SetMaxParticles(64);
    SetEmissionRate(1.0f);
    SetFollowNode(false);
    SetBounds(CVector3(0.0f, 0.0f, 0.0f), 32.0f);
    SetAcceleration(CVector3(0.0f, 0.0f, 0.0f));
    SetDrag(0.8f);
    SetSpin(1.1f);
    SetLifetime(kLifetime);
    SetVelocitySpread(0.0f);
    SetBoxSize(CVector3(10.0f, 6.0f, 10.0f));
    SetSpeed(1.0f);
    SetBaseSize(0.2f);

    m_alphaOverAge.AddKey(0.0f, 0.0f);
    m_alphaOverAge.AddKey(8.0f, 0.5f);
    m_alphaOverAge.AddKey(kFadeOutAge, 0.5f);
    m_alphaOverAge.AddKey(kLifetime, 0.0f);
    SetAlphaTable(&m_alphaOverAge);

    if (engine != nullptr && engine->GetMaterialFactory() != nullptr)
    {
        BaseLib::CResourcePtr<Qen::CMaterial> material;
        engine->GetMaterialFactory()->GetMaterial("shader>particles.fx", material, false);
        if (material)
        {
            if (engine->GetTextureFactory() != nullptr)
            {
                BaseLib::CResourcePtr<Qen::CTexture> texture;
                engine->GetTextureFactory()->LoadTexture("texture>floating.tga", texture, 1);
                material->SetParameter("g_tTexture", texture);
            }
            SetTexture(material.Get());
        }
    }

    m_windTimer.Resume();
    m_windInterval = kLifetime;
}

CFloatingParticleSourceNode* CreateFloatingParticleSourceNode(Qen::CEngineController* engine)
{
    auto* node = new CFloatingParticleSourceNode(engine);
    node->PreRun();
    return node;
}

bool CFloatingParticleSourceNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CFloatingParticleSourceNode) || CParticleSourceNode::IsKindOf(type);
}

void CFloatingParticleSourceNode::PreRun()
{
    for (float t = 0.0f; t < m_lifetime; t += kPreRunStep)
    {
        Advance(t, t + kPreRunStep);
    }
}

void CFloatingParticleSourceNode::InitParticle(GameLib::CParticle& particle)
{
    CParticleSourceNode::InitParticle(particle);
    particle.position = particle.position - m_acceleration;
    const float x = (Uniform() - 0.5f) * 0.4f;
    const float y = (Uniform() - 0.5f) * 0.2f;
    const float z = (Uniform() - 0.5f) * 0.4f;
    particle.extra1 = CVector3(x, y, z);
}

void CFloatingParticleSourceNode::UpdateParticles(float dt)
{
    m_windTimer.Advance(dt);
    if (m_windTimer.GetTime() >= static_cast<double>(m_windInterval))
    {
        m_windInterval = Uniform() * 5.0f + 5.0f;
        m_windTimer.SetTime(0.0);
        const float x = (Uniform() - 0.5f) * 2.5f;
        const float y = (Uniform() - 0.5f) * 1.2f;
        const float z = (Uniform() - 0.5f) * 2.5f;
        SetAcceleration(CVector3(x, y, z));
    }

    const int live = GetParticleCount();
    if (live < 30)
    {
        SetEmissionRate(1.2f);
    }
    if (live < 25)
    {
        SetEmissionRate(3.0f);
    }
    if (live == 32)
    {
        SetEmissionRate(0.8f);
    }
    if (live == 31)
    {
        SetEmissionRate(1.0f);
    }

    CParticleSourceNode::UpdateParticles(dt);
}

bool CFloatingParticleSourceNode::UpdateParticle(GameLib::CParticle& particle, float dt)
{
    if (particle.age < kFadeOutAge)
    {
        const CVector3& p = particle.position;
        if (std::abs(p.x) >= 10.0f || std::abs(p.z) >= 10.0f || p.y < -3.0f || p.y > 10.0f)
        {
            particle.age = kFadeOutAge;
        }
    }
    particle.position = particle.position + particle.extra1 * dt;
    return CParticleSourceNode::UpdateParticle(particle, dt);
}
