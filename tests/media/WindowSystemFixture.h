#pragma once

#include "foundation/PathAliases.h"
#include "tests/ui/support/MemoryCanvas.h"
#include "ui/BitmapFactory.h"
#include "ui/Clock.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"
#include "ui/controls/Controls.h"

#include <gtest/gtest.h>

namespace MediaTesting
{

constexpr int ScreenWidth = 1024;
constexpr int ScreenHeight = 768;
constexpr BaseLib::CColor ScreenGrey(110, 110, 110, 255);

// The window system as the game starts it, over memory canvases: the controls registered, the aliases
// "media" and "interface" naming the committed media, the theme folder "interface/standard" among the
// bitmap folders, and a grey screen-sized root panel with its own canvas as layer 0.
class WindowSystemFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UILib::SetTimeOverride(0.0);
        UILib::RegisterControls();
        UILib::CUILibSystem::CreateInstance();
        system = UILib::CUILibSystem::GetInstance();
        ASSERT_NE(nullptr, system);
        aliases.RegisterPathAlias("media", QUARROW_MEDIA_DIR);
        aliases.RegisterPathAlias("interface", "media>interface");
        system->SetPathAliases(&aliases);
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>standard").c_str());
        manager = system->GetWindowManager();
        manager->SetCanvasFactory(&UiTestSupport::CMemoryTextureCanvas::Make);
        UILib::CPanel* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
        panel->SetColor(ScreenGrey);
        root = panel;
        root->SetSize(ScreenWidth, ScreenHeight);
        manager->AddLayer(root);
        root->SetOwnCanvas(true);
    }

    void TearDown() override
    {
        UILib::CUILibSystem::DestroyInstance();
        UILib::SetTimeOverride(0.0);
    }

    BaseLib::CPathAliases aliases;
    UILib::CUILibSystem* system = nullptr;
    UILib::CWindowManager* manager = nullptr;
    UILib::CWindow* root = nullptr;
};

} // namespace MediaTesting
