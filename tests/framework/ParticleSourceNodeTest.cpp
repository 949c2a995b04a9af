#include "framework/ParticleSourceNode.h"
#include "tests/engine/MeshFixture.h"
#include "tests/framework/SceneRecorder.h"

#include "engine/Camera.h"
#include "engine/DeviceStateMgr.h"
#include "foundation/Random.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using BaseLib::CVector4;
using GameLib::CParticle;
using GameLib::CParticleSourceNode;
using GameLib::CParticleVertex;
using namespace Platform::Gfx;

// A source whose state the tests can reach. Without buffers its buffer steps do nothing, so it needs no
// device; it records the effects it is asked to load and the advances it makes.
class ProbeSource : public CParticleSourceNode
{
public:
    explicit ProbeSource(Qen::CEngineController* engine = nullptr, bool buffers = false)
        : CParticleSourceNode(engine), m_buffers(buffers)
    {}

    void CreateIndexBuffer() override
    {
        if (m_buffers)
        {
            CParticleSourceNode::CreateIndexBuffer();
        }
    }
    void CreateVertexBuffer() override
    {
        if (m_buffers)
        {
            CParticleSourceNode::CreateVertexBuffer();
        }
    }
    void LoadEffect(const std::string& name) override { loaded.push_back(name); }
    void Advance(float t0, float t1) override
    {
        advances.emplace_back(t0, t1);
        CParticleSourceNode::Advance(t0, t1);
    }

    CParticle& At(int i) { return m_particles[static_cast<std::size_t>(i)]; }
    float Accumulator() const { return m_accumulator; }
    // Live particles of these ages, at rest at the origin, the rest of the record marked by its slot.
    void Place(const std::vector<float>& ages)
    {
        m_liveCount = static_cast<int>(ages.size());
        for (int i = 0; i < m_liveCount; ++i)
        {
            CParticle& p = At(i);
            p = CParticle{};
            p.age = ages[static_cast<std::size_t>(i)];
            p.extra1 = CVector3(float(i), float(i), float(i));
            p.extraPair[1] = float(i);
        }
    }
    std::vector<float> Ages()
    {
        std::vector<float> ages;
        for (int i = 0; i < m_liveCount; ++i)
        {
            ages.push_back(At(i).age);
        }
        return ages;
    }
    Qen::CVertexBuffer* VertexBuffer() const { return m_vertexBuffer.Get(); }
    Qen::CIndexBuffer* IndexBuffer() const { return m_indexBuffer.Get(); }
    Platform::Gfx::VertexDeclaration* Declaration() const { return m_declaration; }

    std::vector<std::string> loaded;
    std::vector<std::pair<float, float>> advances;

private:
    bool m_buffers;
};

struct ReleaseNode
{
    void operator()(GameLib::CSceneGraphNode* node) const { node->Release(false); }
};
using ProbePtr = std::unique_ptr<ProbeSource, ReleaseNode>;

ProbePtr Probe(Qen::CEngineController* engine = nullptr, bool buffers = false)
{
    return ProbePtr(new ProbeSource(engine, buffers));
}

TEST(ParticleSource, StartsWithTheDocumentedSettings)
{
    SceneTest::RecordingManager manager;
    ProbePtr source = Probe();
    EXPECT_EQ(CVector4(0.0f, 0.0f, 0.0f, 8.0f), source->GetBounds());
    EXPECT_EQ(CVector3(0.0f, -9.81f, 0.0f), source->GetAcceleration());
    EXPECT_EQ(0.3f, source->GetDrag());
    EXPECT_EQ(0.0f, source->GetSpin());
    EXPECT_EQ(20.0f, source->GetEmissionRate());
    EXPECT_EQ(CMatrix::Identity, source->GetEmitterTransform());
    EXPECT_EQ(0.2f, source->GetVelocitySpread());
    EXPECT_EQ(CVector3(0.0f, 0.0f, 0.0f), source->GetBoxSize());
    EXPECT_EQ(1.0f, source->GetSpeed());
    EXPECT_EQ(10.0f, source->GetLifetime());
    EXPECT_EQ(1.0f, source->GetTextureScale());
    EXPECT_EQ(1.0f, source->GetBaseSize());
    EXPECT_FALSE(source->GetMaterial());
    EXPECT_TRUE(source->GetFollowNode());
    EXPECT_EQ(0.0f, source->GetEffectTime());
    EXPECT_EQ("", source->GetEffectName());
    EXPECT_EQ(0, source->GetParticleCount());
    EXPECT_EQ(0, source->GetMaxParticles());
    EXPECT_EQ(0.0f, source->Accumulator());
    EXPECT_EQ(0.0f, source->GetEffectLength("anything"));
    EXPECT_TRUE(source->IsKindOf(typeid(CParticleSourceNode)));
    EXPECT_TRUE(source->IsKindOf(typeid(GameLib::CRenderableNode)));
    EXPECT_FALSE(source->IsKindOf(typeid(GameLib::CModelNode)));
    // An empty pool emits nothing however long it runs.
    source->Advance(0.0f, 5.0f);
    EXPECT_EQ(0, source->GetParticleCount());
}

