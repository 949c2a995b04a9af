#pragma once

#include "foundation/Matrix.h"
#include "foundation/Vector.h"

#include <cstddef>
#include <string>
#include <typeinfo>
#include <vector>

namespace GameLib
{

class CSceneManager;
class CTransformNode;

// A node of the scene tree. World matrix and world bounding sphere ({centre x, y, z, radius}) are
// computed lazily: changing a local value only marks the node and its subtree dirty, and the world
// values are pulled from the top when somebody asks for them. Nodes are heap objects destroyed through
// Release; destroying a node that has a parent takes it out of the parent first. Main thread only.
class CSceneGraphNode
{
public:
    CSceneGraphNode(const CSceneGraphNode&) = delete;
    CSceneGraphNode& operator=(const CSceneGraphNode&) = delete;

    // Destroys the node; deleteChildren is looked at only by nodes that own their children.
    virtual void Release(bool deleteChildren) = 0;
    // True when type names this node's class or one of its bases (type identity).
    virtual bool IsKindOf(const std::type_info& type) const;

    // Marks the world matrix and world bounds dirty and tells the manager; nothing when the world matrix
    // is already dirty (its subtree is then dirty too).
    virtual void Invalidate();
    // Computes the world matrix from the parent's fresh one; does not clear this node's own flag.
    virtual void UpdateWorldTransform();

    // The world matrix, refreshed first when dirty.
    const BaseLib::CMatrix& GetWorldTransform();

    // Stores a new local sphere {centre, radius}, marks the bounds dirty and tells the manager; an equal
    // sphere changes nothing.
    void SetBounds(const BaseLib::CVector4& sphere);
    void SetBounds(const BaseLib::CVector3& centre, float radius);
    const BaseLib::CVector4& GetBounds() const { return m_localBounds; }
    // Recomputes the world sphere when its flag is set: the local centre placed by the world matrix, the
    // local radius unchanged (a scaling matrix does not change it). Tells the manager of the change.
    void UpdateWorldBounds();
    const BaseLib::CVector4& GetWorldBounds();

    CTransformNode* GetParent() const { return m_parent; }
    CSceneManager* GetSceneManager() const { return m_sceneManager; }
    bool IsWorldTransformDirty() const { return m_worldTransformDirty; }
    bool IsBoundsDirty() const { return m_boundsDirty; }

    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }

protected:
    CSceneGraphNode() = default;
    // Takes the node out of its parent (the manager hears of the removal).
    virtual ~CSceneGraphNode();

    // The parent's world matrix (refreshed when dirty), identity without a parent.
    const BaseLib::CMatrix& GetParentWorldTransform();

    BaseLib::CMatrix m_worldTransform = BaseLib::CMatrix::Identity;

private:
    friend class CTransformNode;
    friend class CSceneGraphRootNode;
    friend class CSceneManager;

    // Re-parents node and moves its whole subtree to the new parent's manager (or none), telling both
    // managers node by node; then invalidates node. Called only by AddChild and RemoveChild.
    static void SetParent(CSceneGraphNode* node, CTransformNode* parent);

    std::string m_name;
    CSceneManager* m_sceneManager = nullptr;
    CTransformNode* m_parent = nullptr;
    bool m_worldTransformDirty = false;
    BaseLib::CVector4 m_localBounds;
    BaseLib::CVector4 m_worldBounds;
    bool m_boundsDirty = false;
};

// A node with a local matrix and children (in insertion order). World = local x parent's world.
class CTransformNode : public CSceneGraphNode
{
public:
    CTransformNode() = default;

    // A new detached transform node; null when allocation fails.
    static CTransformNode* Create();

    // Deletes the children (last first, each with its subtree) when asked, then this node.
    void Release(bool deleteChildren) override;
    bool IsKindOf(const std::type_info& type) const override;
    // Marks this node and its subtree dirty.
    void Invalidate() override;
    void UpdateWorldTransform() override;

    const BaseLib::CMatrix& GetLocalTransform() const { return m_localTransform; }
    // Copies and invalidates when any element differs; an equal matrix changes nothing.
    void SetLocalTransform(const BaseLib::CMatrix& matrix);
    // The translation of the local matrix (the first three elements of its fourth row).
    BaseLib::CVector3 GetPosition() const;
    // Replaces the translation; invalidates only when the local matrix changes.
    void SetPosition(const BaseLib::CVector3& position);

    std::size_t GetChildCount() const { return m_children.size(); }
    // Null (with a trace) for an index out of range.
    CSceneGraphNode* GetChild(std::size_t index) const;
    // Appends node and gives it this parent and this node's manager. Refused with a trace, nothing
    // changed: null, this node itself, a node that already has a parent, an ancestor of this node, the
    // root of a scene.
    void AddChild(CSceneGraphNode* node);
    // Takes the first entry equal to node out (order of the others kept) and detaches node. Refused with
    // a trace, nothing changed, when node is not a child.
    void RemoveChild(CSceneGraphNode* node);
    // Releases the last child with its subtree until none is left.
    void DeleteChildren();

protected:
    // Detaches every child still present (each is reported removed and invalidated); they are left to
    // their owner.
    ~CTransformNode() override;

private:
    BaseLib::CMatrix m_localTransform = BaseLib::CMatrix::Identity;
    std::vector<CSceneGraphNode*> m_children;
};

// The root of a scene manager's tree. Made and deleted only by its manager; Release does nothing.
class CSceneGraphRootNode : public CTransformNode
{
public:
    void Release(bool deleteChildren) override;
    bool IsKindOf(const std::type_info& type) const override;

private:
    friend class CSceneManager;

    CSceneGraphRootNode() = default;
    // Deletes every child with its subtree, then clears the manager pointer.
    ~CSceneGraphRootNode() override;
};

} // namespace GameLib
