#include "engine/XFileLoader.h"

#include "engine/EngineController.h"
#include "engine/MaterialConverter.h"
#include "engine/ModelLoadOptions.h"
#include "engine/RestPose.h"
#include "foundation/Debug.h"
#include "foundation/Helpers.h"
#include "foundation/Paths.h"
#include "platform/gfxkit/anim/AnimationController.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/SkinInfo.h"
#include "platform/os/MessageBox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace Qen
{

namespace
{

using Platform::Gfx::Ok;
using Platform::Gfx::Result;

constexpr const char* kTextureReference = "xfl-texture>";
// Meshes of a load live in system memory and are dynamic until preparation gives them their final
// options.
constexpr std::uint32_t kLoadMeshOptions = 0x990;

template <typename T> void ReleaseAndClear(T*& object)
{
    if (object != nullptr)
    {
        std::exchange(object, nullptr)->Release();
    }
}

// "xfl-texture>" + the file-name part of the name, formatted into a buffer of that size.
template <std::size_t Size> char* TextureReference(const char* name)
{
    char text[Size];
    std::snprintf(text, sizeof text, "%s%s", kTextureReference, BaseLib::GetFileName(name).c_str());
    return BaseLib::StrDup(text);
}

} // namespace

CFrameHierarchyAllocator::CFrameHierarchyAllocator(CEngineController* engine, CMaterialConverter* converter)
    : m_engine(engine), m_converter(converter)
{}

Result CFrameHierarchyAllocator::CreateFrame(const char* name, Platform::GfxKit::Frame** frame)
{
    auto* created = new CFrame();
    if (name != nullptr && name[0] != '\0')
    {
        SetName(created->Name, name);
    }
    *frame = created;
    return Ok;
}

Result CFrameHierarchyAllocator::CreateMeshContainer(const char* name, const Platform::GfxKit::MeshData* meshData,
                                                     const XFileMaterial* materials,
                                                     const EffectInstance* effectInstances,
                                                     std::uint32_t materialCount, const std::uint32_t* adjacency,
                                                     Platform::GfxKit::SkinInfo* skinInfo,
                                                     Platform::GfxKit::MeshContainer** container)
{
    auto* created = new CMeshContainer();
    *container = created;
    const CModelLoadOptions& options = m_options != nullptr ? *m_options : CModelLoadOptions::GetDefault();
    if (options.meshesOnlyForAnimation)
    {
        return Ok;
    }
    SetName(created->Name, name);
    Platform::GfxKit::Mesh* mesh = meshData != nullptr ? meshData->pMesh : nullptr;
    if (meshData != nullptr)
    {
        created->MeshData.Type = meshData->Type;
    }
    SetMeshContainerMesh(*created, mesh);
    ResizeMaterialArrays(*created, materials != nullptr ? materialCount : 0);
    CopyMaterials(*created, created->NumMaterials, materials);
    FillEffectInstances(*created, effectInstances);
    if (adjacency != nullptr && mesh != nullptr)
    {
        const std::size_t entries = std::size_t(mesh->GetNumFaces()) * 3;
        created->pAdjacency = new std::uint32_t[entries];
        std::memcpy(created->pAdjacency, adjacency, entries * sizeof(std::uint32_t));
    }
    created->pSkinInfo = skinInfo;
    if (skinInfo != nullptr)
    {
        skinInfo->AddRef();
    }
    return Ok;
}

void CFrameHierarchyAllocator::CopyMaterials(CMeshContainer& container, std::uint32_t count,
                                             const XFileMaterial* materials) const
{
    for (std::uint32_t i = 0; i < count; ++i)
    {
        XFileMaterial& target = container.pMaterials[i];
        target.MatD3D = materials[i].MatD3D;
        const char* texture = materials[i].pTextureFilename;
        target.pTextureFilename = texture != nullptr && texture[0] != '\0' ? TextureReference<256>(texture) : nullptr;
    }
}

void CFrameHierarchyAllocator::FillEffectInstances(CMeshContainer& container,
                                                   const EffectInstance* instances) const
{
    for (std::uint32_t i = 0; i < container.NumMaterials; ++i)
    {
        EffectInstance& target = container.pEffects[i];
        if (instances != nullptr && instances[i].pEffectFilename != nullptr)
        {
            target.pEffectFilename = BaseLib::StrDup(instances[i].pEffectFilename);
            ResizeEffectDefaults(target, instances[i].NumDefaults);
            CopyEffectDefaults(target, instances[i].pDefaults, instances[i].NumDefaults);
            PrefixXFileReferences(target, kTextureReference);
        }
        else if (m_converter != nullptr)
        {
            XFileMaterial work{};
            work.MatD3D = container.pMaterials[i].MatD3D;
            const char* texture = container.pMaterials[i].pTextureFilename;
            work.pTextureFilename = texture != nullptr ? TextureReference<512>(texture) : nullptr;
            m_converter->ConvertMaterial(work, target);
            BaseLib::StrFree(work.pTextureFilename);
            PrefixXFileReferences(target, nullptr);
        }
    }
}

Result CFrameHierarchyAllocator::DestroyFrame(Platform::GfxKit::Frame* frame)
{
    Qen::DestroyFrame(static_cast<CFrame*>(frame));
    return Ok;
}

Result CFrameHierarchyAllocator::DestroyMeshContainer(Platform::GfxKit::MeshContainer* container)
{
    Qen::DestroyMeshContainer(static_cast<CMeshContainer*>(container));
    return Ok;
}

CXFileLoader::CXFileLoader(CEngineController* engine)
    : m_engine(engine), m_converter(new CMaterialConverter(engine))
{}

CXFileLoader::~CXFileLoader()
{
    delete m_converter;
    ReleaseAndClear(m_controller);
    ReleaseAndClear(m_set);
}

void CXFileLoader::ClearResults()
{
    m_root = nullptr;
    ReleaseAndClear(m_controller);
    ReleaseAndClear(m_set);
}

bool CXFileLoader::LoadMeshHierarchy(CFrameHierarchyAllocator& allocator, const std::string& fileName,
                                     const CModelLoadOptions& options)
{
    allocator.SetLoadOptions(&options);
    allocator.SetMaterialConverter(m_converter);
    const std::string resolved = m_engine->GetPathAliases().ResolvePath(fileName);
    ReleaseAndClear(m_controller);
    ReleaseAndClear(m_set);
    m_root = nullptr;
    Platform::GfxKit::Frame* root = nullptr;
    const Result loaded = Platform::GfxKit::LoadMeshHierarchyFromX(
        resolved.c_str(), kLoadMeshOptions, m_engine->GetDevice(), &allocator, nullptr, &root, &m_controller);
    if (Platform::Gfx::Failed(loaded) || root == nullptr)
    {
        ReleaseAndClear(m_controller);
        Platform::MessageBoxA(nullptr, fileName.c_str(), "failed to load mesh from x-file",
                              Platform::MessageBoxIconError);
        return false;
    }
    m_root = static_cast<CFrame*>(root);
    if (m_controller != nullptr)
    {
        Platform::GfxKit::AnimationController* clone = nullptr;
        m_controller->CloneAnimationController(std::max(1u, m_controller->GetMaxNumAnimationOutputs()),
                                               std::max(64u, m_controller->GetMaxNumAnimationSets()),
                                               std::max(1u, m_controller->GetMaxNumTracks()),
                                               std::max(1u, m_controller->GetMaxNumEvents()), &clone);
        std::exchange(m_controller, clone)->Release();
    }
    if (m_controller != nullptr && m_controller->GetNumAnimationSets() >= 1)
    {
        m_controller->GetAnimationSet(0, &m_set);
        if (m_controller->GetNumAnimationSets() != 1)
        {
            BaseLib::DebugOutput("warn: x-files containing multiple animations are not supported! %s\n",
                                 fileName.c_str());
        }
    }
    return true;
}

Platform::GfxKit::AnimationController* CXFileLoader::GetAnimationController() const
{
    if (m_controller != nullptr)
    {
        m_controller->AddRef();
    }
    return m_controller;
}

Platform::GfxKit::AnimationSet* CXFileLoader::GetAnimationSet() const
{
    if (m_set != nullptr)
    {
        m_set->AddRef();
    }
    return m_set;
}

void LoadAnimationFromXFile(const std::string& fileName, CEngineController* engine,
                            Platform::GfxKit::AnimationSet** set)
{
    *set = nullptr;
    CFrameHierarchyAllocator allocator(engine, nullptr);
    CModelLoadOptions options = CModelLoadOptions::GetDefault();
    options.loadMaterials = false;
    options.finishModel = false;
    options.meshesOnlyForAnimation = true;
    options.finalMeshOptions = kLoadMeshOptions;
    allocator.SetLoadOptions(&options);

    const std::string resolved = engine->GetPathAliases().ResolvePath(fileName);
    Platform::GfxKit::Frame* root = nullptr;
    Platform::GfxKit::AnimationController* controller = nullptr;
    const Result loaded = Platform::GfxKit::LoadMeshHierarchyFromX(
        resolved.c_str(), kLoadMeshOptions, engine->GetDevice(), &allocator, nullptr, &root, &controller);
    if (Platform::Gfx::Failed(loaded))
    {
        Platform::MessageBoxA(nullptr, fileName.c_str(), "failed to load anim from x-file",
                              Platform::MessageBoxIconError);
    }
    if (controller != nullptr && controller->GetNumAnimationSets() >= 1)
    {
        if (controller->GetNumAnimationSets() > 1)
        {
            BaseLib::DebugOutput("warn: x-file containing multiple animations are not supported! %s\n",
                                 fileName.c_str());
        }
        controller->GetAnimationSet(0, set);
    }
    else if (root != nullptr)
    {
        // Without a root there is nothing to build a pose from: the output stays empty.
        LinkFrames(static_cast<CFrame*>(root));
        *set = BuildRestPoseSet(static_cast<CFrame*>(root), ".default");
    }
    Platform::GfxKit::FrameDestroy(root, &allocator);
    ReleaseAndClear(controller);
}

} // namespace Qen
