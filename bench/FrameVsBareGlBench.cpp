// The project's frames beside bare SDL2 + OpenGL twins that draw the same work straight into a window of
// their own (platform/baregl), in one process, alternating blocks of 30 frames so that both see the same
// load (run under a display: xvfb-run -a -s "-screen 0 1280x1024x24").
//
//   (a) the framework application's frame at 1024 × 768 as framework_end_to_end draws it (a clear and the
//       window layer: 48 tiles of 128 × 128), run through the program entry with "-devmode true
//       -fullscreen false", and (b) a clear and 48 textured 128 × 128 tiles, one draw each;
//   (c) the engine's model frame of bench_engine_models (50 static and 10 skinned instances, 1.1 million
//       triangles, 1,020 draws) and (d) the same meshes, draws, lighting, texturing and skinning.
//
// Per case: frames per second, wall milliseconds per frame, processor milliseconds per frame of the
// whole process (the software renderer's threads included) and of the main thread; then the ratios of
// wall time (a)/(b) and (c)/(d). The first frame of each block (the switch between the two contexts and
// windows) is left out. QUARROW_BENCH_ROUNDS sets the rounds of two blocks (4).

#include "bench/BenchModels.h"
#include "framework/GameLibApplication.h"
#include "framework/UIScreen.h"
#include "framework/UserInterface.h"
#include "framework/World.h"
#include "platform/baregl/BareGl.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Surface.h"
#include "platform/os/EventInjection.h"
#include "platform/os/Thread.h"
#include "tests/support/ProgramRun.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowManager.h"

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace
{

constexpr int BlockFrames = 30;

int Rounds()
{
    const char* text = std::getenv("QUARROW_BENCH_ROUNDS");
    return text ? std::max(1, std::atoi(text)) : 4;
}

double Seconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Frames measured for one case: wall, process and main-thread processor seconds.
struct Figures
{
    int frames = 0;
    double wall = 0.0;
    double process = 0.0;
    double thread = 0.0;

    // Runs one frame and adds its times.
    void Measure(const std::function<void()>& frame)
    {
        const auto wallStart = std::chrono::steady_clock::now();
        const double processStart = Seconds(CLOCK_PROCESS_CPUTIME_ID);
        const double threadStart = Seconds(CLOCK_THREAD_CPUTIME_ID);
        frame();
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        process += Seconds(CLOCK_PROCESS_CPUTIME_ID) - processStart;
        thread += Seconds(CLOCK_THREAD_CPUTIME_ID) - threadStart;
        ++frames;
    }

    double WallMs() const { return frames ? 1000.0 * wall / frames : 0.0; }
};

void Report(benchmark::State& state, const char* name, const char* what, const Figures& figures)
{
    const double n = figures.frames ? figures.frames : 1;
    std::printf("  (%s) %-58s %4d frames %7.1f frames/s  wall %7.2f ms  CPU %7.2f ms (main thread %6.2f ms)\n",
                name, what, figures.frames, figures.wall > 0.0 ? figures.frames / figures.wall : 0.0,
                figures.WallMs(), 1000.0 * figures.process / n, 1000.0 * figures.thread / n);
    const std::string key(name);
    state.counters[key + "_fps"] = figures.wall > 0.0 ? figures.frames / figures.wall : 0.0;
    state.counters[key + "_wall_ms"] = figures.WallMs();
    state.counters[key + "_cpu_ms"] = 1000.0 * figures.process / n;
    state.counters[key + "_thread_ms"] = 1000.0 * figures.thread / n;
}

void CloseNote()
{
    double load[3] = {};
    if (FILE* file = std::fopen("/proc/loadavg", "r"))
    {
        if (std::fscanf(file, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3)
        {
            load[0] = load[1] = load[2] = 0.0;
        }
        std::fclose(file);
    }
    std::printf("  %u cores, load average %.1f %.1f %.1f\n", std::thread::hardware_concurrency(), load[0], load[1],
                load[2]);
}

// --- (a) and (b): the framework application's frame and its twin ---

// As framework_end_to_end's screen: a full-size see-through panel on layer 0 with a 100 × 60 box in it.
class PlainScreen : public GameLib::CUIScreen
{
public:
    void Update() override {}
    void OnActivate() override
    {
        UILib::CWindowManager* windows = UILib::CUILibSystem::GetInstance()->GetWindowManager();
        const BaseLib::CRect area = windows->GetLayerRoot(0)->GetClientRect();
        auto* panel = new UILib::CPanel();
        panel->SetSize(area.right - area.left, area.bottom - area.top);
        panel->SetColor(BaseLib::CColor(255, 255, 255, 0));
        windows->AddToLayer(panel, 0);
        auto* box = new UILib::CPanel();
        box->SetSize(100, 60);
        box->SetPosition(20, 20);
        box->SetColor(BaseLib::CColor(200, 40, 40, 255));
        panel->AddChild(box->GetHandle());
    }
    void Release() override { delete this; }
};

class PlainInterface : public GameLib::CUserInterface
{
public:
    using CUserInterface::CUserInterface;
    void CreateScreens() override
    {
        m_screenStateMachine->AddScreen("plain", new PlainScreen());
        m_screenStateMachine->SwitchTo("plain");
    }
};

constexpr int FrameworkWidth = 1024;
constexpr int FrameworkHeight = 768;

// Runs the application's frames in blocks, each followed by a block of the twin's frames.
class AlternatingApplication : public GameLib::CGameLibApplication
{
public:
    explicit AlternatingApplication(Platform::InstanceHandle instance) : CGameLibApplication(instance, false) {}

    void CreateGameObjects() override
    {
        RegisterPathAliases();
        m_world = new GameLib::CWorld(this);
        m_world->Initialize();
        m_userInterface = new PlainInterface(this);
        m_userInterface->Initialize();
    }

    void Tick() override
    {
        Platform::WindowHandle window = m_heads.empty() ? nullptr : m_heads[0]->window;
        if (m_frame == 0 && Platform::GetActiveWindow() != window)
        {
            Platform::InjectFocus(window, true);
        }
        // A few frames first: the driver's programs and the window layer's tiles are made.
        if (m_frame < 5)
        {
            CGameLibApplication::Tick();
            ++m_frame;
            return;
        }
        const int inBlock = (m_frame - 5) % BlockFrames;
        if (inBlock == 0)
        {
            if (bare)
            {
                bare->Hide();
            }
            CGameLibApplication::Tick();
        }
        else
        {
            project.Measure([this] { CGameLibApplication::Tick(); });
        }
        ++m_frame;
        if (inBlock == BlockFrames - 1)
        {
            RunBareBlock();
            if (++m_round == Rounds())
            {
                Platform::InjectClose(window);
            }
        }
    }

    void RunBareBlock()
    {
        if (!bare)
        {
            bare = Platform::BareGl::BareWindow::Open("bare", 0, 0, FrameworkWidth, FrameworkHeight);
            if (!bare)
            {
                return;
            }
            tiles = std::make_unique<Platform::BareGl::TileFrame>(*bare, 128);
        }
        bare->Show();
        bare->MakeCurrent();
        tiles->Draw();
        for (int i = 1; i < BlockFrames; ++i)
        {
            twin.Measure([this] { tiles->Draw(); });
        }
    }

    // The twin goes with the context it drew with, before the application's device and windows go; the
    // figures stay for the report.
    void DestroyGameObjects() override
    {
        s_project = project;
        s_twin = twin;
        s_tileCount = tiles ? tiles->TileCount() : 0;
        tiles.reset();
        bare.reset();
        CGameLibApplication::DestroyGameObjects();
    }

    static inline Figures s_project;
    static inline Figures s_twin;
    static inline int s_tileCount = 0;

private:
    Figures project;
    Figures twin;
    std::unique_ptr<Platform::BareGl::BareWindow> bare;
    std::unique_ptr<Platform::BareGl::TileFrame> tiles;
    int m_frame = 0;
    int m_round = 0;
};

void BM_FrameworkFrameVsBareGl(benchmark::State& state)
{
    for (auto _ : state)
    {
        TestProgram::PrepareDisplay();
        const std::filesystem::path previousFolder = std::filesystem::current_path();
        const std::filesystem::path folder = TestProgram::EnterFreshFolder("quarrow-bench-frame-");
        if (FILE* config = std::fopen("config.xml", "wb"))
        {
            std::fprintf(config,
                         "<configuration><application><windowsize><cx>%d</cx><cy>%d</cy></windowsize>"
                         "</application></configuration>\n",
                         FrameworkWidth, FrameworkHeight);
            std::fclose(config);
        }
        const char* arguments[] = {"bench_frame_vs_bare_gl", "-devmode", "true", "-fullscreen", "false"};
        std::string trace;
        // The application binds the main thread to the first processor and leaves it so; the software
        // renderer's threads that later benchmarks start would inherit that.
        const std::uint64_t processors = Platform::GetCurrentThreadProcessors();
        TestProgram::RunProgramEntry(5, const_cast<char**>(arguments), trace);
        Platform::SetCurrentThreadProcessors(processors);
        std::filesystem::current_path(previousFolder);
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    const Figures& project = AlternatingApplication::s_project;
    const Figures& twin = AlternatingApplication::s_twin;
    if (project.frames == 0 || twin.frames == 0)
    {
        state.SkipWithError("the application or its twin did not run");
        return;
    }
    std::printf("\n");
    Report(state, "a", "framework frame 1024 x 768, window layer through the device", project);
    Report(state, "b",
           ("bare OpenGL: clear, " + std::to_string(AlternatingApplication::s_tileCount) + " textured tiles, swap")
               .c_str(),
           twin);
    const double ratio = project.WallMs() / twin.WallMs();
    std::printf("  (a)/(b) = %.2f\n", ratio);
    CloseNote();
    state.counters["a_over_b"] = ratio;
}

// --- (c) and (d): the engine's model frame and its twin ---

using namespace BenchModels;

std::array<float, 16> Floats(const Qen::Matrix& matrix)
{
    std::array<float, 16> out{};
    for (int i = 0; i < 16; ++i)
    {
        out[static_cast<std::size_t>(i)] = matrix.m[i / 4][i % 4];
    }
    return out;
}

std::array<float, 16> Floats(const BaseLib::CMatrix& matrix)
{
    std::array<float, 16> out{};
    for (int i = 0; i < 16; ++i)
    {
        out[static_cast<std::size_t>(i)] = matrix.m[i / 4][i % 4];
    }
    return out;
}

// The vertices of a sheet: position, normal, texture coordinates.
void AppendVertex(const XMesh& mesh, std::uint32_t i, std::vector<float>& vertices)
{
    const auto& position = mesh.positions[i];
    const auto& normal = mesh.normals->normals[i];
    const auto& uv = mesh.texCoords[i];
    vertices.insert(vertices.end(), {position[0], position[1], position[2], normal[0], normal[1], normal[2], uv[0], uv[1]});
}

// The twin's scene: the engine's meshes as plain arrays, split into the engine's draws (each static
// frame by material, the skinned strip into the two halves whose bones fit one palette each).
Platform::BareGl::BareScene TwinScene()
{
    Platform::BareGl::BareScene scene;
    const XFileModel still = StaticModel();
    const XMesh& sheet = still.meshes[0];
    Platform::BareGl::BareMesh staticMesh;
    for (std::uint32_t i = 0; i < sheet.positions.size(); ++i)
    {
        AppendVertex(sheet, i, staticMesh.vertices);
    }
    std::uint32_t texturedCount = 0;
    for (std::uint32_t material : {0u, 1u})
    {
        for (std::size_t face = 0; face < sheet.faceMaterials.size(); ++face)
        {
            if (sheet.faceMaterials[face] == material)
            {
                for (int k = 0; k < 3; ++k)
                {
                    staticMesh.indices.push_back(sheet.faces.indices[face * 3 + static_cast<std::size_t>(k)]);
                }
            }
        }
        if (material == 0)
        {
            texturedCount = static_cast<std::uint32_t>(staticMesh.indices.size());
        }
    }
    scene.meshes.push_back(std::move(staticMesh));

    const XFileModel skinned = SkinnedModel();
    const XMesh& strip = skinned.meshes[0];
    // Each vertex's two bones and the first one's weight, from the skin.
    std::vector<std::array<float, 3>> skin(strip.positions.size(), {0.0f, 0.0f, 0.0f});
    std::vector<int> seen(strip.positions.size(), 0);
    for (std::size_t bone = 0; bone < strip.skinWeights.size(); ++bone)
    {
        const XSkinWeights& weights = strip.skinWeights[bone];
        for (std::size_t k = 0; k < weights.vertices.size(); ++k)
        {
            auto& entry = skin[weights.vertices[k]];
            int& count = seen[weights.vertices[k]];
            if (count == 0)
            {
                entry = {weights.weights[k], static_cast<float>(bone), static_cast<float>(bone)};
            }
            else
            {
                entry[2] = static_cast<float>(bone);
            }
            ++count;
        }
    }
    const std::size_t faces = strip.faces.indices.size() / 3;
    const int firstBones[2] = {0, Bones - 26};
    for (int half = 0; half < 2; ++half)
    {
        Platform::BareGl::BareMesh mesh;
        mesh.skinned = true;
        std::vector<std::int64_t> local(strip.positions.size(), -1);
        for (std::size_t face = half * faces / 2; face < (half + 1) * faces / 2; ++face)
        {
            for (int k = 0; k < 3; ++k)
            {
                const std::uint32_t vertex = strip.faces.indices[face * 3 + static_cast<std::size_t>(k)];
                if (local[vertex] < 0)
                {
                    local[vertex] = static_cast<std::int64_t>(mesh.vertices.size() / 11);
                    AppendVertex(strip, vertex, mesh.vertices);
                    const auto& entry = skin[vertex];
                    mesh.vertices.insert(mesh.vertices.end(),
                                         {entry[0], std::max(0.0f, entry[1] - static_cast<float>(firstBones[half])),
                                          std::max(0.0f, entry[2] - static_cast<float>(firstBones[half]))});
                }
                mesh.indices.push_back(static_cast<std::uint32_t>(local[vertex]));
            }
        }
        scene.meshes.push_back(std::move(mesh));
    }

    const XMaterial& painted = sheet.materials[0];
    const XMaterial& plain = sheet.materials[1];
    const auto total = static_cast<std::uint32_t>(scene.meshes[0].indices.size());
    for (int i = 0; i < StaticInstances; ++i)
    {
        const Qen::Matrix world = StaticWorld(i);
        for (const XFrame& part : still.frames[0].children)
        {
            Qen::Matrix frame;
            for (int k = 0; k < 16; ++k)
            {
                frame.m[k / 4][k % 4] = part.transform[static_cast<std::size_t>(k)];
            }
            Qen::Matrix placed;
            MatrixMultiply(&placed, &frame, &world);
            Platform::BareGl::BareDraw textured;
            textured.mesh = 0;
            textured.firstIndex = 0;
            textured.indexCount = texturedCount;
            textured.world = Floats(placed);
            textured.diffuse = {painted.faceColor[0], painted.faceColor[1], painted.faceColor[2], painted.faceColor[3]};
            textured.specular = {painted.specular[0], painted.specular[1], painted.specular[2]};
            textured.power = painted.power;
            scene.draws.push_back(textured);
            Platform::BareGl::BareDraw untextured = textured;
            untextured.firstIndex = texturedCount;
            untextured.indexCount = total - texturedCount;
            untextured.textured = false;
            untextured.diffuse = {plain.faceColor[0], plain.faceColor[1], plain.faceColor[2], plain.faceColor[3]};
            untextured.specular = {plain.specular[0], plain.specular[1], plain.specular[2]};
            untextured.power = plain.power;
            scene.draws.push_back(untextured);
        }
    }
    const XMaterial& stripMaterial = strip.materials[0];
    for (int i = 0; i < SkinnedInstances; ++i)
    {
        for (int half = 0; half < 2; ++half)
        {
            Platform::BareGl::BareDraw draw;
            draw.mesh = static_cast<std::uint32_t>(1 + half);
            draw.indexCount = static_cast<std::uint32_t>(scene.meshes[draw.mesh].indices.size());
            draw.world = Floats(SkinnedWorld(i));
            draw.diffuse = {stripMaterial.faceColor[0], stripMaterial.faceColor[1], stripMaterial.faceColor[2],
                            stripMaterial.faceColor[3]};
            draw.specular = {stripMaterial.specular[0], stripMaterial.specular[1], stripMaterial.specular[2]};
            draw.power = stripMaterial.power;
            draw.chain = i;
            draw.firstBone = firstBones[half];
            scene.draws.push_back(draw);
        }
    }

    const Qen::CCamera camera = FrameCamera();
    scene.viewProjection = Floats(camera.viewProjection);
    scene.viewInverse = Floats(camera.view.GetRigidInverse());
    scene.lightDirection = {LightDirection[0], LightDirection[1], LightDirection[2]};
    scene.clearColour = ClearColour;
    scene.textureSize = TextureSize;
    for (int y = 0; y < TextureSize; ++y)
    {
        for (int x = 0; x < TextureSize; ++x)
        {
            scene.texture.push_back(StripeTexel(x, y));
        }
    }
    scene.bones = Bones;
    scene.spacing = 3.0f / static_cast<float>(Bones);
    return scene;
}

std::size_t Covered(const std::vector<std::uint32_t>& picture)
{
    return static_cast<std::size_t>(std::count_if(picture.begin(), picture.end(), [](std::uint32_t pixel) {
        return (pixel & 0xFFFFFFu) != (ClearColour & 0xFFFFFFu);
    }));
}

void BM_ModelFrameVsBareGl(benchmark::State& state)
{
    Figures project;
    Figures twin;
    std::uint64_t draws = 0;
    std::uint64_t twinTriangles = 0;
    std::size_t twinDraws = 0;
    std::size_t covered[2] = {};
    for (auto _ : state)
    {
        ModelScene scene("FrameVsBareGl");
        ModelFrame frame(scene);
        Platform::Gfx::Device* device = scene.engine.device;
        Platform::ShowWindow(scene.engine.window, Platform::SW_SHOW);
        for (int i = 0; i < 3; ++i)
        {
            frame.Draw();
            frame.Present();
        }
        auto bare = Platform::BareGl::BareWindow::Open("bare", 0, 0, Width, Height);
        if (!bare)
        {
            state.SkipWithError("no bare OpenGL window");
            return;
        }
        const Platform::BareGl::BareScene twinScene = TwinScene();
        twinDraws = twinScene.draws.size();
        Platform::BareGl::SceneFrame twinFrame(*bare, twinScene);
        twinTriangles = twinFrame.TriangleCount();
        float twinTime = 0.0f;
        for (int round = 0; round < Rounds(); ++round)
        {
            bare->Hide();
            const std::uint64_t drawsBefore = device->Counters().drawCalls;
            for (int i = 0; i < BlockFrames; ++i)
            {
                const auto one = [&frame] {
                    frame.Draw();
                    frame.Present();
                };
                if (i == 0)
                {
                    one();
                    continue;
                }
                project.Measure(one);
            }
            draws = (device->Counters().drawCalls - drawsBefore) / BlockFrames;
            bare->Show();
            bare->MakeCurrent();
            for (int i = 0; i < BlockFrames; ++i)
            {
                const auto one = [&twinFrame, &twinTime] {
                    twinFrame.Draw(twinTime);
                    twinTime += 0.016f;
                };
                if (i == 0)
                {
                    one();
                    continue;
                }
                twin.Measure(one);
            }
        }
        // Both pictures once more, outside the measured frames: the pixels each covers tell that the
        // twin draws what the engine draws (the engine's back buffer is read before its present).
        frame.Draw();
        Platform::Gfx::Surface* backBuffer = nullptr;
        std::vector<std::uint32_t> picture;
        if (device->GetBackBuffer(0, 0, Platform::Gfx::BackBufferTypeMono, &backBuffer) == Platform::Gfx::Ok)
        {
            Platform::Gfx::ReadSurfacePixels(backBuffer, picture);
            backBuffer->Release();
        }
        frame.Present();
        covered[0] = Covered(picture);
        bare->MakeCurrent();
        twinFrame.Draw(twinTime, &picture);
        covered[1] = Covered(picture);
    }
    std::printf("\n");
    Report(state, "c", ("engine model frame, " + std::to_string(draws) + " draws").c_str(), project);
    Report(state, "d", ("bare OpenGL: the same meshes, " + std::to_string(twinDraws) + " draws, " +
                        std::to_string(twinTriangles) + " triangles")
                           .c_str(),
           twin);
    const double ratio = twin.WallMs() > 0.0 ? project.WallMs() / twin.WallMs() : 0.0;
    std::printf("  (c)/(d) = %.2f; pixels drawn over the clear colour: (c) %zu, (d) %zu\n", ratio, covered[0],
                covered[1]);
    CloseNote();
    state.counters["c_over_d"] = ratio;
}

BENCHMARK(BM_FrameworkFrameVsBareGl)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModelFrameVsBareGl)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

Qen::CQenApplication* CreateApplication(Platform::InstanceHandle instance)
{
    return new AlternatingApplication(instance);
}

void DestroyApplication(Qen::CQenApplication* application)
{
    delete application;
}
