#pragma once

#include "engine/EngineResource.h"

#include <cstdint>
#include <string>

namespace Platform::GfxKit
{
class AnimationSet;
}

namespace Qen
{

struct CFrame;
class CEngineController;

// One animation set held as a resource. Animations are no device objects: device events leave them
// alone (the base's HandleEvent).
class CAnimation : public CEngineResource
{
public:
    CAnimation(BaseLib::CResourceFactory* factory, CEngineController* engine) : CEngineResource(factory, engine) {}
    // Releases the set.
    ~CAnimation() override;

    // 0 without a set, else the set's targets × its period in whole milliseconds.
    std::uint32_t GetSize() const override;
    void ReleaseDeviceObject() override;

    // Not counted for the caller; null while unloaded.
    Platform::GfxKit::AnimationSet* GetAnimationSet() const { return m_set; }
    // Takes over the caller's reference (null allowed) and releases the old set.
    void TakeAnimationSet(Platform::GfxKit::AnimationSet* set);

private:
    Platform::GfxKit::AnimationSet* m_set = nullptr;
};

// Makes animations from a set, compressed on request, and rest-pose animations from a frame hierarchy;
// keeps them in the engine's animation registry. Main thread only, no streaming thread.
class CAnimationFactory : public BaseLib::CResourceFactory
{
public:
    struct TAnimationParameters : BaseLib::CResourceParameters
    {
        TAnimationParameters() = default;
        TAnimationParameters(const TAnimationParameters& other);
        // The set with one reference added, the old one released.
        TAnimationParameters& operator=(const TAnimationParameters& other);
        // Releases the set.
        ~TAnimationParameters() override;

        Platform::GfxKit::AnimationSet* animationSet = nullptr; // one reference held
        bool compress = false;
        std::uint32_t compressionFlags = 0;
        float lossiness = 0.0f;
    };

    CAnimationFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry);
    // Destroys this factory's animations in the registry.
    ~CAnimationFactory() override;

    // The animation named `name` made from the set (which the parameters hold one more reference of).
    // An empty name makes a private animation, destroyed when released.
    BaseLib::CResourcePtr<CAnimation>& GetAnimation(BaseLib::CResourcePtr<CAnimation>& out,
                                                    Platform::GfxKit::AnimationSet* set, bool compress,
                                                    std::uint32_t compressionFlags, float lossiness,
                                                    const std::string& name);
    // The pose the named frames of the hierarchy have now, as an uncompressed animation whose set is
    // named setName, registered as resourceName.
    BaseLib::CResourcePtr<CAnimation>& CreateRestPoseAnimation(BaseLib::CResourcePtr<CAnimation>& out,
                                                               CFrame* root, const std::string& setName,
                                                               const std::string& resourceName);

    // A compressed copy of the set in its place (the set's reference consumed, the result's handed out).
    // A set that is not key-framed, or whose compression fails, comes back unchanged.
    static Platform::GfxKit::AnimationSet* CompressAnimationSet(Platform::GfxKit::AnimationSet* set,
                                                                std::uint32_t flags, float lossiness);

    // A new animation holding a copy of the parameters, loaded at once (state 1 when a set resulted).
    BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override;
    void Destroy(BaseLib::CResource* resource) override;
    // The parameters' set, compressed when asked, replaces the animation's set; true when one resulted.
    bool Load(BaseLib::CResource* resource) override;
    void Unload(BaseLib::CResource* resource) override;

private:
    CEngineController* m_engine;
};

} // namespace Qen