TEST(ParticleSource, EmitsWholeParticlesByRateAndCarriesTheRest)
{
    struct Case
    {
        const char* what;
        float rate;
        std::vector<float> steps;
        int count;
        float left;
    };
    const Case cases[] = {
        {"rate 20, 0.125 s", 20.0f, {0.125f}, 2, 0.5f},
        {"then 0.0625 s more", 20.0f, {0.125f, 0.0625f}, 3, 0.75f},
        {"exactly 1.0 is enough", 4.0f, {0.25f}, 1, 0.0f},
        {"rate 0", 0.0f, {1.0f}, 0, 0.0f},
        {"negative rate", -1.0f, {1.0f}, 0, 0.0f},
    };
    for (const Case& c : cases)
    {
        ProbePtr source = Probe();
        source->SetMaxParticles(64);
        source->SetEmissionRate(c.rate);
        float t = 0.0f;
        for (float step : c.steps)
        {
            source->Advance(t, t + step);
            t += step;
        }
        EXPECT_EQ(c.count, source->GetParticleCount()) << c.what;
        EXPECT_EQ(c.left, source->Accumulator()) << c.what;
    }

    // Each new particle has lived the part of the step after its birth, then the whole step again:
    // accumulator 2.5 → born with 1.5 / 20 and 0.5 / 20 still to go.
    ProbePtr source = Probe();
    source->SetMaxParticles(8);
    source->Advance(0.0f, 0.125f);
    EXPECT_FLOAT_EQ(0.075f + 0.125f, source->At(0).age);
    EXPECT_FLOAT_EQ(0.025f + 0.125f, source->At(1).age);
}

TEST(ParticleSource, AFullPoolKeepsAccumulatingAndEmitsWhatFitsOnceParticlesDie)
{
    ProbePtr source = Probe();
    source->SetMaxParticles(4);
    source->SetLifetime(0.62f);
    source->Advance(0.0f, 0.25f); // 5 due, 4 fit: ages 0.45, 0.4, 0.35, 0.3
    EXPECT_EQ(4, source->GetParticleCount());
    EXPECT_EQ(1.0f, source->Accumulator());
    source->Advance(0.25f, 0.5f); // full: nothing emitted; the two oldest die
    EXPECT_EQ(2, source->GetParticleCount());
    EXPECT_EQ(6.0f, source->Accumulator());
    source->Emit(0.25f); // 11 due: the two free slots filled in one burst
    EXPECT_EQ(4, source->GetParticleCount());
    EXPECT_EQ(9.0f, source->Accumulator());
}

TEST(ParticleSource, MovesBySemiImplicitEulerAndDiesAtItsLifetimeExactly)
{
    ProbePtr source = Probe();
    source->SetMaxParticles(1);
    source->SetAcceleration(CVector3(0.0f, -10.0f, 0.0f));
    source->SetDrag(0.5f);
    source->SetSpin(2.0f);
    source->SetLifetime(1.0f);
    source->Place({0.5f});
    CParticle& p = source->At(0);
    p.velocity = CVector3(1.0f, 0.0f, 0.0f);
    // a = (0, -10, 0) - 0.5 × (1, 0, 0); v = (0.95, -1, 0); x moves by the new velocity.
    EXPECT_TRUE(source->UpdateParticle(p, 0.1f));
    EXPECT_FLOAT_EQ(0.95f, p.velocity.x);
    EXPECT_FLOAT_EQ(-1.0f, p.velocity.y);
    EXPECT_FLOAT_EQ(0.095f, p.position.x);
    EXPECT_FLOAT_EQ(-0.1f, p.position.y);
    EXPECT_FLOAT_EQ(0.2f, p.angle);
    EXPECT_FLOAT_EQ(0.6f, p.age);
    p.age = 0.75f;
    EXPECT_FALSE(source->UpdateParticle(p, 0.25f)) << "age 1.0 reaches the lifetime 1.0";
}

TEST(ParticleSource, ADeadParticleTakesTheLastRecordWhichMovesInTheSamePass)
{
    struct Case
    {
        std::vector<float> ages;
        std::vector<float> after; // ages after one step of 0.1 with lifetime 1
        std::vector<float> marks; // the slot each surviving record came from
    };
    const Case cases[] = {
        {{0.95f, 0.1f, 0.2f}, {0.3f, 0.2f}, {2.0f, 1.0f}},
        {{0.95f, 0.1f, 0.95f}, {0.2f}, {1.0f}}, // the moved record dies too
        {{0.1f, 0.95f, 0.95f}, {0.2f}, {0.0f}},
        {{0.95f}, {}, {}},
    };
    for (const Case& c : cases)
    {
        ProbePtr source = Probe();
        source->SetMaxParticles(3);
        source->SetAcceleration(CVector3(0.0f, 0.0f, 0.0f));
        source->SetLifetime(1.0f);
        source->Place(c.ages);
        source->UpdateParticles(0.1f);
        ASSERT_EQ(c.after.size(), static_cast<std::size_t>(source->GetParticleCount()));
        for (std::size_t i = 0; i < c.after.size(); ++i)
        {
            EXPECT_FLOAT_EQ(c.after[i], source->At(int(i)).age) << "slot " << i << ": updated once";
            EXPECT_EQ(CVector3(c.marks[i], c.marks[i], c.marks[i]), source->At(int(i)).extra1);
            EXPECT_EQ(c.marks[i], source->At(int(i)).extraPair[1]);
        }
    }
}

