// Collision-mesh nodes built from generated lists (no graphics device): rays per second against a
// 12-triangle cube, a 32,768-triangle height field and a pick loop over 64 cube nodes found through the
// scene manager, each with culling on; the height-field rays alternating, block by block, between a
// node and the same work done straight through the ray library (same triangles, rays, scene flags and
// back-face filter), with the ratio of the two; and the time to build each model.
#include "framework/CollisionNode.h"
#include "framework/SceneManager.h"

#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

using BaseLib::CVector3;
using GameLib::CCollisionMeshNode;
using GameLib::TCollisionRay;

struct Lists
{
    std::vector<CVector3> vertices;
    std::vector<std::uint32_t> indices;
};

// A cube of side 1 centred on the origin, every face wound to face outwards.
Lists Cube()
{
    Lists lists;
    for (int i = 0; i < 8; ++i)
    {
        lists.vertices.emplace_back((i & 1) ? 0.5f : -0.5f, (i & 2) ? 0.5f : -0.5f, (i & 4) ? 0.5f : -0.5f);
    }
    lists.indices = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                     2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    return lists;
}

// A 128 × 128-cell height field over x, z in [0, 128], facing +y: 32,768 triangles.
Lists HeightField()
{
    constexpr std::uint32_t Cells = 128;
    Lists lists;
    for (std::uint32_t z = 0; z <= Cells; ++z)
    {
        for (std::uint32_t x = 0; x <= Cells; ++x)
        {
            const float height = 2.0f * std::sin(0.1f * static_cast<float>(x)) * std::cos(0.13f * static_cast<float>(z));
            lists.vertices.emplace_back(static_cast<float>(x), height, static_cast<float>(z));
        }
    }
    for (std::uint32_t z = 0; z < Cells; ++z)
    {
        for (std::uint32_t x = 0; x < Cells; ++x)
        {
            const std::uint32_t a = z * (Cells + 1) + x;
            const std::uint32_t b = a + 1;
            const std::uint32_t c = a + Cells + 1;
            const std::uint32_t d = c + 1;
            lists.indices.insert(lists.indices.end(), {a, c, b, b, c, d});
        }
    }
    return lists;
}

// Rays looking down at spread points of a square of the given size (a fixed, repeatable sequence).
std::vector<TCollisionRay> DownwardRays(float size, float height)
{
    std::vector<TCollisionRay> rays;
    std::uint32_t state = 12345;
    for (int i = 0; i < 1024; ++i)
    {
        state = state * 1664525u + 1013904223u;
        const float x = size * static_cast<float>(state >> 8) / 16777216.0f;
        state = state * 1664525u + 1013904223u;
        const float z = size * static_cast<float>(state >> 8) / 16777216.0f;
        rays.push_back({{x, height, z}, {0.1f, -1.0f, 0.05f}});
    }
    return rays;
}

