#pragma once

#include "foundation/Geometry.h"
#include "foundation/Vector.h"
#include "framework/CollisionNode.h"
#include "framework/SceneManager.h"

#include <cstdint>
#include <deque>

namespace Qen
{
class CCamera;
}

class CBlockEntityNode;
class CQuarrowInputChannel;
class CQuarrowWorld;

// Turns mouse presses, moves and releases on the 3D view into the select, drag and release game commands
// the 2D board sends. A press casts a ray from the camera through the mouse point and picks the nearest
// collision geometry; when that belongs to a grabbable block, the block is selected and its grabbed
// point then follows the mouse across the horizontal plane through it. Without a press every move picks
// again (hovering).
//
// Points are viewport coordinates: x from -1 at the left to +1 at the right, y from +1 at the top to -1
// at the bottom. World space is Z-up; board x runs along world +X and board y along world -Y.
//
// A pick is kept only while the world's scene shows the puzzle as it is (the puzzle's change number is
// the one the scene was built for, and the one the pick was made with). A pick that no longer is drops
// at the next Update; when it held a block, a release for that block is sent, so every select is
// followed by a release for the same block. While the solver or the refiner owns the puzzle (game
// states 4 and 5) the cursor still picks but reads no block place and sends no drag.
//
// The world, channel, scene manager and camera are not owned. Main thread only.
class C3DCursor
{
public:
    enum EventKind : std::int32_t
    {
        ButtonDown = 0,
        ButtonUp = 1,
        MouseMove = 2,
    };

    struct TMouseEvent
    {
        std::int32_t kind;
        float x;
        float y;
    };

    C3DCursor(CQuarrowWorld* world, CQuarrowInputChannel* channel);

    void SetSceneManager(GameLib::CSceneManager* scene) { m_scene = scene; }
    // The camera as the last drawn frame left it (its matrices are read, not recomputed).
    void SetCamera(Qen::CCamera* camera) { m_camera = camera; }

    void QueueButtonDown(const BaseLib::CVector2& point)
    {
        m_events.push_back({ButtonDown, point.x, point.y});
    }
    void QueueButtonUp(const BaseLib::CVector2& point) { m_events.push_back({ButtonUp, point.x, point.y}); }
    void QueueMouseMove(const BaseLib::CVector2& point) { m_events.push_back({MouseMove, point.x, point.y}); }
    std::size_t GetQueuedEventCount() const { return m_events.size(); }

    // Once per frame, before the world steps: drops a pick that is no longer valid, then handles the
    // queued events in order. Nothing without a scene manager.
    void Update();

    // The picked block node while the pick is valid, else null.
    CBlockEntityNode* GetPickedNode() const;
    bool IsDragging() const { return m_dragging; }
    const BaseLib::CVector3& GetHitPoint() const { return m_hitPoint; }

    // A world ray from the camera's position through the viewport point (unit direction). Needs a camera.
    GameLib::TCollisionRay ComputePickRay(float x, float y) const;
    // Tests every collision node of the scene; the nearest hit decides. True when it belongs to a block
    // node, which becomes the picked node with the hit point. Picks nothing while the scene does not show
    // the puzzle as it is (an edit not yet rebuilt, no puzzle).
    bool Pick(const GameLib::TCollisionRay& ray);

private:
    // The world's puzzle change number when its scene was built for it; -1 otherwise.
    std::int64_t CurrentSceneChange() const;
    bool IsPickValid() const;
    void ForgetPick();
    void OnButtonDown(float x, float y);
    void OnButtonUp();
    void OnMouseMove(float x, float y);
    // Solver or refiner at work: the blocks are theirs.
    bool IsPuzzleBusy() const;

    CQuarrowWorld* m_world;
    CQuarrowInputChannel* m_channel;
    GameLib::CSceneManager* m_scene = nullptr;
    Qen::CCamera* m_camera = nullptr;
    std::deque<TMouseEvent> m_events;
    // Pick's list of collision nodes, kept for its capacity.
    GameLib::CSceneManager::NodeArray m_nodes;
    bool m_hit = false;
    CBlockEntityNode* m_pickedNode = nullptr;
    BaseLib::CVector3 m_hitPoint;
    // The puzzle change number the pick was made with; -1 with no pick.
    std::int64_t m_changeNumber = -1;
    bool m_dragging = false;
    BaseLib::CPlane m_dragPlane;   // n · p = d
    BaseLib::CVector3 m_grabPoint; // in the picked node's coordinates
    std::int32_t m_grabbedId = 0;
};
