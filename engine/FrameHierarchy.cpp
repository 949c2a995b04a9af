#include "engine/FrameHierarchy.h"

#include "engine/Material.h"
#include "engine/VertexElements.h"
#include "foundation/Debug.h"
#include "foundation/Helpers.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/SkinInfo.h"

#include <cstring>
#include <vector>

namespace Qen
{

namespace
{

template <typename T> void ReleaseAndClear(T*& object)
{
    if (object != nullptr)
    {
        object->Release();
        object = nullptr;
    }
}

template <typename T> T* AddRefed(T* object)
{
    if (object != nullptr)
    {
        object->AddRef();
    }
    return object;
}

// The matrix that bones without a frame follow: nothing ever writes it.
Matrix s_unboundBone;

void SetEmptySphere(Vector3& centre, float& radius)
{
    centre = {kEmptySphereCentre, kEmptySphereCentre, kEmptySphereCentre};
    radius = kEmptySphereRadius;
}

std::uint32_t* CopyAdjacency(const CMeshContainer& source)
{
    if (source.pAdjacency == nullptr || source.mesh == nullptr)
    {
        return nullptr;
    }
    const std::size_t entries = std::size_t(source.mesh->GetNumFaces()) * 3;
    auto* copy = new std::uint32_t[entries];
    std::memcpy(copy, source.pAdjacency, entries * sizeof(std::uint32_t));
    return copy;
}

} // namespace

CFrame::CFrame() = default;

CMeshContainer::CMeshContainer()
{
    MeshData.Type = 0;
}

Platform::GfxKit::BoneCombination* CMeshContainer::BoneCombinations() const
{
    return boneCombinations == nullptr
               ? nullptr
               : static_cast<Platform::GfxKit::BoneCombination*>(boneCombinations->GetBufferPointer());
}

void LinkFrames(CFrame* frame)
{
    for (CFrame* f = frame; f != nullptr; f = f->Sibling())
    {
        for (CMeshContainer* c = f->FirstContainer(); c != nullptr; c = c->Next())
        {
            c->owner = f;
        }
        for (CFrame* child = f->FirstChild(); child != nullptr; child = child->Sibling())
        {
            child->parent = f;
        }
        LinkFrames(f->FirstChild());
    }
}

void ForEachFrame(CFrame* root, const std::function<void(CFrame&)>& visit)
{
    if (root == nullptr)
    {
        return;
    }
    // Depth first, pre-order; an explicit stack keeps deep chains off the call stack.
    std::vector<CFrame*> pending{root};
    while (!pending.empty())
    {
        CFrame* frame = pending.back();
        pending.pop_back();
        visit(*frame);
        if (frame != root && frame->Sibling() != nullptr)
        {
            pending.push_back(frame->Sibling());
        }
        if (frame->FirstChild() != nullptr)
        {
            pending.push_back(frame->FirstChild());
        }
    }
}

void ForEachMeshContainer(CFrame* root, const std::function<void(CMeshContainer&)>& visit)
{
    ForEachFrame(root, [&visit](CFrame& frame) {
        for (CMeshContainer* c = frame.FirstContainer(); c != nullptr;)
        {
            CMeshContainer* next = c->Next(); // the visit may unlink c
            visit(*c);
            c = next;
        }
    });
}

CFrame* CloneFrameHierarchy(const CFrame* source)
{
    auto* copy = new CFrame();
    SetName(copy->Name, source->Name);
    copy->TransformationMatrix = source->TransformationMatrix;
    if (source->Sibling() != nullptr)
    {
        copy->pFrameSibling = CloneFrameHierarchy(source->Sibling());
    }
    if (source->FirstChild() != nullptr)
    {
        copy->pFrameFirstChild = CloneFrameHierarchy(source->FirstChild());
        for (CFrame* child = copy->FirstChild(); child != nullptr; child = child->Sibling())
        {
            child->parent = copy;
        }
    }
    if (source->FirstContainer() != nullptr)
    {
        copy->pMeshContainer = CloneMeshContainer(source->FirstContainer());
        for (CMeshContainer* c = copy->FirstContainer(); c != nullptr; c = c->Next())
        {
            c->owner = copy;
        }
    }
    if (source->visibilityFrame != nullptr)
    {
        const CFrame* sourceChild = source->FirstChild();
        CFrame* copyChild = copy->FirstChild();
        while (sourceChild != nullptr && sourceChild != source->visibilityFrame)
        {
            sourceChild = sourceChild->Sibling();
            copyChild = copyChild->Sibling();
        }
        copy->visibilityFrame = sourceChild != nullptr ? copyChild : nullptr;
    }
    copy->combinedMatrix = source->combinedMatrix;
    copy->sphereCentre = source->sphereCentre;
    copy->sphereRadius = source->sphereRadius;
    copy->visible = source->visible;
    return copy;
}

void RemoveChildFrame(CFrame* parent, CFrame* child)
{
    if (parent == nullptr || child == nullptr)
    {
        return;
    }
    Platform::GfxKit::Frame** link = &parent->pFrameFirstChild;
    while (*link != nullptr && *link != child)
    {
        link = &(*link)->pFrameSibling;
    }
    if (*link == nullptr)
    {
        return;
    }
    if (parent->visibilityFrame == child)
    {
        parent->visibilityFrame = nullptr;
    }
    *link = child->pFrameSibling;
    child->pFrameSibling = nullptr;
    child->parent = nullptr;
}

void UpdateFrameMatrices(CFrame* frame, const Matrix& parentMatrix)
{
    for (CFrame* f = frame; f != nullptr; f = f->Sibling())
    {
        Platform::GfxKit::MatrixMultiply(&f->combinedMatrix, &f->TransformationMatrix, &parentMatrix);
        if (f->FirstChild() != nullptr)
        {
            UpdateFrameMatrices(f->FirstChild(), f->combinedMatrix);
        }
    }
}

void SetName(char*& field, const char* text)
{
    char* copy = BaseLib::StrDup(text);
    BaseLib::StrFree(field);
    field = copy;
}

void DestroyFrame(CFrame* frame)
{
    if (frame != nullptr)
    {
        BaseLib::StrFree(frame->Name);
        delete frame;
    }
}

void DestroyFrameHierarchy(CFrame* frame)
{
    while (frame != nullptr)
    {
        CFrame* sibling = frame->Sibling();
        DestroyFrameHierarchy(frame->FirstChild());
        for (CMeshContainer* c = frame->FirstContainer(); c != nullptr;)
        {
            CMeshContainer* next = c->Next();
            DestroyMeshContainer(c);
            c = next;
        }
        DestroyFrame(frame);
        frame = sibling;
    }
}

void EmptyMeshContainer(CMeshContainer& container)
{
    SetMeshContainerMesh(container, nullptr);
    ReleaseAndClear(container.pSkinInfo);
    ReleaseAndClear(container.boneCombinations);
    container.numBoneCombinations = 0;
    SetName(container.Name, nullptr);
    ResizeMaterialArrays(container, 0);
    delete[] container.pAdjacency;
    container.pAdjacency = nullptr;
    delete[] container.boneMatrices;
    container.boneMatrices = nullptr;
}

void DestroyMeshContainer(CMeshContainer* container)
{
    if (container != nullptr)
    {
        EmptyMeshContainer(*container);
        delete container;
    }
}

void ResizeMaterialArrays(CMeshContainer& container, std::uint32_t count)
{
    if (count == container.NumMaterials)
    {
        return;
    }
    for (std::uint32_t i = 0; i < container.NumMaterials; ++i)
    {
        BaseLib::StrFree(container.pMaterials[i].pTextureFilename);
        FreeEffectInstance(container.pEffects[i]);
    }
    delete[] container.pMaterials;
    delete[] container.pEffects;
    delete[] container.materials;
    container.pMaterials = nullptr;
    container.pEffects = nullptr;
    container.materials = nullptr;
    if (count != 0)
    {
        container.pMaterials = new XFileMaterial[count]{};
        container.pEffects = new EffectInstance[count];
        for (std::uint32_t i = 0; i < count; ++i)
        {
            InitEffectInstance(container.pEffects[i]);
        }
        container.materials = new BaseLib::CResourcePtr<CMaterial>[count];
    }
    container.NumMaterials = count;
}

void CopyXFileMaterials(CMeshContainer& container, std::uint32_t count, const XFileMaterial* materials)
{
    ResizeMaterialArrays(container, count);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        container.pMaterials[i].MatD3D = materials[i].MatD3D;
        SetName(container.pMaterials[i].pTextureFilename, materials[i].pTextureFilename);
    }
}

