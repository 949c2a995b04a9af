#include "framework/CollisionNode.h"

#include "engine/EngineController.h"
#include "engine/FrameHierarchy.h"
#include "engine/ModelFactory.h"
#include "engine/VertexElements.h"
#include "foundation/Debug.h"
#include "foundation/Matrix.h"
#include "platform/gfx/Constants.h"
#include "platform/gfxkit/mesh/Mesh.h"

#include <embree3/rtcore.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <new>

namespace GameLib
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using BaseLib::CVector4;

namespace
{

// The one ray-query device of the process: made with the first collision model, released with the last.
// threads=1 keeps the task system from starting worker threads.
struct TRayDevice
{
    RTCDevice device = nullptr;
    std::size_t users = 0;
    bool failureTraced = false;
};

TRayDevice g_rayDevice;
std::size_t g_modelCount = 0;
std::atomic<std::int64_t> g_deviceBytes{0};
std::size_t g_normalBytes = 0;

bool TrackDeviceMemory(void*, ssize_t bytes, bool)
{
    g_deviceBytes += bytes;
    return true;
}

RTCDevice AcquireDevice()
{
    if (g_rayDevice.device == nullptr)
    {
        g_rayDevice.device = rtcNewDevice("threads=1");
        if (g_rayDevice.device == nullptr)
        {
            if (!g_rayDevice.failureTraced)
            {
                BaseLib::DebugOutput("Collision: the ray-query device could not be made (error %d); every ray misses.\n",
                                     static_cast<int>(rtcGetDeviceError(nullptr)));
                g_rayDevice.failureTraced = true;
            }
            return nullptr;
        }
        rtcSetDeviceMemoryMonitorFunction(g_rayDevice.device, TrackDeviceMemory, nullptr);
    }
    ++g_rayDevice.users;
    return g_rayDevice.device;
}

void ReleaseDevice()
{
    if (g_rayDevice.users > 0 && --g_rayDevice.users == 0)
    {
        rtcReleaseDevice(g_rayDevice.device);
        g_rayDevice.device = nullptr;
    }
}

// The query context: Embree's own first, so the filter can reach the rest from the pointer it gets.
struct TQueryContext
{
    RTCIntersectContext base;
    bool cull;
    const TCollisionModel* model;
};

} // namespace

// The triangles of one collision model, kept in model space, and the scene built over them.
struct TCollisionModel
{
    TCollisionModel() { ++g_modelCount; }
    ~TCollisionModel()
    {
        if (scene != nullptr)
        {
            rtcReleaseScene(scene);
            ReleaseDevice();
        }
        g_normalBytes -= normals.size() * sizeof(CVector3);
        --g_modelCount;
    }
    TCollisionModel(const TCollisionModel&) = delete;
    TCollisionModel& operator=(const TCollisionModel&) = delete;

    // The face normal (p1 - p0) × (p2 - p0), unnormalised.
    CVector3 Normal(std::uint32_t triangle) const
    {
        const std::uint32_t* corner = &indices[3 * static_cast<std::size_t>(triangle)];
        const CVector3& p0 = vertices[corner[0]];
        return (vertices[corner[1]] - p0).Cross(vertices[corner[2]] - p0);
    }

    std::vector<CVector3> vertices;
    std::vector<std::uint32_t> indices;
    // Normal(t) of every triangle t, computed once when the scene is built: the back-face filter reads
    // it for every candidate hit.
    std::vector<CVector3> normals;
    RTCScene scene = nullptr; // null: no triangle, or no device
};

