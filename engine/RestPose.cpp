#include "engine/RestPose.h"

#include "engine/FrameHierarchy.h"
#include "platform/gfxkit/anim/AnimationSet.h"

#include <vector>

namespace Qen
{

Platform::GfxKit::KeyframedAnimationSet* BuildRestPoseSet(CFrame* root, const char* name)
{
    using namespace Platform::GfxKit;
    std::vector<CFrame*> named;
    ForEachFrame(root, [&named](CFrame& frame) {
        if (frame.Name != nullptr && frame.Name[0] != '\0')
        {
            named.push_back(&frame);
        }
    });
    KeyframedAnimationSet* set = nullptr;
    if (Platform::Gfx::Failed(CreateKeyframedAnimationSet(name, 60.0, PlaybackType::Once,
                                                static_cast<std::uint32_t>(named.size()), 0, nullptr, &set)))
    {
        return nullptr;
    }
    for (CFrame* frame : named)
    {
        KeyVector3 scale;
        KeyQuaternion rotation;
        KeyVector3 translation;
        const Matrix& m = frame->TransformationMatrix;
        if (Platform::Gfx::Failed(MatrixDecompose(&scale.Value, &rotation.Value, &translation.Value, &m)))
        {
            // A row of length 0: the frame is scaled away (a hidden part); keep it so.
            scale.Value = {0.0f, 0.0f, 0.0f};
            rotation.Value = Quaternion{};
            translation.Value = {m.m[3][0], m.m[3][1], m.m[3][2]};
        }
        set->RegisterAnimationSRTKeys(frame->Name, 1, 1, 1, &scale, &rotation, &translation, nullptr);
    }
    return set;
}

} // namespace Qen
