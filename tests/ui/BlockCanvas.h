#pragma once

#include "foundation/TypeTag.h"
#include "ui/PixelBufferCanvas.h"

#include <vector>

namespace UiTest
{

// A pixel-buffer canvas over a block of its own, white at first, for tests that read pixels back.
class CBlockCanvas : public UILib::CPixelBufferCanvas
{
public:
    CBlockCanvas(std::int32_t width, std::int32_t height)
        : CPixelBufferCanvas(width, height), block(static_cast<std::size_t>(width) * height, White())
    {
        SetPixels(block.data(), width);
    }
    static BaseLib::CColor White() { return BaseLib::CColor(255, 255, 255, 255); }

    void Destroy() override {}
    std::uint32_t GetTypeTag() const override { return BaseLib::MakeTypeTag("TEST"); }
    void Resize(std::int32_t, std::int32_t) override {}
    void SetPosition(std::int32_t, std::int32_t) override {}
    BaseLib::CPoint GetPosition() const override { return {}; }
    void Render(void*) override {}
    void BeginDraw() override {}
    void EndDraw(bool) override {}

    BaseLib::CColor At(std::int32_t x, std::int32_t y) const { return block[static_cast<std::size_t>(y) * m_width + x]; }

    std::vector<BaseLib::CColor> block;
};

} // namespace UiTest
