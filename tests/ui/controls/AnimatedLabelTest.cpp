#include "ControlBench.h"
#include "PropertyAccess.h"

#include "platform/os/DebugOutput.h"
#include "ui/BitmapFactory.h"
#include "ui/Panel.h"
#include "ui/controls/AnimatedLabel.h"
#include "ui/controls/MultiLayerAnimatedLabel.h"
#include "ui/controls/SimpleAnimatedLabel.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CRect;
using BaseLib::CSize;
using UILib::CAnimatedLabel;
using UILib::CMultiLayerAnimatedLabel;
using UILib::CSimpleAnimatedLabel;

namespace
{

const CColor Face = StandardPalette(0);
const CColor StripColours[4] = {{220, 40, 40, 255}, {40, 180, 40, 255}, {40, 40, 220, 255}, {230, 200, 30, 255}};

// One frame held on screen: its index and for how long.
struct Shown
{
    int frame;
    std::int64_t ms;
};

std::string Describe(const std::vector<Shown>& runs)
{
    std::string text;
    for (const Shown& run : runs)
    {
        text += std::to_string(run.frame) + ":" + std::to_string(run.ms) + " ";
    }
    return text;
}

// The runs match the expected ones frame by frame; each lasts its time or one 10 ms frame more (a timer
// re-armed by its own tick may fire a frame late). Every expected run must have ended.
void ExpectTimeline(const std::vector<Shown>& runs, const std::vector<Shown>& expected)
{
    ASSERT_GT(runs.size(), expected.size()) << Describe(runs);
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(runs[i].frame, expected[i].frame) << "run " << i << " of " << Describe(runs);
        EXPECT_GE(runs[i].ms, expected[i].ms) << "run " << i << " of " << Describe(runs);
        EXPECT_LE(runs[i].ms, expected[i].ms + 10) << "run " << i << " of " << Describe(runs);
    }
}

class AnimatedLabelTest : public ControlTest
{
protected:
    // Runs 10 ms frames for totalMs and returns the frames shown with their times; the last run is cut
    // off by the end of the time.
    std::vector<Shown> Watch(const std::function<int()>& current, std::int64_t totalMs)
    {
        std::vector<Shown> runs{{current(), 0}};
        const std::int64_t end = Now() + totalMs;
        while (Now() < end)
        {
            Frame();
            runs.back().ms += 10;
            if (current() != runs.back().frame)
            {
                runs.push_back({current(), 0});
            }
        }
        return runs;
    }
    std::vector<Shown> Watch(CSimpleAnimatedLabel* label, std::int64_t totalMs)
    {
        return Watch([label] { return label->GetCurrentFrame(); }, totalMs);
    }
    std::vector<Shown> Watch(CAnimatedLabel* layer, std::int64_t totalMs)
    {
        return Watch([layer] { return layer->GetCurrentFrame(); }, totalMs);
    }

    // A strip of `frames` frames of w × h, frame i filled with StripColours[i % 4].
    std::string WriteStrip(const std::string& name, int frames, std::int32_t w, std::int32_t h)
    {
        std::vector<CColor> pixels;
        for (std::int32_t y = 0; y < h; ++y)
        {
            for (std::int32_t x = 0; x < w * frames; ++x)
            {
                pixels.push_back(StripColours[(x / w) % 4]);
            }
        }
        return WriteBitmap(name, w * frames, h, pixels);
    }

    std::string WriteAnimation(const std::string& name, const std::string& body)
    {
        return WriteText(name, "<?xml version=\"1.0\"?>\n" + body);
    }

    // The number of lines in a trace.
    static int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }
};

