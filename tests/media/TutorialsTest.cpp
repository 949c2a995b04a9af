// The tutorials: basic levels 1 to 4 and jungle levels 1 to 4 name an environment of their region's scene
// whose "sequence" is the level's intro script in sequences/tutorial/. Each script passes the shared
// script check, is written for its own board, gives the controls back and lets the level end only once it
// is solved; played through the game with the level's replay it leads the level to its end.
#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/puzzle/PuzzleScreen.h"
#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "game/sequences/SequenceDialog.h"
#include "foundation/Xml.h"
#include "puzzle/EditablePuzzle.h"
#include "tests/game/puzzle/PuzzleScreenTesting.h"
#include "tests/media/SequenceScriptCheck.h"
#include "tests/media/WindowSystemFixture.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;

const fs::path kMedia = QUARROW_MEDIA_DIR;

struct Tutorial
{
    std::string region; // "basic" or "jungle"
    int map;            // the region's map index
    int level;          // 1 to 4
    std::string Lesson() const { return region + (level < 10 ? "0" : "") + std::to_string(level); }
    std::string LevelFile() const { return region + "/" + (level < 10 ? "0" : "") + std::to_string(level) + ".xml"; }
};

void PrintTo(const Tutorial& tutorial, std::ostream* out)
{
    *out << tutorial.LevelFile();
}

std::vector<Tutorial> Tutorials()
{
    std::vector<Tutorial> tutorials;
    for (const auto& [region, map] : {std::pair<const char*, int>{"basic", 0}, {"jungle", 1}})
    {
        for (int level = 1; level <= 4; ++level)
        {
            tutorials.push_back({region, map, level});
        }
    }
    return tutorials;
}

std::string Name(const ::testing::TestParamInfo<Tutorial>& info)
{
    return info.param.Lesson();
}

std::string Printed(const TiXmlElement* element)
{
    TiXmlPrinter printer;
    element->Accept(&printer);
    return printer.CStr();
}

// The window system with the dialog box's pictures and fonts found as the game finds them.
class TutorialScriptTest : public MediaTesting::WindowSystemFixture, public ::testing::WithParamInterface<Tutorial>
{
protected:
    void SetUp() override
    {
        MediaTesting::WindowSystemFixture::SetUp();
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>").c_str());
    }
};

// One way through a script as far as the checks need it: where it stands and what it has done.
struct Walk
{
    const TiXmlElement* element;
    bool controlsOff;
    bool solved;  // a wait or a switch has seen the puzzle solved
    bool ended;   // "ended" set to "true"
    int switches; // scene switches taken, bounding loops
};

bool HasChild(const TiXmlElement* element, const char* name)
{
    return element->FirstChildElement(name) != nullptr;
}

const TiXmlElement* FirstScriptElement(const TiXmlElement* scene)
{
    const TiXmlElement* script = scene != nullptr ? scene->FirstChildElement("script") : nullptr;
    return script != nullptr ? script->FirstChildElement() : nullptr;
}

const TiXmlElement* SceneById(const TiXmlElement* root, const std::string& id)
{
    for (const TiXmlElement* scene = root->FirstChildElement("scene"); scene != nullptr;
         scene = scene->NextSiblingElement("scene"))
    {
        if (scene->Attribute("id") != nullptr && id == scene->Attribute("id"))
        {
            return scene;
        }
    }
    return nullptr;
}

