#pragma once

#include "foundation/Matrix.h"
#include "foundation/Vector.h"
#include "framework/CameraNode.h"

// A camera node that orbits a focus point. The node's local transform is the camera pose: rows 0, 1, 2
// are its right, up and forward directions, row 3 its position; the focus point lies `distance` ahead
// along forward. Yaw turns about the up axis, pitch about the camera's side axis:
//   - pitch 0 looks level, pi/2 straight down (the angle between the up axis and the camera's up);
//   - with the up axis (0, 0, 1), yaw 0 looks along -Y and yaw pi/2 along +X (counter-clockwise seen
//     from above as X east, Y north).
// Setting yaw or pitch keeps the focus point; pitch is held between the limits. Main thread only.
class CFocusCameraNode : public GameLib::CCameraNode
{
public:
    // Up axis (0, 1, 0), pitch limits -pi/2 and +pi/2, distance 1; the camera takes its up vector from
    // the node's Y axis.
    CFocusCameraNode();

    bool IsKindOf(const std::type_info& type) const override;

    // Stored normalised; a zero vector is refused (the axis stays).
    void SetUpAxis(const BaseLib::CVector3& axis);
    const BaseLib::CVector3& GetUpAxis() const { return m_upAxis; }
    void SetPitchLimits(float minimum, float maximum);
    float GetMinPitch() const { return m_minPitch; }
    float GetMaxPitch() const { return m_maxPitch; }
    // Moves the camera so that the point lies `distance` ahead; the orientation stays.
    void SetFocusPoint(const BaseLib::CVector3& point);
    BaseLib::CVector3 GetFocusPoint() const;
    // Stores the distance; the camera does not move (the focus point moves with it).
    void SetDistance(float distance) { m_distance = distance; }
    float GetDistance() const { return m_distance; }

    // Radians, see above. Both are finite for every pose: the dot products are held within [-1, 1]
    // before the arc cosine, and a camera looking along the up axis has yaw 0.
    float GetPitch() const;
    float GetYaw() const;
    // The rotation (in the upper 3 x 3, translation 0) with rows right, up, forward for the angles:
    // the turn of the Y-up frame onto the up axis, then the pitch about that frame's side axis, then the
    // yaw about the up axis (row vectors, applied in that order).
    BaseLib::CMatrix BuildOrientation(float yaw, float pitch) const;

    void SetYaw(float yaw);
    // Clamped to the pitch limits.
    void SetPitch(float pitch);
    void RotateYaw(float delta) { SetYaw(GetYaw() + delta); }
    void RotatePitch(float delta) { SetPitch(GetPitch() + delta); }

protected:
    ~CFocusCameraNode() override = default;

private:
    // The orientation's rows and the position that keeps `focus` ahead become the local transform.
    void SetPose(const BaseLib::CMatrix& orientation, const BaseLib::CVector3& focus);

    BaseLib::CVector3 m_upAxis{0.0f, 1.0f, 0.0f};
    // The turn of the Y-up frame onto the up axis; its first row is the frame's side axis.
    BaseLib::CMatrix m_alignment = BaseLib::CMatrix::Identity;
    float m_minPitch;
    float m_maxPitch;
    float m_distance = 1.0f;
};
