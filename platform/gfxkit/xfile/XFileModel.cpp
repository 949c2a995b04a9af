#include "platform/gfxkit/xfile/XFileModel.h"

#include "platform/gfx/VertexDeclaration.h"

namespace Platform::GfxKit
{

std::uint32_t XKeyValueCount(std::uint32_t keyType)
{
    switch (keyType)
    {
    case XKeyType::Rotation:
        return 4;
    case XKeyType::Scale:
    case XKeyType::Translation:
        return 3;
    case XKeyType::MatrixOld:
    case XKeyType::Matrix:
        return 16;
    default:
        return 0;
    }
}

std::uint32_t XDeclTypeSize(std::uint32_t type)
{
    return type < Gfx::DeclType::Unused ? Gfx::ElementSize(static_cast<std::uint8_t>(type)) : 0;
}

namespace
{

bool SameMeshes(const XFileModel& a, const std::vector<std::uint32_t>& aMeshes, const XFileModel& b,
                const std::vector<std::uint32_t>& bMeshes)
{
    if (aMeshes.size() != bMeshes.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < aMeshes.size(); ++i)
    {
        if (aMeshes[i] >= a.meshes.size() || bMeshes[i] >= b.meshes.size())
        {
            return false;
        }
        if (!(a.meshes[aMeshes[i]] == b.meshes[bMeshes[i]]))
        {
            return false;
        }
    }
    return true;
}

bool SameFrames(const XFileModel& a, const std::vector<XFrame>& aFrames, const XFileModel& b,
                const std::vector<XFrame>& bFrames)
{
    if (aFrames.size() != bFrames.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < aFrames.size(); ++i)
    {
        const XFrame& x = aFrames[i];
        const XFrame& y = bFrames[i];
        if (x.name != y.name || x.transform != y.transform || !SameMeshes(a, x.meshes, b, y.meshes) ||
            !SameFrames(a, x.children, b, y.children))
        {
            return false;
        }
    }
    return true;
}

void CollectFrameMeshes(const std::vector<XFrame>& frames, std::vector<bool>& listed,
                        std::vector<std::uint32_t>& order)
{
    for (const XFrame& frame : frames)
    {
        for (std::uint32_t mesh : frame.meshes)
        {
            if (mesh < listed.size() && !listed[mesh])
            {
                listed[mesh] = true;
                order.push_back(mesh);
            }
        }
        CollectFrameMeshes(frame.children, listed, order);
    }
}

} // namespace

bool XFileModel::operator==(const XFileModel& other) const
{
    return meshes.size() == other.meshes.size() && ticksPerSecond == other.ticksPerSecond &&
           animationSets == other.animationSets && SameMeshes(*this, rootMeshes, other, other.rootMeshes) &&
           SameFrames(*this, frames, other, other.frames);
}

std::vector<std::uint32_t> XMeshDefinitionOrder(const XFileModel& model)
{
    std::vector<bool> listed(model.meshes.size(), false);
    std::vector<std::uint32_t> order;
    for (std::uint32_t mesh : model.rootMeshes)
    {
        if (mesh < listed.size() && !listed[mesh])
        {
            listed[mesh] = true;
            order.push_back(mesh);
        }
    }
    CollectFrameMeshes(model.frames, listed, order);
    return order;
}

} // namespace Platform::GfxKit
