#include "game/menus/FileMenuScreen.h"

#include "foundation/Color.h"
#include "foundation/Debug.h"
#include "framework/CommandQueue.h"
#include "framework/InputManager.h"
#include "framework/UIScreen.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"
#include "platform/os/ComputerName.h"
#include "ui/Panel.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/Label.h"
#include "ui/controls/ToggleButton.h"

#include <cstdio>
#include <utility>

namespace
{

constexpr const char* kLayout = "interface>filemenuscreen.xml";
constexpr const char* kNameCursor = "menu_profile_cursor.png";
constexpr float kFadeSeconds = 0.5f;

UILib::CWindow* Resolve(UILib::Handle handle)
{
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    return handle != 0 && windows != nullptr ? windows->Resolve(handle) : nullptr;
}

UILib::Handle HandleOf(const UILib::CWindow* window)
{
    return window != nullptr ? window->GetHandle() : 0;
}

void SetVisible(UILib::Handle handle, bool visible)
{
    if (UILib::CWindow* window = Resolve(handle))
    {
        window->SetVisible(visible);
    }
}

void SetDisabled(UILib::Handle handle, bool disabled)
{
    if (UILib::CWindow* window = Resolve(handle))
    {
        window->SetDisabled(disabled);
    }
}

} // namespace

CFileMenuScreen::CFileMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world)
    : CQuarrowUIScreen(userInterface, world)
{
    m_states.AddState("Start", this, &CFileMenuScreen::EnterStart, &CFileMenuScreen::UpdateStart);
    m_states.AddState("FadeIn", this, &CFileMenuScreen::EnterFadeIn, &CFileMenuScreen::UpdateFadeIn);
    m_states.AddState("MainMenu", this, &CFileMenuScreen::EnterMainMenu, &CFileMenuScreen::UpdateMainMenu,
                      &CFileMenuScreen::LeaveMainMenu);
    m_states.AddState("FadeOut", this, &CFileMenuScreen::EnterFadeOut, &CFileMenuScreen::UpdateFadeOut);
}

CFileMenuScreen::~CFileMenuScreen()
{
    UILib::CWindow::Delete(GetNameEdit());
    UILib::CWindow::Delete(GetPanel());
}

UILib::CWindow* CFileMenuScreen::GetPanel() const
{
    return Resolve(m_panel);
}

UILib::CEditControl* CFileMenuScreen::GetNameEdit() const
{
    return static_cast<UILib::CEditControl*>(Resolve(m_nameEdit));
}

void CFileMenuScreen::Update()
{
    m_states.UpdateState();
}

void CFileMenuScreen::OnActivate()
{
    CQuarrowUIScreen::OnActivate();
    if (CQuarrowUI* ui = GetUserInterface())
    {
        ui->SetCursorVisible(true);
    }
    m_states.SetState("Start");
}

void CFileMenuScreen::OnDeactivate()
{
    EndRename();
    ShowConfirmation(false);
    SetVisible(m_panel, false);
    CQuarrowUI* ui = GetUserInterface();
    if (ui != nullptr)
    {
        ui->SetCursorVisible(false);
    }
    if (SaveGameManager* saveGames = ui != nullptr ? ui->GetSaveGameManager() : nullptr)
    {
        // A failed write is traced by the list and keeps the old file whole; the player leaves all the same.
        saveGames->GetSaveGameList().Save();
    }
    CQuarrowUIScreen::OnDeactivate();
}

UILib::CWindow* CFileMenuScreen::Find(const char* name, const char* expectedClass) const
{
    UILib::CWindow* panel = GetPanel();
    UILib::CWindow* window =
        panel != nullptr ? panel->FindChildByName(BaseLib::CString(name), true, expectedClass) : nullptr;
    if (window == nullptr)
    {
        BaseLib::DebugOutput("FileMenu: the layout \"%s\" has no %s \"%s\"\n", kLayout,
                             expectedClass != nullptr ? expectedClass : "window", name);
    }
    return window;
}

UILib::Handle CFileMenuScreen::BindButton(const char* name,
                                          void (CFileMenuScreen::*handler)(UILib::CBasicButton*))
{
    auto* button = static_cast<UILib::CButton*>(Find(name, "CButton"));
    if (button == nullptr)
    {
        return 0;
    }
    button->SetOnClick(UILib::CButtonCallback::Bind(this, handler));
    return button->GetHandle();
}

