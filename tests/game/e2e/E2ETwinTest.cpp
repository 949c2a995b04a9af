// The in-process twins of the end-to-end runs: the game started in the harness with the real start flow
// and the configuration of the shipped run, walked from the first page to the result page by injected
// input. Each twin finds every click point and reference picture its real run needs and writes them as
// the route, solving the level on the way and making the real run's result checks.
#include "tests/game/e2e/E2ERoute.h"

#include "engine/Camera.h"
#include "foundation/Matrix.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/menus/BookMenuScreen.h"
#include "game/menus/GiantBookUIScreen.h"
#include "game/puzzle/3DCursor.h"
#include "game/puzzle/BlockEntityNode.h"
#include "game/puzzle/GameCameraNode.h"
#include "game/puzzle/PuzzleRenderer2D.h"
#include "game/puzzle/PuzzleScreen2D.h"
#include "game/savegame/SaveGameList.h"
#include "platform/gfxkit/ImageFile.h"
#include "puzzle/Block.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/puzzle/PuzzleScreenTesting.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace
{

using BaseLib::CPoint;
using GameTesting::GameHarness;
using GameTesting::GameSettings;
using namespace EndToEnd;

// The top of a block's pick cube above its node.
constexpr float kBlockTop = 0.7f;

class Twin
{
public:
    explicit Twin(const std::string& renderer) : m_folder(RouteFolder(renderer))
    {
        m_route.renderer = renderer;
        m_route.restX = kRestX;
        m_route.restY = kRestY;
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        GameSettings settings;
        settings.renderer = renderer;
        settings.language = renderer == "2d" ? "ask" : "english";
        settings.startFlow = true;
        // The shipped run's configuration leaves anti-aliasing at its default.
        settings.config = {{"graphic/antialiasing", "2"}};
        game = std::make_unique<GameHarness>(settings);
        std::ofstream(game->Folder() / CSaveGameList::FileName, std::ios::binary) << PreparedSaveGames();
        PuzzleScreenTesting::NameStates(*game);
    }

    std::string CurrentScreen() const { return game->Screens().GetCurrentScreenName(); }

    CBookMenuScreen* Page(const std::string& name) const
    {
        return dynamic_cast<CBookMenuScreen*>(game->Screens().FindScreen(name));
    }

    // A shown window of the window manager's layers by its name; null when none.
    UILib::CWindow* FindShown(const std::string& name) const
    {
        UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
        std::vector<UILib::CWindow*> open;
        for (std::int32_t layer = 0; layer < windows->GetLayerCount(); ++layer)
        {
            open.push_back(windows->GetLayerRoot(layer));
        }
        while (!open.empty())
        {
            UILib::CWindow* window = open.back();
            open.pop_back();
            if (window == nullptr || !window->IsVisible())
            {
                continue;
            }
            if (std::string(static_cast<const char*>(window->GetName())) == name)
            {
                return window;
            }
            for (std::int32_t i = 0; i < window->GetChildCount(); ++i)
            {
                open.push_back(windows->Resolve(window->GetChildHandle(i)));
            }
        }
        return nullptr;
    }

    // Where a hidden window of the name is hidden: its chain of parents with their own visibility.
    std::string HiddenChain(const std::string& name) const
    {
        UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
        std::string text;
        for (std::int32_t layer = 0; layer < windows->GetLayerCount(); ++layer)
        {
            UILib::CWindow* found = windows->GetLayerRoot(layer)->FindChildByName(BaseLib::CString(name.c_str()), true);
            for (UILib::CWindow* w = found; w != nullptr; w = windows->Resolve(w->GetParentHandle()))
            {
                text += std::string(" <- ") + static_cast<const char*>(w->GetName()) + (w->IsVisible() ? "" : " (hidden)");
            }
        }
        return text;
    }

    Area AreaOf(const UILib::CWindow& window) const
    {
        const BaseLib::CRect r = game->WindowPixels(window);
        return {r.left, r.top, r.right, r.bottom};
    }

    Picture Frame() const
    {
        Picture frame;
        frame.pixels = game->ReadFrame(frame.width, frame.height);
        return frame;
    }

    static bool BookTurning()
    {
        const UILib::CWindow* book = CGiantBookUIScreen::GetBook();
        return book != nullptr && book->IsAnyAnimationPlaying(true);
    }

    // Runs frames until the page is current and takes the player's input.
    ::testing::AssertionResult WaitForPage(const std::string& name)
    {
        return game->RunUntil(
            [&] {
                CBookMenuScreen* page = Page(name);
                return CurrentScreen() == name && page != nullptr &&
                       page->GetStates().GetCurrentStateName() == "MainMenu" && !game->UI().GetFader()->IsFading() &&
                       !BookTurning();
            },
            "the page \"" + name + "\"", 1500);
    }

    // Runs frames until the area stands still (the same in two frames five apart); the last picture.
    ::testing::AssertionResult StandStill(const Area& area, const std::string& what, Picture& still)
    {
        Picture before = Cut(Frame(), area);
        for (int attempt = 0; attempt < 60; ++attempt)
        {
            if (auto run = game->RunFrames(5); !run)
            {
                return run;
            }
            still = Cut(Frame(), area);
            if (still.pixels == before.pixels)
            {
                return ::testing::AssertionSuccess();
            }
            before = still;
        }
        return ::testing::AssertionFailure() << what << " never stood still; " << game->Describe();
    }

    // Records a step on the named window: its area and its still picture.
    ::testing::AssertionResult Record(const std::string& kind, const std::string& name, Step* recorded = nullptr)
    {
        UILib::CWindow* window = nullptr;
        game->RunUntil([&] { return (window = FindShown(name)) != nullptr; }, "the window " + name, 250);
        if (window == nullptr)
        {
            WritePicture(m_folder / "failed.png", Frame());
            return ::testing::AssertionFailure() << "no shown window \"" << name << "\"; " << game->Describe() << HiddenChain(name);
        }
        Step step;
        step.kind = kind;
        step.name = name;
        step.area = AreaOf(*window);
        Picture still;
        if (auto result = StandStill(step.area, name, still); !result)
        {
            return result;
        }
        const Picture page = Frame();
        if (kind == "click" && !m_previousPage.pixels.empty())
        {
            step.before = std::to_string(m_route.steps.size()) + "_before_" + name + ".png";
            if (!WritePicture(m_folder / step.before, Cut(m_previousPage, step.area)))
            {
                return ::testing::AssertionFailure() << "the picture " << step.before << " was not written";
            }
        }
        m_previousPage = page;
        return Keep(step, still, recorded);
    }

    ::testing::AssertionResult Keep(Step step, const Picture& picture, Step* recorded = nullptr)
    {
        step.picture = std::to_string(m_route.steps.size()) + "_" + step.kind + "_" + step.name + ".png";
        if (!WritePicture(m_folder / step.picture, picture))
        {
            return ::testing::AssertionFailure() << "the picture " << step.picture << " was not written";
        }
        m_route.steps.push_back(step);
        if (recorded != nullptr)
        {
            *recorded = step;
        }
        return ::testing::AssertionSuccess();
    }

    // The page's target recorded, then clicked as the real run clicks: a move there, press, release.
    ::testing::AssertionResult ClickOn(const std::string& page, const std::string& name)
    {
        if (auto result = WaitForPage(page); !result)
        {
            return result;
        }
        Step step;
        if (auto result = Record("click", name, &step); !result)
        {
            return result;
        }
        return game->Click(CPoint(step.area.CentreX(), step.area.CentreY()));
    }

    // Start-up to the level selection's level: the language page (when asked), the saved games, the logo
    // hurried by a key every half second, and the menus.
    void WalkToTheLevel()
    {
        ASSERT_TRUE(game->Start());
        game->FocusWindow();
        ASSERT_TRUE(game->MouseMove(CPoint(kRestX, kRestY)));
        if (m_route.renderer == "2d")
        {
            ASSERT_TRUE(ClickOn("languageselection", "englishbutton"));
        }
        ASSERT_TRUE(game->RunUntil([&] { return CurrentScreen() == "logo"; }, "the logo", 1500));
        m_route.steps.push_back({"logo", "anybutton", {}, "-"});
        const auto atMainMenu = [&] {
            CBookMenuScreen* page = Page("mainmenu");
            return CurrentScreen() == "mainmenu" && page != nullptr &&
                   page->GetStates().GetCurrentStateName() == "MainMenu";
        };
        for (int press = 0; press < 120 && !atMainMenu(); ++press)
        {
            ASSERT_TRUE(game->PressKey("A"));
            for (int frame = 0; frame < 23 && !atMainMenu(); ++frame)
            {
                ASSERT_TRUE(game->RunFrames(1));
            }
        }
        ASSERT_TRUE(atMainMenu()) << "the main menu after the logo; " << game->Describe();
        ASSERT_TRUE(ClickOn("mainmenu", "playbutton"));
        ASSERT_TRUE(ClickOn("gamemenu", "freeplaybutton"));
        ASSERT_TRUE(ClickOn("freeplay", "basicbutton"));
        ASSERT_TRUE(ClickOn("levelselection", "levelnumberbutton5"));
        ASSERT_TRUE(game->RunUntil([&] { return PuzzleScreenTesting::PuzzleStateOf(*game) == "Playing"; },
                                   "the level playing", 3000));
        const std::string level = game->World().GetGameContext()->GetCurrentLevelFile();
        ASSERT_NE(level.find("basic/05."), std::string::npos) << level;
    }

    const CBlock& Block(std::int32_t id) const
    {
        for (const CBlock* block : game->World().GetPuzzle()->GetBlocks())
        {
            if (block->GetId() == id)
            {
                return *block;
            }
        }
        throw std::runtime_error("no block " + std::to_string(id));
    }

    // The window pixel where the game camera shows a world point.
    CPoint PixelOf(const BaseLib::CVector3& point) const
    {
        BaseLib::CVector4 clip;
        BaseLib::TransformVector4(clip, BaseLib::CVector4(point, 1.0f),
                                  game->UI().GetCamera()->GetCamera()->viewProjection);
        const UILib::CWindow& root = *UILib::CWindowManager::GetInstance()->GetLayerRoot(0);
        const float x = (clip.x / clip.w + 1.0f) * 0.5f * static_cast<float>(root.GetSize().cx);
        const float y = (1.0f - clip.y / clip.w) * 0.5f * static_cast<float>(root.GetSize().cy);
        return game->WindowPoint(
            CPoint(static_cast<std::int32_t>(std::lround(x)), static_cast<std::int32_t>(std::lround(y))));
    }

    // The top centre of the block's pick cube in the scene.
    BaseLib::CVector3 BlockTop(std::int32_t id) const
    {
        GameLib::CSceneManager::NodeArray nodes;
        game->World().GetSceneManager()->GetNodesOfType(typeid(CBlockEntityNode), nodes);
        for (GameLib::CSceneGraphNode* node : nodes)
        {
            if (static_cast<CBlockEntityNode*>(node)->GetBlock()->GetId() == id)
            {
                const BaseLib::CMatrix& m = node->GetWorldTransform();
                return {m.m[3][0], m.m[3][1], m.m[3][2] + kBlockTop};
            }
        }
        throw std::runtime_error("no node for block " + std::to_string(id));
    }

    // The press and release points of a move of the block by (dx, dy) cells.
    void MovePoints(std::int32_t id, float dx, float dy, Step& step) const
    {
        if (m_route.renderer == "2d")
        {
            auto* screen = static_cast<CPuzzleScreen2D*>(game->Screens().GetCurrentScreen());
            const CPuzzleRenderer2D& view = *screen->GetBoardView();
            const BaseLib::CRectF& r = Block(id).GetRect();
            const CPoint field = screen->GetPlayingField()->GetScreenPosition();
            const CPoint cell = view.CellToScreen(r.left + 0.5f, r.top + 0.5f);
            const CPoint press = game->WindowPoint(CPoint(field.x + cell.x, field.y + cell.y));
            const CPoint cellEnd = view.CellToScreen(r.left + 0.5f + dx, r.top + 0.5f + dy);
            const CPoint release = game->WindowPoint(CPoint(field.x + cellEnd.x, field.y + cellEnd.y));
            step.pressX = press.x;
            step.pressY = press.y;
            step.releaseX = release.x;
            step.releaseY = release.y;
        }
        else
        {
            // Board x runs along world +X, board y along world -Y.
            const BaseLib::CVector3 top = BlockTop(id);
            const CPoint press = PixelOf(top);
            const CPoint release = PixelOf(top + BaseLib::CVector3(dx, -dy, 0.0f));
            step.pressX = press.x;
            step.pressY = press.y;
            step.releaseX = release.x;
            step.releaseY = release.y;
        }
    }

    // Every board cell that no block covers shows the grid cell picture's colour at its centre.
    void ExpectGridOnFreeCells(const Picture& board) const
    {
        const std::string path = std::string(QUARROW_MEDIA_DIR) + "/interface/standard/puzzle2d/grid_cell.png";
        Platform::GfxKit::ImageInfo info;
        Platform::GfxKit::ImageLevels levels;
        std::string error;
        ASSERT_TRUE(Platform::GfxKit::LoadImageFile(path, info, &levels, error)) << error;
        std::uint32_t grid = 0;
        std::memcpy(&grid, levels.Level(0, 0) + (info.Height / 2) * info.Width * 4 + (info.Width / 2) * 4, 4);
        const CEditablePuzzle& puzzle = *game->World().GetPuzzle();
        auto* screen = static_cast<CPuzzleScreen2D*>(game->Screens().GetCurrentScreen());
        const CPoint field = screen->GetPlayingField()->GetScreenPosition();
        int checked = 0;
        for (int y = 0; y < puzzle.GetHeight(); ++y)
        {
            for (int x = 0; x < puzzle.GetWidth(); ++x)
            {
                const float cx = static_cast<float>(x) + 0.5f;
                const float cy = static_cast<float>(y) + 0.5f;
                bool covered = false;
                for (const CBlock* block : puzzle.GetBlocks())
                {
                    const BaseLib::CRectF& r = block->GetRect();
                    covered |= cx > r.left && cx < r.right && cy > r.top && cy < r.bottom;
                }
                if (covered)
                {
                    continue;
                }
                const CPoint cell = screen->GetBoardView()->CellToScreen(cx, cy);
                const CPoint at = game->WindowPoint(CPoint(field.x + cell.x, field.y + cell.y));
                const std::uint32_t shown = board.pixels[static_cast<std::size_t>(at.y * board.width + at.x)];
                for (int shift = 0; shift < 24; shift += 8)
                {
                    EXPECT_NEAR(static_cast<int>((shown >> shift) & 0xFFu), static_cast<int>((grid >> shift) & 0xFFu), 12)
                        << "cell (" << x << ", " << y << ")";
                }
                ++checked;
            }
        }
        EXPECT_GT(checked, 0) << "no free cell on the board";
    }

    bool Resting() const
    {
        const CEditablePuzzle* puzzle = game->World().GetPuzzle();
        return puzzle == nullptr || !puzzle->IsMoving();
    }

    std::unique_ptr<GameHarness> game;
    // The last page a step was recorded on, whole.
    Picture m_previousPage;
    Route m_route;
    std::filesystem::path m_folder;
};

// The area around a point that shows the board taking the mouse.
Area AroundPoint(int x, int y)
{
    return {x - 48, y - 48, x + 48, y + 48};
}

void PlayTwin(const std::string& renderer)
{
    Twin twin(renderer);
    GameHarness& game = *twin.game;
    twin.WalkToTheLevel();
    if (::testing::Test::HasFatalFailure())
    {
        return;
    }
    const std::vector<PuzzleScreenTesting::ReplayMove> replay = PuzzleScreenTesting::ReadReplay(kLevelFile);
    ASSERT_FALSE(replay.empty());

    // "Playing": the picture around the first press point once the camera stands.
    {
        Step step;
        step.kind = "playing";
        step.name = "board";
        const CBlock& first = twin.Block(replay[0].id);
        twin.MovePoints(replay[0].id, replay[0].x - first.GetRect().left, replay[0].y - first.GetRect().top, step);
        step.area = AroundPoint(step.pressX, step.pressY);
        Picture still;
        ASSERT_TRUE(twin.StandStill(step.area, "the board", still));
        ASSERT_TRUE(twin.Keep(step, still));
        const Picture board = twin.Frame();
        ASSERT_EQ(board.width, 1024);
        ASSERT_EQ(board.height, 768);
        ASSERT_TRUE(WritePicture(twin.m_folder / "board.png", board));
        if (renderer == "2d")
        {
            twin.ExpectGridOnFreeCells(board);
        }
        else
        {
            EXPECT_GE(ShareUnlike(board, 0x7F7F7Fu), 0.2) << "the 3D board shows little but the clear colour";
        }
    }

    const UILib::CWindow* movesLabel = twin.FindShown("moveslabel");
    ASSERT_NE(movesLabel, nullptr) << "the level's moves label";
    const Area labelArea = twin.AreaOf(*movesLabel);
    for (std::size_t i = 0; i < replay.size(); ++i)
    {
        SCOPED_TRACE("move " + std::to_string(i + 1));
        const auto& move = replay[i];
        const BaseLib::CRectF start = twin.Block(move.id).GetRect();
        Step step;
        step.kind = "move";
        step.name = std::to_string(move.id);
        step.area = labelArea;
        twin.MovePoints(move.id, move.x - start.left, move.y - start.top, step);

        ASSERT_TRUE(game.MouseMove(CPoint(step.pressX, step.pressY)));
        ASSERT_TRUE(game.RunFrames(1));
        if (renderer == "3d")
        {
            const CBlockEntityNode* picked = game.UI().Get3DCursor()->GetPickedNode();
            ASSERT_NE(picked, nullptr) << "the cursor picks nothing at the press point";
            ASSERT_EQ(picked->GetBlock()->GetId(), move.id) << "the cursor picks another block";
        }
        ASSERT_TRUE(game.MouseButton(CPoint(step.pressX, step.pressY), true));
        ASSERT_TRUE(game.RunFrames(1));
        const int dx = step.releaseX - step.pressX;
        const int dy = step.releaseY - step.pressY;
        const int parts = std::max(1, (std::max(std::abs(dx), std::abs(dy)) + 7) / 8);
        for (int k = 1; k <= parts; ++k)
        {
            ASSERT_TRUE(game.MouseMove(CPoint(step.pressX + dx * k / parts, step.pressY + dy * k / parts)));
            ASSERT_TRUE(game.RunFrames(1));
        }
        const int held = game.Frames();
        ASSERT_TRUE(game.RunUntil([&] { return twin.Resting(); }, "the block held at the drag's end"));
        step.holdFrames = game.Frames() - held;
        ASSERT_TRUE(game.MouseButton(CPoint(step.releaseX, step.releaseY), false));
        ASSERT_TRUE(game.RunFrames(1));
        const int released = game.Frames();
        ASSERT_TRUE(game.RunUntil([&] { return twin.Resting(); }, "the blocks at rest"));
        step.settleFrames = game.Frames() - released;
        if (i + 1 < replay.size())
        {
            Picture label;
            ASSERT_TRUE(twin.StandStill(labelArea, "the moves label", label));
            ASSERT_TRUE(twin.Keep(step, label));
        }
        else
        {
            // The last move ends the level: the label is gone with it.
            ASSERT_TRUE(twin.Keep(step, Cut(twin.Frame(), labelArea)));
        }
    }
    ASSERT_TRUE(game.RunUntil(
        [&] { return game.World().GetGameContext()->GetState() == GameContext::LevelSolved || twin.CurrentScreen() == "gameresult"; },
        "the level solved"));
    const int moves = game.World().GetPuzzle() != nullptr ? game.World().GetPuzzle()->GetMoveCount() : 0;
    const int minimum = game.World().GetPuzzle() != nullptr ? game.World().GetPuzzle()->GetMinSolveMoves() : 0;
    twin.m_route.moves = moves;
    EXPECT_GT(moves, 0);
    EXPECT_LE(moves, minimum) << "more moves than the level's \"minsolvemoves\"";

    // The result page: the saved games written on arrival, the third gold shown.
    ASSERT_TRUE(twin.WaitForPage("gameresult"));
    ASSERT_TRUE(game.RunUntil([&] { return std::filesystem::exists(game.Folder() / CSaveGameList::FileName); },
                              "savedgames.bin written"));
    ASSERT_TRUE(game.RunUntil([&] { return twin.FindShown("goldlabel3") != nullptr; }, "the third gold"));
    for (const char* label : {"goldlabel3", "levellabel", "moveslabel", "bestmoveslabel", "goldlabel1", "goldlabel2"})
    {
        ASSERT_TRUE(twin.Record("result", label)) << label;
    }
    ASSERT_TRUE(WritePicture(twin.m_folder / "result.png", twin.Frame()));
    {
        std::ifstream file(game.Folder() / CSaveGameList::FileName, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(CheckSavedResult(bytes, moves), "");
    }

    // Escape: back to the level selection.
    ASSERT_TRUE(game.PressKey("Escape"));
    ASSERT_TRUE(twin.WaitForPage("levelselection"));
    ASSERT_TRUE(twin.Record("back", "levelnumberbutton5"));
    twin.m_route.windowWidth = 1024;
    twin.m_route.windowHeight = 768;
    ASSERT_TRUE(WriteRoute(twin.m_folder, twin.m_route));
    game.Finish();
    EXPECT_TRUE(game.MessageBoxes().empty()) << game.MessageBoxes().front();
    if (renderer == "2d")
    {
        std::ifstream config(game.Folder() / "config.xml");
        const std::string text((std::istreambuf_iterator<char>(config)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("<language>english</language>"), std::string::npos) << text;
    }
}

TEST(E2E, Twin2D)
{
    PlayTwin("2d");
}

TEST(E2E, Twin3D)
{
    PlayTwin("3d");
}

} // namespace
