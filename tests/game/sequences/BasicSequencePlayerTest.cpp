#include "SequenceBench.h"

#include "game/sequences/BasicSequencePlayer.h"
#include "game/sequences/DialogBox.h"
#include "platform/os/DebugOutput.h"
#include "sound/Voice.h"
#include "ui/Panel.h"
#include "ui/controls/Label.h"

#include <tinyxml.h>

#include <cstdint>
#include <string>
#include <vector>

using BaseLib::CColor;
using BaseLib::CPoint;
using namespace SequenceTesting;

namespace
{

// The basic player with the game player's dialog-box life: the "dialogbox" resource makes a style-0
// box in the canvas window, leaving the scene deletes it, and every frame types.
class StagePlayer : public CBasicSequencePlayer
{
public:
    void CreateDialogBox(const TiXmlElement*) override
    {
        DeleteDialogBox();
        m_dialogBox = new CDialogBox(0);
        GetCanvas()->AddChild(m_dialogBox->GetHandle());
    }
    void DeleteDialogBox() override
    {
        UILib::CWindow::Delete(m_dialogBox);
        m_dialogBox = nullptr;
    }
    void Update(double dt) override
    {
        CBasicSequencePlayer::Update(dt);
        if (m_dialogBox != nullptr)
        {
            m_dialogBox->Update(static_cast<float>(dt));
        }
    }
};

constexpr std::int32_t CanvasWidth = 320;
constexpr std::int32_t CanvasHeight = 240;
const CColor Red(220, 40, 40, 255);
const CColor Blue(40, 40, 220, 255);
const CColor Green(40, 200, 40, 255);
const CColor Black(0, 0, 0, 255);

class BasicSequencePlayerTest : public SequenceTest
{
protected:
    void SetUp() override
    {
        SequenceTest::SetUp();
        canvas = Make<UILib::CWindow>(0, 0, CanvasWidth, CanvasHeight);
        canvas->SetName("cutscenecanvas");
    }
    void TearDown() override
    {
        player.Shutdown();
        SequenceTest::TearDown();
    }

    // A picture file of one colour.
    std::string Picture(const std::string& name, std::int32_t width, std::int32_t height, CColor colour)
    {
        return WriteBitmap(name, width, height, colour);
    }
    // Writes the scenes as a script, loads it into the player on the canvas and starts it.
    void Begin(const std::string& scenes)
    {
        const std::string path = WriteText("script.xml", "<?xml version=\"1.0\"?>\n<sequence>" + scenes + "</sequence>\n");
        player.SetCanvas(canvas);
        player.RegisterCommands();
        ASSERT_TRUE(player.Load(path));
        player.Start();
    }
    // One frame of the script and of the window system.
    void Step(double seconds)
    {
        player.Update(seconds);
        Frame(static_cast<std::int64_t>(seconds * 1000.0 + 0.5));
    }
    std::size_t PlayingVoicesOf(const std::string& file) const
    {
        std::size_t count = 0;
        for (int i = 0; i < GameTesting::RecordingSoundDevice::VoiceCount; ++i)
        {
            SoundLib::CVoice* voice = sounds->GetVoice(i);
            count += voice->GetFileName() == file && voice->IsPlaying() ? 1 : 0;
        }
        return count;
    }

