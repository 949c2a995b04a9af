#include "ControlBench.h"

#include "platform/os/KeyState.h"
#include "ui/Bitmap.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"

using namespace ControlBench;
using BaseLib::CColor;
using BaseLib::CPoint;
using UILib::CWindowMessage;

namespace
{

class BenchSelfTest : public ControlTest
{
};

TEST_F(BenchSelfTest, AClickThroughTheTranslationArrivesAtClientCoordinates)
{
    auto* window = Make<CRecordingWindow>(50, 60, 100, 80);
    CCallbackRecorder<UILib::CWindow*, CPoint&> downs;
    window->SetOnLButtonDown(downs.Record());

    Click(70, 90);
    const auto pressed = window->Of("MLBDwn");
    const auto released = window->Of("MLBUp");
    ASSERT_EQ(pressed.size(), 1u);
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(pressed[0].point, CPoint(20, 30));
    EXPECT_EQ(released[0].point, CPoint(20, 30));
    EXPECT_EQ(window->Codes({"MMove", "MLBDwn", "MLBUp"}), (std::vector<std::string>{"MMove", "MLBDwn", "MLBUp"}));
    ASSERT_EQ(downs.calls.size(), 1u);
    EXPECT_EQ(std::get<0>(downs.calls[0]), window);
    EXPECT_EQ(std::get<1>(downs.calls[0]), CPoint(20, 30));
    EXPECT_EQ(Manager()->GetFocus(), window->GetHandle()) << "the press activates the window";

    // Keys go to the focus with the held modifiers; a click outside every child goes to the root.
    HoldModifiers(CWindowMessage::Shift);
    KeyDown('A');
    const auto keys = window->Of("sKeyDown");
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].first, static_cast<std::uint32_t>('A'));
    EXPECT_EQ(keys[0].second & 0xFF, CWindowMessage::Shift);
    Click(300, 300);
    EXPECT_EQ(window->Of("MLBDwn").size(), 1u);
}

TEST_F(BenchSelfTest, EachInputHelperDeliversItsMessage)
{
    auto* window = Make<CRecordingWindow>(50, 60, 100, 80);
    Click(60, 70); // the focus
    window->log.clear();

    DoubleClick(Button::Left, 55, 65);
    DoubleClick(Button::Right, 55, 65);
    MouseDown(Button::Right, 56, 66);
    MouseUp(Button::Right, 56, 66);
    Wheel(-240, 57, 67);
    HoldModifiers(CWindowMessage::Control);
    KeyDown(Platform::VK_RETURN);
    KeyUp(Platform::VK_RETURN);
    HoldModifiers(0);
    Char(0xE9);
    EXPECT_EQ(window->Codes(), (std::vector<std::string>{"MLBDbl", "MRBDbl", "MRBDwn", "MRBUp", "MWheel",
                                                         "sKeyDown", "sKeyUp", "sCharKey"}));
    EXPECT_EQ(window->Of("MLBDbl")[0].point, CPoint(5, 5));
    EXPECT_EQ(window->Of("MRBUp")[0].point, CPoint(6, 6));
    const RecordedMessage wheel = window->Of("MWheel")[0];
    EXPECT_EQ(static_cast<std::int16_t>(wheel.second >> 16), -240);
    EXPECT_EQ(wheel.first, CWindowMessage::PackPoint(57, 67));
    EXPECT_EQ(window->Of("sKeyDown")[0].first, 260u) << "Return in the window system's key codes";
    EXPECT_EQ(window->Of("sKeyDown")[0].second & 0xFF, CWindowMessage::Control);
    EXPECT_EQ(window->Of("sCharKey")[0].first, 0xE9u);
}

TEST_F(BenchSelfTest, TheSameClickThroughARealPlatformWindow)
{
    auto* window = Make<CRecordingWindow>(50, 60, 100, 80);
    const Platform::WindowHandle host = OpenPlatformWindow();
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(Platform::InjectMouseMove(host, 70, 90));
    ASSERT_TRUE(Platform::InjectMouseButton(host, Platform::InjectedButton::Left, true, 70, 90));
    ASSERT_TRUE(Platform::InjectMouseButton(host, Platform::InjectedButton::Left, false, 70, 90));
    Pump();
    const auto pressed = window->Of("MLBDwn");
    const auto released = window->Of("MLBUp");
    ASSERT_EQ(pressed.size(), 1u);
    ASSERT_EQ(released.size(), 1u);
    EXPECT_EQ(pressed[0].point, CPoint(20, 30));
    EXPECT_EQ(released[0].point, CPoint(20, 30));

    // Typed text arrives as character messages, the key state as the platform keeps it.
    Platform::InjectKey(host, "Left Shift", true);
    Platform::InjectKey(host, "B", true);
    Platform::InjectText(host, "B");
    Platform::InjectKey(host, "B", false);
    Platform::InjectKey(host, "Left Shift", false);
    Pump();
    const auto characters = window->Of("sCharKey");
    ASSERT_EQ(characters.size(), 1u);
    EXPECT_EQ(characters[0].first, static_cast<std::uint32_t>('B'));
    const auto keys = window->Of("sKeyDown");
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.back().second & 0xFF, CWindowMessage::Shift);
}

