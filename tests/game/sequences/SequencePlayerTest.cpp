#include "game/sequences/SequencePlayer.h"

#include "platform/os/DebugOutput.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace
{

// Records every command it runs and every scene it enters or leaves. "step" finishes; "hold" waits
// unless a release is left; "yes" and "no" are conditions that hold or fail; "res" a resource. Each logs its
// "name" attribute.
class RecordingPlayer : public CSequencePlayer
{
public:
    void RegisterCommands() override
    {
        CSequencePlayer::RegisterCommands();
        RegisterAction("step", ActionDelegate(this, &RecordingPlayer::Step));
        RegisterAction("hold", ActionDelegate(this, &RecordingPlayer::Hold));
        RegisterCondition("yes", ConditionDelegate(this, &RecordingPlayer::Yes));
        RegisterCondition("no", ConditionDelegate(this, &RecordingPlayer::No));
        RegisterResource("res", ResourceDelegate(this, &RecordingPlayer::Resource));
    }
    void OnSequenceStart() override { log.push_back("start"); }
    void OnSequenceEnd() override { log.push_back("end"); }
    void OnSceneEnter() override
    {
        log.push_back("enter " + GetSceneId());
        CSequencePlayer::OnSceneEnter();
    }
    void OnSceneLeave() override { log.push_back("leave " + GetSceneId()); }

    bool Step(const TiXmlElement* element, double) { return Log("step", element, false); }
    bool Hold(const TiXmlElement* element, double)
    {
        const bool release = releases > 0;
        releases -= release ? 1 : 0;
        return Log("hold", element, !release);
    }
    bool Yes(const TiXmlElement* element) { return Log("yes", element, true); }
    bool No(const TiXmlElement* element) { return Log("no", element, false); }
    void Resource(const TiXmlElement* element) { Log("res", element, false); }
    bool Other(const TiXmlElement* element, double) { return Log("other", element, false); }

    // The log since the last call.
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken;
        taken.swap(log);
        return taken;
    }

    std::vector<std::string> log;
    int releases = 0; // "hold" elements that finish before holding again

private:
    bool Log(const char* kind, const TiXmlElement* element, bool result)
    {
        log.push_back(std::string(kind) + " " + GetAttribute(element, "name"));
        return result;
    }
};

using Log = std::vector<std::string>;

std::string Repeat(const std::string& piece, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
    {
        text += piece;
    }
    return text;
}

class SequencePlayerTest : public TempFolderTest
{
protected:
    // A script file of the scenes' XML inside "sequence".
    std::string Script(const std::string& name, const std::string& scenes)
    {
        WriteFile(name, "<?xml version=\"1.0\"?>\n<sequence>\n" + scenes + "</sequence>\n");
        return PathOf(name);
    }
    void Begin(const std::string& path)
    {
        player.RegisterCommands();
        ASSERT_TRUE(player.Load(path));
        player.Start();
    }

    RecordingPlayer player;
};

TEST_F(SequencePlayerTest, FinishedActionsRunInOneFrameAndTheNextFrameEntersTheNextScene)
{
    Begin(Script("three.xml", R"(
        <scene id="a"><resources><res name="r1"/><res name="r2"/></resources>
            <script><step name="1"/><!-- a comment -->text<step name="2"/><step name="3"/></script></scene>
        <ignored/>
        <scene id="b"><script><hold name="h"/></script></scene>)"));
    EXPECT_EQ(player.Take(), (Log{"start", "enter a", "res r1", "res r2"}));
    player.Update(0.1);
    EXPECT_EQ(player.Take(), (Log{"step 1", "step 2", "step 3"}));
    EXPECT_FALSE(player.IsFinished());
    player.Update(0.1);
    EXPECT_EQ(player.Take(), (Log{"leave a", "enter b", "hold h"}));
    player.Update(0.1);
    EXPECT_EQ(player.Take(), (Log{"hold h"})) << "a waiting element runs again";
    player.releases = 1;
    player.Update(0.1);
    EXPECT_EQ(player.Take(), (Log{"hold h"}));
    player.Update(0.1);
    EXPECT_EQ(player.Take(), (Log{"leave b", "end"}));
    EXPECT_TRUE(player.IsFinished());
    player.Update(0.1);
    EXPECT_TRUE(player.Take().empty());
}

TEST_F(SequencePlayerTest, WaitsAndConditionalSwitchesEvaluateInOrderUpToTheDecidingCondition)
{
    struct Case
    {
        const char* element;
        const char* conditions;
        Log log; // of the first frame
    };
    const Case cases[] = {
        {"waitforall", "", {"step after"}},
        {"waitforall", R"(<yes name="1"/><no name="2"/><yes name="3"/>)", {"yes 1", "no 2"}},
        {"waitforall", R"(<yes name="1"/><yes name="2"/>)", {"yes 1", "yes 2", "step after"}},
        {"waitforany", "", {}},
        {"waitforany", R"(<no name="1"/><no name="2"/>)", {"no 1", "no 2"}},
        {"waitforany", R"(<no name="1"/><yes name="2"/><yes name="3"/>)", {"no 1", "yes 2", "step after"}},
        {"switchtosceneifall", "", {"leave a", "enter b", "step in b"}},
        {"switchtosceneifall", R"(<yes name="1"/><no name="2"/><yes name="3"/>)", {"yes 1", "no 2", "step after"}},
        {"switchtosceneifall", R"(<yes name="1"/><yes name="2"/>)", {"yes 1", "yes 2", "leave a", "enter b", "step in b"}},
        {"switchtosceneifany", "", {"step after"}},
        {"switchtosceneifany", R"(<no name="1"/><no name="2"/>)", {"no 1", "no 2", "step after"}},
        {"switchtosceneifany", R"(<no name="1"/><yes name="2"/><yes name="3"/>)", {"no 1", "yes 2", "leave a", "enter b", "step in b"}},
    };
    int index = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.element) + " " + c.conditions);
        RecordingPlayer fresh;
        fresh.RegisterCommands();
        const std::string scenes = std::string(R"(<scene id="a"><script><)") + c.element + R"( id="b">)" + c.conditions +
                                   "</" + c.element + R"(><step name="after"/><hold/></script></scene>
            <scene id="b"><script><step name="in b"/><hold/></script></scene>)";
        ASSERT_TRUE(fresh.Load(Script("case" + std::to_string(index++) + ".xml", scenes)));
        fresh.Start();
        fresh.Take();
        fresh.Update(0.1);
        Log log = fresh.Take();
        log.erase(std::remove(log.begin(), log.end(), "hold "), log.end());
        EXPECT_EQ(log, c.log);
    }
}