TEST(ParticleSource, GeneratorsUseTheEmitterTransformAndTheSharedRandomSequence)
{
    ProbePtr source = Probe();
    source->SetFollowNode(false);
    // Emitter axes X = (0, 0, 1), Y = (1, 0, 0), Z = (0, 1, 0), origin (3, 4, 5).
    const CMatrix emitter(CVector4(0, 0, 1, 0), CVector4(1, 0, 0, 0), CVector4(0, 1, 0, 0), CVector4(3, 4, 5, 1));
    source->SetEmitterTransform(emitter);
    source->SetSpeed(2.5f);
    source->SetVelocitySpread(0.0f);
    CParticle p{};
    p.angle = 1.0f;
    p.age = 3.0f;
    source->InitParticle(p);
    EXPECT_EQ(CVector3(2.5f, 0.0f, 0.0f), p.velocity) << "spread 0: the emitter's Y axis times the speed";
    EXPECT_EQ(CVector3(3.0f, 4.0f, 5.0f), p.position) << "empty box: the origin";
    EXPECT_EQ(0.0f, p.angle);
    EXPECT_EQ(0.0f, p.age);

    // The box: the draws u1, u2, u3 (41, 18467, 6334 from seed 1) fill z, y, x, turned by the emitter.
    BaseLib::SeedRandom(1);
    source->SetBoxSize(CVector3(2.0f, 4.0f, 8.0f));
    CVector3 position;
    source->GeneratePosition(position, CVector3(3.0f, 4.0f, 5.0f));
    const float u1 = 41.0f / 32768.0f;
    const float u2 = 18467.0f / 32768.0f;
    const float u3 = 6334.0f / 32768.0f;
    const CVector3 local((u3 - 0.5f) * 2.0f, (u2 - 0.5f) * 4.0f, (u1 - 0.5f) * 8.0f);
    EXPECT_FLOAT_EQ(3.0f + local.y, position.x);
    EXPECT_FLOAT_EQ(4.0f + local.z, position.y);
    EXPECT_FLOAT_EQ(5.0f + local.x, position.z);

    // The cone: every velocity lies within spread × speed of direction × speed, spread over the cone.
    source->SetVelocitySpread(0.2f);
    const CVector3 direction(1.0f, 0.0f, 0.0f);
    float widest = 0.0f;
    float lowest = 1.0f;
    for (int i = 0; i < 10000; ++i)
    {
        CVector3 v;
        source->GenerateVelocity(v, direction);
        const CVector3 off = v * (1.0f / 2.5f) - direction;
        widest = std::max(widest, off.Length());
        lowest = std::min(lowest, off.x);
    }
    EXPECT_LE(widest, 0.2f + 1e-5f);
    EXPECT_GT(widest, 0.18f) << "the draws fill the cone";
    EXPECT_LT(lowest, -0.15f);
}

TEST(ParticleSource, EffectsPreRunFromTheStoredTimeAndEmptyStepsChangeNothing)
{
    ProbePtr source = Probe();
    source->SetMaxParticles(64);
    source->SetEffect("smoke", 1.0f, false);
    source->SetEffect("smoke", 2.0f, true);
    source->SetEffect("fire", 2.5f, true);
    EXPECT_EQ((std::vector<std::string>{"smoke", "fire"}), source->loaded) << "the same name is not loaded again";
    EXPECT_EQ((std::vector<std::pair<float, float>>{{1.0f, 2.0f}, {2.0f, 2.5f}}), source->advances);
    EXPECT_EQ(2.5f, source->GetEffectTime());
    EXPECT_EQ("fire", source->GetEffectName());
    EXPECT_EQ(30, source->GetParticleCount()) << "20 from 1 to 2, 10 from 2 to 2.5";

    // Following, a real step copies the world matrix into the emitter; an empty or backward one does not.
    const CMatrix marked(CVector4(2, 0, 0, 0), CVector4(0, 2, 0, 0), CVector4(0, 0, 2, 0), CVector4(7, 8, 9, 1));
    source->SetEmitterTransform(marked);
    const std::vector<float> ages = source->Ages();
    const float accumulator = source->Accumulator();
    source->Advance(3.0f, 3.0f);
    source->Advance(4.0f, 3.0f);
    source->SetEffect("fire", 2.0f, true);
    EXPECT_EQ(ages, source->Ages());
    EXPECT_EQ(accumulator, source->Accumulator());
    EXPECT_EQ(marked, source->GetEmitterTransform());
    source->Advance(3.0f, 3.01f);
    EXPECT_EQ(CMatrix::Identity, source->GetEmitterTransform()) << "the node's world matrix";

    source->SetEmitterTransform(marked);
    source->SetFollowNode(false);
    EXPECT_EQ(CMatrix::Identity, source->GetEmitterTransform());
}

