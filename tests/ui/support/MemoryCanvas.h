#pragma once

#include "foundation/Rect.h"
#include "ui/TextureCanvas.h"

#include <cstdint>
#include <string>
#include <vector>

// Headless stand-ins for the framework's canvas and screen: a texture canvas that owns its pixels in
// memory and a software presenter that composes presented canvases into a picture. Used by the window
// system's tests, the controls' tests and the layout viewer.
namespace UiTestSupport
{

class CSoftwarePresenter;

// A texture canvas over its own block (row length = width, reallocated by Resize). Records each Render
// call with its rectangle (or none) and hands it to the presenter that is current, if any.
class CMemoryTextureCanvas : public UILib::CTextureCanvas
{
public:
    CMemoryTextureCanvas(std::int32_t width, std::int32_t height);

    // For CWindowManager::SetCanvasFactory.
    static UILib::CCanvas* Make(std::int32_t width, std::int32_t height);

    void Destroy() override;
    std::uint32_t GetTypeTag() const override;
    void Resize(std::int32_t width, std::int32_t height) override;
    // The window system's placement: the offset.
    void SetPosition(std::int32_t x, std::int32_t y) override;
    BaseLib::CPoint GetPosition() const override;
    void Render(void* target) override;
    void BeginDraw() override;
    void EndDraw(bool clearDirtyList) override;

    struct RenderCall
    {
        bool withRect = false;
        BaseLib::CRect rect;
    };
    std::vector<RenderCall> renders;
    int beginDraws = 0;
    // Each canvas destroyed raises this count (tests of canvas lifetime).
    static int destroyed;

private:
    std::vector<BaseLib::CColor> m_block;
};

// A screen-sized pixel buffer. While current, every memory canvas's Render draws into it through the
// canvas's combined transform (nearest pixel), cut to the presented rectangle taken as canvas
// coordinates (exact for a window whose parent has the own canvas: its visible client rectangle moved by
// the parent's offset (0, 0)),
// with the canvas's brightness scaling the colour and its transparency scaling the alpha, blended over.
class CSoftwarePresenter
{
public:
    CSoftwarePresenter(std::int32_t width, std::int32_t height, BaseLib::CColor background);
    ~CSoftwarePresenter();
    CSoftwarePresenter(const CSoftwarePresenter&) = delete;
    CSoftwarePresenter& operator=(const CSoftwarePresenter&) = delete;

    static CSoftwarePresenter* GetCurrent();
    void Draw(const UILib::CTextureCanvas& canvas, const BaseLib::CRect* rect);
    BaseLib::CColor GetPixel(std::int32_t x, std::int32_t y) const;
    void Clear();
    // Writes the screen with alpha through Platform::Gfx::WritePng.
    bool WritePng(const std::string& path) const;

private:
    std::int32_t m_width;
    std::int32_t m_height;
    BaseLib::CColor m_background;
    std::vector<BaseLib::CColor> m_screen;
};

} // namespace UiTestSupport