// Follows every way through the script (a conditional switch both taken and not, a wait for any
// condition passed by each of its conditions) and names each way that ends with the controls off, or
// without "ended" set after the puzzle was seen solved, or that sets "ended" before that.
std::vector<std::string> CheckEveryWay(const TiXmlElement* root)
{
    std::vector<std::string> problems;
    std::vector<Walk> open = {{FirstScriptElement(root->FirstChildElement("scene")), false, false, false, 0}};
    std::set<std::string> reported;
    const auto report = [&](const std::string& problem) {
        if (reported.insert(problem).second)
        {
            problems.push_back(problem);
        }
    };
    while (!open.empty())
    {
        Walk walk = open.back();
        open.pop_back();
        const TiXmlElement* scene = nullptr;
        bool branched = false; // the way goes on in the ways pushed
        while (walk.element != nullptr)
        {
            const std::string name = walk.element->Value();
            scene = walk.element->Parent()->Parent()->ToElement();
            const TiXmlElement* next = walk.element->NextSiblingElement();
            if (name == "disablegamecontrols")
            {
                walk.controlsOff = true;
            }
            else if (name == "enablegamecontrols")
            {
                walk.controlsOff = false;
            }
            else if (name == "setvariable" && std::string(walk.element->Attribute("key") ? walk.element->Attribute("key") : "") == "ended")
            {
                if (!walk.solved)
                {
                    report("\"ended\" is set before the puzzle is solved: " + Printed(walk.element));
                }
                walk.ended = std::string(walk.element->Attribute("value") ? walk.element->Attribute("value") : "") == "true";
            }
            else if (name == "waitforall" && HasChild(walk.element, "puzzlesolved"))
            {
                walk.solved = true;
            }
            else if (name == "waitforany")
            {
                // Each condition may be the one that lets the script on.
                for (const TiXmlElement* condition = walk.element->FirstChildElement(); condition != nullptr;
                     condition = condition->NextSiblingElement())
                {
                    Walk way = walk;
                    way.solved = walk.solved || std::string(condition->Value()) == "puzzlesolved";
                    way.element = next;
                    open.push_back(way);
                }
                branched = true;
                break;
            }
            else if (name == "switchtoscene" || name == "switchtosceneifall" || name == "switchtosceneifany")
            {
                if (++walk.switches > 16)
                {
                    report("a loop of scene switches");
                    branched = true;
                    break;
                }
                Walk taken = walk;
                taken.solved = walk.solved || (name == "switchtosceneifall" && HasChild(walk.element, "puzzlesolved"));
                taken.element = FirstScriptElement(SceneById(root, walk.element->Attribute("id")));
                open.push_back(taken);
                if (name == "switchtoscene")
                {
                    branched = true;
                    break;
                }
            }
            else if (name == "endsequence")
            {
                scene = nullptr;
                walk.element = nullptr;
                break;
            }
            walk.element = next;
        }
        if (branched)
        {
            continue;
        }
        if (scene != nullptr)
        {
            // The script's end goes on with the next scene in the file.
            const TiXmlElement* following = scene->NextSiblingElement("scene");
            if (following != nullptr)
            {
                walk.element = FirstScriptElement(following);
                open.push_back(walk);
                continue;
            }
        }
        if (walk.controlsOff)
        {
            report("a way through the script ends with the game controls off");
        }
        if (!walk.ended)
        {
            report("a way through the script ends without setting \"ended\" to \"true\"");
        }
    }
    return problems;
}

} // namespace

// The level names its tutorial environment, which has the region's model and lights and names the
// script, which exists.
TEST_P(TutorialScriptTest, TheLevelNamesItsEnvironmentWhichNamesTheScriptInTheRegionsScene)
{
    const Tutorial& tutorial = GetParam();
    CEditablePuzzle puzzle;
    ASSERT_TRUE(puzzle.LoadXml((kMedia / "levels" / tutorial.LevelFile()).string()));
    EXPECT_EQ("tutorial_" + tutorial.Lesson(), puzzle.GetEnvironmentName());

    TiXmlDocument own;
    TiXmlDocument region;
    ASSERT_TRUE(BaseLib::XmlLoadFile(own, (kMedia / "environments" / ("tutorial_" + tutorial.Lesson() + ".xml")).string()));
    ASSERT_TRUE(BaseLib::XmlLoadFile(region, (kMedia / "environments" / (tutorial.region + "1.xml")).string()));
    const TiXmlElement* sequence = own.RootElement()->FirstChildElement("sequence");
    ASSERT_NE(nullptr, sequence);
    EXPECT_EQ("tutorial/" + tutorial.Lesson() + ".xml", BaseLib::XmlGetStringAttribute(sequence, "name", ""));
    EXPECT_TRUE(fs::is_regular_file(kMedia / "sequences" / "tutorial" / (tutorial.Lesson() + ".xml")));
    for (const char* part : {"model", "lights"})
    {
        ASSERT_NE(nullptr, own.RootElement()->FirstChildElement(part)) << part;
        EXPECT_EQ(Printed(region.RootElement()->FirstChildElement(part)), Printed(own.RootElement()->FirstChildElement(part)))
            << part;
    }
}