void CFileMenuScreen::CreateWindows()
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    UILib::CWindow* root = windows != nullptr ? windows->GetLayerRoot(0) : nullptr;
    if (system == nullptr || system->GetWindowFactory() == nullptr || root == nullptr)
    {
        return;
    }
    auto* panel = new UILib::CPanel();
    panel->SetColor(BaseLib::CColor(0, 0, 0, 0));
    panel->SetPosition(0, 0);
    panel->SetSize(root->GetSize().cx, root->GetSize().cy);
    root->AddChild(panel->GetHandle());
    m_panel = panel->GetHandle();
    // The layout carries no words, so it is not translated. One that does not load is traced by the
    // factory; the page then shows nothing and Escape still leads back.
    system->GetWindowFactory()->LoadLayout(kLayout, panel);

    for (std::int32_t i = 0; i < SlotCount; ++i)
    {
        Slot& slot = m_slots[i];
        char name[32];
        std::snprintf(name, sizeof name, "profile%d", i + 1);
        auto* toggle = static_cast<UILib::CToggleButton*>(Find(name, "CToggleButton"));
        if (toggle != nullptr)
        {
            toggle->SetOnClick(UILib::CButtonCallback::Bind(this, &CFileMenuScreen::OnSlot));
            slot.toggle = toggle->GetHandle();
            UILib::CWindow* label = toggle->FindChildByName(BaseLib::CString("label"), false, "CLabel");
            if (label == nullptr)
            {
                BaseLib::DebugOutput("FileMenu: the slot \"%s\" has no CLabel \"label\"\n", name);
            }
            slot.name = HandleOf(label);
        }
        std::snprintf(name, sizeof name, "profile%d_flag", i + 1);
        slot.flag = HandleOf(Find(name, "CLabel"));
        std::snprintf(name, sizeof name, "profile%d_coin", i + 1);
        slot.coin = HandleOf(Find(name, "CLabel"));
        std::snprintf(name, sizeof name, "profile%d_goldlabel", i + 1);
        slot.gold = HandleOf(Find(name, "CLabel"));
    }
    m_newButton = BindButton("newbutton", &CFileMenuScreen::OnNew);
    m_copyButton = BindButton("copybutton", &CFileMenuScreen::OnCopy);
    m_deleteButton = BindButton("deletebutton", &CFileMenuScreen::OnDelete);
    m_renameButton = BindButton("renamebutton", &CFileMenuScreen::OnRename);
    BindButton("backbutton", &CFileMenuScreen::OnBack);
    BindButton("yesbutton", &CFileMenuScreen::OnYes);
    BindButton("nobutton", &CFileMenuScreen::OnNo);
    m_confirmDialog = HandleOf(Find("confirmdialog", nullptr));
    m_darkeningPanel = HandleOf(Find("darkeningpanel", nullptr));

    if (GetNameEdit() == nullptr)
    {
        auto* edit = new UILib::CEditControl();
        if (const auto* firstName = static_cast<const UILib::CLabel*>(Resolve(m_slots[0].name)))
        {
            edit->SetFont(firstName->GetFont());
        }
        edit->SetFrame(false);
        edit->SetBitmapFile(kNameCursor);
        edit->SetTextLimit(NameLimit);
        edit->SetUpdateCallback(
            UILib::CEditControl::CEditCallback::Bind(this, &CFileMenuScreen::OnNameConfirmed));
        m_nameEdit = edit->GetHandle();
    }
}

