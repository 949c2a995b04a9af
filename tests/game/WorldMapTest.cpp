// The world running a map: "StartMap" and "ShutMap", the map's step with its cut-scenes and progress
// saves, and the map's game commands, on small map files of the test's own.
#include "WorldFixture.h"
#include "game/LevelList.h"
#include "game/QuarrowInputChannel.h"
#include "game/map/EditableMap.h"
#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace
{

// Interior 4 x 2, passages along the top row and from (2, 1) down to (2, 2):
//   (1, 1) exit 0, the start | (2, 1) plain | (3, 1) puzzle 3 | (4, 1) exit 1
//   (1, 2) exit 2, no passage | (2, 2) a cut-scene played on entering
const char* const kMapFile = R"(<map>
<levellist>
<level id="1" file="a.xml"/><level id="2" file="b.xml"/><level id="3" file="c.xml"/><level id="4" file="d.xml"/>
</levellist>
<layout sizex="4" sizey="2">
<setting name="jungle"/>
<cell wb="2" flags="0x40"/><cell wb="2"/><cell wb="2" puzzle="3"/><cell flags="0xc0"/>
<cell flags="0x140"/><cell wb="1" cutscene="intro.xml"/><cell/><cell/>
</layout>
</map>
)";

class WorldMapTest : public GameTesting::WorldFixture
{
protected:
    void SetUp() override
    {
        GameTesting::WorldFixture::SetUp();
        controller.GetPathAliases().RegisterPathAlias("level", PathOf("levels"));
        for (int map = 0; map < 5; ++map)
        {
            WriteFile("levels/" + GetMapFileName(map).substr(std::string("level>").size()), kMapFile);
        }
    }

    // "SetMap" and "StartMap" in one frame, user control on.
    void Start(int map = 1)
    {
        Frame({{"SetMap", std::to_string(map)}, {"StartMap", ""}, {"SetUserControlEnabled", "true"}});
        ASSERT_NE(nullptr, world.GetMap());
    }
    // One world step.
    void Step() { Frame({}, 0.02); }
    CQuarrowInputChannel& Channel() { return *world.GetGameInputChannel(); }
    ProgressRecord& Progress() { return context->GetProgress(); }
    CEditableMap& Map() { return *world.GetMap(); }
};

TEST_F(WorldMapTest, StartMapLoadsTheMapWithTheProgressAndShutMapKeepsTheFiguresPlace)
{
    Progress().SetLastCell(1, 2);
    Start(1);
    EXPECT_EQ(GameContext::MapRunning, context->GetState());
    EXPECT_EQ(1, Map().GetMapIndex());
    EXPECT_EQ(PathOf("levels/jungle.map.xml"), Map().GetName());
    ASSERT_EQ(4u, context->GetLevelFiles().size());
    EXPECT_EQ(PathOf("levels/c.xml"), context->GetLevelFiles()[2]);
    EXPECT_EQ(BaseLib::CVector2(1.5f, 1.5f), Map().GetPlayerPosition())
        << "on the start cell, the first exit";
    EXPECT_EQ(-1, Progress().GetLastSolvedMap());
    EXPECT_EQ(-1, Progress().GetLastSolvedLevel());

    // Half way to (2, 1), then shut: the record keeps where the figure stood.
    Channel().PushMapWalkTo(2, 1);
    for (int i = 0; i < 12; ++i)
    {
        Step();
    }
    const BaseLib::CVector2 figure = Map().GetPlayerPosition();
    EXPECT_GT(figure.x, 1.5f);
    EXPECT_LT(figure.x, 2.5f);
    Frame({{"ShutMap", ""}});
    EXPECT_EQ(nullptr, world.GetMap());
    EXPECT_EQ(GameContext::GameOpen, context->GetState());
    EXPECT_EQ(figure.x, Progress().GetFigureX());
    EXPECT_EQ(figure.y, Progress().GetFigureY());

    // The next visit starts there.
    Start(1);
    EXPECT_EQ(figure, Map().GetPlayerPosition());

    // A record now on another map keeps no place on this one.
    Progress().SetCurrentMap(2);
    Frame({{"ShutMap", ""}});
    EXPECT_EQ(-1.0f, Progress().GetFigureX());
    EXPECT_EQ(-1.0f, Progress().GetFigureY());
}