TEST_P(TutorialScriptTest, PassesTheScriptCheck)
{
    for (const std::string& problem :
         MediaTesting::CheckSequenceScript(kMedia / "sequences" / "tutorial" / (GetParam().Lesson() + ".xml"), kMedia))
    {
        ADD_FAILURE() << problem;
    }
}

// The tutorial box, board cells of its own level, markers, no endless wait; every way through gives the
// controls back and sets "ended" only after the puzzle is solved.
TEST_P(TutorialScriptTest, IsWrittenForItsBoardGivesTheControlsBackAndEndsOnlyOnceSolved)
{
    const Tutorial& tutorial = GetParam();
    CEditablePuzzle puzzle;
    ASSERT_TRUE(puzzle.LoadXml((kMedia / "levels" / tutorial.LevelFile()).string()));
    TiXmlDocument document;
    ASSERT_TRUE(document.LoadFile((kMedia / "sequences" / "tutorial" / (tutorial.Lesson() + ".xml")).string().c_str()));
    int boxes = 0;
    int markers = 0;
    bool waitsForTheSolution = false;
    std::function<void(const TiXmlElement*)> visit = [&](const TiXmlElement* element) {
        const std::string name = element->Value();
        const bool resource = std::string(element->Parent()->Value()) == "resources";
        EXPECT_TRUE(name != "waitforever" && name != "mapcellmarker") << Printed(element);
        if (name == "dialogbox" && resource)
        {
            ++boxes;
            EXPECT_STREQ("tutorial", element->Attribute("mode")) << Printed(element);
        }
        waitsForTheSolution = waitsForTheSolution || name == "puzzlesolved";
        const bool shownMarker = name == "blockmarker" && BaseLib::XmlGetBoolAttribute(element, "show", true);
        markers += shownMarker ? 1 : 0;
        if (shownMarker || name == "blockat" || name == "noblockat")
        {
            int x = -1;
            int y = -1;
            element->QueryIntAttribute("x", &x);
            element->QueryIntAttribute("y", &y);
            EXPECT_TRUE(x >= 0 && x < puzzle.GetWidth() && y >= 0 && y < puzzle.GetHeight())
                << Printed(element) << " is not a cell of the " << puzzle.GetWidth() << " x " << puzzle.GetHeight()
                << " board";
        }
        for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
             child = child->NextSiblingElement())
        {
            visit(child);
        }
    };
    visit(document.RootElement());
    EXPECT_GT(boxes, 0);
    EXPECT_GT(markers, 0);
    EXPECT_TRUE(waitsForTheSolution);
    for (const std::string& problem : CheckEveryWay(document.RootElement()))
    {
        ADD_FAILURE() << problem;
    }
    // The first marker stands on a block the player can move: it names the first move.
    const TiXmlElement* first = nullptr;
    std::function<void(const TiXmlElement*)> find = [&](const TiXmlElement* element) {
        for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr && first == nullptr;
             child = child->NextSiblingElement())
        {
            if (std::string(child->Value()) == "blockmarker")
            {
                first = child;
            }
            find(child);
        }
    };
    find(document.RootElement());
    ASSERT_NE(nullptr, first);
    int x = 0;
    int y = 0;
    first->QueryIntAttribute("x", &x);
    first->QueryIntAttribute("y", &y);
    EXPECT_FALSE(puzzle.GetGrid().IsCellEmpty(x, y)) << Printed(first);
}