namespace
{

// Rejects, with culling on, candidates whose normal does not face the ray; Embree then goes on to the
// next-closest triangle.
void CullBackFaces(const RTCFilterFunctionNArguments* args)
{
    const auto* context = reinterpret_cast<const TQueryContext*>(args->context);
    if (!context->cull)
    {
        return;
    }
    for (unsigned int i = 0; i < args->N; ++i)
    {
        if (args->valid[i] == 0)
        {
            continue;
        }
        const CVector3 direction(RTCRayN_dir_x(args->ray, args->N, i), RTCRayN_dir_y(args->ray, args->N, i),
                                 RTCRayN_dir_z(args->ray, args->N, i));
        if (direction.Dot(context->model->normals[RTCHitN_primID(args->hit, args->N, i)]) >= 0.0f)
        {
            args->valid[i] = 0;
        }
    }
}

std::shared_ptr<TCollisionModel> BuildModel(const std::vector<CVector3>& vertices,
                                            const std::vector<std::uint32_t>& indices)
{
    auto model = std::make_shared<TCollisionModel>();
    model->vertices = vertices;
    model->indices.assign(indices.begin(), indices.begin() + static_cast<std::ptrdiff_t>(indices.size() / 3 * 3));
    if (model->indices.empty() || model->vertices.empty())
    {
        return model;
    }
    RTCDevice device = AcquireDevice();
    if (device == nullptr)
    {
        return model;
    }
    RTCScene scene = rtcNewScene(device);
    rtcSetSceneFlags(scene, RTC_SCENE_FLAG_ROBUST);
    RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
    const std::size_t triangles = model->indices.size() / 3;
    auto* vertexData = static_cast<float*>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), model->vertices.size()));
    auto* indexData = static_cast<std::uint32_t*>(rtcSetNewGeometryBuffer(
        geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(std::uint32_t), triangles));
    if (vertexData == nullptr || indexData == nullptr)
    {
        BaseLib::DebugOutput("Collision: no room for %zu triangles; every ray misses.\n", triangles);
        rtcReleaseGeometry(geometry);
        rtcReleaseScene(scene);
        ReleaseDevice();
        return model;
    }
    // A triangle with an index outside the vertex list is left out of the scene and never reported: its
    // entry stays zero rather than read past the list.
    model->normals.assign(triangles, CVector3(0.0f, 0.0f, 0.0f));
    for (std::size_t t = 0; t < triangles; ++t)
    {
        const std::uint32_t* corner = &model->indices[3 * t];
        if (corner[0] < model->vertices.size() && corner[1] < model->vertices.size() &&
            corner[2] < model->vertices.size())
        {
            model->normals[t] = model->Normal(static_cast<std::uint32_t>(t));
        }
    }
    g_normalBytes += model->normals.size() * sizeof(CVector3);
    std::memcpy(vertexData, model->vertices.data(), model->vertices.size() * sizeof(CVector3));
    std::memcpy(indexData, model->indices.data(), model->indices.size() * sizeof(std::uint32_t));
    rtcSetGeometryIntersectFilterFunction(geometry, CullBackFaces);
    rtcCommitGeometry(geometry);
    rtcAttachGeometry(scene, geometry);
    rtcReleaseGeometry(geometry);
    rtcCommitScene(scene);
    model->scene = scene;
    return model;
}

// Models built from files, by the factory's key of the file and the load options: nodes of one file
// share one model while any of them holds it.
std::map<std::string, std::weak_ptr<TCollisionModel>> g_fileModels;

// The load options of collision meshes: readable by the processor, nothing the collision model does
// not need prepared.
Qen::CModelLoadOptions CollisionLoadOptions()
{
    Qen::CModelLoadOptions options;
    options.readStreamsFromEffects = false;
    options.loadMaterials = false;
    options.mergeSkinnedMeshes = false;
    options.finalMeshOptions = 0x990; // system memory, dynamic
    return options;
}

