// Normals, tangents and binormals computed per vertex from the faces around it, each face weighted by
// its angle at the vertex.

#include "platform/gfxkit/mesh/ElementValues.h"
#include "platform/gfxkit/mesh/MeshPreparation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace Platform::GfxKit
{

using namespace Gfx;

namespace
{

Vector3 Sub(const Vector3& a, const Vector3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

void AddScaled(Vector3& sum, const Vector3& v, float scale)
{
    sum.x += v.x * scale;
    sum.y += v.y * scale;
    sum.z += v.z * scale;
}

// The angle at corner a of triangle a, b, c.
float CornerAngle(const Vector3& a, const Vector3& b, const Vector3& c)
{
    Vector3 u = Sub(b, a);
    Vector3 v = Sub(c, a);
    const float lengths = Vec3Length(u) * Vec3Length(v);
    if (lengths <= 0.0f)
    {
        return 0.0f;
    }
    return std::acos(std::clamp(Vec3Dot(u, v) / lengths, -1.0f, 1.0f));
}

const VertexElement* FindElement(const Mesh& mesh, std::uint32_t usage, std::uint32_t usageIndex)
{
    for (const VertexElement& element : mesh.Elements())
    {
        if (element.Stream == 0 && element.Usage == usage && element.UsageIndex == usageIndex)
        {
            return &element;
        }
    }
    return nullptr;
}

Vector3 ReadVector(const Mesh& mesh, const VertexElement& element, std::uint32_t vertex)
{
    const Vector4 value = ReadElement(element.Type, mesh.Vertex(vertex) + element.Offset);
    return {value.x, value.y, value.z};
}

} // namespace

Result ComputeTangentFrameEx(Mesh* mesh, std::uint32_t textureUsage, std::uint32_t textureIndex,
                             std::uint32_t tangentUsage, std::uint32_t tangentIndex, std::uint32_t binormalUsage,
                             std::uint32_t binormalIndex, std::uint32_t normalUsage, std::uint32_t normalIndex,
                             std::uint32_t options, const std::uint32_t* adjacency, float partialEdgeThreshold,
                             float singularPointThreshold, float normalEdgeThreshold, Mesh** result,
                             ByteBuffer** vertexMap)
{
    (void)adjacency;
    (void)partialEdgeThreshold;
    (void)singularPointThreshold;
    (void)normalEdgeThreshold;
    if (result != nullptr)
    {
        *result = nullptr;
    }
    if (vertexMap != nullptr)
    {
        *vertexMap = nullptr;
    }
    if (mesh == nullptr || result == nullptr)
    {
        return InvalidCall;
    }
    const auto wanted = [&](std::uint32_t usage, std::uint32_t index, const VertexElement*& element) {
        element = usage == NoUsage ? nullptr : FindElement(*mesh, usage, index);
        return usage == NoUsage || element != nullptr;
    };
    const VertexElement* tangentElement = nullptr;
    const VertexElement* binormalElement = nullptr;
    const VertexElement* normalElement = nullptr;
    if (!wanted(tangentUsage, tangentIndex, tangentElement) || !wanted(binormalUsage, binormalIndex, binormalElement) ||
        !wanted(normalUsage, normalIndex, normalElement))
    {
        return InvalidCall;
    }
    const VertexElement* texture = FindElement(*mesh, textureUsage, textureIndex);
    if ((tangentElement != nullptr || binormalElement != nullptr) && texture == nullptr)
    {
        return InvalidCall;
    }

    const std::uint32_t vertexCount = mesh->GetNumVertices();
    const std::vector<std::uint32_t> indices = mesh->Indices();
    std::vector<Vector3> normals(vertexCount);
    std::vector<Vector3> tangents(vertexCount);
    std::vector<Vector3> binormals(vertexCount);
    for (std::size_t i = 0; i + 2 < indices.size(); i += 3)
    {
        const std::uint32_t corner[3] = {indices[i], indices[i + 1], indices[i + 2]};
        if (corner[0] >= vertexCount || corner[1] >= vertexCount || corner[2] >= vertexCount)
        {
            continue;
        }
        const Vector3 p[3] = {mesh->Position(corner[0]), mesh->Position(corner[1]), mesh->Position(corner[2])};
        Vector3 faceNormal = Vec3Cross(Sub(p[1], p[0]), Sub(p[2], p[0]));
        Vec3Normalize(&faceNormal, &faceNormal);
        Vector3 dpdu{};
        Vector3 dpdv{};
        bool mapped = false;
        if (texture != nullptr)
        {
            Vector4 uv[3];
            for (int k = 0; k < 3; ++k)
            {
                uv[k] = ReadElement(texture->Type, mesh->Vertex(corner[k]) + texture->Offset);
            }
            const float du1 = uv[1].x - uv[0].x;
            const float dv1 = uv[1].y - uv[0].y;
            const float du2 = uv[2].x - uv[0].x;
            const float dv2 = uv[2].y - uv[0].y;
            const float determinant = du1 * dv2 - du2 * dv1;
            // A mapping that squeezes the face to a line says nothing about the directions.
            if (std::fabs(determinant) > 1e-12f)
            {
                const Vector3 e1 = Sub(p[1], p[0]);
                const Vector3 e2 = Sub(p[2], p[0]);
                dpdu = {(e1.x * dv2 - e2.x * dv1) / determinant, (e1.y * dv2 - e2.y * dv1) / determinant,
                        (e1.z * dv2 - e2.z * dv1) / determinant};
                dpdv = {(e2.x * du1 - e1.x * du2) / determinant, (e2.y * du1 - e1.y * du2) / determinant,
                        (e2.z * du1 - e1.z * du2) / determinant};
                mapped = true;
            }
        }
        for (int k = 0; k < 3; ++k)
        {
            const float angle = CornerAngle(p[k], p[(k + 1) % 3], p[(k + 2) % 3]);
            AddScaled(normals[corner[k]], faceNormal, angle);
            if (mapped)
            {
                AddScaled(tangents[corner[k]], dpdu, angle);
                AddScaled(binormals[corner[k]], dpdv, angle);
            }
        }
    }
    for (Vector3& normal : normals)
    {
        Vec3Normalize(&normal, &normal);
    }

    VertexElement declaration[MaxDeclarationLength];
    mesh->GetDeclaration(declaration);
    Device* device = nullptr;
    mesh->GetDevice(&device);
    Mesh* made = nullptr;
    const Result cloned = mesh->CloneMesh(mesh->GetOptions(), declaration, device, &made);
    device->Release();
    if (Failed(cloned))
    {
        return cloned;
    }
    // Tangents and binormals are made orthogonal to the computed normal, or to the mesh's own.
    const VertexElement* ownNormal = FindElement(*mesh, DeclUsage::Normal, 0);
    const bool normalise = !(options & TangentOption::DontNormalizePartials);
    const bool orthogonalise = !(options & TangentOption::DontOrthogonalize);
    const std::uint32_t stride = mesh->GetNumBytesPerVertex();
    std::vector<std::uint8_t> bytes(made->Vertex(0), made->Vertex(0) + std::size_t(vertexCount) * stride);
    const auto finish = [&](Vector3 v, const Vector3& normal) {
        if (orthogonalise)
        {
            AddScaled(v, normal, -Vec3Dot(v, normal));
        }
        if (normalise)
        {
            Vec3Normalize(&v, &v);
        }
        return v;
    };
    for (std::uint32_t v = 0; v < vertexCount; ++v)
    {
        std::uint8_t* target = bytes.data() + std::size_t(v) * stride;
        const Vector3 normal =
            normalElement == nullptr && ownNormal != nullptr ? ReadVector(*mesh, *ownNormal, v) : normals[v];
        if (normalElement != nullptr)
        {
            WriteElement(normalElement->Type, {normals[v].x, normals[v].y, normals[v].z, 0}, target + normalElement->Offset);
        }
        if (tangentElement != nullptr)
        {
            const Vector3 t = finish(tangents[v], normal);
            WriteElement(tangentElement->Type, {t.x, t.y, t.z, 0}, target + tangentElement->Offset);
        }
        if (binormalElement != nullptr)
        {
            const Vector3 b = finish(binormals[v], normal);
            WriteElement(binormalElement->Type, {b.x, b.y, b.z, 0}, target + binormalElement->Offset);
        }
    }
    made->SetVertexBytes(bytes);
    if (vertexMap != nullptr)
    {
        std::vector<std::uint32_t> identity(vertexCount);
        std::iota(identity.begin(), identity.end(), 0u);
        if (Succeeded(CreateBuffer(vertexCount * 4, vertexMap)))
        {
            std::memcpy((*vertexMap)->GetBufferPointer(), identity.data(), identity.size() * 4);
        }
    }
    *result = made;
    return Ok;
}

} // namespace Platform::GfxKit