TEST_F(AnimatedLabelTest, ANewSimpleLabelStartsStoppedAtFortyMillisecondsPerFrame)
{
    auto* label = static_cast<CSimpleAnimatedLabel*>(Factory()->CreateWindowOfType("CSimpleAnimatedLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetSize(), CSize(30, 30));
    EXPECT_EQ(std::string(label->GetDebugDescription()), "CSimpleAnimatedLabel");
    const std::pair<const char*, const char*> defaults[] = {
        {"Bitmap", ""},           {"Background", "true"},  {"AnimMode", "Forwards"},    {"Frames", "1"},
        {"Speed (ms/frame)", "40"}, {"Loop Delay (ms)", "0"}, {"Current Frame", "0"}, {"Playing", "false"}};
    for (const auto& [name, value] : defaults)
    {
        EXPECT_EQ(Property(*label, name), value) << name;
    }
    UILib::CWindow::Delete(label);

    UILib::CWindow* layer = Factory()->CreateWindowOfType("CAnimatedLabel");
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(std::string(layer->GetDebugDescription()), "CAnimatedLabel");
    EXPECT_EQ(layer->GetSize(), CSize(1, 1));
    UILib::CWindow::Delete(layer);

    UILib::CWindow* stack = Factory()->CreateWindowOfType("CMultiLayerAnimatedLabel");
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(std::string(stack->GetDebugDescription()), "CWindow") << "inherited";
    EXPECT_EQ(Property(*stack, "Background"), "true") << "true without layers";
    UILib::CWindow::Delete(stack);
}

TEST_F(AnimatedLabelTest, TheRegistrationsFollowTheWindowsOwnInOrder)
{
    auto* label = Make<CSimpleAnimatedLabel>(0, 0, 30, 30);
    auto* stack = Make<CMultiLayerAnimatedLabel>(0, 0, 30, 30);
    UILib::CPropertyList labelList;
    UILib::CPropertyList stackList;
    label->GetProperties(labelList);
    stack->GetProperties(stackList);
    ASSERT_EQ(labelList.size(), 19u);
    ASSERT_EQ(stackList.size(), 13u);

    struct Registration
    {
        const char* name;
        const char* tooltip;
        int defaultValue; // int registrations only, with their range
        int minimum;
        int maximum;
    };
    const int largest = 2147483647;
    const Registration own[] = {
        {"Bitmap", "Bitmap that appears on label", 0, 0, 0},
        {"Background", "Fill background with color?", 0, 0, 0},
        {"AnimMode", "Animation Mode", 0, 0, 0},
        {"Frames", "Number of Frames", 1, 1, largest},
        {"Speed (ms/frame)", "Animation speed in ms per frame", 1, 100, largest},
        {"Loop Delay (ms)", "Delay between two loop cycles in ms", 0, 0, largest},
        {"Current Frame", "Current frame", 0, 0, largest},
        {"Playing", "start or stop the animation", 0, 0, 0},
    };
    for (std::size_t i = 0; i < std::size(own); ++i)
    {
        const BaseLib::CGenericPropertyDescription* description = labelList[11 + i].GetDescription();
        SCOPED_TRACE(own[i].name);
        EXPECT_EQ(description->GetName(), own[i].name);
        EXPECT_EQ(description->GetDescription(), own[i].tooltip);
        EXPECT_EQ(labelList[11 + i].GetObject(), static_cast<void*>(label));
        if (const auto* scalar = dynamic_cast<const BaseLib::CPropertyDescriptionGenericScalar<int>*>(description))
        {
            EXPECT_EQ(scalar->GetDefault(), own[i].defaultValue);
            EXPECT_EQ(scalar->GetMinimum(), own[i].minimum);
            EXPECT_EQ(scalar->GetMaximum(), own[i].maximum);
        }
        else
        {
            EXPECT_EQ(own[i].maximum, 0) << "an int registration";
        }
    }
    const auto* bitmap =
        dynamic_cast<const BaseLib::CPropertyDescriptionGenericFilename<BaseLib::CString>*>(labelList[11].GetDescription());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(std::string(bitmap->GetFilter()), "*.png; *.gif; *.tga; *.jpg; *.jpeg; *.dds; *.bmp; *.tif; *.tiff");
    const auto* mode = dynamic_cast<const BaseLib::CPropertyDescriptionGenericEnum*>(labelList[13].GetDescription());
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(mode->GetValueNames(),
              (std::vector<std::string>{"Forwards", "Backwards", "PingPong", "ForwardsOnce", "BackwardsOnce"}));
    EXPECT_EQ(mode->GetDefaultIndex(), 0);

    EXPECT_EQ(stackList[11].GetDescription()->GetName(), "Background");
    EXPECT_EQ(stackList[11].GetDescription()->GetDescription(), "Fill background with color?");
    EXPECT_EQ(stackList[12].GetDescription()->GetName(), "File");
    EXPECT_EQ(stackList[12].GetDescription()->GetDescription(), "Xml Animation File");
    const auto* file =
        dynamic_cast<const BaseLib::CPropertyDescriptionGenericFilename<BaseLib::CString>*>(stackList[12].GetDescription());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::string(file->GetFilter()), "*.xml");

    UILib::CPropertyList layerList;
    Make<CAnimatedLabel>(0, 0, 10, 10)->GetProperties(layerList);
    EXPECT_EQ(layerList.size(), 11u) << "the animated label adds none";
}

TEST_F(AnimatedLabelTest, PropertiesClampIntoTheirRangeBeforeTheSetterRuleApplies)
{
    struct Case
    {
        const char* property;
        const char* written;
        const char* readBack;
    };
    // On a label of four frames; each case on a fresh label.
    const Case cases[] = {
        {"Current Frame", "10", "3"},
        {"Current Frame", "-2", "0"},
        {"Current Frame", "2", "2"},
        {"Loop Delay (ms)", "-5", "0"},
        {"Loop Delay (ms)", "3000", "3000"},
        {"Frames", "0", "1"},
        {"Speed (ms/frame)", "40", "100"},
        {"Speed (ms/frame)", "250", "250"},
        {"AnimMode", "pingpong", "Forwards"},
        {"AnimMode", "PingPong", "PingPong"},
        {"AnimMode", "BackwardsOnce", "BackwardsOnce"},
        {"Background", "TRUE", "false"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.property) + " = " + c.written);
        auto* label = Make<CSimpleAnimatedLabel>(0, 0, 30, 30);
        label->SetFrameCount(4);
        SetProperty(*label, c.property, c.written);
        EXPECT_EQ(Property(*label, c.property), c.readBack);
        UILib::CWindow::Delete(label);
    }

    // The setters' own rules, below the ranges of the properties.
    auto* label = Make<CSimpleAnimatedLabel>(0, 0, 30, 30);
    label->SetFrameCount(-3);
    EXPECT_EQ(label->GetFrameCount(), 1);
    label->SetLoopDelay(-5);
    EXPECT_EQ(label->GetLoopDelay(), 0);
    label->SetFrameCount(4);
    label->SetCurrentFrame(-2);
    EXPECT_EQ(label->GetCurrentFrame(), 0);
    label->SetCurrentFrame(3);
    label->SetFrameCount(2);
    EXPECT_EQ(label->GetCurrentFrame(), 3) << "a lower count leaves the current frame";
}

