#include "framework/ScreenWindows.h"

#include "foundation/ConfigFile.h"
#include "framework/GameLibApplication.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "framework/UserInterface.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"

namespace GameLib
{

bool ConsumeGuiAction(CUserInterface* userInterface, const char* action)
{
    CInputManager* input = userInterface->GetInputManager();
    return input != nullptr && input->ConsumeActionEvent(action, "gui");
}

std::string ReadConfigString(CUserInterface* userInterface, const char* key)
{
    const BaseLib::CConfigFile* config = userInterface->GetApplication()->GetConfiguration();
    return config != nullptr ? config->GetString(key) : std::string();
}

UILib::CTextureCanvas* GetFirstLayerTextureCanvas()
{
    return dynamic_cast<UILib::CTextureCanvas*>(GetFirstLayerCanvas());
}

void FadeFirstLayerTo(std::int32_t level, float seconds)
{
    if (UILib::CTextureCanvas* canvas = GetFirstLayerTextureCanvas())
    {
        canvas->FadeBrightnessTo(static_cast<float>(level), seconds);
    }
}

UILib::CPanel* CreateScreenPanel(BaseLib::CColor colour)
{
    const UILib::CWindowManager* windows = RunningWindowManager();
    const UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    if (root == nullptr)
    {
        // Nothing would keep or delete the panel.
        return nullptr;
    }
    const BaseLib::CSize size = root->GetSize();
    auto* panel = new UILib::CPanel();
    panel->SetColor(colour);
    panel->Move(0, 0);
    panel->SetSize(size.cx, size.cy);
    return panel;
}

void AddToFirstLayer(UILib::CPanel* panel)
{
    if (UILib::CWindowManager* windows = RunningWindowManager())
    {
        windows->AddToLayer(panel, 0);
    }
}

bool LoadLayoutInto(const char* file, UILib::CPanel* panel)
{
    const UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowFactory* factory = system != nullptr ? system->GetWindowFactory() : nullptr;
    return factory != nullptr && factory->LoadLayoutWindows(file, panel, nullptr);
}

} // namespace GameLib
