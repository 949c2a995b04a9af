// The story's cut-scenes over the four adventure maps (media/sequences/<region>/): each script passes the
// shared script check and the rules of a scene on the map, the maps name exactly these scripts, and each
// plays in the running game's map screen to its end with continue pressed as soon as it is offered. The
// arrivals and the ending are written as pictures for a person to look at.
#include "framework/UIScreen.h"
#include "game/GameContext.h"
#include "game/LevelList.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowUIScreen.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/map/EditableMap.h"
#include "game/map/Map.h"
#include "game/map/MapScreen.h"
#include "game/savegame/ProgressRecord.h"
#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "game/sequences/SequenceDialog.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/media/SequenceScriptCheck.h"
#include "tests/media/WindowSystemFixture.h"
#include "ui/controls/Button.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using GameTesting::GameHarness;
using GameTesting::GameSettings;

const fs::path kMedia = QUARROW_MEDIA_DIR;
const char* const kRegions[] = {"jungle", "swamp", "cave", "temple"};

// The scenes the play-through of a map meets (arrival, lookout, departure or ending) are kept short.
bool OnTheRoute(const std::string& script)
{
    const std::string name = fs::path(script).stem().string();
    return name == "arrival" || name == "lookout" || name == "departure" || name == "ending";
}

// "jungle/arrival.xml" and so on: every story script in the region folders, sorted.
std::vector<std::string> StoryScripts()
{
    std::vector<std::string> scripts;
    for (const char* region : kRegions)
    {
        const fs::path folder = kMedia / "sequences" / region;
        if (!fs::is_directory(folder))
        {
            continue;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        {
            if (entry.is_regular_file() && entry.path().extension() == ".xml")
            {
                scripts.push_back(std::string(region) + "/" + entry.path().filename().string());
            }
        }
    }
    std::sort(scripts.begin(), scripts.end());
    return scripts;
}

std::string Attribute(const TiXmlElement* element, const char* name)
{
    const char* value = element->Attribute(name);
    return value != nullptr ? value : "";
}

void ForEachElement(const TiXmlElement* element, const std::function<void(const TiXmlElement*)>& visit)
{
    visit(element);
    for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement())
    {
        ForEachElement(child, visit);
    }
}

bool TestsAVariable(const std::string& script)
{
    std::ifstream file(kMedia / "sequences" / script, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return text.find("<testvariable") != std::string::npos;
}

// Width and height from a PNG file's header; 0 x 0 when it is not a PNG.
std::pair<int, int> PngSize(const fs::path& file)
{
    std::ifstream stream(file, std::ios::binary);
    unsigned char header[24] = {};
    stream.read(reinterpret_cast<char*>(header), sizeof header);
    if (!stream || header[1] != 'P' || header[2] != 'N' || header[3] != 'G')
    {
        return {0, 0};
    }
    auto word = [&](int at) { return header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8 | header[at + 3]; };
    return {word(16), word(20)};
}

std::string Name(const ::testing::TestParamInfo<std::string>& info)
{
    std::string name = info.param.substr(0, info.param.size() - 4);
    std::replace(name.begin(), name.end(), '/', '_');
    return name;
}

// The window system with the dialog box's pictures and fonts found as the game finds them.
class StoryScriptTest : public MediaTesting::WindowSystemFixture, public ::testing::WithParamInterface<std::string>
{
protected:
    void SetUp() override
    {
        MediaTesting::WindowSystemFixture::SetUp();
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>").c_str());
    }
};

} // namespace

TEST_P(StoryScriptTest, PassesTheScriptCheck)
{
    for (const std::string& problem : MediaTesting::CheckSequenceScript(kMedia / "sequences" / GetParam(), kMedia))
    {
        ADD_FAILURE() << problem;
    }
}

