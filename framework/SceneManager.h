#pragma once

#include "foundation/Vector.h"
#include "framework/SceneGraphNode.h"

#include <cstddef>
#include <typeinfo>
#include <vector>

namespace GameLib
{

// A pre-order walk of a subtree: the start node, then each child's subtree in child order. Never climbs
// above the start node. The tree must not change during the walk.
class CSceneGraphIterator
{
public:
    // type filters the nodes Next returns; the node-base type means every node.
    CSceneGraphIterator(const std::type_info& type, CSceneGraphNode* start);

    // The next node of the filter's type; null at the end.
    CSceneGraphNode* Next();

private:
    // Levels kept without allocating; deeper levels go to the heap.
    static constexpr std::size_t InlineDepth = 32;

    void Step();
    void PushIndex(std::size_t index);
    std::size_t& TopIndex();
    void PopIndex();

    const std::type_info* m_type;
    bool m_everyNode;
    CSceneGraphNode* m_current;
    // One child index per level below the start node: the first levels inline, the rest in m_deeper.
    std::size_t m_depth = 0;
    std::size_t m_indices[InlineDepth];
    std::vector<std::size_t> m_deeper;
};

// Owns the root of the scene tree and answers queries over it. Every query walks the tree in pre-order
// from the root (the root is the first candidate), appends what passes to the caller's array (never
// clearing it) and returns the array's new size. The shape queries refresh the world sphere of each
// node of the wanted type before testing it. The four hooks do nothing here; a spatial index can be
// built behind them.
class CSceneManager
{
public:
    using NodeArray = std::vector<CSceneGraphNode*>;

    // A box {min x, min y, min z, max x, max y, max z}.
    struct Box
    {
        float minX, minY, minZ, maxX, maxY, maxZ;
    };

    // Makes the root (null when allocation fails; every query then answers the array's size unchanged).
    CSceneManager();
    // Deletes the root with every node still in the tree.
    virtual ~CSceneManager();
    CSceneManager(const CSceneManager&) = delete;
    CSceneManager& operator=(const CSceneManager&) = delete;

    // Nodes whose world sphere meets the convex volume of planes {nx, ny, nz, d} (inside: n . p <= d);
    // an empty plane array passes every node.
    virtual std::size_t GetNodesInVolume(const std::vector<BaseLib::CVector4>& planes, const std::type_info& type,
                                         NodeArray& result);
    // Nodes whose world sphere meets the box; touching counts.
    virtual std::size_t GetNodesInBox(const Box& box, const std::type_info& type, NodeArray& result);
    // Nodes whose world sphere overlaps the sphere {centre, radius}; touching does not count.
    virtual std::size_t GetNodesInSphere(const BaseLib::CVector4& sphere, const std::type_info& type,
                                         NodeArray& result);
    virtual std::size_t GetNodesOfType(const std::type_info& type, NodeArray& result);
    virtual std::size_t GetAllNodes(NodeArray& result);

    // A node joined this manager's tree (sphere: the stored world sphere of the moved subtree's top).
    virtual void OnNodeAdded(CSceneGraphNode* node, const BaseLib::CVector4& sphere);
    // A node left this manager's tree.
    virtual void OnNodeRemoved(CSceneGraphNode* node, const BaseLib::CVector4& sphere);
    // A node's world matrix or local sphere changed; its world values are stale.
    virtual void OnNodeInvalidated(CSceneGraphNode* node);
    // A node's world sphere was recomputed.
    virtual void OnNodeBoundsChanged(CSceneGraphNode* node, const BaseLib::CVector4& oldSphere,
                                     const BaseLib::CVector4& newSphere);

    CSceneGraphRootNode* GetRootNode() const { return m_root; }

private:
    // Appends every node of the type that passes the test of its (refreshed) world sphere.
    template <typename SphereTest>
    std::size_t CollectPassing(const std::type_info& type, NodeArray& result, SphereTest passes);

    CSceneGraphRootNode* m_root = nullptr;
};

} // namespace GameLib
