#include "tools/mapeditor/MapEditorScreen.h"

#include "foundation/Color.h"
#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "framework/CommandQueue.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/map/EditableMap.h"
#include "tools/mapeditor/MapCellPropertiesWindow.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/ResolveAs.h"
#include "ui/controls/ScrollWindow.h"

#include <utility>

namespace
{

constexpr const char* kScreenLayout = "interface>mapeditorscreen.xml";
constexpr const char* kToolbarLayout = "interface>mapeditortoolbar.xml";
constexpr int kCellWindowTop = 70;

UILib::CWindowManager* WindowManager()
{
    return UILib::CWindowManager::GetInstance();
}

} // namespace

GameLib::CUIScreen* CreateMapEditorScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
{
    return new CMapEditorScreen(userInterface, world);
}

CMapEditorScreen::CMapEditorScreen(CQuarrowUI* userInterface, CQuarrowWorld* world) : CMapScreen(userInterface, world)
{
    CMapEditorScreen::CreateWindows();
}

CMapEditorScreen::~CMapEditorScreen()
{
    ClosePicker();
}

void CMapEditorScreen::CreateWindows()
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowManager* windows = WindowManager();
    UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    if (system == nullptr || system->GetWindowFactory() == nullptr || root == nullptr)
    {
        BaseLib::DebugOutput("Map editor: no window system; the screen has no windows\n");
        return;
    }
    auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    panel->SetColor(BaseLib::CColor(255, 255, 255, 0));
    panel->SetPosition(0, 0);
    panel->SetSize(root->GetSize().cx, root->GetSize().cy);
    root->AddChild(panel->GetHandle());
    m_panel = panel->GetHandle();
    UILib::CWindowFactory* factory = system->GetWindowFactory();
    factory->LoadLayout(kScreenLayout, panel);
    panel->SetVisible(false);

    m_playingField = panel->FindChildByName("playingfield", true);
    if (m_playingField == nullptr)
    {
        BaseLib::DebugOutput("Map editor: layout \"%s\" has no window \"playingfield\"; no map is shown\n",
                             kScreenLayout);
    }
    else
    {
        m_playingField->SetSize(panel->GetSize().cx, panel->GetSize().cy);
    }

    m_cellWindow = CMapCellPropertiesWindow::Create(GetWorld());
    m_cellWindow->SetChangeCallback(CMapCellPropertiesWindow::CChangeCallback::Bind(this, &CMapEditorScreen::OnCellChanged));
    m_cellWindow->SetPosition(0, kCellWindowTop);
    panel->AddChild(m_cellWindow->GetHandle());

    factory->LoadLayout(kToolbarLayout, panel);
    const auto hook = [&](const char* name, void (CMapEditorScreen::*handler)(UILib::CBasicButton*)) {
        auto* button = static_cast<UILib::CButton*>(panel->FindChildByName(name, true, "CButton"));
        if (button == nullptr)
        {
            BaseLib::DebugOutput("Map editor: layout \"%s\" has no CButton \"%s\"; it is left out\n", kToolbarLayout,
                                 name);
            return;
        }
        button->SetOnClick(UILib::CButtonCallback::Bind(this, handler));
    };
    hook("newbutton", &CMapEditorScreen::OnNew);
    hook("loadbutton", &CMapEditorScreen::OnLoad);
    hook("savebutton", &CMapEditorScreen::OnSave);
}

void CMapEditorScreen::CreateRenderer()
{
    CEditableMap* map = GetPlayableMap();
    if (map == nullptr)
    {
        BaseLib::DebugOutput("Map editor: the world has no map with cells; no map is shown\n");
        return;
    }
    m_renderer = new CMapEditorRenderer2D(this, this, map);
    if (GetUserInterface() != nullptr)
    {
        GetUserInterface()->ResetTimeStep();
    }
}

void CMapEditorScreen::OnActivate()
{
    CMapScreen::OnActivate();
    m_unsavedEdits = false;
    m_pickerJustClosed = false;
    if (GetWorld() != nullptr && GetWorld()->GetCommandQueue() != nullptr)
    {
        GetWorld()->GetCommandQueue()->PostCommand("SetEditorMode", "true");
    }
}

