#include "framework/StateMachine.h"
#include "framework/UIScreen.h"
#include "platform/os/DebugOutput.h"
#include "tests/ui/UiFixture.h"
#include "tests/ui/support/MemoryCanvas.h"
#include "ui/Clock.h"
#include "ui/TextureCanvas.h"
#include "ui/UILibSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{

using GameLib::CStateMachine;
using GameLib::CUIScreen;
using GameLib::CUIScreenStateMachine;

// A screen that writes "<name> <event>" into a shared log and runs a test's action in its update.
class RecordingScreen : public CUIScreen
{
public:
    RecordingScreen(std::string name, std::vector<std::string>& log) : m_name(std::move(name)), m_log(log) {}

    void Update() override
    {
        m_log.push_back(m_name + " update");
        if (onUpdate)
        {
            onUpdate();
        }
    }
    void OnActivate() override { m_log.push_back(m_name + " activate"); }
    void OnDeactivate() override
    {
        m_log.push_back(m_name + " deactivate, next " + GetOwner()->GetNextScreenName());
    }
    void DrawOverlay() override { m_log.push_back(m_name + " overlay"); }
    void Release() override
    {
        m_log.push_back(m_name + " released");
        delete this;
    }

    std::function<void()> onUpdate;

private:
    std::string m_name;
    std::vector<std::string>& m_log;
};

class ScreenMachineTest : public ::testing::Test
{
protected:
    ScreenMachineTest()
    {
        for (const char* name : {"menu", "loading", "ingame"})
        {
            screens[name] = new RecordingScreen(name, log);
            machine->AddScreen(name, screens[name]);
        }
    }

    // The log since the last call.
    std::vector<std::string> Take() { return std::exchange(log, {}); }

    std::vector<std::string> log;
    std::unique_ptr<CUIScreenStateMachine> machine = std::make_unique<CUIScreenStateMachine>(nullptr);
    std::map<std::string, RecordingScreen*> screens;
};

TEST_F(ScreenMachineTest, ASwitchOutsideAnUpdateHappensAtOnce)
{
    EXPECT_EQ(machine->FindScreen("menu"), screens["menu"]);
    EXPECT_EQ(screens["menu"]->GetOwner(), machine.get());
    EXPECT_EQ(machine->FindScreen("shutdown"), nullptr);
    EXPECT_EQ(machine->FindScreen("nothing"), nullptr);
    EXPECT_FALSE(machine->SwitchTo("nothing"));
    EXPECT_EQ(machine->GetCurrentScreenName(), "");

    ASSERT_TRUE(machine->SwitchTo("menu"));
    ASSERT_TRUE(machine->SwitchTo("loading"));
    EXPECT_EQ(machine->GetCurrentScreen(), screens["loading"]);
    EXPECT_EQ(machine->GetPreviousScreenName(), "menu");
    EXPECT_FALSE(machine->SwitchTo("Menu")) << "names are case-sensitive";
    EXPECT_EQ(machine->GetCurrentScreenName(), "loading");
    EXPECT_EQ(machine->GetPreviousScreenName(), "menu");
    // Switching to the current screen leaves and enters it again.
    ASSERT_TRUE(machine->SwitchTo("loading"));
    EXPECT_EQ(Take(), (std::vector<std::string>{"menu activate", "menu deactivate, next loading", "loading activate",
                                                 "loading deactivate, next loading", "loading activate"}));
    EXPECT_EQ(machine->GetNextScreenName(), "");

    machine->DrawCurrentOverlay(1);
    EXPECT_EQ(Take(), (std::vector<std::string>{"loading overlay"}));
}

TEST_F(ScreenMachineTest, ASwitchDuringAnUpdateWaitsForItAndTheNewScreenUpdatesInTheSameFrame)
{
    machine->SwitchTo("menu");
    Take();
    screens["menu"]->onUpdate = [this] {
        machine->SwitchTo("ingame");
        log.push_back("still menu: " + machine->GetCurrentScreenName());
        machine->SwitchTo("loading"); // replaces the first request
    };
    screens["loading"]->onUpdate = [this] { machine->SwitchTo("ingame"); };
    machine->UpdateCurrentScreen();
    EXPECT_EQ(Take(), (std::vector<std::string>{"menu update", "still menu: menu", "menu deactivate, next loading",
                                                 "loading activate", "loading update",
                                                 "loading deactivate, next ingame", "ingame activate",
                                                 "ingame update"}));
    EXPECT_EQ(machine->GetCurrentScreenName(), "ingame");
    EXPECT_EQ(machine->GetPreviousScreenName(), "loading");
    machine->UpdateCurrentScreen();
    EXPECT_EQ(Take(), (std::vector<std::string>{"ingame update"}));
}