    UILib::CWindow* canvas = nullptr;
    StagePlayer player;
};

TEST_F(BasicSequencePlayerTest, TheTimerIsSeenByTheScriptBeforeItAdvances)
{
    Begin(R"(<scene><script>
        <waitforall><timerelapsed time="0"/></waitforall><setvariable key="t0" value="yes"/>
        <waitforall><timerelapsed time="2"/></waitforall><setvariable key="t2" value="yes"/>
        <waitforever/></script></scene>)");
    player.Update(0.5);
    EXPECT_EQ(player.GetVariable("t0"), "yes") << "time 0 holds at once";
    for (int frame = 2; frame <= 4; ++frame)
    {
        player.Update(0.5);
        EXPECT_FALSE(player.HasVariable("t2")) << "frame " << frame << " sees " << (frame - 1) * 0.5 << " s";
    }
    player.Update(0.5);
    EXPECT_EQ(player.GetVariable("t2"), "yes") << "the fifth frame sees 2 s";
    EXPECT_EQ(player.GetTime(), 2.5);
}

TEST_F(BasicSequencePlayerTest, VariablesAreTextComparedByteForByte)
{
    Begin(R"(<scene><script><setvariable key="k" value="v"/><setvariable key="empty"/><waitforever/></script></scene>)");
    player.Update(0.1);
    struct Case
    {
        const char* key;
        const char* value; // null: attribute missing
        bool holds;
    };
    const Case cases[] = {
        {"k", "v", true},          {"k", "V", false},    {"k", "v ", false}, {"k", nullptr, false},
        {"empty", "", true},       {"empty", nullptr, true},
        {"never", "", false},      {"never", nullptr, false}, {"never", "x", false},
    };
    for (const Case& c : cases)
    {
        TiXmlElement test("testvariable");
        test.SetAttribute("key", c.key);
        if (c.value != nullptr)
        {
            test.SetAttribute("value", c.value);
        }
        const auto* condition = player.FindCondition(&test);
        ASSERT_NE(condition, nullptr);
        EXPECT_EQ((*condition)(&test), c.holds) << c.key << " = " << (c.value != nullptr ? c.value : "(none)");
    }
    EXPECT_EQ(player.GetVariable("never"), "");
}

TEST_F(BasicSequencePlayerTest, TheBrightnessPanelStartsBlackAndFadesOverWindowTime)
{
    const std::string red = Picture("red.png", CanvasWidth, CanvasHeight, Red);
    Begin(R"(<scene><resources><bg id="p"><bitmap file=")" + red + R"("/></bg></resources><script>
        <setbrightness value="1" duration="0"/><waitforall><playerconfirm/></waitforall>
        <setbrightness value="0.5" duration="2"/><waitforall><brightness/></waitforall>
        <setvariable key="dark" value="yes"/><waitforever/></script></scene>)");
    UILib::CPanel* panel = player.GetBrightnessPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->GetParent(), canvas);
    EXPECT_TRUE(panel->IsAlwaysOnTop());
    // What the compositor clips the panel's canvas to is the whole canvas window.
    EXPECT_EQ(panel->GetVisibleScreenRect(), BaseLib::CRect(0, 0, CanvasWidth, CanvasHeight));
    Compose();
    EXPECT_EQ(Pixel(10, 10), Black) << "a sequence starts black";
    EXPECT_EQ(Pixel(CanvasWidth - 1, CanvasHeight - 1), Black) << "the panel covers the canvas window";
    EXPECT_NE(Pixel(CanvasWidth + 2, 10), Black) << "and nothing beside it";

    Step(0.1);
    Compose();
    EXPECT_EQ(Pixel(10, 10), Red) << "value 1, duration 0: normal at once";

    player.PlayerConfirmed();
    EXPECT_TRUE(player.IsConfirmed());
    Step(0.1);
    Advance(900);
    Compose();
    const CColor half = Pixel(10, 10);
    EXPECT_NEAR(half.GetRed(), Red.GetRed() / 2, 8) << "half way through 2 s";
    player.Update(0.1);
    EXPECT_FALSE(player.HasVariable("dark")) << "the condition waits for the fade";
    Advance(1100);
    player.Update(0.1);
    EXPECT_EQ(player.GetVariable("dark"), "yes");
    Compose();
    EXPECT_EQ(Pixel(10, 10), Black);
    SavePicture("brightness_dark");
}

TEST_F(BasicSequencePlayerTest, PicturesStackByPriorityAndGlide)
{
    const std::string red = Picture("red.png", 100, 100, Red);
    const std::string blue = Picture("blue.png", 100, 100, Blue);
    Begin(R"(<scene><resources>
            <bg id="front" priority="1"><bitmap file=")" + red + R"("/></bg>
            <bg id="back" priority="5"><bitmap file=")" + blue + R"("/></bg>
        </resources><script>
        <setbrightness value="1"/><waitforall><playerconfirm/></waitforall>
        <movebg id="back" pos="10, 5"/>
        <movebg id="front" pos="-50,0" duration="2" soft="true"/>
        <waitforall><bgmovementfinished id="front"/></waitforall><setvariable key="moved" value="yes"/>
        <waitforever/></script></scene>)");
    Step(0.1);
    Compose();
    EXPECT_EQ(Pixel(50, 50), Red) << "priority 1 lies over priority 5";
    EXPECT_EQ(player.GetLayerWindow("front")->GetSize(), BaseLib::CSize(100, 100));

    player.PlayerConfirmed();
    player.Update(0.5);
    EXPECT_EQ(player.GetLayerWindow("back")->GetPosition(), CPoint(-20, -10)) << "duration 0: at once";
    // Soft: 0.25 of the time gives 2 × 0.25² = 0.125 of the way.
    EXPECT_EQ(player.GetLayerWindow("front")->GetPosition(), CPoint(13, 0));
    player.Update(0.5);
    EXPECT_EQ(player.GetLayerWindow("front")->GetPosition(), CPoint(50, 0)) << "exactly half-way at half the time";
    EXPECT_FALSE(player.HasVariable("moved"));
    player.Update(0.5);
    EXPECT_EQ(player.GetLayerWindow("front")->GetPosition(), CPoint(88, 0));
    player.Update(0.5);
    EXPECT_EQ(player.GetLayerWindow("front")->GetPosition(), CPoint(100, 0));
    EXPECT_EQ(player.GetLayers().at("front").progress, 1.0f);
    player.Update(0.5);
    EXPECT_EQ(player.GetVariable("moved"), "yes");
    EXPECT_EQ(player.GetLayers().at("back").progress, 0.0f) << "a layer moved at once never glided";
}