// Appends the mesh's positions placed by the matrix and its indices offset by the vertices already there.
void AddMesh(Platform::GfxKit::Mesh& mesh, const CMatrix& combined, const std::string& fileName,
             std::vector<CVector3>& vertices, std::vector<std::uint32_t>& indices)
{
    Qen::VertexElement declaration[Qen::kVertexDeclarationRoom];
    Qen::ReadMeshDeclaration(mesh, declaration);
    const int position = Qen::FindVertexElement(declaration, Platform::Gfx::DeclUsage::Position, 0);
    if (position < 0 || declaration[position].Type != Platform::Gfx::DeclType::Float3)
    {
        BaseLib::DebugOutput("Collision: a mesh of \"%s\" has no position; skipped.\n", fileName.c_str());
        return;
    }
    const std::uint32_t vertexCount = mesh.GetNumVertices();
    const std::uint32_t stride = mesh.GetNumBytesPerVertex();
    const std::size_t base = vertices.size();
    void* data = nullptr;
    if (mesh.LockVertexBuffer(Platform::Gfx::LockFlag::ReadOnly, &data) != Platform::Gfx::Ok || data == nullptr)
    {
        BaseLib::DebugOutput("Collision: a mesh of \"%s\" could not be read; skipped.\n", fileName.c_str());
        return;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        float p[3];
        std::memcpy(p, bytes + static_cast<std::size_t>(v) * stride + declaration[position].Offset, sizeof(p));
        CVector4 placed;
        BaseLib::TransformVector4(placed, CVector4(p[0], p[1], p[2], 1.0f), combined);
        vertices.emplace_back(placed.x, placed.y, placed.z);
    }
    mesh.UnlockVertexBuffer();
    const std::size_t indexCount = static_cast<std::size_t>(mesh.GetNumFaces()) * 3;
    if (mesh.LockIndexBuffer(Platform::Gfx::LockFlag::ReadOnly, &data) != Platform::Gfx::Ok || data == nullptr)
    {
        BaseLib::DebugOutput("Collision: a mesh of \"%s\" could not be read; skipped.\n", fileName.c_str());
        vertices.resize(base);
        return;
    }
    const bool wide = (mesh.GetOptions() & Platform::GfxKit::MeshOption::Use32Bit) != 0;
    for (std::size_t i = 0; i < indexCount; ++i)
    {
        const std::uint32_t index = wide ? static_cast<const std::uint32_t*>(data)[i]
                                         : static_cast<const std::uint16_t*>(data)[i];
        indices.push_back(index + static_cast<std::uint32_t>(base));
    }
    mesh.UnlockIndexBuffer();
}

CMatrix ToMatrix(const Qen::Matrix& matrix)
{
    CMatrix result;
    std::memcpy(result.m, matrix.m, sizeof(result.m));
    return result;
}

// A frame's sibling chain comes first with the same parent matrix (so the chain is taken from its end);
// an enabled frame then adds its children and its meshes with its combined matrix.
void WalkFrames(const Qen::CFrame* first, const CMatrix& parent, const std::string& fileName,
                std::vector<CVector3>& vertices, std::vector<std::uint32_t>& indices)
{
    std::vector<const Qen::CFrame*> chain;
    for (const Qen::CFrame* frame = first; frame != nullptr; frame = frame->Sibling())
    {
        chain.push_back(frame);
    }
    for (auto frame = chain.rbegin(); frame != chain.rend(); ++frame)
    {
        if (!(*frame)->visible)
        {
            continue;
        }
        const CMatrix combined = ToMatrix((*frame)->TransformationMatrix) * parent;
        WalkFrames((*frame)->FirstChild(), combined, fileName, vertices, indices);
        for (const Qen::CMeshContainer* container = (*frame)->FirstContainer(); container != nullptr;
             container = container->Next())
        {
            if (container->mesh != nullptr)
            {
                AddMesh(*container->mesh, combined, fileName, vertices, indices);
            }
        }
    }
}

} // namespace

bool CCollisionNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CCollisionNode) || CSceneGraphNode::IsKindOf(type);
}

CCollisionMeshNode::~CCollisionMeshNode() = default;

CCollisionMeshNode* CCollisionMeshNode::Create()
{
    return new (std::nothrow) CCollisionMeshNode();
}

void CCollisionMeshNode::Release(bool)
{
    delete this;
}

bool CCollisionMeshNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CCollisionMeshNode) || CCollisionNode::IsKindOf(type);
}