TEST(ParticleSource, PoolSizeIsClampedToSixteenBitIndicesAndShrinkingKeepsTheFirstParticles)
{
    ProbePtr source = Probe();
    {
        Platform::DebugOutputCapture traces;
        source->SetMaxParticles(100000);
        EXPECT_EQ(CParticleSourceNode::kMaxParticles, source->GetMaxParticles());
        EXPECT_NE(std::string::npos, traces.Text().find("100000")) << traces.Text();
        source->SetMaxParticles(-3);
        EXPECT_EQ(0, source->GetMaxParticles());
    }
    source->SetMaxParticles(16);
    source->Place({0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f});
    source->SetMaxParticles(4);
    EXPECT_EQ(4, source->GetMaxParticles());
    EXPECT_EQ((std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}), source->Ages());
    source->SetMaxParticles(8);
    EXPECT_EQ((std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}), source->Ages());
}

// --- With a device ---

// The particles' colour with the engine's matrices; technique for the context name "default".
constexpr const char* kParticleEffect = R"(
float4x4 mWorldViewProj : WORLDVIEWPROJECTION;
vertexprogram vsParticle
{
    in vec3 aPosition : POSITION;
    in vec2 aUv : TEXCOORD0;
    in vec4 aColour : COLOR0;
    out vec4 vColour;
    void main() { gl_Position = vec4(aPosition, 1.0) * mWorldViewProj; vColour = aColour + vec4(aUv, 0.0, 0.0) * 0.0; }
}
fragmentprogram fsParticle { in vec4 vColour; void main() { FragmentColor = vColour; } }
technique default_particlemesh
{
    pass p0 { VertexProgram = vsParticle; FragmentProgram = fsParticle; ZEnable = false; CullMode = None; AlphaBlendEnable = false; }
}
)";

class ParticleDrawingTest : public EngineTesting::MeshFixture
{
protected:
    ParticleDrawingTest()
    {
        headWidth = 160;
        headHeight = 120;
    }

    ProbePtr Source(int capacity)
    {
        ProbePtr source = Probe(&controller, true);
        source->SetMaxParticles(capacity);
        return source;
    }

    static const CParticleVertex* Vertices(const ProbeSource& source)
    {
        return reinterpret_cast<const CParticleVertex*>(source.VertexBuffer()->GetBuffer()->Memory().data());
    }
};

TEST_F(ParticleDrawingTest, BuffersHoldTwoTrianglesPerSlotAndTheDeclaredVertex)
{
    ProbePtr source = Source(3);
    ASSERT_NE(nullptr, source->IndexBuffer());
    ASSERT_NE(nullptr, source->VertexBuffer());
    const std::vector<std::uint8_t>& bytes = source->IndexBuffer()->GetBuffer()->Memory();
    ASSERT_EQ(36u, bytes.size());
    std::vector<std::uint16_t> indices(18);
    std::memcpy(indices.data(), bytes.data(), bytes.size());
    EXPECT_EQ((std::vector<std::uint16_t>{0, 1, 2, 1, 3, 2, 4, 5, 6, 5, 7, 6, 8, 9, 10, 9, 11, 10}), indices);
    EXPECT_EQ(Format::Index16, source->IndexBuffer()->GetBuffer()->IndexFormat());

    Platform::Gfx::VertexBufferDesc desc;
    ASSERT_EQ(Ok, source->VertexBuffer()->GetBuffer()->GetDesc(&desc));
    EXPECT_EQ(3u * 96u, desc.Size);
    EXPECT_EQ(Usage::Dynamic, desc.Usage);
    EXPECT_EQ(Pool::Default, desc.Pool);
    ASSERT_NE(nullptr, source->Declaration());
    const std::vector<VertexElement>& elements = source->Declaration()->Elements();
    ASSERT_EQ(3u, elements.size());
    const std::uint32_t expected[3][3] = {{0, DeclType::Float3, DeclUsage::Position},
                                          {12, DeclType::Float2, DeclUsage::TexCoord},
                                          {20, DeclType::Color, DeclUsage::Color}};
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(expected[i][0], elements[i].Offset) << i;
        EXPECT_EQ(expected[i][1], elements[i].Type) << i;
        EXPECT_EQ(expected[i][2], elements[i].Usage) << i;
    }

    // A second size gets buffers of the new size.
    source->SetMaxParticles(5);
    EXPECT_EQ(5u * 96u, source->VertexBuffer()->GetBuffer()->Size());
    EXPECT_EQ(5u * 12u, source->IndexBuffer()->GetBuffer()->Size());
}

