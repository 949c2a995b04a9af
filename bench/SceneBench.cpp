// The scene graph over 10,000 transform nodes with bounding spheres (100 groups under the root, 99 leaves
// under each): (a) the root moved, then every node's world sphere refreshed; (b) 1 % of the leaves moved,
// then a six-plane volume query; (c) the query by an entity-like node class. Each reports nodes per
// second and the heap blocks allocated per iteration (queries into an array that has the capacity).
#include "bench/HeapCounter.h"
#include "framework/GameEntityNode.h"
#include "framework/SceneManager.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{

using BaseLib::CVector3;
using BaseLib::CVector4;

constexpr int Groups = 100;
constexpr int LeavesPerGroup = 99;

class BenchEntity : public GameLib::CGameEntityNode
{
public:
    BenchEntity() : CGameEntityNode(nullptr) {}
    bool IsKindOf(const std::type_info& type) const override
    {
        return type == typeid(BenchEntity) || CGameEntityNode::IsKindOf(type);
    }
    void Update(float) override {}
};

// Groups on a 10 × 10 grid 10 units apart (entity-like nodes), leaves scattered within 4 units of them.
struct Scene
{
    Scene()
    {
        for (int g = 0; g < Groups; ++g)
        {
            auto* group = new BenchEntity();
            group->SetPosition(CVector3(float(g % 10) * 10.0f, float(g / 10) * 10.0f, 0.0f));
            group->SetBounds(CVector3(0, 0, 0), 6.0f);
            manager.GetRootNode()->AddChild(group);
            nodes.push_back(group);
            for (int l = 0; l < LeavesPerGroup; ++l)
            {
                GameLib::CTransformNode* leaf = GameLib::CTransformNode::Create();
                leaf->SetPosition(CVector3(float(l % 9) - 4.0f, float(l / 9 % 9) - 4.0f, float(l % 5)));
                leaf->SetBounds(CVector3(0, 0, 0.5f), 0.75f);
                group->AddChild(leaf);
                nodes.push_back(leaf);
                if (l == 0)
                {
                    movedLeaves.push_back(leaf);
                }
            }
        }
        result.reserve(nodes.size() + 1);
    }

    GameLib::CSceneManager manager;
    std::vector<GameLib::CSceneGraphNode*> nodes;
    std::vector<GameLib::CTransformNode*> movedLeaves; // one in a hundred
    GameLib::CSceneManager::NodeArray result;
};

// About a quarter of the grid: 0 <= x <= 45, 0 <= y <= 45, -10 <= z <= 10 (inside is n . p <= d).
const std::vector<CVector4> SixPlanes{{1, 0, 0, 45},  {-1, 0, 0, 0}, {0, 1, 0, 45},
                                      {0, -1, 0, 0}, {0, 0, 1, 10}, {0, 0, -1, 10}};

void ReportNodes(benchmark::State& state, std::size_t nodesPerIteration, std::int64_t allocations)
{
    state.counters["nodes/s"] = benchmark::Counter(double(nodesPerIteration) * double(state.iterations()),
                                                   benchmark::Counter::kIsRate);
    state.counters["allocs/iter"] = double(allocations) / double(state.iterations());
}

void BM_FullUpdateFrame(benchmark::State& state)
{
    Scene scene;
    float x = 0.0f;
    const std::int64_t before = BenchHeap::Allocations();
    for (auto _ : state)
    {
        x = x == 0.0f ? 1.0f : 0.0f;
        scene.manager.GetRootNode()->SetPosition(CVector3(x, 0, 0));
        for (GameLib::CSceneGraphNode* node : scene.nodes)
        {
            benchmark::DoNotOptimize(node->GetWorldBounds());
        }
    }
    ReportNodes(state, scene.nodes.size() + 1, BenchHeap::Allocations() - before);
}
BENCHMARK(BM_FullUpdateFrame);

void BM_TypicalFrameVolumeQuery(benchmark::State& state)
{
    Scene scene;
    float z = 0.0f;
    std::size_t found = 0;
    const std::int64_t before = BenchHeap::Allocations();
    for (auto _ : state)
    {
        z = z == 0.0f ? 1.0f : 0.0f;
        for (GameLib::CTransformNode* leaf : scene.movedLeaves)
        {
            CVector3 position = leaf->GetPosition();
            position.z = z;
            leaf->SetPosition(position);
        }
        scene.result.clear();
        found = scene.manager.GetNodesInVolume(SixPlanes, typeid(GameLib::CSceneGraphNode), scene.result);
    }
    ReportNodes(state, scene.nodes.size() + 1, BenchHeap::Allocations() - before);
    state.counters["found"] = double(found);
}
BENCHMARK(BM_TypicalFrameVolumeQuery);

void BM_QueryByEntityClass(benchmark::State& state)
{
    Scene scene;
    std::size_t found = 0;
    const std::int64_t before = BenchHeap::Allocations();
    for (auto _ : state)
    {
        scene.result.clear();
        found = scene.manager.GetNodesOfType(typeid(BenchEntity), scene.result);
    }
    ReportNodes(state, scene.nodes.size() + 1, BenchHeap::Allocations() - before);
    state.counters["found"] = double(found);
}
BENCHMARK(BM_QueryByEntityClass);

} // namespace