void CFileMenuScreen::Refresh()
{
    SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    if (saveGames == nullptr)
    {
        return;
    }
    const CSaveGameList& list = saveGames->GetSaveGameList();
    const std::int32_t count = list.GetCount();
    const std::int32_t current = list.GetCurrent() != nullptr ? list.GetCurrentIndex() : -1;
    // A file may hold more profiles than the page has slots: the first seven show.
    for (std::int32_t i = 0; i < SlotCount; ++i)
    {
        const Slot& slot = m_slots[i];
        const bool used = i < count;
        if (used)
        {
            const CQuarrowSaveGame* profile = list.Get(i);
            if (auto* name = static_cast<UILib::CLabel*>(Resolve(slot.name)))
            {
                name->SetText(BaseLib::CString(profile->GetName().c_str()));
            }
            if (auto* gold = static_cast<UILib::CLabel*>(Resolve(slot.gold)))
            {
                char stars[16];
                std::snprintf(stars, sizeof stars, "%d", profile->GetProgress().CountStars(StarMask));
                gold->SetText(BaseLib::CString(stars));
            }
        }
        SetVisible(slot.toggle, used);
        SetVisible(slot.coin, used);
        SetVisible(slot.gold, used);
        SetVisible(slot.flag, i == current);
        if (auto* toggle = static_cast<UILib::CToggleButton*>(Resolve(slot.toggle)))
        {
            toggle->SetState(i == current);
        }
    }
    const bool slotFree = count < SlotCount;
    const bool hasCurrent = current >= 0;
    SetDisabled(m_newButton, !slotFree);
    SetDisabled(m_copyButton, !slotFree || !hasCurrent);
    SetDisabled(m_deleteButton, !hasCurrent || count < 2);
    // A current profile beyond the slots has no name on the page to edit.
    SetDisabled(m_renameButton, !hasCurrent || current >= SlotCount);
}

void CFileMenuScreen::StartRename()
{
    SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    UILib::CEditControl* edit = GetNameEdit();
    UILib::CWindow* panel = GetPanel();
    if (IsRenaming() || saveGames == nullptr || edit == nullptr || panel == nullptr)
    {
        return;
    }
    const std::int32_t current = saveGames->GetSaveGameList().GetCurrentIndex();
    auto* name = current >= 0 && current < SlotCount
                     ? static_cast<UILib::CLabel*>(Resolve(m_slots[current].name))
                     : nullptr;
    if (name == nullptr || saveGames->GetSaveGameList().GetCurrent() == nullptr)
    {
        BaseLib::DebugOutput("FileMenu: profile %d has no name on the page to rename\n", current);
        return;
    }
    const BaseLib::CPoint label = name->GetScreenPosition();
    const BaseLib::CPoint page = panel->GetScreenPosition();
    edit->SetPosition(label.x - page.x, label.y - page.y);
    edit->SetSize(name->GetSize().cx, name->GetSize().cy);
    panel->AddChild(edit->GetHandle());
    panel->Activate();
    edit->SetText(name->GetText());
    edit->SetCursorPosition(edit->GetModel().GetLength());
    SetDisabled(m_newButton, true);
    SetDisabled(m_copyButton, true);
    SetDisabled(m_deleteButton, true);
    SetDisabled(m_renameButton, true);
    m_renamedProfile = current;
    // The player types at once.
    edit->Activate();
}

void CFileMenuScreen::EndRename()
{
    if (!IsRenaming())
    {
        return;
    }
    const std::int32_t index = std::exchange(m_renamedProfile, -1);
    SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    UILib::CEditControl* edit = GetNameEdit();
    CQuarrowSaveGame* profile = saveGames != nullptr ? saveGames->GetSaveGameList().Get(index) : nullptr;
    if (edit != nullptr)
    {
        if (profile != nullptr)
        {
            const std::string text = static_cast<const char*>(edit->GetText());
            profile->SetName(text.empty() ? Platform::GetComputerName() : text);
        }
        edit->RemoveFromParent();
        // A detached control keeping the focus would take the next keys unseen.
        UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
        if (UILib::CWindow* panel = GetPanel();
            panel != nullptr && windows != nullptr && windows->GetFocus() == edit->GetHandle())
        {
            panel->Activate();
        }
    }
    Refresh();
}

void CFileMenuScreen::ShowConfirmation(bool show)
{
    UILib::CWindowManager* windows = UILib::CWindowManager::GetInstance();
    UILib::CWindow* dialog = Resolve(m_confirmDialog);
    SetVisible(m_darkeningPanel, show);
    SetVisible(m_confirmDialog, show);
    if (windows == nullptr || dialog == nullptr)
    {
        return;
    }
    // Off the stack before (once), so a dialog shown twice is never pushed twice.
    windows->RemoveModalWindow(dialog);
    if (show)
    {
        windows->PushModalWindow(dialog);
        // In front of the darkening, with the keyboard.
        dialog->Activate();
    }
}

