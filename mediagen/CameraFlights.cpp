#include "mediagen/GameModels.h"

#include "foundation/Vector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace MediaGen
{

namespace
{

using BaseLib::CVector3;
using Platform::GfxKit::XAnimation;
using Platform::GfxKit::XAnimationKeys;
using Platform::GfxKit::XAnimationSet;
using Platform::GfxKit::XFileModel;
using Platform::GfxKit::XFrame;
using Platform::GfxKit::XMatrix;

constexpr float kPi = std::numbers::pi_v<float>;
constexpr std::uint32_t kTicksPerSecond = 4800;
constexpr float kSeconds = 3.0f;
constexpr int kKeys = 30; // one every 0.1 s
// Where the orbit settles: every board's middle, seen from 1.5 cells per cell of its shorter side.
const CVector3 kFocus = {2.5f, -2.5f, 0.0f};
constexpr float kEndPitch = 1.1f;
constexpr float kStartPitch = 0.55f;

// The frame of a camera at `yaw` (0 looks along −Y, growing counter-clockwise seen from above) and
// `pitch` (0 level, growing as it looks down), `distance` from the focus; rows right, up, forward and
// position, with right = up × forward as the engine's camera has it.
XMatrix CameraPose(float yaw, float pitch, float distance)
{
    const CVector3 level = {std::sin(yaw), -std::cos(yaw), 0.0f};
    const CVector3 forward = level * std::cos(pitch) + CVector3{0.0f, 0.0f, -std::sin(pitch)};
    const CVector3 up = level * std::sin(pitch) + CVector3{0.0f, 0.0f, std::cos(pitch)};
    const CVector3 right = up.Cross(forward);
    const CVector3 position = kFocus - forward * distance;
    // The game turns the animated frame half-way about its up direction (right and forward negated),
    // so the file holds the turned pose.
    return {-right.x, -right.y, -right.z, 0.0f, up.x, up.y, up.z, 0.0f,
            -forward.x, -forward.y, -forward.z, 0.0f, position.x, position.y, position.z, 1.0f};
}

// The intro flight: a spiral from high and far, three quarters of a turn round the board, down to the
// pose where the orbit takes over; eased at both ends. Sets turn the other way round than each other.
XFileModel CameraFlight(const BoardSize& size, float turnDirection)
{
    const float endDistance = static_cast<float>(std::min(size.width, size.height)) * 1.5f;
    const float startDistance = endDistance * 2.4f + 8.0f;
    const float endYaw = 0.0f;
    const float startYaw = endYaw + turnDirection * 0.75f * kPi;

    XAnimationKeys keys;
    keys.type = Platform::GfxKit::XKeyType::Matrix;
    for (int k = 0; k <= kKeys; ++k)
    {
        const float t = static_cast<float>(k) / kKeys;
        const float s = t * t * (3.0f - 2.0f * t);
        const XMatrix pose = CameraPose(startYaw + (endYaw - startYaw) * s, kStartPitch + (kEndPitch - kStartPitch) * s,
                                        startDistance + (endDistance - startDistance) * s);
        keys.times.push_back(static_cast<std::uint32_t>(std::lround(kSeconds * kTicksPerSecond * t)));
        keys.values.insert(keys.values.end(), pose.begin(), pose.end());
    }

    XFileModel model;
    model.ticksPerSecond = kTicksPerSecond;
    XFrame camera;
    camera.name = "CameraNode";
    std::copy(keys.values.begin(), keys.values.begin() + 16, camera.transform.begin());
    XFrame root;
    root.name = "camera_root";
    root.children.push_back(camera);
    model.frames.push_back(root);

    XAnimation animation;
    animation.target = camera.name;
    animation.keys.push_back(keys);
    animation.hasOptions = true;
    animation.openClosed = 0; // played once
    animation.positionQuality = 1;
    XAnimationSet set;
    set.name = "intro";
    set.animations.push_back(animation);
    model.animationSets.push_back(set);
    return model;
}

} // namespace

bool WriteCameraFlights(const std::string& media)
{
    bool written = true;
    float turnDirection = 1.0f;
    for (const std::string& set : GameGfxSets())
    {
        for (const BoardSize& size : GameBoardSizes())
        {
            written = WriteModelFile(media, "animations/camera_" + set + "_" + BoardModelName(size) + ".x",
                                     CameraFlight(size, turnDirection)) &&
                      written;
        }
        turnDirection = -turnDirection;
    }
    return written;
}

} // namespace MediaGen
