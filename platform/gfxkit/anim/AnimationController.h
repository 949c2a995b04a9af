#pragma once

#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Results.h"
#include "platform/gfxkit/Math.h"
#include "platform/gfxkit/anim/AnimationSet.h"

#include <cstdint>
#include <string>
#include <vector>

// The animation controller: named outputs (a frame's matrix and/or scale, rotation and translation),
// registered animation sets, and tracks that each play one set at a position, speed and weight. Each
// AdvanceTime writes the animated pose straight into the outputs.
namespace Platform::GfxKit
{

class AnimationController : public Gfx::CountedObject
{
public:
    std::uint32_t GetMaxNumAnimationOutputs() const { return maxOutputs_; }
    std::uint32_t GetMaxNumAnimationSets() const { return maxSets_; }
    std::uint32_t GetMaxNumTracks() const { return static_cast<std::uint32_t>(tracks_.size()); }
    std::uint32_t GetMaxNumEvents() const { return maxEvents_; }

    // An output named `name` (copied) that AdvanceTime writes; each pointer may be null. A name
    // registered again replaces its pointers in its slot; a new name beyond the maximum is refused.
    Gfx::Result RegisterAnimationOutput(const char* name, Matrix* matrix, Vector3* scale, Quaternion* rotation,
                                        Vector3* translation);

    // Holds one reference to the set. Refused beyond the maximum and for a set already registered.
    Gfx::Result RegisterAnimationSet(AnimationSet* set);
    // Drops the controller's reference; tracks that play the set keep theirs. InvalidCall when not held.
    Gfx::Result UnregisterAnimationSet(AnimationSet* set);
    std::uint32_t GetNumAnimationSets() const { return static_cast<std::uint32_t>(sets_.size()); }
    // Adds a reference to the set handed out.
    Gfx::Result GetAnimationSet(std::uint32_t index, AnimationSet** set) const;

    // Track settings; InvalidCall for a track past the maximum. A track holds a reference to its set
    // (null: none).
    Gfx::Result SetTrackAnimationSet(std::uint32_t track, AnimationSet* set);
    Gfx::Result SetTrackEnable(std::uint32_t track, bool enable);
    Gfx::Result SetTrackWeight(std::uint32_t track, float weight);
    Gfx::Result SetTrackSpeed(std::uint32_t track, float speed);
    Gfx::Result SetTrackPosition(std::uint32_t track, double position);

    // Every enabled track's position moves by delta × speed; then every output that an enabled track
    // animates gets scale × rotation × translation of the tracks' poses at their periodic positions,
    // blended by weight (one track alone writes its pose exactly). Outputs no track animates stay.
    // Callback handlers are not supported (must be null).
    Gfx::Result AdvanceTime(double delta, const void* callbackHandler);

    // A new controller with the same outputs, sets (shared) and track settings under new maximums;
    // InvalidCall when a maximum lies below what is in use.
    Gfx::Result CloneAnimationController(std::uint32_t maxOutputs, std::uint32_t maxSets, std::uint32_t maxTracks,
                                         std::uint32_t maxEvents, AnimationController** clone) const;

    static AnimationController* Make(std::uint32_t maxOutputs, std::uint32_t maxSets, std::uint32_t maxTracks,
                                     std::uint32_t maxEvents);

private:
    struct Output
    {
        std::string name;
        Matrix* matrix = nullptr;
        Vector3* scale = nullptr;
        Quaternion* rotation = nullptr;
        Vector3* translation = nullptr;
    };
    // An animation of a track's set matched to the output of its target.
    struct Binding
    {
        std::uint32_t animation;
        std::uint32_t output;
    };
    struct Track
    {
        AnimationSet* set = nullptr;
        bool enable = false;
        float weight = 1;
        float speed = 1;
        double position = 0;
        std::vector<Binding> bindings;
    };
    // What the enabled tracks give one output during AdvanceTime.
    struct Pose
    {
        float weight = 0;
        Vector3 scale;
        Quaternion rotation;
        Vector3 translation;
        bool used = false;
    };

    AnimationController() = default;
    ~AnimationController() override;
    void Bind(Track& track) const;

    std::uint32_t maxOutputs_ = 0;
    std::uint32_t maxSets_ = 0;
    std::uint32_t maxEvents_ = 0;
    std::vector<Output> outputs_;
    std::vector<AnimationSet*> sets_;
    std::vector<Track> tracks_;
    // Scratch of AdvanceTime, kept so that a call allocates nothing.
    std::vector<Pose> poses_;
    std::vector<std::uint32_t> touched_;
};

// A controller with room for that many outputs, sets, tracks and events (each may be 0).
Gfx::Result CreateAnimationController(std::uint32_t maxOutputs, std::uint32_t maxSets, std::uint32_t maxTracks,
                                      std::uint32_t maxEvents, AnimationController** controller);

} // namespace Platform::GfxKit
