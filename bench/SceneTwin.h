#pragma once

// What the benchmarks of a game frame beside its bare OpenGL twin share: blocks of frames alternating
// between the two cases, each block timed together (wall, main-thread and process processor time) and
// each case reported as the median of its blocks; and the twin of a lit scene, its model meshes read
// back once from the scene's buffers with the same world matrices, lights and camera.
#include "engine/Camera.h"
#include "engine/FrameHierarchy.h"
#include "engine/Model.h"
#include "framework/LightSourceNode.h"
#include "framework/ModelNode.h"
#include "framework/SceneManager.h"
#include "game/puzzle/QuarrowRenderer.h"
#include "platform/baregl/BareGl.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/mesh/Mesh.h"

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace BenchTwin
{

constexpr int BlockFrames = 30;

inline int Blocks()
{
    const char* text = std::getenv("QUARROW_BENCH_ROUNDS");
    return text ? std::max(1, std::atoi(text)) : 10;
}

inline double Seconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Per-frame figures of one block.
struct Block
{
    double wallMs = 0.0;
    double threadMs = 0.0;
    double processMs = 0.0;
};

// Runs a block of frames: the first unmeasured, the rest timed together.
inline Block RunBlock(const std::function<void()>& frame)
{
    frame();
    const auto wallStart = std::chrono::steady_clock::now();
    const double processStart = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    const double threadStart = Seconds(CLOCK_THREAD_CPUTIME_ID);
    for (int i = 1; i < BlockFrames; ++i)
    {
        frame();
    }
    const double n = BlockFrames - 1;
    Block block;
    block.wallMs =
        1000.0 * std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count() / n;
    block.processMs = 1000.0 * (Seconds(CLOCK_PROCESS_CPUTIME_ID) - processStart) / n;
    block.threadMs = 1000.0 * (Seconds(CLOCK_THREAD_CPUTIME_ID) - threadStart) / n;
    return block;
}

inline double Median(std::vector<Block>& blocks, double Block::*field)
{
    std::sort(blocks.begin(), blocks.end(),
              [field](const Block& a, const Block& b) { return a.*field < b.*field; });
    return blocks.empty() ? 0.0 : blocks[blocks.size() / 2].*field;
}

struct CaseFigures
{
    double wallMs = 0.0;
    double threadMs = 0.0;
    double processMs = 0.0;
};

inline CaseFigures Medians(std::vector<Block> blocks)
{
    CaseFigures figures;
    figures.wallMs = Median(blocks, &Block::wallMs);
    figures.threadMs = Median(blocks, &Block::threadMs);
    figures.processMs = Median(blocks, &Block::processMs);
    return figures;
}

inline void Report(benchmark::State& state, const char* key, const char* what, const CaseFigures& f,
            double triangles, double draws)
{
    const double fps = f.wallMs > 0.0 ? 1000.0 / f.wallMs : 0.0;
    std::printf("  (%s) %-44s %7.1f frames/s  wall %6.2f ms  main thread %6.2f ms  process %6.2f ms  %8.0f "
                "triangles  %5.0f draws\n",
                key, what, fps, f.wallMs, f.threadMs, f.processMs, triangles, draws);
    const std::string k(key);
    state.counters[k + "_fps"] = fps;
    state.counters[k + "_wall_ms"] = f.wallMs;
    state.counters[k + "_thread_ms"] = f.threadMs;
    state.counters[k + "_process_ms"] = f.processMs;
    state.counters[k + "_triangles"] = triangles;
    state.counters[k + "_draws"] = draws;
}

// The machine's cores and load, printed after a side-by-side report.
inline std::string MachineLoad()
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
    char text[160];
    std::snprintf(text, sizeof(text), "%u cores, load average %.1f %.1f %.1f%s", std::thread::hardware_concurrency(),
                  load[0], load[1], load[2], std::getenv("GALLIUM_NOOP") != nullptr ? "; GALLIUM_NOOP set" : "");
    return text;
}

inline std::array<float, 16> Floats(const BaseLib::CMatrix& m)
{
    std::array<float, 16> out{};
    std::memcpy(out.data(), m.m, sizeof m.m);
    return out;
}