void CMapEditorScreen::OnDeactivate()
{
    ClosePicker();
    if (m_unsavedEdits)
    {
        const CEditableMap* map = GetWorld() != nullptr ? GetWorld()->GetMap() : nullptr;
        BaseLib::DebugOutput("Map editor: edits of \"%s\" not saved are dropped; the map is read from its file again\n",
                             map != nullptr ? map->GetName().c_str() : "");
        m_unsavedEdits = false;
    }
    CMapScreen::OnDeactivate();
    if (GetWorld() != nullptr && GetWorld()->GetCommandQueue() != nullptr)
    {
        GetWorld()->GetCommandQueue()->PostCommand("SetEditorMode", "false");
    }
}

void CMapEditorScreen::OnStart()
{
    CMapScreen::OnStart();
    const GameLib::CCommandQueue* commands = GetWorld() != nullptr ? GetWorld()->GetCommandQueue() : nullptr;
    if (commands == nullptr || commands->IsEmpty())
    {
        m_selectedX = 0;
        m_selectedY = 0;
        if (m_cellWindow != nullptr)
        {
            m_cellWindow->ShowCell(0, 0);
        }
    }
}

void CMapEditorScreen::OnCommand()
{
    GameLib::CInputManager* input = GetOwner() != nullptr ? GetOwner()->GetInputManager() : nullptr;
    if (input == nullptr)
    {
        return;
    }
    if (GetPicker() != nullptr || std::exchange(m_pickerJustClosed, false))
    {
        input->ConsumeActionEvent("quit", "gui");
        return;
    }
    if (input->ConsumeActionEvent("quit", "gui"))
    {
        SetNextScreen("mainmenu");
        m_states.SetState("FadeOut");
    }
    else if (input->ConsumeActionEvent("editor", "gui") && GetOwner() != nullptr)
    {
        GetOwner()->SwitchTo("map");
    }
}

bool CMapEditorScreen::IsInnerCell(int x, int y) const
{
    const CEditableMap* map = GetPlayableMap();
    return map != nullptr && x > 0 && y > 0 && x < map->GetSize().cx - 1 && y < map->GetSize().cy - 1;
}

void CMapEditorScreen::Redraw()
{
    if (m_renderer != nullptr)
    {
        m_renderer->Draw();
    }
}

void CMapEditorScreen::SelectCell(int x, int y)
{
    if (!IsInnerCell(x, y))
    {
        return;
    }
    m_selectedX = x;
    m_selectedY = y;
    Redraw();
    if (m_cellWindow != nullptr)
    {
        m_cellWindow->ShowCell(x, y);
    }
}

void CMapEditorScreen::OnCellRightClicked(int x, int y)
{
    if (!IsInnerCell(x, y))
    {
        return;
    }
    m_selectedX = x;
    m_selectedY = y;
    MapCell& cell = GetPlayableMap()->GetCell(x, y);
    cell.walkBits = static_cast<std::uint8_t>((cell.walkBits + 1) % 64);
    m_unsavedEdits = true;
    if (m_cellWindow != nullptr)
    {
        m_cellWindow->ShowCell(x, y);
    }
    Redraw();
}

void CMapEditorScreen::OnCellChanged()
{
    m_unsavedEdits = true;
    Redraw();
}

void CMapEditorScreen::OnNew(UILib::CBasicButton*)
{
    CEditableMap* map = GetPlayableMap();
    if (map == nullptr)
    {
        return;
    }
    map->ClearCells();
    m_unsavedEdits = true;
    if (m_cellWindow != nullptr)
    {
        m_cellWindow->ShowCell(m_selectedX, m_selectedY);
    }
    Redraw();
}

UILib::CFilePicker* CMapEditorScreen::GetPicker() const
{
    return UILib::ResolveAs<UILib::CFilePicker>(m_picker);
}

