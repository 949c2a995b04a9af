#pragma once

#include "engine/FrameHierarchy.h"

#include <cstdint>

namespace Platform::GfxKit
{
class AnimationSet;
}

namespace Qen
{

class CEngineController;
class CModelLoadOptions;

// The priority a frame's name gives: the number after the first "renderpriority" (saturated to 32
// bits), 50 without a name, without that word or without a number after it.
std::int32_t GetRenderPriority(const char* name);
// ((100 − priority) << 20) in wrapping 32-bit arithmetic, plus (mesh key | 0x10000) when the frame's
// first container, or else its first child's, exists. Smaller keys draw first.
std::int32_t GetFrameSortKey(const CFrame& frame);

// The last step of loading a model: every sibling list's containers sorted by falling material key and
// its frames by rising frame key (the root may change); every mesh optimised, its adjacency freed, its
// normals stripped with the strip-normals option, cloned into the final mesh options; empty leaf
// frames pruned (every one, or only unnamed ones). A named frame that a skin uses as a bone or that
// `set` (may be null) animates is never pruned: bone matrices and controller outputs point into it.
// The root itself is never removed. Not re-entrant: the engine and the options stay in process-wide
// slots while it runs.
void FinishModel(CEngineController* engine, CFrame*& root, const CModelLoadOptions& options,
                 const Platform::GfxKit::AnimationSet* set);

} // namespace Qen