TEST_F(AnimatedLabelTest, EachModeStepsThroughTheStripOnItsTimer)
{
    struct Case
    {
        const char* name;
        int mode;
        int frames;
        int startFrame;
        std::vector<Shown> expected;
        bool playingAfter; // after 1200 ms
    };
    const Case cases[] = {
        {"forwards wraps to 0 and holds it for the loop delay", CSimpleAnimatedLabel::Forwards, 4, 0,
         {{0, 100}, {1, 100}, {2, 100}, {3, 100}, {0, 150}, {1, 100}, {2, 100}, {3, 100}, {0, 150}}, true},
        {"backwards wraps to the last frame and holds it for the loop delay", CSimpleAnimatedLabel::Backwards, 4,
         0, {{0, 100}, {3, 150}, {2, 100}, {1, 100}, {0, 100}, {3, 150}, {2, 100}}, true},
        {"ping-pong turns at both ends, the delay at frame 0", CSimpleAnimatedLabel::PingPong, 4, 0,
         {{0, 100}, {1, 100}, {2, 100}, {3, 100}, {2, 100}, {1, 100}, {0, 150}, {1, 100}, {2, 100}}, true},
        {"ping-pong of two frames holds frame 0 once per turn, with the delay", CSimpleAnimatedLabel::PingPong, 2,
         0, {{0, 100}, {1, 100}, {0, 150}, {1, 100}, {0, 150}, {1, 100}, {0, 150}, {1, 100}}, true},
        {"forwards once ends on the last frame", CSimpleAnimatedLabel::ForwardsOnce, 4, 0,
         {{0, 100}, {1, 100}, {2, 100}}, false},
        {"backwards once ends on frame 0", CSimpleAnimatedLabel::BackwardsOnce, 4, 3, {{3, 100}, {2, 100}, {1, 100}},
         false},
        {"a single frame stops at the first tick", CSimpleAnimatedLabel::Forwards, 1, 0, {}, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto* label = Make<CSimpleAnimatedLabel>(0, 0, 30, 30);
        label->SetFrameCount(c.frames);
        label->SetSpeed(100);
        label->SetLoopDelay(50);
        label->SetAnimMode(c.mode);
        label->SetCurrentFrame(c.startFrame);
        label->Start();
        EXPECT_TRUE(label->IsPlaying());
        const std::vector<Shown> runs = Watch(label, 1200);
        ExpectTimeline(runs, c.expected);
        EXPECT_EQ(label->IsPlaying(), c.playingAfter);
        EXPECT_EQ(Property(*label, "Playing"), c.playingAfter ? "true" : "false");
        if (!c.playingAfter)
        {
            // The end frame stays: it is the last run, and nothing follows it.
            const int last = c.mode == CSimpleAnimatedLabel::ForwardsOnce ? c.frames - 1 : 0;
            EXPECT_EQ(runs.size(), c.expected.size() + 1) << Describe(runs);
            EXPECT_EQ(label->GetCurrentFrame(), last);
        }
        UILib::CWindow::Delete(label);
    }
}

TEST_F(AnimatedLabelTest, PlayingResumesWhereItStoppedAndTheModeResetsTheTurn)
{
    auto* label = Make<CSimpleAnimatedLabel>(0, 0, 30, 30);
    SetProperty(*label, "Frames", "4");
    SetProperty(*label, "Speed (ms/frame)", "100");
    SetProperty(*label, "Playing", "true");
    for (int i = 0; i < 30 && label->GetCurrentFrame() != 2; ++i)
    {
        Frame();
    }
    ASSERT_EQ(label->GetCurrentFrame(), 2);
    SetProperty(*label, "Playing", "false");
    EXPECT_EQ(Property(*label, "Playing"), "false");
    Advance(500);
    EXPECT_EQ(label->GetCurrentFrame(), 2) << "stopped";
    SetProperty(*label, "Playing", "true");
    EXPECT_EQ(label->GetCurrentFrame(), 2) << "resumes where it stood";
    ExpectTimeline(Watch(label, 250), {{2, 100}, {3, 100}});

    // Ping-pong on its way down: setting the mode again turns it upwards.
    label->SetAnimMode(CSimpleAnimatedLabel::PingPong);
    label->SetCurrentFrame(2);
    label->Start();
    ExpectTimeline(Watch(label, 250), {{2, 100}, {3, 100}});
    ASSERT_EQ(label->GetCurrentFrame(), 2) << "going down";
    label->SetAnimMode(CSimpleAnimatedLabel::PingPong);
    Advance(110);
    EXPECT_EQ(label->GetCurrentFrame(), 3) << "the direction was reset upwards";

    // A new speed counts from the next timer on.
    label->SetSpeed(300);
    label->SetAnimMode(CSimpleAnimatedLabel::Forwards);
    label->Start();
    ExpectTimeline(Watch(label, 700), {{3, 300}, {0, 300}});
}

TEST_F(AnimatedLabelTest, SettersInvalidateOnlyOnChangeAndLeaveTheSizeAlone)
{
    const std::string strip = WriteStrip("strip.png", 4, 20, 12);
    auto* label = Make<CSimpleAnimatedLabel>(10, 10, 30, 30);
    const auto rootIsClean = [] { return RootWindow()->GetCanvas(false)->GetDirtyRects().GetCount() == 0; };
    Compose();
    label->SetBitmapFile("");
    EXPECT_FALSE(label->GetBitmap().IsValid());
    EXPECT_TRUE(rootIsClean()) << "an empty name does nothing";
    SetProperty(*label, "Bitmap", strip);
    ASSERT_TRUE(label->GetBitmap().IsValid());
    EXPECT_FALSE(label->GetBitmap().IsPlaceholder());
    EXPECT_EQ(label->GetSize(), CSize(30, 30)) << "the window is not resized";
    EXPECT_FALSE(rootIsClean());
    Compose();
    label->SetBitmapFile(label->GetBitmapFile());
    label->SetFrameCount(1);
    label->SetCurrentFrame(0);
    EXPECT_TRUE(rootIsClean()) << "unchanged values do not repaint";

    // Fitting: one frame of the strip.
    label->SetFrameCount(4);
    label->FitToContent(true);
    EXPECT_EQ(label->GetSize(), CSize(20, 12));
    label->SetSize(10, 40);
    label->FitToContent(false);
    EXPECT_EQ(label->GetSize(), CSize(20, 40));

    // Background off makes the window transparent; on again leaves it so.
    EXPECT_FALSE(label->IsTransparent());
    label->SetBackground(false);
    EXPECT_TRUE(label->IsTransparent());
    label->SetBackground(true);
    EXPECT_TRUE(label->IsTransparent());
    EXPECT_TRUE(label->GetBackground());
}

TEST_F(AnimatedLabelTest, TheFrameBoxShowsOnlyTheCurrentFrameAndAStripTooNarrowShowsNothing)
{
    // Everything on a dark panel, so that the labels' own background shows.
    const CColor dark(30, 30, 60, 255);
    auto* panel = Make<UILib::CPanel>(0, 0, 360, 60);
    panel->SetColor(dark);
    const std::string strip = WriteStrip("strip.png", 4, 20, 20);
    // Four labels of 40 × 30 side by side at frames 0 … 3: the frame box is (10, 5) … (30, 25) inside.
    for (int frame = 0; frame < 4; ++frame)
    {
        auto* label = Make<CSimpleAnimatedLabel>(10 + frame * 50, 10, 40, 30, panel);
        SetProperty(*label, "Bitmap", strip);
        SetProperty(*label, "Frames", "4");
        SetProperty(*label, "Current Frame", std::to_string(frame));
    }
    // Four frames out of a strip 3 pixels wide: a frame width of 0.
    const std::string narrow = WriteStrip("narrow.png", 1, 3, 20);
    auto* empty = Make<CSimpleAnimatedLabel>(210, 10, 40, 30, panel);
    SetProperty(*empty, "Bitmap", narrow);
    SetProperty(*empty, "Frames", "4");
    // Without background only the frame box is painted.
    auto* bare = Make<CSimpleAnimatedLabel>(210, 10, 40, 30, panel);
    bare->SetPosition(310, 10);
    SetProperty(*bare, "Bitmap", strip);
    SetProperty(*bare, "Frames", "4");
    SetProperty(*bare, "Current Frame", "1");
    SetProperty(*bare, "Background", "false");

    // Two layers: a red 40 × 30 bottom and a blue 20 × 10 top, both at the container's origin.
    WriteBitmap("bottom.png", 40, 30, StripColours[0]);
    WriteBitmap("top.png", 20, 10, StripColours[2]);
    const std::string file = WriteAnimation("two.xml", "<layeredanimation>\n"
                                                       "  <layer><image file=\"" + PathOf("bottom.png") + "\"/></layer>\n"
                                                       "  <layer><image file=\"" + PathOf("top.png") + "\"/></layer>\n"
                                                       "</layeredanimation>\n");
    auto* stack = Make<CMultiLayerAnimatedLabel>(260, 10, 10, 10, panel);
    SetProperty(*stack, "File", file);
    ASSERT_EQ(stack->GetLayerCount(), 2);

    Compose();
    for (int frame = 0; frame < 4; ++frame)
    {
        SCOPED_TRACE(frame);
        const std::int32_t left = 10 + frame * 50;
        EXPECT_TRUE(AreaIs(CRect(left + 10, 15, left + 30, 35), StripColours[frame])) << "the frame box";
        EXPECT_TRUE(AreaIs(CRect(left, 10, left + 10, 40), Face)) << "left of the box";
        EXPECT_TRUE(AreaIs(CRect(left + 30, 10, left + 40, 40), Face)) << "right of the box";
        EXPECT_TRUE(AreaIs(CRect(left + 10, 10, left + 30, 15), Face)) << "above the box";
        EXPECT_TRUE(AreaIs(CRect(left + 10, 35, left + 30, 40), Face)) << "below the box";
    }
    EXPECT_TRUE(AreaIs(CRect(210, 10, 250, 40), Face)) << "nothing of the narrow strip";
    EXPECT_TRUE(AreaIs(CRect(320, 15, 340, 35), StripColours[1])) << "the frame box without background";
    EXPECT_TRUE(AreaIs(CRect(310, 10, 320, 40), dark)) << "no background beside it";
    EXPECT_EQ(stack->GetSize(), CSize(40, 30));
    EXPECT_TRUE(AreaIs(CRect(260, 10, 280, 20), StripColours[2])) << "the top layer";
    EXPECT_TRUE(AreaIs(CRect(280, 10, 300, 40), StripColours[0])) << "the bottom layer beside it";
    EXPECT_TRUE(AreaIs(CRect(260, 20, 280, 40), StripColours[0])) << "the bottom layer below it";
    EXPECT_FALSE(SavePicture("animated_label_frames").empty());
}

TEST_F(AnimatedLabelTest, AnimatedLabelFramesStartAtTheFirstAndStopReturnsToIt)
{
    auto* layer = Make<CAnimatedLabel>(0, 0, 30, 30);
    EXPECT_EQ(layer->GetCurrentFrame(), -1);
    layer->Start();
    EXPECT_FALSE(layer->IsPlaying()) << "nothing to play";
    EXPECT_EQ(layer->AddFrame("", 100), 0);
    EXPECT_EQ(layer->GetCurrentFrame(), 0) << "the first frame becomes current";
    EXPECT_EQ(layer->GetCurrentImage(), nullptr) << "an empty name shows nothing";
    EXPECT_EQ(layer->AddFrame("", 0), 1);
    EXPECT_EQ(layer->AddFrame("", -7), 2);
    layer->SetDefaultDisplayTime(0);
    EXPECT_EQ(layer->GetDefaultDisplayTime(), 40) << "not above 0: ignored";
    layer->SetDefaultDisplayTime(60);
    layer->Start();
    ExpectTimeline(Watch(layer, 400), {{0, 100}, {1, 60}, {2, 60}, {0, 100}});

    // Stop returns to frame 0 only while a timer is pending.
    ASSERT_NE(layer->GetCurrentFrame(), 0);
    layer->Stop();
    EXPECT_FALSE(layer->IsPlaying());
    EXPECT_EQ(layer->GetCurrentFrame(), 0);

    layer->ClearFrames();
    EXPECT_EQ(layer->GetFrameCount(), 0);
    EXPECT_EQ(layer->GetCurrentFrame(), -1);

    // A single frame: the first tick ends the animation.
    layer->AddFrame("", 50);
    layer->Start();
    Advance(60);
    EXPECT_FALSE(layer->IsPlaying());
    layer->Stop();
    EXPECT_EQ(layer->GetCurrentFrame(), 0);
}

TEST_F(AnimatedLabelTest, ExtremeTimesAndARestartMidTurnStayInRange)
{
    // The longest speed plus the longest loop delay: the interval after the wrap is their sum.
    auto* label = Make<CSimpleAnimatedLabel>(0, 0, 30, 30);
    label->SetFrameCount(2);
    label->SetSpeed(2147483647);
    label->SetLoopDelay(2147483647);
    label->SetCurrentFrame(1);
    label->Start();
    Frame(2147483647);
    ASSERT_EQ(label->GetCurrentFrame(), 0);
    ASSERT_TRUE(label->IsPlaying());
    Frame(4294967294 - 10);
    EXPECT_EQ(label->GetCurrentFrame(), 0) << "not yet";
    Frame(10);
    EXPECT_EQ(label->GetCurrentFrame(), 1);

    // A ping-pong layer stopped on its way down starts again from frame 0 without leaving its frames.
    auto* layer = Make<CAnimatedLabel>(0, 0, 30, 30);
    for (int i = 0; i < 3; ++i)
    {
        layer->AddFrame("", 50);
    }
    layer->SetMode(CAnimatedLabel::PingPong);
    layer->Start();
    ExpectTimeline(Watch(layer, 190), {{0, 50}, {1, 50}, {2, 50}});
    ASSERT_EQ(layer->GetCurrentFrame(), 1) << "going down";
    layer->Stop();
    layer->Start();
    std::vector<int> seen;
    for (int i = 0; i < 30; ++i)
    {
        Frame();
        seen.push_back(layer->GetCurrentFrame());
    }
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](int frame) { return frame >= 0 && frame < 3; }));
    EXPECT_NE(std::find(seen.begin(), seen.end(), 2), seen.end()) << "it plays on upwards";
}

