#pragma once

#include "foundation/LookUpTable.h"
#include "foundation/Timer.h"
#include "framework/ParticleSourceNode.h"

// Soft motes drifting in the air above the board: up to 64 particles, each with a slow drift of its own,
// all pushed by a wind that changes every 5 to 10 seconds. A particle that wanders out of the box
// |x| < 10, |z| < 10, -3 <= y <= 10 around the emitter fades out early; the emission rate follows the
// live count so that about 25 to 32 particles stay in the air.
//
// How the settings map onto the base's fields: every particle starts in the box of size (10, 6, 10)
// round the emitter's origin (SetBoxSize), moving along the emitter's Y axis at 1 unit per second
// (velocity spread 0, speed 1); the velocity factor 0.8 is the base's linear drag, 0.2 the base size
// of a particle's quad, the wind the base's acceleration. The node does not follow its transform: the
// emitter is the identity and particles live in the node's own space. The alpha over age rises to 0.5
// in the first 8 s and falls back to 0 over the last 8 s of the 64 s lifetime.
//
// Random numbers come from the project's source (BaseLib::Random), so a seeded run repeats exactly.
// The per-particle drift is kept in the record's extra1. Main thread only.
class CFloatingParticleSourceNode : public GameLib::CParticleSourceNode
{
public:
    static constexpr float kLifetime = 64.0f;
    // A particle outside the box is aged to this at once: it fades out over its last 8 s.
    static constexpr float kFadeOutAge = 56.0f;

    // All settings, the material ("shader>particles.fx" with "texture>floating.tga" as "g_tTexture"; a
    // file that does not load is reported by its factory and the node draws nothing) and the started
    // wind timer; no particles yet (CreateFloatingParticleSourceNode pre-runs). engine is not owned and
    // may be null or without factories: then the node simulates without drawing.
    explicit CFloatingParticleSourceNode(Qen::CEngineController* engine);

    bool IsKindOf(const std::type_info& type) const override;

    // Advances from 0 in steps of 0.5 s over one lifetime, so the air starts full.
    void PreRun();

    // The base's start, moved against the wind, with a fresh drift of
    // ((r - 0.5) × 0.4, (r - 0.5) × 0.2, (r - 0.5) × 0.4).
    void InitParticle(GameLib::CParticle& particle) override;
    // The wind's timer and change, the emission rate from the live count, then the base's step.
    void UpdateParticles(float dt) override;
    // The box rule, the drift, then the base's step (false once the age reaches 64).
    bool UpdateParticle(GameLib::CParticle& particle, float dt) override;

    // Seconds the wind timer must reach for the next wind change.
    float GetWindInterval() const { return m_windInterval; }
    const BaseLib::CTimer& GetWindTimer() const { return m_windTimer; }
    const BaseLib::CLookUpTable<float>& GetAlphaOverAge() const { return m_alphaOverAge; }

protected:
    ~CFloatingParticleSourceNode() override = default;

private:
    BaseLib::CLookUpTable<float> m_alphaOverAge;
    BaseLib::CTimer m_windTimer;
    float m_windInterval = kLifetime;
};

// A new node, pre-run; engine as for the constructor.
CFloatingParticleSourceNode* CreateFloatingParticleSourceNode(Qen::CEngineController* engine);
