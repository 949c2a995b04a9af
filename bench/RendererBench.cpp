// The game renderer's frame beside a bare OpenGL twin of the same work (run under a display:
// xvfb-run -a -s "-screen 0 1280x1024x24"), in one process, on one 1024 × 768 windowed head:
//
//   (a) Renderer: CQuarrowRenderer::Render and the head's present, on the largest level board (8 × 6,
//       every cell but one a block) with its walls, exits, environment model and floating particles,
//       lit by the environment's three lights, all made to cast shadows, seen from an orbit pose;
//   (b) Renderer/BareGL: the same meshes (read back once from the scene's buffers), world matrices,
//       clears and draws straight through OpenGL 3.3 (platform/baregl): the ambient pass, one shadow map
//       per light into a 1024 × 1024 framebuffer, the light pass with one shadow-map lookup per light.
//
// The two alternate in blocks of 30 frames, ten blocks each (QUARROW_BENCH_ROUNDS changes the count),
// so that a change of machine load falls on both; the first frame of a block (the switch of context and
// window) is left out, and each case reports the median of its blocks. Per case: frames per second,
// wall, main-thread and process processor milliseconds per frame, triangles and draw calls per frame,
// for (a) the device calls per frame; then (a)/(b) of wall time and the engine's share of a frame,
// (main-thread CPU of (a) − that of (b)) / wall time of (a).
#include "bench/BenchEngine.h"
#include "bench/GameBenchBoards.h"
#include "bench/SceneTwin.h"
#include "engine/Camera.h"
#include "engine/DisplayHead.h"
#include "engine/FrameHierarchy.h"
#include "engine/MaterialFactory.h"
#include "engine/Model.h"
#include "foundation/PathAliases.h"
#include "framework/CameraNode.h"
#include "framework/LightSourceNode.h"
#include "framework/ModelNode.h"
#include "framework/ParticleSourceNode.h"
#include "framework/SceneManager.h"
#include "game/QuarrowWorld.h"
#include "game/puzzle/QuarrowRenderer.h"
#include "platform/baregl/BareGl.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/effect/EffectRecords.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/os/Window.h"
#include "sound/NullSoundDevice.h"

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using namespace BenchTwin;

constexpr int Width = 1024;
constexpr int Height = 768;
// The engine over the head, the committed media behind the game's aliases, the shared effect pool.
BenchSupport::Engine& RendererEngine()
{
    static BenchSupport::Engine* engine = [] {
        auto* made = new BenchSupport::Engine("QuarrowBenchRenderer", Width, Height);
        BaseLib::CPathAliases& aliases = made->controller.GetPathAliases();
        const std::string media = QUARROW_MEDIA_DIR;
        for (const auto& [alias, folder] :
             {std::pair{"texture", "textures"}, std::pair{"xfl-texture", "textures"},
              std::pair{"shader", "shader"}, std::pair{"xfl-shader", "shader"}, std::pair{"model", "models"},
              std::pair{"animation", "animations"}, std::pair{"environment", "environments"}})
        {
            aliases.RegisterPathAlias(alias, media + "/" + folder);
        }
        made->controller.GetMaterialFactory()->CreateSharedEffectPool("shader>_shared.fx");
        SoundLib::CNullSoundDevice::Create();
        return made;
    }();
    return *engine;
}

// The 8 × 6 benchmark board running as a level, every light casting shadows, a camera in an orbit pose
// (south of the board, above it, looking at its centre) and the renderer over the world's scene.
struct RendererScene
{
    RendererScene()
    {
        CEditablePuzzle board;
        if (!BenchBoards::MakeFullBoard(board, BenchBoards::LevelWidth, BenchBoards::LevelHeight))
        {
            std::abort();
        }
        file = std::filesystem::temp_directory_path() /
               ("quarrow-bench-renderer-" + std::to_string(::getpid()) + ".xml");
        board.SaveXml(file.string());
        world.Initialize();
        world.LoadLevel(file.string());
        GameLib::CSceneManager* scene = world.GetSceneManager();
        GameLib::CSceneManager::NodeArray lights;
        scene->GetNodesOfType(typeid(GameLib::CLightSourceNode), lights);
        for (GameLib::CSceneGraphNode* light : lights)
        {
            static_cast<GameLib::CLightSourceNode*>(light)->GetLight()->castsShadows = true;
        }
        lightCount = lights.size();
        // The driver that draws nothing crashes inside its buffer update for the particles' vertices:
        // under it the particles are left out.
        if (std::getenv("GALLIUM_NOOP") != nullptr)
        {
            GameLib::CSceneManager::NodeArray particles;
            scene->GetNodesOfType(typeid(GameLib::CParticleSourceNode), particles);
            for (GameLib::CSceneGraphNode* node : particles)
            {
                static_cast<GameLib::CParticleSourceNode*>(node)->SetVisible(0);
            }
            particlesHidden = !particles.empty();
        }

        const float w = static_cast<float>(BenchBoards::LevelWidth);
        const float h = static_cast<float>(BenchBoards::LevelHeight);
        const BaseLib::CVector3 centre((w - 1.0f) / 2.0f, -(h - 1.0f) / 2.0f, 0.0f);
        const BaseLib::CVector3 eye = centre + BaseLib::CVector3(0.0f, -8.0f, 9.0f);
        BaseLib::CVector3 forward = centre - eye;
        forward = forward / forward.Length();
        BaseLib::CVector3 right = BaseLib::CVector3(0.0f, 0.0f, 1.0f).Cross(forward);
        right = right / right.Length();
        const BaseLib::CVector3 up = forward.Cross(right);
        camera = new GameLib::CCameraNode();
        camera->SetLocalTransform(
            BaseLib::CMatrix(BaseLib::CVector4(right, 0.0f), BaseLib::CVector4(up, 0.0f),
                             BaseLib::CVector4(forward, 0.0f), BaseLib::CVector4(eye, 1.0f)));
        camera->GetCamera()->SetUpVector(BaseLib::CVector3(0.0f, 0.0f, 1.0f));
        camera->GetCamera()->aspectRatio = static_cast<float>(Width) / static_cast<float>(Height);
        scene->GetRootNode()->AddChild(camera);

        renderer.Init(&RendererEngine().controller, scene);
        renderer.SetCamera(camera);
        renderer.SetSceneBounds(1.5f - w / 2.0f, -3.5f - h / 2.0f, 0.0f, w / 2.0f + 3.5f, h / 2.0f - 1.5f,
                                2.7f);
    }
    ~RendererScene()
    {
        renderer.ReleaseShadowResources();
        world.Shutdown();
        std::filesystem::remove(file);
    }

