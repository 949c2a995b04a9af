#pragma once

#include "engine/DisplayHead.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "platform/Counter.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/SwapChain.h"
#include "platform/os/DebugOutput.h"
#include "tests/framework/ApplicationFixture.h"
#include "tests/framework/ColourNear.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace FrameworkTesting
{

using Pixels = std::vector<std::uint32_t>;

inline UILib::CWindowManager* RunningWindows()
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    return system != nullptr ? system->GetWindowManager() : nullptr;
}

// A screen of the tests. On its first activation it puts a full-size panel of white with alpha 0 into
// layer 0, so the picture below the windows shows through the layer root (opaque white otherwise); with
// `box`, a 100 × 60 panel of (200, 40, 40) at (20, 20) inside it.
class TestScreen : public GameLib::CUIScreen
{
public:
    TestScreen(std::string name, bool hidesScene, bool box, std::function<void(const std::string&)>* onUpdate)
        : m_name(std::move(name)), m_hidesScene(hidesScene), m_box(box), m_onUpdate(onUpdate)
    {}
    void Update() override
    {
        if (m_onUpdate != nullptr && *m_onUpdate)
        {
            (*m_onUpdate)(m_name);
        }
    }
    void OnActivate() override
    {
        UILib::CWindowManager* windows = RunningWindows();
        if (m_panelAdded || windows == nullptr || windows->GetLayerRoot(0) == nullptr)
        {
            return;
        }
        const BaseLib::CRect area = windows->GetLayerRoot(0)->GetClientRect();
        auto* panel = new UILib::CPanel();
        panel->SetSize(area.right - area.left, area.bottom - area.top);
        panel->SetColor(BaseLib::CColor(255, 255, 255, 0));
        windows->AddToLayer(panel, 0);
        if (m_box)
        {
            auto* box = new UILib::CPanel();
            box->SetSize(100, 60);
            box->SetPosition(20, 20);
            box->SetColor(BaseLib::CColor(200, 40, 40, 255));
            panel->AddChild(box->GetHandle());
        }
        m_panelAdded = true;
    }
    bool HidesScene() const override { return m_hidesScene; }
    // The panel belongs to layer 0 and goes with it.
    void Release() override { delete this; }

private:
    std::string m_name;
    bool m_hidesScene;
    bool m_box;
    std::function<void(const std::string&)>* m_onUpdate;
    bool m_panelAdded = false;
};

// The framework's controller with the tests' screens, or with the framework's own screens when
// `stockScreens` is set (then `firstScreen`, when given, becomes current after them); every framework slot
// kept.
class TestInterface : public GameLib::CUserInterface
{
public:
    struct Screen
    {
        std::string name;
        bool hidesScene = false;
        bool box = false;
    };

    using CUserInterface::CUserInterface;

    void CreateScreens() override
    {
        if (stockScreens)
        {
            CUserInterface::CreateScreens();
        }
        for (const Screen& screen : screens)
        {
            m_screenStateMachine->AddScreen(screen.name, new TestScreen(screen.name, screen.hidesScene, screen.box, &onScreenUpdate));
        }
        if (!firstScreen.empty())
        {
            m_screenStateMachine->SwitchTo(firstScreen);
        }
    }
    void Update() override
    {
        CUserInterface::Update();
        if (afterUpdate)
        {
            afterUpdate();
        }
    }
    void SuspendDrawing() { m_drawingSuspended = true; }

    std::vector<Screen> screens;
    bool stockScreens = false;
    std::string firstScreen;
    std::function<void(const std::string&)> onScreenUpdate;
    std::function<void()> afterUpdate;
};

// A framework world that counts its steps and lets the test look at each.
class CountingWorld : public GameLib::CWorld
{
public:
    using CWorld::CWorld;
    void Step(double stepLength) override
    {
        ++steps;
        if (onStep)
        {
            onStep();
        }
        CWorld::Step(stepLength);
    }
    void LoadLevel(const std::string& name) override
    {
        loadedLevels.push_back(name);
        CWorld::LoadLevel(name);
    }
    int steps = 0;
    std::vector<std::string> loadedLevels;
    std::function<void()> onStep;
};

// The test application with a counting world and the tests' controller, prepared by the test before
// its Initialize. Reads head 0's back buffer.
class ControllerApplication : public TestApplication
{
public:
    using TestApplication::TestApplication;

