#pragma once

#include "platform/gfx/Buffer.h"
#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Results.h"
#include "platform/gfx/VertexDeclaration.h"
#include "platform/gfxkit/ByteBuffer.h"
#include "platform/gfxkit/Math.h"

#include <cstdint>
#include <vector>

// The utility layer's mesh: vertices, 16- or 32-bit indices of a triangle list and one attribute per
// face, with a vertex declaration, held in device buffers of the pools the options name. It draws one
// subset (the faces of one attribute) at a time with whatever programs are bound.
namespace Platform::GfxKit
{

namespace MeshOption
{
constexpr std::uint32_t Use32Bit = 0x001;
constexpr std::uint32_t DoNotClip = 0x002;
constexpr std::uint32_t Points = 0x004;
constexpr std::uint32_t RtPatches = 0x008;
constexpr std::uint32_t NPatches = 0x4000;
constexpr std::uint32_t VbSystemMem = 0x010;
constexpr std::uint32_t VbManaged = 0x020;
constexpr std::uint32_t VbWriteOnly = 0x040;
constexpr std::uint32_t VbDynamic = 0x080;
constexpr std::uint32_t VbSoftwareProcessing = 0x8000;
constexpr std::uint32_t IbSystemMem = 0x100;
constexpr std::uint32_t IbManaged = 0x200;
constexpr std::uint32_t IbWriteOnly = 0x400;
constexpr std::uint32_t IbDynamic = 0x800;
constexpr std::uint32_t IbSoftwareProcessing = 0x10000;
constexpr std::uint32_t VbShare = 0x1000;
constexpr std::uint32_t UseHwOnly = 0x2000;
constexpr std::uint32_t SystemMem = 0x110;
constexpr std::uint32_t Managed = 0x220;
constexpr std::uint32_t WriteOnly = 0x440;
constexpr std::uint32_t Dynamic = 0x880;
} // namespace MeshOption

namespace MeshOptimize
{
constexpr std::uint32_t Compact = 0x01000000;
constexpr std::uint32_t AttributeSort = 0x02000000;
constexpr std::uint32_t VertexCache = 0x04000000;
constexpr std::uint32_t StripReorder = 0x08000000;
constexpr std::uint32_t IgnoreVertices = 0x10000000;
constexpr std::uint32_t DoNotSplit = 0x20000000;
constexpr std::uint32_t DeviceIndependent = 0x00400000;
} // namespace MeshOptimize

// The entry of an adjacency array for an edge that no other face shares.
constexpr std::uint32_t NoNeighbour = 0xFFFFFFFF;

// The most elements a declaration holds, the end marker included.
constexpr std::uint32_t MaxDeclarationLength = 65;

// One entry of a mesh's attribute table: the faces of one attribute and the vertices they use.
struct AttributeRange
{
    std::uint32_t AttribId = 0;
    std::uint32_t FaceStart = 0;
    std::uint32_t FaceCount = 0;
    std::uint32_t VertexStart = 0;
    std::uint32_t VertexCount = 0;
};

// Per-element tolerances of a vertex weld, in this order (17 floats).
struct WeldEpsilons
{
    float Position = 0;
    float BlendWeights = 0;
    float Normal = 0;
    float PSize = 0;
    float Specular = 0;
    float Diffuse = 0;
    float Texcoord[8] = {};
    float Tangent = 0;
    float Binormal = 0;
    float TessFactor = 0;
};

class Mesh : public Gfx::CountedObject
{
public:
    std::uint32_t GetNumFaces() const { return faceCount_; }
    std::uint32_t GetNumVertices() const { return vertexCount_; }
    // Stream 0's vertex size.
    std::uint32_t GetNumBytesPerVertex() const { return stride_; }
    std::uint32_t GetOptions() const { return options_; }
    // Fills MaxDeclarationLength elements' room up to and including the end marker.
    Gfx::Result GetDeclaration(Gfx::VertexElement* declaration) const;
    // Each adds a reference to what it hands out.
    Gfx::Result GetDevice(Gfx::Device** device) const;
    Gfx::Result GetVertexBuffer(Gfx::VertexBuffer** buffer) const;
    Gfx::Result GetIndexBuffer(Gfx::IndexBuffer** buffer) const;

    // Locks with the device layer's flags (read-only 0x10, discard 0x2000).
    Gfx::Result LockVertexBuffer(std::uint32_t flags, void** data);
    Gfx::Result UnlockVertexBuffer();
    Gfx::Result LockIndexBuffer(std::uint32_t flags, void** data);
    Gfx::Result UnlockIndexBuffer();
    // One 32-bit attribute per face. Locking without the read-only flag drops the attribute table,
    // whose ranges the caller's writes may break.
    Gfx::Result LockAttributeBuffer(std::uint32_t flags, std::uint32_t** data);
    Gfx::Result UnlockAttributeBuffer();

    // With table null, size receives the entry count; else size entries at most are copied. Entries
    // rise by attribute; empty when the mesh has no table.
    Gfx::Result GetAttributeTable(AttributeRange* table, std::uint32_t* size) const;

    // Binds the mesh's buffers and declaration on the device and draws the faces of that attribute:
    // one draw per table entry of the attribute, or without a table one per run of consecutive faces.
    // An attribute without faces draws nothing and succeeds; the device's refusal is returned as is.
    Gfx::Result DrawSubset(std::uint32_t attributeId);

    // A new mesh of the same faces, attributes and table with the given options and declaration on the
    // device: each output element is filled from the input element of the same usage and usage index
    // (copied when the types match, else converted), zero where the input has none.
    Gfx::Result CloneMesh(std::uint32_t options, const Gfx::VertexElement* declaration, Gfx::Device* device,
                          Mesh** clone) const;
    Gfx::Result CloneMeshFVF(std::uint32_t options, std::uint32_t fvf, Gfx::Device* device, Mesh** clone) const;

