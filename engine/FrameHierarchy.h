#pragma once

#include "engine/EffectInstance.h"
#include "foundation/Resource.h"
#include "platform/gfxkit/Math.h"
#include "platform/gfxkit/xfile/XFileHierarchy.h"

#include <cfloat>
#include <cstdint>
#include <functional>

namespace Platform::GfxKit
{
class ByteBuffer;
class Mesh;
class SkinInfo;
} // namespace Platform::GfxKit

// The engine's records of a loaded model: frames with their mesh containers, and the operations on
// that tree that loading, preparation, model copies and drawing share. Both records begin with the
// X-file loader's base records, so the loader and the engine walk the same links.
namespace Qen
{

class CMaterial;
using Matrix = Platform::GfxKit::Matrix;
using Vector3 = Platform::GfxKit::Vector3;
using XFileMaterial = Platform::GfxKit::XFileMaterial;

// Centre and radius of an empty bounding sphere: every test against it fails.
constexpr float kEmptySphereCentre = FLT_MAX;
constexpr float kEmptySphereRadius = -FLT_MAX;

struct CMeshContainer;

struct CFrame : Platform::GfxKit::Frame
{
    CFrame();

    Matrix combinedMatrix;           // transformation × parent's combined matrix
    CFrame* parent = nullptr;        // set by LinkFrames
    CFrame* visibilityFrame = nullptr; // a child whose scale hides this frame's subtree
    Vector3 sphereCentre{kEmptySphereCentre, kEmptySphereCentre, kEmptySphereCentre};
    float sphereRadius = kEmptySphereRadius;
    bool visible = true;

    CFrame* Sibling() const { return static_cast<CFrame*>(pFrameSibling); }
    CFrame* FirstChild() const { return static_cast<CFrame*>(pFrameFirstChild); }
    CMeshContainer* FirstContainer() const;
};

// A mesh container. Names, materials' texture names and effect instances are BaseLib::StrDup copies;
// the three material arrays are new[] arrays of NumMaterials elements (or all null); the container
// holds one reference of its mesh, skin information and bone combinations.
struct CMeshContainer : Platform::GfxKit::MeshContainer
{
    CMeshContainer();

    std::uint32_t maxVertexInfluences = 0;
    std::uint32_t numBoneCombinations = 0;
    Platform::GfxKit::ByteBuffer* boneCombinations = nullptr; // BoneCombination records
    std::uint32_t paletteSize = 0;
    // Per bone the combined matrix it follows (one entry without skin information); owned array.
    Matrix** boneMatrices = nullptr;
    BaseLib::CResourcePtr<CMaterial>* materials = nullptr;
    bool softwareSkinning = false;
    bool enabled = true;
    CFrame* owner = nullptr;
    Platform::GfxKit::Mesh* mesh = nullptr; // the same pointer as MeshData.pMesh; one reference
    Vector3 sphereCentre{};
    float sphereRadius = 0.0f;
    // The drawer's own: a slot it had to skip has been traced for this container.
    bool skippedSlotTraced = false;

    CMeshContainer* Next() const { return static_cast<CMeshContainer*>(pNextMeshContainer); }
    Platform::GfxKit::BoneCombination* BoneCombinations() const;
};

inline CMeshContainer* CFrame::FirstContainer() const
{
    return static_cast<CMeshContainer*>(pMeshContainer);
}

// --- Frames ---

// Every child records its parent and every container its owner frame, over the siblings and children.
void LinkFrames(CFrame* frame);
// Frames in hierarchy order: the root, the subtree of its first child, then each following sibling's
// subtree; the root's own siblings are not visited.
void ForEachFrame(CFrame* root, const std::function<void(CFrame&)>& visit);
// Every container in hierarchy order, each frame's chain from its head.
void ForEachMeshContainer(CFrame* root, const std::function<void(CMeshContainer&)>& visit);

// A deep copy of the frame, its following siblings and all their descendants with their containers
// (CloneMeshContainer). A visibility frame is mapped by its position among the frame's children; one
// that is not among them gives the copy none. Owned by the caller (free with DestroyFrameHierarchy).
CFrame* CloneFrameHierarchy(const CFrame* frame);
// Unlinks the child (and clears the parent's visibility frame when it was the child); the child keeps
// its subtree and loses its sibling and parent. A frame that is not a child of the parent is left alone.
void RemoveChildFrame(CFrame* parent, CFrame* child);
// combined = transformation × parent matrix for the frame and its following siblings, then their
// children with their new combined matrices.
void UpdateFrameMatrices(CFrame* frame, const Matrix& parentMatrix);
// The owned name in the field replaced by a copy of text (null frees it and leaves null).
void SetName(char*& field, const char* text);
// Frees the frames and containers that CloneFrameHierarchy or the loader's allocator made: the frame,
// its siblings and all descendants.
void DestroyFrameHierarchy(CFrame* frame);
// The frame and what it owns (its name); not its containers or links.
void DestroyFrame(CFrame* frame);

// --- Mesh containers ---

// Releases mesh, skin information and bone combinations; frees name, material arrays, adjacency and
// bone matrices. The container stays usable, empty.
void EmptyMeshContainer(CMeshContainer& container);
// EmptyMeshContainer, then the record itself.
void DestroyMeshContainer(CMeshContainer* container);
// Remakes the three material arrays for count elements when the count differs (cleared materials,
// empty effect instances, empty references); 0 leaves them null.
void ResizeMaterialArrays(CMeshContainer& container, std::uint32_t count);
// Own copies of colours, power and texture name of each material.
void CopyXFileMaterials(CMeshContainer& container, std::uint32_t count, const XFileMaterial* materials);
// Own copies of the effect file name and defaults of each instance.
void CopyEffectInstances(CMeshContainer& container, std::uint32_t count, const EffectInstance* instances);
// A copy of the chain from this container on: mesh, skin information and bone combinations shared,
// materials, effect instances, adjacency and material resources (Clone()) its own. Bone matrices, owner
// and bounding sphere are not copied.
CMeshContainer* CloneMeshContainer(const CMeshContainer* container);
// Takes a reference of the new mesh (null allowed), releases the old one, writes both mesh fields.
void SetMeshContainerMesh(CMeshContainer& container, Platform::GfxKit::Mesh* mesh);
// Points the bone-matrix entries at the combined matrices of the frames named by the skin's bones
// (the array made once). A bone no frame carries follows an identity matrix that never changes, and
// is traced once per container. Without skin information the one entry follows the owner frame.
void BindBoneMatrices(CMeshContainer& container, CFrame* root, const char* modelName);
// The bounding sphere around the mesh's POSITION 0 values; empty without mesh, positions or vertices.
void ComputeMeshContainerBounds(CMeshContainer& container);
// Low 16 bits of the complement of the first material's sort value, so that containers whose first
// material shares an effect sort together; 0 without a first material.
std::uint32_t GetMaterialSortKey(const CMeshContainer& container);

} // namespace Qen
