#include "framework/DevMenuScreen.h"

#include "foundation/ConfigFile.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "framework/GameLibApplication.h"
#include "framework/ScreenWindows.h"
#include "framework/UserInterface.h"
#include "ui/Panel.h"
#include "ui/TextureCanvas.h"
#include "ui/controls/Button.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListBox.h"

#include <vector>

namespace GameLib
{

namespace
{

constexpr float kFadeSeconds = 0.5f;

} // namespace

CDevMenuScreen::CDevMenuScreen(CUserInterface* userInterface) : m_userInterface(userInterface)
{
    CreateWindows();
    if (m_panel != nullptr)
    {
        m_panel->SetVisible(false);
    }
    m_phase = 0;
}

CUIScreen* CDevMenuScreen::Create(CUserInterface* userInterface)
{
    return new CDevMenuScreen(userInterface);
}

void CDevMenuScreen::CreateWindows()
{
    m_panel = CreateScreenPanel(BaseLib::CColor(48, 112, 144, 255));
    if (m_panel == nullptr)
    {
        return;
    }
    AddToFirstLayer(m_panel);
    if (!LoadLayoutInto("interface>devmenuscreen.xml", m_panel))
    {
        CreateMinimalMenu();
        return;
    }
    m_levelList = dynamic_cast<UILib::CListBox*>(m_panel->FindChildByName("levelbox", true, "CListBox"));
    m_startLevelButton = dynamic_cast<UILib::CButton*>(m_panel->FindChildByName("startlevelbutton", true, "CButton"));
    m_startGameButton = dynamic_cast<UILib::CButton*>(m_panel->FindChildByName("startgamebutton", true, "CButton"));
    if (m_levelList != nullptr)
    {
        m_levelList->SetOnDoubleClick(UILib::CListBoxCallback::Bind(this, &CDevMenuScreen::OnLevelDoubleClick));
    }
    if (m_startLevelButton != nullptr)
    {
        m_startLevelButton->SetOnClick(UILib::CButtonCallback::Bind(this, &CDevMenuScreen::OnStartLevel));
    }
    if (m_startGameButton != nullptr)
    {
        m_startGameButton->SetOnClick(UILib::CButtonCallback::Bind(this, &CDevMenuScreen::OnStartGame));
    }
}

void CDevMenuScreen::CreateMinimalMenu()
{
    auto* picture = new UILib::CLabel();
    picture->SetBitmapFile("std_harwen.png");
    picture->Move(10, 10);
    picture->SetBackground(false);
    m_panel->AddChild(picture->GetHandle());

    auto* inner = new UILib::CPanel();
    inner->SetColor(BaseLib::CColor(176, 192, 208, 255));
    inner->Move(10, 120);
    inner->SetSize(200, 340);
    m_panel->AddChild(inner->GetHandle());

    m_startGameButton = new UILib::CButton();
    m_startGameButton->SetText("start game");
    m_startGameButton->SetSize(120, 30);
    m_startGameButton->Move(10, 300);
    m_startGameButton->SetOnClick(UILib::CButtonCallback::Bind(this, &CDevMenuScreen::OnStartGame));
    inner->AddChild(m_startGameButton->GetHandle());
}

void CDevMenuScreen::Update()
{
    UILib::CTextureCanvas* canvas = GetFirstLayerTextureCanvas();
    switch (m_phase)
    {
    case 0:
        if (canvas != nullptr)
        {
            canvas->SetBrightnessLevel(0);
        }
        FadeFirstLayerTo(255, kFadeSeconds);
        m_phase = 1;
        break;
    case 1:
        // The cursor belongs to the fully faded-in menu only.
        m_userInterface->SetCursorVisible(canvas != nullptr && canvas->GetBrightness() == 1.0f);
        if (ConsumeGuiAction(m_userInterface, "enter"))
        {
            m_choice = ChoiceGame;
        }
        if (m_choice != ChoiceNone)
        {
            FadeOutAndLeaveFor("loading");
        }
        else if (ConsumeGuiAction(m_userInterface, "quit"))
        {
            FadeOutAndLeaveFor("shutdown");
        }
        break;
    case 2:
        if (!IsAnyLayerAnimating())
        {
            GetOwner()->SwitchTo(m_nextScreen);
            m_nextScreen.clear();
            m_phase = 0;
        }
        break;
    default:
        break;
    }
}

void CDevMenuScreen::FadeOutAndLeaveFor(const char* name)
{
    m_phase = 2;
    FadeFirstLayerTo(0, kFadeSeconds);
    m_nextScreen = name;
}

void CDevMenuScreen::OnActivate()
{
    m_phase = 0;
    if (m_panel != nullptr)
    {
        m_panel->SetVisible(true);
    }
    m_choice = ChoiceNone;
    FillLevelList();
    RestoreSelection();
}

void CDevMenuScreen::OnDeactivate()
{
    StoreChoice();
    if (m_panel != nullptr)
    {
        m_panel->SetVisible(false);
    }
    m_userInterface->SetCursorVisible(false);
}

void CDevMenuScreen::Release()
{
    delete this;
}

void CDevMenuScreen::FillLevelList()
{
    if (m_levelList == nullptr)
    {
        return;
    }
    m_levelList->RemoveAllItems();
    std::vector<std::string> files;
    BaseLib::ListFiles(m_userInterface->GetApplication()->GetPathAliases().ResolvePath("level>*.level.xml"), files);
    for (const std::string& file : files)
    {
        m_levelList->AddItem(BaseLib::GetFileName(file).c_str());
    }
}

void CDevMenuScreen::RestoreSelection()
{
    if (m_levelList == nullptr)
    {
        return;
    }
    const std::string level = ReadConfigString(m_userInterface, "startup/level");
    m_levelList->SelectByPrefix(BaseLib::GetFileName(level).c_str(), false);
}

void CDevMenuScreen::StoreChoice()
{
    BaseLib::CConfigFile* config = m_userInterface->GetApplication()->GetConfiguration();
    if (config == nullptr)
    {
        return;
    }
    if (m_choice == ChoiceLevel)
    {
        const std::string item = m_levelList != nullptr ? std::string(m_levelList->GetSelectedText()) : std::string();
        config->SetString("startup/level", "level>" + item);
    }
    const char* mode = m_choice == ChoiceGame ? "game" : m_choice == ChoiceLevel ? "single_level" : "";
    if (*mode != '\0')
    {
        config->SetString("startup/mode", mode);
    }
}

void CDevMenuScreen::OnStartGame(UILib::CBasicButton*)
{
    m_choice = ChoiceGame;
}

void CDevMenuScreen::OnStartLevel(UILib::CBasicButton*)
{
    m_choice = ChoiceLevel;
}

void CDevMenuScreen::OnLevelDoubleClick(UILib::CListBox*)
{
    m_choice = ChoiceLevel;
}

} // namespace GameLib
