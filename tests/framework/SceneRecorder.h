#pragma once

#include "framework/SceneGraphNode.h"
#include "framework/SceneManager.h"

#include <string>
#include <vector>

namespace SceneTest
{

// One hook call of the manager: "added", "removed", "invalidated" or "bounds", the node's name and the
// sphere handed over (the new one for "bounds").
struct HookCall
{
    std::string hook;
    std::string node;
    BaseLib::CVector4 sphere;

    friend bool operator==(const HookCall&, const HookCall&) = default;
};

// A scene manager that writes down every hook call.
class RecordingManager : public GameLib::CSceneManager
{
public:
    void OnNodeAdded(GameLib::CSceneGraphNode* node, const BaseLib::CVector4& sphere) override
    {
        calls.push_back({"added", node->GetName(), sphere});
    }
    void OnNodeRemoved(GameLib::CSceneGraphNode* node, const BaseLib::CVector4& sphere) override
    {
        calls.push_back({"removed", node->GetName(), sphere});
    }
    void OnNodeInvalidated(GameLib::CSceneGraphNode* node) override
    {
        calls.push_back({"invalidated", node->GetName(), {}});
    }
    void OnNodeBoundsChanged(GameLib::CSceneGraphNode* node, const BaseLib::CVector4&,
                             const BaseLib::CVector4& newSphere) override
    {
        calls.push_back({"bounds", node->GetName(), newSphere});
    }

    // The hook names of the calls so far, e.g. "added A".
    std::vector<std::string> Hooks() const
    {
        std::vector<std::string> out;
        for (const HookCall& call : calls)
        {
            out.push_back(call.hook + " " + call.node);
        }
        return out;
    }

    std::vector<HookCall> calls;
};

// A transform node that writes down its invalidations, world refreshes and deletion into a shared log.
class LoggingNode : public GameLib::CTransformNode
{
public:
    LoggingNode(const std::string& name, std::vector<std::string>& log) : m_log(log) { SetName(name); }

    void Invalidate() override
    {
        m_log.push_back("invalidate " + GetName());
        CTransformNode::Invalidate();
    }
    void UpdateWorldTransform() override
    {
        CTransformNode::UpdateWorldTransform();
        m_log.push_back("refreshed " + GetName());
    }

protected:
    ~LoggingNode() override { m_log.push_back("deleted " + GetName()); }

private:
    std::vector<std::string>& m_log;
};

inline GameLib::CTransformNode* Named(const std::string& name)
{
    GameLib::CTransformNode* node = GameLib::CTransformNode::Create();
    node->SetName(name);
    return node;
}

inline BaseLib::CMatrix Translation(float x, float y, float z)
{
    BaseLib::CMatrix m = BaseLib::CMatrix::Identity;
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

inline BaseLib::CMatrix Scaling(float s)
{
    BaseLib::CMatrix m = BaseLib::CMatrix::Identity;
    m.m[0][0] = s;
    m.m[1][1] = s;
    m.m[2][2] = s;
    return m;
}

// 90 degrees about Y for row vectors: X goes to -Z, Z goes to X.
inline BaseLib::CMatrix QuarterTurnAboutY()
{
    return BaseLib::CMatrix({0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 0, 1});
}

} // namespace SceneTest