bool CFileMenuScreen::ConsumeQuitAction()
{
    GameLib::CInputManager* input = GetOwner() != nullptr ? GetOwner()->GetInputManager() : nullptr;
    return input != nullptr && input->ConsumeActionEvent("quit", "gui");
}

void CFileMenuScreen::OnSlot(UILib::CBasicButton* button)
{
    PlayMenuSound(false);
    // A rename running under another slot is confirmed first, for the profile it began on.
    EndRename();
    SaveGameManager* saveGames =
        GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr;
    for (std::int32_t i = 0; i < SlotCount && saveGames != nullptr; ++i)
    {
        if (button != nullptr && m_slots[i].toggle == button->GetHandle())
        {
            saveGames->GetSaveGameList().SetCurrentIndex(i);
        }
    }
    Refresh();
}

void CFileMenuScreen::OnNew(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    if (SaveGameManager* saveGames =
            GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr)
    {
        CSaveGameList& list = saveGames->GetSaveGameList();
        list.Get(list.Add())->SetName(Platform::GetComputerName());
    }
    Refresh();
    StartRename();
}

void CFileMenuScreen::OnCopy(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    if (SaveGameManager* saveGames =
            GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr)
    {
        CSaveGameList& list = saveGames->GetSaveGameList();
        list.AddCopy(list.GetCurrentIndex());
    }
    Refresh();
}

void CFileMenuScreen::OnDelete(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    ShowConfirmation(true);
}

void CFileMenuScreen::OnYes(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    if (SaveGameManager* saveGames =
            GetUserInterface() != nullptr ? GetUserInterface()->GetSaveGameManager() : nullptr)
    {
        CSaveGameList& list = saveGames->GetSaveGameList();
        list.Delete(list.GetCurrentIndex());
    }
    Refresh();
    ShowConfirmation(false);
}

void CFileMenuScreen::OnNo(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    ShowConfirmation(false);
}

void CFileMenuScreen::OnRename(UILib::CBasicButton*)
{
    PlayMenuSound(false);
    StartRename();
}

void CFileMenuScreen::OnBack(UILib::CBasicButton*)
{
    PlayMenuSound(true);
    m_nextScreen = "mainmenu";
}

void CFileMenuScreen::OnNameConfirmed(UILib::CEditControl*)
{
    EndRename();
}

void CFileMenuScreen::EnterStart()
{
    if (GetPanel() == nullptr)
    {
        CreateWindows();
    }
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetVisible(true);
        panel->SetNotHitable(true);
        panel->Activate();
    }
    ShowConfirmation(false);
    Refresh();
    m_states.SetState("FadeIn");
}

void CFileMenuScreen::UpdateStart()
{
    // Start leads on as it is entered.
}

void CFileMenuScreen::EnterFadeIn()
{
    FadeTo(1.0f, kFadeSeconds);
}

void CFileMenuScreen::UpdateFadeIn()
{
    if (!IsFading())
    {
        m_states.SetState("MainMenu");
    }
}

void CFileMenuScreen::EnterMainMenu()
{
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetNotHitable(false);
    }
    m_nextScreen.clear();
}

void CFileMenuScreen::UpdateMainMenu()
{
    if (ConsumeQuitAction())
    {
        // Escape is how a player ends typing: it confirms a running rename and the page stays.
        if (IsRenaming())
        {
            EndRename();
        }
        else
        {
            m_nextScreen = "mainmenu";
        }
    }
    if (!m_nextScreen.empty())
    {
        m_states.SetState("FadeOut");
    }
}

void CFileMenuScreen::LeaveMainMenu()
{
    EndRename();
    if (UILib::CWindow* panel = GetPanel())
    {
        panel->SetNotHitable(true);
        panel->Activate();
    }
}

void CFileMenuScreen::EnterFadeOut()
{
    FadeTo(0.0f, kFadeSeconds);
}

void CFileMenuScreen::UpdateFadeOut()
{
    if (!IsReadyToSwitch())
    {
        return;
    }
    const std::string next = std::exchange(m_nextScreen, std::string());
    if (GetOwner() != nullptr && !GetOwner()->SwitchTo(next))
    {
        // No such screen: the page comes back rather than leaving the player on a dead page.
        BaseLib::DebugOutput("FileMenu: there is no screen \"%s\"; the page stays\n", next.c_str());
        m_states.SetState("FadeIn");
    }
}