TEST_F(ScreenMachineTest, SwitchingToShutdownLeavesNoScreenToUpdate)
{
    machine->SwitchTo("menu");
    screens["menu"]->onUpdate = [this] { machine->SwitchTo("shutdown"); };
    Take();
    machine->UpdateCurrentScreen();
    EXPECT_EQ(Take(), (std::vector<std::string>{"menu update", "menu deactivate, next shutdown"}));
    EXPECT_EQ(machine->GetCurrentScreenName(), "shutdown");
    EXPECT_EQ(machine->GetPreviousScreenName(), "menu");
    EXPECT_EQ(machine->GetCurrentScreen(), nullptr);
    machine->UpdateCurrentScreen();
    machine->DrawCurrentOverlay(0);
    EXPECT_TRUE(Take().empty());
}

TEST_F(ScreenMachineTest, AScreenUnderTwoNamesIsReleasedOnce)
{
    machine->AddScreen("mainmenu", screens["menu"]);
    machine->AddScreen("empty", nullptr);
    EXPECT_TRUE(machine->SwitchTo("empty"));
    EXPECT_EQ(machine->GetCurrentScreen(), nullptr);
    Take();
    machine.reset();
    std::sort(log.begin(), log.end());
    EXPECT_EQ(log, (std::vector<std::string>{"ingame released", "loading released", "menu released"}));
}

// Writes "<event> <state>" for the callbacks of the state machine.
struct Flow
{
    void EnterA() { log.push_back("enter A"); }
    void UpdateA() { log.push_back("update A"); }
    void LeaveA() { log.push_back("leave A"); }
    void UpdateB() { log.push_back("update B"); }
    void EnterB2() { log.push_back("enter B2"); }
    void UpdateB2() { log.push_back("update B2"); }
    std::vector<std::string> log;
};

TEST(StateMachineTest, StatesAreLeftAndEnteredAndALaterRecordReplacesTheEarlier)
{
    Flow flow;
    CStateMachine states;
    states.UpdateState(); // no state yet: nothing
    EXPECT_EQ(states.GetCurrentState(), nullptr);
    EXPECT_EQ(states.GetCurrentStateName(), "");

    states.AddState("A", &flow, &Flow::EnterA, &Flow::UpdateA, &Flow::LeaveA);
    states.AddState("B", &flow, &Flow::UpdateB);
    states.SetState("A");
    states.UpdateState();
    states.SetState("A");
    states.SetState("B");
    states.UpdateState();
    EXPECT_EQ(flow.log, (std::vector<std::string>{"enter A", "update A", "leave A", "enter A", "leave A", "update B"}));
    EXPECT_EQ(states.GetCurrentState(), states.FindState("B"));
    EXPECT_EQ(states.GetCurrentStateName(), "B");

    // The current state replaced: the new record is current and its callbacks run.
    flow.log.clear();
    states.AddState("B", &flow, &Flow::EnterB2, &Flow::UpdateB2);
    EXPECT_EQ(states.GetCurrentState(), states.FindState("B"));
    states.UpdateState();
    states.SetState("B");
    EXPECT_EQ(flow.log, (std::vector<std::string>{"update B2", "enter B2"}));
}

TEST(StateMachineTest, AnUnknownStateIsTracedAndChangesNothing)
{
    Flow flow;
    CStateMachine states;
    states.AddState("A", &flow, &Flow::EnterA, &Flow::UpdateA, &Flow::LeaveA);
    states.SetState("A");
    flow.log.clear();
    Platform::DebugOutputCapture trace;
    states.SetState("Missing");
    EXPECT_EQ(trace.Text(), "Error: StateMachine has no state 'Missing'\n");
    states.UpdateState();
    EXPECT_EQ(flow.log, (std::vector<std::string>{"update A"}));
    EXPECT_EQ(states.GetCurrentStateName(), "A");
}

