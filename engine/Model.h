#pragma once

#include "engine/Animation.h"
#include "engine/EngineResource.h"
#include "engine/FrameHierarchy.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace Platform::GfxKit
{
class AnimationController;
}

namespace Qen
{

class CRenderContext;

// A loaded model: a frame hierarchy with its meshes, an animation controller with one track, and the
// animations declared for it by name (".default" being the model file's own or its rest pose). The
// hierarchy belongs to the model's factory, which frees it when it destroys the model. Main thread only.
class CModel : public CEngineResource
{
public:
    CModel(CEngineController* engine, BaseLib::CResourceFactory* factory);
    // Drops every declared animation and releases the controller; leaves the hierarchy to the factory.
    ~CModel() override;

    // The index- and vertex-buffer bytes of every container's mesh.
    std::uint32_t GetSize() const override;
    // "devicelost": a loaded model with a mesh whose buffers both lie in the default pool unloads (its
    // frames, controller and animations stay). "devicereset": a model that lost its meshes loads again.
    // "precache": the managed buffers of every mesh pre-loaded.
    void HandleEvent(std::string event) override;
    // Releases every container's mesh (frames, materials, skins and animations stay).
    void ReleaseDeviceObject() override;

    // Stores the root, holds the controller (the old one released), declares the animation (may be null)
    // as ".default" and takes the bounds from the root frame's sphere.
    void SetHierarchy(CFrame* root, Platform::GfxKit::AnimationController* controller, CAnimation* animation);
    // Hands the root out and the controller to `controller` (its old value released); the model keeps
    // neither and forgets its animations.
    CFrame* TakeHierarchy(Platform::GfxKit::AnimationController*& controller);
    // A copy of the source's hierarchy with bones bound to the copy's frames, a clone of its controller
    // writing into the copy's frames, its declared animations and its settings. Meshes are shared.
    void CopyHierarchyFrom(const CModel& source);

    // Plays the declared animation on track 0 at the absolute time (seconds × speed, rounded down to
    // 1/30 s without smooth time). An undeclared name shows the box "anim not declared:" and changes
    // nothing; a model without a controller traces and changes nothing.
    void ApplyAnimation(const std::string& name, float time);
    // The animation's period ÷ speed; the box and 0 for an undeclared name.
    float GetAnimationLength(const std::string& name);
    // Draws the hierarchy with the context (which gets the model's engine when it has none), frame
    // matrices recomputed first when an animation changed them. Culled by the frames' bounds only while
    // the model has no controller and culling is on.
    void Render(CRenderContext* context, const Matrix& world);
    // A controller over the named frames with the rest pose declared as ".default"; nothing when the
    // model has one or has no hierarchy.
    void CreateAnimationController();

    // The declared animation (one count for the caller); empty for an empty name or none declared.
    BaseLib::CResourcePtr<CAnimation> FindAnimation(const std::string& name) const;
    // Declares the animation under the name (replacing an earlier one) and registers its set with the
    // controller unless already held. Targets that name no frame are traced, not refused.
    void AddAnimation(const std::string& name, CAnimation* animation);

    CFrame* GetFrameRoot() const { return m_root; }
    // Not counted for the caller.
    Platform::GfxKit::AnimationController* GetAnimationController() const { return m_controller; }
    const std::map<std::string, BaseLib::CResourcePtr<CAnimation>>& GetAnimations() const { return m_animations; }
    bool GetMatricesDirty() const { return m_matricesDirty; }
    // Cleared by a caller that recomputed the frame matrices itself.
    void SetMatricesDirty(bool dirty) { m_matricesDirty = dirty; }
    bool GetFrustumCulling() const { return m_frustumCulling; }
    void SetFrustumCulling(bool on) { m_frustumCulling = on; }
    bool GetSmoothTime() const { return m_smoothTime; }
    void SetSmoothTime(bool on) { m_smoothTime = on; }
    float GetSpeed() const { return m_speed; }
    void SetSpeed(float speed) { m_speed = speed; }
    const Vector3& GetBoundsCentre() const { return m_boundsCentre; }
    float GetBoundsRadius() const { return m_boundsRadius; }

private:
    void ShowUndeclared(const std::string& name) const;
    void SetController(Platform::GfxKit::AnimationController* controller);
    void RegisterFrameOutputs();
    void CheckAnimationTargets(const CAnimation& animation) const;

    CFrame* m_root = nullptr;
    Platform::GfxKit::AnimationController* m_controller = nullptr; // one reference held
    std::map<std::string, BaseLib::CResourcePtr<CAnimation>> m_animations;
    bool m_matricesDirty = true;
    bool m_frustumCulling = true;
    bool m_smoothTime = true;
    float m_speed = 1.0f;
    Vector3 m_boundsCentre{};
    float m_boundsRadius = 0.0f;
};

// Plays one declared animation on one model over engine time.
class CAnimationPlayer
{
public:
    // A record a player may own; nothing here creates one.
    struct TOwnedRecord
    {
        std::string first;
        std::string second;
    };

    // Null: the process-wide engine.
    explicit CAnimationPlayer(CEngineController* engine = nullptr);
    // Drops the model and deletes an owned record.
    ~CAnimationPlayer();
    CAnimationPlayer(const CAnimationPlayer&) = delete;
    CAnimationPlayer& operator=(const CAnimationPlayer&) = delete;

    // Seconds into the animation: t before the end, wrapped when looping, else held just before the end;
    // 0 for a length of exactly 0.
    double MapTime(double t) const;
    // The animation at (engine time − start) mapped; nothing while no name is set.
    void Update();

    CEngineController* engine;
    std::string animationName;
    double startTime = -1.0;
    double length = -1.0;
    bool looping = false;
    BaseLib::CResourcePtr<CModel> model;
    std::unique_ptr<TOwnedRecord> ownedRecord;
};

} // namespace Qen
