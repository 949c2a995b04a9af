// Draws one after another: what changes between two draws must reach the second, whether it was set
// through the device, changed back, or disturbed by a clear, an upload or a reset in between.

#include "tests/platform/gfx/DrawFixture.h"

namespace GfxTesting
{
namespace
{

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;

// The sum of two registers far apart, so that a change to one must not lose the other.
constexpr const char* kRegisterPixelProgram = R"(
layout(std140) uniform PixelConstants { vec4 c[256]; };
in vec4 vColor;
in vec2 vTexCoord;
void main()
{
    FragmentColor = c[0] + c[200];
}
)";

// Integer register 0 as a colour of 0 .. 255.
constexpr const char* kIntegerPixelProgram = R"(
in vec4 vColor;
in vec2 vTexCoord;
void main()
{
    FragmentColor = vec4(PixelIntConstants[0]) / 255.0;
}
)";

class RepeatedDrawTest : public DrawFixture
{
protected:
    void SetUp() override
    {
        DrawFixture::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        std::string log;
        ASSERT_EQ(Ok, device->CreatePixelShader(kRegisterPixelProgram, &registerProgram, &log)) << log;
        for (Shader*& program : integerPrograms)
        {
            ASSERT_EQ(Ok, device->CreatePixelShader(kIntegerPixelProgram, &program, &log)) << log;
        }
    }

    void TearDown() override
    {
        for (Shader* program : {registerProgram, integerPrograms[0], integerPrograms[1]})
        {
            if (program)
            {
                program->Release();
            }
        }
        DrawFixture::TearDown();
    }

    // Draws the whole 2 × 2 target with the program and answers its top-left pixel.
    std::uint32_t DrawAll(Shader* program, std::uint32_t color = kWhite)
    {
        EXPECT_EQ(Ok, DrawQuad(-0.5f, -0.5f, 1.5f, 1.5f, 0.5f, color, program));
        return Pixels(target)[0];
    }

    void SetRegister(std::uint32_t index, std::uint32_t argb)
    {
        const float value[4] = {static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                                static_cast<float>((argb >> 8) & 0xFF) / 255.0f,
                                static_cast<float>(argb & 0xFF) / 255.0f,
                                static_cast<float>(argb >> 24) / 255.0f};
        ASSERT_EQ(Ok, device->SetPixelShaderConstantF(index, value, 1));
    }

    void SetInteger(std::uint32_t argb)
    {
        const std::int32_t value[4] = {static_cast<std::int32_t>((argb >> 16) & 0xFF),
                                       static_cast<std::int32_t>((argb >> 8) & 0xFF),
                                       static_cast<std::int32_t>(argb & 0xFF),
                                       static_cast<std::int32_t>(argb >> 24)};
        ASSERT_EQ(Ok, device->SetPixelShaderConstantI(0, value, 1));
    }

    Shader* registerProgram = nullptr;
    Shader* integerPrograms[2] = {};
};

TEST_F(RepeatedDrawTest, ConstantsChangedBetweenDrawsReachTheNextDraw)
{
    UseTarget(2, 2, kBlack);
    struct Step
    {
        std::uint32_t index;
        std::uint32_t value;
        std::uint32_t expected;
    };
    const Step registerSteps[] = {
        {0, kRed, kRed},
        {200, kBlue, 0xFFFF00FFu}, // the high register joins the low one
        {0, 0, kBlue},             // the low one goes, the high one stays
        {200, 0, 0},
        {200, kGreen, kGreen}, // back to a value the buffer held before
    };
    for (const Step& step : registerSteps)
    {
        SetRegister(step.index, step.value);
        EXPECT_EQ(step.expected, DrawAll(registerProgram)) << "register " << step.index << std::hex << " = "
                                                           << step.value;
    }

    // Two programs read the same integer register: each must see its latest value, whichever program
    // drew last with an older one.
    const struct
    {
        std::uint32_t value;
        int program;
    } integerSteps[] = {{kRed, 0}, {kRed, 1}, {kGreen, 1}, {kGreen, 0}, {kRed, 0}, {kRed, 1}};
    for (const auto& step : integerSteps)
    {
        SetInteger(step.value);
        EXPECT_EQ(step.value, DrawAll(integerPrograms[step.program]))
            << "program " << step.program << std::hex << " value " << step.value;
    }
}

