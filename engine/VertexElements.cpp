#include "engine/VertexElements.h"

#include "platform/gfx/Device.h"
#include "platform/gfxkit/mesh/Mesh.h"

#include <algorithm>

namespace Qen
{

namespace
{

bool IsEnd(const VertexElement& element)
{
    return element.Stream == 0xFF;
}

} // namespace

void InitVertexDeclaration(VertexElement (&declaration)[kVertexDeclarationRoom])
{
    std::fill(std::begin(declaration), std::end(declaration), Platform::Gfx::DeclarationEnd);
}

void ReadMeshDeclaration(const Platform::GfxKit::Mesh& mesh, VertexElement (&declaration)[kVertexDeclarationRoom])
{
    InitVertexDeclaration(declaration);
    mesh.GetDeclaration(declaration);
}

std::uint32_t GetDeclTypeSize(std::uint32_t type)
{
    return type > Platform::Gfx::DeclType::Float16x4 ? 0
                                                     : Platform::Gfx::ElementSize(static_cast<std::uint8_t>(type));
}

int FindVertexElement(const VertexElement* declaration, std::uint32_t usage, std::uint32_t usageIndex)
{
    for (int i = 0; !IsEnd(declaration[i]); ++i)
    {
        if (declaration[i].Usage == usage && declaration[i].UsageIndex == usageIndex)
        {
            return i;
        }
    }
    return -1;
}

int AddVertexElement(VertexElement* declaration, const VertexElement& element)
{
    const std::uint32_t length = Platform::GfxKit::GetDeclLength(declaration);
    if (length + 1 >= kVertexDeclarationRoom)
    {
        return -1;
    }
    const std::uint32_t offset = Platform::GfxKit::GetDeclVertexSize(declaration, element.Stream);
    declaration[length] = element;
    declaration[length].Offset = static_cast<std::uint16_t>(offset);
    declaration[length + 1] = Platform::Gfx::DeclarationEnd;
    return static_cast<int>(length);
}

bool RemoveNormalElement(VertexElement* declaration)
{
    const int found = FindVertexElement(declaration, Platform::Gfx::DeclUsage::Normal, 0);
    if (found < 0)
    {
        return false;
    }
    const std::uint32_t removed = GetDeclTypeSize(declaration[found].Type);
    for (int i = found;; ++i)
    {
        declaration[i] = declaration[i + 1];
        if (IsEnd(declaration[i]))
        {
            break;
        }
        declaration[i].Offset = static_cast<std::uint16_t>(declaration[i].Offset - removed);
    }
    return true;
}

Platform::Gfx::Result CreateVertexDeclaration(Platform::Gfx::Device* device, const VertexElement* declaration,
                                              Platform::Gfx::VertexDeclaration** out)
{
    *out = nullptr;
    return device->CreateVertexDeclaration(declaration, out);
}

} // namespace Qen
