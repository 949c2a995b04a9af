#pragma once

#include "platform/gfx/Device.h"
#include "platform/gfx/Results.h"
#include "platform/gfxkit/Math.h"
#include "platform/gfxkit/anim/AnimationController.h"
#include "platform/gfxkit/effect/EffectRecords.h"
#include "platform/gfxkit/mesh/Mesh.h"
#include "platform/gfxkit/mesh/SkinInfo.h"

#include <cstdint>

// Loading an X file into a frame hierarchy whose records the caller's allocator makes: frames with
// names and matrices, mesh containers with a device mesh, materials, effect instances, adjacency and
// skin information, and an animation controller for the file's animation sets.
namespace Platform::GfxKit
{

namespace MeshDataType
{
constexpr std::uint32_t Mesh = 1;
} // namespace MeshDataType

struct MeshData
{
    std::uint32_t Type = MeshDataType::Mesh;
    GfxKit::Mesh* pMesh = nullptr;
};

struct MeshContainer;

// The base record of a frame; an allocator's own frame record begins with it.
struct Frame
{
    char* Name = nullptr;
    Matrix TransformationMatrix;
    MeshContainer* pMeshContainer = nullptr;
    Frame* pFrameSibling = nullptr;
    Frame* pFrameFirstChild = nullptr;
};

// The base record of a mesh container; an allocator's own container record begins with it.
struct MeshContainer
{
    char* Name = nullptr;
    GfxKit::MeshData MeshData;
    XFileMaterial* pMaterials = nullptr;
    EffectInstance* pEffects = nullptr;
    std::uint32_t NumMaterials = 0;
    std::uint32_t* pAdjacency = nullptr;
    SkinInfo* pSkinInfo = nullptr;
    MeshContainer* pNextMeshContainer = nullptr;
};

// Makes and frees the records of a hierarchy. The loader hands over what it made and releases its own
// references after each call: an allocator copies (or takes references to) what it keeps. A failure
// answered by a Create call stops the load.
class AllocateHierarchy
{
public:
    virtual Gfx::Result CreateFrame(const char* name, Frame** frame) = 0;
    virtual Gfx::Result CreateMeshContainer(const char* name, const MeshData* meshData,
                                            const XFileMaterial* materials, const EffectInstance* effectInstances,
                                            std::uint32_t materialCount, const std::uint32_t* adjacency,
                                            SkinInfo* skinInfo, MeshContainer** container) = 0;
    virtual Gfx::Result DestroyFrame(Frame* frame) = 0;
    virtual Gfx::Result DestroyMeshContainer(MeshContainer* container) = 0;

protected:
    AllocateHierarchy() = default;
    AllocateHierarchy(const AllocateHierarchy&) = default;
    AllocateHierarchy& operator=(const AllocateHierarchy&) = default;
    ~AllocateHierarchy() = default;
};

// Loading of custom data objects; not supported (the argument must be null).
class LoadUserData;

// Reads the X file and builds its hierarchy through the allocator: frames depth first in file order,
// each frame's meshes after it. The root is the file's only top-level frame when it has no other
// top-level mesh, else an unnamed frame holding the top-level frames and meshes. Meshes are made with
// `options` (plus 32-bit indices beyond 65,535 vertices) on the device. With a controller out and
// animation sets in the file, the controller holds the sets with every named frame's matrix as an
// output and track 0 on set 0; else *controller is null. The reader's refusal, a device's refusal of
// a mesh or an allocator's failure is returned with nothing left behind (root and controller null).
Gfx::Result LoadMeshHierarchyFromX(const char* file, std::uint32_t options, Gfx::Device* device,
                                   AllocateHierarchy* allocator, LoadUserData* userDataLoader, Frame** root,
                                   AnimationController** controller);

// Frees every frame of the hierarchy (children and siblings) with its containers through the allocator,
// children before their parent, each record once.
Gfx::Result FrameDestroy(Frame* root, AllocateHierarchy* allocator);

// The first frame named exactly `name`, depth first over the root, its children and its siblings;
// null when none or when name is null.
Frame* FrameFind(const Frame* root, const char* name);

} // namespace Platform::GfxKit
