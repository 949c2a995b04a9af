#include "framework/CommandQueue.h"
#include "framework/InputChannel.h"
#include "framework/InputManager.h"
#include "platform/Counter.h"
#include "platform/os/Cursor.h"
#include "tests/framework/ApplicationFixture.h"

#include <map>

namespace FrameworkTesting
{
namespace
{

// The framework's own world and controller, made without starting the engine.
class ControllerTest : public ApplicationTest
{
protected:
    void Start(TestApplication& application)
    {
        application.recordGameObjects = false;
        application.LoadConfiguration();
        application.ParseCommandLine();
        application.CreateGameObjects();
    }
};

TEST_F(ControllerTest, InitializeRegistersItsKeysBindsBothContextsAndHidesTheCursor)
{
    TestApplication application;
    const int cursorBefore = Platform::CursorDisplayCount();
    Start(application);
    GameLib::CUserInterface* ui = application.GetUserInterface();
    GameLib::CInputManager* input = ui->GetInputManager();
    ASSERT_NE(nullptr, input);
    const std::map<std::string, std::size_t> gui = {
        {"quit", 1},      {"menu", 1},         {"enter", 3},      {"right", 2},       {"left", 2},
        {"up", 2},        {"down", 2},         {"anybutton", 2},  {"showdebuggui", 1}, {"screenshot", 1},
        {"recordvideo", 1}, {"editor", 1}};
    const std::map<std::string, std::size_t> game = {
        {"right", 3}, {"left", 3}, {"forward", 3}, {"backward", 3}, {"action", 2}};
    for (const auto& [context, actions] : {std::make_pair(std::string("gui"), gui), std::make_pair(std::string("game"), game)})
    {
        for (const auto& [name, count] : actions)
        {
            const GameLib::CInputAction* action = input->FindAction(name, context);
            ASSERT_NE(nullptr, action) << context << "/" << name;
            EXPECT_EQ(count, action->GetBindings().size()) << context << "/" << name;
        }
    }
    EXPECT_EQ(input, application.GetWorld()->GetInputChannel()->GetInputManager());
    EXPECT_EQ("game", application.GetWorld()->GetInputChannel()->GetContextName());
    BaseLib::CConfigFile* config = application.GetConfiguration();
    EXPECT_EQ("level>start.level.xml", config->GetString("startup/level"));
    EXPECT_EQ("game", config->GetString("startup/mode"));
    EXPECT_TRUE(config->SetString("startup/mode", "single_level"));
    EXPECT_FALSE(config->SetString("startup/mode", "other"));
    EXPECT_LT(Platform::CursorDisplayCount(), 0);
    EXPECT_FALSE(ui->IsCursorShown());
    ui->SetCursorVisible(true);
    EXPECT_GE(Platform::CursorDisplayCount(), 0);
    EXPECT_TRUE(ui->IsCursorShown());
    application.DestroyGameObjects();
    while (Platform::CursorDisplayCount() < cursorBefore)
    {
        Platform::ShowCursor(true);
    }
    while (Platform::CursorDisplayCount() > cursorBefore)
    {
        Platform::ShowCursor(false);
    }
}

TEST_F(ControllerTest, ShutdownLeavesTheWorldsChannelNoDeletedInputManager)
{
    TestApplication application;
    Start(application);
    GameLib::CInputChannel* channel = application.GetWorld()->GetInputChannel();
    ASSERT_NE(nullptr, channel->GetInputManager());
    // The world is shut down after the controller and may still read its channel then.
    application.GetUserInterface()->Shutdown();
    EXPECT_EQ(nullptr, channel->GetInputManager());
    application.DestroyGameObjects();
}

TEST_F(ControllerTest, DeveloperKeysPostWorldCommandsOnlyInDeveloperMode)
{
    for (const bool developer : {true, false})
    {
        TestApplication application(true, developer ? "-devmode 1" : "");
        Start(application);
        GameLib::CUserInterface* ui = application.GetUserInterface();
        GameLib::CCommandQueue* queue = application.GetWorld()->GetCommandQueue();
        struct Case
        {
            std::uint32_t key;
            const char* command;
            const char* argument;
        };
        const Case cases[] = {{33, "SetSimTimeFactor", "5.0"},
                              {34, "SetSimTimeFactor", "0.2"},
                              {36, "SetSimTimeFactor", "1.0"},
                              {113, "ToggleWireframe", ""}};
        for (const Case& c : cases)
        {
            EXPECT_EQ(!developer, ui->OnKeyDown(c.key)) << c.key;
            GameLib::TCommand command;
            EXPECT_EQ(developer, queue->TakeCommand(c.command, &command)) << c.key;
            if (developer)
            {
                EXPECT_EQ(c.argument, command.argument) << c.key;
            }
        }
        EXPECT_TRUE(ui->OnKeyDown(0x41));
        EXPECT_TRUE(queue->IsEmpty());
        application.DestroyGameObjects();
    }
}

// Sets the time step a frame would have measured.
class SteppedInterface : public GameLib::CUserInterface
{
public:
    using CUserInterface::CUserInterface;
    void SetStep(double seconds) { m_timeStep = seconds; }
};

TEST_F(ControllerTest, TheFrameRateIsAnAverageWeightingTheNewestFrameOneSixtieth)
{
    TestApplication application;
    SteppedInterface ui(&application);
    EXPECT_EQ(30.0f, ui.GetFrameRate());
    ui.SetStep(0.1);
    ui.UpdateFrameRate();
    EXPECT_EQ(static_cast<float>(1.0 / ((1.0 / 30.0f) * 0.98333335f + 0.1 / 60.0)), ui.GetFrameRate());
}

} // namespace
} // namespace FrameworkTesting

namespace FrameworkTesting
{
namespace
{

TEST_F(ControllerTest, TheTimeStepIsTheFrameTimeCappedAtHalfASecondAndZeroAfterAReset)
{
    Platform::CounterOverrideScope counter(1000000);
    const std::uint64_t second = Platform::CounterFrequency();
    TestApplication application;
    Start(application);
    GameLib::CUserInterface* ui = application.GetUserInterface();
    ui->Update(); // starts the frame timer
    EXPECT_EQ(0.0, ui->GetTimeStep());
    struct Case
    {
        std::uint64_t ticks;
        bool reset;
        double step;
    };
    const Case cases[] = {{second / 4, false, 0.25}, {second * 2, false, 0.5}, {second / 10, true, 0.0},
                          {second / 10, false, 0.1}};
    for (const Case& c : cases)
    {
        if (c.reset)
        {
            ui->ResetTimeStep();
        }
        Platform::AdvanceCounterOverride(c.ticks);
        ui->Update();
        EXPECT_NEAR(c.step, ui->GetTimeStep(), 1e-9) << c.ticks;
    }
    application.DestroyGameObjects();
}

} // namespace
} // namespace FrameworkTesting