TEST_F(ParticleDrawingTest, QuadsTakeSizeColourAlphaAndOffsetFromTheTablesClampedAtTheirEnds)
{
    BaseLib::CLookUpTable<float> shrinking; // 1 → 0.5 over ten seconds: 0.4 at 12 if read unclamped
    shrinking.AddKey(0.0f, 1.0f);
    shrinking.AddKey(10.0f, 0.5f);
    BaseLib::CLookUpTable<float> fadeOut;
    fadeOut.AddKey(0.0f, 1.0f);
    fadeOut.AddKey(10.0f, 0.0f);
    BaseLib::CLookUpTable<float> tooBright;
    tooBright.AddKey(0.0f, 1.5f);
    BaseLib::CLookUpTable<float> belowZero;
    belowZero.AddKey(0.0f, -0.5f);
    BaseLib::CLookUpTable<BaseLib::CColor> red;
    red.AddKey(0.0f, BaseLib::CColor::FromArgb(0x10FF2000u));
    BaseLib::CLookUpTable<BaseLib::CVector2> offsets;
    offsets.AddKey(0.0f, BaseLib::CVector2(0.0f, 0.0f));
    offsets.AddKey(1.0f, BaseLib::CVector2(0.25f, 0.5f));

    struct Case
    {
        const char* what;
        const BaseLib::CLookUpTable<float>* size;
        const BaseLib::CLookUpTable<float>* alpha;
        const BaseLib::CLookUpTable<BaseLib::CColor>* colour;
        const BaseLib::CLookUpTable<BaseLib::CVector2>* offset;
        float age;
        float expectedSize; // base size 2 times the table's value
        std::uint32_t expectedColour;
        float u0, v0;
    };
    const Case cases[] = {
        {"no tables", nullptr, nullptr, nullptr, nullptr, 3.0f, 2.0f, 0xFFFFFFFFu, 0.0f, 0.0f},
        {"size inside its keys", &shrinking, nullptr, nullptr, nullptr, 5.0f, 1.5f, 0xFFFFFFFFu, 0.0f, 0.0f},
        {"size past its last key", &shrinking, nullptr, nullptr, nullptr, 12.0f, 1.0f, 0xFFFFFFFFu, 0.0f, 0.0f},
        {"size before its first key", &shrinking, nullptr, nullptr, nullptr, -1.0f, 2.0f, 0xFFFFFFFFu, 0.0f, 0.0f},
        {"alpha at 0.5", nullptr, &fadeOut, nullptr, nullptr, 5.0f, 2.0f, 0x7FFFFFFFu, 0.0f, 0.0f},
        {"alpha past its end", nullptr, &fadeOut, nullptr, nullptr, 12.0f, 2.0f, 0x00FFFFFFu, 0.0f, 0.0f},
        {"alpha above 1", nullptr, &tooBright, nullptr, nullptr, 1.0f, 2.0f, 0xFFFFFFFFu, 0.0f, 0.0f},
        {"alpha below 0", nullptr, &belowZero, nullptr, nullptr, 1.0f, 2.0f, 0x00FFFFFFu, 0.0f, 0.0f},
        {"colour's alpha replaced", nullptr, nullptr, &red, nullptr, 1.0f, 2.0f, 0xFFFF2000u, 0.0f, 0.0f},
        {"colour with alpha table", nullptr, &fadeOut, &red, nullptr, 5.0f, 2.0f, 0x7FFF2000u, 0.0f, 0.0f},
        {"offset past its end", nullptr, nullptr, nullptr, &offsets, 4.0f, 2.0f, 0xFFFFFFFFu, 0.25f, 0.5f},
    };
    ProbePtr source = Source(1);
    source->SetBaseSize(2.0f);
    source->SetTextureScale(3.0f);
    const CVector3 up(0.0f, 1.0f, 0.0f);
    const CVector3 right(1.0f, 0.0f, 0.0f);
    for (const Case& c : cases)
    {
        source->SetSizeTable(c.size);
        source->SetAlphaTable(c.alpha);
        source->SetColourTable(c.colour);
        source->SetTextureOffsetTable(c.offset);
        source->Place({c.age});
        source->At(0).position = CVector3(10.0f, 20.0f, 30.0f);
        source->FillVertexBuffer(up, right);
        const CParticleVertex* v = Vertices(*source);
        const float s = c.expectedSize;
        // Angle 0: (S, C) = (0, size), so the corners lie at right, up, down and left of the centre.
        const float corners[4][2] = {{s, 0.0f}, {0.0f, s}, {0.0f, -s}, {-s, 0.0f}};
        for (int k = 0; k < 4; ++k)
        {
            EXPECT_FLOAT_EQ(10.0f + corners[k][0], v[k].x) << c.what << " corner " << k;
            EXPECT_FLOAT_EQ(20.0f + corners[k][1], v[k].y) << c.what << " corner " << k;
            EXPECT_EQ(30.0f, v[k].z) << c.what;
            EXPECT_FLOAT_EQ(float(k & 1) * 3.0f + c.u0, v[k].u) << c.what << " corner " << k;
            EXPECT_FLOAT_EQ(float(k >> 1) * 3.0f + c.v0, v[k].v) << c.what << " corner " << k;
            EXPECT_EQ(c.expectedColour, v[k].colour) << c.what << std::hex << " " << v[k].colour;
        }
    }

    // A turned particle: angle π/2 gives (S, C) = (size, 0): the corners turn a quarter.
    source->SetSizeTable(nullptr);
    source->SetBaseSize(1.0f);
    source->Place({1.0f});
    source->At(0).angle = 1.5707964f;
    source->FillVertexBuffer(up, right);
    const CParticleVertex* v = Vertices(*source);
    const float turned[4][2] = {{0.0f, 1.0f}, {-1.0f, 0.0f}, {1.0f, 0.0f}, {0.0f, -1.0f}};
    for (int k = 0; k < 4; ++k)
    {
        EXPECT_NEAR(turned[k][0], v[k].x, 1e-6f) << k;
        EXPECT_NEAR(turned[k][1], v[k].y, 1e-6f) << k;
    }
}

