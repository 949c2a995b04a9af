#include "engine/ModelPreparation.h"

#include "engine/AdapterRecord.h"
#include "engine/EffectShader.h"
#include "engine/EngineController.h"
#include "engine/IndexPairList.h"
#include "engine/Material.h"
#include "engine/MeshMerging.h"
#include "engine/MaterialFactory.h"
#include "engine/ModelLoadOptions.h"
#include "engine/ShadowVolume.h"
#include "engine/VertexElements.h"
#include "foundation/Debug.h"
#include "platform/gfxkit/ByteBuffer.h"
#include "platform/gfxkit/UtilityTrace.h"
#include "platform/gfxkit/effect/Effect.h"
#include "platform/gfxkit/mesh/MeshPreparation.h"
#include "platform/gfxkit/mesh/SkinInfo.h"
#include "platform/os/MessageBox.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace Qen
{

namespace
{

using Platform::Gfx::Failed;
using Platform::Gfx::Succeeded;
using Platform::GfxKit::Effect;
using Platform::GfxKit::Mesh;
namespace DeclUsage = Platform::Gfx::DeclUsage;

// The preparation in progress: what every step reads. Set and cleared by PrepareModel.
struct PreparationSlots
{
    const CModelLoadOptions* options = nullptr;
    CEngineController* engine = nullptr;
    CFrame* root = nullptr;
};
PreparationSlots s_preparation;

constexpr std::uint32_t kDefaultPalette = 16;
constexpr std::uint32_t kNoPaletteLimit = 2147483647;
constexpr const char* kStreamsParameter = "Qen_REQUIRE_INPUTSTREAMS";

const char* ModelName()
{
    return s_preparation.options->name.c_str();
}

// The mesh replaces the container's (the container takes its own reference; the caller's is dropped).
void TakeMesh(CMeshContainer& container, Mesh* mesh)
{
    SetMeshContainerMesh(container, mesh);
    mesh->Release();
}

// The effect of a slot with a material that has one, waited for; null otherwise.
Effect* SlotEffect(const CMeshContainer& container, std::uint32_t slot)
{
    if (container.materials == nullptr || !container.materials[slot])
    {
        return nullptr;
    }
    CMaterial* material = container.materials[slot].Get();
    material->WaitUntilLoaded();
    return material->GetEffectShader() != nullptr ? material->GetEffectShader()->GetEffect() : nullptr;
}

// The first top-level parameter whose text (its name or its semantic) is exactly `text`.
Platform::GfxKit::EffectHandle FindParameter(Effect& effect, const char* text, bool bySemantic)
{
    Platform::GfxKit::EffectDesc desc;
    effect.GetDesc(&desc);
    for (std::uint32_t i = 0; i < desc.Parameters; ++i)
    {
        const Platform::GfxKit::EffectHandle parameter = effect.GetParameter(nullptr, i);
        Platform::GfxKit::ParameterDesc parameterDesc;
        effect.GetParameterDesc(parameter, &parameterDesc);
        if (std::strcmp(bySemantic ? parameterDesc.Semantic : parameterDesc.Name, text) == 0)
        {
            return parameter;
        }
    }
    return nullptr;
}

void MaterialsFromEffectInstances(CMeshContainer& container)
{
    CMaterialFactory& factory = *s_preparation.engine->GetMaterialFactory();
    for (std::uint32_t i = 0; i < container.NumMaterials; ++i)
    {
        BaseLib::CResourcePtr<CMaterial> material;
        factory.GetMaterialForEffectInstance(container.pEffects[i], material);
        if (material.Get() != container.materials[i].Get())
        {
            container.materials[i] = material;
        }
    }
}

void CheckSkinWeights(const Platform::GfxKit::SkinInfo& skin)
{
    std::vector<float> sums(skin.GetNumVertices(), 0.0f);
    for (std::uint32_t bone = 0; bone < skin.GetNumBones(); ++bone)
    {
        const std::uint32_t count = skin.GetNumBoneInfluences(bone);
        std::vector<std::uint32_t> vertices(count);
        std::vector<float> weights(count);
        skin.GetBoneInfluence(bone, vertices.data(), weights.data());
        for (std::uint32_t i = 0; i < count; ++i)
        {
            sums[vertices[i]] += weights[i];
        }
    }
    const auto invalid = std::count_if(sums.begin(), sums.end(), [](float sum) { return std::fabs(sum - 1.0f) > 0.002f; });
    if (invalid != 0)
    {
        BaseLib::DebugOutput("WARNING: detected %d invalid vertices in the SkinInfo of %s\n", static_cast<int>(invalid),
                             ModelName());
    }
}

void Skin(CMeshContainer& container)
{
    Platform::GfxKit::SkinInfo& skin = *container.pSkinInfo;
    CheckSkinWeights(skin);
    const std::uint32_t palette = std::min(GetEffectPaletteSize(container), skin.GetNumBones());
    const std::uint32_t vertexShader = s_preparation.engine->GetDeviceAdapter()->caps.VertexShaderVersion & 0xFFFF;
    container.softwareSkinning = vertexShader < 0x101;
    if (container.boneCombinations != nullptr)
    {
        container.boneCombinations->Release();
        container.boneCombinations = nullptr;
    }
    container.numBoneCombinations = 0;
    container.paletteSize = palette;
    Mesh* blended = nullptr;
    if (container.mesh == nullptr ||
        Failed(skin.ConvertToIndexedBlendedMesh(container.mesh, 0, palette, container.pAdjacency, container.pAdjacency,
                                                nullptr, nullptr, &container.maxVertexInfluences,
                                                &container.numBoneCombinations, &container.boneCombinations,
                                                &blended)))
    {
        // The previous mesh stays; without combinations the container draws nothing.
        container.numBoneCombinations = 0;
        BaseLib::DebugOutput("skinning failed for mesh %s in %s\n", DescribeMesh(container).c_str(), ModelName());
        return;
    }
    TakeMesh(container, blended);
    VertexElement declaration[kVertexDeclarationRoom];
    ReadMeshDeclaration(*container.mesh, declaration);
    const int indices = FindVertexElement(declaration, DeclUsage::BlendIndices, 0);
    if (indices >= 0 && declaration[indices].Type != Platform::Gfx::DeclType::Color)
    {
        declaration[indices].Type = Platform::Gfx::DeclType::Color;
        container.mesh->UpdateSemantics(declaration);
    }
}

void Clean(CMeshContainer& container)
{
    Mesh* cleaned = nullptr;
    Platform::GfxKit::ByteBuffer* errors = nullptr;
    Platform::GfxKit::CleanMesh(Platform::GfxKit::CleanFlag::BackFacing | Platform::GfxKit::CleanFlag::Bowties,
                                container.mesh, container.pAdjacency, &cleaned, container.pAdjacency, &errors);
    if (errors != nullptr)
    {
        const std::string text(static_cast<const char*>(errors->GetBufferPointer()),
                               strnlen(static_cast<const char*>(errors->GetBufferPointer()), errors->GetBufferSize()));
        Platform::MessageBoxA(nullptr, text.c_str(), "D3DXCleanMesh", Platform::MessageBoxOk);
        errors->Release();
    }
    if (cleaned != nullptr)
    {
        TakeMesh(container, cleaned);
    }
}

void Weld(CMeshContainer& container)
{
    const bool previous = Platform::GfxKit::DebugMute(true);
    Platform::GfxKit::WeldVertices(container.mesh,
                                   Platform::GfxKit::WeldFlag::WeldPartialMatches | Platform::GfxKit::WeldFlag::DoNotSplit,
                                   &s_preparation.options->weldEpsilons, container.pAdjacency, container.pAdjacency,
                                   nullptr, nullptr);
    Platform::GfxKit::DebugMute(previous);
}

void Simplify(CMeshContainer& container)
{
    Mesh* simplified = nullptr;
    const std::uint32_t target =
        SimplificationTarget(container.mesh->GetNumFaces(), s_preparation.options->simplificationFactor);
    if (Failed(Platform::GfxKit::SimplifyMesh(container.mesh, container.pAdjacency, nullptr, nullptr, target,
                                              Platform::GfxKit::SimplifyFlag::Face, &simplified)))
    {
        return;
    }
    TakeMesh(container, simplified);
    delete[] container.pAdjacency;
    container.pAdjacency = new std::uint32_t[std::size_t(container.mesh->GetNumFaces()) * 3];
    container.mesh->GenerateAdjacency(0.0f, container.pAdjacency);
}

// The streams of one usage index: report what cannot be made, append and compute normals, tangents and
// binormals that are wanted and missing.
void CompleteStreams(CMeshContainer& container, std::uint32_t k, bool normal, bool tangent, bool binormal,
                     bool texture, bool position, bool colour)
{
    if (!(normal || tangent || binormal || texture || position || colour))
    {
        return;
    }
    VertexElement declaration[kVertexDeclarationRoom];
    ReadMeshDeclaration(*container.mesh, declaration);
    const auto present = [&declaration, k](std::uint32_t usage) { return FindVertexElement(declaration, usage, k) >= 0; };
    normal = normal && !present(DeclUsage::Normal);
    tangent = tangent && !present(DeclUsage::Tangent);
    binormal = binormal && !present(DeclUsage::Binormal);
    texture = texture && !present(DeclUsage::TexCoord);
    position = position && !present(DeclUsage::Position);
    colour = colour && !present(DeclUsage::Color);
    if (texture)
    {
        BaseLib::DebugMessageBox(Platform::MessageBoxIconWarning, "error",
                                 "missing texture coordinates in mesh!\n  model = %s\n  mesh = %s\n", ModelName(),
                                 DescribeMesh(container).c_str());
    }
    if (position)
    {
        BaseLib::DebugMessageBox(Platform::MessageBoxIconWarning, "error", "missing position data in mesh!\n  model = %s  mesh = %s",
                                 ModelName(), DescribeMesh(container).c_str());
    }
    if (colour)
    {
        BaseLib::DebugMessageBox(Platform::MessageBoxIconWarning, "error", "missing vertex colors in mesh!\n  model = %s  mesh = %s",
                                 ModelName(), DescribeMesh(container).c_str());
    }
    if (!(normal || tangent || binormal))
    {
        return;
    }
    bool appended = false;
    for (const std::uint8_t usage : {DeclUsage::Normal, DeclUsage::Tangent, DeclUsage::Binormal})
    {
        if (!present(usage))
        {
            AddVertexElement(declaration, {0, 0, Platform::Gfx::DeclType::Float3, 0, usage, static_cast<std::uint8_t>(k)});
            appended = true;
        }
    }
    Mesh* source = container.mesh;
    if (appended && Failed(container.mesh->CloneMesh(container.mesh->GetOptions(), declaration,
                                                     s_preparation.engine->GetDevice(), &source)))
    {
        return;
    }
    const std::uint32_t none = Platform::GfxKit::NoUsage;
    Mesh* computed = nullptr;
    Platform::GfxKit::ComputeTangentFrameEx(source, DeclUsage::TexCoord, k, tangent ? DeclUsage::Tangent : none, k,
                                            binormal ? DeclUsage::Binormal : none, k,
                                            normal ? DeclUsage::Normal : none, k,
                                            Platform::GfxKit::TangentOption::DontOrthogonalize, container.pAdjacency,
                                            0.25f, 0.25f, 0.25f, &computed, nullptr);
    if (appended)
    {
        source->Release();
    }
    if (computed != nullptr)
    {
        TakeMesh(container, computed);
    }
}

void PrepareInputStreams(CMeshContainer& container)
{
    const CModelLoadOptions& options = *s_preparation.options;
    CIndexPairList streams;
    if (options.readStreamsFromEffects && options.loadMaterials)
    {
        CollectRequiredStreams(container, streams);
    }
    if (options.generateNormals)
    {
        streams.Append(DeclUsage::Normal, 0);
    }
    if (options.generateTangents)
    {
        streams.Append(DeclUsage::Tangent, 0);
    }
    if (options.generateBinormals)
    {
        streams.Append(DeclUsage::Binormal, 0);
    }
    streams.RemoveDuplicates();
    for (std::uint32_t k = 0; k < 8; ++k)
    {
        CompleteStreams(container, k, streams.Contains(DeclUsage::Normal, k), streams.Contains(DeclUsage::Tangent, k),
                        streams.Contains(DeclUsage::Binormal, k), streams.Contains(DeclUsage::TexCoord, k),
                        streams.Contains(DeclUsage::Position, k), streams.Contains(DeclUsage::Color, k));
    }
}

void PrepareContainer(CMeshContainer& container)
{
    const CModelLoadOptions& options = *s_preparation.options;
    if (options.loadMaterials)
    {
        MaterialsFromEffectInstances(container);
    }
    if (container.pSkinInfo != nullptr)
    {
        Skin(container);
    }
    BindBoneMatrices(container, s_preparation.root, ModelName());
    if (container.mesh == nullptr)
    {
        return;
    }
    Clean(container);
    if (options.weldVertices)
    {
        Weld(container);
    }
    if (options.simplificationFactor != 1.0f)
    {
        Simplify(container);
    }
    if (options.buildShadowVolume)
    {
        BuildShadowVolume(container, options.shadowVolumePullIn, ModelName());
    }
    if (options.shadowVolumeExtrusion != 0.0f)
    {
        const BaseLib::CVector3& direction = options.shadowVolumeLightDirection;
        const BaseLib::CVector3& position = options.shadowVolumeLightPosition;
        BuildShrunkShadowVolume(container, {direction.x, direction.y, direction.z}, {position.x, position.y, position.z},
                                options.shadowVolumeExtrusion, options.shadowVolumePullIn, ModelName());
    }
    PrepareInputStreams(container);
}

void FindVisibilityFrames(CFrame* root)
{
    ForEachFrame(root, [](CFrame& frame) {
        frame.visibilityFrame = nullptr;
        for (CFrame* child = frame.FirstChild(); child != nullptr; child = child->Sibling())
        {
            if (child->Name != nullptr && std::strstr(child->Name, "visibility") != nullptr)
            {
                frame.visibilityFrame = child;
                break;
            }
        }
    });
}

struct SpherePart
{
    Vector3 centre;
    float radius;
};

void ComputeFrameBounds(CFrame* first)
{
    for (CFrame* frame = first; frame != nullptr; frame = frame->Sibling())
    {
        ComputeFrameBounds(frame->FirstChild());
        std::vector<SpherePart> parts;
        for (CFrame* child = frame->FirstChild(); child != nullptr; child = child->Sibling())
        {
            if (child->sphereRadius >= 0.0f)
            {
                SpherePart part{{}, child->sphereRadius};
                Platform::GfxKit::Vec3TransformCoord(&part.centre, &child->sphereCentre, &child->TransformationMatrix);
                parts.push_back(part);
            }
        }
        for (CMeshContainer* c = frame->FirstContainer(); c != nullptr; c = c->Next())
        {
            ComputeMeshContainerBounds(*c);
            if (c->sphereRadius >= 0.0f)
            {
                parts.push_back({c->sphereCentre, c->sphereRadius});
            }
        }
        if (parts.empty())
        {
            frame->sphereCentre = {kEmptySphereCentre, kEmptySphereCentre, kEmptySphereCentre};
            frame->sphereRadius = kEmptySphereRadius;
            continue;
        }
        double weights = 0.0;
        for (const SpherePart& part : parts)
        {
            weights += part.radius;
        }
        // Weighted by the radii; with every radius 0 the plain average.
        double sum[3] = {};
        for (const SpherePart& part : parts)
        {
            const double weight = weights > 0.0 ? part.radius / weights : 1.0 / static_cast<double>(parts.size());
            sum[0] += part.centre.x * weight;
            sum[1] += part.centre.y * weight;
            sum[2] += part.centre.z * weight;
        }
        const Vector3 centre{static_cast<float>(sum[0]), static_cast<float>(sum[1]), static_cast<float>(sum[2])};
        float radius = 0.0f;
        for (const SpherePart& part : parts)
        {
            const Vector3 d{part.centre.x - centre.x, part.centre.y - centre.y, part.centre.z - centre.z};
            radius = std::max(radius, Platform::GfxKit::Vec3Length(d) + part.radius);
        }
        frame->sphereCentre = centre;
        frame->sphereRadius = radius;
    }
}

} // namespace

std::string DescribeMesh(const CMeshContainer& container)
{
    std::string text = container.Name != nullptr ? container.Name : "";
    for (const CFrame* frame = container.owner; frame != nullptr; frame = frame->parent)
    {
        text = " / " + text;
        if (frame->Name != nullptr)
        {
            text = frame->Name + text;
        }
    }
    return text;
}

std::uint32_t SimplificationTarget(std::uint32_t faces, float factor)
{
    const float target = std::ceil(static_cast<float>(faces) * factor);
    return std::max(2u, static_cast<std::uint32_t>(std::max(target, 0.0f)));
}

bool ParseStreamSemantic(const char* semantic, std::uint32_t& usage, std::uint32_t& usageIndex)
{
    static const struct
    {
        const char* name;
        std::uint32_t usage;
    } kNames[] = {{"NORMAL", DeclUsage::Normal},  {"TANGENT", DeclUsage::Tangent}, {"BINORMAL", DeclUsage::Binormal},
                  {"TEXCOORD", DeclUsage::TexCoord}, {"COLOR", DeclUsage::Color},     {"POSITION", DeclUsage::Position}};
    for (const auto& entry : kNames)
    {
        const std::size_t length = std::strlen(entry.name);
        if (std::strncmp(semantic, entry.name, length) != 0)
        {
            continue;
        }
        const char* rest = semantic + length;
        if (*rest == '\0')
        {
            usage = entry.usage;
            usageIndex = 0;
            return true;
        }
        if (std::all_of(rest, rest + std::strlen(rest), [](char c) { return c >= '0' && c <= '9'; }))
        {
            int index = 0;
            std::sscanf(rest, "%d", &index);
            usage = entry.usage;
            usageIndex = static_cast<std::uint32_t>(index);
            return true;
        }
    }
    return false;
}

std::uint32_t GetEffectPaletteSize(const CMeshContainer& container)
{
    if (container.NumMaterials == 0)
    {
        return kNoPaletteLimit;
    }
    std::int64_t smallest = -1;
    for (std::uint32_t slot = 0; slot < container.NumMaterials; ++slot)
    {
        Effect* effect = SlotEffect(container, slot);
        std::int64_t value = kDefaultPalette;
        if (effect != nullptr)
        {
            const Platform::GfxKit::EffectHandle palette = FindParameter(*effect, "BONEMATRIXPALETTE", true);
            if (palette == nullptr)
            {
                continue;
            }
            Platform::GfxKit::ParameterDesc desc;
            effect->GetParameterDesc(palette, &desc);
            value = desc.Elements;
        }
        smallest = smallest < 0 ? value : std::min(smallest, value);
    }
    return smallest > 0 ? static_cast<std::uint32_t>(smallest) : kDefaultPalette;
}

void CollectRequiredStreams(const CMeshContainer& container, CIndexPairList& streams)
{
    for (std::uint32_t slot = 0; slot < container.NumMaterials; ++slot)
    {
        Effect* effect = SlotEffect(container, slot);
        if (effect == nullptr)
        {
            continue;
        }
        Platform::GfxKit::EffectHandle required = FindParameter(*effect, kStreamsParameter, false);
        if (required == nullptr)
        {
            required = FindParameter(*effect, kStreamsParameter, true);
        }
        if (required == nullptr)
        {
            continue;
        }
        Platform::GfxKit::ParameterDesc desc;
        effect->GetParameterDesc(required, &desc);
        for (std::uint32_t m = 0; m < desc.StructMembers; ++m)
        {
            Platform::GfxKit::ParameterDesc member;
            effect->GetParameterDesc(effect->GetParameter(required, m), &member);
            std::uint32_t usage = 0;
            std::uint32_t usageIndex = 0;
            if (ParseStreamSemantic(member.Semantic, usage, usageIndex))
            {
                streams.Append(usage, usageIndex);
            }
        }
    }
    streams.RemoveDuplicates();
}

void PrepareModel(CEngineController* engine, const CModelLoadOptions& options, CFrame* root)
{
    s_preparation = {&options, engine, root};
    LinkFrames(root);
    UpdateFrameMatrices(root, Matrix{});
    FindVisibilityFrames(root);
    if (options.mergeMeshes)
    {
        MergeMeshes(engine, options, root);
    }
    ForEachMeshContainer(root, [](CMeshContainer& container) { PrepareContainer(container); });
    ComputeFrameBounds(root);
    s_preparation = {};
}

} // namespace Qen
