#pragma once

#include "framework/SceneGraphNode.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace GameLib
{

// A ray in world space: origin, then direction (not necessarily of unit length).
struct TCollisionRay
{
    BaseLib::CVector3 origin;
    BaseLib::CVector3 direction;
};

// A scene leaf that answers ray queries against geometry placed by its world matrix.
class CCollisionNode : public CSceneGraphNode
{
public:
    bool IsKindOf(const std::type_info& type) const override;

    // True on a hit; then writes the outputs that are not null. On a miss both stay untouched.
    virtual bool IntersectRay(const TCollisionRay& ray, BaseLib::CVector3* hitPoint, BaseLib::CVector3* hitNormal) = 0;
    virtual bool Intersect(const CSceneGraphNode* other) = 0;

protected:
    CCollisionNode() = default;
};

struct TCollisionModel;

// A collision node holding the triangles of a model file (every mesh, in the pose of the file's own
// frames), placed by the node's world matrix. Nodes loading the same file share one built model.
// Main thread only: a query refreshes the node's world matrix.
class CCollisionMeshNode : public CCollisionNode
{
public:
    // A new detached node without a collision model, culling on; null when allocation fails.
    static CCollisionMeshNode* Create();

    void Release(bool deleteChildren) override;
    bool IsKindOf(const std::type_info& type) const override;

    // Replaces the collision model by one built from the model file's meshes. A file that does not load
    // or holds no triangle leaves the node with an empty model that every ray misses.
    void SetMesh(const std::string& fileName);
    // Replaces the collision model by one built from the lists: positions in model space and three
    // vertex indices per triangle (a trailing partial triangle is ignored).
    void SetTriangles(const std::vector<BaseLib::CVector3>& vertices, const std::vector<std::uint32_t>& indices);

    // The closest hit along the ray: point = origin + direction × t in world space, normal of the hit
    // triangle in model space ((p1 - p0) × (p2 - p0), normalised). False without a model, for a node
    // whose world matrix has no inverse, and on a miss.
    bool IntersectRay(const TCollisionRay& ray, BaseLib::CVector3* hitPoint, BaseLib::CVector3* hitNormal) override;
    bool Intersect(const CSceneGraphNode* other) override;
    // Also marks the inverse of the world matrix for recomputation at the next query.
    void UpdateWorldTransform() override;

    // With culling on, triangles seen from behind (their normal not facing the ray) are passed over.
    void SetCulling(bool cull) { m_cull = cull; }
    bool GetCulling() const { return m_cull; }

    // Built collision models alive in the process and the bytes their scenes and face normals hold.
    static std::size_t GetModelCount();
    static std::size_t GetModelMemory();

protected:
    CCollisionMeshNode() = default;
    ~CCollisionMeshNode() override;

private:
    std::shared_ptr<TCollisionModel> m_model;
    // The inverse of the world matrix, kept from one query to the next while the world matrix stays.
    BaseLib::CMatrix m_toModel = BaseLib::CMatrix::Identity;
    bool m_toModelValid = false;
    bool m_toModelStale = true;
    bool m_cull = true;
};

} // namespace GameLib