TEST_F(AnimatedLabelTest, LayeredFilesBuildOneLayerPerElementWithModesAndDisplayTimes)
{
    WriteBitmap("a.png", 40, 30, StripColours[0]);
    WriteBitmap("b.png", 60, 20, StripColours[1]);
    const std::string a = PathOf("a.png");
    const std::string b = PathOf("b.png");
    const std::string file = WriteAnimation(
        "layers.xml",
        "<layeredanimation>\n"
        "  <layer mode=\"pingpong\">\n"
        "    <image file=\"" + a + "\" displaytime=\"100\"/>\n"
        "    <image file=\"" + b + "\" displaytime=\"100\"/>\n"
        "    <image displaytime=\"100\"/>\n"
        "  </layer>\n"
        "  <layer defaultdisplaytime=\"0x3C\">\n"
        "    <image file=\"" + b + "\" displaytime=\"0x1E\"/>\n"
        "    <image file=\"" + a + "\" displaytime=\"soon\"/>\n"
        "    <image file=\"" + a + "\"/>\n"
        "    <image file=\"" + a + "\" displaytime=\"012\"/>\n"
        "  </layer>\n"
        "  <layer mode=\"PingPong\" defaultdisplaytime=\"-5\"><image/><image/></layer>\n"
        "  <layer mode=\"backwards\"><image/></layer>\n"
        "  <note/>\n"
        "</layeredanimation>\n");
    auto* stack = Make<CMultiLayerAnimatedLabel>(0, 0, 10, 10);
    Platform::DebugOutputCapture trace;
    stack->SetFile(file.c_str());
    EXPECT_EQ(trace.Text(), "");
    ASSERT_EQ(stack->GetLayerCount(), 4);
    EXPECT_EQ(Property(*stack, "File"), file);

    CAnimatedLabel* pingPong = stack->GetLayer(0);
    CAnimatedLabel* timed = stack->GetLayer(1);
    CAnimatedLabel* capitals = stack->GetLayer(2);
    CAnimatedLabel* backwards = stack->GetLayer(3);
    EXPECT_EQ(pingPong->GetMode(), CAnimatedLabel::PingPong);
    EXPECT_EQ(timed->GetMode(), CAnimatedLabel::Forwards);
    EXPECT_EQ(capitals->GetMode(), CAnimatedLabel::Forwards) << "the mode is compared case-sensitively";
    EXPECT_EQ(backwards->GetMode(), CAnimatedLabel::Backwards);
    EXPECT_EQ(timed->GetDefaultDisplayTime(), 60);
    EXPECT_EQ(capitals->GetDefaultDisplayTime(), 40) << "a default not above 0 is ignored";
    const int times[] = {30, -1, -1, 10};
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(timed->GetFrameDisplayTime(i), times[i]) << "image " << i;
    }
    EXPECT_FALSE(pingPong->GetFrameBitmap(2).IsValid()) << "no file: no bitmap";

    // Each layer: its first frame's size, the container the largest; background on the bottom only.
    EXPECT_EQ(pingPong->GetSize(), CSize(40, 30));
    EXPECT_EQ(timed->GetSize(), CSize(60, 20));
    EXPECT_EQ(capitals->GetSize(), CSize(60, 30)) << "without a bitmap: the container's size when it was added";
    EXPECT_EQ(stack->GetSize(), CSize(60, 30));
    for (int i = 0; i < 4; ++i)
    {
        CAnimatedLabel* layer = stack->GetLayer(i);
        EXPECT_EQ(std::string(layer->GetName()), "__sublabel");
        EXPECT_EQ(layer->GetParentHandle(), stack->GetHandle());
        EXPECT_EQ(layer->GetPosition(), BaseLib::CPoint(0, 0));
        EXPECT_EQ(layer->GetBackground(), i == 0) << "layer " << i;
        EXPECT_EQ(layer->IsTransparent(), i != 0) << "layer " << i;
        EXPECT_TRUE(layer->IsPlaying()) << "SetFile starts every layer";
    }

    // Timing: hex and octal times, a bad one and a missing one take the layer default; ping-pong turns
    // at both ends; capitals play forwards; a single frame stops at its first tick.
    std::vector<Shown> pingPongRuns{{pingPong->GetCurrentFrame(), 0}};
    std::vector<Shown> timedLog{{timed->GetCurrentFrame(), 0}};
    std::vector<Shown> capitalsRuns{{capitals->GetCurrentFrame(), 0}};
    const auto follow = [](std::vector<Shown>& runs, int frame) {
        runs.back().ms += 10;
        if (frame != runs.back().frame)
        {
            runs.push_back({frame, 0});
        }
    };
    for (int i = 0; i < 80; ++i)
    {
        Frame();
        follow(pingPongRuns, pingPong->GetCurrentFrame());
        follow(timedLog, timed->GetCurrentFrame());
        follow(capitalsRuns, capitals->GetCurrentFrame());
    }
    ExpectTimeline(pingPongRuns, {{0, 100}, {1, 100}, {2, 100}, {1, 100}, {0, 100}, {1, 100}});
    ExpectTimeline(timedLog, {{0, 30}, {1, 60}, {2, 60}, {3, 10}, {0, 30}, {1, 60}, {2, 60}, {3, 10}});
    ExpectTimeline(capitalsRuns, {{0, 40}, {1, 40}, {0, 40}, {1, 40}, {0, 40}});
    EXPECT_FALSE(backwards->IsPlaying()) << "a single frame ends at its first tick";
}

