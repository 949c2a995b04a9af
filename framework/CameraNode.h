#pragma once

#include "framework/SceneGraphNode.h"

#include <memory>

namespace Qen
{
class CCamera;
}

namespace GameLib
{

// A transform node that keeps a camera of its own in step with its world matrix: the camera looks along
// the node's Z axis from the node's translation, and takes the node's Y axis as up when asked to.
class CCameraNode : public CTransformNode
{
public:
    // A camera with the camera's own defaults; the node's up vector is not used.
    CCameraNode();

    // Deletes this node only: children still present are detached and left to their owner.
    void Release(bool deleteChildren) override;
    bool IsKindOf(const std::type_info& type) const override;

    void SetUseNodeUpVector(bool use) { m_useNodeUpVector = use; }
    bool GetUseNodeUpVector() const { return m_useNodeUpVector; }

    // Writes the world matrix into the camera: direction = normalised third row, position = fourth row,
    // up = normalised second row when the node's up vector is used. The camera's matrices are not
    // recomputed.
    void SyncCamera();
    // SyncCamera, then the camera.
    Qen::CCamera* GetCamera();

protected:
    ~CCameraNode() override;

private:
    std::unique_ptr<Qen::CCamera> m_camera;
    bool m_useNodeUpVector = false;
};

} // namespace GameLib