// The rules of a scene on the map: its own pictures in its region's folder within 1024 x 768, each brought
// in from the black brightness panel; the map's speech box (the extro box for the ending) with a known
// orientation; no board command, no endless wait, waits of at most 5 s; every marker shown is hidden again
// in its scene; every scene ends its script with the end of the sequence or a switch to another scene.
TEST_P(StoryScriptTest, KeepsTheRulesOfAMapScene)
{
    const std::string script = GetParam();
    const std::string region = script.substr(0, script.find('/'));
    const bool ending = script == "temple/ending.xml";
    TiXmlDocument document;
    ASSERT_TRUE(document.LoadFile((kMedia / "sequences" / script).string().c_str(), TIXML_ENCODING_UTF8));
    int pictures = 0;
    ForEachElement(document.RootElement(), [&](const TiXmlElement* element) {
        const std::string name = element->Value();
        EXPECT_TRUE(name != "blockat" && name != "noblockat" && name != "puzzlesolved" &&
                    name != "disablegamecontrols" && name != "waitforever" && name != "blockmarker")
            << name;
        if (name == "timerelapsed")
        {
            double time = 0.0;
            element->QueryDoubleAttribute("time", &time);
            EXPECT_LE(time, 5.0);
        }
        if (name == "dialogtextsequence" || name == "dialogbox")
        {
            const std::string orientation = Attribute(element, "orientation");
            EXPECT_TRUE(orientation.empty() || orientation == "left" || orientation == "right" || orientation == "neutral")
                << orientation;
        }
        if (name == "dialogbox" && std::string(element->Parent()->Value()) == "resources")
        {
            EXPECT_EQ(ending ? "extro" : "", Attribute(element, "mode"));
        }
        if (name == "bitmap")
        {
            ++pictures;
            const std::string file = Attribute(element, "file");
            EXPECT_EQ(0u, file.find("sequences/" + region + "/")) << file;
            EXPECT_EQ(".png", fs::path(file).extension()) << file;
            const auto [width, height] = PngSize(kMedia / "interface" / file);
            EXPECT_TRUE(width > 0 && width <= 1024 && height > 0 && height <= 768) << file;
        }
    });
    EXPECT_GE(pictures, 1);

    for (const TiXmlElement* scene = document.RootElement()->FirstChildElement("scene"); scene != nullptr;
         scene = scene->NextSiblingElement("scene"))
    {
        const std::string id = Attribute(scene, "id");
        const TiXmlElement* resources = scene->FirstChildElement("resources");
        const bool hasPicture = resources != nullptr && resources->FirstChildElement("bg") != nullptr;
        const TiXmlElement* body = scene->FirstChildElement("script");
        ASSERT_NE(nullptr, body) << id;
        bool broughtIn = false;
        bool markerShown = false;
        const TiXmlElement* last = nullptr;
        for (const TiXmlElement* action = body->FirstChildElement(); action != nullptr;
             action = action->NextSiblingElement())
        {
            const std::string name = action->Value();
            if (name == "setbrightness" && Attribute(action, "value") == "1")
            {
                broughtIn = true;
            }
            if (name == "dialogtextsequence" || name == "dialogbox")
            {
                EXPECT_TRUE(broughtIn || !hasPicture) << id << ": text before the picture is brought in";
            }
            if (name == "mapcellmarker")
            {
                markerShown = Attribute(action, "show") != "false";
            }
            last = action;
        }
        EXPECT_FALSE(markerShown) << id << ": a cell marker is left shown";
        ASSERT_NE(nullptr, last) << id;
        const std::string end = last->Value();
        EXPECT_TRUE(end == "endsequence" || end == "switchtoscene") << id << " ends with " << end;
        EXPECT_TRUE(!hasPicture || broughtIn) << id << ": the picture is never brought in";
    }
}

INSTANTIATE_TEST_SUITE_P(Story, StoryScriptTest, ::testing::ValuesIn(StoryScripts()), Name);

