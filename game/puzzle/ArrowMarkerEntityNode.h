#pragma once

#include "framework/AnimationController.h"
#include "framework/GameEntityNode.h"

class CQuarrowWorld;

namespace GameLib
{
class CModelNode;
}

// The animated pointer that the world places on a board cell: a model child playing the model's
// ".default" animation in a loop. Turned about z by a direction code; the world sets its position after
// turning it. A pointer file that does not load gives a marker without a model or animation (the model
// factory reports the file). Main thread only.
class CArrowMarkerEntityNode : public GameLib::CGameEntityNode
{
public:
    // pointingDown: "model>jungle/pointer_down.x", else "model>jungle/pointer.x", loaded through the
    // world's engine.
    CArrowMarkerEntityNode(CQuarrowWorld* world, bool pointingDown);

    bool IsKindOf(const std::type_info& type) const override;

    // The local transform becomes a rotation about z: 0 (north) π, 1 (south) none, 2 (west) -π/2,
    // 3 (east) +π/2. Any other code (the pointer's -1) leaves the transform as it is.
    void SetDirection(int direction);
    // Advances the animation by dt seconds.
    void Update(float dt) override;

    GameLib::CModelNode* GetModelNode() const { return m_modelNode; }
    const GameLib::CAnimationController& GetAnimationController() const { return m_animation; }

protected:
    ~CArrowMarkerEntityNode() override = default;

private:
    GameLib::CModelNode* m_modelNode;
    GameLib::CAnimationController m_animation;
};

CArrowMarkerEntityNode* CreateArrowMarkerEntityNode(CQuarrowWorld* world, bool pointingDown);
