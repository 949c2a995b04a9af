#include "engine/ModelFinishing.h"

#include "engine/DisplaySettings.h"
#include "engine/EngineController.h"
#include "engine/ModelLoadOptions.h"
#include "engine/VertexElements.h"
#include "foundation/Helpers.h"
#include "platform/gfxkit/anim/AnimationSet.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/SkinInfo.h"

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Qen
{

namespace
{

constexpr char kPriorityWord[] = "renderpriority";
constexpr std::int32_t kDefaultPriority = 50;
constexpr std::uint32_t kOptimizeFlags = 0x07000000;      // compact, attribute sort, vertex cache
constexpr std::uint32_t kDoNotSplit = 0x20000000;
constexpr std::uint32_t kHardwareVertexProcessing = 0x40;
constexpr std::uint32_t kLargeMeshElements = 65536;

// The engine and options of the finishing in progress.
CEngineController* g_finishingEngine = nullptr;
const CModelLoadOptions* g_finishingOptions = nullptr;

bool StartsWithNumber(const char* text)
{
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' || *text == '\v')
    {
        ++text;
    }
    if (*text == '+' || *text == '-')
    {
        ++text;
    }
    return std::isdigit(static_cast<unsigned char>(*text)) != 0;
}

const CMeshContainer* SortingContainer(const CFrame& frame)
{
    if (frame.FirstContainer() != nullptr)
    {
        return frame.FirstContainer();
    }
    return frame.FirstChild() != nullptr ? frame.FirstChild()->FirstContainer() : nullptr;
}

// Exchange sort: for every i, each later j swaps with it when before(j, i).
template <typename T, typename Before> void ExchangeSort(std::vector<T>& items, Before before)
{
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        for (std::size_t j = i + 1; j < items.size(); ++j)
        {
            if (before(items[j], items[i]))
            {
                std::swap(items[i], items[j]);
            }
        }
    }
}

void SortContainers(CFrame& frame)
{
    std::vector<CMeshContainer*> containers;
    for (CMeshContainer* c = frame.FirstContainer(); c != nullptr; c = c->Next())
    {
        containers.push_back(c);
    }
    ExchangeSort(containers, [](const CMeshContainer* a, const CMeshContainer* b) {
        return GetMaterialSortKey(*a) > GetMaterialSortKey(*b);
    });
    Platform::GfxKit::MeshContainer** link = &frame.pMeshContainer;
    for (CMeshContainer* c : containers)
    {
        *link = c;
        link = &c->pNextMeshContainer;
    }
    *link = nullptr;
}

void SortSiblings(Platform::GfxKit::Frame*& head)
{
    std::vector<CFrame*> frames;
    for (auto* frame = static_cast<CFrame*>(head); frame != nullptr; frame = frame->Sibling())
    {
        frames.push_back(frame);
        SortContainers(*frame);
    }
    ExchangeSort(frames, [](const CFrame* a, const CFrame* b) { return GetFrameSortKey(*a) < GetFrameSortKey(*b); });
    Platform::GfxKit::Frame** link = &head;
    for (CFrame* frame : frames)
    {
        *link = frame;
        link = &frame->pFrameSibling;
    }
    *link = nullptr;
    for (CFrame* frame : frames)
    {
        if (frame->pFrameFirstChild != nullptr)
        {
            SortSiblings(frame->pFrameFirstChild);
        }
    }
}

// The mesh cloned with these options and declaration replaces the container's; a failed clone keeps it.
void ReplaceMesh(CMeshContainer& container, std::uint32_t options, const VertexElement* declaration)
{
    Platform::GfxKit::Mesh* clone = nullptr;
    if (Platform::Gfx::Succeeded(
            container.mesh->CloneMesh(options, declaration, g_finishingEngine->GetDevice(), &clone)) &&
        clone != nullptr)
    {
        SetMeshContainerMesh(container, clone);
        clone->Release();
    }
}

void FinishMesh(CMeshContainer& container, std::uint32_t optimizeFlags)
{
    Platform::GfxKit::Mesh* mesh = container.mesh;
    if (mesh == nullptr)
    {
        return;
    }
    mesh->OptimizeInplace(optimizeFlags, container.pAdjacency, container.pAdjacency, nullptr, nullptr);
    delete[] container.pAdjacency;
    container.pAdjacency = nullptr;

    VertexElement declaration[kVertexDeclarationRoom];
    if (g_finishingOptions->stripNormals)
    {
        ReadMeshDeclaration(*container.mesh, declaration);
        if (RemoveNormalElement(declaration))
        {
            ReplaceMesh(container, container.mesh->GetOptions(), declaration);
        }
    }

    mesh = container.mesh;
    std::uint32_t wanted = g_finishingOptions->finalMeshOptions;
    if (container.softwareSkinning && (wanted & Platform::GfxKit::MeshOption::Managed) == Platform::GfxKit::MeshOption::Managed)
    {
        wanted = (wanted & ~Platform::GfxKit::MeshOption::Managed) | Platform::GfxKit::MeshOption::SystemMem;
    }
    if ((mesh->GetOptions() & Platform::GfxKit::MeshOption::Use32Bit) != 0 &&
        (mesh->GetNumFaces() >= kLargeMeshElements || mesh->GetNumVertices() >= kLargeMeshElements))
    {
        wanted |= Platform::GfxKit::MeshOption::Use32Bit;
    }
    if (wanted != mesh->GetOptions())
    {
        ReadMeshDeclaration(*mesh, declaration);
        ReplaceMesh(container, wanted, declaration);
    }
}

// Names that must keep their frames: bones of the hierarchy's skins and targets of the set.
std::set<std::string> FramesInUse(CFrame* root, const Platform::GfxKit::AnimationSet* set)
{
    std::set<std::string> names;
    ForEachMeshContainer(root, [&names](CMeshContainer& container) {
        if (container.pSkinInfo != nullptr)
        {
            for (std::uint32_t bone = 0; bone < container.pSkinInfo->GetNumBones(); ++bone)
            {
                const char* name = container.pSkinInfo->GetBoneName(bone);
                if (name != nullptr)
                {
                    names.insert(name);
                }
            }
        }
    });
    if (set != nullptr)
    {
        for (std::uint32_t i = 0; i < set->GetNumAnimations(); ++i)
        {
            const char* name = nullptr;
            if (Platform::Gfx::Succeeded(set->GetAnimationNameByIndex(i, &name)) && name != nullptr)
            {
                names.insert(name);
            }
        }
    }
    return names;
}

bool Removable(const CFrame& frame, const std::set<std::string>& inUse)
{
    if (frame.FirstChild() != nullptr || frame.FirstContainer() != nullptr)
    {
        return false;
    }
    const bool unnamed = frame.Name == nullptr || frame.Name[0] == '\0';
    if (!g_finishingOptions->pruneEmptyLeafFrames)
    {
        return unnamed;
    }
    return unnamed || inUse.count(frame.Name) == 0;
}

// Children before their parent, so that a frame whose children all went may go in turn.
void PruneChildren(CFrame& frame, const std::set<std::string>& inUse)
{
    CFrame* child = frame.FirstChild();
    while (child != nullptr)
    {
        CFrame* next = child->Sibling();
        PruneChildren(*child, inUse);
        if (Removable(*child, inUse))
        {
            RemoveChildFrame(&frame, child);
            DestroyFrame(child);
        }
        child = next;
    }
}

} // namespace

