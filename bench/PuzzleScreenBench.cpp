// The 2D puzzle screen in the running game (the game's test harness, one 1024 × 768 windowed head, sound
// off; run under a display: xvfb-run -a -s "-screen 0 1280x1024x24"), on the benchmark boards (8 × 6 and
// 64 × 64, every cell but one a block) loaded as the level being played:
// (a) Screen2D: one whole frame of the program (input, world step, screen and board view update, the
//     window layers painted, the present);
// (b) Screen2DRebuild: the board view's rebuild for a new change number (block windows and grid labels
//     taken down and made again); the windows' deletion by the window manager falls in the frame after,
//     which is run outside the timing.
// (c) Screen3D: the 3D puzzle screen playing the 8 × 6 board (every light casting shadows, the floating
//     particles landed, the camera in its orbit pose, the HUD shown): the whole frame of the program with
//     a hover move over the board injected every frame, so the cursor picks; beside
//     Screen3D/BareGL: the twin of the same scene's meshes, camera and lights in a bare OpenGL window
//     with one textured quad per shown HUD window on top. The two alternate in blocks of 30 frames, ten
//     blocks each (QUARROW_BENCH_ROUNDS changes the count); each case reports the median of its blocks,
//     then (c)/(twin) of wall time and the engine's share of a frame, (main-thread CPU of (c) − that of
//     the twin) / wall time of (c).
#include "bench/GameBenchBoards.h"
#include "bench/SceneTwin.h"
#include "engine/Camera.h"
#include "engine/EngineController.h"
#include "platform/gfx/Device.h"
#include "framework/LightSourceNode.h"
#include "framework/ParticleSourceNode.h"
#include "framework/SceneManager.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowUIScreen.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/3DCursor.h"
#include "game/puzzle/GameCameraNode.h"
#include "game/puzzle/PuzzleRenderer2D.h"
#include "game/puzzle/PuzzleScreen2D.h"
#include "framework/UIScreen.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>
#include <memory>
#include <string>

