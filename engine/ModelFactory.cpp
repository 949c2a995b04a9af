#include "engine/ModelFactory.h"

#include "engine/EngineController.h"
#include "engine/ModelFinishing.h"
#include "engine/ModelPreparation.h"
#include "foundation/Debug.h"
#include "foundation/Helpers.h"
#include "foundation/Paths.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfxkit/anim/AnimationController.h"
#include "platform/gfxkit/anim/AnimationSet.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/Shapes.h"
#include "platform/os/MessageBox.h"

#include <bit>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

namespace Qen
{

using Platform::GfxKit::AnimationController;
using Platform::GfxKit::AnimationSet;

namespace
{

template <typename T> void ReleaseAndClear(T*& object)
{
    if (object != nullptr)
    {
        std::exchange(object, nullptr)->Release();
    }
}

std::uint32_t OptionFlags(const CModelLoadOptions& o)
{
    const bool flags[] = {o.buildShadowVolume, o.generateNormals,       o.generateTangents,
                          o.generateBinormals, o.readStreamsFromEffects, o.stripNormals,
                          o.loadMaterials,     o.finishModel,            o.pruneEmptyLeafFrames,
                          o.pruneUnnamedEmptyLeafFrames, o.meshesOnlyForAnimation, o.mergeMeshes,
                          o.mergeSkinnedMeshes, o.weldVertices};
    std::uint32_t word = 0;
    for (bool flag : flags)
    {
        word = (word << 1) | (flag ? 1u : 0u);
    }
    return word;
}

std::uint32_t FloatHash(const CModelLoadOptions& o)
{
    const auto bits = [](float value) { return std::bit_cast<std::uint32_t>(value); };
    std::uint32_t hash = bits(o.shadowVolumeLightDirection.x) ^ bits(o.shadowVolumeLightDirection.y);
    hash += bits(o.shadowVolumeLightDirection.z);
    hash -= bits(o.shadowVolumeLightPosition.x);
    hash ^= bits(o.shadowVolumeLightPosition.y);
    hash += bits(o.shadowVolumeLightPosition.z);
    hash -= bits(o.shadowVolumePullIn);
    hash ^= bits(o.shadowVolumeExtrusion);
    return hash;
}

// Each container of `into`, in hierarchy order, takes the mesh of the container at the same place in
// `from`; the shorter list decides. Returns whether both had as many containers.
bool ShareMeshes(CFrame* from, CFrame* into)
{
    std::vector<CMeshContainer*> sources;
    ForEachMeshContainer(from, [&sources](CMeshContainer& c) { sources.push_back(&c); });
    std::size_t i = 0;
    std::size_t targets = 0;
    ForEachMeshContainer(into, [&sources, &i, &targets](CMeshContainer& c) {
        ++targets;
        if (i < sources.size())
        {
            SetMeshContainerMesh(c, sources[i++]->mesh);
        }
    });
    return targets == sources.size();
}

} // namespace

CModelFactory::TModelParameters::TModelParameters(const TModelParameters& other) : CResourceParameters(other)
{
    *this = other;
}

CModelFactory::TModelParameters& CModelFactory::TModelParameters::operator=(const TModelParameters& other)
{
    if (this == &other)
    {
        return *this;
    }
    source = other.source;
    kind = other.kind;
    fileName = other.fileName;
    options = other.options;
    boxWidth = other.boxWidth;
    boxHeight = other.boxHeight;
    boxDepth = other.boxDepth;
    radius1 = other.radius1;
    radius2 = other.radius2;
    slices = other.slices;
    stacks = other.stacks;
    sides = other.sides;
    rings = other.rings;
    BaseLib::StrFree(material.pTextureFilename);
    material.MatD3D = other.material.MatD3D;
    material.pTextureFilename = BaseLib::StrDup(other.material.pTextureFilename);
    return *this;
}

CModelFactory::TModelParameters::~TModelParameters()
{
    BaseLib::StrFree(material.pTextureFilename);
}

CModelFactory::CModelFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry)
    : CResourceFactory(registry, nullptr), m_engine(engine),
      // The engine's converter from the start, so that a primitive made before any X file still gets a
      // standard effect for its material (the loader would hand it over only with the first file).
      m_allocator(new CFrameHierarchyAllocator(
          engine, engine->GetXFileLoader() != nullptr ? engine->GetXFileLoader()->GetMaterialConverter() : nullptr))
{}