// The window system started, with memory canvases and the window-system clock held by the test.
class LayerAnimationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UILib::SetTimeOverride(10.0);
        UILib::CUILibSystem::CreateInstance();
        ASSERT_NE(UILib::CUILibSystem::GetInstance(), nullptr);
        manager = UILib::CUILibSystem::GetInstance()->GetWindowManager();
        ASSERT_NE(manager, nullptr);
        manager->SetCanvasFactory(&UiTestSupport::CMemoryTextureCanvas::Make);
    }
    void TearDown() override
    {
        UILib::CUILibSystem::DestroyInstance();
        UILib::SetTimeOverride(-1.0);
    }

    UILib::CWindow* Layer(bool ownCanvas)
    {
        auto* root = new UiTest::CTestWindow("root");
        root->SetSize(32, 32);
        manager->AddLayer(root);
        root->SetOwnCanvas(ownCanvas);
        return root;
    }

    UILib::CWindowManager* manager = nullptr;
};

TEST_F(LayerAnimationTest, ALayerFadingItsCanvasAnimatesUntilTheFadeEnds)
{
    EXPECT_FALSE(GameLib::IsAnyLayerAnimating()) << "no layer";
    EXPECT_EQ(GameLib::GetFirstLayerCanvas(), nullptr);

    Layer(false);
    UILib::CWindow* faded = Layer(true);
    auto* canvas = dynamic_cast<UILib::CTextureCanvas*>(faded->GetCanvas(false));
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(GameLib::GetFirstLayerCanvas(), nullptr) << "layer 0 has no canvas of its own";
    EXPECT_FALSE(GameLib::IsAnyLayerAnimating());

    canvas->FadeBrightnessTo(0.0f, 0.5f);
    EXPECT_TRUE(GameLib::IsAnyLayerAnimating());
    UILib::SetTimeOverride(10.25);
    EXPECT_TRUE(GameLib::IsAnyLayerAnimating());
    EXPECT_NEAR(canvas->GetBrightness(), 0.5f, 0.01f) << "advanced to the window-system time";
    UILib::SetTimeOverride(10.6);
    GameLib::IsAnyLayerAnimating(); // the call in which the fade finishes
    EXPECT_FALSE(GameLib::IsAnyLayerAnimating());
    EXPECT_EQ(canvas->GetBrightness(), 0.0f);
}

TEST_F(LayerAnimationTest, TheFirstAnimatingLayerAnswersAndLaterLayersWait)
{
    UILib::CWindow* first = Layer(true);
    UILib::CWindow* second = Layer(true);
    auto* firstCanvas = dynamic_cast<UILib::CTextureCanvas*>(first->GetCanvas(false));
    auto* secondCanvas = dynamic_cast<UILib::CTextureCanvas*>(second->GetCanvas(false));
    ASSERT_NE(firstCanvas, nullptr);
    ASSERT_NE(secondCanvas, nullptr);
    EXPECT_EQ(GameLib::GetFirstLayerCanvas(), firstCanvas);
    firstCanvas->FadeBrightnessTo(0.0f, 1.0f);
    secondCanvas->FadeBrightnessTo(0.0f, 1.0f);
    UILib::SetTimeOverride(10.5);
    EXPECT_TRUE(GameLib::IsAnyLayerAnimating());
    EXPECT_NEAR(firstCanvas->GetBrightness(), 0.5f, 0.01f);
    EXPECT_EQ(secondCanvas->GetBrightness(), 1.0f) << "not advanced in that call";
}

TEST_F(LayerAnimationTest, AScreenFrameRunsTheWindowSystemsPassesFirst)
{
    UILib::CWindow* root = Layer(false);
    const UILib::Handle handle = root->GetHandle();
    root->Destroy();
    ASSERT_NE(manager->Resolve(handle), nullptr) << "waits for the deletion pass";
    std::vector<std::string> frames;
    auto* screen = new RecordingScreen("menu", frames);
    screen->onUpdate = [&] { frames.push_back(manager->Resolve(handle) == nullptr ? "deleted" : "alive"); };
    CUIScreenStateMachine machine(nullptr);
    machine.AddScreen("menu", screen);
    machine.SwitchTo("menu");
    machine.UpdateCurrentScreen();
    EXPECT_EQ(frames, (std::vector<std::string>{"menu activate", "menu update", "deleted"}));
}

TEST(LayerAnimationAloneTest, WithoutAWindowSystemNothingAnimatesAndMessagesAreAnswered)
{
    ASSERT_EQ(UILib::CUILibSystem::GetInstance(), nullptr);
    EXPECT_FALSE(GameLib::IsAnyLayerAnimating());
    EXPECT_EQ(GameLib::GetFirstLayerCanvas(), nullptr);
    EXPECT_TRUE(GameLib::ForwardWindowMessage(nullptr, 0x0200, 0, 0));
    CUIScreenStateMachine machine(nullptr);
    machine.UpdateCurrentScreen();
}

} // namespace