INSTANTIATE_TEST_SUITE_P(Tutorials, TutorialScriptTest, ::testing::ValuesIn(Tutorials()), Name);

// The check of every way finds a script that leaves the controls off, one that never sets "ended" and
// one that sets it before the solution.
TEST(TutorialWaysCheckTest, FindsEachFault)
{
    const struct
    {
        const char* script;
        const char* fault;
    } cases[] = {
        {"<sequence><scene><script><disablegamecontrols/><waitforall><puzzlesolved/></waitforall>"
         "<setvariable key=\"ended\" value=\"true\"/></script></scene></sequence>",
         "controls off"},
        {"<sequence><scene><script><waitforany><noblockat/><puzzlesolved/></waitforany>"
         "<switchtosceneifall id=\"b\"><puzzlesolved/></switchtosceneifall></script></scene>"
         "<scene id=\"b\"><script><setvariable key=\"ended\" value=\"true\"/></script></scene></sequence>",
         "before the puzzle is solved"},
        {"<sequence><scene><script><waitforall><puzzlesolved/></waitforall>"
         "<switchtosceneifany id=\"b\"><blockat/></switchtosceneifany><setvariable key=\"ended\" value=\"true\"/>"
         "<endsequence/></script></scene><scene id=\"b\"><script><cleardialogbox/></script></scene></sequence>",
         "without setting"},
    };
    for (const auto& c : cases)
    {
        TiXmlDocument document;
        document.Parse(c.script);
        ASSERT_NE(nullptr, document.RootElement()) << c.script;
        std::string all;
        for (const std::string& problem : CheckEveryWay(document.RootElement()))
        {
            all += problem + "\n";
        }
        EXPECT_NE(std::string::npos, all.find(c.fault)) << c.script << "\n" << all;
    }
    TiXmlDocument sound;
    sound.Parse("<sequence><scene><script><disablegamecontrols/><enablegamecontrols/><waitforany><blockat/>"
                "<puzzlesolved/></waitforany><waitforall><puzzlesolved/></waitforall>"
                "<setvariable key=\"ended\" value=\"true\"/></script></scene></sequence>");
    EXPECT_TRUE(CheckEveryWay(sound.RootElement()).empty());
}

namespace
{

using GameTesting::GameHarness;
using namespace PuzzleScreenTesting;

// The committed replay of a level ("basic/01.xml" → tests/game/replays/basic/01.replay): per move the
// grabbed block and the drag's last target.
std::vector<ReplayMove> Replay(const std::string& level)
{
    const fs::path file = fs::path(QUARROW_MEDIA_DIR).parent_path() / "tests" / "game" / "replays" /
                          fs::path(level).replace_extension(".replay");
    std::ifstream lines(file);
    EXPECT_TRUE(lines.is_open()) << file;
    std::vector<ReplayMove> moves;
    for (std::string line; std::getline(lines, line);)
    {
        int kind = -1;
        ReplayMove move;
        std::istringstream(line) >> kind >> move.id >> move.x >> move.y;
        if (kind == 0)
        {
            moves.push_back(move);
        }
        else if (kind == 1 && !moves.empty())
        {
            moves.back().x = move.x;
            moves.back().y = move.y;
        }
    }
    return moves;
}

class TutorialRunTest : public ::testing::TestWithParam<Tutorial>
{
protected:
    void TearDown() override { game.reset(); }

    std::unique_ptr<GameHarness> game;
};

} // namespace