void CopyEffectInstances(CMeshContainer& container, std::uint32_t count, const EffectInstance* instances)
{
    ResizeMaterialArrays(container, count);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        EffectInstance& target = container.pEffects[i];
        FreeEffectInstance(target);
        target.pEffectFilename = BaseLib::StrDup(instances[i].pEffectFilename);
        ResizeEffectDefaults(target, instances[i].NumDefaults);
        CopyEffectDefaults(target, instances[i].pDefaults, instances[i].NumDefaults);
    }
}

CMeshContainer* CloneMeshContainer(const CMeshContainer* source)
{
    auto* copy = new CMeshContainer();
    SetName(copy->Name, source->Name);
    SetMeshContainerMesh(*copy, source->mesh);
    copy->MeshData.Type = source->MeshData.Type;
    if (source->pMaterials != nullptr)
    {
        CopyXFileMaterials(*copy, source->NumMaterials, source->pMaterials);
    }
    if (source->pEffects != nullptr)
    {
        CopyEffectInstances(*copy, source->NumMaterials, source->pEffects);
    }
    copy->pAdjacency = CopyAdjacency(*source);
    if (source->materials != nullptr)
    {
        ResizeMaterialArrays(*copy, source->NumMaterials);
        for (std::uint32_t i = 0; i < source->NumMaterials; ++i)
        {
            CMaterial* material = source->materials[i].Get();
            if (material == nullptr)
            {
                copy->materials[i] = nullptr;
                continue;
            }
            material->WaitUntilLoaded();
            BaseLib::CResourcePtr<BaseLib::CResource> clone = material->Clone();
            copy->materials[i] = static_cast<CMaterial*>(clone.Get());
        }
    }
    copy->pSkinInfo = AddRefed(source->pSkinInfo);
    if (source->Next() != nullptr)
    {
        copy->pNextMeshContainer = CloneMeshContainer(source->Next());
    }
    copy->maxVertexInfluences = source->maxVertexInfluences;
    copy->numBoneCombinations = source->numBoneCombinations;
    copy->paletteSize = source->paletteSize;
    copy->softwareSkinning = source->softwareSkinning;
    copy->enabled = source->enabled;
    copy->boneCombinations = AddRefed(source->boneCombinations);
    return copy;
}

