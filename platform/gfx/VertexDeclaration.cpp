#include "platform/gfx/VertexDeclaration.h"

#include "platform/gfx/Device.h"

#include <utility>

namespace Platform::Gfx
{

std::uint32_t ElementSize(std::uint8_t type)
{
    static constexpr std::uint8_t kSizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
    return type < sizeof(kSizes) ? kSizes[type] : 0;
}

int AttributeLocation(std::uint8_t usage, std::uint8_t usageIndex)
{
    switch (usage)
    {
    case DeclUsage::Position:
    case DeclUsage::PositionT:
        return usageIndex == 0 ? 0 : -1;
    case DeclUsage::BlendWeight:
        return usageIndex == 0 ? 1 : -1;
    case DeclUsage::BlendIndices:
        return usageIndex == 0 ? 2 : -1;
    case DeclUsage::Normal:
        return usageIndex == 0 ? 3 : -1;
    case DeclUsage::Tangent:
        return usageIndex == 0 ? 4 : -1;
    case DeclUsage::Binormal:
        return usageIndex == 0 ? 5 : -1;
    case DeclUsage::Color:
        return usageIndex < 2 ? 6 + usageIndex : -1;
    case DeclUsage::TexCoord:
        return usageIndex < 8 ? 8 + usageIndex : -1;
    default:
        return -1;
    }
}

std::vector<VertexElement> ElementsOfFvf(std::uint32_t fvf)
{
    std::vector<VertexElement> elements;
    std::uint16_t offset = 0;
    auto add = [&](std::uint8_t type, std::uint8_t usage, std::uint8_t index) {
        elements.push_back({0, offset, type, 0, usage, index});
        offset = static_cast<std::uint16_t>(offset + ElementSize(type));
    };
    const std::uint32_t position = fvf & Fvf::PositionMask;
    if (position == Fvf::Xyz)
    {
        add(DeclType::Float3, DeclUsage::Position, 0);
    }
    else if (position == Fvf::XyzRhw)
    {
        add(DeclType::Float4, DeclUsage::PositionT, 0);
    }
    else if (position == Fvf::Xyzw)
    {
        add(DeclType::Float4, DeclUsage::Position, 0);
    }
    else if (position >= Fvf::XyzB1 && position <= Fvf::XyzB5 && position % 2 == 0)
    {
        add(DeclType::Float3, DeclUsage::Position, 0);
        std::uint32_t betas = (position - Fvf::XyzB1) / 2 + 1;
        const bool lastBetaIndices = (fvf & (Fvf::LastBetaUByte4 | Fvf::LastBetaColor)) != 0;
        const std::uint32_t weights = lastBetaIndices ? betas - 1 : betas;
        if (weights > 0)
        {
            add(static_cast<std::uint8_t>(DeclType::Float1 + weights - 1), DeclUsage::BlendWeight, 0);
        }
        if (lastBetaIndices)
        {
            add((fvf & Fvf::LastBetaColor) ? DeclType::Color : DeclType::UByte4, DeclUsage::BlendIndices, 0);
        }
    }
    else
    {
        return {};
    }
    if (fvf & Fvf::Normal)
    {
        add(DeclType::Float3, DeclUsage::Normal, 0);
    }
    if (fvf & Fvf::PointSize)
    {
        add(DeclType::Float1, DeclUsage::PointSize, 0);
    }
    if (fvf & Fvf::Diffuse)
    {
        add(DeclType::Color, DeclUsage::Color, 0);
    }
    if (fvf & Fvf::Specular)
    {
        add(DeclType::Color, DeclUsage::Color, 1);
    }
    const std::uint32_t textures = std::min(8u, (fvf & Fvf::TexCountMask) >> Fvf::TexCountShift);
    for (std::uint32_t i = 0; i < textures; ++i)
    {
        // Size codes: 0 two floats, 1 three, 2 four, 3 one.
        static constexpr std::uint8_t kTypes[] = {DeclType::Float2, DeclType::Float3, DeclType::Float4,
                                                  DeclType::Float1};
        add(kTypes[(fvf >> (16 + 2 * i)) & 3], DeclUsage::TexCoord, static_cast<std::uint8_t>(i));
    }
    return elements;
}

std::uint32_t FvfVertexSize(std::uint32_t fvf)
{
    std::uint32_t size = 0;
    for (const VertexElement& element : ElementsOfFvf(fvf))
    {
        size += ElementSize(element.Type);
    }
    return size;
}

VertexDeclaration::VertexDeclaration(Device& device, std::vector<VertexElement> elements, bool ownedByDevice)
    : DeviceChild(device, ownedByDevice), elements_(std::move(elements))
{}

VertexDeclaration* VertexDeclaration::Make(Device& device, const VertexElement* elements, bool ownedByDevice)
{
    std::vector<VertexElement> list;
    for (const VertexElement* element = elements; element->Stream != 0xFF; ++element)
    {
        if (list.size() >= 64 || ElementSize(element->Type) == 0 || element->Stream >= 16)
        {
            return nullptr;
        }
        list.push_back(*element);
    }
    return new VertexDeclaration(device, std::move(list), ownedByDevice);
}

Result VertexDeclaration::GetDeclaration(VertexElement* elements, std::uint32_t* count) const
{
    if (!count)
    {
        return InvalidCall;
    }
    const auto needed = static_cast<std::uint32_t>(elements_.size() + 1);
    if (elements)
    {
        if (*count < needed)
        {
            return InvalidCall;
        }
        std::copy(elements_.begin(), elements_.end(), elements);
        elements[elements_.size()] = DeclarationEnd;
    }
    *count = needed;
    return Ok;
}

std::string VertexDeclaration::Describe() const
{
    return "vertex declaration of " + std::to_string(elements_.size()) + " elements";
}

} // namespace Platform::Gfx
