#include "UiFixture.h"

#include "foundation/PropertyDescription.h"
#include "ui/Clock.h"
#include "ui/WindowAnimation.h"

#include <tinyxml.h>

#include <cmath>

using BaseLib::CGenericProperty;
using BaseLib::CPoint;
using UILib::CGenericAnimationTrack;
using UILib::CWindow;
using UILib::CWindowAnimation;
using UILib::CWindowAnimationSet;
using UILib::CWindowMessage;
using UiTest::CTestWindow;

namespace
{

// Timers

class Timers : public UiTest::UiFixture
{
protected:
    void SetUp() override
    {
        UILib::SetTimeOverride(1.0);
        owner = Child(nullptr, "owner", 0, 0, 10, 10);
        owner->consumed = {"Timer"};
        manager->AddLayer(owner); // deleted at shut-down
    }
    void TearDown() override
    {
        UILib::SetTimeOverride(-1.0);
        UiFixture::TearDown();
    }
    // Runs one pass at the given time; the timer handles of the "Timer" messages it sent.
    std::vector<UILib::Handle> PassAt(double time)
    {
        UILib::SetTimeOverride(time);
        owner->received.clear();
        manager->ProcessTimers();
        std::vector<UILib::Handle> fired;
        for (const CWindowMessage& message : owner->received)
        {
            EXPECT_TRUE(message.Is("Timer"));
            EXPECT_TRUE(message.IsInput());
            fired.push_back(message.first);
        }
        return fired;
    }
    using Fired = std::vector<UILib::Handle>;

