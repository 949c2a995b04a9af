#pragma once

#include "framework/GameEntityNode.h"

class CQuarrowWorld;

// The parts of one multi-cell block: its children are the CBlockEntityNodes of the piece. While a flex
// part is strained and no part is held, the group shakes with an amplitude of 1/128 for a second, rests
// two to three seconds and shakes again: horizontal groups along x, vertical ones along z. The shake is
// the node's own position. Draws come from the main thread's random sequence (BaseLib::Random), so a
// seeded run repeats. Main thread only.
class CMetaBlockEntityNode : public GameLib::CGameEntityNode
{
public:
    enum Axis
    {
        AxisUnknown = 0,
        AxisSinglePart = 1,
        AxisHorizontal = 2,
        AxisVertical = 3
    };

    // world: the entity, not owned. The first rest is 0 to 6.93 s.
    explicit CMetaBlockEntityNode(CQuarrowWorld* world);

    bool IsKindOf(const std::type_info& type) const override;

    // The running number the puzzle node gives (0, 1, 2, ...): it sets the phase of the shake.
    void SetIndex(int index) { m_index = index; }
    int GetIndex() const { return m_index; }
    // Known from the first update on.
    int GetAxis() const { return m_axis; }
    float GetTimer() const { return m_timer; }

    void Update(float dt) override;

protected:
    ~CMetaBlockEntityNode() override = default;

private:
    void DetermineAxis();
    // Some part is a strained flex block and no part is the held block.
    bool IsStrained() const;

    int m_index = 0;
    int m_axis = AxisUnknown;
    float m_timer;
};

// A new group node without parts.
CMetaBlockEntityNode* CreateMetaBlockEntityNode(CQuarrowWorld* world);