TEST_F(RepeatedDrawTest, StatesToggledBackAndForthAndClearsBetweenDraws)
{
    UseTarget(2, 2, kBlack);
    // Red only, then the same draw after a clear, which writes every channel itself.
    device->SetRenderState(RenderState::ColorWriteEnable, 1);
    EXPECT_EQ(kRed, DrawAll(colourProgram));
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, kBlack, 1.0f, 0));
    EXPECT_EQ(kRed, DrawAll(colourProgram));
    device->SetRenderState(RenderState::ColorWriteEnable, 0xF);
    EXPECT_EQ(kWhite, DrawAll(colourProgram));

    // Blending on, off and on again over blue.
    const struct
    {
        std::uint32_t blend;
        std::uint32_t expected;
    } blendSteps[] = {{1, 0xBF80007Fu}, {0, 0x80FF0000u}, {1, 0xBF80007Fu}};
    device->SetRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    device->SetRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    for (const auto& step : blendSteps)
    {
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, kBlue, 1.0f, 0));
        device->SetRenderState(RenderState::AlphaBlendEnable, step.blend);
        const std::uint32_t got = DrawAll(colourProgram, 0x80FF0000u);
        EXPECT_TRUE(NearColor(step.expected, got)) << "blend " << step.blend << std::hex << ": " << got;
    }
    device->SetRenderState(RenderState::AlphaBlendEnable, 0);

    // The scissor test holds for a second draw after a clear, which scissors by itself and stops.
    const Rect scissor{1, 1, 2, 2};
    device->SetScissorRect(&scissor);
    device->SetRenderState(RenderState::ScissorTestEnable, 1);
    for (int pass = 0; pass < 2; ++pass)
    {
        device->SetRenderState(RenderState::ScissorTestEnable, 0);
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, kBlack, 1.0f, 0));
        device->SetRenderState(RenderState::ScissorTestEnable, 1);
        DrawAll(colourProgram, kGreen);
        EXPECT_EQ((std::vector<std::uint32_t>{kBlack, kBlack, kBlack, kGreen}), Pixels(target)) << pass;
    }
    EXPECT_EQ(Ok, SaveSurfaceToPng(target, OutputPath("repeated-draws-scissor.png")));
    device->SetRenderState(RenderState::ScissorTestEnable, 0);
}

TEST_F(RepeatedDrawTest, TextureStagesFollowUploadsAndDeletedTextures)
{
    UseTarget(2, 2, kBlack);
    Texture* red = MakeTexture(1, 1, {kRed});
    device->SetTexture(0, red);
    EXPECT_EQ(kRed, DrawAll(textureProgram));
    // Filling another texture binds it for the upload; the stage must still read its own.
    Texture* green = MakeTexture(1, 1, {kGreen});
    EXPECT_EQ(kRed, DrawAll(textureProgram));
    // A texture made after one is deleted may get its name; drawn with, it must be bound again.
    device->SetTexture(0, nullptr);
    red->Release();
    Texture* blue = MakeTexture(1, 1, {kBlue});
    device->SetTexture(0, blue);
    EXPECT_EQ(kBlue, DrawAll(textureProgram));
    device->SetTexture(0, green);
    EXPECT_EQ(kGreen, DrawAll(textureProgram));
    device->SetTexture(0, blue);
    EXPECT_EQ(kBlue, DrawAll(textureProgram));
    device->SetTexture(0, nullptr);
    green->Release();
    blue->Release();
}

TEST_F(RepeatedDrawTest, AfterAResetDrawsSeeTheDefaultConstantsAndStates)
{
    UseTarget(2, 2, kBlack);
    SetRegister(0, kRed);
    SetInteger(kWhite);
    EXPECT_EQ(kRed, DrawAll(registerProgram));
    device->SetRenderState(RenderState::ColorWriteEnable, 2); // green only
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, kBlack, 1.0f, 0));
    EXPECT_EQ(kGreen, DrawAll(integerPrograms[0]));

    target->Release();
    target = nullptr;
    PresentParameters record = Record(windows[0], 64, 64);
    ASSERT_EQ(Ok, device->Reset(&record));
    UseTarget(2, 2, kBlue);
    EXPECT_EQ(0u, DrawAll(registerProgram));
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, kBlue, 1.0f, 0));
    EXPECT_EQ(0u, DrawAll(integerPrograms[0]));
    EXPECT_EQ(kWhite, DrawAll(colourProgram));
}

} // namespace
} // namespace GfxTesting