TEST_F(BasicSequencePlayerTest, ALayerOfTheSameIdReplacesTheOldWindow)
{
    const std::string red = Picture("red.png", 60, 60, Red);
    const std::string blue = Picture("blue.png", 60, 60, Blue);
    Begin(R"(<scene><resources>
            <bg id="x"><bitmap file=")" + red + R"("/></bg><bg id="x"><bitmap file=")" + blue + R"("/></bg>
            <bg id="none"/>
        </resources><script><setbrightness/><waitforever/></script></scene>)");
    Step(0.1);
    ASSERT_EQ(player.GetLayers().size(), 2u);
    EXPECT_EQ(canvas->GetChildCount(), 3) << "two layers and the brightness panel";
    auto* empty = static_cast<UILib::CLabel*>(player.GetLayerWindow("none"));
    EXPECT_EQ(std::string(empty->GetText()), "") << "a layer without a bitmap is an empty label";
    Compose();
    EXPECT_EQ(Pixel(30, 30), Blue);
}

TEST_F(BasicSequencePlayerTest, SoundsNeverPlayOnUnownedWhenReplacedOrUnloaded)
{
    Begin(R"(<scene id="a"><resources><sounds>
            <sound id="wind" file="wind.wav" loop="yes"/>
            <atmo id="jungle" loopfile="jungle.wav" minpause="0.5" maxpause="0.5"><sample file="bird.wav"/></atmo>
            <other id="ignored"/>
        </sounds></resources><script>
        <startsound id="wind"/><fadeinsound id="jungle" duration="1"/>
        <waitforall><playerconfirm/></waitforall><switchtoscene id="a"/></script></scene>
        <scene id="b"><script><unloadsoundresources/><waitforever/></script></scene>)");
    EXPECT_EQ(player.GetSoundCount(), 2u);
    EXPECT_EQ(player.GetAmbientCount(), 1u);
    player.Update(0.1);
    EXPECT_EQ(PlayingVoicesOf("wind.wav"), 1u);
    EXPECT_EQ(PlayingVoicesOf("jungle.wav"), 1u);
    for (int i = 0; i < 10; ++i)
    {
        player.Update(0.1);
    }
    EXPECT_EQ(sounds->Count(GameTesting::SoundEvent::Play, "bird.wav"), 1u) << "the ambient player is updated";

    // Entered again, the scene makes its sounds again and starts them.
    player.PlayerConfirmed();
    player.Update(0.1);
    EXPECT_EQ(player.GetSoundCount(), 2u);
    EXPECT_EQ(player.GetAmbientCount(), 1u);
    EXPECT_EQ(PlayingVoicesOf("wind.wav"), 1u);
    EXPECT_EQ(PlayingVoicesOf("jungle.wav"), 1u);
}

TEST_F(BasicSequencePlayerTest, UnloadingStopsLoopingSounds)
{
    Begin(R"(<scene><resources><sounds><sound id="wind" file="wind.wav" loop="true"/></sounds></resources><script>
        <startsound id="wind"/><waitforall><playerconfirm/></waitforall>
        <unloadsoundresources/><waitforever/></script></scene>)");
    player.Update(0.1);
    ASSERT_EQ(PlayingVoicesOf("wind.wav"), 1u);
    player.PlayerConfirmed();
    player.Update(0.1);
    EXPECT_EQ(PlayingVoicesOf("wind.wav"), 0u);
    EXPECT_EQ(player.GetSoundCount(), 0u);
}

TEST_F(BasicSequencePlayerTest, TheDialogBoxTypesTheElementsText)
{
    struct Case
    {
        const char* content;
        std::string typed;
    };
    const Case cases[] = {
        {R"(A<br/>B<space width="3"/>C)", "A\nB   C"},
        {R"(A<space width="-5"/>B<space/>C<other>X</other>)", "ABC"},
        {R"(A<space width="1000"/>B)", "A" + std::string(31, ' ') + "B"},
    };
    std::string scenes;
    for (const Case& c : cases)
    {
        scenes += std::string(R"(<scene><resources><dialogbox/></resources><script><dialogbox characterdelay="0">)") +
                  c.content + R"(</dialogbox><waitforall><dialogbox/></waitforall><waitforall><playerconfirm/></waitforall></script></scene>)";
    }
    Begin(scenes);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.content);
        player.Update(0.1);
        ASSERT_NE(player.GetDialogBox(), nullptr);
        EXPECT_EQ(std::string(player.GetDialogBox()->GetTextLabel()->GetText()), c.typed);
        EXPECT_TRUE(player.GetDialogBox()->IsFinished());
        player.PlayerConfirmed();
        player.Update(0.1);
        player.Update(0.1); // the next scene
    }
}

