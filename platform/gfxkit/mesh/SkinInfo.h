#pragma once

#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Results.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/ByteBuffer.h"
#include "platform/gfxkit/Math.h"
#include "platform/gfxkit/mesh/Mesh.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Skin information: for each bone of a skinned mesh its name, its offset matrix (from the mesh's space
// into the bone's) and the vertices it moves with their weights.
namespace Platform::GfxKit
{

// The palette entry of a bone combination that names no bone.
constexpr std::uint32_t NoBone = 0xFFFFFFFF;

// The most bones one vertex of an indexed-blended mesh is moved by.
constexpr std::uint32_t MaxBlendInfluences = 4;

// One subset of an indexed-blended mesh: its faces and vertices, the material slot they had, and the
// bones its palette slots hold (palette-size entries, NoBone where unused).
struct BoneCombination
{
    std::uint32_t AttribId = 0;
    std::uint32_t FaceStart = 0;
    std::uint32_t FaceCount = 0;
    std::uint32_t VertexStart = 0;
    std::uint32_t VertexCount = 0;
    std::uint32_t* BoneId = nullptr;
};

class SkinInfo : public Gfx::CountedObject
{
public:
    std::uint32_t GetNumBones() const { return static_cast<std::uint32_t>(bones_.size()); }
    std::uint32_t GetNumVertices() const { return vertexCount_; }

    // The name last set (copied), or null; null for a bone past the count.
    const char* GetBoneName(std::uint32_t bone) const;
    Gfx::Result SetBoneName(std::uint32_t bone, const char* name);
    // Null for a bone past the count. A new bone's offset is the identity.
    const Matrix* GetBoneOffsetMatrix(std::uint32_t bone) const;
    Gfx::Result SetBoneOffsetMatrix(std::uint32_t bone, const Matrix* offset);

    // 0 for a bone past the count.
    std::uint32_t GetNumBoneInfluences(std::uint32_t bone) const;
    // Copies the bone's vertex indices and weights (GetNumBoneInfluences entries each); either may be null.
    Gfx::Result GetBoneInfluence(std::uint32_t bone, std::uint32_t* vertices, float* weights) const;
    // Replaces the bone's influences; InvalidCall for a vertex index at or past the vertex count or a
    // weight that is not finite.
    Gfx::Result SetBoneInfluence(std::uint32_t bone, std::uint32_t count, const std::uint32_t* vertices,
                                 const float* weights);

    // The largest number of bones with a weight above 0 at one vertex.
    Gfx::Result GetMaxVertexInfluences(std::uint32_t* maxInfluences) const;

    // A new mesh in which every vertex carries its bone weights and palette slots, split into bone
    // combinations of at most paletteSize bones each: faces are taken in order within each attribute
    // and grouped greedily, a combination never mixing attributes; the new mesh's faces are sorted by
    // combination and its attribute b is combination b, each combination's vertices one contiguous range
    // (a vertex two combinations use is duplicated). The declaration gets BLENDWEIGHT 0 (one weight
    // fewer than the largest influence count, none for one) and BLENDINDICES 0 (UBYTE4) right after
    // POSITION 0. At most MaxBlendInfluences influences are kept per vertex (the largest, renormalised);
    // a vertex without any takes the combination's first bone with weight 1. A face that alone needs
    // more than paletteSize bones fails the conversion with TooManyInfluences. adjacencyIn and
    // adjacencyOut may be the same array; every output but the mesh may be null.
    Gfx::Result ConvertToIndexedBlendedMesh(Mesh* mesh, std::uint32_t options, std::uint32_t paletteSize,
                                            const std::uint32_t* adjacencyIn, std::uint32_t* adjacencyOut,
                                            std::uint32_t* faceRemap, ByteBuffer** vertexRemap,
                                            std::uint32_t* maxVertexInfluences, std::uint32_t* combinationCount,
                                            ByteBuffer** combinations, Mesh** blended) const;

    static SkinInfo* Make(std::uint32_t vertices, const Gfx::VertexElement* declaration, std::uint32_t bones);

private:
    struct Bone
    {
        std::optional<std::string> name;
        Matrix offset;
        std::vector<std::uint32_t> vertices;
        std::vector<float> weights;
    };
    struct Influence
    {
        std::uint32_t bone;
        float weight;
    };

    SkinInfo() = default;
    ~SkinInfo() override = default;
    // Per vertex the influences above 0, heaviest first, at most `limit` of them (renormalised when cut).
    std::vector<std::vector<Influence>> VertexInfluences(std::uint32_t limit) const;

    std::uint32_t vertexCount_ = 0;
    std::vector<Gfx::VertexElement> elements_;
    std::vector<Bone> bones_;
};

// Skin information for `vertices` vertices of that declaration with `bones` bones, each without name,
// influences or offset. InvalidCall for a null output.
Gfx::Result CreateSkinInfo(std::uint32_t vertices, const Gfx::VertexElement* declaration, std::uint32_t bones,
                           SkinInfo** skin);

} // namespace Platform::GfxKit