class ParticlePictureTest : public ParticleDrawingTest
{
protected:
    void SetUp() override
    {
        ParticleDrawingTest::SetUp();
        if (HasFatalFailure())
        {
            return;
        }
        material = Material("particles.fx", kParticleEffect);
        camera.position = {0.0f, 0.0f, -8.0f};
        camera.forward = {0.0f, 0.0f, 1.0f};
        camera.aspectRatio = static_cast<float>(headWidth) / static_cast<float>(headHeight);
        camera.fieldOfView = 0.8f;
        camera.Update();
        context = BaseLib::CSmartPointer<Qen::CRenderContext>(Qen::CRenderContext::Create());
        context->engine = &controller;
        context->view = camera.view;
        context->inverseView = camera.cameraToWorld;
        context->projection = camera.projection;
        context->viewProjection = camera.viewProjection;
        context->name = "default";
    }

    void TearDown() override
    {
        material = nullptr;
        context = BaseLib::CSmartPointer<Qen::CRenderContext>();
        ParticleDrawingTest::TearDown();
    }

    // A source of one particle of the given colour at position (its own space when not following).
    ProbePtr OneParticle(const CVector3& position, std::uint32_t argb,
                         const BaseLib::CLookUpTable<BaseLib::CColor>& colour)
    {
        ProbePtr source = Source(1);
        source->SetColourTable(&colour);
        const_cast<BaseLib::CLookUpTable<BaseLib::CColor>&>(colour).AddKey(0.0f, BaseLib::CColor::FromArgb(argb));
        source->SetTexture(material.Get());
        source->Place({1.0f});
        source->At(0).position = position;
        return source;
    }

    // Clears, runs `first` (when given), renders the sources and reads the back buffer (saved under name
    // when given).
    std::vector<std::uint32_t> Draw(const std::vector<ProbeSource*>& sources, const char* png = nullptr,
                                    const std::function<void()>& first = {})
    {
        std::vector<std::uint32_t> pixels;
        controller.GetHeads()[0]->BeginFrame();
        EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF000000, 1.0f, 0));
        EXPECT_EQ(Ok, device->BeginScene());
        if (first)
        {
            first();
        }
        for (ProbeSource* source : sources)
        {
            source->Render(context);
        }
        EXPECT_EQ(Ok, device->EndScene());
        Surface* backBuffer = nullptr;
        EXPECT_EQ(Ok, device->GetBackBuffer(0, 0, 0, &backBuffer));
        EXPECT_EQ(Ok, device->ReadPixels(backBuffer, pixels));
        if (png != nullptr)
        {
            EXPECT_EQ(Ok, Platform::GfxKit::SaveSurfaceToFile(OutputPath(png).c_str(),
                                                              Platform::GfxKit::ImageFileFormat::Png, backBuffer,
                                                              nullptr, nullptr));
        }
        backBuffer->Release();
        return pixels;
    }

    // The pixel where the world point lands.
    std::uint32_t At(const std::vector<std::uint32_t>& pixels, float x, float y, float z = 0.0f) const
    {
        CVector4 clip;
        BaseLib::TransformVector4(clip, CVector4(x, y, z, 1.0f), camera.viewProjection);
        const auto px = static_cast<int>((clip.x / clip.w * 0.5f + 0.5f) * static_cast<float>(headWidth));
        const auto py = static_cast<int>((0.5f - clip.y / clip.w * 0.5f) * static_cast<float>(headHeight));
        return pixels[static_cast<std::size_t>(py * headWidth + px)];
    }

    // The horizontal pixel coordinate of the world point (x, 0, 0), unrounded.
    float PixelX(float x) const
    {
        CVector4 clip;
        BaseLib::TransformVector4(clip, CVector4(x, 0.0f, 0.0f, 1.0f), camera.viewProjection);
        return (clip.x / clip.w * 0.5f + 0.5f) * static_cast<float>(headWidth);
    }

    // The particle's colour fills a diamond of half-diagonal 1 round (x, y) facing the camera, and no more.
    void ExpectDiamond(const std::vector<std::uint32_t>& pixels, float x, float y, std::uint32_t argb,
                       const char* what) const
    {
        const float inside[][2] = {{0.0f, 0.0f}, {0.8f, 0.0f}, {-0.8f, 0.0f}, {0.0f, 0.8f}, {0.0f, -0.8f}, {0.35f, 0.35f}};
        for (const auto& d : inside)
        {
            EXPECT_EQ(argb, At(pixels, x + d[0], y + d[1])) << what << " inside at " << d[0] << ", " << d[1];
        }
        const float outside[][2] = {{1.2f, 0.0f}, {-1.2f, 0.0f}, {0.0f, 1.2f}, {0.0f, -1.2f}, {0.65f, 0.65f}};
        for (const auto& d : outside)
        {
            EXPECT_EQ(0xFF000000u, At(pixels, x + d[0], y + d[1])) << what << " outside at " << d[0] << ", " << d[1];
        }
    }

    std::uint64_t DrawCalls() const { return device->Counters().drawCalls; }

    BaseLib::CResourcePtr<Qen::CMaterial> material;
    Qen::CCamera camera;
    BaseLib::CSmartPointer<Qen::CRenderContext> context;
};