// Every "cutscene" and "cutscene2" of the four maps has its script, every story script is named by a
// cell, and each map tells five scenes: the arrival on its start cell and four more.
TEST(StoryMapsTest, TheMapsNameExactlyTheStoryScripts)
{
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("level", (kMedia / "levels").string());
    aliases.RegisterPathAlias("interface", (kMedia / "interface").string());
    std::set<std::string> named;
    for (int index = 1; index <= 4; ++index)
    {
        CMap map;
        map.SetPathAliases(&aliases);
        ASSERT_TRUE(map.LoadXml(index, aliases.ResolvePath(GetMapFileName(index))));
        int scenes = 0;
        for (int y = 0; y < map.GetSize().cy; ++y)
        {
            for (int x = 0; x < map.GetSize().cx; ++x)
            {
                const MapCell& cell = map.GetCell(x, y);
                for (const std::string& name : {cell.cutscene, cell.cutscene2})
                {
                    if (name.empty())
                    {
                        continue;
                    }
                    ++scenes;
                    named.insert(name);
                    EXPECT_TRUE(fs::is_regular_file(kMedia / "sequences" / name)) << name;
                }
            }
        }
        EXPECT_EQ(5, scenes) << kRegions[index - 1];
        const MapCell& start = map.GetCell(map.GetStartCell().x, map.GetStartCell().y);
        EXPECT_EQ(std::string(kRegions[index - 1]) + "/arrival.xml", start.cutscene);
        EXPECT_EQ(MapCell::TriggerEntered, start.GetSequence1Trigger());
    }
    const std::vector<std::string> scripts = StoryScripts();
    EXPECT_EQ(20u, scripts.size());
    for (const std::string& script : scripts)
    {
        EXPECT_EQ(1u, named.count(script)) << script << " is named by no cell";
    }
}

namespace
{

struct StoryRun
{
    std::string script;
    bool everything; // all keys and 8 pylons; else no key and none
};

std::string RunName(const ::testing::TestParamInfo<StoryRun>& info)
{
    std::string name = info.param.script.substr(0, info.param.script.size() - 4);
    std::replace(name.begin(), name.end(), '/', '_');
    return name + (TestsAVariable(info.param.script) ? (info.param.everything ? "_everything" : "_nothing") : "");
}

std::vector<StoryRun> StoryRuns()
{
    std::vector<StoryRun> runs;
    for (const std::string& script : StoryScripts())
    {
        runs.push_back({script, false});
        if (TestsAVariable(script))
        {
            runs.push_back({script, true});
        }
    }
    return runs;
}

// A screen the map leads to that does nothing.
class StandInScreen : public CQuarrowUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world) : CQuarrowUIScreen(ui, world) {}
    void Update() override {}
    void OnActivate() override {}
    void OnDeactivate() override {}
};

class StoryRunTest : public ::testing::TestWithParam<StoryRun>
{
protected:
    static constexpr double FrameSeconds = 0.08;

    CMapScreen& Screen() const { return *static_cast<CMapScreen*>(game->Screens().FindScreen("map")); }
    GameContext& Context() const { return *game->World().GetGameContext(); }
    std::string State() const { return Screen().GetStates().GetCurrentStateName(); }
    bool OnMapIn(const std::string& state) const
    {
        return game->Screens().GetCurrentScreenName() == "map" && State() == state;
    }
    CDialogBox* Box() const
    {
        UILib::CWindow* canvas = Screen().GetPanel()->FindChildByName("cutscenecanvas", true);
        for (int i = 0; canvas != nullptr && i < canvas->GetChildCount(); ++i)
        {
            if (auto* box = dynamic_cast<CDialogBox*>(UILib::CWindowManager::GetInstance()->Resolve(canvas->GetChildHandle(i))))
            {
                return box;
            }
        }
        return nullptr;
    }

    std::unique_ptr<GameHarness> game;
};

} // namespace

