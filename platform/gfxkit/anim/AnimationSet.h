#pragma once

#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Results.h"
#include "platform/gfxkit/ByteBuffer.h"
#include "platform/gfxkit/EffectStateManager.h"
#include "platform/gfxkit/Math.h"

#include <cstdint>
#include <string>
#include <vector>

// Animation sets: for each animated target (a frame, by name) scale, rotation and translation keys on
// a time line in ticks, evaluated at a position in seconds. Sets are counted and shared: controllers
// and animation resources each hold a reference.
namespace Platform::GfxKit
{

// How a set's time runs past its period.
namespace PlaybackType
{
constexpr std::uint32_t Loop = 0;
constexpr std::uint32_t Once = 1;
constexpr std::uint32_t PingPong = 2;
} // namespace PlaybackType

// {A6C0E1F2-5B3D-4C8E-9F17-2D4B6A8C0E13}: the interface every animation set answers to.
constexpr InterfaceId AnimationSetId = {0xA6C0E1F2u, 0x5B3D, 0x4C8E, {0x9F, 0x17, 0x2D, 0x4B, 0x6A, 0x8C, 0x0E, 0x13}};
// {3E9D47B1-82C6-4F05-A1D8-7C5E90B2F364}: the key-framed set's interface (Compress, keys).
constexpr InterfaceId KeyframedAnimationSetId = {0x3E9D47B1u, 0x82C6, 0x4F05,
                                                 {0xA1, 0xD8, 0x7C, 0x5E, 0x90, 0xB2, 0xF3, 0x64}};
// {C71F2A58-0E94-4B3A-86D2-15F8A3C9E07B}: the compressed set's interface.
constexpr InterfaceId CompressedAnimationSetId = {0xC71F2A58u, 0x0E94, 0x4B3A,
                                                  {0x86, 0xD2, 0x15, 0xF8, 0xA3, 0xC9, 0xE0, 0x7B}};

// A key of a vector kind (scale, translation): the time in ticks and the value.
struct KeyVector3
{
    float Time = 0;
    Vector3 Value;
};

// A rotation key: the time in ticks and a unit quaternion in the convention of MatrixRotationQuaternion.
struct KeyQuaternion
{
    float Time = 0;
    Quaternion Value;
};

// The keys of one animated target, sorted by time.
struct AnimationKeys
{
    std::string name;
    std::vector<KeyVector3> scale;
    std::vector<KeyQuaternion> rotation;
    std::vector<KeyVector3> translation;
};

class AnimationSet : public Gfx::CountedObject
{
public:
    // Answers AnimationSetId and UnknownInterfaceId on every set, the kind's own identifier on that kind;
    // adds a reference. NoInterface (object null) otherwise.
    virtual Gfx::Result QueryInterface(const InterfaceId& id, void** object);

    const char* GetName() const { return name_.c_str(); }
    // The largest key time in seconds; 0 when every key is at time 0.
    double GetPeriod() const { return period_; }
    // A time in seconds mapped into 0 … period by the playback type (loop: modulo; once: clamped;
    // ping-pong: back and forth); always 0 for a period of 0.
    double GetPeriodicPosition(double position) const;
    std::uint32_t GetNumAnimations() const { return static_cast<std::uint32_t>(animations_.size()); }
    Gfx::Result GetAnimationNameByIndex(std::uint32_t index, const char** name) const;
    Gfx::Result GetAnimationIndexByName(const char* name, std::uint32_t* index) const;
    // The pose of animation `animation` at a periodic position (seconds): scale and translation linear,
    // rotation along the shorter arc between the keys around it, the first and last keys held outside
    // them; a kind without keys gives scale 1, no rotation, translation 0. Outputs may be null.
    Gfx::Result GetSRT(double periodicPosition, std::uint32_t animation, Vector3* scale, Quaternion* rotation,
                       Vector3* translation) const;
    double GetSourceTicksPerSecond() const { return ticksPerSecond_; }
    std::uint32_t GetPlaybackType() const { return playback_; }

