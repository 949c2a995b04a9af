#include "platform/gfxkit/anim/AnimationController.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string_view>
#include <unordered_map>

namespace Platform::GfxKit
{

using Gfx::InvalidCall;
using Gfx::Ok;
using Gfx::Result;

AnimationController* AnimationController::Make(std::uint32_t maxOutputs, std::uint32_t maxSets,
                                               std::uint32_t maxTracks, std::uint32_t maxEvents)
{
    auto* controller = new AnimationController();
    controller->maxOutputs_ = maxOutputs;
    controller->maxSets_ = maxSets;
    controller->maxEvents_ = maxEvents;
    controller->tracks_.resize(maxTracks);
    return controller;
}

Result CreateAnimationController(std::uint32_t maxOutputs, std::uint32_t maxSets, std::uint32_t maxTracks,
                                 std::uint32_t maxEvents, AnimationController** controller)
{
    if (controller == nullptr)
    {
        return InvalidCall;
    }
    *controller = nullptr;
    try
    {
        *controller = AnimationController::Make(maxOutputs, maxSets, maxTracks, maxEvents);
    }
    catch (const std::bad_alloc&)
    {
        return Gfx::OutOfMemory;
    }
    return Ok;
}

AnimationController::~AnimationController()
{
    for (AnimationSet* set : sets_)
    {
        set->Release();
    }
    for (Track& track : tracks_)
    {
        if (track.set != nullptr)
        {
            track.set->Release();
        }
    }
}

void AnimationController::Bind(Track& track) const
{
    track.bindings.clear();
    if (track.set == nullptr)
    {
        return;
    }
    std::unordered_map<std::string_view, std::uint32_t> outputOf;
    for (std::uint32_t i = 0; i < outputs_.size(); ++i)
    {
        outputOf.emplace(outputs_[i].name, i);
    }
    const std::vector<AnimationKeys>& animations = track.set->Animations();
    for (std::uint32_t a = 0; a < animations.size(); ++a)
    {
        const auto found = outputOf.find(animations[a].name);
        if (found != outputOf.end())
        {
            track.bindings.push_back({a, found->second});
        }
    }
}

Result AnimationController::RegisterAnimationOutput(const char* name, Matrix* matrix, Vector3* scale,
                                                    Quaternion* rotation, Vector3* translation)
{
    if (name == nullptr)
    {
        return InvalidCall;
    }
    for (Output& output : outputs_)
    {
        if (output.name == name)
        {
            output.matrix = matrix;
            output.scale = scale;
            output.rotation = rotation;
            output.translation = translation;
            return Ok;
        }
    }
    if (outputs_.size() >= maxOutputs_)
    {
        return InvalidCall;
    }
    outputs_.push_back({name, matrix, scale, rotation, translation});
    // The new output may be the target of a set a track already plays.
    for (Track& track : tracks_)
    {
        Bind(track);
    }
    return Ok;
}

Result AnimationController::RegisterAnimationSet(AnimationSet* set)
{
    if (set == nullptr || sets_.size() >= maxSets_ || std::find(sets_.begin(), sets_.end(), set) != sets_.end())
    {
        return InvalidCall;
    }
    sets_.push_back(set);
    set->AddRef();
    return Ok;
}

Result AnimationController::UnregisterAnimationSet(AnimationSet* set)
{
    const auto found = std::find(sets_.begin(), sets_.end(), set);
    if (set == nullptr || found == sets_.end())
    {
        return InvalidCall;
    }
    sets_.erase(found);
    set->Release();
    return Ok;
}

Result AnimationController::GetAnimationSet(std::uint32_t index, AnimationSet** set) const
{
    if (set == nullptr)
    {
        return InvalidCall;
    }
    *set = nullptr;
    if (index >= sets_.size())
    {
        return InvalidCall;
    }
    *set = sets_[index];
    (*set)->AddRef();
    return Ok;
}

Result AnimationController::SetTrackAnimationSet(std::uint32_t track, AnimationSet* set)
{
    if (track >= tracks_.size())
    {
        return InvalidCall;
    }
    Track& t = tracks_[track];
    if (t.set == set)
    {
        return Ok;
    }
    if (set != nullptr)
    {
        set->AddRef();
    }
    if (t.set != nullptr)
    {
        t.set->Release();
    }
    t.set = set;
    Bind(t);
    return Ok;
}

Result AnimationController::SetTrackEnable(std::uint32_t track, bool enable)
{
    if (track >= tracks_.size())
    {
        return InvalidCall;
    }
    tracks_[track].enable = enable;
    return Ok;
}

Result AnimationController::SetTrackWeight(std::uint32_t track, float weight)
{
    if (track >= tracks_.size())
    {
        return InvalidCall;
    }
    tracks_[track].weight = weight;
    return Ok;
}

Result AnimationController::SetTrackSpeed(std::uint32_t track, float speed)
{
    if (track >= tracks_.size())
    {
        return InvalidCall;
    }
    tracks_[track].speed = speed;
    return Ok;
}

Result AnimationController::SetTrackPosition(std::uint32_t track, double position)
{
    if (track >= tracks_.size())
    {
        return InvalidCall;
    }
    tracks_[track].position = position;
    return Ok;
}

Result AnimationController::AdvanceTime(double delta, const void* callbackHandler)
{
    if (callbackHandler != nullptr)
    {
        return InvalidCall;
    }
    poses_.resize(outputs_.size());
    touched_.clear();
    for (Track& track : tracks_)
    {
        if (!track.enable)
        {
            continue;
        }
        track.position += delta * track.speed;
        if (track.set == nullptr)
        {
            continue;
        }
        const double at = track.set->GetPeriodicPosition(track.position);
        for (const Binding& binding : track.bindings)
        {
            Pose pose;
            track.set->GetSRT(at, binding.animation, &pose.scale, &pose.rotation, &pose.translation);
            Pose& blended = poses_[binding.output];
            if (!blended.used)
            {
                // The first track on an output: its pose as it is.
                touched_.push_back(binding.output);
                blended = pose;
                blended.weight = track.weight;
                blended.used = true;
                continue;
            }
            const float total = blended.weight + track.weight;
            if (!(total > 0))
            {
                continue;
            }
            const float share = track.weight / total;
            const auto mix = [share](Vector3& a, const Vector3& b) {
                a = {a.x + (b.x - a.x) * share, a.y + (b.y - a.y) * share, a.z + (b.z - a.z) * share};
            };
            mix(blended.scale, pose.scale);
            mix(blended.translation, pose.translation);
            QuaternionSlerp(&blended.rotation, &blended.rotation, &pose.rotation, share);
            blended.weight = total;
        }
    }
    for (std::uint32_t index : touched_)
    {
        const Output& output = outputs_[index];
        Pose& pose = poses_[index];
        pose.used = false;
        if (output.matrix != nullptr)
        {
            MatrixTransformation(output.matrix, &pose.scale, &pose.rotation, &pose.translation);
        }
        if (output.scale != nullptr)
        {
            *output.scale = pose.scale;
        }
        if (output.rotation != nullptr)
        {
            *output.rotation = pose.rotation;
        }
        if (output.translation != nullptr)
        {
            *output.translation = pose.translation;
        }
    }
    return Ok;
}

Result AnimationController::CloneAnimationController(std::uint32_t maxOutputs, std::uint32_t maxSets,
                                                     std::uint32_t maxTracks, std::uint32_t maxEvents,
                                                     AnimationController** clone) const
{
    if (clone == nullptr)
    {
        return InvalidCall;
    }
    *clone = nullptr;
    std::uint32_t tracksInUse = 0;
    for (std::uint32_t i = 0; i < tracks_.size(); ++i)
    {
        if (tracks_[i].set != nullptr)
        {
            tracksInUse = i + 1;
        }
    }
    if (maxOutputs < outputs_.size() || maxSets < sets_.size() || maxTracks < tracksInUse)
    {
        return InvalidCall;
    }
    AnimationController* copy = nullptr;
    try
    {
        copy = Make(maxOutputs, maxSets, maxTracks, maxEvents);
        copy->outputs_ = outputs_;
        copy->sets_ = sets_;
        for (std::size_t i = 0; i < std::min<std::size_t>(maxTracks, tracks_.size()); ++i)
        {
            copy->tracks_[i] = tracks_[i];
        }
    }
    catch (const std::bad_alloc&)
    {
        if (copy != nullptr)
        {
            copy->sets_.clear();
            for (Track& track : copy->tracks_)
            {
                track.set = nullptr;
            }
            copy->Release();
        }
        return Gfx::OutOfMemory;
    }
    for (AnimationSet* set : copy->sets_)
    {
        set->AddRef();
    }
    for (Track& track : copy->tracks_)
    {
        if (track.set != nullptr)
        {
            track.set->AddRef();
        }
    }
    *clone = copy;
    return Ok;
}

} // namespace Platform::GfxKit
