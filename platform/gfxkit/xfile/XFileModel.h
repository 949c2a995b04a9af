#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The in-memory description of an X file: what the reader gives and the writer takes. It keeps the
// file's data as written (faces with any number of corners, normals with their own face list, a
// material index per face); turning it into device meshes is the loader's work.
namespace Platform::GfxKit
{

using XFloat2 = std::array<float, 2>;
using XFloat3 = std::array<float, 3>;
using XFloat4 = std::array<float, 4>;
// Row layout, as the platform's matrices: element (row r, column c) at 4 * r + c, translation in 12-14.
using XMatrix = std::array<float, 16>;

constexpr XMatrix XIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// A face list: faceSizes[f] corners for face f, their indices one after the other in `indices`.
struct XFaceList
{
    std::vector<std::uint32_t> faceSizes;
    std::vector<std::uint32_t> indices;

    std::size_t FaceCount() const { return faceSizes.size(); }
    bool operator==(const XFaceList&) const = default;
};

struct XEffectParam
{
    enum class Kind : std::uint8_t
    {
        String,
        Floats,
        DWord
    };
    Kind kind = Kind::String;
    std::string name;
    std::string text;          // String
    std::vector<float> floats; // Floats
    std::uint32_t dword = 0;   // DWord

    bool operator==(const XEffectParam&) const = default;
};

struct XEffectInstance
{
    std::string effectFile; // as written in the file
    std::vector<XEffectParam> params;

    bool operator==(const XEffectInstance&) const = default;
};

struct XMaterial
{
    std::string name; // the object's name, empty when it has none
    XFloat4 faceColor = {1, 1, 1, 1};
    float power = 0;
    XFloat3 specular = {0, 0, 0};
    XFloat3 emissive = {0, 0, 0};
    std::optional<std::string> textureFile; // as written, backslashes and folders included
    std::optional<XEffectInstance> effect;

    bool operator==(const XMaterial&) const = default;
};

struct XMeshNormals
{
    std::vector<XFloat3> normals;
    XFaceList faces; // the same shape as the mesh's faces, indices into `normals`

    bool operator==(const XMeshNormals&) const = default;
};

// One element of a DeclData object, with the platform's type and usage numbers.
struct XDeclElement
{
    std::uint32_t type = 0;
    std::uint32_t method = 0;
    std::uint32_t usage = 0;
    std::uint32_t usageIndex = 0;

    bool operator==(const XDeclElement&) const = default;
};

// Bytes of one element of a DeclData type (the platform's vertex data types, all multiples of 4);
// 0 for a number that is no such type.
std::uint32_t XDeclTypeSize(std::uint32_t type);

// Further vertex data: `data` holds, per position, the elements' bytes in 32-bit words, in order.
struct XDeclData
{
    std::vector<XDeclElement> elements;
    std::vector<std::uint32_t> data;

    bool operator==(const XDeclData&) const = default;
};

// The counts an exporter states for the skin; kept as read, never relied on.
struct XSkinHeader
{
    std::uint32_t maxWeightsPerVertex = 0;
    std::uint32_t maxWeightsPerFace = 0;
    std::uint32_t boneCount = 0;

    bool operator==(const XSkinHeader&) const = default;
};

struct XSkinWeights
{
    std::string frameName; // the bone, as written
    std::vector<std::uint32_t> vertices;
    std::vector<float> weights; // one per entry of `vertices`
    XMatrix offset = XIdentity;

    bool operator==(const XSkinWeights&) const = default;
};

struct XMesh
{
    std::string name;
    std::vector<XFloat3> positions;
    XFaceList faces; // every face has at least 3 corners, each below positions.size()
    std::optional<XMeshNormals> normals;
    std::vector<XFloat2> texCoords;    // one per position, or empty
    std::vector<XFloat4> vertexColors; // RGBA per position (white where the file lists none), or empty
    std::vector<XMaterial> materials;  // the material list, references resolved to copies
    std::vector<std::uint32_t> faceMaterials; // one per face, below materials.size(); empty without a list
    std::optional<XDeclData> declData;
    std::optional<XSkinHeader> skinHeader;
    std::vector<XSkinWeights> skinWeights;

    bool operator==(const XMesh&) const = default;
};

struct XFrame
{
    std::string name;
    XMatrix transform = XIdentity;
    std::vector<XFrame> children;
    // The frame's meshes in file order, as indices into XFileModel::meshes: a mesh defined inside the
    // frame, or one referenced by name, which other frames may reference too.
    std::vector<std::uint32_t> meshes;
};

namespace XKeyType
{
constexpr std::uint32_t Rotation = 0;    // w, x, y, z
constexpr std::uint32_t Scale = 1;       // x, y, z
constexpr std::uint32_t Translation = 2; // x, y, z
constexpr std::uint32_t MatrixOld = 3;   // 16 floats, read as Matrix
constexpr std::uint32_t Matrix = 4;      // 16 floats
} // namespace XKeyType

// The values one key of a type holds; 0 for a type the format does not have.
std::uint32_t XKeyValueCount(std::uint32_t keyType);

// One AnimationKey object: keys sorted by time (stable), XKeyValueCount(type) values each.
struct XAnimationKeys
{
    std::uint32_t type = XKeyType::Rotation;
    std::vector<std::uint32_t> times; // ticks
    std::vector<float> values;        // times.size() * XKeyValueCount(type)

    bool operator==(const XAnimationKeys&) const = default;
};

struct XAnimation
{
    std::string name;
    std::string target; // the frame animated, as written; may name a frame of another file
    std::vector<XAnimationKeys> keys;
    bool hasOptions = false;
    std::uint32_t openClosed = 1;      // AnimationOptions: 0 open, 1 closed
    std::uint32_t positionQuality = 1; // AnimationOptions: 0 spline, 1 linear

    bool operator==(const XAnimation&) const = default;
};

struct XAnimationSet
{
    std::string name;
    std::vector<XAnimation> animations;

    bool operator==(const XAnimationSet&) const = default;
};

struct XFileModel
{
    std::vector<XMesh> meshes;          // every mesh of the file, in the order defined
    std::vector<XFrame> frames;         // the top-level frames
    std::vector<std::uint32_t> rootMeshes; // meshes defined at top level, outside any frame
    std::vector<XAnimationSet> animationSets;
    std::uint32_t ticksPerSecond = 4800;

    // Equal when both describe the same file content: frames compare through the meshes they name,
    // so two descriptions that number their meshes differently but attach the same meshes are equal.
    bool operator==(const XFileModel& other) const;
};

// The order in which the writer defines the meshes of a description: the top-level meshes, then each
// mesh where a frame first names it (frames in depth-first pre-order). The reader numbers a file's
// meshes in definition order, so a written description reads back with this numbering.
std::vector<std::uint32_t> XMeshDefinitionOrder(const XFileModel& model);

} // namespace Platform::GfxKit