// The script plays in the map screen of the running game on its region's map, as a cell would start it,
// typing hurried and continue pressed as soon as it is offered: it ends within 120 s of game time, its
// first page shows over a picture brought in from black, it keeps to its number of pages, and it leaves
// no cell marked.
TEST_P(StoryRunTest, PlaysToItsEndInTheMapScreen)
{
    const StoryRun& run = GetParam();
    const std::string region = run.script.substr(0, run.script.find('/'));
    const int mapIndex = static_cast<int>(std::find(std::begin(kRegions), std::end(kRegions), region) - std::begin(kRegions)) + 1;

    GameSettings settings;
    settings.renderer = "2d";
    settings.frameSeconds = FrameSeconds;
    // A small window draws fast; the runs whose first page is kept as a picture draw at full size.
    const bool kept = run.script.ends_with("arrival.xml") || run.script == "temple/ending.xml";
    settings.width = kept ? 1024 : 512;
    settings.height = kept ? 768 : 384;
    game = std::make_unique<GameHarness>(settings);
    ASSERT_TRUE(game->Start());
    for (const char* name : {"gamemenu", "ingame2d", "ingame3d"})
    {
        game->AddScreen(name, new StandInScreen(&game->UI(), &game->World()));
    }
    game->AddProfile("Ann");
    ASSERT_TRUE(game->SwitchTo("gamemenu"));
    ASSERT_TRUE(game->RunFrames(1));
    ProgressRecord& progress = Context().GetProgress();
    progress.SetCurrentMap(mapIndex);
    progress.GetMapProgress(mapIndex).SetOpen(true);
    for (int key = 0; key < 3; ++key)
    {
        progress.SetKeyCount(key, run.everything ? 1 : 0);
    }
    progress.SetPylonCount(run.everything ? 8 : 0);
    // Every scene of the map played already, so only the one under test plays.
    for (int cell = 0; cell < MapProgress::CellCount; ++cell)
    {
        progress.GetMapProgress(mapIndex).SetCellState(cell, 0x30);
    }
    ASSERT_TRUE(game->SwitchTo("map"));
    ASSERT_TRUE(game->RunUntil([&] { return OnMapIn("Walking"); }, "the map screen walking", 1500));

    // As the world hands a cell's sequence to the screen.
    Context().SetLevelName(run.script);
    Context().SetState(GameContext::SequencePending);
    const int start = game->Frames();
    ASSERT_TRUE(game->RunUntil(
        [&] { return OnMapIn("Sequence") && Screen().GetSequenceDialog()->IsContinueOffered(); },
        "the first page offered", 1000));

    // The first page, typed out over the picture: the canvas above the speech box is not black.
    const std::string picture = "story_" + RunName({run, 0});
    ASSERT_TRUE(game->Screenshot(kept ? std::string(QUARROW_TEST_OUTPUT_DIR) : game->Folder().string(), picture));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels frame = game->ReadFrame(width, height);
    ASSERT_FALSE(frame.empty());
    UILib::CWindow* canvas = Screen().GetPanel()->FindChildByName("cutscenecanvas", true);
    ASSERT_NE(nullptr, canvas);
    const BaseLib::CRect area = game->WindowPixels(*canvas);
    int lit = 0;
    int total = 0;
    for (int y = area.top + 140; y < area.top + 240 && y < height; ++y)
    {
        for (int x = area.left; x < area.right && x < width; ++x)
        {
            const std::uint32_t pixel = frame[static_cast<std::size_t>(y) * width + x];
            lit += ((pixel >> 16 & 0xFF) > 24 || (pixel >> 8 & 0xFF) > 24 || (pixel & 0xFF) > 24) ? 1 : 0;
            ++total;
        }
    }
    EXPECT_GT(lit, total / 2) << "the canvas is black on the first page";

    int pages = 0;
    bool offered = false;
    game->SetFrameHook([&] {
        if (!game->IsRunning() || game->Screens().GetCurrentScreenName() != "map" || State() != "Sequence")
        {
            return;
        }
        CSequenceDialog* dialog = Screen().GetSequenceDialog();
        if (dialog->IsContinueOffered())
        {
            ++pages;
            offered = true;
            dialog->GetContinueButton()->NotifyClick();
        }
        else if (CDialogBox* box = Box())
        {
            box->SetFastForward(true);
        }
    });
    // The first page is still offered.
    ASSERT_TRUE(game->RunUntil([&] { return OnMapIn("Walking"); }, "the scene's end",
                               static_cast<int>(120.0 / FrameSeconds) + 200, 100.0));
    game->SetFrameHook(nullptr);
    EXPECT_LE((game->Frames() - start) * FrameSeconds, 120.0);
    EXPECT_TRUE(offered);
    EXPECT_LE(pages, OnTheRoute(run.script) ? 4 : 8);
    BaseLib::CVector2 marked;
    EXPECT_FALSE(game->World().GetMap()->GetHighlight(marked)) << "a cell is left marked";
    EXPECT_EQ(GameContext::MapRunning, Context().GetState());
    EXPECT_EQ(std::string::npos, game->Trace().find("failed to load xml file"));
    EXPECT_EQ(std::string::npos, game->Trace().find("not registered"));
}

INSTANTIATE_TEST_SUITE_P(Story, StoryRunTest, ::testing::ValuesIn(StoryRuns()), RunName);
