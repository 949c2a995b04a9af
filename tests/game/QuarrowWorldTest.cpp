#include "engine/EngineController.h"
#include "foundation/PathAliases.h"
#include "foundation/Timer.h"
#include "framework/GameEntityNode.h"
#include "framework/SceneGraphNode.h"
#include "framework/SceneManager.h"
#include "game/GameContext.h"
#include "game/QuarrowWorld.h"
#include "puzzle/Block.h"
#include "puzzle/EditablePuzzle.h"
#include "tests/game/WorldFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace GameTesting;
using QuarrowWorldTest = WorldFixture;

TEST_F(QuarrowWorldTest, LevelFilesLoadByTheirNamesEnding)
{
    {
        CEditablePuzzle source;
        ASSERT_TRUE(source.BuildFromCharGrid(PathOf("grid.txt")));
        ASSERT_TRUE(source.SaveXml(PathOf("level.xml")));
        ASSERT_TRUE(source.SaveBinary(PathOf("level.blvl")));
    }
    WriteFile("grid.BLVL", kGrid);
    struct Case
    {
        std::string name;
        int width, height, blocks;
    };
    const Case cases[] = {
        {PathOf("level.xml"), 6, 3, 4},
        {PathOf("level.blvl"), 6, 3, 4},
        {PathOf("grid.txt"), 6, 3, 4},
        // The ending is tested case-sensitively: this is no ".blvl" file but a character grid.
        {PathOf("grid.BLVL"), 6, 3, 4},
        {"", 0, 0, 0},
        {PathOf("missing.xml"), 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        context->SetState(GameContext::GameOpen);
        world.GetLevelTimer()->SetTime(5.0);
        world.LoadLevel(c.name);
        ASSERT_NE(nullptr, world.GetPuzzle());
        EXPECT_EQ(GameContext::LevelRunning, context->GetState());
        EXPECT_EQ(c.width, world.GetPuzzle()->GetWidth());
        EXPECT_EQ(c.height, world.GetPuzzle()->GetHeight());
        EXPECT_EQ(c.blocks, BlocksOnBoard(*world.GetPuzzle()));
        EXPECT_EQ(0.0, world.GetLevelTimer()->GetTime());
        EXPECT_FALSE(world.GetLevelTimer()->IsPaused());
    }
}

TEST_F(QuarrowWorldTest, APuzzleSolvedInPlayEndsTheLevelInTheSameStep)
{
    for (bool editorMode : {false, true})
    {
        SCOPED_TRACE(editorMode ? "editor mode" : "play");
        world.SetEditorMode(editorMode);
        world.LoadLevel(PathOf("grid.txt"));
        CEditablePuzzle& puzzle = *world.GetPuzzle();
        Drag(puzzle, *Player(puzzle), 9, 1);
        int steps = 0;
        for (; steps < 100 && !puzzle.IsSolved(); ++steps)
        {
            ASSERT_EQ(GameContext::LevelRunning, context->GetState());
            world.Step(0.02);
        }
        ASSERT_TRUE(puzzle.IsSolved());
        EXPECT_EQ(editorMode ? GameContext::LevelRunning : GameContext::LevelSolved, context->GetState());
        EXPECT_NEAR(0.02 * steps, world.GetLevelTimer()->GetTime(), 1e-6);
    }
}

TEST_F(QuarrowWorldTest, OutsideARunningLevelNeitherTheTimerNorAnyBlockMoves)
{
    for (auto state : {GameContext::GameOpen, GameContext::LevelSolved, GameContext::SolverRunning,
                       GameContext::LevelRunning})
    {
        SCOPED_TRACE(state);
        world.LoadLevel(PathOf("grid.txt"));
        context->SetState(state);
        CEditablePuzzle& puzzle = *world.GetPuzzle();
        CBlock& player = *Player(puzzle);
        // Half a cell to the west: a running level lets it settle on a whole cell.
        Drag(puzzle, player, 4.5f, 1);
        ASSERT_EQ(4.5f, player.GetRect().left);
        for (int i = 0; i < 50; ++i)
        {
            world.Step(0.02);
        }
        if (state == GameContext::LevelRunning)
        {
            EXPECT_NE(4.5f, player.GetRect().left);
            EXPECT_GT(world.GetLevelTimer()->GetTime(), 0.9);
        }
        else
        {
            EXPECT_EQ(4.5f, player.GetRect().left);
            EXPECT_EQ(0.0, world.GetLevelTimer()->GetTime());
            EXPECT_EQ(state, context->GetState());
        }
    }
}

// Entity nodes anywhere in the scene advance by the step, in the order of the scene; other nodes and
// other states do not.
TEST_F(QuarrowWorldTest, GameEntitiesAdvanceWithEveryStepOfARunningLevel)
{
    std::vector<std::string> log;
    class Entity : public GameLib::CGameEntityNode
    {
    public:
        Entity(std::vector<std::string>& log, const char* name) : CGameEntityNode(nullptr), m_log(log), m_name(name) {}
        void Update(float dt) override { m_log.push_back(m_name + " " + std::to_string(dt)); }

    private:
        std::vector<std::string>& m_log;
        std::string m_name;
    };
    GameLib::CSceneGraphRootNode* root = world.GetSceneManager()->GetRootNode();
    auto* group = new GameLib::CTransformNode();
    root->AddChild(new Entity(log, "first"));
    root->AddChild(group);
    group->AddChild(new Entity(log, "nested"));
    root->AddChild(new Entity(log, "last"));

    world.Step(0.02); // no game
    world.LoadLevel("");
    world.Step(0.02);
    context->SetState(GameContext::LevelSolved);
    world.Step(0.02);
    EXPECT_EQ((std::vector<std::string>{"first 0.020000", "nested 0.020000", "last 0.020000"}), log);
}

TEST_F(QuarrowWorldTest, ShuttingTheLevelRecordsItsResultAndDeletesThePuzzle)
{
    WriteFile("levels/basic.map.xml", "<map><levellist><level file=\"a.xml\"/><level file=\"b.xml\"/>"
                                      "</levellist></map>");
    controller.GetPathAliases().RegisterPathAlias("level", PathOf("levels"));
    context->SetMap(0);
    context->SetLevelIndex(1);
    world.LoadLevel(PathOf("grid.txt"));
    CEditablePuzzle& puzzle = *world.GetPuzzle();
    puzzle.SetMinSolveMoves(1);
    Drag(puzzle, *Player(puzzle), 9, 1);
    for (int i = 0; i < 60 && context->GetState() == GameContext::LevelRunning; ++i)
    {
        world.Step(0.02);
    }
    ASSERT_EQ(GameContext::LevelSolved, context->GetState());
    world.GetLevelTimer()->SetTime(75.8);
    const int moves = puzzle.GetMoveCount();
    const int stars = puzzle.GetStars();
    const int limits[] = {puzzle.GetMoveLimitForStars(1), puzzle.GetMoveLimitForStars(2),
                          puzzle.GetMoveLimitForStars(3)};
    ASSERT_EQ(1, moves);
    ASSERT_GT(stars, 0);

    world.ShutLevel();
    EXPECT_EQ(nullptr, world.GetPuzzle());
    EXPECT_EQ(GameContext::GameOpen, context->GetState());
    EXPECT_TRUE(world.GetLevelTimer()->IsPaused());
    EXPECT_TRUE(context->GetLastResult().solved);
    EXPECT_EQ(moves, context->GetLastResult().moves);
    EXPECT_EQ(75, context->GetLastResult().seconds);
    EXPECT_EQ(stars, context->GetLastResult().stars);
    const LevelRecord& record = context->GetProgress().GetMapProgress(0).GetLevelRecord(1);
    EXPECT_TRUE(record.IsSolved());
    EXPECT_EQ(static_cast<std::uint32_t>(moves), record.GetBestMoves());
    EXPECT_EQ(75, record.GetBestValue());
    EXPECT_EQ(static_cast<std::uint32_t>(stars), record.GetRating());
    for (int n = 1; n <= 3; ++n)
    {
        EXPECT_EQ(limits[n - 1], context->GetStarMoveLimit(n)) << n;
    }

    // Nothing left to shut: nothing changes.
    context->SetState(GameContext::NoGame);
    world.ShutLevel();
    EXPECT_EQ(GameContext::NoGame, context->GetState());
}

TEST_F(QuarrowWorldTest, ALevelLoadedOverAnotherReplacesItWithoutARecord)
{
    context->SetMap(0);
    world.LoadLevel(PathOf("grid.txt"));
    world.GetPuzzle()->SetSolved();
    world.LoadLevel("");
    EXPECT_EQ(0, world.GetPuzzle()->GetWidth());
    EXPECT_FALSE(context->GetLastResult().solved);
    EXPECT_FALSE(context->GetProgress().GetMapProgress(0).GetLevelRecord(0).IsSolved());
}

TEST_F(QuarrowWorldTest, ShutdownShutsALevelLeftOpenByAStateChange)
{
    world.LoadLevel(PathOf("grid.txt"));
    context->SetState(GameContext::GameOpen); // as "StartGame" would
    world.Shutdown();
    EXPECT_EQ(nullptr, world.GetPuzzle());
    EXPECT_EQ(nullptr, world.GetGameContext());
    EXPECT_EQ(nullptr, world.GetLevelTimer());
    EXPECT_EQ(nullptr, world.GetSceneManager());
    world.Initialize(); // for the fixture's own shut-down
}

TEST_F(QuarrowWorldTest, ModelSetsAreTheVisibleSubFoldersOfTheModelFolder)
{
    WriteFile("models/readme.txt", "x");
    WriteFile("models/box.x", "x");
    WriteFile("models/.hidden/a.x", "x");
    WriteFile("models/zeta/a.x", "x");
    WriteFile("models/alpha/a.x", "x");
    world.Shutdown();
    world.Initialize();
    EXPECT_EQ((std::vector<std::string>{"alpha", "zeta"}), world.GetGfxSets());
}

TEST_F(QuarrowWorldTest, SetProgressCopiesASavedGamesProgress)
{
    ProgressRecord saved;
    saved.GetMapProgress(3).GetLevelRecord(4).RaiseRating(3);
    saved.SetCurrentMap(3);
    world.SetProgress(saved);
    EXPECT_EQ(saved, context->GetProgress());
}

} // namespace
