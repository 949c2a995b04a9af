#pragma once

#include "foundation/TypeTag.h"
#include "ui/PixelBufferCanvas.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Bench
{

// A pixel-buffer canvas of a fixed size over a block of its own, for benchmarks that draw into memory.
class CBenchCanvas : public UILib::CPixelBufferCanvas
{
public:
    CBenchCanvas(std::int32_t width, std::int32_t height)
        : CPixelBufferCanvas(width, height), m_block(static_cast<std::size_t>(width) * height)
    {
        SetPixels(m_block.data(), width);
    }
    void Destroy() override {}
    std::uint32_t GetTypeTag() const override { return BaseLib::MakeTypeTag("BNCH"); }
    void Resize(std::int32_t, std::int32_t) override {}
    void SetPosition(std::int32_t, std::int32_t) override {}
    BaseLib::CPoint GetPosition() const override { return {}; }
    void Render(void*) override {}
    void BeginDraw() override {}
    void EndDraw(bool) override {}

private:
    std::vector<BaseLib::CColor> m_block;
};

} // namespace Bench
