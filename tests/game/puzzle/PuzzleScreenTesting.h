#pragma once

// What the puzzle screens' harness tests share: stand-ins for the screens a level leads to, a look at
// the pending world commands, a level started as the map starts one, and a replay played move by move.
#include "framework/CommandQueue.h"
#include "framework/UIScreen.h"
#include "game/GameCommand.h"
#include "game/GameContext.h"
#include "game/QuarrowInputChannel.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowUIScreen.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/PuzzleScreen.h"
#include "puzzle/EditablePuzzle.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/WindowManager.h"
#include "ui/controls/BasicButton.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace PuzzleScreenTesting
{

using GameTesting::GameHarness;

// A screen a level leads to ("levelselection", "map", "gameresult", ...): one 120 × 40 button at
// (300, 200) on layer 0 while it is current, counting its clicks.
class StandInScreen : public CQuarrowUIScreen
{
public:
    explicit StandInScreen(CQuarrowUI* ui) : CQuarrowUIScreen(ui, nullptr) {}
    void Update() override {}
    void OnActivate() override
    {
        CQuarrowUIScreen::OnActivate();
        if (button == nullptr)
        {
            button = new UILib::CBasicButton();
            button->SetSize(120, 40);
            button->SetPosition(300, 200);
            button->SetOnClick(UILib::CButtonCallback::Bind(this, &StandInScreen::OnClick));
            UILib::CWindowManager::GetInstance()->AddToLayer(button, 0);
        }
        button->SetVisible(true);
    }
    void OnDeactivate() override
    {
        button->SetVisible(false);
        CQuarrowUIScreen::OnDeactivate();
    }
    void OnClick(UILib::CBasicButton*) { ++clicks; }

    UILib::CBasicButton* button = nullptr;
    int clicks = 0;
};

// The pending world commands as "Name(argument) ..."; they stay pending.
inline std::string PendingCommands(GameHarness& game)
{
    GameLib::CCommandQueue& queue = *game.World().GetCommandQueue();
    const std::vector<GameLib::TCommand> commands = queue.TakeCommandsWhere([](const std::string&) { return true; });
    std::string text;
    for (const GameLib::TCommand& command : commands)
    {
        text += (text.empty() ? "" : " ") + command.name + "(" + command.argument + ")";
        queue.PostCommand(command.name, command.argument);
    }
    return text;
}

// Every queued game command, taken out, as "{kind, param, x, y} ...".
inline std::string TakeGameCommands(GameHarness& game)
{
    CQuarrowInputChannel& channel = game.GameCommands();
    std::ostringstream text;
    while (channel.HasCommands())
    {
        const GameCommand& c = channel.Front();
        text << "{" << static_cast<int>(c.kind) << ", " << c.param << ", " << c.x << ", " << c.y << "} ";
        channel.Pop();
    }
    return text.str();
}

#ifdef QUARROW_MEDIA_DIR
// The first four levels of the basic and jungle maps play a tutorial script as their intro. The tests of
// the screens themselves play every level without one, in the same scenes: the environments of
// tests/game/data/nointro are the game's own without their "sequence".
inline void WithoutTutorials(GameTesting::GameSettings& settings)
{
    settings.aliases.emplace_back(
        "environment",
        (std::filesystem::path(QUARROW_MEDIA_DIR).parent_path() / "tests" / "game" / "data" / "nointro").string());
}
#endif

inline CPuzzleScreen* CurrentPuzzleScreen(GameHarness& game)
{
    return dynamic_cast<CPuzzleScreen*>(game.Screens().GetCurrentScreen());
}

inline std::string PuzzleStateOf(GameHarness& game)
{
    CPuzzleScreen* screen = CurrentPuzzleScreen(game);
    return screen != nullptr ? screen->GetStateName() : std::string();
}

// Describe names the puzzle screens' states.
inline void NameStates(GameHarness& game)
{
    game.SetScreenStateReader([](GameLib::CUIScreen& screen) {
        auto* puzzle = dynamic_cast<CPuzzleScreen*>(&screen);
        return puzzle != nullptr ? puzzle->GetStateName() : std::string("-");
    });
}

// Level `level` of map `map` started as the map screen starts one (the game and the map first, the level
// index in a later frame), then the screen switched to and run until the level is playing.
inline ::testing::AssertionResult EnterLevel(GameHarness& game, const std::string& screen, int map = 0,
                                             int level = 0)
{
    game.PostWorldCommand("StartGame");
    game.PostWorldCommand("SetMap", std::to_string(map));
    if (auto result = game.RunFrames(1); !result)
    {
        return result;
    }
    game.PostWorldCommand("SwitchToLevel", std::to_string(level));
    if (auto result = game.RunFrames(1); !result)
    {
        return result;
    }
    if (!game.SwitchTo(screen))
    {
        return ::testing::AssertionFailure() << "no screen \"" << screen << "\"";
    }
    return game.RunUntil([&] { return PuzzleStateOf(game) == "Playing"; }, "the level playing");
}

struct ReplayMove
{
    int id = -1;
    float x = 0.0f;
    float y = 0.0f;
};

// The recorded solution of a committed level ("basic/01.xml" → tests/game/replays/basic/01.replay): per
// move the grabbed block and the drag's target (the last drag of the move).
inline std::vector<ReplayMove> ReadReplay(const std::string& level)
{
    const std::filesystem::path file = std::filesystem::path(QUARROW_TEST_DATA_DIR).parent_path() / "replays" /
                                       std::filesystem::path(level).replace_extension(".replay");
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

inline ::testing::AssertionResult SettleBlocks(GameHarness& game)
{
    return game.RunUntil(
        [&] {
            const CEditablePuzzle* puzzle = game.World().GetPuzzle();
            return puzzle == nullptr || !puzzle->IsMoving();
        },
        "the blocks at rest");
}

// One move pushed as the game's commands: grab, drag, release, each followed by frames until the blocks
// rest.
inline ::testing::AssertionResult PushMove(GameHarness& game, const ReplayMove& move)
{
    CQuarrowInputChannel& channel = game.GameCommands();
    channel.PushGrabBlock(move.id);
    channel.PushMoveBlock(move.id, move.x, move.y);
    if (auto result = game.RunFrames(1); !result)
    {
        return result;
    }
    if (auto result = SettleBlocks(game); !result)
    {
        return result;
    }
    channel.PushReleaseBlock(move.id);
    if (auto result = game.RunFrames(1); !result)
    {
        return result;
    }
    return SettleBlocks(game);
}

} // namespace PuzzleScreenTesting