    // For the layer's own use: the keys of every animation.
    const std::vector<AnimationKeys>& Animations() const { return animations_; }

protected:
    AnimationSet(const char* name, double ticksPerSecond, std::uint32_t playback);
    ~AnimationSet() override = default;
    virtual bool HasInterface(const InterfaceId& id) const = 0;
    void UpdatePeriod();

    std::string name_;
    double ticksPerSecond_;
    std::uint32_t playback_;
    double period_ = 0;
    std::vector<AnimationKeys> animations_;
};

class KeyframedAnimationSet : public AnimationSet
{
public:
    // Adds the keys of one target (copied, sorted by time); index (may be null) gets its animation
    // index. InvalidCall beyond the animation count given at creation, for a null name, for keys
    // missing while counted, or for a time or value that is not finite.
    Gfx::Result RegisterAnimationSRTKeys(const char* name, std::uint32_t scaleKeys, std::uint32_t rotationKeys,
                                         std::uint32_t translationKeys, const KeyVector3* scale,
                                         const KeyQuaternion* rotation, const KeyVector3* translation,
                                         std::uint32_t* index);

    std::uint32_t GetNumScaleKeys(std::uint32_t animation) const;
    std::uint32_t GetNumRotationKeys(std::uint32_t animation) const;
    std::uint32_t GetNumTranslationKeys(std::uint32_t animation) const;
    // Copy every key of that kind.
    Gfx::Result GetScaleKeys(std::uint32_t animation, KeyVector3* keys) const;
    Gfx::Result GetRotationKeys(std::uint32_t animation, KeyQuaternion* keys) const;
    Gfx::Result GetTranslationKeys(std::uint32_t animation, KeyVector3* keys) const;

    // The set in the layer's compressed form in a new counted buffer: every key that interpolating its
    // kept neighbours reproduces within lossiness (relative to the value's size, at least 1) is dropped;
    // the first and last key of each kind stay. The flags and the frame hierarchy are not used.
    // InvalidCall (no buffer) for a negative or not finite lossiness.
    Gfx::Result Compress(std::uint32_t flags, float lossiness, const void* hierarchy, ByteBuffer** data) const;

    static KeyframedAnimationSet* Make(const char* name, double ticksPerSecond, std::uint32_t playback,
                                       std::uint32_t animations);

private:
    using AnimationSet::AnimationSet;
    bool HasInterface(const InterfaceId& id) const override;

    std::uint32_t capacity_ = 0;
};

class CompressedAnimationSet : public AnimationSet
{
public:
    static CompressedAnimationSet* Make(const char* name, double ticksPerSecond, std::uint32_t playback,
                                        std::vector<AnimationKeys> animations);

private:
    using AnimationSet::AnimationSet;
    bool HasInterface(const InterfaceId& id) const override;
};

// A key-framed set of that name (copied), tick rate, playback type and room for `animations` targets.
// Callback keys are not supported: the count must be 0 and the keys null. InvalidCall for a null output
// or name, a tick rate that is not above 0, or an unknown playback type.
Gfx::Result CreateKeyframedAnimationSet(const char* name, double ticksPerSecond, std::uint32_t playback,
                                        std::uint32_t animations, std::uint32_t callbackKeys,
                                        const void* callbacks, KeyframedAnimationSet** set);

// A set from data that KeyframedAnimationSet::Compress wrote. InvalidData (no set) for data that is not
// such a block or is damaged; InvalidCall for the arguments CreateKeyframedAnimationSet refuses.
Gfx::Result CreateCompressedAnimationSet(const char* name, double ticksPerSecond, std::uint32_t playback,
                                         ByteBuffer* data, std::uint32_t callbackKeys, const void* callbacks,
                                         CompressedAnimationSet** set);

} // namespace Platform::GfxKit