    void Frame()
    {
        Qen::CDisplayHead& head = *RendererEngine().controller.GetHeads()[0];
        Platform::Gfx::Device* device = RendererEngine().device;
        head.BeginFrame();
        device->BeginScene();
        renderer.Render();
        device->EndScene();
        head.Present();
    }

    CQuarrowWorld world{&RendererEngine().controller};
    std::filesystem::path file;
    GameLib::CCameraNode* camera = nullptr; // the scene's
    CQuarrowRenderer renderer;
    std::size_t lightCount = 0;
    bool particlesHidden = false;
};

void BM_Renderer(benchmark::State& state)
{
    for (auto _ : state)
    {
        RendererScene scene;
        Platform::Gfx::Device* device = RendererEngine().device;
        Platform::ShowWindow(RendererEngine().window, Platform::SW_SHOW);
        // A few frames first: the driver's programs are made and the frames' matrices settle.
        for (int i = 0; i < 5; ++i)
        {
            scene.Frame();
        }
        auto bare = Platform::BareGl::BareWindow::Open("bare", 0, 0, Width, Height);
        if (!bare)
        {
            state.SkipWithError("no bare OpenGL window");
            return;
        }
        Platform::BareGl::LitSceneFrame twin(
            *bare, TwinScene(*scene.world.GetSceneManager(), scene.renderer, *scene.camera->GetCamera()));
        twin.Draw();

        std::vector<Block> project;
        std::vector<Block> bareBlocks;
        const Platform::Gfx::DeviceCounters before = device->Counters();
        std::uint64_t measuredFrames = 0;
        for (int block = 0; block < Blocks(); ++block)
        {
            bare->Hide();
            project.push_back(RunBlock([&scene] { scene.Frame(); }));
            measuredFrames += BlockFrames;
            bare->Show();
            bare->MakeCurrent();
            bareBlocks.push_back(RunBlock([&twin] { twin.Draw(); }));
        }
        const Platform::Gfx::DeviceCounters& after = device->Counters();
        const double n = static_cast<double>(measuredFrames);
        const double engineDraws = static_cast<double>(after.drawCalls - before.drawCalls) / n;

        std::printf("\n  8 × 6 board, %zu lights casting shadows, particles %s, %d × %d, blocks of %d "
                    "frames, %d blocks each\n",
                    scene.lightCount, scene.particlesHidden ? "left out" : "drawn by (a) only", Width, Height,
                    BlockFrames, Blocks());
        const CaseFigures a = Medians(project);
        const CaseFigures b = Medians(bareBlocks);
        // The engine's triangles: the twin draws the same model meshes in the same passes; the particles
        // (drawn only by the engine) add a few.
        Report(state, "a", "Renderer: CQuarrowRenderer::Render + present", a,
               static_cast<double>(twin.TriangleCount()), engineDraws);
        Report(state, "b", "Renderer/BareGL: the same meshes and passes", b,
               static_cast<double>(twin.TriangleCount()), static_cast<double>(twin.DrawCount()));
        std::printf(
            "  (a) device calls per frame: %.0f render states, %.0f textures, %.0f sampler states, %.0f "
            "shaders, %.0f constants, %.0f stream sources, %.0f clears, %.0f context switches\n",
            static_cast<double>(after.renderStates - before.renderStates) / n,
            static_cast<double>(after.textures - before.textures) / n,
            static_cast<double>(after.samplerStates - before.samplerStates) / n,
            static_cast<double>(after.shaders - before.shaders) / n,
            static_cast<double>(after.constants - before.constants) / n,
            static_cast<double>(after.streamSources - before.streamSources) / n,
            static_cast<double>(after.clears - before.clears) / n,
            static_cast<double>(after.contextSwitches - before.contextSwitches) / n);
        const double ratio = b.wallMs > 0.0 ? a.wallMs / b.wallMs : 0.0;
        const double share = a.wallMs > 0.0 ? (a.threadMs - b.threadMs) / a.wallMs : 0.0;
        std::printf("  (a)/(b) wall = %.2f; engine share of a frame = %.1f %%; %s\n", ratio, 100.0 * share,
                    MachineLoad().c_str());
        state.counters["a_over_b"] = ratio;
        state.counters["engine_share"] = share;
        state.counters["a_render_states"] = static_cast<double>(after.renderStates - before.renderStates) / n;
        state.counters["a_constants"] = static_cast<double>(after.constants - before.constants) / n;
    }
}
BENCHMARK(BM_Renderer)->Name("Renderer")->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
