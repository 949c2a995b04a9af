#include "engine/ShadowVolume.h"

#include "engine/VertexElements.h"
#include "foundation/Debug.h"
#include "platform/gfxkit/UtilityTrace.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/MeshPreparation.h"
#include "platform/os/MessageBox.h"

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Qen
{

namespace
{

using Platform::GfxKit::Mesh;
using Platform::GfxKit::NoNeighbour;
namespace DeclType = Platform::Gfx::DeclType;
namespace DeclUsage = Platform::Gfx::DeclUsage;

constexpr std::uint32_t kMaxShortIndexVertices = 65535;
constexpr std::uint32_t kNotMade = 0xFFFFFFFF;

Vector3 Sub(const Vector3& a, const Vector3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vector3 AddScaled(const Vector3& a, const Vector3& b, float s)
{
    return {a.x + b.x * s, a.y + b.y * s, a.z + b.z * s};
}

bool Equal(const Vector3& a, const Vector3& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

Vector3 ReadVector(const Mesh& mesh, std::uint32_t vertex, const VertexElement& element)
{
    Vector3 v;
    std::memcpy(&v, mesh.Vertex(vertex) + element.Offset, sizeof v);
    return v;
}

// The container's adjacency, made when it has none.
const std::uint32_t* Adjacency(CMeshContainer& container)
{
    if (container.pAdjacency == nullptr)
    {
        container.pAdjacency = new std::uint32_t[std::size_t(container.mesh->GetNumFaces()) * 3];
        container.mesh->GenerateAdjacency(0.0f, container.pAdjacency);
    }
    return container.pAdjacency;
}

// The edge of face `a` that leads back to face f; 3 when none does.
std::uint32_t EdgeBack(const std::uint32_t* adjacency, std::uint32_t a, std::uint32_t f)
{
    std::uint32_t m = 0;
    while (m < 3 && adjacency[3 * a + m] != f)
    {
        ++m;
    }
    return m;
}

[[noreturn]] void NotClosed(const char* modelName, const CMeshContainer& container)
{
    BaseLib::DebugMessageBox(Platform::MessageBoxOk, "shadow volume error", "geometry is not closed!\n  model = %s\n  mesh = %s\n",
                             modelName != nullptr ? modelName : "", container.Name != nullptr ? container.Name : "");
    std::exit(-1);
}

// The new mesh takes the container's place with a fresh adjacency.
void ReplaceMesh(CMeshContainer& container, Mesh* mesh)
{
    SetMeshContainerMesh(container, mesh);
    mesh->Release();
    delete[] container.pAdjacency;
    container.pAdjacency = new std::uint32_t[std::size_t(mesh->GetNumFaces()) * 3];
    mesh->GenerateAdjacency(0.0f, container.pAdjacency);
}

std::uint32_t IndexOptions(std::uint32_t options, std::size_t vertices)
{
    return vertices > kMaxShortIndexVertices ? options | Platform::GfxKit::MeshOption::Use32Bit
                                             : options & ~Platform::GfxKit::MeshOption::Use32Bit;
}

} // namespace

void BuildShadowVolume(CMeshContainer& container, float pullIn, const char* modelName)
{
    Mesh& source = *container.mesh;
    VertexElement declaration[kVertexDeclarationRoom];
    ReadMeshDeclaration(source, declaration);
    const int position = FindVertexElement(declaration, DeclUsage::Position, 0);
    const int normal = FindVertexElement(declaration, DeclUsage::Normal, 0);
    const int indices = FindVertexElement(declaration, DeclUsage::BlendIndices, 0);
    const int weights = FindVertexElement(declaration, DeclUsage::BlendWeight, 0);
    if (position < 0)
    {
        return;
    }

    // The output layout: blend weights keep their source type, so every weight arrives whole.
    VertexElement layout[kVertexDeclarationRoom];
    InitVertexDeclaration(layout);
    AddVertexElement(layout, {0, 0, DeclType::Float3, 0, DeclUsage::Position, 0});
    AddVertexElement(layout, {0, 0, DeclType::Float3, 0, DeclUsage::Normal, 0});
    const int indicesOut =
        indices >= 0 ? AddVertexElement(layout, {0, 0, DeclType::Color, 0, DeclUsage::BlendIndices, 0}) : -1;
    const int weightsOut =
        weights >= 0 ? AddVertexElement(layout, {0, 0, declaration[weights].Type, 0, DeclUsage::BlendWeight, 0}) : -1;
    const std::uint32_t stride = Platform::GfxKit::GetDeclVertexSize(layout, 0);

    const std::uint32_t faces = source.GetNumFaces();
    const std::vector<std::uint32_t> corners = source.Indices();
    const std::uint32_t* adjacency = Adjacency(container);
    std::vector<std::uint8_t> vertices(std::size_t(faces) * 3 * stride);
    std::vector<Vector3> faceNormals(faces);
    for (std::uint32_t f = 0; f < faces; ++f)
    {
        Vector3 p[3];
        for (int j = 0; j < 3; ++j)
        {
            p[j] = ReadVector(source, corners[3 * f + j], declaration[position]);
        }
        Vector3 n = Platform::GfxKit::Vec3Cross(Sub(p[0], p[1]), Sub(p[0], p[2]));
        Platform::GfxKit::Vec3Normalize(&n, &n);
        faceNormals[f] = n;
        for (int j = 0; j < 3; ++j)
        {
            const std::uint32_t from = corners[3 * f + j];
            std::uint8_t* out = vertices.data() + (std::size_t(3) * f + j) * stride;
            Vector3 at = p[j];
            if (normal >= 0)
            {
                at = AddScaled(at, ReadVector(source, from, declaration[normal]), -pullIn);
            }
            std::memcpy(out, &at, 12);
            std::memcpy(out + 12, &n, 12);
            if (indicesOut >= 0)
            {
                std::memcpy(out + layout[indicesOut].Offset, source.Vertex(from) + declaration[indices].Offset, 4);
            }
            if (weightsOut >= 0)
            {
                std::memcpy(out + layout[weightsOut].Offset, source.Vertex(from) + declaration[weights].Offset,
                            GetDeclTypeSize(declaration[weights].Type));
            }
        }
    }

    std::vector<std::uint32_t> triangles;
    triangles.reserve(std::size_t(faces) * 9);
    for (std::uint32_t i = 0; i < faces * 3; ++i)
    {
        triangles.push_back(i);
    }
    for (std::uint32_t f = 0; f < faces; ++f)
    {
        for (std::uint32_t k = 0; k < 3; ++k)
        {
            const std::uint32_t a = adjacency[3 * f + k];
            if (a == NoNeighbour)
            {
                NotClosed(modelName, container);
            }
            const std::uint32_t m = a > f ? EdgeBack(adjacency, a, f) : 3;
            if (m == 3 || Equal(faceNormals[f], faceNormals[a]))
            {
                continue;
            }
            triangles.insert(triangles.end(), {3 * f + (k + 1) % 3, 3 * f + k, 3 * a + m});
            triangles.insert(triangles.end(), {3 * a + m, 3 * f + k, 3 * a + (m + 1) % 3});
        }
    }

    Mesh* volume = nullptr;
    Platform::Gfx::Device* device = nullptr;
    source.GetDevice(&device);
    const auto triangleCount = static_cast<std::uint32_t>(triangles.size() / 3);
    const Platform::Gfx::Result made =
        Platform::GfxKit::CreateMesh(triangleCount, faces * 3, IndexOptions(source.GetOptions(), std::size_t(faces) * 3),
                                     layout, device, &volume);
    device->Release();
    if (Platform::Gfx::Failed(made))
    {
        BaseLib::DebugOutput("shadow volume of mesh %s in %s could not be made\n",
                             container.Name != nullptr ? container.Name : "", modelName != nullptr ? modelName : "");
        return;
    }
    volume->SetVertexBytes(vertices);
    volume->SetIndices(triangles);
    ReplaceMesh(container, volume);
    const bool previous = Platform::GfxKit::DebugMute(true);
    const Platform::GfxKit::WeldEpsilons exact{};
    Platform::GfxKit::WeldVertices(container.mesh,
                                   Platform::GfxKit::WeldFlag::WeldPartialMatches | Platform::GfxKit::WeldFlag::DoNotSplit,
                                   &exact, container.pAdjacency, container.pAdjacency, nullptr, nullptr);
    Platform::GfxKit::DebugMute(previous);
}

void BuildShrunkShadowVolume(CMeshContainer& container, const Vector3& lightDirection, const Vector3& lightPosition,
                             float extrusion, float pullIn, const char* modelName)
{
    Mesh& source = *container.mesh;
    VertexElement declaration[kVertexDeclarationRoom];
    ReadMeshDeclaration(source, declaration);
    const int position = FindVertexElement(declaration, DeclUsage::Position, 0);
    const int normal = FindVertexElement(declaration, DeclUsage::Normal, 0);
    if (position < 0)
    {
        return;
    }
    const char* model = modelName != nullptr ? modelName : "";
    const char* mesh = container.Name != nullptr ? container.Name : "";

    // The light in the mesh's own space.
    Matrix toMesh;
    if (container.owner != nullptr)
    {
        Platform::GfxKit::MatrixInverse(&toMesh, nullptr, &container.owner->combinedMatrix);
    }
    const bool directional = lightPosition.x == FLT_MAX;
    Vector3 light;
    Vector3 direction;
    Platform::GfxKit::Vec3TransformCoord(&light, &lightPosition, &toMesh);
    Platform::GfxKit::Vec3TransformNormal(&direction, &lightDirection, &toMesh);
    if (Platform::GfxKit::Vec3Length(direction) > 0.0f)
    {
        Platform::GfxKit::Vec3Normalize(&direction, &direction);
    }

    // Positions, pulled in along the normals when there are normals to pull along.
    const std::uint32_t count = source.GetNumVertices();
    std::vector<Vector3> positions(count);
    for (std::uint32_t v = 0; v < count; ++v)
    {
        positions[v] = ReadVector(source, v, declaration[position]);
        if (pullIn != 0.0f && normal >= 0)
        {
            positions[v] = AddScaled(positions[v], ReadVector(source, v, declaration[normal]), -pullIn);
        }
    }
    const std::uint32_t* adjacency = Adjacency(container);
    std::vector<std::uint32_t> representatives(count);
    source.ConvertAdjacencyToPointReps(adjacency, representatives.data());
    for (std::uint32_t v = 0; v < count; ++v)
    {
        if (!Equal(positions[v], positions[representatives[v]]))
        {
            BaseLib::DebugMessageBox(Platform::MessageBoxOk, "shadow volume error",
                                     "ShadowVolumeShrink doesn't work with HardEdges in ShadowMesh!\n  model = %s\n  mesh = %s\n",
                                     model, mesh);
            std::exit(-1);
        }
    }

    const std::uint32_t faces = source.GetNumFaces();
    const std::vector<std::uint32_t> corners = source.Indices();
    std::vector<Vector3> out;
    std::vector<std::uint32_t> extruded(count, kNotMade);
    std::vector<std::uint32_t> plain(count, kNotMade);
    std::vector<bool> away(faces);
    const auto lightVector = [&](const Vector3& at) {
        if (directional)
        {
            return direction;
        }
        Vector3 l = Sub(at, light);
        if (Platform::GfxKit::Vec3Length(l) > 0.0f)
        {
            Platform::GfxKit::Vec3Normalize(&l, &l);
        }
        return l;
    };
    const auto extrudedOf = [&](std::uint32_t vertex) {
        const std::uint32_t r = representatives[vertex];
        if (extruded[r] == kNotMade)
        {
            extruded[r] = static_cast<std::uint32_t>(out.size());
            out.push_back(AddScaled(positions[r], lightVector(positions[r]), extrusion));
        }
        return extruded[r];
    };
    const auto plainOf = [&](std::uint32_t vertex) {
        const std::uint32_t r = representatives[vertex];
        if (plain[r] == kNotMade)
        {
            plain[r] = static_cast<std::uint32_t>(out.size());
            out.push_back(positions[r]);
        }
        return plain[r];
    };
    std::vector<std::uint32_t> triangles;
    for (std::uint32_t f = 0; f < faces; ++f)
    {
        const Vector3& p0 = positions[corners[3 * f]];
        const Vector3 l = directional ? direction : Sub(p0, light);
        const Vector3 n = Platform::GfxKit::Vec3Cross(Sub(positions[corners[3 * f + 1]], p0),
                                                      Sub(positions[corners[3 * f + 2]], p0));
        away[f] = Platform::GfxKit::Vec3Dot(l, n) > 0.0f;
        for (int j = 0; j < 3; ++j)
        {
            triangles.push_back(away[f] ? extrudedOf(corners[3 * f + j]) : plainOf(corners[3 * f + j]));
        }
    }
    if (extrusion != 0.0f)
    {
        for (std::uint32_t f = 0; f < faces; ++f)
        {
            for (std::uint32_t k = 0; k < 3; ++k)
            {
                const std::uint32_t a = adjacency[3 * f + k];
                if (a == NoNeighbour)
                {
                    Platform::MessageBoxA(nullptr, "shadow geometry is not closed!", "Error", 0);
                    std::exit(-1);
                }
                const std::uint32_t m = EdgeBack(adjacency, a, f);
                if (!away[f] || away[a] || m == 3)
                {
                    continue;
                }
                const std::uint32_t fk = corners[3 * f + k];
                const std::uint32_t fk1 = corners[3 * f + (k + 1) % 3];
                const std::uint32_t am = corners[3 * a + m];
                const std::uint32_t am1 = corners[3 * a + (m + 1) % 3];
                triangles.insert(triangles.end(), {extrudedOf(fk1), extrudedOf(fk), plainOf(am)});
                triangles.insert(triangles.end(), {plainOf(am), extrudedOf(fk), plainOf(am1)});
            }
        }
    }

    Platform::Gfx::Device* device = nullptr;
    source.GetDevice(&device);
    Mesh* volume = nullptr;
    const Platform::Gfx::Result made = Platform::GfxKit::CreateMeshFVF(
        static_cast<std::uint32_t>(triangles.size() / 3), static_cast<std::uint32_t>(out.size()),
        IndexOptions(Platform::GfxKit::MeshOption::SystemMem | Platform::GfxKit::MeshOption::Dynamic, out.size()),
        Platform::Gfx::Fvf::Xyz, device, &volume);
    device->Release();
    if (Platform::Gfx::Failed(made))
    {
        BaseLib::DebugOutput("shadow volume of mesh %s in %s could not be made\n", mesh, model);
        return;
    }
    std::vector<std::uint8_t> bytes(out.size() * 12);
    std::memcpy(bytes.data(), out.data(), bytes.size());
    volume->SetVertexBytes(bytes);
    volume->SetIndices(triangles);
    ReplaceMesh(container, volume);
}

} // namespace Qen
