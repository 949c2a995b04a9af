#pragma once

#include "foundation/Geometry.h"
#include "foundation/Matrix.h"
#include "foundation/RefCounted.h"
#include "foundation/Vector.h"

#include <cstdint>
#include <string>

namespace Qen
{

class CEngineController;

// An apex and six planes (left, right, top, bottom, far, near), each n·x = d, normals pointing out of
// the frustum for a left-handed camera. A sphere (c, r) is outside when n·c − r > d for some plane. A
// fresh frustum has every d = 3.4028235e38 and everything else 0, so it accepts every sphere.
struct CFrustum
{
    enum Plane : int
    {
        Left,
        Right,
        Top,
        Bottom,
        Far,
        Near,
        PlaneCount
    };

    CFrustum();

    // The frustum of an inverse view-projection matrix. Corners of the far plane at infinity (w below
    // 1e-5) are directions; the far plane then has d = 3.4028235e38. Not left-handed: normals negated.
    void SetFromMatrix(const BaseLib::CMatrix& inverseViewProjection, bool leftHanded);

    BaseLib::CVector3 apex;
    BaseLib::CPlane planes[PlaneCount];
};

static_assert(sizeof(CFrustum) == 27 * sizeof(float));

// View, projection and frustum from a position, a viewing direction, an up vector and projection
// values (row vectors, left-handed unless told otherwise).
class CCamera
{
public:
    enum ProjectionType : std::int32_t
    {
        Perspective = 0,
        Orthographic = 1, // field of view = half the view height
        InfinitePerspective = 2,
    };

    // The defaults, then Update and UpdateFrustum.
    CCamera();
    virtual ~CCamera() = default;

    // The frustum of the inverse view-projection.
    virtual void UpdateFrustum();

    // up := v / |v|; nothing is recomputed.
    void SetUpVector(const BaseLib::CVector3& v);
    // View, projection and the derived matrices; the frustum is left alone.
    void Update();

    bool leftHanded = true;
    BaseLib::CVector3 forward{0.0f, 0.0f, 1.0f};
    BaseLib::CVector3 up{0.0f, 1.0f, 0.0f};
    BaseLib::CVector3 position{0.0f, 0.0f, -10.0f};
    float farDistance = 100.0f;
    float nearDistance = 0.1f;
    float depthEpsilon = 3.0517578e-5f; // used by the infinite projection only
    std::int32_t projectionType = Perspective;
    float fieldOfView = 1.0471976f; // vertical, radians
    float aspectRatio = 1.3333334f; // width / height
    BaseLib::CMatrix projection = BaseLib::CMatrix::Identity;
    BaseLib::CMatrix inverseProjection = BaseLib::CMatrix::Identity;
    BaseLib::CMatrix view = BaseLib::CMatrix::Identity;
    BaseLib::CMatrix cameraToWorld = BaseLib::CMatrix::Identity;
    BaseLib::CMatrix viewProjection = BaseLib::CMatrix::Identity;
    BaseLib::CMatrix inverseViewProjection = BaseLib::CMatrix::Identity;
    CFrustum frustum;
};

// What a render pass carries: the engine, the matrices, the frustum, a technique name, the light
// direction and the time. Counted: held through BaseLib::CSmartPointer.
class CRenderContext : public BaseLib::CRefCountedObject
{
public:
    static CRenderContext* Create() { return new CRenderContext(); }

    CEngineController* engine = nullptr; // whose state manager draws; a model sets its own when null
    BaseLib::CMatrix view = BaseLib::CMatrix::Identity;
    BaseLib::CMatrix inverseView = BaseLib::CMatrix::Identity;
    BaseLib::CMatrix projection = BaseLib::CMatrix::Identity;
    BaseLib::CMatrix unused = BaseLib::CMatrix::Identity;
    BaseLib::CMatrix viewProjection = BaseLib::CMatrix::Identity;
    CFrustum frustum; // accepts everything until a camera's frustum is put in
    std::string name; // not empty: the effect technique of that name is drawn
    BaseLib::CVector3 lightDirection{0.0f, -1.0f, 0.0f};
    float time = 0.0f;
    float lastValue = 0.0f;

protected:
    CRenderContext() = default;
    ~CRenderContext() override = default;
};

// The engine's light record: a kind, a colour, where it is and where it points, its range, distance
// attenuation (constant, linear, quadratic), inner and outer cone angles, the falloff between them and
// whether it casts shadows. A light-source node gives it its values.
struct CLightDescription
{
    std::int32_t type = 0;
    BaseLib::CVector3 colour;
    BaseLib::CVector3 position;
    BaseLib::CVector3 direction;
    float range = 0.0f;
    float attenuation[3] = {};
    float cone[2] = {}; // inner, outer
    float falloff = 0.0f;
    bool castsShadows = false;
};

} // namespace Qen
