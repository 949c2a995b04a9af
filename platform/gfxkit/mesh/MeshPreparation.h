#pragma once

#include "platform/gfxkit/mesh/Mesh.h"

// The operations model preparation runs on loaded meshes: cleaning, welding, simplification and
// tangent frames. A null adjacency in is computed as GenerateAdjacency(0.0) gives it; adjacency in and
// out may be the same array; results keep every element of the declaration.
namespace Platform::GfxKit
{

namespace CleanFlag
{
constexpr std::uint32_t BackFacing = 1;
constexpr std::uint32_t Bowties = 2;
} // namespace CleanFlag

namespace WeldFlag
{
constexpr std::uint32_t WeldAll = 1;
constexpr std::uint32_t WeldPartialMatches = 2;
constexpr std::uint32_t DoNotRemoveVertices = 4;
constexpr std::uint32_t DoNotSplit = 8;
} // namespace WeldFlag

namespace SimplifyFlag
{
constexpr std::uint32_t Vertex = 1;
constexpr std::uint32_t Face = 2;
} // namespace SimplifyFlag

namespace TangentOption
{
constexpr std::uint32_t DontNormalizePartials = 4;
constexpr std::uint32_t DontOrthogonalize = 8;
} // namespace TangentOption

// The usage value that asks for no output element.
constexpr std::uint32_t NoUsage = 0xFFFFFFFF;

// A new mesh in `cleaned` with the same faces, order, attributes and winding: with BackFacing, a face
// that uses the same three vertices as an earlier face in the opposite winding gets its own copies of
// them; with Bowties, every fan of faces around a vertex after the first (fans the adjacency does not
// join) gets its own copy of the vertex. Copies are appended. adjacencyOut = adjacencyIn. A mesh with an
// index at or past its vertex count is refused: InvalidMesh, no mesh, and in `errors` (when not null) a
// counted text with one line per problem. A successful clean hands out no text.
Gfx::Result CleanMesh(std::uint32_t flags, Mesh* mesh, const std::uint32_t* adjacencyIn, Mesh** cleaned,
                      std::uint32_t* adjacencyOut, ByteBuffer** errors);

// Merges vertices in place: two merge when every element of the declaration is within its epsilon
// (elements without an epsilon must be equal byte for byte); the lower-numbered one stays. Unused vertices
// are removed. With WeldPartialMatches, vertices within the position epsilon that do not merge take the
// lower-numbered one's components that lie within their epsilon. WeldAll and DoNotRemoveVertices are
// refused with InvalidCall. Null epsilons are all 0. adjacencyOut is the welded mesh's adjacency,
// faceRemap the identity, vertexRemap each new vertex's old number.
Gfx::Result WeldVertices(Mesh* mesh, std::uint32_t flags, const WeldEpsilons* epsilons,
                         const std::uint32_t* adjacencyIn, std::uint32_t* adjacencyOut, std::uint32_t* faceRemap,
                         ByteBuffer** vertexRemap);

// A new mesh simplified by edge collapses of least quadric error until the face (Face) or vertex
// (Vertex) count reaches the target or no allowed collapse remains; never below the target. A vertex
// on an open edge, on a border between attributes, or sharing its position with another vertex never
// goes; no collapse flips a face or leaves one of zero area. Kept vertices keep their data.
// Attribute and vertex weights are not supported (must be null).
Gfx::Result SimplifyMesh(Mesh* mesh, const std::uint32_t* adjacency, const void* attributeWeights,
                         const float* vertexWeights, std::uint32_t target, std::uint32_t options, Mesh** simplified);

// A new mesh with the input's declaration and vertices in which the asked-for elements (usage NoUsage:
// not asked) are computed: normals from the angle-weighted face normals, tangents (d position / d u)
// and binormals (d position / d v) from the texture set, normalised and made orthogonal to the normal
// unless the options say otherwise. Each asked-for element must be in the declaration, and tangents or
// binormals need the texture set: else InvalidCall and no mesh. The thresholds are accepted and unused;
// vertexMap, when asked, is the identity.
Gfx::Result ComputeTangentFrameEx(Mesh* mesh, std::uint32_t textureUsage, std::uint32_t textureIndex,
                                  std::uint32_t tangentUsage, std::uint32_t tangentIndex,
                                  std::uint32_t binormalUsage, std::uint32_t binormalIndex,
                                  std::uint32_t normalUsage, std::uint32_t normalIndex, std::uint32_t options,
                                  const std::uint32_t* adjacency, float partialEdgeThreshold,
                                  float singularPointThreshold, float normalEdgeThreshold, Mesh** result,
                                  ByteBuffer** vertexMap);

} // namespace Platform::GfxKit