namespace
{

using GameTesting::GameHarness;

// Stands for the developer menu: a level entered from it is played as it is loaded. The scene is not
// drawn while it is current.
class LevelLoadedScreen : public CQuarrowUIScreen
{
public:
    explicit LevelLoadedScreen(CQuarrowUI* ui) : CQuarrowUIScreen(ui, nullptr) {}
    void Update() override {}
    bool HidesScene() const override { return true; }
};

// The driver that draws nothing crashes inside its buffer update for the particles' vertices: under it
// the particles are left out. True when there were particles to leave out.
bool HideParticlesWithoutRasteriser(GameLib::CSceneManager& scene)
{
    if (std::getenv("GALLIUM_NOOP") == nullptr)
    {
        return false;
    }
    GameLib::CSceneManager::NodeArray particles;
    scene.GetNodesOfType(typeid(GameLib::CParticleSourceNode), particles);
    for (GameLib::CSceneGraphNode* node : particles)
    {
        static_cast<GameLib::CParticleSourceNode*>(node)->SetVisible(0);
    }
    return !particles.empty();
}

std::string PuzzleState(GameHarness& game)
{
    auto* screen = dynamic_cast<CPuzzleScreen*>(game.Screens().GetCurrentScreen());
    return screen != nullptr ? screen->GetStateName() : std::string();
}

// The game running on the benchmark board of the given side, its puzzle screen playing it. Null (with the
// reason printed) when the game did not get there.
std::unique_ptr<GameHarness> PlayBenchBoard(const std::string& renderer, std::int32_t side)
{
    GameTesting::GameSettings settings;
    settings.renderer = renderer;
    auto game = std::make_unique<GameHarness>(settings);
    const auto failed = [&](const ::testing::AssertionResult& result) {
        if (!result)
        {
            std::fprintf(stderr, "%s\n", result.message());
        }
        return !result;
    };
    if (failed(game->Start()))
    {
        return nullptr;
    }
    CEditablePuzzle board;
    const bool large = side == BenchBoards::LargeSide;
    if (!BenchBoards::MakeFullBoard(board, large ? side : BenchBoards::LevelWidth,
                                    large ? side : BenchBoards::LevelHeight))
    {
        return nullptr;
    }
    const std::string file = (game->Folder() / "benchboard.xml").string();
    board.SaveXml(file);
    game->AddScreen("devmenu", new LevelLoadedScreen(&game->UI()));
    if (!game->SwitchTo("devmenu"))
    {
        return nullptr;
    }
    game->PostWorldCommand("StartGame");
    game->PostWorldCommand("StartLevel", file);
    if (failed(game->RunFrames(1)))
    {
        return nullptr;
    }
    HideParticlesWithoutRasteriser(*game->World().GetSceneManager());
    if (!game->SwitchTo(game->UI().GetPuzzleScreenName()))
    {
        return nullptr;
    }
    // The camera's flight hurried as a click hurries it.
    if (failed(game->RunUntil([&] { return PuzzleState(*game) == "Intro" || PuzzleState(*game) == "Playing"; },
                              "the intro")))
    {
        return nullptr;
    }
    if (CGameCameraNode* camera = game->UI().GetCamera())
    {
        camera->SetIntroSpeed(5.0f);
    }
    if (failed(game->RunUntil([&] { return PuzzleState(*game) == "Playing"; }, "the level playing", 3000, 120.0)))
    {
        return nullptr;
    }
    return game;
}

void BM_Screen2D(benchmark::State& state)
{
    const auto side = static_cast<std::int32_t>(state.range(0));
    std::unique_ptr<GameHarness> game = PlayBenchBoard("2d", side);
    auto* screen = game != nullptr ? dynamic_cast<CPuzzleScreen2D*>(game->Screens().GetCurrentScreen()) : nullptr;
    if (screen == nullptr || screen->GetBoardView() == nullptr)
    {
        state.SkipWithError("the 2D screen did not reach the level");
        return;
    }
    for (auto _ : state)
    {
        if (!game->RunFrames(1))
        {
            state.SkipWithError("the game stopped");
            return;
        }
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["blockWindows"] = static_cast<double>(screen->GetBoardView()->GetBlockControls().size());
    state.counters["gridLabels"] = static_cast<double>(screen->GetBoardView()->GetGridLabels().size());
}
BENCHMARK(BM_Screen2D)
    ->Name("Screen2D")
    ->Arg(8)
    ->Arg(BenchBoards::LargeSide)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_Screen2DRebuild(benchmark::State& state)
{
    const auto side = static_cast<std::int32_t>(state.range(0));
    std::unique_ptr<GameHarness> game = PlayBenchBoard("2d", side);
    auto* screen = game != nullptr ? dynamic_cast<CPuzzleScreen2D*>(game->Screens().GetCurrentScreen()) : nullptr;
    if (screen == nullptr || screen->GetBoardView() == nullptr)
    {
        state.SkipWithError("the 2D screen did not reach the level");
        return;
    }
    CPuzzleRenderer2D& view = *screen->GetBoardView();
    for (auto _ : state)
    {
        view.ClearBlockControls();
        view.ClearGrid();
        view.BuildGrid();
        view.CreateBlockControls();
        state.PauseTiming();
        if (!game->RunFrames(1))
        {
            state.SkipWithError("the game stopped");
            return;
        }
        state.ResumeTiming();
    }
    state.counters["blockWindows"] = static_cast<double>(view.GetBlockControls().size());
}
BENCHMARK(BM_Screen2DRebuild)
    ->Name("Screen2D/Rebuild")
    ->Arg(8)
    ->Arg(BenchBoards::LargeSide)
    ->Unit(benchmark::kMillisecond);

// Every shown window below the window, in screen pixels, as the twin's overlay quads.
void CollectOverlays(const UILib::CWindow& window, std::vector<Platform::BareGl::OverlayQuad>& quads)
{
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    for (std::int32_t i = 0; i < window.GetChildCount(); ++i)
    {
        const UILib::CWindow* child = windows->Resolve(window.GetChildHandle(i));
        if (child == nullptr || !child->IsVisible())
        {
            continue;
        }
        const BaseLib::CPoint at = child->GetScreenPosition();
        quads.push_back({at.x, at.y, child->GetSize().cx, child->GetSize().cy, 0x40202020u});
        CollectOverlays(*child, quads);
    }
}

// The game's frame taken apart (its loop's steps called one by one, the hover queued straight into the
// cursor): the controller's update (input and cursor), the world step, UpdateScreens and Render up to
// the present, each the median of BlockFrames frames in wall milliseconds. Under GALLIUM_NOOP this is the
// program's own work without the rasteriser.
void ReportFrameSplit(benchmark::State& state, GameHarness& game)
{
    CQuarrowApplication& application = game.Game();
    CQuarrowUI& ui = game.UI();
    std::vector<double> phases[4];
    const auto time = [](const std::function<void()>& step) {
        const auto start = std::chrono::steady_clock::now();
        step();
        return 1000.0 * std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    for (int i = 0; i < BenchTwin::BlockFrames; ++i)
    {
        if (C3DCursor* cursor = ui.Get3DCursor())
        {
            cursor->QueueMouseMove(BaseLib::CVector2(i % 2 == 0 ? -0.05f : 0.05f, 0.0f));
        }
        phases[0].push_back(time([&] { application.UpdateUserInterface(); }));
        phases[1].push_back(time([&] { application.UpdateWorld(); }));
        phases[2].push_back(time([&] { ui.UpdateScreens(); }));
        phases[3].push_back(time([&] { ui.Render(); }));
    }
    const char* names[4] = {"update", "world", "screens", "render"};
    std::printf("  (a) split, median ms per frame:");
    for (int p = 0; p < 4; ++p)
    {
        std::sort(phases[p].begin(), phases[p].end());
        const double median = phases[p][phases[p].size() / 2];
        std::printf(" %s %.2f", names[p], median);
        state.counters[std::string("a_") + names[p] + "_ms"] = median;
    }
    std::printf("\n");
}

void BM_Screen3D(benchmark::State& state)
{
    using namespace BenchTwin;
    for (auto _ : state)
    {
        std::unique_ptr<GameHarness> game = PlayBenchBoard("3d", BenchBoards::LevelWidth);
        auto* screen = game != nullptr ? dynamic_cast<CPuzzleScreen*>(game->Screens().GetCurrentScreen()) : nullptr;
        if (screen == nullptr || game->UI().GetRenderer() == nullptr || game->UI().GetCamera() == nullptr)
        {
            state.SkipWithError("the 3D screen did not reach the level");
            return;
        }
        GameLib::CSceneManager& scene = *game->World().GetSceneManager();
        GameLib::CSceneManager::NodeArray lights;
        scene.GetNodesOfType(typeid(GameLib::CLightSourceNode), lights);
        for (GameLib::CSceneGraphNode* light : lights)
        {
            static_cast<GameLib::CLightSourceNode*>(light)->GetLight()->castsShadows = true;
        }
        const bool particlesHidden = HideParticlesWithoutRasteriser(scene);
        // The motes land and the HUD settles.
        if (!game->RunFrames(100))
        {
            state.SkipWithError("the game stopped");
            return;
        }
        // Two points over the middle of the board, taken in turn: every frame is a hover move.
        const BaseLib::CPoint middle = game->WindowPoint(BaseLib::CPoint(512, 384));
        int hover = 0;
        bool running = true;
        const auto frame = [&] {
            ++hover;
            game->MouseMove(BaseLib::CPoint(middle.x + (hover % 2 == 0 ? -30 : 30), middle.y));
            running = running && game->RunFrames(1);
        };

        auto bare = Platform::BareGl::BareWindow::Open("bare", 0, 0, 1024, 768);
        if (!bare)
        {
            state.SkipWithError("no bare OpenGL window");
            return;
        }
        Platform::BareGl::LitScene twinScene =
            TwinScene(scene, *game->UI().GetRenderer(), *game->UI().GetCamera()->GetCamera());
        if (screen->GetRootPanel() != nullptr)
        {
            CollectOverlays(*screen->GetRootPanel(), twinScene.overlays);
        }
        const std::size_t overlays = twinScene.overlays.size();
        Platform::BareGl::LitSceneFrame twin(*bare, twinScene);
        twin.Draw();

        Platform::Gfx::Device* device = game->World().GetOwner()->GetDevice();
        const std::uint64_t drawsBefore = device->Counters().drawCalls;
        std::vector<Block> gameBlocks;
        std::vector<Block> bareBlocks;
        for (int block = 0; block < Blocks() && running; ++block)
        {
            bare->Hide();
            gameBlocks.push_back(RunBlock(frame));
            bare->Show();
            bare->MakeCurrent();
            bareBlocks.push_back(RunBlock([&twin] { twin.Draw(); }));
        }
        bare->Hide();
        if (!running)
        {
            state.SkipWithError("the game stopped");
            return;
        }
        std::printf("\n  8 × 6 board, %zu lights casting shadows, particles %s, 1024 × 768, %zu HUD windows, "
                    "blocks of %d frames, %d blocks each\n",
                    lights.size(), particlesHidden ? "left out" : "drawn by (a) only", overlays, BlockFrames,
                    Blocks());
        const double gameDraws = static_cast<double>(device->Counters().drawCalls - drawsBefore) /
                                 static_cast<double>(gameBlocks.size() * BlockFrames);
        const CaseFigures a = Medians(gameBlocks);
        const CaseFigures b = Medians(bareBlocks);
        // The game's triangles: the twin draws the same model meshes; the particles (drawn only by the game)
        // and the window layers add a few.
        Report(state, "a", "Screen3D: the whole frame of the game", a, static_cast<double>(twin.TriangleCount()),
               gameDraws);
        Report(state, "b", "Screen3D/BareGL: the scene's twin + HUD quads", b,
               static_cast<double>(twin.TriangleCount()), static_cast<double>(twin.DrawCount()));
        const double ratio = b.wallMs > 0.0 ? a.wallMs / b.wallMs : 0.0;
        const double share = a.wallMs > 0.0 ? (a.threadMs - b.threadMs) / a.wallMs : 0.0;
        std::printf("  (a)/(b) wall = %.2f; engine share of a frame = %.1f %%; %s\n", ratio, 100.0 * share,
                    MachineLoad().c_str());
        state.counters["a_over_b"] = ratio;
        state.counters["engine_share"] = share;
        ReportFrameSplit(state, *game);
    }
}
BENCHMARK(BM_Screen3D)->Name("Screen3D")->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
