#include "engine/MeshDrawing.h"

#include "engine/Camera.h"
#include "engine/DeviceStateMgr.h"
#include "engine/EffectShader.h"
#include "engine/EngineController.h"
#include "engine/Material.h"
#include "foundation/Debug.h"
#include "platform/gfx/Device.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/SkinInfo.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace Qen
{

namespace
{

using Platform::GfxKit::BoneCombination;
using Platform::GfxKit::Effect;
using Platform::GfxKit::MatrixMultiply;

static_assert(sizeof(BaseLib::CMatrix) == sizeof(Matrix));

Matrix ToMatrix(const BaseLib::CMatrix& m)
{
    Matrix out;
    std::memcpy(out.m, m.m, sizeof out.m);
    return out;
}

// What one DrawMeshContainer call works with.
struct DrawingState
{
    CMeshContainer* container = nullptr;
    CRenderContext* context = nullptr;
    CEngineController* engine = nullptr;
    CDeviceStateMgr* stateManager = nullptr;
    Matrix world;
    bool skinned = false;
};

DrawingState s_drawing;
Matrix s_palette[kBonePaletteSize];
// The (effect, technique) pairs already traced, so that a missing technique shows once in the log
// rather than once per frame.
std::set<std::pair<const Effect*, std::string>> s_tracedTechniques;

void TraceSkippedSlot(CMeshContainer& container, std::uint32_t slot)
{
    if (!std::exchange(container.skippedSlotTraced, true))
    {
        BaseLib::DebugOutput("mesh %s: material slot %u has no effect, its faces are not drawn\n",
                             container.Name != nullptr ? container.Name : "", slot);
    }
}

// The material of a slot with an effect shader, waited for; null for an empty slot or one past the count.
CMaterial* UsableMaterial(const CMeshContainer& container, std::uint32_t slot)
{
    if (slot >= container.NumMaterials || container.materials == nullptr || !container.materials[slot])
    {
        return nullptr;
    }
    CMaterial* material = container.materials[slot].Get();
    material->WaitUntilLoaded();
    return material->GetEffectShader() != nullptr ? material : nullptr;
}

void SetMatrixIfPresent(Effect* effect, EffectHandle handle, const Matrix& value)
{
    if (handle != nullptr)
    {
        effect->SetMatrix(handle, &value);
    }
}

void SetStandardMatrices(CEffectShader& shader, const Matrix& world)
{
    const CRenderContext& context = *s_drawing.context;
    Effect* effect = shader.GetEffect();
    s_drawing.world = world;
    const Matrix view = ToMatrix(context.view);
    const Matrix viewProjection = ToMatrix(context.viewProjection);
    Matrix worldInverse;
    Platform::GfxKit::MatrixInverse(&worldInverse, nullptr, &world);
    Matrix worldViewProjection;
    MatrixMultiply(&worldViewProjection, &world, &viewProjection);
    SetMatrixIfPresent(effect, shader.GetSemanticHandle(CEffectShader::World), world);
    SetMatrixIfPresent(effect, shader.GetSemanticHandle(CEffectShader::View), view);
    SetMatrixIfPresent(effect, shader.GetSemanticHandle(CEffectShader::Projection), ToMatrix(context.projection));
    SetMatrixIfPresent(effect, shader.GetSemanticHandle(CEffectShader::WorldInverse), worldInverse);
    SetMatrixIfPresent(effect, shader.GetSemanticHandle(CEffectShader::ViewInverse), ToMatrix(context.inverseView));
    SetMatrixIfPresent(effect, shader.GetSemanticHandle(CEffectShader::ViewProjection), viewProjection);
    SetMatrixIfPresent(effect, shader.GetSemanticHandle(CEffectShader::WorldViewProjection), worldViewProjection);
}

void SetLightDirection(CEffectShader& shader)
{
    const EffectHandle handle = shader.GetNamedHandle(CEffectShader::LightDir);
    if (handle != nullptr)
    {
        const BaseLib::CVector3& direction = s_drawing.context->lightDirection;
        const float value[4] = {direction.x, direction.y, direction.z, 0.0f};
        shader.GetEffect()->SetVector(handle, value);
    }
}

void SetTechnique(CEffectShader& shader)
{
    Effect* effect = shader.GetEffect();
    const std::string& name = s_drawing.context->name;
    if (name.empty())
    {
        const EffectHandle technique =
            s_drawing.skinned ? shader.GetSkinnedMeshTechnique() : shader.GetStaticMeshTechnique();
        if (technique != nullptr)
        {
            effect->SetTechnique(technique);
        }
        return;
    }
    const std::string technique = name + (s_drawing.skinned ? "_skinnedmesh" : "_staticmesh");
    // An effect without that technique keeps its current one; the trace shows the missing pass.
    if (Platform::Gfx::Failed(effect->SetTechnique(technique.c_str())) &&
        s_tracedTechniques.emplace(effect, technique).second)
    {
        BaseLib::DebugOutput("effect has no technique %s, drawn with its current technique\n", technique.c_str());
    }
}

void SetTime(CEffectShader& shader)
{
    const EffectHandle handle = shader.GetNamedHandle(CEffectShader::Time);
    if (handle != nullptr)
    {
        shader.GetEffect()->SetFloat(handle, s_drawing.context->time);
    }
}

void RunPasses(CEffectShader& shader, std::uint32_t subset)
{
    std::uint32_t passes = 0;
    shader.Begin(&passes, Platform::GfxKit::DoNotSaveState);
    for (std::uint32_t p = 0; p < passes; ++p)
    {
        shader.GetEffect()->BeginPass(p);
        s_drawing.container->mesh->DrawSubset(subset);
        // The mesh bound its buffers and declaration on the device itself.
        s_drawing.stateManager->InvalidateBindings();
        shader.GetEffect()->EndPass();
    }
    shader.End();
    ++s_drawing.engine->GetStatistics().counters[2];
}

void DrawStatic(CMeshContainer& container)
{
    for (std::uint32_t slot = 0; slot < container.NumMaterials; ++slot)
    {
        CMaterial* material = UsableMaterial(container, slot);
        if (material == nullptr)
        {
            TraceSkippedSlot(container, slot);
            continue;
        }
        CEffectShader& shader = *material->GetEffectShader();
        material->Apply();
        Matrix world = s_drawing.world;
        if (container.boneMatrices != nullptr && container.boneMatrices[0] != nullptr)
        {
            MatrixMultiply(&world, container.boneMatrices[0], &s_drawing.world);
        }
        SetStandardMatrices(shader, world);
        SetLightDirection(shader);
        SetTechnique(shader);
        SetTime(shader);
        RunPasses(shader, slot);
    }
}

// palette[k] = offset × followed matrix for the entries the combination uses; a bone outside the skin
// or not yet bound follows the identity.
void FillPalette(const CMeshContainer& container, const BoneCombination& combination, std::uint32_t size)
{
    const Platform::GfxKit::SkinInfo& skin = *container.pSkinInfo;
    for (std::uint32_t k = 0; k < size; ++k)
    {
        const std::uint32_t bone = combination.BoneId[k];
        if (bone == Platform::GfxKit::NoBone)
        {
            continue;
        }
        const Matrix* offset = skin.GetBoneOffsetMatrix(bone);
        const Matrix* followed = container.boneMatrices != nullptr && bone < skin.GetNumBones()
                                     ? container.boneMatrices[bone]
                                     : nullptr;
        const Matrix identity;
        MatrixMultiply(&s_palette[k], offset != nullptr ? offset : &identity,
                       followed != nullptr ? followed : &identity);
    }
}

void DrawSkinned(CMeshContainer& container)
{
    const BoneCombination* combinations = container.BoneCombinations();
    const std::uint32_t paletteSize = std::min(container.paletteSize, kBonePaletteSize);
    const Matrix world = s_drawing.world;
    for (std::uint32_t b = 0; combinations != nullptr && b < container.numBoneCombinations; ++b)
    {
        const BoneCombination& combination = combinations[b];
        CMaterial* material = UsableMaterial(container, combination.AttribId);
        if (material == nullptr)
        {
            TraceSkippedSlot(container, combination.AttribId);
            continue;
        }
        CEffectShader& shader = *material->GetEffectShader();
        material->Apply();
        FillPalette(container, combination, paletteSize);
        Effect* effect = shader.GetEffect();
        const EffectHandle bonesPerVertex = shader.GetNamedHandle(CEffectShader::NumBonesPerVertex);
        if (bonesPerVertex != nullptr)
        {
            effect->SetInt(bonesPerVertex, static_cast<std::int32_t>(container.maxVertexInfluences));
        }
        const EffectHandle palette = shader.GetSemanticHandle(CEffectShader::BoneMatrixPalette);
        if (palette != nullptr)
        {
            effect->SetMatrixArray(palette, s_palette, paletteSize);
        }
        SetStandardMatrices(shader, world);
        SetLightDirection(shader);
        SetTechnique(shader);
        SetTime(shader);
        RunPasses(shader, b);
    }
}

void SetSoftwareProcessing(bool on)
{
    CDeviceStateMgr::SoftwareProcessing& state = s_drawing.stateManager->CachedSoftwareProcessing();
    const CDeviceStateMgr::SoftwareProcessing wanted =
        on ? CDeviceStateMgr::SoftwareProcessingOn : CDeviceStateMgr::SoftwareProcessingOff;
    if (state != wanted)
    {
        state = wanted;
        s_drawing.engine->GetDevice()->SetSoftwareVertexProcessing(on);
    }
}

// The walk's state: the context held, the world, the frustum when culling.
struct WalkState
{
    CRenderContext* context;
    Matrix world;
    const CFrustum* frustum;
};

bool OutsideFrustum(const CFrame& frame, const WalkState& state)
{
    Vector3 inModel;
    Platform::GfxKit::Vec3TransformCoord(&inModel, &frame.sphereCentre, &frame.combinedMatrix);
    Vector3 centre;
    Platform::GfxKit::Vec3TransformCoord(&centre, &inModel, &state.world);
    for (const BaseLib::CPlane& plane : state.frustum->planes)
    {
        if (plane.normal.x * centre.x + plane.normal.y * centre.y + plane.normal.z * centre.z -
                frame.sphereRadius >
            plane.d)
        {
            return true;
        }
    }
    return false;
}

bool HiddenByVisibilityFrame(const CFrame& frame)
{
    if (frame.visibilityFrame == nullptr)
    {
        return false;
    }
    const float(&row)[4] = frame.visibilityFrame->TransformationMatrix.m[0];
    return row[0] * row[0] + row[1] * row[1] + row[2] * row[2] < 0.25f;
}

void RenderFrames(const WalkState& state, CFrame* first)
{
    for (CFrame* frame = first; frame != nullptr; frame = frame->Sibling())
    {
        if (!frame->visible)
        {
            continue;
        }
        if (state.frustum != nullptr && (frame->sphereRadius < 0.0f || OutsideFrustum(*frame, state)))
        {
            continue;
        }
        if (HiddenByVisibilityFrame(*frame))
        {
            continue;
        }
        for (CMeshContainer* c = frame->FirstContainer(); c != nullptr; c = c->Next())
        {
            if (c->enabled)
            {
                DrawMeshContainer(*c, state.world, state.context);
            }
        }
        if (frame->FirstChild() != nullptr)
        {
            RenderFrames(state, frame->FirstChild());
        }
    }
}

} // namespace

const Matrix* GetBonePalette()
{
    return s_palette;
}

void RenderFrameHierarchy(CRenderContext* context, const Matrix& world, bool cull, CFrame* root)
{
    BaseLib::CSmartPointer<CRenderContext> held(context);
    const WalkState state{context, world, cull ? &context->frustum : nullptr};
    RenderFrames(state, root);
}

void DrawMeshContainer(CMeshContainer& container, const Matrix& world, CRenderContext* context)
{
    CEngineController* engine = context->engine != nullptr ? context->engine : CEngineController::GetEngine();
    if (container.mesh == nullptr || engine == nullptr || engine->GetStateManager() == nullptr)
    {
        return;
    }
    BaseLib::CSmartPointer<CRenderContext> held(context);
    s_drawing = DrawingState{&container, context, engine, engine->GetStateManager(), world,
                             container.pSkinInfo != nullptr};
    if (container.softwareSkinning)
    {
        SetSoftwareProcessing(true);
    }
    if (s_drawing.skinned)
    {
        DrawSkinned(container);
    }
    else
    {
        DrawStatic(container);
    }
    CEngineStatistics& statistics = engine->GetStatistics();
    statistics.counters[0] += container.mesh->GetNumFaces();
    statistics.counters[1] += 1;
    if (container.softwareSkinning)
    {
        SetSoftwareProcessing(false);
    }
    s_drawing = DrawingState{};
}

} // namespace Qen