TEST_F(WorldMapTest, MapsGiveTheirPathFileToTheFigure)
{
    // Without the aliases the map would look for no path file.
    controller.GetPathAliases().RegisterPathAlias("interface", PathOf("interface"));
    WriteFile("interface/map/jungle/junglepaths.raw", std::string(6 * 11 * 4 * 11, '\0'));
    Start(1);
    EXPECT_EQ(6 * 11, Map().GetPathfindingMap().GetWidth());
    EXPECT_EQ(4 * 11, Map().GetPathfindingMap().GetHeight());
}

TEST_F(WorldMapTest, ExitsOpenTheNextMapAndLeaveExceptAtTheEndsOfTheRoad)
{
    const BaseLib::CPoint exit0(1, 1), exit1(4, 1), exit2(1, 2), plain(2, 1);
    const struct
    {
        int currentMap;
        BaseLib::CPoint cell;
        int opened; // -1: none
        int state;
    } cases[] = {
        {0, exit1, 1, GameContext::MapExitTaken},  {1, exit0, -1, GameContext::MapRunning},
        {2, exit0, -1, GameContext::MapExitTaken}, {4, exit2, -1, GameContext::MapRunning},
        {3, exit1, 4, GameContext::MapExitTaken},  {0, plain, -1, GameContext::MapRunning},
    };
    for (const auto& c : cases)
    {
        Start(1);
        for (int map = 0; map < ProgressRecord::MapCount; ++map)
        {
            Progress().GetMapProgress(map).SetOpen(false);
        }
        Progress().SetCurrentMap(c.currentMap);
        Channel().PushMapExit(static_cast<float>(c.cell.x), static_cast<float>(c.cell.y));
        Step();
        for (int map = 0; map < ProgressRecord::MapCount; ++map)
        {
            EXPECT_EQ(map == c.opened, Progress().GetMapProgress(map).IsOpen())
                << "on map " << c.currentMap << ", cell (" << c.cell.x << ", " << c.cell.y << "): map "
                << map;
        }
        EXPECT_EQ(c.state, context->GetState())
            << "on map " << c.currentMap << ", cell (" << c.cell.x << ", " << c.cell.y << ")";
        Frame({{"ShutMap", ""}});
    }
}

TEST_F(WorldMapTest, ChoosingALevelAndSwitchingMaps)
{
    Start(1);
    context->SetLevelIndex(0);
    Channel().PushMapStartLevel(2.0f, 1.0f); // no puzzle there
    Step();
    EXPECT_EQ(0, context->GetLevelIndex());
    EXPECT_EQ(GameContext::MapRunning, context->GetState());
    Channel().PushMapStartLevel(3.9f, 1.2f); // truncated to the puzzle cell (3, 1)
    Step();
    EXPECT_EQ(3, context->GetLevelIndex());
    EXPECT_EQ(GameContext::MapLevelChosen, context->GetState());

    // The switch saves this map's cells into its own block before the record moves on.
    Frame({{"ShutMap", ""}});
    Start(1);
    Map().GetCell(3, 1).state |= MapCell::StateTreasureTaken;
    Progress().SetFigurePosition(1.5f, 1.5f);
    Channel().PushSelectMap(2);
    Step();
    EXPECT_EQ(-1.0f, Progress().GetFigureX());
    EXPECT_EQ(-1.0f, Progress().GetFigureY());
    EXPECT_EQ(1, Progress().GetPreviousMap());
    EXPECT_EQ(2, Progress().GetCurrentMap());
    // (3, 1) is the third cell with a passage.
    EXPECT_NE(0u, Progress().GetMapProgress(1).GetCellState(2) &
                      (MapCell::StateTreasureTaken >> MapCell::SavedStateShift));

    // A map that does not exist: dropped with a trace, nothing changes.
    const ProgressRecord before = Progress();
    Platform::DebugOutputCapture trace;
    Channel().PushSelectMap(7);
    Step();
    EXPECT_NE(std::string::npos, trace.Text().find("map 7")) << trace.Text();
    EXPECT_EQ(before, Progress());
}