CModelFactory::~CModelFactory()
{
    GetRegistry()->DestroyResourcesOf(this);
    delete m_allocator;
}

std::string CModelFactory::BuildModelKey(const std::string& fileName, const CModelLoadOptions& options) const
{
    const std::string path = BaseLib::GetFullPath(m_engine->GetPathAliases().ResolvePath(fileName));
    char suffix[128];
    std::snprintf(suffix, sizeof(suffix), "_0x%x_0x%x_0x%x", OptionFlags(options), FloatHash(options),
                  options.finalMeshOptions);
    return path + suffix;
}

BaseLib::CResourcePtr<CModel> CModelFactory::GetModel(CModelLoadOptions* options, const std::string& fileName,
                                                      bool clone)
{
    CModelLoadOptions& used = options != nullptr ? *options : CModelLoadOptions::GetDefault();
    used.name = fileName;
    TModelParameters parameters;
    parameters.kind = ModelFromXFile;
    parameters.fileName = fileName;
    parameters.options = used;
    BaseLib::CResourcePtr<CModel> model;
    AssignTypedResource(model, GetResource(BuildModelKey(fileName, used), parameters, clone, false));
    return model;
}

BaseLib::CResource* CModelFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    auto* model = new CModel(m_engine, this);
    model->SetParameters(std::make_unique<TModelParameters>(static_cast<const TModelParameters&>(parameters)));
    // Loaded by GetResource (and CreateClone) right after this, once: loading here as well would read a
    // file that fails twice and show its boxes twice.
    return model;
}

void CModelFactory::Destroy(BaseLib::CResource* resource)
{
    auto* model = static_cast<CModel*>(resource);
    const std::int32_t state = model->GetState();
    if (state == BaseLib::ResourceLoaded)
    {
        model->SetState(BaseLib::ResourceUnloaded);
        Unload(model);
    }
    else if (state == BaseLib::ResourceScheduled)
    {
        model->SetState(BaseLib::ResourceUnloaded);
    }
    AnimationController* controller = nullptr;
    CFrame* root = model->TakeHierarchy(controller);
    if (root != nullptr)
    {
        Platform::GfxKit::FrameDestroy(root, m_allocator);
    }
    ReleaseAndClear(controller);
    model->SetParameters(nullptr);
    delete model;
}

bool CModelFactory::Load(BaseLib::CResource* resource)
{
    auto& model = static_cast<CModel&>(*resource);
    const auto& parameters = static_cast<const TModelParameters&>(*model.GetParameters());
    if (parameters.source)
    {
        // The factory has no streaming thread: a source is never scheduled here, but one made elsewhere
        // is waited for (no registry lock is held in a factory's Load).
        parameters.source->WaitUntilLoaded();
        const auto& source = static_cast<const CModel&>(*parameters.source);
        if (source.GetFrameRoot() == nullptr)
        {
            return false;
        }
        if (model.GetFrameRoot() == nullptr)
        {
            model.CopyHierarchyFrom(source);
        }
        else
        {
            ShareMeshes(source.GetFrameRoot(), model.GetFrameRoot());
        }
        return true;
    }

    const bool reloading = model.GetFrameRoot() != nullptr;
    CFrame* root = nullptr;
    AnimationController* controller = nullptr;
    AnimationSet* set = nullptr;
    LoadModelFile(parameters, root, controller, set);
    if (root == nullptr)
    {
        ReleaseAndClear(controller);
        ReleaseAndClear(set);
        return false;
    }
    if (reloading)
    {
        if (!ShareMeshes(root, model.GetFrameRoot()))
        {
            BaseLib::DebugOutput("model %s: the reloaded file has another number of meshes\n", model.GetId().c_str());
        }
        Platform::GfxKit::FrameDestroy(root, m_allocator);
        ReleaseAndClear(controller);
        ReleaseAndClear(set);
        return true;
    }
    BaseLib::CResourcePtr<CAnimation> animation;
    if (set != nullptr && m_engine->GetAnimationFactory() != nullptr)
    {
        m_engine->GetAnimationFactory()->GetAnimation(animation, set, true, 0, 0.02f, parameters.fileName);
    }
    model.SetHierarchy(root, controller, animation.Get());
    ReleaseAndClear(controller);
    ReleaseAndClear(set);
    return true;
}