void CastRays(benchmark::State& state, CCollisionMeshNode& node, const std::vector<TCollisionRay>& rays)
{
    std::size_t hits = 0;
    std::size_t next = 0;
    for (auto _ : state)
    {
        CVector3 point;
        CVector3 normal;
        hits += node.IntersectRay(rays[next], &point, &normal) ? 1 : 0;
        benchmark::DoNotOptimize(point);
        next = (next + 1) % rays.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["hit_fraction"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}

void BM_RaysCube(benchmark::State& state)
{
    GameLib::CSceneManager manager;
    CCollisionMeshNode* node = CCollisionMeshNode::Create();
    manager.GetRootNode()->AddChild(node);
    const Lists cube = Cube();
    node->SetTriangles(cube.vertices, cube.indices);
    std::vector<TCollisionRay> rays = DownwardRays(1.2f, 3.0f);
    for (TCollisionRay& ray : rays)
    {
        ray.origin.x -= 0.6f;
        ray.origin.z -= 0.6f;
    }
    CastRays(state, *node, rays);
}
BENCHMARK(BM_RaysCube);

void BM_RaysHeightField(benchmark::State& state)
{
    GameLib::CSceneManager manager;
    CCollisionMeshNode* node = CCollisionMeshNode::Create();
    manager.GetRootNode()->AddChild(node);
    const Lists field = HeightField();
    node->SetTriangles(field.vertices, field.indices);
    CastRays(state, *node, DownwardRays(120.0f, 10.0f));
}
BENCHMARK(BM_RaysHeightField);

// The height field as a bare ray-library scene: face normals computed once and the back-face filter
// passing over triangles whose normal does not face the ray, as the node does.
class BareHeightField
{
public:
    explicit BareHeightField(const Lists& lists)
    {
        const std::size_t triangles = lists.indices.size() / 3;
        for (std::size_t t = 0; t < triangles; ++t)
        {
            const CVector3& p0 = lists.vertices[lists.indices[3 * t]];
            m_normals.push_back((lists.vertices[lists.indices[3 * t + 1]] - p0)
                                    .Cross(lists.vertices[lists.indices[3 * t + 2]] - p0));
        }
        m_device = rtcNewDevice("threads=1");
        m_scene = rtcNewScene(m_device);
        rtcSetSceneFlags(m_scene, RTC_SCENE_FLAG_ROBUST);
        RTCGeometry geometry = rtcNewGeometry(m_device, RTC_GEOMETRY_TYPE_TRIANGLE);
        auto* vertexData = static_cast<float*>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), lists.vertices.size()));
        auto* indexData = static_cast<std::uint32_t*>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(std::uint32_t), triangles));
        std::memcpy(vertexData, lists.vertices.data(), lists.vertices.size() * sizeof(CVector3));
        std::memcpy(indexData, lists.indices.data(), triangles * 3 * sizeof(std::uint32_t));
        rtcSetGeometryIntersectFilterFunction(geometry, Cull);
        rtcCommitGeometry(geometry);
        rtcAttachGeometry(m_scene, geometry);
        rtcReleaseGeometry(geometry);
        rtcCommitScene(m_scene);
    }
    ~BareHeightField()
    {
        rtcReleaseScene(m_scene);
        rtcReleaseDevice(m_device);
    }
    BareHeightField(const BareHeightField&) = delete;
    BareHeightField& operator=(const BareHeightField&) = delete;

    bool IntersectRay(const TCollisionRay& ray, CVector3* hitPoint, CVector3* hitNormal) const
    {
        Context context;
        rtcInitIntersectContext(&context.base);
        context.normals = m_normals.data();
        RTCRayHit query{};
        query.ray.org_x = ray.origin.x;
        query.ray.org_y = ray.origin.y;
        query.ray.org_z = ray.origin.z;
        query.ray.dir_x = ray.direction.x;
        query.ray.dir_y = ray.direction.y;
        query.ray.dir_z = ray.direction.z;
        query.ray.tfar = 3.4028235e38f;
        query.ray.mask = 0xFFFFFFFFu;
        query.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        query.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(m_scene, &context.base, &query);
        if (query.hit.geomID == RTC_INVALID_GEOMETRY_ID)
        {
            return false;
        }
        *hitPoint = ray.origin + ray.direction * query.ray.tfar;
        const CVector3& normal = m_normals[query.hit.primID];
        const float length = normal.Length();
        *hitNormal = length > 0.0f ? normal / length : normal;
        return true;
    }

private:
    struct Context
    {
        RTCIntersectContext base;
        const CVector3* normals;
    };

    static void Cull(const RTCFilterFunctionNArguments* args)
    {
        const auto* context = reinterpret_cast<const Context*>(args->context);
        for (unsigned int i = 0; i < args->N; ++i)
        {
            if (args->valid[i] == 0)
            {
                continue;
            }
            const CVector3 direction(RTCRayN_dir_x(args->ray, args->N, i), RTCRayN_dir_y(args->ray, args->N, i),
                                     RTCRayN_dir_z(args->ray, args->N, i));
            if (direction.Dot(context->normals[RTCHitN_primID(args->hit, args->N, i)]) >= 0.0f)
            {
                args->valid[i] = 0;
            }
        }
    }

    std::vector<CVector3> m_normals;
    RTCDevice m_device = nullptr;
    RTCScene m_scene = nullptr;
};

