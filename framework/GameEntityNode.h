#pragma once

#include "framework/SceneGraphNode.h"

namespace GameLib
{

// A transform node that shows one game object. The game's entity nodes derive from it and advance it
// each simulation step.
class CGameEntityNode : public CTransformNode
{
public:
    // entity is never owned.
    explicit CGameEntityNode(void* entity) : m_entity(entity) {}

    bool IsKindOf(const std::type_info& type) const override;

    void* GetEntity() const { return m_entity; }
    // Advances the entity by dt seconds.
    virtual void Update(float dt) = 0;

protected:
    ~CGameEntityNode() override = default;

private:
    void* m_entity;
};

} // namespace GameLib