void CCollisionMeshNode::SetTriangles(const std::vector<CVector3>& vertices, const std::vector<std::uint32_t>& indices)
{
    m_model.reset();
    m_model = BuildModel(vertices, indices);
}

void CCollisionMeshNode::SetMesh(const std::string& fileName)
{
    m_model.reset();
    Qen::CEngineController* engine = Qen::CEngineController::GetEngine();
    if (engine == nullptr || engine->GetModelFactory() == nullptr)
    {
        BaseLib::DebugOutput("Collision: no engine to load \"%s\"; every ray misses.\n", fileName.c_str());
        m_model = std::make_shared<TCollisionModel>();
        return;
    }
    Qen::CModelFactory* factory = engine->GetModelFactory();
    Qen::CModelLoadOptions options = CollisionLoadOptions();
    const std::string key = factory->BuildModelKey(fileName, options);
    auto shared = g_fileModels.find(key);
    if (shared != g_fileModels.end())
    {
        if ((m_model = shared->second.lock()) != nullptr)
        {
            return;
        }
    }
    std::vector<CVector3> vertices;
    std::vector<std::uint32_t> indices;
    {
        BaseLib::CResourcePtr<Qen::CModel> model = factory->GetModel(&options, fileName, false);
        if (model.Get() != nullptr)
        {
            WalkFrames(model->GetFrameRoot(), CMatrix::Identity, fileName, vertices, indices);
        }
    }
    m_model = BuildModel(vertices, indices);
    for (auto entry = g_fileModels.begin(); entry != g_fileModels.end();)
    {
        entry = entry->second.expired() ? g_fileModels.erase(entry) : std::next(entry);
    }
    g_fileModels[key] = m_model;
}

bool CCollisionMeshNode::IntersectRay(const TCollisionRay& ray, CVector3* hitPoint, CVector3* hitNormal)
{
    if (m_model == nullptr || m_model->scene == nullptr)
    {
        return false;
    }
    GetWorldTransform();
    if (m_toModelStale)
    {
        m_toModel = m_worldTransform;
        m_toModelValid = m_toModel.Invert();
        m_toModelStale = false;
    }
    if (!m_toModelValid)
    {
        return false;
    }
    CVector4 origin;
    CVector4 direction;
    BaseLib::TransformVector4(origin, CVector4(ray.origin, 1.0f), m_toModel);
    BaseLib::TransformVector4(direction, CVector4(ray.direction, 0.0f), m_toModel);

    TQueryContext context;
    rtcInitIntersectContext(&context.base);
    context.cull = m_cull;
    context.model = m_model.get();

    RTCRayHit query{};
    query.ray.org_x = origin.x;
    query.ray.org_y = origin.y;
    query.ray.org_z = origin.z;
    query.ray.dir_x = direction.x;
    query.ray.dir_y = direction.y;
    query.ray.dir_z = direction.z;
    query.ray.tnear = 0.0f;
    query.ray.tfar = 3.4028235e38f;
    query.ray.mask = 0xFFFFFFFFu;
    query.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    query.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(m_model->scene, &context.base, &query);
    if (query.hit.geomID == RTC_INVALID_GEOMETRY_ID)
    {
        return false;
    }
    if (hitPoint != nullptr)
    {
        *hitPoint = ray.origin + ray.direction * query.ray.tfar;
    }
    if (hitNormal != nullptr)
    {
        const CVector3& normal = m_model->normals[query.hit.primID];
        const float length = normal.Length();
        *hitNormal = length > 0.0f ? normal / length : normal;
    }
    return true;
}

void CCollisionMeshNode::UpdateWorldTransform()
{
    CCollisionNode::UpdateWorldTransform();
    m_toModelStale = true;
}

bool CCollisionMeshNode::Intersect(const CSceneGraphNode*)
{
    return false;
}

std::size_t CCollisionMeshNode::GetModelCount()
{
    return g_modelCount;
}

std::size_t CCollisionMeshNode::GetModelMemory()
{
    return static_cast<std::size_t>(g_deviceBytes.load()) + g_normalBytes;
}

} // namespace GameLib
