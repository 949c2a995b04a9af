#include "engine/MeshMerging.h"

#include "engine/AdapterRecord.h"
#include "engine/EngineController.h"
#include "engine/ModelLoadOptions.h"
#include "engine/VertexElements.h"
#include "foundation/Debug.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/SkinInfo.h"
#include "platform/os/MessageBox.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

namespace Qen
{

namespace
{

using Platform::GfxKit::Mesh;
using Platform::GfxKit::SkinInfo;

constexpr std::uint32_t kMergedOptions = 0x990;
constexpr std::uint32_t kShortIndexLimit = 65536;

// One batch's containers with their transforms into the group frame and their offsets in the merge.
struct Batch
{
    std::vector<CMeshContainer*> containers;
    std::vector<Mesh*> meshes;
    std::vector<Matrix> transforms;
    std::vector<std::uint32_t> vertexOffsets;
    std::vector<std::uint32_t> faceOffsets;
    std::uint32_t vertices = 0;
    std::uint32_t faces = 0;
};

CFrame* GroupFrame(const CMeshContainer& container)
{
    CFrame* frame = container.owner;
    while (frame != nullptr && frame->visibilityFrame == nullptr && frame->parent != nullptr)
    {
        frame = frame->parent;
    }
    return frame;
}

void FillBatch(Batch& batch, const CFrame& group)
{
    Matrix toGroup;
    Platform::GfxKit::MatrixInverse(&toGroup, nullptr, &group.combinedMatrix);
    for (CMeshContainer* container : batch.containers)
    {
        Matrix transform;
        Platform::GfxKit::MatrixMultiply(&transform, &container->owner->combinedMatrix, &toGroup);
        batch.meshes.push_back(container->mesh);
        batch.transforms.push_back(transform);
        batch.vertexOffsets.push_back(batch.vertices);
        batch.faceOffsets.push_back(batch.faces);
        batch.vertices += container->mesh->GetNumVertices();
        batch.faces += container->mesh->GetNumFaces();
    }
}

SkinInfo* BuildRigidSkin(Mesh& merged, const Batch& batch)
{
    std::set<std::string> names;
    for (std::size_t i = 0; i < batch.containers.size(); ++i)
    {
        const CMeshContainer& container = *batch.containers[i];
        if (container.pSkinInfo != nullptr)
        {
            for (std::uint32_t b = 0; b < container.pSkinInfo->GetNumBones(); ++b)
            {
                const char* name = container.pSkinInfo->GetBoneName(b);
                names.insert(name != nullptr ? name : "");
            }
            continue;
        }
        if (container.owner->Name == nullptr || container.owner->Name[0] == '\0')
        {
            char generated[128];
            std::snprintf(generated, sizeof generated, ".rigid_skinning_frame_%04x", static_cast<unsigned>(i));
            SetName(container.owner->Name, generated);
        }
        names.insert(container.owner->Name);
    }

    VertexElement declaration[kVertexDeclarationRoom];
    ReadMeshDeclaration(merged, declaration);
    SkinInfo* skin = nullptr;
    if (Platform::Gfx::Failed(Platform::GfxKit::CreateSkinInfo(merged.GetNumVertices(), declaration,
                                                               static_cast<std::uint32_t>(names.size()), &skin)))
    {
        return nullptr;
    }
    std::uint32_t bone = 0;
    for (const std::string& name : names)
    {
        std::vector<std::uint32_t> vertices;
        std::vector<float> weights;
        Matrix offset;
        for (std::size_t i = 0; i < batch.containers.size(); ++i)
        {
            const CMeshContainer& container = *batch.containers[i];
            Matrix fromGroup;
            Platform::GfxKit::MatrixInverse(&fromGroup, nullptr, &batch.transforms[i]);
            const SkinInfo* parts = container.pSkinInfo;
            if (parts == nullptr)
            {
                if (name != container.owner->Name)
                {
                    continue;
                }
                for (std::uint32_t k = 0; k < container.mesh->GetNumVertices(); ++k)
                {
                    vertices.push_back(batch.vertexOffsets[i] + k);
                    weights.push_back(1.0f);
                }
                offset = fromGroup;
                continue;
            }
            for (std::uint32_t b = 0; b < parts->GetNumBones(); ++b)
            {
                const char* boneName = parts->GetBoneName(b);
                if (name != (boneName != nullptr ? boneName : ""))
                {
                    continue;
                }
                const std::uint32_t count = parts->GetNumBoneInfluences(b);
                std::vector<std::uint32_t> partVertices(count);
                std::vector<float> partWeights(count);
                parts->GetBoneInfluence(b, partVertices.data(), partWeights.data());
                for (std::uint32_t k = 0; k < count; ++k)
                {
                    vertices.push_back(batch.vertexOffsets[i] + partVertices[k]);
                    weights.push_back(partWeights[k]);
                }
                Platform::GfxKit::MatrixMultiply(&offset, &fromGroup, parts->GetBoneOffsetMatrix(b));
            }
        }
        skin->SetBoneName(bone, name.c_str());
        skin->SetBoneInfluence(bone, static_cast<std::uint32_t>(vertices.size()), vertices.data(), weights.data());
        skin->SetBoneOffsetMatrix(bone, &offset);
        ++bone;
    }
    return skin;
}

// The batch's distinct effect instances in container-then-material order, and each face's attribute
// mapped to its instance in that list.
void MergeMaterials(CMeshContainer& merged, const Batch& batch)
{
    std::vector<EffectInstance> distinct;
    std::vector<std::uint32_t> attributes(batch.faces, 0);
    for (std::size_t i = 0; i < batch.containers.size(); ++i)
    {
        const CMeshContainer& container = *batch.containers[i];
        std::vector<std::uint32_t> slotOf(container.NumMaterials);
        for (std::uint32_t m = 0; m < container.NumMaterials; ++m)
        {
            const EffectInstance& instance = container.pEffects[m];
            const auto found = std::find_if(distinct.begin(), distinct.end(), [&instance](const EffectInstance& other) {
                return EffectInstancesEqual(instance, other);
            });
            slotOf[m] = static_cast<std::uint32_t>(found - distinct.begin());
            if (found == distinct.end())
            {
                distinct.push_back(instance);
            }
        }
        const std::vector<std::uint32_t>& source = container.mesh->Attributes();
        for (std::uint32_t f = 0; f < container.mesh->GetNumFaces(); ++f)
        {
            // A face whose attribute names no material keeps it.
            attributes[batch.faceOffsets[i] + f] = source[f] < slotOf.size() ? slotOf[source[f]] : source[f];
        }
    }
    std::uint32_t* written = nullptr;
    if (Platform::Gfx::Succeeded(merged.mesh->LockAttributeBuffer(0, &written)))
    {
        std::copy(attributes.begin(), attributes.end(), written);
        merged.mesh->UnlockAttributeBuffer();
    }
    CopyEffectInstances(merged, static_cast<std::uint32_t>(distinct.size()), distinct.data());
}

void MergeBatch(Batch& batch, CFrame& group, CEngineController& engine, bool mergeSkinned)
{
    FillBatch(batch, group);
    const std::uint32_t options = batch.vertices >= kShortIndexLimit || batch.faces >= kShortIndexLimit
                                      ? kMergedOptions | Platform::GfxKit::MeshOption::Use32Bit
                                      : kMergedOptions;
    Mesh* merged = nullptr;
    if (Platform::Gfx::Failed(Platform::GfxKit::ConcatenateMeshes(batch.meshes.data(),
                                                                  static_cast<std::uint32_t>(batch.meshes.size()),
                                                                  options, batch.transforms.data(), nullptr, nullptr,
                                                                  engine.GetDevice(), &merged)))
    {
        BaseLib::DebugOutput("meshes of frame %s could not be merged\n", group.Name != nullptr ? group.Name : "");
        batch.containers.clear(); // nothing is removed
        return;
    }
    auto* container = new CMeshContainer();
    SetMeshContainerMesh(*container, merged);
    merged->Release();
    container->MeshData.Type = Platform::GfxKit::MeshDataType::Mesh;
    if (mergeSkinned)
    {
        container->pSkinInfo = BuildRigidSkin(*merged, batch);
    }
    MergeMaterials(*container, batch);
    container->pAdjacency = new std::uint32_t[std::size_t(merged->GetNumFaces()) * 3];
    merged->GenerateAdjacency(0.0f, container->pAdjacency);
    container->pNextMeshContainer = group.pMeshContainer;
    group.pMeshContainer = container;
    container->owner = &group;
}

void RemoveMerged(const Batch& batch)
{
    for (CMeshContainer* container : batch.containers)
    {
        Platform::GfxKit::MeshContainer** link = &container->owner->pMeshContainer;
        while (*link != nullptr && *link != container)
        {
            link = &(*link)->pNextMeshContainer;
        }
        if (*link != nullptr)
        {
            *link = container->pNextMeshContainer;
        }
        container->pNextMeshContainer = nullptr;
        DestroyMeshContainer(container);
    }
}

} // namespace

bool CheckFrameNames(CFrame* root, const char* modelName)
{
    std::set<std::string> seen;
    bool unique = true;
    ForEachFrame(root, [&](CFrame& frame) {
        if (frame.Name != nullptr && !seen.insert(frame.Name).second)
        {
            BaseLib::DebugOutput("WARNING: frame name \"%s\" exists multiple times in model %s\n", frame.Name,
                                 modelName);
            unique = false;
        }
    });
    return unique;
}

void MergeMeshes(CEngineController* engine, const CModelLoadOptions& options, CFrame* root)
{
    if (options.mergeSkinnedMeshes && !CheckFrameNames(root, options.name.c_str()))
    {
        BaseLib::DebugMessageBox(Platform::MessageBoxIconWarning, "warning",
                                 "frame names in model are not unique!\n(see debug output for details)\tmodelfile = %s",
                                 options.name.c_str());
    }
    const Platform::Gfx::Caps& caps = engine->GetDeviceAdapter()->caps;
    const std::uint64_t vertexLimit = std::uint64_t(std::min(caps.MaxVertexIndex, 2147483646u)) + 1;
    const std::uint64_t faceLimit = std::uint64_t(std::min(caps.MaxPrimitiveCount, 2147483646u)) + 1;

    std::vector<std::pair<CFrame*, Batch>> groups;
    ForEachMeshContainer(root, [&](CMeshContainer& container) {
        CFrame* group = GroupFrame(container);
        if (group == nullptr || container.mesh == nullptr || container.mesh->GetNumVertices() > vertexLimit ||
            container.mesh->GetNumFaces() > faceLimit || (container.pSkinInfo != nullptr && !options.mergeSkinnedMeshes))
        {
            return;
        }
        auto found = std::find_if(groups.begin(), groups.end(), [group](const auto& g) { return g.first == group; });
        if (found == groups.end())
        {
            groups.emplace_back(group, Batch{});
            found = groups.end() - 1;
        }
        found->second.containers.push_back(&container);
    });
    for (auto& [group, batch] : groups)
    {
        if (batch.containers.size() < 2)
        {
            continue;
        }
        MergeBatch(batch, *group, *engine, options.mergeSkinnedMeshes);
        RemoveMerged(batch);
    }
}

} // namespace Qen
