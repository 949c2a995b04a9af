#pragma once

#include "framework/ModelNode.h"

#include "engine/BufferFactories.h"
#include "engine/Material.h"
#include "foundation/Color.h"
#include "foundation/LookUpTable.h"
#include "foundation/Matrix.h"
#include "foundation/Resource.h"
#include "foundation/Vector.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <typeinfo>

namespace Platform::Gfx
{
class VertexDeclaration;
}

namespace GameLib
{

// One particle: sixteen floats. The spare fields are not read here; derived sources keep their own
// per-particle values in them, and they move with the record when a dead particle's slot is refilled.
struct CParticle
{
    BaseLib::CVector3 position; // emitter space: world space when following the node, else the node's space
    BaseLib::CVector3 velocity; // units per second
    float angle;                // billboard rotation, radians
    float age;                  // seconds since birth; the key into the lifetime tables
    BaseLib::CVector3 extra1;
    BaseLib::CVector3 extra2;
    float extraPair[2];
};
static_assert(sizeof(CParticle) == 64, "a particle record is sixteen floats");

// One corner of a particle quad as the vertex declaration describes it.
struct CParticleVertex
{
    float x, y, z;         // POSITION, offset 0
    float u, v;            // TEXCOORD, offset 12
    std::uint32_t colour;  // COLOR (ARGB), offset 20
};
static_assert(sizeof(CParticleVertex) == 24, "a particle vertex is 24 bytes");

// A pool of camera-facing particles: emitted at a rate per second from a box (positions) and a cone
// (velocities) in the emitter transform, moved under constant acceleration with linear drag, spun, and
// removed at a fixed age. Size, colour, alpha and texture offset over a particle's life come from
// look-up tables (not owned) read at its age, clamped at their ends. All particles are drawn in one
// indexed draw per effect pass from a dynamic vertex buffer refilled every frame, with the technique
// "<render context name>_particlemesh" of the node's material.
//
// Every step is virtual so that derived sources can change how a particle starts and moves. Live
// particles fill slots 0 to live count - 1 without gaps, in no meaningful order. Emission and update
// allocate nothing. The engine may be null for a source that never builds buffers (a derived source
// whose buffer steps do nothing). Main thread only.
class CParticleSourceNode : public CRenderableNode
{
public:
    // 16-bit indices address 65536 vertices: four per particle.
    static constexpr int kMaxParticles = 16384;

    // The defaults, no particle array; local sphere centre (0, 0, 0), radius 8. engine is not owned.
    explicit CParticleSourceNode(Qen::CEngineController* engine);

    // Deletes the node.
    void Release(bool deleteChildren) override;
    bool IsKindOf(const std::type_info& type) const override;
    // Draws the live particles with the context's technique; nothing without a live particle, without a
    // material with an effect, or when the effect lacks the technique (traced once per context name).
    void Render(BaseLib::CSmartPointer<Qen::CRenderContext> context) override;

    // Named effects belong to derived sources: here the length is 0 and loading does nothing.
    virtual float GetEffectLength(const std::string& name);
    virtual void LoadEffect(const std::string& name);
    // dt = t1 - t0; nothing unless dt > 0. When following, the emitter transform becomes the node's
    // world matrix; then Emit(dt) and UpdateParticles(dt).
    virtual void Advance(float t0, float t1);
    // A velocity in the cone round direction (the emitter's X and Z axes widen it by the spread),
    // times the speed. Spread exactly 0: direction times speed.
    virtual void GenerateVelocity(BaseLib::CVector3& result, const BaseLib::CVector3& direction);
    // A point of the box of the box size centred on origin, turned by the emitter transform.
    virtual void GeneratePosition(BaseLib::CVector3& result, const BaseLib::CVector3& origin);
    // Velocity from the cone round the emitter's Y axis, position from the box at its origin, angle and
    // age 0.
    virtual void InitParticle(CParticle& particle);
    // Adds dt × rate to the accumulator and spends whole units on new particles while slots are free;
    // each new one has already lived the part of the step after its birth.
    virtual void Emit(float dt);
    // Moves every live particle; a dead one is replaced by the last live record, which is moved in the
    // same pass.
    virtual void UpdateParticles(float dt);
    // Semi-implicit Euler with linear drag, then spin and age. False once the age reaches the lifetime.
    virtual bool UpdateParticle(CParticle& particle, float dt);
    // Index buffer of capacity × 6 16-bit indices: two triangles per particle slot.
    virtual void CreateIndexBuffer();
    // Dynamic vertex buffer of capacity × 4 vertices and the vertex declaration.
    virtual void CreateVertexBuffer();
    // Writes the quads of all live particles in one discarding lock; axis1 and axis2 span each quad
    // (camera up and right in the particles' space).
    virtual void FillVertexBuffer(const BaseLib::CVector3& axis1, const BaseLib::CVector3& axis2);