void SetMeshContainerMesh(CMeshContainer& container, Platform::GfxKit::Mesh* mesh)
{
    AddRefed(mesh);
    ReleaseAndClear(container.mesh);
    container.mesh = mesh;
    container.MeshData.pMesh = mesh;
}

void BindBoneMatrices(CMeshContainer& container, CFrame* root, const char* modelName)
{
    Platform::GfxKit::SkinInfo* skin = container.pSkinInfo;
    const std::uint32_t bones = skin != nullptr ? skin->GetNumBones() : 1;
    if (container.boneMatrices == nullptr)
    {
        container.boneMatrices = new Matrix*[bones == 0 ? 1 : bones]{};
    }
    if (skin == nullptr)
    {
        container.boneMatrices[0] = container.owner != nullptr ? &container.owner->combinedMatrix : nullptr;
        return;
    }
    for (std::uint32_t i = 0; i < bones; ++i)
    {
        const char* name = skin->GetBoneName(i);
        auto* frame = static_cast<CFrame*>(Platform::GfxKit::FrameFind(root, name));
        if (frame != nullptr)
        {
            container.boneMatrices[i] = &frame->combinedMatrix;
            continue;
        }
        container.boneMatrices[i] = &s_unboundBone;
        BaseLib::DebugOutput("bone %s not found in %s\n", name != nullptr ? name : "",
                             modelName != nullptr ? modelName : "");
    }
}

void ComputeMeshContainerBounds(CMeshContainer& container)
{
    Platform::GfxKit::Mesh* mesh = container.mesh;
    if (mesh == nullptr)
    {
        SetEmptySphere(container.sphereCentre, container.sphereRadius);
        return;
    }
    VertexElement declaration[kVertexDeclarationRoom];
    ReadMeshDeclaration(*mesh, declaration);
    const int position = FindVertexElement(declaration, Platform::Gfx::DeclUsage::Position, 0);
    void* vertices = nullptr;
    if (position < 0 || mesh->GetNumVertices() == 0 ||
        Platform::Gfx::Failed(mesh->LockVertexBuffer(Platform::Gfx::LockFlag::ReadOnly, &vertices)))
    {
        SetEmptySphere(container.sphereCentre, container.sphereRadius);
        return;
    }
    const auto* first =
        reinterpret_cast<const Vector3*>(static_cast<const std::uint8_t*>(vertices) + declaration[position].Offset);
    Platform::GfxKit::ComputeBoundingSphere(first, mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(),
                                            &container.sphereCentre, &container.sphereRadius);
    mesh->UnlockVertexBuffer();
}

std::uint32_t GetMaterialSortKey(const CMeshContainer& container)
{
    if (container.NumMaterials == 0 || container.materials == nullptr || !container.materials[0])
    {
        return 0;
    }
    CMaterial* material = container.materials[0].Get();
    material->WaitUntilLoaded();
    return static_cast<std::uint32_t>(~material->GetSortValue()) & 0xFFFFu;
}

} // namespace Qen