    // Reorders faces (attribute sort, vertex cache) and removes unused vertices (compact). Every output
    // may be null; adjacencyIn and adjacencyOut may be the same array. faceRemap gets each new face's
    // old number, vertexRemap (a new counted buffer) each new vertex's old number.
    Gfx::Result OptimizeInplace(std::uint32_t flags, const std::uint32_t* adjacencyIn, std::uint32_t* adjacencyOut,
                                std::uint32_t* faceRemap, ByteBuffer** vertexRemap);

    // Three entries per face: entry k names the face across the edge from corner k to corner k + 1,
    // or NoNeighbour. Edges join when their ends lie within epsilon (per coordinate) in opposite
    // directions; each edge joins at most one face and the result is symmetric.
    Gfx::Result GenerateAdjacency(float epsilon, std::uint32_t* adjacency) const;
    // One entry per vertex: the lowest-numbered vertex at the same point, grouped through the corners
    // adjacent faces share. A null adjacency is generated with epsilon 0.
    Gfx::Result ConvertAdjacencyToPointReps(const std::uint32_t* adjacency, std::uint32_t* pointReps) const;

    // Replaces the declaration when every stream keeps its vertex size; else InvalidCall.
    Gfx::Result UpdateSemantics(const Gfx::VertexElement* declaration);

    // --- For the layer's own mesh operations ---

    const std::vector<Gfx::VertexElement>& Elements() const { return elements_; }
    const std::uint8_t* Vertex(std::uint32_t vertex) const { return vertices_->Memory().data() + vertex * stride_; }
    std::vector<std::uint32_t> Indices() const;
    const std::vector<std::uint32_t>& Attributes() const { return attributes_; }
    // The first position element (usage POSITION, index 0) of a vertex; zero without one.
    Vector3 Position(std::uint32_t vertex) const;
    // Replaces the contents; sizes must match the mesh's counts.
    void SetIndices(const std::vector<std::uint32_t>& indices);
    void SetVertexBytes(const std::vector<std::uint8_t>& bytes);
    void SetAttributes(const std::vector<std::uint32_t>& attributes) { attributes_ = attributes; }
    // Groups the faces into a table by attribute; the faces must already be sorted.
    void BuildAttributeTable();
    std::uint32_t Fvf() const { return fvf_; }
    // Remakes the buffers for new counts and fills them; the table is dropped. Out of video memory
    // leaves the mesh as it was.
    Gfx::Result Rebuild(std::uint32_t faces, std::uint32_t vertices, const std::vector<std::uint8_t>& vertexBytes,
                        const std::vector<std::uint32_t>& indices, const std::vector<std::uint32_t>& attributes);

    // Checks the counts and options, then makes the buffers. fvf is recorded with the buffer (0 for a
    // declaration).
    static Gfx::Result Make(Gfx::Device* device, std::uint32_t faces, std::uint32_t vertices,
                            std::uint32_t options, const Gfx::VertexElement* declaration, std::uint32_t fvf,
                            Mesh** mesh);

private:
    Mesh() = default;
    ~Mesh() override;
    Gfx::Result MakeBuffers(std::uint32_t vertices, std::uint32_t faces);

    Gfx::Device* device_ = nullptr;
    Gfx::VertexBuffer* vertices_ = nullptr;
    Gfx::IndexBuffer* indices_ = nullptr;
    Gfx::VertexDeclaration* declaration_ = nullptr;
    std::vector<Gfx::VertexElement> elements_; // without the end marker
    std::vector<std::uint32_t> attributes_;
    std::vector<AttributeRange> table_;
    std::uint32_t faceCount_ = 0;
    std::uint32_t vertexCount_ = 0;
    std::uint32_t stride_ = 0;
    std::uint32_t options_ = 0;
    std::uint32_t fvf_ = 0;
};

// A mesh of that many faces and vertices, contents zero, attributes 0, no table. InvalidCall for 0
// faces or vertices, more than 65,535 vertices without Use32Bit, a null device or output, or a
// declaration the device refuses.
Gfx::Result CreateMesh(std::uint32_t faces, std::uint32_t vertices, std::uint32_t options,
                       const Gfx::VertexElement* declaration, Gfx::Device* device, Mesh** mesh);
Gfx::Result CreateMeshFVF(std::uint32_t faces, std::uint32_t vertices, std::uint32_t options, std::uint32_t fvf,
                          Gfx::Device* device, Mesh** mesh);

// The largest offset + size among the stream's elements; 0 when it has none.
std::uint32_t GetDeclVertexSize(const Gfx::VertexElement* declaration, std::uint32_t stream);
// The same for `count` elements without an end marker.
std::uint32_t StreamVertexSize(const Gfx::VertexElement* elements, std::size_t count, std::uint32_t stream);
// The elements before the end marker.
std::uint32_t GetDeclLength(const Gfx::VertexElement* declaration);

// Joins meshes into one: vertices, faces and attributes one after the other, indices offset. Positions
// are transformed as points, normals, tangents and binormals by the inverse transpose and renormalised
// (transforms may be null). With a null declaration the output takes the first input's when all agree,
// else every (usage, usage index) once, in first-seen order, packed in stream 0. No attribute table.
// Texture transforms are not supported: non-null answers InvalidCall.
Gfx::Result ConcatenateMeshes(Mesh* const* meshes, std::uint32_t count, std::uint32_t options,
                              const Matrix* geometryTransforms, const Matrix* textureTransforms,
                              const Gfx::VertexElement* declaration, Gfx::Device* device, Mesh** mesh);

} // namespace Platform::GfxKit