UILib::CFilePicker* CMapEditorScreen::OpenPicker(std::int32_t mode)
{
    UILib::CWindowManager* windows = WindowManager();
    UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    const CEditableMap* map = GetWorld() != nullptr ? GetWorld()->GetMap() : nullptr;
    if (root == nullptr || map == nullptr || GetPicker() != nullptr)
    {
        return nullptr;
    }
    auto* picker = static_cast<UILib::CFilePicker*>(UILib::CFilePicker::Create());
    root->AddChild(picker->GetHandle());
    picker->CenterInParent();
    picker->SetAlwaysOnTop(true);
    if (mode == UILib::CFilePicker::SaveMode)
    {
        picker->ClearFilters();
        picker->AddFilter("Level Files", "*.xml");
    }
    else
    {
        picker->AddFilter("Map Files", "*.xml");
    }
    picker->SetMode(mode);
    picker->SetPickableKinds(UILib::CFilePicker::PickFiles);
    const BaseLib::CPathAliases* aliases = UILib::CUILibSystem::GetInstance()->GetPathAliases();
    picker->SetDirectory(BaseLib::CString(aliases != nullptr ? aliases->ResolvePath("level>").c_str() : "."));
    picker->SetFileName(BaseLib::CString(map->GetName().c_str()));
    m_picker = picker->GetHandle();
    windows->PushModalWindow(picker);
    windows->ActivateWindow(picker->GetHandle(), true);
    return picker;
}

void CMapEditorScreen::ClosePicker()
{
    UILib::CFilePicker* picker = GetPicker();
    m_picker = 0;
    if (picker == nullptr)
    {
        return;
    }
    if (UILib::CWindowManager* windows = WindowManager())
    {
        windows->RemoveModalWindow(picker);
    }
    picker->SuppressEvents();
    picker->Destroy();
    m_pickerJustClosed = true;
}

void CMapEditorScreen::OnLoad(UILib::CBasicButton*)
{
    if (UILib::CFilePicker* picker = OpenPicker(UILib::CFilePicker::OpenMode))
    {
        picker->SetCallback(UILib::CFilePickerCallback::Bind(this, &CMapEditorScreen::OnLoadPicked));
    }
}

void CMapEditorScreen::OnSave(UILib::CBasicButton*)
{
    if (UILib::CFilePicker* picker = OpenPicker(UILib::CFilePicker::SaveMode))
    {
        picker->SetCallback(UILib::CFilePickerCallback::Bind(this, &CMapEditorScreen::OnSavePicked));
    }
}

void CMapEditorScreen::OnLoadPicked(UILib::CFilePicker* picker, bool cancelled)
{
    CEditableMap* map = GetWorld() != nullptr ? GetWorld()->GetMap() : nullptr;
    if (!cancelled && map != nullptr)
    {
        const std::string file = static_cast<const char*>(picker->GetFileName());
        if (map->LoadXml(0, file))
        {
            m_unsavedEdits = false;
        }
        else
        {
            BaseLib::DebugOutput("Map editor: \"%s\" is no map file; the map shows what could be read\n", file.c_str());
        }
        if (m_renderer != nullptr)
        {
            m_renderer->Release();
        }
        else
        {
            CreateRenderer();
        }
        if (auto* field = dynamic_cast<UILib::CScrollWindow*>(m_playingField); m_renderer != nullptr && field != nullptr)
        {
            m_renderer->LoadResources(field);
        }
        if (!IsInnerCell(m_selectedX, m_selectedY))
        {
            m_selectedX = 0;
            m_selectedY = 0;
        }
        Redraw();
        if (m_cellWindow != nullptr)
        {
            m_cellWindow->ShowCell(m_selectedX, m_selectedY);
        }
    }
    ClosePicker();
}

std::string CMapEditorScreen::SaveFileName(const std::string& chosen)
{
    const std::string ending = ".xml";
    const bool ends = chosen.size() >= ending.size() && chosen.compare(chosen.size() - ending.size(), ending.size(), ending) == 0;
    return ends ? chosen : chosen + ending;
}

void CMapEditorScreen::OnSavePicked(UILib::CFilePicker* picker, bool cancelled)
{
    CEditableMap* map = GetWorld() != nullptr ? GetWorld()->GetMap() : nullptr;
    if (!cancelled && map != nullptr)
    {
        const std::string file = SaveFileName(static_cast<const char*>(picker->GetFileName()));
        if (map->SaveXml(file))
        {
            m_unsavedEdits = false;
        }
        else
        {
            BaseLib::DebugOutput("Map editor: the map could not be saved as \"%s\"\n", file.c_str());
        }
        if (m_cellWindow != nullptr)
        {
            m_cellWindow->ShowCell(m_selectedX, m_selectedY);
        }
        Redraw();
    }
    ClosePicker();
}