TEST_F(ParticlePictureTest, QuadsFaceTheCameraWhereverTheNodeTurnsAndDrawAgainAfterADeviceReset)
{
    SceneTest::RecordingManager manager;
    BaseLib::CLookUpTable<BaseLib::CColor> redTable;
    BaseLib::CLookUpTable<BaseLib::CColor> greenTable;
    // Following: the particle is in world space at (2, 1, 0).
    ProbePtr following = OneParticle(CVector3(2.0f, 1.0f, 0.0f), 0xFFFF0000u, redTable);
    // Not following, under a node turned 90° about Y at (-2, -1, 0): local (0, 0, 1) is world (-1, -1, 0).
    ProbePtr turned = OneParticle(CVector3(0.0f, 0.0f, 1.0f), 0xFF00FF00u, greenTable);
    turned->SetFollowNode(false);
    GameLib::CTransformNode* place = SceneTest::Named("place");
    manager.GetRootNode()->AddChild(place);
    place->SetLocalTransform(
        CMatrix(CVector4(0, 0, -1, 0), CVector4(0, 1, 0, 0), CVector4(1, 0, 0, 0), CVector4(-2, -1, 0, 1)));
    place->AddChild(turned.get());

    const std::uint64_t before = DrawCalls();
    std::vector<std::uint32_t> pixels = Draw({following.get(), turned.get()}, "particles.png");
    EXPECT_EQ(2u, DrawCalls() - before) << "one draw per source and pass";
    ExpectDiamond(pixels, 2.0f, 1.0f, 0xFFFF0000u, "following");
    ExpectDiamond(pixels, -1.0f, -1.0f, 0xFF00FF00u, "turned node");
    EXPECT_EQ(1, context->GetRefCount()) << "the context is given back";

    device->SimulateDeviceLoss(0);
    ASSERT_EQ(DeviceNotReset, device->TestCooperativeLevel());
    LoseAndResetDevice();
    ASSERT_EQ(Ok, device->TestCooperativeLevel());
    pixels = Draw({following.get(), turned.get()});
    ExpectDiamond(pixels, 2.0f, 1.0f, 0xFFFF0000u, "following, after the reset");
    ExpectDiamond(pixels, -1.0f, -1.0f, 0xFF00FF00u, "turned node, after the reset");
}

TEST_F(ParticlePictureTest, ADrawThroughTheStateCacheAfterParticlesBindsItsOwnFormatAgain)
{
    BaseLib::CLookUpTable<BaseLib::CColor> redTable;
    ProbePtr source = OneParticle(CVector3(0.0f, 0.0f, 0.0f), 0xFFFF0000u, redTable);
    EngineTesting::CachedQuad strip(device, *controller.GetStateManager(), 0, 0, 8, 48, 0xFF00FF00);
    // The strip's buffers and vertex format go into the cache, then the particles bind their own.
    std::vector<std::uint32_t> pixels = Draw({source.get()}, nullptr, [&] { strip.Draw(); });
    ASSERT_EQ(0xFF00FF00u, pixels[static_cast<std::size_t>(24 * headWidth + 4)]);
    ASSERT_EQ(0xFFFF0000u, At(pixels, 0.0f, 0.0f));

    pixels = Draw({}, "cached_draw_after_particles.png", [&] { strip.Draw(); });
    EXPECT_EQ(0xFF00FF00u, pixels[static_cast<std::size_t>(24 * headWidth + 4)]) << "the strip's own format";
    EXPECT_EQ(0xFF000000u, At(pixels, 0.0f, 0.0f));
}

