// How fast the X-file reader turns a large text file into a description, and how much heap one read
// takes relative to the file's size (counted by the operator new and delete of HeapCounter.cpp).
//
// The file is written by the project's writer: a skinned mesh of 50,000 triangles with normals and
// texture coordinates, 30 bones and one animation set of 100 keys per bone, about 5 MB.

#include "bench/HeapCounter.h"
#include "bench/SkinnedChain.h"
#include "platform/gfxkit/xfile/XFileReader.h"
#include "platform/gfxkit/xfile/XFileWriter.h"
#include "platform/os/DebugOutput.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

using namespace Platform::GfxKit;

namespace
{

constexpr int Columns = 250;
constexpr int Rows = 100;
constexpr int Bones = 30;
constexpr int KeysPerBone = 100;

XFileModel SkinnedModel()
{
    XFileModel model;
    XMesh mesh;
    mesh.name = "Body";
    for (int y = 0; y <= Rows; ++y)
    {
        for (int x = 0; x <= Columns; ++x)
        {
            const float u = static_cast<float>(x) / Columns;
            const float v = static_cast<float>(y) / Rows;
            const float height = 0.3f * std::sin(u * 17.0f) * std::cos(v * 11.0f);
            mesh.positions.push_back({u * 7.3f - 3.1f, height, v * 2.9f - 1.7f});
            const float length = std::sqrt(1.0f + height * height);
            mesh.texCoords.push_back({u, 1.0f - v});
            if (!mesh.normals)
            {
                mesh.normals.emplace();
            }
            mesh.normals->normals.push_back({-height / length, 1.0f / length, 0.1f * height});
        }
    }
    const auto vertex = [](int x, int y) { return static_cast<std::uint32_t>(y * (Columns + 1) + x); };
    for (int y = 0; y < Rows; ++y)
    {
        for (int x = 0; x < Columns; ++x)
        {
            for (std::uint32_t index : {vertex(x, y), vertex(x, y + 1), vertex(x + 1, y + 1), vertex(x, y),
                                        vertex(x + 1, y + 1), vertex(x + 1, y)})
            {
                mesh.faces.indices.push_back(index);
            }
            mesh.faces.faceSizes.insert(mesh.faces.faceSizes.end(), 2, 3);
        }
    }
    mesh.normals->faces = mesh.faces;

    // Each column of vertices hangs on the two bones nearest to it.
    XFrame root{"Root", XIdentity, {}, {0}};
    XFrame* parent = &root;
    std::vector<float> along;
    for (std::uint32_t i = 0; i < mesh.positions.size(); ++i)
    {
        along.push_back(static_cast<float>(i % (Columns + 1)) / Columns * (Bones - 1));
    }
    std::vector<XSkinWeights> weights = BenchSupport::ChainSkinWeights(along, Bones, 0.25f);
    mesh.skinHeader = XSkinHeader{2, 6, Bones};
    mesh.skinWeights = std::move(weights);
    model.meshes.push_back(std::move(mesh));

    XAnimationSet set{"Wave", {}};
    for (int bone = 0; bone < Bones; ++bone)
    {
        XFrame frame{"Bone" + std::to_string(bone), XIdentity, {}, {}};
        frame.transform[12] = 0.25f;
        parent->children.push_back(frame);
        parent = &parent->children.back();

        XAnimation animation{"", "Bone" + std::to_string(bone), {}, false, 1, 1};
        XAnimationKeys keys{XKeyType::Rotation, {}, {}};
        for (int k = 0; k < KeysPerBone; ++k)
        {
            const float angle = 0.01f * static_cast<float>(k * (bone + 1));
            keys.times.push_back(static_cast<std::uint32_t>(k * 160));
            keys.values.insert(keys.values.end(), {std::cos(angle), 0.0f, std::sin(angle), 0.0f});
        }
        animation.keys.push_back(std::move(keys));
        set.animations.push_back(std::move(animation));
    }
    model.frames.push_back(std::move(root));
    model.animationSets.push_back(std::move(set));
    return model;
}

void ReadSkinnedModel(benchmark::State& state)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("quarrow-xfile-bench-" + std::to_string(::getpid()) + ".x"))
            .string();
    if (WriteXFile(path, SkinnedModel()) != Platform::Gfx::Ok)
    {
        state.SkipWithError("the model could not be written");
        return;
    }
    const auto fileBytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
    std::int64_t peakHeap = 0;
    for (auto _ : state)
    {
        const std::int64_t before = BenchHeap::InUse();
        BenchHeap::ResetPeak();
        {
            XFileModel model;
            if (ReadXFile(path, model) != Platform::Gfx::Ok)
            {
                state.SkipWithError("the model was refused");
                break;
            }
            benchmark::DoNotOptimize(model.meshes.data());
        }
        peakHeap = std::max(peakHeap, BenchHeap::Peak() - before);
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(state.iterations() * fileBytes);
    state.counters["file_bytes"] = static_cast<double>(fileBytes);
    state.counters["peak_heap_bytes"] = static_cast<double>(peakHeap);
    state.counters["peak_heap/file"] = static_cast<double>(peakHeap) / static_cast<double>(fileBytes);
}

BENCHMARK(ReadSkinnedModel)->Unit(benchmark::kMillisecond);

} // namespace
