#include "framework/SceneGraphNode.h"

#include "foundation/Debug.h"
#include "framework/SceneManager.h"

#include <algorithm>
#include <new>

namespace GameLib
{

using BaseLib::CMatrix;
using BaseLib::CVector3;
using BaseLib::CVector4;

CSceneGraphNode::~CSceneGraphNode()
{
    if (m_parent != nullptr)
    {
        m_parent->RemoveChild(this);
    }
}

bool CSceneGraphNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CSceneGraphNode);
}

void CSceneGraphNode::Invalidate()
{
    if (m_worldTransformDirty)
    {
        return;
    }
    m_worldTransformDirty = true;
    m_boundsDirty = true;
    if (m_sceneManager != nullptr)
    {
        m_sceneManager->OnNodeInvalidated(this);
    }
}

const CMatrix& CSceneGraphNode::GetParentWorldTransform()
{
    if (m_parent == nullptr)
    {
        return CMatrix::Identity;
    }
    return m_parent->GetWorldTransform();
}

void CSceneGraphNode::UpdateWorldTransform()
{
    m_worldTransform = GetParentWorldTransform();
}

const CMatrix& CSceneGraphNode::GetWorldTransform()
{
    if (m_worldTransformDirty)
    {
        UpdateWorldTransform();
        m_worldTransformDirty = false;
    }
    return m_worldTransform;
}

void CSceneGraphNode::SetBounds(const CVector4& sphere)
{
    if (sphere == m_localBounds)
    {
        return;
    }
    m_localBounds = sphere;
    m_boundsDirty = true;
    if (m_sceneManager != nullptr)
    {
        m_sceneManager->OnNodeInvalidated(this);
    }
}

void CSceneGraphNode::SetBounds(const CVector3& centre, float radius)
{
    SetBounds(CVector4(centre, radius));
}

void CSceneGraphNode::UpdateWorldBounds()
{
    if (!m_boundsDirty)
    {
        return;
    }
    const CVector4 oldBounds = m_worldBounds;
    CVector4 centre;
    BaseLib::TransformVector4(centre, CVector4(m_localBounds.x, m_localBounds.y, m_localBounds.z, 1.0f),
                              GetWorldTransform());
    m_worldBounds = CVector4(centre.x, centre.y, centre.z, m_localBounds.w);
    // Cleared before the manager hears of it, so that a hook asking for the sphere gets it at once.
    m_boundsDirty = false;
    if (m_sceneManager != nullptr)
    {
        m_sceneManager->OnNodeBoundsChanged(this, oldBounds, m_worldBounds);
    }
}

const CVector4& CSceneGraphNode::GetWorldBounds()
{
    UpdateWorldBounds();
    return m_worldBounds;
}

void CSceneGraphNode::SetParent(CSceneGraphNode* node, CTransformNode* parent)
{
    if (node->m_parent == parent)
    {
        return;
    }
    CSceneManager* const oldManager = node->m_sceneManager;
    node->m_parent = parent;
    CSceneManager* const newManager = parent != nullptr ? parent->m_sceneManager : nullptr;
    if (newManager != oldManager)
    {
        // Every node of the subtree is reported with the moved node's stored sphere: a move refreshes
        // nothing.
        const CVector4 sphere = node->m_worldBounds;
        CSceneGraphIterator walk(typeid(CSceneGraphNode), node);
        while (CSceneGraphNode* each = walk.Next())
        {
            if (oldManager != nullptr)
            {
                oldManager->OnNodeRemoved(each, sphere);
            }
            each->m_sceneManager = newManager;
            if (newManager != nullptr)
            {
                newManager->OnNodeAdded(each, sphere);
            }
        }
    }
    node->Invalidate();
}

CTransformNode* CTransformNode::Create()
{
    return new (std::nothrow) CTransformNode();
}

CTransformNode::~CTransformNode()
{
    // Children left by a caller would keep a parent pointer into freed memory.
    while (!m_children.empty())
    {
        RemoveChild(m_children.back());
    }
}

void CTransformNode::Release(bool deleteChildren)
{
    if (deleteChildren)
    {
        DeleteChildren();
    }
    delete this;
}

bool CTransformNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CTransformNode) || CSceneGraphNode::IsKindOf(type);
}

void CTransformNode::Invalidate()
{
    if (IsWorldTransformDirty())
    {
        return;
    }
    CSceneGraphNode::Invalidate();
    for (CSceneGraphNode* child : m_children)
    {
        child->Invalidate();
    }
}

void CTransformNode::UpdateWorldTransform()
{
    if (GetParent() == nullptr)
    {
        m_worldTransform = m_localTransform;
    }
    else
    {
        m_worldTransform = m_localTransform * GetParentWorldTransform();
    }
}

void CTransformNode::SetLocalTransform(const CMatrix& matrix)
{
    if (matrix != m_localTransform)
    {
        m_localTransform = matrix;
        Invalidate();
    }
}

CVector3 CTransformNode::GetPosition() const
{
    return CVector3(m_localTransform.m[3][0], m_localTransform.m[3][1], m_localTransform.m[3][2]);
}

void CTransformNode::SetPosition(const CVector3& position)
{
    CMatrix moved = m_localTransform;
    moved.m[3][0] = position.x;
    moved.m[3][1] = position.y;
    moved.m[3][2] = position.z;
    SetLocalTransform(moved);
}

CSceneGraphNode* CTransformNode::GetChild(std::size_t index) const
{
    if (index >= m_children.size())
    {
        BaseLib::DebugOutput("Error: CTransformNode::GetChild: index %zu is out of range (%zu children)\n",
                             index, m_children.size());
        return nullptr;
    }
    return m_children[index];
}

void CTransformNode::AddChild(CSceneGraphNode* node)
{
    const char* refusal = nullptr;
    if (node == nullptr)
    {
        refusal = "the node is null";
    }
    else if (node == this)
    {
        refusal = "a node cannot be its own child";
    }
    else if (node->GetParent() != nullptr)
    {
        refusal = "the node already has a parent";
    }
    else if (node->IsKindOf(typeid(CSceneGraphRootNode)))
    {
        refusal = "the root of a scene cannot be a child";
    }
    else
    {
        for (const CSceneGraphNode* ancestor = GetParent(); ancestor != nullptr; ancestor = ancestor->GetParent())
        {
            if (ancestor == node)
            {
                refusal = "the node is an ancestor of this node";
                break;
            }
        }
    }
    if (refusal != nullptr)
    {
        BaseLib::DebugOutput("Error: CTransformNode::AddChild: %s\n", refusal);
        return;
    }
    m_children.push_back(node);
    SetParent(node, this);
}

void CTransformNode::RemoveChild(CSceneGraphNode* node)
{
    const auto found = std::find(m_children.begin(), m_children.end(), node);
    if (found == m_children.end())
    {
        BaseLib::DebugOutput("Error: CTransformNode::RemoveChild: the node is not a child of this node\n");
        return;
    }
    m_children.erase(found);
    SetParent(node, nullptr);
}

void CTransformNode::DeleteChildren()
{
    // Each child's destructor takes it out of the array.
    while (!m_children.empty())
    {
        m_children.back()->Release(true);
    }
}

void CSceneGraphRootNode::Release(bool)
{
}

bool CSceneGraphRootNode::IsKindOf(const std::type_info& type) const
{
    return type == typeid(CSceneGraphRootNode) || CTransformNode::IsKindOf(type);
}

CSceneGraphRootNode::~CSceneGraphRootNode()
{
    DeleteChildren();
    m_sceneManager = nullptr;
}

} // namespace GameLib