std::int32_t GetRenderPriority(const char* name)
{
    if (name == nullptr)
    {
        return kDefaultPriority;
    }
    const char* word = std::strstr(name, kPriorityWord);
    if (word == nullptr)
    {
        return kDefaultPriority;
    }
    const char* number = word + sizeof(kPriorityWord) - 1;
    return StartsWithNumber(number) ? BaseLib::ParseDecimalInt(number) : kDefaultPriority;
}

std::int32_t GetFrameSortKey(const CFrame& frame)
{
    const auto priority = static_cast<std::uint32_t>(GetRenderPriority(frame.Name));
    std::uint32_t key = (100u - priority) << 20;
    if (const CMeshContainer* container = SortingContainer(frame))
    {
        key += GetMaterialSortKey(*container) | 0x10000u;
    }
    return static_cast<std::int32_t>(key);
}

void FinishModel(CEngineController* engine, CFrame*& root, const CModelLoadOptions& options,
                 const Platform::GfxKit::AnimationSet* set)
{
    if (root == nullptr)
    {
        return;
    }
    g_finishingEngine = engine;
    g_finishingOptions = &options;

    Platform::GfxKit::Frame* head = root;
    SortSiblings(head);
    root = static_cast<CFrame*>(head);

    const CDisplaySettings* settings = engine->GetDeviceSettings();
    const std::uint32_t behaviour =
        settings == nullptr || settings->softwareVertexProcessing ? 0 : settings->behaviorFlags;
    const std::uint32_t flags =
        (behaviour & kHardwareVertexProcessing) != 0 ? kOptimizeFlags | kDoNotSplit : kOptimizeFlags;
    ForEachMeshContainer(root, [flags](CMeshContainer& container) { FinishMesh(container, flags); });

    if (options.pruneEmptyLeafFrames || options.pruneUnnamedEmptyLeafFrames)
    {
        const std::set<std::string> inUse =
            options.pruneEmptyLeafFrames ? FramesInUse(root, set) : std::set<std::string>();
        for (CFrame* frame = root; frame != nullptr; frame = frame->Sibling())
        {
            PruneChildren(*frame, inUse);
        }
    }

    g_finishingEngine = nullptr;
    g_finishingOptions = nullptr;
}

} // namespace Qen