// The level in the 2D puzzle screen of the running game with its intro script: a click on the cut-scene
// window hurries each page's typing as a player's would, continue is pressed as soon as it is offered,
// and the level's replay is pushed through the game input channel move by move while the controls are
// on and no page is shown. The screen leaves "Playing" for its "Outro" with the level solved, "ended"
// set and the controls on; the first page is written over its board.
TEST_P(TutorialRunTest, LeadsTheLevelToItsEndWithTheReplayAndContinuePressedWhenOffered)
{
    const Tutorial& tutorial = GetParam();
    GameTesting::GameSettings settings;
    settings.renderer = "2d";
    game = std::make_unique<GameHarness>(settings);
    ASSERT_TRUE(game->Start());
    NameStates(*game);
    for (const char* name : {"levelselection", "map", "gameresult"})
    {
        game->AddScreen(name, new StandInScreen(&game->UI()));
    }
    ASSERT_TRUE(game->SwitchTo("levelselection"));
    game->UI().GetFader()->SetTarget(0.0f, 0.0f);

    int pages = 0;
    bool leftPlaying = false;
    std::string endedAtTheEnd;
    bool controlsOnAtTheEnd = false;
    bool solvedAtTheEnd = false;
    std::string lastState;
    game->SetFrameHook([&] {
        CPuzzleScreen* screen = CurrentPuzzleScreen(*game);
        if (screen == nullptr)
        {
            return;
        }
        const std::string state = screen->GetStateName();
        if (lastState == "Playing" && state == "Outro" && !leftPlaying)
        {
            leftPlaying = true;
            CQuarrowSequencePlayer* player = screen->GetSequencePlayer();
            endedAtTheEnd = player != nullptr ? player->GetVariable("ended") : "(no player)";
            controlsOnAtTheEnd = game->GameCommands().IsUserControlEnabled();
            solvedAtTheEnd = game->World().GetGameContext()->GetState() == CPuzzleScreen::kStateLevelSolved;
        }
        lastState = state;
        CSequenceDialog* dialog = screen->GetSequenceDialog();
        CQuarrowSequencePlayer* player = screen->GetSequencePlayer();
        if (dialog == nullptr || player == nullptr || !screen->IsCutsceneWindowVisible())
        {
            return;
        }
        if (dialog->IsContinueOffered())
        {
            ++pages;
            CDialogBox* box = player->GetDialogBox();
            EXPECT_TRUE(box != nullptr && box->IsVisible() && !std::string(box->GetTextLabel()->GetText()).empty())
                << "page " << pages << " shows no text";
            if (pages == 1)
            {
                int width = 0;
                int height = 0;
                const GameTesting::Pixels frame = game->ReadFrame(width, height);
                EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "tutorial_" + tutorial.Lesson() + "_page1",
                                                      width, height, frame));
            }
            dialog->GetContinueButton()->NotifyClick();
        }
        else if (player->GetDialogBox() != nullptr && !player->GetDialogBox()->IsFinished())
        {
            // A click on the window while the page types.
            BaseLib::CPoint point(10, 10);
            screen->GetCutsceneWindow()->OnLButtonDown(point, 0);
        }
    });

    ASSERT_TRUE(EnterLevel(*game, "ingame2d", tutorial.map, tutorial.level - 1));
    ASSERT_NE(std::string::npos, game->World().GetGameContext()->GetCurrentLevelFile().find(tutorial.LevelFile()));
    CPuzzleScreen* screen = CurrentPuzzleScreen(*game);
    ASSERT_NE(nullptr, screen);
    ASSERT_NE(nullptr, screen->GetSequencePlayer()) << "the level has no intro script";

    for (const ReplayMove& move : Replay(tutorial.LevelFile()))
    {
        ASSERT_TRUE(game->RunUntil(
            [&] {
                return game->GameCommands().IsUserControlEnabled() && !screen->IsCutsceneWindowVisible() &&
                       screen->GetStateName() == "Playing";
            },
            "the controls on and no page shown", 3000));
        ASSERT_TRUE(PushMove(*game, move));
    }
    ASSERT_TRUE(game->RunUntil([&] { return leftPlaying; }, "the outro", 3000));
    EXPECT_TRUE(solvedAtTheEnd);
    EXPECT_EQ("true", endedAtTheEnd);
    EXPECT_TRUE(controlsOnAtTheEnd);
    EXPECT_EQ("gameresult", screen->GetPendingScreenName());
    EXPECT_GE(pages, 3);
}

INSTANTIATE_TEST_SUITE_P(Tutorials, TutorialRunTest, ::testing::ValuesIn(Tutorials()), Name);