    void CreateGameObjects() override
    {
        calls.push_back("CreateGameObjects");
        GetPathAliases().RegisterPathAlias("interface", "media/interface");
        RegisterPathAliases();
        world = new CountingWorld(this);
        m_world = world;
        m_world->Initialize();
        ui = new TestInterface(this);
        if (prepare)
        {
            prepare(*ui);
        }
        m_userInterface = ui;
        m_userInterface->Initialize();
    }

    Pixels ReadBackBuffer()
    {
        Pixels pixels;
        Platform::Gfx::Surface* backBuffer = nullptr;
        if (m_heads.empty() || m_heads[0]->swapChain == nullptr ||
            Platform::Gfx::Failed(m_heads[0]->swapChain->GetBackBuffer(0, 0, &backBuffer)))
        {
            ADD_FAILURE() << "no back buffer";
            return pixels;
        }
        EXPECT_TRUE(Platform::Gfx::Succeeded(Platform::Gfx::ReadSurfacePixels(backBuffer, pixels)));
        backBuffer->Release();
        return pixels;
    }

    void OnDeviceReset() override
    {
        ++resets;
        TestApplication::OnDeviceReset();
    }
    // The test's aliases, after the default "interface".
    void RegisterPathAliases() override
    {
        for (const auto& [alias, folder] : aliases)
        {
            GetPathAliases().RegisterPathAlias(alias, folder);
        }
    }

    CountingWorld* world = nullptr;
    TestInterface* ui = nullptr;
    int resets = 0;
    std::map<std::string, std::string> aliases;
    std::function<void(TestInterface&)> prepare;
};

// Runs `frames` frames of 20 ms on a screen with a red box, optionally losing the device after frame
// `lossFrame` (SimulateDeviceLoss(2)); answers head 0's back buffer after the last frame, the resets
// and the trace.
struct LossRun
{
    Pixels pixels;
    int resets = 0;
    std::string trace;
};

inline LossRun RunWithLoss(int lossFrame, int frames, const std::function<void(ControllerApplication&)>& eachFrame,
                           const std::string& commandLine = "")
{
    LossRun run;
    ControllerApplication application(true, commandLine);
    application.quitAfter = frames;
    application.prepare = [](TestInterface& ui) {
        ui.screens = {{"plain", false, true}};
        ui.firstScreen = "plain";
    };
    application.onTick = [&](TestApplication& a) {
        Platform::AdvanceCounterOverride(Platform::CounterFrequency() / 50);
        if (eachFrame)
        {
            eachFrame(application);
        }
        if (a.ticks == lossFrame)
        {
            a.GetDevice()->SimulateDeviceLoss(2);
        }
        if (a.ticks == frames)
        {
            run.pixels = application.ReadBackBuffer();
        }
    };
    Platform::DebugOutputCapture trace;
    Qen::RunApplication(&application);
    run.resets = application.resets;
    run.trace = trace.Text();
    return run;
}

// Runs on a 320 × 240 windowed head with the counter under the test's control: each frame after the
// first lasts `frameTicks` unless the test advances the counter itself.
class ControllerRunTest : public ApplicationTest
{
protected:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    void SetUp() override
    {
        ApplicationTest::SetUp();
        WriteConfig();
    }

    static std::uint32_t At(const Pixels& pixels, int x, int y)
    {
        return pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] & 0xFFFFFF;
    }

    static ::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 2)
    {
        return ColourNear(actual, expected, tolerance);
    }

    // Every pixel near the colour.
    static ::testing::AssertionResult AllNear(const Pixels& pixels, std::uint32_t expected)
    {
        if (pixels.size() != static_cast<std::size_t>(kWidth) * kHeight)
        {
            return ::testing::AssertionFailure() << pixels.size() << " pixels";
        }
        for (std::size_t i = 0; i < pixels.size(); ++i)
        {
            ::testing::AssertionResult result = Near(pixels[i], expected);
            if (!result)
            {
                return result << " at (" << i % kWidth << ", " << i / kWidth << ")";
            }
        }
        return ::testing::AssertionSuccess();
    }

    static void WritePicture(const Pixels& pixels, const std::string& name)
    {
        const std::string folder = QUARROW_TEST_OUTPUT_DIR;
        std::filesystem::create_directories(folder);
        EXPECT_TRUE(Platform::Gfx::WritePng(folder + "/" + name, kWidth, kHeight, pixels, false));
    }

    Platform::CounterOverrideScope counter{1000000};
    const std::uint64_t second = Platform::CounterFrequency();
};

} // namespace FrameworkTesting
