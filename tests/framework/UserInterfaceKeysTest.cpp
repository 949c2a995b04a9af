// Runs driven by keys injected into head 0's window. They read the keyboard through the window's focus,
// so they run alone on the display.
#include "framework/FramerateGraph.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/EventInjection.h"
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "sound/Voice.h"
#include "tests/framework/ControllerRunFixture.h"
#include "tests/framework/PictureFile.h"

#include <algorithm>
#include <map>
#include <regex>
#include <set>

namespace FrameworkTesting
{
namespace
{

class ControllerKeysTest : public ControllerRunTest
{
protected:
    // Gives head 0's window the focus with the lock toggles as asked.
    static void Focus(TestApplication& application, bool capsLock = false, bool scrollLock = false)
    {
        Platform::InjectLockState(capsLock, false, scrollLock);
        Platform::InjectFocus(application.Window(0), false);
        Platform::InjectFocus(application.Window(0), true);
    }
    static void Key(TestApplication& application, const char* name, bool down)
    {
        ASSERT_TRUE(Platform::InjectKey(application.Window(0), name, down)) << name;
    }

    // The files of the folder whose names match the pattern.
    static std::vector<std::string> Files(const std::string& folder, const std::string& pattern)
    {
        std::vector<std::string> names;
        std::error_code error;
        const std::regex expression(pattern);
        for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        {
            const std::string name = entry.path().filename().string();
            if (std::regex_match(name, expression))
            {
                names.push_back(name);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(ControllerKeysTest, GuiEventsLastUntilTheScreensRanAndGameEventsUntilTheNextUpdate)
{
    ControllerApplication application;
    application.quitAfter = 8;
    std::vector<std::string> log;
    const auto pending = [&](const char* action, const char* context) {
        return application.ui->GetInputManager()->IsActionTriggered(action, context, false) ? "yes" : "no";
    };
    application.prepare = [&](TestInterface& ui) {
        ui.screens = {{"plain", false}};
        ui.firstScreen = "plain";
        ui.onScreenUpdate = [&](const std::string&) {
            log.push_back(std::to_string(application.ticks) + " screen enter " + pending("enter", "gui"));
        };
        ui.afterUpdate = [&] {
            log.push_back(std::to_string(application.ticks) + " update right " + pending("right", "game"));
        };
    };
    application.onTick = [&](TestApplication& a) {
        // Every frame lasts 30 ms: the world steps at least once.
        Platform::AdvanceCounterOverride(second * 3 / 100);
        log.push_back(std::to_string(a.ticks) + " end enter " + pending("enter", "gui") + " right " +
                      pending("right", "game"));
        switch (a.ticks)
        {
        case 1: Focus(a); break;
        case 2: Key(a, "Return", true); break;
        case 3: Key(a, "Return", false); break;
        case 5: Key(a, "D", true); break;
        case 6: Key(a, "D", false); break;
        }
    };
    Qen::RunApplication(&application);
    const std::vector<std::string> expected = {
        "1 update right no", "1 screen enter no", "1 end enter no right no",
        "2 update right no", "2 screen enter no", "2 end enter no right no",
        "3 update right no", "3 screen enter yes", "3 end enter no right no",
        "4 update right no", "4 screen enter no", "4 end enter no right no",
        "5 update right no", "5 screen enter no", "5 end enter no right no",
        "6 update right yes", "6 screen enter no", "6 end enter no right yes",
        "7 update right no", "7 screen enter no", "7 end enter no right no",
        "8 update right no", "8 screen enter no", "8 end enter no right no"};
    EXPECT_EQ(expected, log);
}

TEST_F(ControllerKeysTest, TheWorldStepsSeeTheGameEventsOfTheirFrame)
{
    ControllerApplication application;
    application.quitAfter = 4;
    std::map<int, std::set<std::string>> steps; // by frame
    application.prepare = [&](TestInterface&) {
        application.world->onStep = [&] {
            steps[application.ticks].insert(
                application.ui->GetInputManager()->IsActionTriggered("right", "game", false) ? "right" : "none");
        };
    };
    application.onTick = [&](TestApplication& a) {
        Platform::AdvanceCounterOverride(second * 3 / 100);
        if (a.ticks == 1)
        {
            Focus(a);
        }
        if (a.ticks == 2)
        {
            Key(a, "D", true);
        }
        if (a.ticks == 3)
        {
            Key(a, "D", false);
        }
    };
    Qen::RunApplication(&application);
    const std::map<int, std::set<std::string>> expected = {{2, {"none"}}, {3, {"right"}}, {4, {"none"}}};
    EXPECT_EQ(expected, steps);
}

// Presses and releases Print Screen in frames 2 and 3, then 4 and 5.
void PressPrintScreenTwice(TestApplication& a)
{
    const char* key = "PrintScreen";
    switch (a.ticks)
    {
    case 1:
        Platform::InjectLockState(false, false, false);
        Platform::InjectFocus(a.Window(0), false);
        Platform::InjectFocus(a.Window(0), true);
        break;
    case 2:
    case 4: Platform::InjectKey(a.Window(0), key, true); break;
    case 3:
    case 5: Platform::InjectKey(a.Window(0), key, false); break;
    }
}

TEST_F(ControllerKeysTest, PrintScreenWritesNumberedScreenshotsOnlyInDeveloperMode)
{
    for (const bool developer : {false, true})
    {
        SCOPED_TRACE(developer ? "developer mode" : "player mode");
        ControllerApplication application(true, developer ? "-devmode true -fullscreen false" : "");
        application.quitAfter = 7;
        application.prepare = [](TestInterface& ui) {
            ui.screens = {{"plain", false, true}};
            ui.firstScreen = "plain";
        };
        // The silent device's voices keep the name of what they were given to play.
        int soundFrame = 0;
        application.onTick = [&](TestApplication& a) {
            PressPrintScreenTwice(a);
            SoundLib::CSoundDevice* device = SoundLib::CSoundDeviceRegistry::GetInstance()->GetDevice(0);
            for (int i = 0; soundFrame == 0 && device != nullptr && i < device->GetVoiceCount(); ++i)
            {
                if (device->GetVoice(i)->GetFileName() == "sound>std_screenshot.wav")
                {
                    soundFrame = a.ticks;
                }
            }
        };
        Qen::RunApplication(&application);
        EXPECT_EQ(developer ? 3 : 0, soundFrame) << "the sound is played with the first picture's request";
        const std::vector<std::string> shots = Files(".", R"(screenshot(\d{5})?\.png)");
        if (!developer)
        {
            EXPECT_TRUE(shots.empty());
            continue;
        }
        ASSERT_EQ(2u, shots.size());
        EXPECT_EQ("screenshot.png", shots[0]); // then the first free number of the process's counter
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        const Pixels picture = ReadPicture("screenshot.png", width, height);
        ASSERT_EQ(static_cast<std::uint32_t>(kWidth), width);
        ASSERT_EQ(static_cast<std::uint32_t>(kHeight), height);
        EXPECT_TRUE(Near(At(picture, 60, 50), 0xC82828));
        EXPECT_TRUE(Near(At(picture, 200, 150), 0x105040));
    }
}

TEST_F(ControllerKeysTest, WhileCapsLockRecordsEveryStepIsAFiftiethAndEachFrameAnImageInAFolderMadeForIt)
{
    ControllerApplication application(true, "-devmode true -fullscreen false");
    application.quitAfter = 6;
    std::vector<double> steps;
    application.prepare = [&](TestInterface& ui) {
        ui.screens = {{"plain", false}};
        ui.firstScreen = "plain";
        ui.afterUpdate = [&] { steps.push_back(application.ui->GetTimeStep()); };
    };
    application.onTick = [&](TestApplication& a) {
        Platform::AdvanceCounterOverride(second / 10);
        if (a.ticks == 1)
        {
            Focus(a, true);
        }
    };
    ASSERT_FALSE(std::filesystem::exists("video"));
    Qen::RunApplication(&application);
    ASSERT_EQ(6u, steps.size());
    EXPECT_EQ(0.0, steps[0]);
    for (std::size_t i = 2; i < steps.size(); ++i)
    {
        EXPECT_EQ(0.02, steps[i]) << i;
    }
    // The first frame takes the base name, the others the process's next free numbers.
    const std::vector<std::string> images = Files("video", R"(image(\d{5})?\.png)");
    ASSERT_GE(images.size(), 3u);
    EXPECT_EQ("image.png", images[0]);
    EXPECT_EQ(images.size() - 1, Files("video", R"(image\d{5}\.png)").size());
}

TEST_F(ControllerKeysTest, AVideoFolderThatCannotBeMadeIsReportedOnce)
{
    std::ofstream("video") << "a file where the folder would go";
    ControllerApplication application(true, "-devmode true -fullscreen false");
    application.quitAfter = 5;
    application.onTick = [&](TestApplication& a) {
        if (a.ticks == 1)
        {
            Focus(a, true);
        }
    };
    Platform::DebugOutputCapture trace;
    Qen::RunApplication(&application);
    const std::string text = trace.Text();
    const std::string line = "Error: could not create folder video for the video frames\n";
    const std::size_t first = text.find(line);
    EXPECT_NE(std::string::npos, first) << text;
    EXPECT_EQ(std::string::npos, text.find(line, first + 1)) << "once per recording";
    EXPECT_EQ(std::string::npos, text.find("could not be saved")) << "no frame is attempted";
}

// Counts the pixels of the rectangle that are clearly blue.
int BluePixels(const Pixels& pixels, int width, int left, int top, int right, int bottom)
{
    int blue = 0;
    for (int y = top; y < bottom; ++y)
    {
        for (int x = left; x < right; ++x)
        {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)];
            const int b = static_cast<int>(p & 0xFF);
            blue += b > 128 && b > static_cast<int>((p >> 8) & 0xFF) + 64 && b > static_cast<int>((p >> 16) & 0xFF) + 64;
        }
    }
    return blue;
}

TEST_F(ControllerKeysTest, ScrollLockShowsTheOverlayAndTheGraphInDeveloperMode)
{
    // A head wide enough for the whole 512-pixel graph.
    constexpr int width = 640;
    constexpr int height = 480;
    std::ofstream("config.xml") << "<configuration><application><windowsize><cx>640</cx><cy>480</cy></windowsize>"
                                   "<fullscreen>false</fullscreen></application><graphic><antialiasing>off"
                                   "</antialiasing></graphic><sound><soundenabled>false</soundenabled></sound>"
                                   "</configuration>\n";
    for (const bool developer : {true, false})
    {
        SCOPED_TRACE(developer ? "developer mode" : "player mode");
        ControllerApplication application(true, developer ? "-devmode true -fullscreen false" : "");
        application.quitAfter = 5;
        application.prepare = [](TestInterface& ui) {
            ui.screens = {{"plain", false}};
            ui.firstScreen = "plain";
        };
        Pixels pixels;
        application.onTick = [&](TestApplication& a) {
            Platform::AdvanceCounterOverride(second / 20);
            if (a.ticks == 1)
            {
                Focus(a, false, true);
                EXPECT_EQ(developer, application.ui->GetFramerateGraph() != nullptr);
            }
            if (a.ticks == 5)
            {
                pixels = application.ReadBackBuffer();
            }
        };
        Qen::RunApplication(&application);
        ASSERT_EQ(static_cast<std::size_t>(width) * height, pixels.size());
        const auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; };
        if (!developer)
        {
            EXPECT_EQ(0, BluePixels(pixels, width, 0, 0, width, height));
            EXPECT_TRUE(Near(at(508, height - 8), 0x105040));
            continue;
        }
        EXPECT_TRUE(std::filesystem::create_directories(QUARROW_TEST_OUTPUT_DIR) || true);
        EXPECT_TRUE(Platform::Gfx::WritePng(std::string(QUARROW_TEST_OUTPUT_DIR) + "/controller_overlay.png", width,
                                            height, pixels, false));
        EXPECT_GT(BluePixels(pixels, width, 10, 10, 200, 70), 20) << "the statistics text";
        EXPECT_EQ(0, BluePixels(pixels, width, 0, 70, width, height));
        // The newest columns at the strip's right edge: 50 ms frames are red over the lower half of the
        // strip and green above.
        const std::uint32_t bar = at(508, height - 8);
        const std::uint32_t above = at(508, height - 120);
        EXPECT_GT(static_cast<int>(bar >> 16), 0x10 + 60) << std::hex << bar;
        EXPECT_GT(static_cast<int>((above >> 8) & 0xFF), 0x50 + 20) << std::hex << above;
        EXPECT_TRUE(Near(at(600, height - 8), 0x105040)) << "right of the strip";
    }
}

TEST_F(ControllerKeysTest, ADeviceLossInAScreenshotFrameOrUnderTheOverlayIsResetAndDrawsAsWithoutIt)
{
    {
        SCOPED_TRACE("the frame that asks for a screenshot");
        const auto press = [](ControllerApplication& a) { PressPrintScreenTwice(a); };
        const LossRun plain = RunWithLoss(0, 8, press, "-devmode true -fullscreen false");
        std::filesystem::remove("screenshot.png");
        const LossRun lost = RunWithLoss(3, 8, press, "-devmode true -fullscreen false");
        EXPECT_EQ(1, lost.resets);
        EXPECT_EQ(std::string::npos, lost.trace.find("reset failed")) << lost.trace;
        EXPECT_TRUE(std::filesystem::exists("screenshot.png"));
        ASSERT_EQ(static_cast<std::size_t>(kWidth) * kHeight, lost.pixels.size());
        EXPECT_TRUE(lost.pixels == plain.pixels);
    }
    {
        SCOPED_TRACE("developer mode with the overlay and the graph");
        constexpr int width = 640;
        constexpr int height = 480;
        std::ofstream("config.xml") << "<configuration><application><windowsize><cx>640</cx><cy>480</cy></windowsize>"
                                       "<fullscreen>false</fullscreen></application><graphic><antialiasing>off"
                                       "</antialiasing></graphic><sound><soundenabled>false</soundenabled></sound>"
                                       "</configuration>\n";
        const auto overlay = [](ControllerApplication& a) {
            if (a.ticks == 1)
            {
                Focus(a, false, true);
            }
        };
        const LossRun plain = RunWithLoss(0, 12, overlay, "-devmode true -fullscreen false");
        const LossRun lost = RunWithLoss(6, 12, overlay, "-devmode true -fullscreen false");
        EXPECT_EQ(1, lost.resets);
        EXPECT_EQ(std::string::npos, lost.trace.find("reset failed")) << lost.trace;
        ASSERT_EQ(static_cast<std::size_t>(width) * height, lost.pixels.size());
        ASSERT_EQ(lost.pixels.size(), plain.pixels.size());
        // The graph starts its columns again after a reset: above the strip and in its newest columns the
        // pictures are the same.
        const std::size_t stripTop = static_cast<std::size_t>(height - 128) * width;
        EXPECT_TRUE(std::equal(lost.pixels.begin(), lost.pixels.begin() + stripTop, plain.pixels.begin()));
        for (std::size_t row = stripTop; row < lost.pixels.size(); row += width)
        {
            EXPECT_TRUE(std::equal(lost.pixels.begin() + row + 508, lost.pixels.begin() + row + 512,
                                   plain.pixels.begin() + row + 508))
                << "row " << row / width;
        }
        EXPECT_GT(BluePixels(lost.pixels, width, 10, 10, 200, 70), 20) << "the overlay is drawn";
        EXPECT_TRUE(Platform::Gfx::WritePng(std::string(QUARROW_TEST_OUTPUT_DIR) + "/controller_loss_overlay.png",
                                            width, height, lost.pixels, false));
    }
}

} // namespace
} // namespace FrameworkTesting