TEST_F(WorldMapTest, ACutSceneReachedByWalkingIsHandedOutAndTheProgressSavedInTheNextStep)
{
    Start(1);
    Step();
    Channel().PushMapWalkTo(2, 2);
    // (2, 2) is the fifth cell with a passage; its saved word shows the cut-scene as played.
    const auto playedSaved = [this] {
        return (Progress().GetMapProgress(1).GetCellState(4) &
                (MapCell::StateSequence1Played >> MapCell::SavedStateShift)) != 0;
    };
    int steps = 0;
    while (context->GetState() != GameContext::SequencePending)
    {
        Step();
        ASSERT_LT(++steps, 200) << "the figure never reached the cut-scene";
    }
    EXPECT_EQ("intro.xml", context->GetLevelName());
    EXPECT_TRUE(Map().GetCell(2, 2).state & MapCell::StateSequence1Played);
    EXPECT_FALSE(playedSaved()) << "the hand-out step saves nothing";
    Step();
    EXPECT_TRUE(playedSaved());
    EXPECT_EQ(GameContext::SequencePending, context->GetState());

    // The cut-scene player's done command takes the map back.
    Channel().PushCutsceneDone();
    Step();
    EXPECT_EQ(GameContext::MapRunning, context->GetState());
}

TEST_F(WorldMapTest, WithUserControlOffOnlyTheCutSceneAndDeveloperCommandsArrive)
{
    Start(1);
    Frame({{"SetUserControlEnabled", "false"}});
    Channel().PushMapWalkTo(2, 1);
    Channel().PushMapEnterCell(2, 1);
    Channel().PushMapStartLevel(3, 1);
    Channel().PushMapExit(4, 1);
    Channel().PushSelectMap(2);
    EXPECT_FALSE(Channel().HasCommands());

    context->SetState(GameContext::MapLevelChosen);
    Channel().PushShowMapHighlight(2.25f, 1.75f);
    Channel().PushCheat();
    Channel().PushLeaveMap();
    Step();
    BaseLib::CVector2 highlight;
    EXPECT_TRUE(Map().GetHighlight(highlight));
    EXPECT_EQ(BaseLib::CVector2(2.25f, 1.75f), highlight) << "a position, not a cell";
    EXPECT_EQ(1, Map().GetKeyCount(0));
    EXPECT_EQ(GameContext::MapRunning, context->GetState());
    EXPECT_EQ(1, Progress().GetCurrentMap());

    context->SetState(GameContext::SequencePending);
    Channel().PushHideMapHighlight();
    Channel().PushCutsceneDone();
    Step();
    EXPECT_FALSE(Map().GetHighlight(highlight));
    EXPECT_EQ(GameContext::MapRunning, context->GetState());
}

