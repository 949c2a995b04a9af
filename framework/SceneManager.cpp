#include "framework/SceneManager.h"

#include <new>

namespace GameLib
{

using BaseLib::CVector4;

CSceneGraphIterator::CSceneGraphIterator(const std::type_info& type, CSceneGraphNode* start)
    : m_type(&type), m_everyNode(type == typeid(CSceneGraphNode)), m_current(start)
{
}

CSceneGraphNode* CSceneGraphIterator::Next()
{
    for (;;)
    {
        CSceneGraphNode* const taken = m_current;
        if (taken == nullptr)
        {
            return nullptr;
        }
        Step();
        if (m_everyNode || taken->IsKindOf(*m_type))
        {
            return taken;
        }
    }
}

void CSceneGraphIterator::Step()
{
    if (m_current->IsKindOf(typeid(CTransformNode)))
    {
        const auto* transform = static_cast<CTransformNode*>(m_current);
        if (transform->GetChildCount() > 0)
        {
            m_current = transform->GetChild(0);
            PushIndex(0);
            return;
        }
    }
    while (m_depth > 0)
    {
        CTransformNode* const parent = m_current->GetParent();
        const std::size_t next = ++TopIndex();
        if (next < parent->GetChildCount())
        {
            m_current = parent->GetChild(next);
            return;
        }
        m_current = parent;
        PopIndex();
    }
    m_current = nullptr;
}

void CSceneGraphIterator::PushIndex(std::size_t index)
{
    if (m_depth < InlineDepth)
    {
        m_indices[m_depth] = index;
    }
    else
    {
        m_deeper.push_back(index);
    }
    ++m_depth;
}

std::size_t& CSceneGraphIterator::TopIndex()
{
    return m_depth <= InlineDepth ? m_indices[m_depth - 1] : m_deeper.back();
}

void CSceneGraphIterator::PopIndex()
{
    if (m_depth > InlineDepth)
    {
        m_deeper.pop_back();
    }
    --m_depth;
}

CSceneManager::CSceneManager()
{
    m_root = new (std::nothrow) CSceneGraphRootNode();
    if (m_root != nullptr)
    {
        m_root->m_sceneManager = this;
    }
}

CSceneManager::~CSceneManager()
{
    delete m_root;
}

template <typename SphereTest>
std::size_t CSceneManager::CollectPassing(const std::type_info& type, NodeArray& result, SphereTest passes)
{
    if (m_root == nullptr)
    {
        return result.size();
    }
    CSceneGraphIterator walk(type, m_root);
    while (CSceneGraphNode* node = walk.Next())
    {
        if (passes(node->GetWorldBounds()))
        {
            result.push_back(node);
        }
    }
    return result.size();
}

std::size_t CSceneManager::GetNodesInVolume(const std::vector<CVector4>& planes, const std::type_info& type,
                                            NodeArray& result)
{
    return CollectPassing(type, result, [&planes](const CVector4& sphere) {
        for (const CVector4& plane : planes)
        {
            const float distance = plane.x * sphere.x + plane.y * sphere.y + plane.z * sphere.z;
            if (!(distance <= plane.w + sphere.w))
            {
                return false;
            }
        }
        return true;
    });
}

std::size_t CSceneManager::GetNodesInBox(const Box& box, const std::type_info& type, NodeArray& result)
{
    return CollectPassing(type, result, [&box](const CVector4& sphere) {
        const auto axisGap = [](float c, float low, float high) {
            if (c < low)
            {
                return (c - low) * (c - low);
            }
            if (c > high)
            {
                return (c - high) * (c - high);
            }
            return 0.0f;
        };
        const float squaredDistance = axisGap(sphere.x, box.minX, box.maxX) + axisGap(sphere.y, box.minY, box.maxY) +
                                      axisGap(sphere.z, box.minZ, box.maxZ);
        return sphere.w * sphere.w >= squaredDistance;
    });
}

std::size_t CSceneManager::GetNodesInSphere(const CVector4& query, const std::type_info& type, NodeArray& result)
{
    return CollectPassing(type, result, [&query](const CVector4& sphere) {
        const float dx = query.x - sphere.x;
        const float dy = query.y - sphere.y;
        const float dz = query.z - sphere.z;
        const float reach = sphere.w + query.w;
        return reach * reach > dx * dx + dy * dy + dz * dz;
    });
}

std::size_t CSceneManager::GetNodesOfType(const std::type_info& type, NodeArray& result)
{
    if (m_root == nullptr)
    {
        return result.size();
    }
    CSceneGraphIterator walk(type, m_root);
    while (CSceneGraphNode* node = walk.Next())
    {
        result.push_back(node);
    }
    return result.size();
}

std::size_t CSceneManager::GetAllNodes(NodeArray& result)
{
    return GetNodesOfType(typeid(CSceneGraphNode), result);
}

void CSceneManager::OnNodeAdded(CSceneGraphNode*, const CVector4&)
{
}

void CSceneManager::OnNodeRemoved(CSceneGraphNode*, const CVector4&)
{
}

void CSceneManager::OnNodeInvalidated(CSceneGraphNode*)
{
}

void CSceneManager::OnNodeBoundsChanged(CSceneGraphNode*, const CVector4&, const CVector4&)
{
}

} // namespace GameLib
