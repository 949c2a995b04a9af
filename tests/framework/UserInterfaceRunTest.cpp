#include "framework/DebugStatistics.h"
#include "framework/QenUILibCanvas.h"
#include "platform/os/Cursor.h"
#include "platform/os/DebugOutput.h"
#include "tests/framework/ControllerRunFixture.h"
#include "tests/framework/PictureFile.h"
#include "tests/ui/UiFixture.h"
#include "sound/SoundDeviceRegistry.h"
#include "ui/BitmapFactory.h"

#include <tinyxml.h>

#include <algorithm>

namespace FrameworkTesting
{
namespace
{

// The values of the configuration file, by slash-separated key; "" for a missing one.
std::string ConfigValue(const std::string& file, const std::string& key)
{
    TiXmlDocument document;
    if (!document.LoadFile(file.c_str()))
    {
        return "";
    }
    const TiXmlElement* element = document.RootElement();
    std::size_t start = 0;
    while (element != nullptr && start <= key.size())
    {
        const std::size_t end = std::min(key.find('/', start), key.size());
        element = element->FirstChildElement(key.substr(start, end - start).c_str());
        start = end + 1;
    }
    if (element == nullptr)
    {
        return "";
    }
    if (const TiXmlElement* cx = element->FirstChildElement("cx"))
    {
        const TiXmlElement* cy = element->FirstChildElement("cy");
        return std::string(cx->GetText()) + "x" + (cy != nullptr && cy->GetText() != nullptr ? cy->GetText() : "");
    }
    return element->GetText() != nullptr ? element->GetText() : "";
}

TEST_F(ControllerRunTest, StartMakesOneCanvasLayerOfTheHeadsSizeAndWritesEveryKeyBack)
{
    // The file asks for full screen, which the command line overrides for this run only. Its start mode
    // belongs to a key the controller registers after the application has rewritten the file.
    std::ofstream("config.xml") << "<configuration><application><windowsize><cx>320</cx><cy>240</cy></windowsize>"
                                   "<fullscreen>true</fullscreen></application><graphic><antialiasing>off"
                                   "</antialiasing></graphic><sound><soundenabled>false</soundenabled></sound>"
                                   "<startup><mode>single_level</mode></startup></configuration>\n";
    ControllerApplication application(true, "-fullscreen false");
    application.quitAfter = 1;
    const int cursorBefore = Platform::CursorDisplayCount();
    application.onTick = [&](TestApplication&) {
        UILib::CWindowManager* windows = RunningWindows();
        ASSERT_NE(nullptr, windows);
        ASSERT_EQ(1, windows->GetLayerCount());
        auto* canvas = dynamic_cast<GameLib::CQenUILibCanvas*>(windows->GetLayerRoot(0)->GetCanvas(false));
        ASSERT_NE(nullptr, canvas);
        EXPECT_EQ(BaseLib::CSize(kWidth, kHeight), canvas->GetSize());
        EXPECT_EQ(3, canvas->GetColumns()); // 128-pixel tiles
        EXPECT_EQ(2, canvas->GetRows());
        EXPECT_TRUE(canvas->HasVertexShader());
        const std::vector<std::string> paths =
            UILib::CUILibSystem::GetInstance()->GetBitmapFactory()->GetSearchPaths();
        EXPECT_NE(paths.end(), std::find(paths.begin(), paths.end(), "media/interface/"));
        ASSERT_NE(nullptr, application.ui->GetScreenStateMachine());
        EXPECT_EQ(application.ui->GetInputManager(), application.ui->GetScreenStateMachine()->GetInputManager());
        EXPECT_LT(Platform::CursorDisplayCount(), 0);
        const BaseLib::CConfigFile* config = application.GetConfiguration();
        EXPECT_FALSE(config->GetBool("application/fullscreen"));
        EXPECT_EQ("single_level", config->GetString("startup/mode"));
    };
    EXPECT_EQ(0, Qen::RunApplication(&application));
    while (Platform::CursorDisplayCount() < cursorBefore)
    {
        Platform::ShowCursor(true);
    }
    const std::pair<const char*, const char*> keys[] = {
        {"application/mediadir", "../media"},       {"application/windowsize", "320x240"},
        {"application/fullscreen", "true"},         {"application/tripplebuffering", "true"},
        {"application/monitoraspect", "autodetect"}, {"graphic/antialiasing", "off"},
        {"sound/soundenabled", "false"},            {"sound/eaxenabled", "false"},
        {"startup/level", "level>start.level.xml"}, {"startup/mode", "single_level"}};
    for (const auto& [key, value] : keys)
    {
        EXPECT_EQ(value, ConfigValue("config.xml", key)) << key;
    }
}

TEST_F(ControllerRunTest, TimeStepsAreCappedResetAndCountedByTheFrameRate)
{
    ControllerApplication application;
    application.quitAfter = 4;
    std::vector<double> steps;
    std::vector<int> worldSteps;
    std::vector<float> rates;
    application.prepare = [&](TestInterface& ui) {
        ui.afterUpdate = [&] { steps.push_back(application.ui->GetTimeStep()); };
    };
    int stepsBefore = 0;
    application.onTick = [&](TestApplication& a) {
        worldSteps.push_back(application.world->steps - stepsBefore);
        stepsBefore = application.world->steps;
        rates.push_back(application.ui->GetFrameRate());
        if (a.ticks == 1)
        {
            Platform::AdvanceCounterOverride(2 * second);
        }
        if (a.ticks == 2)
        {
            application.ui->ResetTimeStep();
            Platform::AdvanceCounterOverride(second / 10);
        }
        if (a.ticks == 3)
        {
            Platform::AdvanceCounterOverride(second / 10);
        }
    };
    Qen::RunApplication(&application);
    ASSERT_EQ(4u, steps.size());
    EXPECT_EQ((std::vector<double>{0.0, 0.5, 0.0}), std::vector<double>(steps.begin(), steps.begin() + 3));
    EXPECT_NEAR(0.1, steps[3], 1e-9);
    // Half a second at factor 1 is 24 whole steps of 0.02 s, the rest kept for the next frame.
    EXPECT_EQ((std::vector<int>{0, 24, 0}), std::vector<int>(worldSteps.begin(), worldSteps.begin() + 3));
    EXPECT_EQ(static_cast<float>(1.0 / ((1.0 / rates[2]) * 0.98333335f + 0.1 * 0.016666666666666666)), rates[3]);
}

TEST_F(ControllerRunTest, WithoutAnUpdateThreadTheFrameTicksTheSoundAndTheStatisticsShowThePreviousFrame)
{
    ControllerApplication application;
    application.quitAfter = 3;
    std::vector<std::int64_t> soundTimes;
    std::vector<std::string> statistics;
    application.onTick = [&](TestApplication& a) {
        SoundLib::CSoundDeviceRegistry* sound = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
        ASSERT_NE(nullptr, sound);
        EXPECT_FALSE(sound->HasUpdateThread()) << "sound is off in the configuration";
        soundTimes.push_back(sound->GetTime());
        statistics.push_back(GameLib::DebugStatistics::Format());
        Qen::CEngineStatistics& counters = a.GetStatistics();
        EXPECT_EQ((std::vector<std::uint32_t>{0, 0, 0, 0}),
                  std::vector<std::uint32_t>(std::begin(counters.counters), std::end(counters.counters)))
            << "set to 0 before the scene";
        counters.counters[0] = 1234;
        counters.counters[1] = 56;
        counters.counters[2] = 7;
        Platform::AdvanceCounterOverride(second / 10);
    };
    Qen::RunApplication(&application);
    ASSERT_EQ(3u, soundTimes.size());
    EXPECT_EQ(100, soundTimes[1] - soundTimes[0]);
    EXPECT_EQ(100, soundTimes[2] - soundTimes[1]);
    char rate[16];
    std::snprintf(rate, sizeof rate, "%.1f", 1.0 / ((1.0 / 30.0f) * 0.98333335f));
    EXPECT_EQ(std::string("fps: ") + rate + "\npolycount = 0\nmeshcount = 0\nvertexgroups = 0", statistics[0]);
    EXPECT_NE(std::string::npos, statistics[1].find("\npolycount = 1234\nmeshcount = 56\nvertexgroups = 7"))
        << statistics[1];
}

TEST_F(ControllerRunTest, EachScreenDrawsItsBackgroundAndShutdownEndsTheRunAfterOneMoreFrame)
{
    ControllerApplication application;
    application.quitAfter = 10;
    application.prepare = [](TestInterface& ui) {
        ui.screens = {{"editor", true}, {"plain", false}};
        ui.firstScreen = "editor";
    };
    std::vector<Pixels> frames;
    std::uint64_t drawsBefore = 0;
    std::uint64_t drawsInLastFrame = 0;
    constexpr std::uint32_t kMarker = 0xFFC000C0;
    application.onTick = [&](TestApplication& a) {
        frames.push_back(application.ReadBackBuffer());
        Platform::Gfx::Device* device = a.GetDevice();
        drawsInLastFrame = device->Counters().drawCalls - drawsBefore;
        if (a.ticks == 1)
        {
            application.ui->GetScreenStateMachine()->SwitchTo("plain");
        }
        if (a.ticks == 2)
        {
            // Whatever is left in the back buffer shows where nothing draws.
            device->Clear(0, nullptr, Platform::Gfx::ClearFlag::Target, kMarker, 0.0f, 0);
            application.ui->GetScreenStateMachine()->SwitchTo("shutdown");
        }
        drawsBefore = device->Counters().drawCalls;
    };
    Qen::RunApplication(&application);
    ASSERT_EQ(3u, frames.size()) << "the frame that switched to shutdown ends the run";
    EXPECT_TRUE(AllNear(frames[0], 0x204080)) << "editor: the clear colour";
    EXPECT_TRUE(AllNear(frames[1], 0x105040)) << "plain: the world's scene";
    EXPECT_TRUE(AllNear(frames[2], kMarker & 0xFFFFFF)) << "shutdown: neither clear nor scene";
    EXPECT_GT(drawsInLastFrame, 0u) << "the windows were still drawn and presented";
    WritePicture(frames[0], "controller_editor.png");
    WritePicture(frames[1], "controller_plain.png");
}

TEST_F(ControllerRunTest, MouseMessagesReachTheWindowsOnlyWhileTheScreenMachineExists)
{
    ControllerApplication application;
    application.quitAfter = 1;
    std::vector<std::string> before;
    std::vector<std::string> after;
    application.onTick = [&](TestApplication& a) {
        auto* button = new UiTest::CTestWindow("button", "CTestWindow", nullptr);
        button->SetSize(100, 60);
        button->SetPosition(20, 20);
        ASSERT_TRUE(RunningWindows()->AddToLayer(button, 0));
        const auto click = [&](std::vector<std::string>& log) {
            const Platform::MessageSecond point = (40 << 16) | 50;
            log.push_back(application.ui->HandleMessage(a.Window(0), Platform::WM_LBUTTONDOWN, 1, point) ? "true" : "false");
            log.push_back(application.ui->HandleMessage(a.Window(0), Platform::WM_LBUTTONUP, 0, point) ? "true" : "false");
            log.push_back(std::to_string(button->received.size()));
            button->received.clear();
        };
        click(after);
        application.ui->DestroyScreens();
        click(before);
    };
    Qen::RunApplication(&application);
    EXPECT_EQ((std::vector<std::string>{"true", "true", "0"}), before);
    ASSERT_EQ(3u, after.size());
    EXPECT_EQ("true", after[0]);
    EXPECT_EQ("true", after[1]);
    EXPECT_NE("0", after[2]);
}

TEST_F(ControllerRunTest, SuspendedDrawingLeavesTheBackBufferUntilResumed)
{
    ControllerApplication application;
    application.quitAfter = 3;
    application.prepare = [](TestInterface& ui) {
        ui.screens = {{"editor", true}};
        ui.firstScreen = "editor";
    };
    std::vector<Pixels> frames;
    std::vector<int> resets;
    application.onTick = [&](TestApplication& a) {
        frames.push_back(application.ReadBackBuffer());
        if (a.ticks == 1)
        {
            a.GetDevice()->Clear(0, nullptr, Platform::Gfx::ClearFlag::Target, 0xFF000000, 0.0f, 0);
            application.ui->SuspendDrawing();
            application.ui->ResumeDrawing();
            EXPECT_FALSE(application.ui->IsDrawingSuspended());
            application.ui->SuspendDrawing();
        }
        if (a.ticks == 2)
        {
            application.ui->ResumeDrawing();
        }
    };
    Qen::RunApplication(&application);
    ASSERT_EQ(3u, frames.size());
    EXPECT_TRUE(AllNear(frames[1], 0x000000)) << "nothing drawn while suspended";
    EXPECT_TRUE(AllNear(frames[2], 0x204080));
}

// Runs eight frames with and without a device loss after frame lossFrame: the lost run is reset once,
// without a failed reset, and ends with the same back buffer.
void ExpectLossDrawsAsWithout(const char* picture, int lossFrame,
                              const std::function<void(ControllerApplication&)>& eachFrame)
{
    const LossRun plain = RunWithLoss(0, 8, eachFrame);
    const LossRun lost = RunWithLoss(lossFrame, 8, eachFrame);
    EXPECT_EQ(0, plain.resets);
    EXPECT_EQ(1, lost.resets);
    EXPECT_EQ(std::string::npos, lost.trace.find("reset failed")) << lost.trace;
    ASSERT_EQ(static_cast<std::size_t>(320) * 240, lost.pixels.size());
    EXPECT_TRUE(lost.pixels == plain.pixels);
    const std::string folder = QUARROW_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(Platform::Gfx::WritePng(folder + "/" + picture, 320, 240, lost.pixels, false));
}

TEST_F(ControllerRunTest, ADeviceLossInTheFirstFrameIsResetAndDrawsAsWithoutIt)
{
    ExpectLossDrawsAsWithout("controller_loss_first.png", 1, nullptr);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const Pixels picture = ReadPicture(std::string(QUARROW_TEST_OUTPUT_DIR) + "/controller_loss_first.png", width, height);
    ASSERT_EQ(static_cast<std::size_t>(kWidth) * kHeight, picture.size());
    EXPECT_TRUE(Near(At(picture, 60, 50), 0xC82828)) << "the box";
    EXPECT_TRUE(Near(At(picture, 200, 150), 0x105040)) << "the scene";
}

TEST_F(ControllerRunTest, ADeviceLossDuringAFadeIsResetAndDrawsAsWithoutIt)
{
    // The layer's canvas fades out over half a second from the first frame.
    ExpectLossDrawsAsWithout("controller_loss_fade.png", 4, [](ControllerApplication& a) {
        auto* canvas = dynamic_cast<UILib::CTextureCanvas*>(GameLib::GetFirstLayerCanvas());
        ASSERT_NE(nullptr, canvas);
        if (a.ticks == 1)
        {
            canvas->FadeBrightnessTo(0.0f, 0.5f);
        }
        if (a.ticks == 8)
        {
            EXPECT_GT(canvas->GetBrightness(), 0.2f);
            EXPECT_LT(canvas->GetBrightness(), 0.9f);
        }
    });
}

} // namespace
} // namespace FrameworkTesting