TEST_F(ParticlePictureTest, WithoutAMaterialOrItsTechniqueNothingIsDrawn)
{
    BaseLib::CLookUpTable<BaseLib::CColor> redTable;
    ProbePtr source = OneParticle(CVector3(0.0f, 0.0f, 0.0f), 0xFFFF0000u, redTable);
    source->SetMaterial(nullptr);
    const std::uint64_t before = DrawCalls();
    std::vector<std::uint32_t> pixels = Draw({source.get()});
    EXPECT_EQ(0xFF000000u, At(pixels, 0.0f, 0.0f));

    // A material whose effect did not compile (the load box answered "ignore") has no effect to draw with.
    WriteFile("broken.fx", "float4 x = ;\n");
    answers = {Platform::MessageBoxAnswerIgnore};
    BaseLib::CResourcePtr<Qen::CMaterial> broken;
    controller.GetMaterialFactory()->GetMaterial("xfl-shader>broken.fx", broken, true);
    ASSERT_TRUE(broken);
    ASSERT_EQ(nullptr, broken->GetEffectShader());
    source->SetMaterial(broken.Get());
    pixels = Draw({source.get()});
    EXPECT_EQ(0xFF000000u, At(pixels, 0.0f, 0.0f));
    source->SetMaterial(nullptr);

    // The same material twice holds one count; another context name has no technique: traced once.
    const std::int32_t count = material->GetCount();
    source->SetMaterial(material.Get());
    source->SetMaterial(material.Get());
    EXPECT_EQ(count + 1, material->GetCount());
    Platform::DebugOutputCapture traces;
    context->name = "shadow";
    Draw({source.get()});
    pixels = Draw({source.get()});
    EXPECT_EQ(0xFF000000u, At(pixels, 0.0f, 0.0f));
    const std::string text = traces.Text();
    const std::size_t first = text.find("shadow_particlemesh");
    EXPECT_NE(std::string::npos, first) << text;
    EXPECT_EQ(std::string::npos, text.find("shadow_particlemesh", first + 1)) << "once per context name";
    EXPECT_EQ(before, DrawCalls());

    context->name = "default";
    pixels = Draw({source.get()});
    EXPECT_EQ(0xFFFF0000u, At(pixels, 0.0f, 0.0f));
    source.reset();
    EXPECT_EQ(count, material->GetCount()) << "the node's count released";
}

TEST_F(ParticlePictureTest, AFullPoolDrawsInOneCallAndReportsItsRenderTime)
{
    for (const int count : {1000, CParticleSourceNode::kMaxParticles})
    {
        ProbePtr source = Source(count);
        source->SetTexture(material.Get());
        source->Place(std::vector<float>(static_cast<std::size_t>(count), 1.0f));
        // Rows of `side` particles over x, y in [-3, 3); touching diamonds fill the rows they reach.
        const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
        const float spacing = 6.0f / float(side);
        auto place = [&](int i) { return CVector3(-3.0f + spacing * float(i % side), -3.0f + spacing * float(i / side), 0.0f); };
        for (int i = 0; i < count; ++i)
        {
            source->At(i).position = place(i);
        }
        source->SetBaseSize(spacing);
        Draw({source.get()}); // programs linked, buffers made
        const std::uint64_t before = DrawCalls();
        constexpr int kFrames = 20;
        ASSERT_EQ(Ok, device->BeginScene());
        const auto start = std::chrono::steady_clock::now();
        for (int frame = 0; frame < kFrames; ++frame)
        {
            source->Render(context);
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kFrames;
        ASSERT_EQ(Ok, device->EndScene());
        EXPECT_EQ(std::uint64_t{kFrames}, DrawCalls() - before) << count;
        const std::vector<std::uint32_t> pixels = Draw({source.get()}, count == 1000 ? "particles_1000.png" : "particles_16384.png");
        // Each particle's diamond adds one grid cell (spacing²) to the white area, the edges a little.
        const float pixelsPerUnit = PixelX(1.0f) - PixelX(0.0f);
        const double expected = double(count) * spacing * spacing * pixelsPerUnit * pixelsPerUnit;
        const auto white = static_cast<double>(std::count(pixels.begin(), pixels.end(), 0xFFFFFFFFu));
        EXPECT_NEAR(expected, white, expected * 0.05) << count << " particles";
        EXPECT_EQ(0xFF000000u, At(pixels, 3.4f, 3.4f)) << count << ": nothing outside the grid";
        std::cout << "Render of " << count << " particles: " << ms << " ms\n";
        RecordProperty("render_ms_" + std::to_string(count), std::to_string(ms));
    }
}

} // namespace