// The scene's model meshes as the twin takes them: each container's vertices and indices, one draw per
// attribute range at the container's combined matrix × the node's world matrix, with the range's
// diffuse colour. Other renderables (the particles) have no counterpart in the twin.
inline Platform::BareGl::LitScene TwinScene(GameLib::CSceneManager& sceneManager, const CQuarrowRenderer& renderer,
                                            const Qen::CCamera& camera)
{
    namespace Gfx = Platform::Gfx;
    Platform::BareGl::LitScene twin;
    twin.clearColour = 0xFF000000u | CQuarrowRenderer::kClearColour;
    GameLib::CSceneManager::NodeArray nodes;
    sceneManager.GetNodesOfType(typeid(GameLib::CModelNode), nodes);
    for (GameLib::CSceneGraphNode* node : nodes)
    {
        auto* modelNode = static_cast<GameLib::CModelNode*>(node);
        const BaseLib::CResourcePtr<Qen::CModel> model = modelNode->GetModel();
        if (!model || model->GetFrameRoot() == nullptr || modelNode->IsVisible() == 0)
        {
            continue;
        }
        const BaseLib::CMatrix& world = modelNode->GetWorldTransform();
        Qen::ForEachMeshContainer(model->GetFrameRoot(), [&](Qen::CMeshContainer& container) {
            Platform::GfxKit::Mesh* mesh = container.mesh;
            if (mesh == nullptr || !container.enabled)
            {
                return;
            }
            int offsets[3] = {-1, -1, -1}; // position, normal, texture coordinates
            for (const Gfx::VertexElement& element : mesh->Elements())
            {
                if (element.Stream != 0 || element.UsageIndex != 0)
                {
                    continue;
                }
                if (element.Usage == Gfx::DeclUsage::Position && element.Type == Gfx::DeclType::Float3)
                {
                    offsets[0] = element.Offset;
                }
                else if (element.Usage == Gfx::DeclUsage::Normal && element.Type == Gfx::DeclType::Float3)
                {
                    offsets[1] = element.Offset;
                }
                else if (element.Usage == Gfx::DeclUsage::TexCoord && element.Type == Gfx::DeclType::Float2)
                {
                    offsets[2] = element.Offset;
                }
            }
            Platform::BareGl::LitMesh lit;
            for (std::uint32_t v = 0; v < mesh->GetNumVertices(); ++v)
            {
                const std::uint8_t* vertex = mesh->Vertex(v);
                const int sizes[3] = {3, 3, 2};
                for (int part = 0; part < 3; ++part)
                {
                    float values[3] = {0.0f, 0.0f, 0.0f};
                    if (offsets[part] >= 0)
                    {
                        std::memcpy(values, vertex + offsets[part],
                                    sizeof(float) * static_cast<std::size_t>(sizes[part]));
                    }
                    lit.vertices.insert(lit.vertices.end(), values, values + sizes[part]);
                }
            }
            lit.indices = mesh->Indices();
            const auto meshIndex = static_cast<std::uint32_t>(twin.meshes.size());
            twin.meshes.push_back(std::move(lit));

            BaseLib::CMatrix combined = BaseLib::CMatrix::Identity;
            if (container.boneMatrices != nullptr && container.boneMatrices[0] != nullptr)
            {
                std::memcpy(combined.m, container.boneMatrices[0]->m, sizeof combined.m);
            }
            std::uint32_t ranges = 0;
            mesh->GetAttributeTable(nullptr, &ranges);
            std::vector<Platform::GfxKit::AttributeRange> table(ranges);
            if (ranges > 0)
            {
                mesh->GetAttributeTable(table.data(), &ranges);
            }
            else
            {
                table.push_back({0, 0, mesh->GetNumFaces(), 0, mesh->GetNumVertices()});
            }
            for (const Platform::GfxKit::AttributeRange& range : table)
            {
                Platform::BareGl::LitDraw draw;
                draw.mesh = meshIndex;
                draw.firstIndex = range.FaceStart * 3;
                draw.indexCount = range.FaceCount * 3;
                draw.world = Floats(combined * world);
                if (container.pMaterials != nullptr && range.AttribId < container.NumMaterials)
                {
                    const Gfx::ColorValue& d = container.pMaterials[range.AttribId].MatD3D.Diffuse;
                    draw.diffuse = {d.r, d.g, d.b, d.a};
                }
                draw.lit = (modelNode->IsVisible() & CQuarrowRenderer::kLitPassMask) != 0;
                draw.castsShadow = (modelNode->IsVisible() & CQuarrowRenderer::kShadowPassMask) != 0;
                twin.draws.push_back(draw);
            }
        });
    }
    GameLib::CSceneManager::NodeArray lights;
    sceneManager.GetNodesOfType(typeid(GameLib::CLightSourceNode), lights);
    const BaseLib::CMatrix toMap(BaseLib::CVector4(0.5f, 0, 0, 0), BaseLib::CVector4(0, -0.5f, 0, 0),
                                 BaseLib::CVector4(0, 0, 1, 0), BaseLib::CVector4(0.5f, 0.5f, 0, 1));
    for (GameLib::CSceneGraphNode* node : lights)
    {
        const Qen::CLightDescription& light = *static_cast<GameLib::CLightSourceNode*>(node)->GetLight();
        BaseLib::CMatrix view;
        BaseLib::CMatrix projection;
        if (!renderer.ComputeLightMatrices(light.direction, view, projection) ||
            twin.lights.size() == 3)
        {
            continue;
        }
        Platform::BareGl::LitLight lit;
        lit.direction = {light.direction.x, light.direction.y, light.direction.z};
        lit.colour = {light.colour.x, light.colour.y, light.colour.z};
        lit.viewProjection = Floats(view * projection);
        lit.shadowTransform = Floats(view * projection * toMap);
        lit.castsShadow = light.castsShadows;
        twin.lights.push_back(lit);
    }
    twin.viewProjection = Floats(camera.viewProjection);
    return twin;
}

} // namespace BenchTwin
