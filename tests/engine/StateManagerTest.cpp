#include "tests/engine/EngineFixture.h"

#include "engine/DeviceStateMgr.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/Texture.h"

#include <array>

namespace EngineTesting
{
namespace
{

class StateManagerTest : public EngineFixture
{
protected:
    void SetUp() override
    {
        MakeGraphics();
        UseHeads(1, 64, 48, true);
        ASSERT_TRUE(settings.CreateDevice(controller, reporter, graphics, &device));
        controller.InitEngine(device, graphics);
        states = controller.GetStateManager();
        ASSERT_NE(nullptr, states);
    }

    Qen::CDeviceStateMgr* states = nullptr;
};

TEST_F(StateManagerTest, RenderStatesReachTheDeviceOnlyWhenTheyChangeOrAfterAnInvalidation)
{
    const std::uint64_t before = device->Counters().renderStates;
    EXPECT_EQ(Ok, states->SetRenderState(RenderState::ZEnable, 0));
    EXPECT_EQ(before + 1, device->Counters().renderStates);
    EXPECT_EQ(Ok, states->SetRenderState(RenderState::ZEnable, 0));
    EXPECT_EQ(before + 1, device->Counters().renderStates);
    EXPECT_EQ(Ok, states->SetRenderState(RenderState::ZEnable, 1));
    EXPECT_EQ(before + 2, device->Counters().renderStates);
    states->InvalidateCache();
    EXPECT_EQ(Ok, states->SetRenderState(RenderState::ZEnable, 1));
    EXPECT_EQ(before + 3, device->Counters().renderStates);
    // Beyond the cached states the call passes through with the device's own answer.
    EXPECT_EQ(InvalidCall, states->SetRenderState(RenderStateCount, 1));
    EXPECT_EQ(InvalidCall, states->SetRenderState(RenderStateCount, 1));
    EXPECT_EQ(before + 5, device->Counters().renderStates);
}

TEST_F(StateManagerTest, TheSameTextureTwiceIsOneDeviceCallAndOneCountedChange)
{
    Texture* texture = nullptr;
    ASSERT_EQ(Ok, device->CreateTexture(4, 4, 1, 0, Format::A8R8G8B8, Pool::Managed, &texture, nullptr));
    const std::uint64_t before = device->Counters().textures;
    const std::uint32_t changes = controller.GetStatistics().counters[Qen::CEngineStatistics::TextureChanges];
    EXPECT_EQ(Ok, states->SetTexture(0, texture));
    EXPECT_EQ(Ok, states->SetTexture(0, texture));
    EXPECT_EQ(before + 1, device->Counters().textures);
    EXPECT_EQ(changes + 1, controller.GetStatistics().counters[Qen::CEngineStatistics::TextureChanges]);
    EXPECT_EQ(Ok, states->SetTexture(0, nullptr));
    texture->Release();
}

TEST_F(StateManagerTest, FloatConstantsAreComparedAsABlockAndSentWhole)
{
    std::array<float, 8> block = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::uint64_t before = device->Counters().constants;
    EXPECT_EQ(Ok, states->SetVertexShaderConstantF(10, block.data(), 2));
    EXPECT_EQ(Ok, states->SetVertexShaderConstantF(10, block.data(), 2));
    EXPECT_EQ(before + 1, device->Counters().constants);
    block[7] = 9;
    EXPECT_EQ(Ok, states->SetVertexShaderConstantF(10, block.data(), 2));
    EXPECT_EQ(before + 2, device->Counters().constants);
    std::array<float, 8> held{};
    ASSERT_EQ(Ok, device->GetVertexShaderConstantF(10, held.data(), 2));
    EXPECT_EQ(block, held);
}

TEST_F(StateManagerTest, APixelBlockRunningPastTheCacheKeepsTheCachedPartTrue)
{
    std::array<float, 16> a{};
    std::array<float, 32> b{};
    a.fill(1.0f);
    b.fill(2.0f);
    EXPECT_EQ(Ok, states->SetPixelShaderConstantF(60, a.data(), 4));
    EXPECT_EQ(Ok, states->SetPixelShaderConstantF(60, b.data(), 8));
    const std::uint64_t before = device->Counters().constants;
    EXPECT_EQ(Ok, states->SetPixelShaderConstantF(60, a.data(), 4));
    EXPECT_EQ(before + 1, device->Counters().constants);
    std::array<float, 32> held{};
    ASSERT_EQ(Ok, device->GetPixelShaderConstantF(60, held.data(), 8));
    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ(1.0f, held[i]) << i;
    }
    for (int i = 16; i < 32; ++i)
    {
        EXPECT_EQ(2.0f, held[i]) << i;
    }
}

TEST_F(StateManagerTest, ARealFvfChangeMarksTheDeclarationUnknown)
{
    states->CachedDeclaration() = nullptr;
    EXPECT_EQ(Ok, states->SetFVF(0x102));
    EXPECT_EQ(Qen::CDeviceStateMgr::UnknownDeclaration(), states->CachedDeclaration());
    states->CachedDeclaration() = nullptr;
    EXPECT_EQ(Ok, states->SetFVF(0x102));
    EXPECT_EQ(nullptr, states->CachedDeclaration());
}

TEST_F(StateManagerTest, StreamSourcesAreFilteredByTheWholeTriple)
{
    VertexBuffer* buffer = nullptr;
    ASSERT_EQ(Ok, device->CreateVertexBuffer(64, 0, 0, Pool::Managed, &buffer, nullptr));
    const std::uint64_t before = device->Counters().streamSources;
    EXPECT_EQ(Ok, states->SetStreamSource(0, buffer, 0, 16));
    EXPECT_EQ(Ok, states->SetStreamSource(0, buffer, 0, 16));
    EXPECT_EQ(Ok, states->SetStreamSource(0, buffer, 0, 32));
    EXPECT_EQ(before + 2, device->Counters().streamSources);
    EXPECT_EQ(Ok, states->SetStreamSource(0, nullptr, 0, 0));
    buffer->Release();
}

TEST_F(StateManagerTest, OnlyTheStateManagerIdentifierIsAnsweredAndWithoutACount)
{
    void* out = nullptr;
    EXPECT_EQ(NoInterface, states->QueryInterface(Platform::GfxKit::UnknownInterfaceId, &out));
    EXPECT_EQ(nullptr, out);
    const std::uint32_t count = states->RefCount();
    EXPECT_EQ(Ok, states->QueryInterface(Platform::GfxKit::EffectStateManagerId, &out));
    EXPECT_EQ(static_cast<Platform::GfxKit::EffectStateManager*>(states), out);
    EXPECT_EQ(count, states->RefCount());
    EXPECT_EQ(count + 1, states->AddRef());
    EXPECT_EQ(count, states->Release());
}

TEST_F(StateManagerTest, CacheEntriesStartAsThePatternAndAreRefilledOnInvalidation)
{
    EXPECT_EQ(Qen::CDeviceStateMgr::SoftwareProcessingUnknown, states->CachedSoftwareProcessing());
    states->CachedSoftwareProcessing() = Qen::CDeviceStateMgr::SoftwareProcessingOn;
    states->CachedIndexBuffer() = nullptr;
    states->CachedRenderTarget() = nullptr;
    states->InvalidateCache();
    EXPECT_EQ(Qen::CDeviceStateMgr::SoftwareProcessingUnknown, states->CachedSoftwareProcessing());
    EXPECT_NE(nullptr, states->CachedIndexBuffer());
    EXPECT_NE(nullptr, states->CachedRenderTarget());
}

} // namespace
} // namespace EngineTesting