// Each iteration casts the 1,024 rays through the node, then through the bare scene, each block timed
// apart, so that both see the same load; the ratio is node rays per second over bare rays per second.
void BM_RaysHeightFieldNodeVsBare(benchmark::State& state)
{
    GameLib::CSceneManager manager;
    CCollisionMeshNode* node = CCollisionMeshNode::Create();
    manager.GetRootNode()->AddChild(node);
    const Lists field = HeightField();
    node->SetTriangles(field.vertices, field.indices);
    const BareHeightField bare(field);
    const std::vector<TCollisionRay> rays = DownwardRays(120.0f, 10.0f);
    std::chrono::steady_clock::duration nodeTime{};
    std::chrono::steady_clock::duration bareTime{};
    std::size_t mismatches = 0;
    for (auto _ : state)
    {
        CVector3 point;
        CVector3 normal;
        const auto start = std::chrono::steady_clock::now();
        std::size_t nodeHits = 0;
        for (const TCollisionRay& ray : rays)
        {
            nodeHits += node->IntersectRay(ray, &point, &normal) ? 1 : 0;
            benchmark::DoNotOptimize(point);
        }
        const auto middle = std::chrono::steady_clock::now();
        std::size_t bareHits = 0;
        for (const TCollisionRay& ray : rays)
        {
            bareHits += bare.IntersectRay(ray, &point, &normal) ? 1 : 0;
            benchmark::DoNotOptimize(point);
        }
        const auto end = std::chrono::steady_clock::now();
        nodeTime += middle - start;
        bareTime += end - middle;
        mismatches += nodeHits != bareHits ? 1 : 0;
    }
    const double raysCast = static_cast<double>(state.iterations() * rays.size());
    const double nodeRate = raysCast / std::chrono::duration<double>(nodeTime).count();
    const double bareRate = raysCast / std::chrono::duration<double>(bareTime).count();
    state.counters["node_rays_per_s"] = nodeRate;
    state.counters["bare_rays_per_s"] = bareRate;
    state.counters["node_over_bare"] = nodeRate / bareRate;
    state.counters["hit_count_mismatches"] = static_cast<double>(mismatches);
}
BENCHMARK(BM_RaysHeightFieldNodeVsBare)->Unit(benchmark::kMicrosecond);

// 64 cubes on an 8 × 8 grid 2 units apart; each query asks every collision node found through the
// manager and keeps the nearest hit, as the game's pick loop does.
void BM_PickLoop64Cubes(benchmark::State& state)
{
    GameLib::CSceneManager manager;
    const Lists cube = Cube();
    for (int i = 0; i < 64; ++i)
    {
        GameLib::CTransformNode* place = GameLib::CTransformNode::Create();
        place->SetPosition(CVector3(2.0f * static_cast<float>(i % 8), 0.0f, 2.0f * static_cast<float>(i / 8)));
        manager.GetRootNode()->AddChild(place);
        CCollisionMeshNode* node = CCollisionMeshNode::Create();
        place->AddChild(node);
        node->SetTriangles(cube.vertices, cube.indices);
    }
    GameLib::CSceneManager::NodeArray nodes;
    manager.GetNodesOfType(typeid(GameLib::CCollisionNode), nodes);
    std::vector<TCollisionRay> rays = DownwardRays(16.0f, 5.0f);
    std::size_t next = 0;
    std::size_t hits = 0;
    for (auto _ : state)
    {
        const TCollisionRay& ray = rays[next];
        next = (next + 1) % rays.size();
        float nearest = 3.4028235e38f;
        for (GameLib::CSceneGraphNode* found : nodes)
        {
            CVector3 point;
            if (static_cast<CCollisionMeshNode*>(found)->IntersectRay(ray, &point, nullptr))
            {
                nearest = std::fmin(nearest, (point - ray.origin).LengthSquared());
            }
        }
        hits += nearest < 3.4028235e38f ? 1 : 0;
        benchmark::DoNotOptimize(nearest);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.counters["hit_fraction"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PickLoop64Cubes);

void BuildModel(benchmark::State& state, const Lists& lists)
{
    CCollisionMeshNode* node = CCollisionMeshNode::Create();
    for (auto _ : state)
    {
        node->SetTriangles(lists.vertices, lists.indices);
    }
    state.counters["triangles"] = static_cast<double>(lists.indices.size() / 3);
    state.counters["model_bytes"] = static_cast<double>(CCollisionMeshNode::GetModelMemory());
    node->Release(false);
}

void BM_BuildCube(benchmark::State& state)
{
    BuildModel(state, Cube());
}
BENCHMARK(BM_BuildCube)->Unit(benchmark::kMicrosecond);

void BM_BuildHeightField(benchmark::State& state)
{
    BuildModel(state, HeightField());
}
BENCHMARK(BM_BuildHeightField)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
