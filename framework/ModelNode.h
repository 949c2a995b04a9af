#pragma once

#include "framework/SceneGraphNode.h"

#include "engine/Camera.h"
#include "engine/Model.h"
#include "foundation/RefCounted.h"
#include "foundation/Resource.h"

#include <cstdint>
#include <string>
#include <typeinfo>

namespace Qen
{
class CEngineController;
class CModelLoadOptions;
} // namespace Qen

namespace GameLib
{

// The base of every node that draws itself. A renderer draws the node in a pass only when the pass's
// bits and the visibility mask share a bit; the node's own Render does not look at the mask.
class CRenderableNode : public CSceneGraphNode
{
public:
    bool IsKindOf(const std::type_info& type) const override;

    Qen::CEngineController* GetRenderObject() const { return m_engine; }
    std::uint32_t IsVisible() const { return m_visibilityMask; }
    // 0 hides the node from every pass.
    void SetVisible(std::uint32_t mask) { m_visibilityMask = mask; }

    // Hooks for derived nodes; nothing in this framework uses them.
    virtual void ReservedHook1() {}
    virtual void ReservedHook2() {}
    // Draws the node with the pass's context.
    virtual void Render(BaseLib::CSmartPointer<Qen::CRenderContext> context) = 0;

protected:
    // engine gives the device and the resource factories; not owned.
    explicit CRenderableNode(Qen::CEngineController* engine) : m_engine(engine) {}
    ~CRenderableNode() override = default;

private:
    Qen::CEngineController* m_engine;
    std::uint32_t m_visibilityMask = 1;
};

// Draws one engine model at the node's world matrix, takes the model's bounding sphere as its local
// sphere and poses the model with a named animation. Models loaded through the node are private clones
// (frames, materials and animation controller of their own over shared meshes), so posing one node
// never moves another.
class CModelNode : public CRenderableNode
{
public:
    // A node without a model; null when allocation fails.
    static CModelNode* Create(Qen::CEngineController* engine);

    // Deletes the node.
    void Release(bool deleteChildren) override;
    bool IsKindOf(const std::type_info& type) const override;

    // A clone of the file's model loaded with the options (null: the factory's default options), then
    // SetModel with it.
    void LoadModel(const std::string& fileName, Qen::CModelLoadOptions* options);
    // The file's model with no load options of its own (flags is that absent options record: 0).
    void SetModel(const std::string& fileName, Qen::CModelLoadOptions* flags) { LoadModel(fileName, flags); }
    // Holds the model (a different one replaces the old reference) and takes its bounding sphere as the
    // local sphere. Null releases the model and leaves the bounds as they are.
    void SetModel(Qen::CModel* model);
    // A new counted reference to the model (empty without one).
    BaseLib::CResourcePtr<Qen::CModel> GetModel() const { return m_model; }
    // The node's own model instance, on which a caller makes an animation controller.
    BaseLib::CResourcePtr<Qen::CModel> GetAnimationHandle() const { return m_model; }

    // The model's length of the named animation; 0 without a model.
    float GetAnimationLength(const std::string& name);
    // Poses the model with the named animation at the time; nothing without a model.
    void ApplyAnimation(const std::string& name, float time);
    // Draws a loaded model at the node's world matrix with a copy of the context.
    void Render(BaseLib::CSmartPointer<Qen::CRenderContext> context) override;

protected:
    explicit CModelNode(Qen::CEngineController* engine) : CRenderableNode(engine) {}
    // Releases the model before the node leaves its parent.
    ~CModelNode() override;

private:
    // The model, waited for when the streaming thread still has it queued; null without one.
    Qen::CModel* ReadyModel();

    BaseLib::CResourcePtr<Qen::CModel> m_model;
};

} // namespace GameLib
