#pragma once

#include "foundation/Color.h"
#include "foundation/TypeTag.h"
#include "ui/BitmapFactory.h"
#include "ui/PixelBufferCanvas.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Bench
{

// A memory canvas the window system owns: sized by the window, freed by Destroy, its dirty list cleared
// after each paint.
class CScreenCanvas : public UILib::CPixelBufferCanvas
{
public:
    CScreenCanvas(std::int32_t width, std::int32_t height) : CPixelBufferCanvas(width, height) { Resize(width, height); }
    void Destroy() override { delete this; }
    std::uint32_t GetTypeTag() const override { return BaseLib::MakeTypeTag("BNCH"); }
    void Resize(std::int32_t width, std::int32_t height) override
    {
        m_block.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), BaseLib::CColor());
        SetPixels(m_block.data(), width);
    }
    void SetPosition(std::int32_t, std::int32_t) override {}
    BaseLib::CPoint GetPosition() const override { return {}; }
    void Render(void*) override {}
    void BeginDraw() override {}
    void EndDraw(bool clearDirtyList) override
    {
        if (clearDirtyList)
        {
            ClearDirtyRects();
        }
    }

private:
    std::vector<BaseLib::CColor> m_block;
};

// The window system started over memory canvases with one layer whose root (width × height) has its own
// canvas; the theme's images come from the repository's media folder (QUARROW_MEDIA_DIR, which the
// benchmark's target defines). Stopped by the destructor.
struct CBenchScreen
{
    CBenchScreen(std::int32_t width, std::int32_t height)
    {
        UILib::CUILibSystem::CreateInstance();
        UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
        system->GetBitmapFactory()->AddSearchPath(QUARROW_MEDIA_DIR "/interface/standard");
        manager = system->GetWindowManager();
        manager->SetCanvasFactory([](std::int32_t w, std::int32_t h) { return new CScreenCanvas(w, h); });
        root = new UILib::CWindow();
        root->SetSize(width, height);
        root->SetOwnCanvas(true);
        manager->AddLayer(root);
    }
    ~CBenchScreen() { UILib::CUILibSystem::DestroyInstance(); }
    CBenchScreen(const CBenchScreen&) = delete;
    CBenchScreen& operator=(const CBenchScreen&) = delete;

    UILib::CWindowManager* manager = nullptr;
    UILib::CWindow* root = nullptr;
};

} // namespace Bench