void CModelFactory::Unload(BaseLib::CResource* resource)
{
    static_cast<CModel*>(resource)->ReleaseDeviceObject();
}

CFrame* CModelFactory::MakePrimitive(const TModelParameters& p)
{
    using namespace Platform::GfxKit;
    Platform::Gfx::Device* device = m_engine->GetDevice();
    Mesh* mesh = nullptr;
    ByteBuffer* adjacency = nullptr;
    switch (p.kind)
    {
    case ModelBox:
        CreateBox(device, p.boxWidth, p.boxHeight, p.boxDepth, &mesh, &adjacency);
        break;
    case ModelSphere:
        CreateSphere(device, p.radius1, p.slices, p.stacks, &mesh, &adjacency);
        break;
    case ModelCylinder:
        CreateCylinder(device, p.radius1, p.radius2, p.boxHeight, p.slices, p.stacks, &mesh, &adjacency);
        break;
    case ModelTorus:
        CreateTorus(device, p.radius1, p.radius2, p.sides, p.rings, &mesh, &adjacency);
        break;
    case ModelTeapot:
        CreateTeapot(device, &mesh, &adjacency);
        break;
    default:
        break; // 1, and anything outside 0 … 6, is no kind
    }
    if (mesh == nullptr)
    {
        ReleaseAndClear(adjacency);
        return nullptr;
    }
    MeshData data;
    data.Type = MeshDataType::Mesh;
    data.pMesh = mesh;
    m_allocator->SetLoadOptions(&p.options);
    MeshContainer* container = nullptr;
    m_allocator->CreateMeshContainer(
        nullptr, &data, &p.material, nullptr, 1,
        adjacency != nullptr ? static_cast<const std::uint32_t*>(adjacency->GetBufferPointer()) : nullptr, nullptr,
        &container);
    ReleaseAndClear(adjacency);
    ReleaseAndClear(mesh);
    Frame* frame = nullptr;
    m_allocator->CreateFrame(nullptr, &frame);
    container->pNextMeshContainer = frame->pMeshContainer;
    frame->pMeshContainer = container;
    static_cast<CMeshContainer*>(container)->owner = static_cast<CFrame*>(frame);
    m_allocator->SetLoadOptions(nullptr);
    return static_cast<CFrame*>(frame);
}

void CModelFactory::LoadModelFile(const TModelParameters& parameters, CFrame*& root, AnimationController*& controller,
                                  AnimationSet*& set)
{
    root = nullptr;
    ReleaseAndClear(controller);
    ReleaseAndClear(set);
    CFrame* loaded = nullptr;
    if (parameters.kind == ModelFromXFile)
    {
        CXFileLoader* loader = m_engine->GetXFileLoader();
        if (loader == nullptr || !loader->LoadMeshHierarchy(*m_allocator, parameters.fileName, parameters.options))
        {
            BaseLib::DebugMessageBox(Platform::MessageBoxIconError, "could not load model file.", "filename = %s",
                                     parameters.fileName.c_str());
            return;
        }
        loaded = loader->GetFrameRoot();
        controller = loader->GetAnimationController();
        set = loader->GetAnimationSet();
        loader->ClearResults();
        m_allocator->SetLoadOptions(nullptr);
    }
    else
    {
        loaded = MakePrimitive(parameters);
    }
    if (loaded != nullptr)
    {
        PrepareModel(m_engine, parameters.options, loaded);
        if (parameters.options.finishModel)
        {
            FinishModel(m_engine, loaded, parameters.options, set);
        }
    }
    root = loaded;
}

} // namespace Qen
