#pragma once

namespace Platform::GfxKit
{
class KeyframedAnimationSet;
}

namespace Qen
{

struct CFrame;

// A key-framed set (60 ticks per second, played once) that holds the pose the frames have now: per
// frame with a non-empty name, in hierarchy order, one scale, one rotation and one translation key at
// time 0 from its transformation. A frame scaled to nothing keeps scale 0 (and no rotation), so the
// pose keeps it hidden. One reference for the caller; null only when the set cannot be made.
Platform::GfxKit::KeyframedAnimationSet* BuildRestPoseSet(CFrame* root, const char* name);

} // namespace Qen