TEST_F(AnimatedLabelTest, ABadFileKeepsOrDropsTheLayersAsItMustAndTracesOnce)
{
    WriteBitmap("a.png", 40, 30, StripColours[0]);
    const std::string layer = "<layer><image file=\"" + PathOf("a.png") + "\"/></layer>";
    const std::string first = WriteAnimation("first.xml", "<layeredanimation>" + layer + layer + "</layeredanimation>");
    const std::string second = WriteAnimation("second.xml", "<layeredanimation>" + layer + "</layeredanimation>");
    const std::string rootless = WriteAnimation("rootless.xml", "<animation>" + layer + "</animation>");
    const std::string broken = WriteAnimation("broken.xml", "<layeredanimation><layer>");

    auto* stack = Make<CMultiLayerAnimatedLabel>(0, 0, 10, 10);
    stack->SetName("intro");
    stack->SetFile(first.c_str());
    ASSERT_EQ(stack->GetLayerCount(), 2);
    const UILib::Handle oldLayer = stack->GetLayer(0)->GetHandle();

    // A second file replaces all layers; the old windows go with the next frame.
    stack->SetFile(second.c_str());
    EXPECT_EQ(stack->GetLayerCount(), 1);
    Frame();
    EXPECT_EQ(Manager()->Resolve(oldLayer), nullptr);
    EXPECT_EQ(stack->GetChildCount(), 1);
    const UILib::Handle kept = stack->GetLayer(0)->GetHandle();

    // A file that loads from no folder: the layers stay, "File" reads the new name, one trace line names
    // the label and every path tried.
    for (const std::string& bad : {PathOf("missing.xml"), broken})
    {
        SCOPED_TRACE(bad);
        Platform::DebugOutputCapture trace;
        SetProperty(*stack, "File", bad);
        EXPECT_EQ(Property(*stack, "File"), bad);
        ASSERT_EQ(stack->GetLayerCount(), 1);
        EXPECT_EQ(stack->GetLayer(0)->GetHandle(), kept);
        EXPECT_EQ(Lines(trace.Text()), 1) << trace.Text();
        EXPECT_NE(trace.Text().find("'intro'"), std::string::npos) << trace.Text();
        EXPECT_NE(trace.Text().find("\"" + bad + "\""), std::string::npos) << trace.Text();
        for (const std::string& folder : UILib::CBitmapFactory::GetCurrent()->GetSearchPaths())
        {
            EXPECT_NE(trace.Text().find("\"" + folder + bad + "\""), std::string::npos) << trace.Text();
        }
    }

    // A document without the root: no layers, one line naming the file.
    {
        Platform::DebugOutputCapture trace;
        stack->SetFile(rootless.c_str());
        EXPECT_EQ(stack->GetLayerCount(), 0);
        EXPECT_EQ(Lines(trace.Text()), 1) << trace.Text();
        EXPECT_NE(trace.Text().find(rootless), std::string::npos) << trace.Text();
    }

    // An empty name resolves to the search folders themselves: it simply fails, without a trace.
    stack->SetFile(second.c_str());
    ASSERT_EQ(stack->GetLayerCount(), 1);
    {
        Platform::DebugOutputCapture trace;
        SetProperty(*stack, "File", "");
        EXPECT_EQ(Property(*stack, "File"), "");
        EXPECT_EQ(stack->GetLayerCount(), 1);
        EXPECT_EQ(trace.Text(), "");
    }

    // A frame whose bitmap is missing shows the placeholder, with the bitmap factory's warning (a name of
    // its own per run: the factory keeps the placeholder of a name it tried).
    static int run = 0;
    const std::string lostName = "lost-" + std::to_string(++run) + ".png";
    const std::string lost = WriteAnimation(
        "lost.xml", "<layeredanimation><layer><image file=\"" + PathOf(lostName) + "\"/></layer></layeredanimation>");
    Platform::DebugOutputCapture trace;
    stack->SetFile(lost.c_str());
    ASSERT_EQ(stack->GetLayerCount(), 1);
    ASSERT_NE(stack->GetLayer(0)->GetCurrentImage(), nullptr);
    EXPECT_TRUE(stack->GetLayer(0)->GetCurrentImage()->IsPlaceholder());
    EXPECT_NE(trace.Text().find(lostName), std::string::npos) << trace.Text();
}

