#include "tests/platform/gfx/GfxFixture.h"
#include "tests/platform/gfxkit/EffectTestSupport.h"

#include "platform/gfx/Texture.h"

namespace EffectTesting
{
namespace
{

using namespace Platform::Gfx;

// Texture values need textures, and textures need a device.
class EffectTextureTest : public GfxTesting::GfxFixture
{
protected:
    void SetUp() override
    {
        MakeDevice();
        ASSERT_FALSE(HasFatalFailure());
        for (Texture*& texture : textures)
        {
            ASSERT_EQ(Ok,
                      device->CreateTexture(4, 4, 1, 0, Format::A8R8G8B8, Pool::Managed, &texture, nullptr));
        }
        ASSERT_EQ(Ok, device->CreateCubeTexture(4, 1, 0, Format::A8R8G8B8, Pool::Managed, &cube, nullptr));
        Made made = MakeEffect("float4 c;\nfloat f;\ntexture2D t;\ntexture any;\n");
        ASSERT_EQ(Ok, made.result) << made.messages;
        effect = made.effect;
    }

    void TearDown() override
    {
        if (effect)
        {
            EXPECT_EQ(0u, effect->Release());
        }
        for (Texture* texture : textures)
        {
            if (texture)
            {
                EXPECT_EQ(0u, texture->Release());
            }
        }
        if (cube)
        {
            EXPECT_EQ(0u, cube->Release());
        }
        GfxFixture::TearDown();
    }

    Texture* textures[2] = {};
    CubeTexture* cube = nullptr;
    Effect* effect = nullptr;
};

TEST_F(EffectTextureTest, SetTextureHoldsOneReferenceAndGivesItBack)
{
    ASSERT_EQ(Ok, effect->SetTexture("t", textures[0]));
    EXPECT_EQ(2u, textures[0]->RefCount());
    BaseTexture* got = nullptr;
    ASSERT_EQ(Ok, effect->GetTexture("t", &got));
    EXPECT_EQ(textures[0], got);
    EXPECT_EQ(3u, textures[0]->RefCount());
    got->Release();
    ASSERT_EQ(Ok, effect->SetTexture("t", textures[1]));
    EXPECT_EQ(1u, textures[0]->RefCount());
    EXPECT_EQ(2u, textures[1]->RefCount());

    // A cube texture fits `texture` but not `texture2D`, and a number parameter takes none.
    EXPECT_EQ(InvalidCall, effect->SetTexture("t", cube));
    EXPECT_EQ(Ok, effect->SetTexture("any", cube));
    EXPECT_EQ(InvalidCall, effect->SetTexture("c", textures[0]));
    EXPECT_EQ(2u, textures[1]->RefCount());
    EXPECT_EQ(1u, textures[0]->RefCount());
    EXPECT_EQ(Ok, effect->SetTexture("any", nullptr));
    EXPECT_EQ(1u, cube->RefCount());
}

TEST_F(EffectTextureTest, ParameterBlockPutsRecordedValuesBack)
{
    const float recorded[4] = {1, 2, 3, 4};
    ASSERT_EQ(Ok, effect->BeginParameterBlock());
    EXPECT_EQ(InvalidCall, effect->BeginParameterBlock());
    ASSERT_EQ(Ok, effect->SetVector("c", recorded));
    ASSERT_EQ(Ok, effect->SetFloat("f", 0.5f));
    ASSERT_EQ(Ok, effect->SetTexture("t", textures[0]));
    EffectHandle block = effect->EndParameterBlock();
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(nullptr, effect->EndParameterBlock());

    const float changed[4] = {9, 9, 9, 9};
    ASSERT_EQ(Ok, effect->SetVector("c", changed));
    ASSERT_EQ(Ok, effect->SetFloat("f", 7.0f));
    ASSERT_EQ(Ok, effect->SetTexture("t", textures[1]));
    ASSERT_EQ(Ok, effect->ApplyParameterBlock(block));
    float vector[4] = {};
    float f = 0;
    BaseTexture* texture = nullptr;
    ASSERT_EQ(Ok, effect->GetVector("c", vector));
    ASSERT_EQ(Ok, effect->GetFloat("f", &f));
    ASSERT_EQ(Ok, effect->GetTexture("t", &texture));
    EXPECT_EQ(3.0f, vector[2]);
    EXPECT_EQ(0.5f, f);
    EXPECT_EQ(textures[0], texture);
    texture->Release();

    // A block name is not a parameter, and a deleted block is refused.
    EXPECT_EQ(InvalidCall, effect->SetFloat(block, 1.0f));
    ASSERT_EQ(Ok, effect->DeleteParameterBlock(block));
    EXPECT_EQ(InvalidCall, effect->ApplyParameterBlock(block));
    EXPECT_EQ(InvalidCall, effect->DeleteParameterBlock(block));
    EXPECT_EQ(InvalidCall, effect->ApplyParameterBlock("c"));

    // A block still there when the effect goes gives its texture back with it.
    ASSERT_EQ(Ok, effect->BeginParameterBlock());
    ASSERT_EQ(Ok, effect->SetTexture("t", textures[1]));
    ASSERT_NE(nullptr, effect->EndParameterBlock());
}

} // namespace
} // namespace EffectTesting