    CTestWindow* owner = nullptr;
};

TEST_F(Timers, OneShotPeriodicAndZero)
{
    const UILib::Handle once = owner->SetTimer(100, false);
    EXPECT_EQ(PassAt(1.05), Fired{});
    EXPECT_EQ(PassAt(1.1), Fired{once});
    EXPECT_FALSE(manager->KillTimer(once)) << "a fired one-shot timer is gone";
    EXPECT_EQ(PassAt(2.0), Fired{});

    const UILib::Handle periodic = owner->SetTimer(100, true);
    for (int frame = 1; frame <= 4; ++frame)
    {
        EXPECT_EQ(PassAt(2.0 + 0.35 * frame), Fired{periodic}) << "frame " << frame;
    }
    EXPECT_TRUE(owner->KillTimer(periodic));
    EXPECT_FALSE(owner->KillTimer(periodic));

    const UILib::Handle zero = owner->SetTimer(0, true);
    EXPECT_EQ(PassAt(3.5), Fired{zero});
    EXPECT_EQ(PassAt(3.6), Fired{});
    EXPECT_FALSE(manager->SetTimerInterval(zero, 10));
}

TEST_F(Timers, EarlierDueFiresFirstAndIntervalsReArm)
{
    const UILib::Handle later = owner->SetTimer(200, false);
    const UILib::Handle earlier = owner->SetTimer(100, false);
    EXPECT_EQ(PassAt(1.3), (Fired{earlier, later}));

    const UILib::Handle t = owner->SetTimer(1000, false);
    EXPECT_TRUE(manager->SetTimerInterval(t, 50)); // due 1.35, now periodic
    EXPECT_EQ(PassAt(1.35), Fired{t});
    EXPECT_EQ(PassAt(1.41), Fired{t});
}

TEST_F(Timers, DeletingTheOwnerKillsItsTimers)
{
    CTestWindow* other = Child(nullptr, "other", 0, 0, 10, 10);
    const UILib::Handle t = other->SetTimer(10, true);
    other->Delete();
    EXPECT_FALSE(manager->KillTimer(t));
    EXPECT_EQ(PassAt(5.0), Fired{});
}

TEST_F(Timers, AHandlerSettingZeroTimersGetsOnePerPass)
{
    owner->onMessage = [this](const CWindowMessage& message) {
        if (message.Is("Timer"))
        {
            owner->SetTimer(0, false);
        }
        return false;
    };
    owner->SetTimer(0, false);
    // The clock stands still during the pass, as under the framework's frame time.
    for (int pass = 0; pass < 3; ++pass)
    {
        EXPECT_EQ(PassAt(2.0).size(), 1u) << "pass " << pass;
    }
}

TEST_F(Timers, UnhandledTimerIsConsumedWithAWarning)
{
    CTestWindow* plain = Child(owner, "plain", 0, 0, 5, 5);
    const UILib::Handle t = plain->SetTimer(0, false);
    Platform::DebugOutputCapture capture;
    PassAt(1.0);
    EXPECT_NE(capture.Text().find("unhandled timer"), std::string::npos) << capture.Text();
    char handleText[16];
    std::snprintf(handleText, sizeof(handleText), "%08x", t);
    EXPECT_NE(capture.Text().find(handleText), std::string::npos);
    EXPECT_TRUE(owner->received.empty()) << "not bubbled";
}

// Tracks

template <typename Description, typename Value> struct Bound
{
    Description description;
    Value value{};
    CGenericProperty Property() { return CGenericProperty(&value, &description); }
};

std::unique_ptr<CGenericAnimationTrack> TrackWithKeys(CGenericProperty property,
                                                      std::vector<std::pair<float, std::string>> keys)
{
    auto track = UILib::CreateAnimationTrack(property);
    EXPECT_NE(track, nullptr);
    if (track != nullptr)
    {
        for (const auto& [time, text] : keys)
        {
            track->AddKeyFromText(time, text);
        }
    }
    return track;
}

std::vector<std::string> KeyTexts(const CGenericAnimationTrack& track)
{
    std::vector<std::string> texts;
    for (int i = 0; i < track.GetLookUpTable().GetKeyCount(); ++i)
    {
        texts.push_back(track.GetKeyValueText(i));
    }
    return texts;
}

TEST(AnimationTracks, FloatLinear)
{
    Bound<BaseLib::CPropertyDescriptionGenericScalar<float>, float> f{{"F", "", 0.0f, -100.0f, 100.0f}};
    auto track = TrackWithKeys(f.Property(), {{0.0f, "0"}, {1.0f, "10"}});
    EXPECT_EQ(track->GetInterpolation(), 1);
    const std::pair<float, float> cases[] = {{0.5f, 5.0f}, {2.0f, 10.0f}, {-1.0f, 0.0f}};
    for (const auto& [time, expected] : cases)
    {
        track->Apply(time);
        EXPECT_EQ(f.value, expected) << time;
    }
    EXPECT_EQ(track->GetValueText(0.5f), "5");
    track->AddKeyFromText(1.0f, "20"); // an equal time replaces
    EXPECT_EQ(KeyTexts(*track), (std::vector<std::string>{"0", "20"}));
    // The description's bounds apply.
    track->AddKeyFromText(3.0f, "500");
    track->Apply(3.0f);
    EXPECT_EQ(f.value, 100.0f);
}

TEST(AnimationTracks, BoolAndEnumerationStep)
{
    Bound<BaseLib::CPropertyDescriptionGenericBool, bool> b{{"B", "", false}};
    auto boolTrack = TrackWithKeys(b.Property(), {{0.0f, "false"}, {1.0f, "true"}});
    EXPECT_EQ(boolTrack->GetInterpolation(), 0);
    boolTrack->Apply(0.99f);
    EXPECT_FALSE(b.value);
    boolTrack->Apply(1.0f);
    EXPECT_TRUE(b.value);

    Bound<BaseLib::CPropertyDescriptionGenericEnum, int> e{{"E", "", "a", "a b c"}};
    auto enumTrack = TrackWithKeys(e.Property(), {{0.0f, "0"}, {1.0f, "2"}});
    EXPECT_EQ(enumTrack->GetInterpolation(), 0);
    enumTrack->Apply(0.5f);
    EXPECT_EQ(e.value, 0);
    enumTrack->Apply(1.0f);
    EXPECT_EQ(e.value, 2);
    EXPECT_EQ(KeyTexts(*enumTrack), (std::vector<std::string>{"0", "2"}));
}

TEST(AnimationTracks, VectorColourAndOthers)
{
    Bound<BaseLib::CPropertyDescriptionGenericScalar<BaseLib::CVector3>, BaseLib::CVector3> v{
        {"V", "", {}, {-10, -10, -10}, {10, 10, 10}}};
    auto vectorTrack = TrackWithKeys(v.Property(), {{0.0f, "(1.5, -2, 3.25)"}});
    vectorTrack->Apply(0.0f);
    EXPECT_EQ(v.value.x, 1.5f);
    EXPECT_EQ(v.value.y, -2.0f);
    EXPECT_EQ(v.value.z, 3.25f);
    EXPECT_EQ(KeyTexts(*vectorTrack), (std::vector<std::string>{"(1.5, -2, 3.25)"}));

    Bound<BaseLib::CPropertyDescriptionGenericColor, BaseLib::CColor> c{{"C", "", {}}};
    auto colourTrack = TrackWithKeys(c.Property(), {{0.0f, "(255, 0, 0)"}, {1.0f, "(0, 0, 255, 128)"}});
    EXPECT_EQ(KeyTexts(*colourTrack), (std::vector<std::string>{"(255, 0, 0, 255)", "(0, 0, 255, 128)"}));
    colourTrack->Apply(-1.0f);
    EXPECT_EQ(c.value, BaseLib::CColor(255, 0, 0, 255));

    Bound<BaseLib::CPropertyDescriptionGenericString<BaseLib::CString>, BaseLib::CString> s{{"S", "", ""}};
    auto stringTrack = TrackWithKeys(s.Property(), {{0.0f, "one"}, {1.0f, "two"}});
    stringTrack->Apply(0.7f);
    EXPECT_EQ(s.value, "one");

    Bound<BaseLib::CPropertyDescriptionGenericFilename<std::string>, std::string> file{
        {"File", "", "", "*.png", "", false}};
    EXPECT_EQ(UILib::CreateAnimationTrack(file.Property()), nullptr);
}

// Animations

// A float property whose value equals the animation time: keys (0, 0) and (10, 10), linear.
struct TimeProbe
{
    Bound<BaseLib::CPropertyDescriptionGenericScalar<float>, float> f{{"F", "", 0.0f, -100.0f, 100.0f}};
    CWindowAnimationSet set;
    CWindowAnimation* animation = nullptr;