TEST_F(SequencePlayerTest, ASwitchToTheRunningSceneEntersItAgainWithItsResources)
{
    Begin(Script("again.xml", R"(
        <scene id="a"><resources><res name="r"/></resources>
            <script><step name="1"/><hold name="h"/><switchtoscene id="a"/></script></scene>)"));
    player.Update(0.1);
    player.Take();
    player.releases = 1;
    player.Update(0.1);
    EXPECT_EQ(player.Take(), (Log{"hold h", "leave a", "enter a", "res r", "step 1", "hold h"}));
    player.Update(0.1);
    EXPECT_EQ(player.Take(), (Log{"hold h"}));
}

TEST_F(SequencePlayerTest, EndSequenceAndASwitchToAFileThatDoesNotLoadFinish)
{
    Begin(Script("end.xml", R"(<scene id="a"><script><step name="1"/><endsequence/><step name="never"/></script></scene>
                                <scene id="b"><script><step name="never"/></script></scene>)"));
    player.Update(0.1);
    EXPECT_EQ(player.Take(), (Log{"start", "enter a", "step 1", "leave a", "end"}));
    EXPECT_TRUE(player.IsFinished());

    RecordingPlayer other;
    other.RegisterCommands();
    ASSERT_TRUE(other.Load(Script("switch.xml", R"(<scene id="a"><script><step name="1"/>
        <switchtosequence file=")" + PathOf("missing.xml") + R"("/><step name="never"/></script></scene>)")));
    other.Start();
    Platform::DebugOutputCapture trace;
    other.Update(0.1);
    EXPECT_EQ(other.Take(), (Log{"start", "enter a", "step 1", "leave a", "end", "start", "end"}));
    EXPECT_TRUE(other.IsFinished());
    EXPECT_NE(trace.Text().find("failed to load xml file!\nfile = " + PathOf("missing.xml")), std::string::npos)
        << trace.Text();

    // A switch to a file that loads starts its first scene in the same frame.
    RecordingPlayer third;
    third.RegisterCommands();
    const std::string target = Script("target.xml", R"(<scene id="t"><script><step name="in t"/><hold/></script></scene>)");
    ASSERT_TRUE(third.Load(Script("switch2.xml", R"(<scene id="a"><script><switchtosequence file=")" + target +
                                                     R"("/></script></scene>)")));
    third.Start();
    third.Update(0.1);
    EXPECT_EQ(third.Take(), (Log{"start", "enter a", "leave a", "end", "start", "enter t", "step in t", "hold "}));
    EXPECT_EQ(third.GetFileName(), target);
}

TEST_F(SequencePlayerTest, ASecondRegistrationReplacesTheFirst)
{
    player.RegisterCommands();
    player.RegisterAction("step", CSequencePlayer::ActionDelegate(&player, &RecordingPlayer::Other));
    ASSERT_TRUE(player.Load(Script("again.xml", R"(<scene><script><step name="1"/></script></scene>)")));
    player.Start();
    player.Update(0.1);
    EXPECT_EQ(player.Take(), (Log{"start", "enter ", "other 1"}));
}

// Scripts a faulty author or a damaged file could give: each runs its frames without a crash or a hang,
// ends in the given state and traces what the case names.
TEST_F(SequencePlayerTest, FaultyScriptsAreTracedAndNeverHang)
{
    struct Case
    {
        const char* name;
        std::string text; // the whole file; "@" stands for the file's own path
        bool loads;
        bool finishedAfter; // after the frames
        std::vector<std::string> traces;
        std::size_t maxTraceLines; // over the frames
        int frames = 100;      // a circle runs its full step limit every frame: fewer
    };
    const std::string head = "<?xml version=\"1.0\"?>\n";
    const Case cases[] = {
        {"not XML", "<sequence>\n<scene>\n</sequence>", false, true,
         {"failed to load xml file!\n", "error = ", "line = 3"}, 10},
        {"nesting too deep to parse", Repeat("<a>", 5000), false, true, {"failed to load xml file!\n"}, 10},
        {"root sequenze", head + "<sequenze><scene><script><hold/></script></scene></sequenze>", true, true, {}, 0},
        {"no scenes", head + "<sequence/>", true, true, {}, 0},
        {"a scene without script", head + "<sequence><scene id=\"a\"/><scene><script><step name=\"1\"/></script></scene></sequence>",
         true, true, {}, 0},
        {"an unknown element", head + "<sequence><scene><script>\n<dance/><hold/></script></scene></sequence>", true,
         false, {"an action with the name 'dance' is not registered\n", ", line 3\n"}, 2},
        {"an unknown condition", head + "<sequence><scene><script><waitforall>\n\n<rain/></waitforall></script></scene></sequence>",
         true, false, {"a condition with the name 'rain' is not registered\n", ", line 4\n"}, 2},
        {"an unknown resource", head + "<sequence><scene><resources><fog/></resources><script><hold/></script></scene></sequence>",
         true, false, {"a resource with the name 'fog' is not registered\n"}, 2},
        {"a scene switching to itself", head + "<sequence><scene id=\"a\"><script><step name=\"1\"/><switchtoscene id=\"a\"/></script></scene></sequence>",
         true, false, {"too many steps in one frame, going on next frame\n"}, 5, 5},
        {"two scenes switching to each other",
         head + "<sequence><scene id=\"a\"><script><switchtoscene id=\"b\"/></script></scene>"
                "<scene id=\"b\"><script><switchtoscene id=\"a\"/></script></scene></sequence>",
         true, false, {"too many steps in one frame, going on next frame\n"}, 5, 5},
        {"a file switching to itself", head + "<sequence><scene><script><switchtosequence file=\"@\"/></script></scene></sequence>",
         true, false, {"too many steps in one frame, going on next frame\n"}, 5, 5},
        {"a switch to an id no scene carries", head + "<sequence><scene id=\"a\"><script><switchtoscene id=\"zz\"/></script></scene>"
                                                      "<scene><script><hold/></script></scene></sequence>",
         true, true, {}, 0},
    };
    int index = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const std::string path = PathOf("bad" + std::to_string(index++) + ".xml");
        std::string text = c.text;
        if (const std::size_t at = text.find('@'); at != std::string::npos)
        {
            text.replace(at, 1, path);
        }
        WriteFile(path.substr(Root().string().size() + 1), text);
        Platform::DebugOutputCapture trace;
        RecordingPlayer bad;
        bad.RegisterCommands();
        EXPECT_EQ(bad.Load(path), c.loads);
        bad.Start();
        for (int frame = 0; frame < c.frames; ++frame)
        {
            bad.Update(0.05);
            // Each Update returns: at most the step limit's elements, each entering and leaving a scene.
            EXPECT_LE(bad.Take().size(), 3u * CSequencePlayer::MaxStepsPerFrame + 4u);
        }
        EXPECT_EQ(bad.IsFinished(), c.finishedAfter);
        const std::string traced = trace.Text();
        for (const std::string& expected : c.traces)
        {
            EXPECT_NE(traced.find(expected), std::string::npos) << expected << " in\n" << traced.substr(0, 2000);
        }
        EXPECT_NE(c.traces.empty(), traced.find(path) != std::string::npos) << "traces name the file";
        EXPECT_LE(static_cast<std::size_t>(std::count(traced.begin(), traced.end(), '\n')), c.maxTraceLines)
            << traced.substr(0, 2000);
    }
}

TEST_F(SequencePlayerTest, ACircleOfSwitchesKeepsGoingFrameByFrame)
{
    Begin(Script("circle.xml", R"(<scene id="a"><resources><res name="a"/></resources><script><switchtoscene id="b"/></script></scene>
        <scene id="b"><resources><res name="b"/></resources><script><switchtoscene id="a"/></script></scene>)"));
    Platform::DebugOutputCapture trace;
    for (int frame = 0; frame < 3; ++frame)
    {
        player.Take();
        player.Update(0.05);
        const Log log = player.Take();
        // Every element is one step: the frame ends at the limit, having entered a scene per step.
        EXPECT_EQ(std::count(log.begin(), log.end(), "res a") + std::count(log.begin(), log.end(), "res b"),
                  CSequencePlayer::MaxStepsPerFrame);
        EXPECT_FALSE(player.IsFinished());
    }
    const std::string text = trace.Text();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << "one trace per frame";
}

} // namespace