TEST_F(WorldMapTest, CommandsOfALevelAndCellsOutsideTheGridAreDropped)
{
    Start(1);
    Channel().PushGrabBlock(3);
    Step();
    EXPECT_FALSE(Channel().HasCommands());
    EXPECT_EQ(GameContext::MapRunning, context->GetState());

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        float x, y;
    } outside[] = {{-3, 2}, {6, 1}, {1, 4}, {1e9f, 1}, {nan, 1}};
    for (const auto& cell : outside)
    {
        Platform::DebugOutputCapture trace;
        Channel().PushMapWalkTo(cell.x, cell.y);
        Channel().PushMapEnterCell(cell.x, cell.y);
        Channel().PushMapStartLevel(cell.x, cell.y);
        Channel().PushMapExit(cell.x, cell.y);
        Step();
        for (int kind = 6; kind <= 9; ++kind)
        {
            EXPECT_NE(std::string::npos,
                      trace.Text().find("map command " + std::to_string(kind) + " names the cell"))
                << "kind " << kind << " at " << cell.x << ", " << cell.y << "\n"
                << trace.Text();
        }
        EXPECT_FALSE(Map().IsWalking());
        EXPECT_EQ(GameContext::MapRunning, context->GetState());
    }
    Platform::DebugOutputCapture trace;
    Channel().PushMapWalkTo(-3, 2);
    Step();
    EXPECT_NE(std::string::npos, trace.Text().find("(-3, 2)")) << trace.Text();
}

TEST_F(WorldMapTest, InEditorModeNothingOfTheMapMoves)
{
    Start(1);
    Step();
    const int change = Map().GetChangeNumber();
    const ProgressRecord before = Progress();
    Frame({{"SetEditorMode", "true"}});
    Channel().PushMapWalkTo(2, 2);
    Channel().PushCheat();
    for (int i = 0; i < 100; ++i)
    {
        Step();
    }
    EXPECT_EQ(BaseLib::CVector2(1.5f, 1.5f), Map().GetPlayerPosition());
    EXPECT_EQ(0, Map().GetKeyCount(0));
    EXPECT_EQ(change, Map().GetChangeNumber());
    EXPECT_EQ(before, Progress());
    EXPECT_TRUE(Channel().HasCommands()) << "the commands wait for the map to run";
    EXPECT_EQ(GameContext::MapRunning, context->GetState());
}

TEST_F(WorldMapTest, StartAndShutOutOfTurn)
{
    // "StartMap" before any "SetMap": refused, nothing changes.
    {
        Platform::DebugOutputCapture trace;
        context->SetState(GameContext::GameOpen);
        Frame({{"StartMap", ""}});
        EXPECT_EQ(nullptr, world.GetMap());
        EXPECT_EQ(GameContext::GameOpen, context->GetState());
        EXPECT_NE(std::string::npos, trace.Text().find("\"StartMap\" refused")) << trace.Text();
    }

    // Twice without a shut: the first map is shut (its figure recorded), the second runs from there.
    Start(1);
    Channel().PushMapWalkTo(2, 1);
    for (int i = 0; i < 12; ++i)
    {
        Step();
    }
    const BaseLib::CVector2 figure = Map().GetPlayerPosition();
    Frame({{"StartMap", ""}});
    ASSERT_NE(nullptr, world.GetMap());
    EXPECT_EQ(GameContext::MapRunning, context->GetState());
    EXPECT_EQ(figure.x, Progress().GetFigureX());
    EXPECT_EQ(figure, Map().GetPlayerPosition());
    EXPECT_FALSE(Map().IsWalking());

    // Twice "ShutMap": the second finds no map and changes nothing.
    Frame({{"ShutMap", ""}});
    Progress().SetFigurePosition(7.0f, 7.0f);
    context->SetState(GameContext::LevelSolved);
    Platform::DebugOutputCapture trace;
    Frame({{"ShutMap", ""}});
    EXPECT_EQ(7.0f, Progress().GetFigureX());
    EXPECT_EQ(GameContext::LevelSolved, context->GetState());
    EXPECT_NE(std::string::npos, trace.Text().find("ShutMap without a map")) << trace.Text();
}

TEST_F(WorldMapTest, ShuttingTheWorldDownInACutSceneShutsTheMap)
{
    Start(1);
    context->SetState(GameContext::SequencePending);
    Step();
    world.Shutdown();
    EXPECT_EQ(nullptr, world.GetMap());
    EXPECT_EQ(nullptr, world.GetGameContext());
    world.Initialize(); // for the fixture's own shut-down
}

} // namespace