    TimeProbe(float length, bool loop)
    {
        animation = set.GetOrCreateAnimation("a");
        set.AddKey(*animation, 0.0f, f.Property(), "0");
        set.AddKey(*animation, 10.0f, f.Property(), "10");
        animation->SetLength(length);
        animation->SetLoop(loop);
    }
};

TEST(WindowAnimations, PlayForwardReverseAndLoop)
{
    TimeProbe forward(2.0f, false);
    forward.set.Play("a", 1.0f, false);
    std::vector<float> applied;
    for (int frame = 0; frame < 6; ++frame)
    {
        forward.set.Update(0.5f);
        if (applied.empty() || applied.back() != forward.f.value)
        {
            applied.push_back(forward.f.value);
        }
    }
    EXPECT_EQ(applied, (std::vector<float>{0.5f, 1.0f, 1.5f, 2.0f}));
    EXPECT_FALSE(forward.set.IsPlaying("a"));

    TimeProbe reverse(2.0f, false);
    reverse.set.Play("a", 2.0f, true);
    EXPECT_EQ(reverse.animation->GetTime(), 2.0f);
    reverse.set.Update(0.5f);
    EXPECT_EQ(reverse.f.value, 1.0f);
    reverse.set.Update(0.75f);
    EXPECT_EQ(reverse.f.value, 0.0f);
    EXPECT_FALSE(reverse.set.IsAnyPlaying());

    TimeProbe looping(2.0f, true);
    looping.animation->SetTime(2.5f);
    EXPECT_EQ(looping.f.value, 0.5f);

    TimeProbe empty(0.0f, true);
    empty.set.Play("a", 1.0f, false);
    empty.set.Update(1.3f);
    EXPECT_EQ(empty.animation->GetTime(), 0.0f);
    EXPECT_TRUE(empty.set.IsPlaying("a"));
}

// A window with a float and a colour property besides the base ones.
class CAnimatedWindow : public CWindow
{
public:
    void GetProperties(UILib::CPropertyList& list) override
    {
        CWindow::GetProperties(list);
        static const BaseLib::CPropertyDescriptionScalar<CAnimatedWindow, float> alpha(
            "Alpha", "", 1.0f, 0.0f, 1.0f, &CAnimatedWindow::SetAlpha, &CAnimatedWindow::GetAlpha);
        static const BaseLib::CPropertyDescriptionColor<CAnimatedWindow> tint(
            "Tint", "", BaseLib::CColor(), &CAnimatedWindow::SetTint, &CAnimatedWindow::GetTint);
        list.emplace_back(this, &alpha);
        list.emplace_back(this, &tint);
    }
    void SetAlpha(float value) { m_alpha = value; }
    float GetAlpha() const { return m_alpha; }
    void SetTint(const BaseLib::CColor& value) { m_tint = value; }
    BaseLib::CColor GetTint() const { return m_tint; }

private:
    float m_alpha = 1.0f;
    BaseLib::CColor m_tint;
};

class AnimatedWindows : public UiTest::UiFixture
{
protected:
    void TearDown() override
    {
        UILib::SetTimeOverride(-1.0);
        UiFixture::TearDown();
    }
    static TiXmlElement* Parse(TiXmlDocument& document, const char* text)
    {
        document.Parse(text);
        EXPECT_FALSE(document.Error()) << document.ErrorDesc();
        return document.RootElement();
    }
    static std::string Written(CWindow& window)
    {
        TiXmlDocument document;
        window.SaveXml(&document, false);
        TiXmlPrinter printer;
        document.Accept(&printer);
        return printer.CStr();
    }
};

TEST_F(AnimatedWindows, LengthsFromTheLayout)
{
    TiXmlDocument document;
    CWindow window;
    ASSERT_TRUE(window.LoadXml(Parse(document, R"xml(<window>
        <animation name="five"><track name="Position"><key time="0" value="(0, 0)"/><key time="5" value="(5, 0)"/></track></animation>
        <animation name="one"><track name="Position"><key time="1" value="(1, 0)"/></track></animation>
        <animation name="inf" length="inf" loop="YES"><track name="Position"><key time="nan" value="(1, 0)"/></track></animation>
        <animation length="9"/>
        </window>)xml")));
    const CWindowAnimationSet* set = window.GetAnimations();
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->GetCount(), 3u);
    EXPECT_EQ(set->FindAnimation("five")->GetLength(), 5.0f);
    EXPECT_EQ(set->FindAnimation("one")->GetLength(), 3.0f);
    const CWindowAnimation* inf = set->FindAnimation("inf");
    EXPECT_EQ(inf->GetLength(), 3.0f);
    EXPECT_TRUE(inf->GetLoop());
    EXPECT_EQ(inf->GetTracks()[0]->GetLookUpTable().GetKey(0), 0.0f);
}

TEST_F(AnimatedWindows, ReadWriteReadGivesTheSameKeys)
{
    const char* layout = R"xml(<window type="CWindow">
        <animation name="show" length="2" loop="false">
          <track name="Alpha" interpolation="2"><key time="0" value="0"/><key time="1.5" value="0.75"/></track>
          <track name="Position"><key time="0" value="(-10, 20)"/><key time="2" value="(30, 40)"/></track>
          <track name="Tint"><key time="0" value="(255, 0, 0, 255)"/><key time="2" value="(10, 20, 30, 40)"/></track>
          <track name="Visible"><key time="0" value="true"/><key time="2" value="false"/></track>
        </animation></window>)xml";
    TiXmlDocument document;
    CAnimatedWindow first;
    ASSERT_TRUE(first.LoadXml(Parse(document, layout)));
    const std::string once = Written(first);
    EXPECT_NE(once.find(R"xml(value="(255, 0, 0, 255)")xml"), std::string::npos) << once;
    EXPECT_NE(once.find(R"xml(interpolation="2")xml"), std::string::npos);

    TiXmlDocument again;
    CAnimatedWindow second;
    ASSERT_TRUE(second.LoadXml(Parse(again, once.c_str())));
    EXPECT_EQ(Written(second), once);
    TiXmlDocument third;
    CAnimatedWindow last;
    ASSERT_TRUE(last.LoadXml(Parse(third, Written(second).c_str())));
    EXPECT_EQ(Written(last), once);

    // A track without keys is not written.
    CWindowAnimationSet& set = last.EnsureAnimations();
    UILib::CPropertyList list;
    last.GetProperties(list);
    set.GetOrCreateAnimation("show")->GetOrCreateTrack(list[0]); // "Name", no keys
    EXPECT_EQ(Written(last), once);
}

TEST_F(AnimatedWindows, PositionTrackMovesTheWindowFrameByFrame)
{
    TiXmlDocument document;
    CWindow* window = Child(nullptr, "w", 0, 0, 10, 10);
    ASSERT_TRUE(window->LoadXml(Parse(document, R"xml(<window>
        <animation name="slide" length="1"><track name="Position"><key time="0" value="(0, 0)"/><key time="1" value="(100, 0)"/></track></animation>
        <animation name="cut"><track name="Size"><key time="0" value="(20, 20)"/></track><track name="Bogus"/><track name="Position"><key time="0" value="(7, 7)"/></track></animation>
        <animation name="after"><track name="Position"><key time="0" value="(1, 1)"/></track></animation>
        </window>)xml")));
    // An unknown track name ends only its own animation's tracks.
    EXPECT_EQ(window->GetAnimations()->FindAnimation("cut")->GetTracks().size(), 1u);
    EXPECT_EQ(window->GetAnimations()->FindAnimation("after")->GetTracks().size(), 1u);

    UILib::SetTimeOverride(100.0);
    manager->Update();
    window->PlayAnimation("slide", false, 1.0f, false);
    std::vector<CPoint> path;
    for (double t : {100.25, 100.5, 100.75, 101.0, 101.25})
    {
        UILib::SetTimeOverride(t);
        manager->Update();
        path.push_back(window->GetPosition());
    }
    EXPECT_EQ(path, (std::vector<CPoint>{{25, 0}, {50, 0}, {75, 0}, {100, 0}, {100, 0}}));
    EXPECT_FALSE(window->IsAnyAnimationPlaying(false));

    // Recursive operations reach the children.
    CWindow* parent = Child(nullptr, "p", 0, 0, 10, 10);
    parent->AddChild(window->GetHandle());
    parent->PlayAnimation("slide", true, 1.0f, true);
    EXPECT_TRUE(parent->IsAnimationPlaying("slide", true));
    EXPECT_FALSE(parent->IsAnimationPlaying("slide", false));
    parent->SetAnimationTime("slide", 0.5f, true);
    EXPECT_EQ(window->GetPosition(), CPoint(50, 0));
    parent->Delete();
}

TEST_F(AnimatedWindows, BindTracksFollowsTheCurrentPropertyList)
{
    Bound<BaseLib::CPropertyDescriptionGenericScalar<float>, float> oldTarget{{"Level", "", 0.0f, 0.0f, 10.0f}};
    Bound<BaseLib::CPropertyDescriptionGenericScalar<float>, float> newTarget{{"Level", "", 0.0f, 0.0f, 10.0f}};
    CWindowAnimationSet set;
    CWindowAnimation* animation = set.GetOrCreateAnimation("a");
    set.AddKey(*animation, 0.0f, oldTarget.Property(), "4");

    set.BindTracks({newTarget.Property()});
    animation->SetTime(0.0f);
    EXPECT_EQ(newTarget.value, 4.0f);
    EXPECT_EQ(oldTarget.value, 0.0f);

    set.BindTracks({});
    newTarget.value = 0.0f;
    animation->SetTime(0.0f);
    EXPECT_EQ(newTarget.value, 0.0f) << "unbound tracks are not applied";
    TiXmlElement element("window");
    set.WriteXml(&element);
    EXPECT_EQ(element.FirstChildElement("animation")->FirstChildElement("track"), nullptr);

    set.BindTracks({newTarget.Property()});
    animation->SetTime(0.0f);
    EXPECT_EQ(newTarget.value, 4.0f) << "bound again";
}

} // namespace
