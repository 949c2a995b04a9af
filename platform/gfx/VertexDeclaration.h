#pragma once

#include "platform/gfx/DeviceChild.h"

#include <cstdint>
#include <vector>

namespace Platform::Gfx
{

// One element of a vertex declaration; a declaration ends with DeclarationEnd.
struct VertexElement
{
    std::uint16_t Stream = 0;
    std::uint16_t Offset = 0;
    std::uint8_t Type = 0;
    std::uint8_t Method = 0;
    std::uint8_t Usage = 0;
    std::uint8_t UsageIndex = 0;
};

constexpr VertexElement DeclarationEnd = {0xFF, 0, 17, 0, 0, 0};

namespace DeclType
{
constexpr std::uint8_t Float1 = 0;
constexpr std::uint8_t Float2 = 1;
constexpr std::uint8_t Float3 = 2;
constexpr std::uint8_t Float4 = 3;
constexpr std::uint8_t Color = 4; // bytes blue, green, red, alpha read as (red, green, blue, alpha) / 255
constexpr std::uint8_t UByte4 = 5;
constexpr std::uint8_t Short2 = 6;
constexpr std::uint8_t Short4 = 7;
constexpr std::uint8_t UByte4N = 8;
constexpr std::uint8_t Short2N = 9;
constexpr std::uint8_t Short4N = 10;
constexpr std::uint8_t UShort2N = 11;
constexpr std::uint8_t UShort4N = 12;
constexpr std::uint8_t UDec3 = 13;
constexpr std::uint8_t Dec3N = 14;
constexpr std::uint8_t Float16x2 = 15;
constexpr std::uint8_t Float16x4 = 16;
constexpr std::uint8_t Unused = 17;
} // namespace DeclType

namespace DeclUsage
{
constexpr std::uint8_t Position = 0;
constexpr std::uint8_t BlendWeight = 1;
constexpr std::uint8_t BlendIndices = 2;
constexpr std::uint8_t Normal = 3;
constexpr std::uint8_t PointSize = 4;
constexpr std::uint8_t TexCoord = 5;
constexpr std::uint8_t Tangent = 6;
constexpr std::uint8_t Binormal = 7;
constexpr std::uint8_t TessFactor = 8;
constexpr std::uint8_t PositionT = 9;
constexpr std::uint8_t Color = 10;
constexpr std::uint8_t Fog = 11;
constexpr std::uint8_t Depth = 12;
constexpr std::uint8_t Sample = 13;
} // namespace DeclUsage

// Flexible vertex format bits.
namespace Fvf
{
constexpr std::uint32_t Xyz = 0x002;
constexpr std::uint32_t XyzRhw = 0x004;
constexpr std::uint32_t XyzB1 = 0x006;
constexpr std::uint32_t XyzB5 = 0x00E;
constexpr std::uint32_t Xyzw = 0x4002;
constexpr std::uint32_t PositionMask = 0x400E;
constexpr std::uint32_t Normal = 0x010;
constexpr std::uint32_t PointSize = 0x020;
constexpr std::uint32_t Diffuse = 0x040;
constexpr std::uint32_t Specular = 0x080;
constexpr std::uint32_t TexCountMask = 0xF00;
constexpr std::uint32_t TexCountShift = 8;
constexpr std::uint32_t LastBetaUByte4 = 0x1000;
constexpr std::uint32_t LastBetaColor = 0x8000;
} // namespace Fvf

// Bytes an element of that type takes; 0 for an unknown type.
std::uint32_t ElementSize(std::uint8_t type);

// The attribute location programs read an element at: POSITION0 (and POSITIONT0) 0, BLENDWEIGHT0 1,
// BLENDINDICES0 2, NORMAL0 3, TANGENT0 4, BINORMAL0 5, COLOR0 6, COLOR1 7, TEXCOORD0-7 8-15; -1 for
// any other usage and index.
int AttributeLocation(std::uint8_t usage, std::uint8_t usageIndex);

// The elements a flexible vertex format describes, in the engine's order (position, blend weights and
// indices, normal, point size, diffuse, specular, texture coordinates), all in stream 0 without the
// end marker; empty for a format without a position.
std::vector<VertexElement> ElementsOfFvf(std::uint32_t fvf);

// Vertex size in bytes of a flexible vertex format.
std::uint32_t FvfVertexSize(std::uint32_t fvf);

// A vertex declaration: the elements a draw reads from the streams.
class VertexDeclaration : public DeviceChild
{
public:
    // With elements null, count receives the number of elements including the end marker; otherwise
    // count must hold at least that many.
    Result GetDeclaration(VertexElement* elements, std::uint32_t* count) const;

    // Without the end marker.
    const std::vector<VertexElement>& Elements() const { return elements_; }
    std::string Describe() const override;
    bool BlocksReset() const override { return false; }

    // Null when an element has an unknown type or more than 64 elements come before the end marker.
    static VertexDeclaration* Make(Device& device, const VertexElement* elements, bool ownedByDevice);

private:
    VertexDeclaration(Device& device, std::vector<VertexElement> elements, bool ownedByDevice);

    std::vector<VertexElement> elements_;
};

} // namespace Platform::Gfx
