#include "engine/Model.h"

#include "engine/Camera.h"
#include "engine/EngineController.h"
#include "engine/MeshDrawing.h"
#include "foundation/Debug.h"
#include "foundation/RefCounted.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfxkit/anim/AnimationController.h"
#include "platform/gfxkit/anim/AnimationSet.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/os/MessageBox.h"

#include <cmath>
#include <cstdio>

namespace Qen
{

using Platform::GfxKit::AnimationController;
using Platform::GfxKit::AnimationSet;
using Platform::GfxKit::Mesh;

namespace
{

// 1/30 s as a single-precision value widened: whole steps of this length without smooth time.
constexpr double kAnimationStep = static_cast<double>(1.0f / 30.0f);
// 0.0001 s as a single-precision value widened: how far before its end a non-looping animation holds.
constexpr double kEndMargin = static_cast<double>(0.0001f);

void WaitIfScheduled(BaseLib::CResource& resource)
{
    if (resource.GetState() == BaseLib::ResourceScheduled)
    {
        resource.WaitUntilLoaded();
    }
}

template <typename Visit> void ForEachMesh(CFrame* root, Visit visit)
{
    ForEachMeshContainer(root, [&visit](CMeshContainer& container) {
        if (container.mesh != nullptr)
        {
            visit(*container.mesh);
        }
    });
}

} // namespace

CModel::CModel(CEngineController* engine, BaseLib::CResourceFactory* factory) : CEngineResource(factory, engine) {}

CModel::~CModel()
{
    m_animations.clear();
    SetController(nullptr);
}

std::uint32_t CModel::GetSize() const
{
    std::uint32_t size = 0;
    ForEachMesh(m_root, [&size](Mesh& mesh) {
        Platform::Gfx::IndexBuffer* indices = nullptr;
        Platform::Gfx::VertexBuffer* vertices = nullptr;
        if (Platform::Gfx::Succeeded(mesh.GetIndexBuffer(&indices)) && indices != nullptr)
        {
            size += indices->Size();
            indices->Release();
        }
        if (Platform::Gfx::Succeeded(mesh.GetVertexBuffer(&vertices)) && vertices != nullptr)
        {
            size += vertices->Size();
            vertices->Release();
        }
    });
    return size;
}

void CModel::HandleEvent(std::string event)
{
    if (event == "devicelost")
    {
        bool defaultPool = false;
        ForEachMesh(m_root, [&defaultPool](Mesh& mesh) {
            Platform::Gfx::IndexBuffer* indices = nullptr;
            Platform::Gfx::VertexBuffer* vertices = nullptr;
            mesh.GetIndexBuffer(&indices);
            mesh.GetVertexBuffer(&vertices);
            if (indices != nullptr && vertices != nullptr && indices->GetPool() == Platform::Gfx::Pool::Default &&
                vertices->GetPool() == Platform::Gfx::Pool::Default)
            {
                defaultPool = true;
            }
            if (indices != nullptr)
            {
                indices->Release();
            }
            if (vertices != nullptr)
            {
                vertices->Release();
            }
        });
        DropOnLoss(defaultPool);
    }
    else if (event == "devicereset")
    {
        RestoreAfterReset();
    }
    else if (event == "precache")
    {
        ForEachMesh(m_root, [](Mesh& mesh) {
            if ((mesh.GetOptions() & Platform::GfxKit::MeshOption::VbManaged) != 0)
            {
                Platform::Gfx::VertexBuffer* vertices = nullptr;
                if (Platform::Gfx::Succeeded(mesh.GetVertexBuffer(&vertices)) && vertices != nullptr)
                {
                    vertices->PreLoad();
                    vertices->Release();
                }
            }
            if ((mesh.GetOptions() & Platform::GfxKit::MeshOption::IbManaged) != 0)
            {
                Platform::Gfx::IndexBuffer* indices = nullptr;
                if (Platform::Gfx::Succeeded(mesh.GetIndexBuffer(&indices)) && indices != nullptr)
                {
                    indices->PreLoad();
                    indices->Release();
                }
            }
        });
    }
}

void CModel::ReleaseDeviceObject()
{
    ForEachMeshContainer(m_root, [](CMeshContainer& container) { SetMeshContainerMesh(container, nullptr); });
}

void CModel::SetController(AnimationController* controller)
{
    if (controller != nullptr)
    {
        controller->AddRef();
    }
    if (m_controller != nullptr)
    {
        m_controller->Release();
    }
    m_controller = controller;
}

void CModel::SetHierarchy(CFrame* root, AnimationController* controller, CAnimation* animation)
{
    m_root = root;
    SetController(controller);
    if (animation != nullptr)
    {
        AddAnimation(".default", animation);
    }
    if (root != nullptr)
    {
        Platform::GfxKit::Vector4 centre;
        Platform::GfxKit::Vec3Transform(&centre, &root->sphereCentre, &root->TransformationMatrix);
        m_boundsCentre = {centre.x, centre.y, centre.z};
        m_boundsRadius = root->sphereRadius;
    }
}

CFrame* CModel::TakeHierarchy(AnimationController*& controller)
{
    m_animations.clear();
    if (controller != nullptr)
    {
        controller->Release();
    }
    controller = m_controller; // the model's reference goes to the caller
    m_controller = nullptr;
    CFrame* root = m_root;
    m_root = nullptr;
    return root;
}

void CModel::RegisterFrameOutputs()
{
    ForEachFrame(m_root, [this](CFrame& frame) {
        if (frame.Name != nullptr && frame.Name[0] != '\0')
        {
            m_controller->RegisterAnimationOutput(frame.Name, &frame.TransformationMatrix, nullptr, nullptr, nullptr);
        }
    });
}

void CModel::CopyHierarchyFrom(const CModel& source)
{
    if (source.m_root != nullptr)
    {
        m_root = CloneFrameHierarchy(source.m_root);
        const std::string id = GetId();
        ForEachMeshContainer(m_root, [this, &id](CMeshContainer& container) {
            BindBoneMatrices(container, m_root, id.c_str());
        });
    }
    if (source.m_controller != nullptr)
    {
        AnimationController* clone = nullptr;
        const AnimationController& from = *source.m_controller;
        from.CloneAnimationController(from.GetMaxNumAnimationOutputs(), from.GetMaxNumAnimationSets(),
                                      from.GetMaxNumTracks(), from.GetMaxNumEvents(), &clone);
        SetController(nullptr);
        m_controller = clone; // the clone's one reference
        if (m_controller != nullptr)
        {
            RegisterFrameOutputs();
        }
        m_animations = source.m_animations;
    }
    m_boundsCentre = source.m_boundsCentre;
    m_boundsRadius = source.m_boundsRadius;
    m_matricesDirty = source.m_matricesDirty;
    m_frustumCulling = source.m_frustumCulling;
    m_smoothTime = source.m_smoothTime;
    m_speed = source.m_speed;
}

void CModel::ShowUndeclared(const std::string& name) const
{
    char text[1024];
    std::snprintf(text, sizeof(text), "model: %s\nanim: %s", GetId().c_str(), name.c_str());
    Platform::MessageBoxA(nullptr, text, "anim not declared:",
                          Platform::MessageBoxIconError | Platform::MessageBoxOk);
}

void CModel::ApplyAnimation(const std::string& name, float time)
{
    const BaseLib::CResourcePtr<CAnimation> animation = FindAnimation(name);
    if (!animation)
    {
        ShowUndeclared(name);
        return;
    }
    if (m_controller == nullptr)
    {
        BaseLib::DebugOutput("model %s has no animation controller: %s not applied\n", GetId().c_str(),
                             name.c_str());
        return;
    }
    WaitIfScheduled(*animation);
    m_controller->SetTrackAnimationSet(0, animation->GetAnimationSet());
    double t = static_cast<double>(m_speed) * static_cast<double>(time);
    if (!m_smoothTime)
    {
        t -= std::fmod(t, kAnimationStep);
    }
    m_controller->SetTrackEnable(0, true);
    m_controller->SetTrackWeight(0, 1.0f);
    m_controller->SetTrackPosition(0, t);
    m_controller->AdvanceTime(0.0, nullptr);
    m_matricesDirty = true;
}

float CModel::GetAnimationLength(const std::string& name)
{
    const BaseLib::CResourcePtr<CAnimation> animation = FindAnimation(name);
    if (!animation)
    {
        ShowUndeclared(name);
        return 0.0f;
    }
    WaitIfScheduled(*animation);
    const AnimationSet* set = animation->GetAnimationSet();
    const double period = set != nullptr ? set->GetPeriod() : 0.0;
    return static_cast<float>(period) / m_speed;
}

void CModel::Render(CRenderContext* context, const Matrix& world)
{
    if (context->engine == nullptr)
    {
        context->engine = m_engine;
    }
    if (m_root == nullptr)
    {
        return;
    }
    if (m_matricesDirty)
    {
        UpdateFrameMatrices(m_root, Matrix{});
        m_matricesDirty = false;
    }
    const BaseLib::CSmartPointer<CRenderContext> held(context);
    RenderFrameHierarchy(held.Get(), world, m_controller == nullptr && m_frustumCulling, m_root);
}

void CModel::CreateAnimationController()
{
    if (m_controller != nullptr || m_root == nullptr)
    {
        return;
    }
    std::uint32_t named = 0;
    ForEachFrame(m_root, [&named](CFrame& frame) {
        if (frame.Name != nullptr && frame.Name[0] != '\0')
        {
            ++named;
        }
    });
    if (Platform::Gfx::Failed(Platform::GfxKit::CreateAnimationController(named, 64, 1, 1, &m_controller)))
    {
        m_controller = nullptr;
        return;
    }
    RegisterFrameOutputs();
    if (m_engine->GetAnimationFactory() == nullptr)
    {
        return;
    }
    BaseLib::CResourcePtr<CAnimation> rest;
    m_engine->GetAnimationFactory()->CreateRestPoseAnimation(rest, m_root, "", GetId());
    if (rest)
    {
        AddAnimation(".default", rest.Get());
    }
}

BaseLib::CResourcePtr<CAnimation> CModel::FindAnimation(const std::string& name) const
{
    if (m_animations.empty() || name.empty())
    {
        return {};
    }
    const auto found = m_animations.find(name);
    return found != m_animations.end() ? found->second : BaseLib::CResourcePtr<CAnimation>();
}

void CModel::CheckAnimationTargets(const CAnimation& animation) const
{
    const AnimationSet* set = animation.GetAnimationSet();
    if (set == nullptr)
    {
        return;
    }
    for (std::uint32_t i = 0; i < set->GetNumAnimations(); ++i)
    {
        const char* target = nullptr;
        if (Platform::Gfx::Succeeded(set->GetAnimationNameByIndex(i, &target)) &&
            Platform::GfxKit::FrameFind(m_root, target) == nullptr)
        {
            BaseLib::DebugOutput("WARNING: Animation target does not exist in Model:\n\tModelname = %s\n\t"
                                 "AnimationId = %s\n\tAnimationTarget = %s\n",
                                 GetId().c_str(), animation.GetId().c_str(), target != nullptr ? target : "");
        }
    }
}

void CModel::AddAnimation(const std::string& name, CAnimation* animation)
{
    if (animation != nullptr)
    {
        WaitIfScheduled(*animation);
        CheckAnimationTargets(*animation);
        AnimationSet* set = animation->GetAnimationSet();
        if (m_controller != nullptr && set != nullptr)
        {
            bool held = false;
            for (std::uint32_t i = 0; i < m_controller->GetNumAnimationSets() && !held; ++i)
            {
                AnimationSet* registered = nullptr;
                if (Platform::Gfx::Succeeded(m_controller->GetAnimationSet(i, &registered)))
                {
                    held = registered == set;
                    registered->Release();
                }
            }
            if (!held)
            {
                m_controller->RegisterAnimationSet(set);
            }
        }
    }
    m_animations[name] = animation;
}

CAnimationPlayer::CAnimationPlayer(CEngineController* engine)
    : engine(engine != nullptr ? engine : CEngineController::GetEngine())
{}

CAnimationPlayer::~CAnimationPlayer() = default;

double CAnimationPlayer::MapTime(double t) const
{
    if (length == 0.0)
    {
        return 0.0;
    }
    if (t < length - kEndMargin)
    {
        return t;
    }
    if (looping)
    {
        return std::fmod(t, length);
    }
    return length - kEndMargin;
}

void CAnimationPlayer::Update()
{
    if (animationName.empty() || !model || engine == nullptr)
    {
        return;
    }
    const double elapsed = engine->GetEngineTime() - startTime;
    WaitIfScheduled(*model);
    model->ApplyAnimation(animationName, static_cast<float>(MapTime(elapsed)));
}

} // namespace Qen