    // Room for n particles (clamped to 0..kMaxParticles, traced when clamped) and the buffers for them.
    // Called again, it keeps the first live particles that fit.
    void SetMaxParticles(int n);
    int GetMaxParticles() const { return m_capacity; }
    int GetParticleCount() const { return m_liveCount; }
    // Clearing the flag resets the emitter transform to identity.
    void SetFollowNode(bool follow);
    bool GetFollowNode() const { return m_followNode != 0; }
    // Holds the material (one count); the same material again changes nothing; null releases it.
    void SetMaterial(Qen::CMaterial* material);
    // The game's name for SetMaterial.
    void SetTexture(Qen::CMaterial* material) { SetMaterial(material); }
    BaseLib::CResourcePtr<Qen::CMaterial> GetMaterial() const { return m_material; }
    // A new name is stored and loaded; with preRun the particles advance from the stored effect time to
    // time; then time is stored.
    void SetEffect(const std::string& name, float time, bool preRun);
    const std::string& GetEffectName() const { return m_effectName; }
    float GetEffectTime() const { return m_effectTime; }

    // Simulation settings (units per second, seconds, radians).
    void SetAcceleration(const BaseLib::CVector3& acceleration) { m_acceleration = acceleration; }
    const BaseLib::CVector3& GetAcceleration() const { return m_acceleration; }
    void SetDrag(float drag) { m_drag = drag; }
    float GetDrag() const { return m_drag; }
    void SetSpin(float spin) { m_spin = spin; }
    float GetSpin() const { return m_spin; }
    void SetEmissionRate(float rate) { m_emissionRate = rate; }
    float GetEmissionRate() const { return m_emissionRate; }
    // Rows: the emitter's X, Y and Z axes and its origin. Replaced by the world matrix while following.
    void SetEmitterTransform(const BaseLib::CMatrix& transform) { m_emitterTransform = transform; }
    const BaseLib::CMatrix& GetEmitterTransform() const { return m_emitterTransform; }
    void SetVelocitySpread(float spread) { m_velocitySpread = spread; }
    float GetVelocitySpread() const { return m_velocitySpread; }
    void SetBoxSize(const BaseLib::CVector3& size) { m_boxSize = size; }
    const BaseLib::CVector3& GetBoxSize() const { return m_boxSize; }
    void SetSpeed(float speed) { m_speed = speed; }
    float GetSpeed() const { return m_speed; }
    void SetLifetime(float lifetime) { m_lifetime = lifetime; }
    float GetLifetime() const { return m_lifetime; }
    // Appearance: texture coordinates run 0..scale across a quad; the quad's half-diagonal is the size.
    void SetTextureScale(float scale) { m_textureScale = scale; }
    float GetTextureScale() const { return m_textureScale; }
    void SetBaseSize(float size) { m_baseSize = size; }
    float GetBaseSize() const { return m_baseSize; }
    // Tables over age, not owned; null: none.
    void SetAlphaTable(const BaseLib::CLookUpTable<float>* table) { m_alphaTable = table; }
    void SetColourTable(const BaseLib::CLookUpTable<BaseLib::CColor>* table) { m_colourTable = table; }
    void SetSizeTable(const BaseLib::CLookUpTable<float>* table) { m_sizeTable = table; }
    void SetTextureOffsetTable(const BaseLib::CLookUpTable<BaseLib::CVector2>* table) { m_textureOffsetTable = table; }

protected:
    // Frees the array, releases the declaration, the buffers and the material; the tables are not freed.
    ~CParticleSourceNode() override;

    BaseLib::CVector3 m_acceleration{0.0f, -9.81f, 0.0f};
    float m_drag = 0.3f;
    float m_spin = 0.0f;
    float m_emissionRate = 20.0f;
    BaseLib::CMatrix m_emitterTransform = BaseLib::CMatrix::Identity;
    float m_velocitySpread = 0.2f;
    BaseLib::CVector3 m_boxSize{0.0f, 0.0f, 0.0f};
    float m_speed = 1.0f;
    float m_lifetime = 10.0f;
    float m_textureScale = 1.0f;
    BaseLib::CResourcePtr<Qen::CMaterial> m_material;
    BaseLib::CResourcePtr<Qen::CIndexBuffer> m_indexBuffer;
    BaseLib::CResourcePtr<Qen::CVertexBuffer> m_vertexBuffer;
    Platform::Gfx::VertexDeclaration* m_declaration = nullptr;
    const BaseLib::CLookUpTable<float>* m_alphaTable = nullptr;
    const BaseLib::CLookUpTable<BaseLib::CColor>* m_colourTable = nullptr;
    const BaseLib::CLookUpTable<float>* m_sizeTable = nullptr;
    const BaseLib::CLookUpTable<BaseLib::CVector2>* m_textureOffsetTable = nullptr;
    float m_baseSize = 1.0f;
    std::uint8_t m_followNode = 1;
    float m_effectTime = 0.0f;
    std::string m_effectName;
    int m_liveCount = 0;
    float m_accumulator = 0.0f;
    int m_capacity = 0;
    std::unique_ptr<CParticle[]> m_particles;

private:
    // The technique name for the context's name, built when the name changes.
    const std::string& TechniqueName(const std::string& contextName);

    std::string m_techniqueContext;
    std::string m_techniqueName;
    bool m_techniqueNameBuilt = false;
    std::set<std::string> m_missingTechniquesTraced;
};

} // namespace GameLib