TEST_F(BenchSelfTest, ARepeatingTimerFiresOncePerPeriodOfWholeFrames)
{
    auto* window = Make<CRecordingWindow>(0, 0, 10, 10);
    const UILib::Handle timer = window->SetTimer(100, true);
    ASSERT_NE(timer, 0u);
    const std::int64_t start = Now();
    Frames(9);
    EXPECT_TRUE(window->Of("Timer").empty()) << "not due within 90 ms";
    Advance(350 - 90);
    EXPECT_EQ(Now() - start, 350);
    const auto fired = window->Of("Timer");
    ASSERT_EQ(fired.size(), 3u);
    EXPECT_EQ(fired[0].first, timer);
    EXPECT_TRUE(window->KillTimer(timer));
    Advance(200);
    EXPECT_EQ(window->Of("Timer").size(), 3u);
}

TEST_F(BenchSelfTest, NotificationsReachTheRecordingParentWithTheSender)
{
    auto* parent = Make<CRecordingWindow>(0, 0, 200, 200);
    auto* child = Make<UILib::CWindow>(10, 10, 20, 20, parent);
    child->PostNotification(parent->GetHandle(), CWindowMessage("BtnClick", 0, 0, child->GetHandle()));
    EXPECT_TRUE(parent->Of("BtnClick").empty()) << "posted: waits for the next frame";
    Frame();
    const auto clicks = parent->Of("BtnClick");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].sender, child->GetHandle());

    Send(parent, CWindowMessage("SpinChng", 0, 0, child->GetHandle()));
    ASSERT_EQ(parent->Of("SpinChng").size(), 1u);
    EXPECT_EQ(parent->Of("SpinChng")[0].sender, child->GetHandle());
}

TEST_F(BenchSelfTest, ASavedPictureIsAReadablePngOfTheScreen)
{
    auto* red = Make<UILib::CPanel>(20, 30, 100, 50);
    red->SetColor(CColor(255, 0, 0, 255));
    auto* holder = Make<UILib::CWindow>(200, 100, 80, 60);
    holder->SetOwnCanvas(true);
    ASSERT_TRUE(holder->HasOwnCanvas());
    auto* blue = Make<UILib::CPanel>(0, 0, 80, 60, holder);
    blue->SetColor(CColor(0, 0, 255, 255));
    // A bitmap written at run time is read back by the window system's bitmap factory.
    const std::string bitmapPath = WriteBitmap("green.png", 6, 4, CColor(0, 255, 0, 255));
    const UILib::CBitmap bitmap(bitmapPath.c_str());
    ASSERT_TRUE(bitmap.IsValid());
    EXPECT_FALSE(bitmap.IsPlaceholder());
    EXPECT_EQ(bitmap.GetSize(), BaseLib::CSize(6, 4));
    EXPECT_EQ(bitmap.GetPixels()[0], CColor(0, 255, 0, 255));

    // Half transparent, over the right half of the red panel.
    auto* veil = Make<UILib::CPanel>(70, 30, 50, 50);
    veil->SetColor(CColor(0, 255, 0, 255));
    veil->SetOwnCanvas(true);
    ASSERT_TRUE(veil->HasOwnCanvas());
    static_cast<UILib::CTextureCanvas*>(veil->GetCanvas(false))->SetTransparency(0.5f);

    Compose();
    EXPECT_TRUE(AreaIs(BaseLib::CRect(20, 30, 70, 80), CColor(255, 0, 0, 255)));
    EXPECT_TRUE(AreaIs(BaseLib::CRect(200, 100, 280, 160), CColor(0, 0, 255, 255)));
    EXPECT_EQ(Pixel(150, 90), StandardPalette(0)) << "the root paints the theme's face colour";
    const CColor blend = Pixel(95, 55);
    EXPECT_NEAR(blend.GetRed(), 128, 2);
    EXPECT_NEAR(blend.GetGreen(), 127, 2);
    EXPECT_EQ(blend.GetBlue(), 0);
    EXPECT_TRUE(AreaIs(BaseLib::CRect(70, 30, 120, 80), blend));

    const std::string path = SavePicture("bench_selftest");
    ASSERT_FALSE(path.empty());
    const UILib::CBitmap picture(path.c_str());
    ASSERT_TRUE(picture.IsValid());
    ASSERT_FALSE(picture.IsPlaceholder());
    EXPECT_EQ(picture.GetSize(), BaseLib::CSize(RootWidth, RootHeight));
    EXPECT_EQ(picture.GetPixels()[40 * RootWidth + 30], CColor(255, 0, 0, 255));
    EXPECT_EQ(picture.GetPixels()[120 * RootWidth + 230], CColor(0, 0, 255, 255));
}

} // namespace
