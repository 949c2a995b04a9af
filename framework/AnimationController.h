#pragma once

#include "framework/Delegate.h"

#include "engine/FrameHierarchy.h"
#include "engine/Model.h"
#include "foundation/Matrix.h"
#include "foundation/Resource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Qen
{
class CEngineController;
}

namespace GameLib
{

// A clock for one named animation that hands its time to any number of targets: each target is an apply
// delegate (name, time) and a length delegate (name → seconds).
class CAnimationController
{
public:
    using ApplyDelegate = TDelegate<const std::string&, float>;
    using LengthDelegate = TResultDelegate<float, const std::string&>;

    struct TTarget
    {
        ApplyDelegate apply; // empty: the record is free
        LengthDelegate length;
    };

    CAnimationController() = default;
    virtual ~CAnimationController() = default;

    // Stores the target in the first free record, else in a new last one; answers the record's index.
    std::size_t AddTarget(const ApplyDelegate& apply, const LengthDelegate& length);
    // The game's name for AddTarget.
    std::size_t AddAnimation(const ApplyDelegate& apply, const LengthDelegate& length) { return AddTarget(apply, length); }
    // Frees the record (a target that goes away before its controller); an index out of range does nothing.
    void RemoveTarget(std::size_t index);

    // Starts the named animation at the start time; its length is the largest any target reports.
    void Play(const std::string& name, double start, bool loop);
    // Moves the clock on by dt seconds (wrapping when looping, stopping at the length otherwise) and
    // hands the time to every target, also while stopped. Nothing while no animation is named.
    void Advance(double dt);
    // A non-looping animation of non-zero length that has reached its end.
    bool IsFinished() const;
    double GetTime() const { return m_time; }
    float GetLength() const { return m_length; }
    const std::vector<TTarget>& GetTargets() const { return m_targets; }

private:
    std::vector<TTarget> m_targets;
    double m_time = 0.0;
    bool m_stopped = true;
    std::string m_name; // empty: nothing plays
    bool m_loop = false;
    float m_length = 0.0f;
};

// Plays an animation file and reads the resulting matrix of one named frame (a camera follows it).
class CTransformAnimator
{
public:
    using Callback = void (*)(std::uint32_t* context, BaseLib::CMatrix* transform);

    explicit CTransformAnimator(Qen::CEngineController* engine) : m_engine(engine) {}
    virtual ~CTransformAnimator() = default;
    CTransformAnimator(const CTransformAnimator&) = delete;
    CTransformAnimator& operator=(const CTransformAnimator&) = delete;

    // Loads the file's frames and animation (not a clone) in place of the current model; the attached
    // frame is forgotten with the old model, so the caller attaches again.
    void LoadAnimation(const std::string& fileName);
    // Attaches the named frame of the model's hierarchy; answers it, null when there is none.
    Qen::CFrame* AttachToFrame(const std::string& frameName);
    // The model's length of the named animation; 0 without a model with frames.
    float GetAnimationLength(const std::string& name);
    // Poses the hierarchy at the time, takes the attached frame's combined matrix as the transform and
    // calls the callback. Nothing without a model with frames; without an attached frame the transform
    // keeps its value.
    void ApplyAnimation(const std::string& name, float time);
    const BaseLib::CMatrix& GetTransform() const { return m_transform; }

    // Called after every application with the context block and the transform.
    void SetCallback(Callback callback) { m_callback = callback; }
    std::uint32_t* GetCallbackContext() { return m_callbackContext; }
    BaseLib::CResourcePtr<Qen::CModel> GetModel() const { return m_model; }

private:
    // The model with a hierarchy, waited for when queued; null otherwise.
    Qen::CModel* ReadyModel();

    Qen::CEngineController* m_engine;
    BaseLib::CResourcePtr<Qen::CModel> m_model;
    Qen::CFrame* m_frame = nullptr;
    BaseLib::CMatrix m_transform = BaseLib::CMatrix::Identity;
    std::uint32_t m_callbackContext[3] = {0, 0, 0};
    Callback m_callback = nullptr;
};

} // namespace GameLib