TEST_F(AnimatedLabelTest, AFileIsFoundThroughTheBitmapSearchFolders)
{
    WriteBitmap("anims/a.png", 40, 30, StripColours[0]);
    WriteAnimation("anims/walk.xml", "<layeredanimation><layer><image file=\"" + PathOf("anims/a.png") +
                                         "\"/></layer></layeredanimation>");
    UILib::CBitmapFactory::GetCurrent()->AddSearchPath(PathOf("anims").c_str());
    auto* stack = Make<CMultiLayerAnimatedLabel>(0, 0, 10, 10);
    stack->SetFile("walk.xml");
    EXPECT_EQ(stack->GetLayerCount(), 1);
    EXPECT_EQ(stack->GetSize(), CSize(40, 30));
}

TEST_F(AnimatedLabelTest, TheContainerPassesBackgroundAndWriteAlphaToItsLayers)
{
    WriteBitmap("a.png", 40, 30, StripColours[0]);
    const std::string layer = "<layer><image file=\"" + PathOf("a.png") + "\"/></layer>";
    const std::string file = WriteAnimation("two.xml", "<layeredanimation>" + layer + layer + "</layeredanimation>");
    auto* stack = Make<CMultiLayerAnimatedLabel>(0, 0, 10, 10);
    stack->SetBackground(false);
    EXPECT_FALSE(stack->IsTransparent()) << "without layers nothing happens";
    stack->SetWriteAlpha(true);
    stack->SetFile(file.c_str());
    ASSERT_EQ(stack->GetLayerCount(), 2);
    EXPECT_TRUE(stack->GetLayer(0)->GetWriteAlpha()) << "layers take the container's flag";
    EXPECT_TRUE(stack->GetLayer(1)->GetWriteAlpha());

    stack->SetWriteAlpha(false);
    EXPECT_FALSE(stack->GetWriteAlpha());
    EXPECT_TRUE(stack->GetLayer(0)->GetWriteAlpha()) << "switched on whatever the value";
    EXPECT_TRUE(stack->GetLayer(1)->GetWriteAlpha());

    EXPECT_EQ(Property(*stack, "Background"), "true");
    SetProperty(*stack, "Background", "false");
    EXPECT_EQ(Property(*stack, "Background"), "false");
    EXPECT_FALSE(stack->GetLayer(0)->GetBackground());
    EXPECT_TRUE(stack->IsTransparent()) << "transparent as the bottom layer";
    SetProperty(*stack, "Background", "true");
    EXPECT_TRUE(stack->GetLayer(0)->GetBackground());
    EXPECT_TRUE(stack->IsTransparent()) << "the bottom layer stays transparent";

    // A live child that grows makes the container grow with it.
    stack->GetLayer(1)->SetSize(70, 15);
    EXPECT_EQ(stack->GetSize(), CSize(70, 30));
}

} // namespace