TEST_F(BasicSequencePlayerTest, MissingIdsAndBoxesNeitherActNorWait)
{
    const std::string red = Picture("red.png", 40, 40, Red);
    Platform::DebugOutputCapture trace;
    Begin(R"(<scene><resources><bg id="p"><bitmap file=")" + red + R"("/></bg><bg id="q"><bitmap file=")" + red +
          R"("/></bg></resources><script>
        <startsound id="nope"/><stopsound id="nope"/><fadeinsound id="nope"/><fadeoutsound id="nope"/>
        <movebg id="nope" pos="1,1"/>
        <waitforall><soundfinished id="nope"/><bgmovementfinished id="nope"/><dialogbox/>
            <timerelapsed time="0.15"/></waitforall>
        <dialogbox>text without a box</dialogbox>
        <movebg id="p" pos="x"/><movebg id="q" pos="99999999999, 5"/>
        <setvariable key="through" value="yes"/><waitforever/></script></scene>)");
    for (int frame = 0; frame < 3; ++frame)
    {
        EXPECT_FALSE(player.HasVariable("through")) << "the wait ends with the timer in frame 3";
        player.Update(0.1);
    }
    EXPECT_EQ(player.GetVariable("through"), "yes");
    EXPECT_EQ(player.GetLayerWindow("p")->GetPosition(), CPoint(0, 0)) << "no number: 0, 0";
    EXPECT_EQ(player.GetLayerWindow("q")->GetPosition(), CPoint(-(1 << 30), -10)) << "saturated and kept in range";
    const std::string text = trace.Text();
    for (const char* expected : {"no sound has the id 'nope'\n", "no picture has the id 'nope'\n",
                                 "there is no dialog box to show the text\n"})
    {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
    }
    // One trace per element, not per frame: 8 elements with a message and a line each.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 16) << text;
}

TEST_F(BasicSequencePlayerTest, AGlideHalfWayThroughAFadeIsDrawn)
{
    const std::string sky = Picture("sky.png", CanvasWidth, CanvasHeight, Blue);
    const std::string hill = Picture("hill.png", 120, 80, Green);
    Begin(R"(<scene id="title"><script><setbrightness value="1"/><waitforall><timerelapsed time="0.5"/></waitforall></script></scene>
        <scene id="glide"><resources>
            <bg id="sky" priority="5"><bitmap file=")" + sky + R"("/></bg>
            <bg id="hill" priority="1"><bitmap file=")" + hill + R"("/></bg>
        </resources><script>
            <setbrightness value="1"/><movebg id="hill" pos="-50, -40" duration="2"/>
            <setbrightness value="0.5" duration="4"/><waitforever/>
        </script></scene>)");
    Step(0.25);
    Step(0.25);
    Step(0.25); // the title's time is up: the next frame enters the glide and starts it
    Step(0.25);
    ASSERT_EQ(player.GetSceneId(), "glide");
    Step(0.25);
    Step(0.5);
    ASSERT_EQ(player.GetLayerWindow("hill")->GetPosition(), CPoint(50, 40)) << "half of (100, 80)";
    Compose();
    const std::string path = SavePicture("sequence_glide");
    ASSERT_FALSE(path.empty());

    PictureFile picture;
    std::string error;
    ASSERT_TRUE(ReadPicture(path, picture, error)) << error;
    auto at = [&](std::int32_t x, std::int32_t y) { return picture.At(x, y); };
    // A quarter into the 4 s fade the picture is darkened by a quarter; the hill's edge is at column 50.
    const CColor skyPixel = at(49, 60);
    const CColor hillPixel = at(50, 60);
    EXPECT_GT(skyPixel.GetBlue(), skyPixel.GetGreen()) << "left of the edge: sky";
    EXPECT_GT(hillPixel.GetGreen(), hillPixel.GetBlue()) << "right of the edge: hill";
    EXPECT_GT(at(50, 39).GetBlue(), at(50, 39).GetGreen()) << "above the hill: sky";
    EXPECT_NEAR(hillPixel.GetGreen(), Green.GetGreen() * 3 / 4, 10);
    EXPECT_NEAR(skyPixel.GetBlue(), Blue.GetBlue() * 3 / 4, 10);
}

} // namespace
