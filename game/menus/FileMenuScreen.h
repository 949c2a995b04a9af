#pragma once

#include "framework/StateMachine.h"
#include "game/QuarrowUIScreen.h"
#include "ui/BlockArray.h"

#include <cstdint>
#include <string>

namespace UILib
{
class CBasicButton;
class CButton;
class CEditControl;
class CLabel;
class CToggleButton;
class CWindow;
} // namespace UILib

// The profile page "filemenu", reached from the main menu: seven slots show the profiles (name, star
// total, a flag on the current one, a coin on a used slot), and buttons make a new profile, copy or
// delete (after a confirmation) the current one, or rename it in place. The profiles are written when
// the page is left.
//
// The layout "interface>filemenuscreen.xml" is loaded once, directly (it carries no words), into a
// transparent panel as large as layer 0. A rename puts an edit control over the slot's name label, as a
// child of the panel rather than of the slot's button, so the keys typed into it never press a button.
//
// States, "Start" first: "Start" (the page set up), "FadeIn" (fader to 1.0 over 0.5 s), "MainMenu" (the
// page takes the mouse; Escape ends a running rename, else leaves), "FadeOut" (fader to 0.0 over 0.5 s,
// then the switch once the world's command queue is empty).
class CFileMenuScreen : public CQuarrowUIScreen
{
public:
    static constexpr std::int32_t SlotCount = 7;
    // The longest name the rename takes, in characters.
    static constexpr std::int32_t NameLimit = 14;
    // CountStars over the five maps and the treasure.
    static constexpr std::uint32_t StarMask = 287;

    CFileMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The current state's update.
    void Update() override;
    // The screen base's activation, the mouse cursor shown, "Start".
    void OnActivate() override;
    // A running rename confirmed, an open confirmation closed, the page hidden, the cursor off, the
    // profiles written (a failed write is traced by the list and does not keep the player here).
    void OnDeactivate() override;

    // Shows the first seven profiles in their slots and enables the buttons that can act.
    void Refresh();
    // Puts the edit control over the current slot's name and gives it the keyboard; the four action
    // buttons stay disabled until the rename ends. Nothing while a rename runs or when the current
    // profile has no slot on the page.
    void StartRename();
    // Names the profile the rename began on with the edited text (the computer name for an empty text)
    // and takes the edit control away. Nothing when no rename runs.
    void EndRename();

    bool IsRenaming() const { return m_renamedProfile >= 0; }
    // The screen switched to once the fade-out ends; empty when none is asked for.
    const std::string& GetNextScreen() const { return m_nextScreen; }
    // Null until the first visit builds it.
    UILib::CWindow* GetPanel() const;
    UILib::CEditControl* GetNameEdit() const;
    const GameLib::CStateMachine& GetStates() const { return m_states; }

protected:
    // Destroys the page and the edit control.
    ~CFileMenuScreen() override;

private:
    struct Slot
    {
        UILib::Handle toggle = 0;
        UILib::Handle name = 0;
        UILib::Handle flag = 0;
        UILib::Handle coin = 0;
        UILib::Handle gold = 0;
    };

    // Loads the layout into a new panel and finds the windows; a missing window is traced by the lookup
    // and left out.
    void CreateWindows();
    UILib::Handle BindButton(const char* name, void (CFileMenuScreen::*handler)(UILib::CBasicButton*));
    UILib::CWindow* Find(const char* name, const char* expectedClass) const;
    void ShowConfirmation(bool show);
    bool ConsumeQuitAction();

    void OnSlot(UILib::CBasicButton* button);
    void OnNew(UILib::CBasicButton* button);
    void OnCopy(UILib::CBasicButton* button);
    void OnDelete(UILib::CBasicButton* button);
    void OnYes(UILib::CBasicButton* button);
    void OnNo(UILib::CBasicButton* button);
    void OnRename(UILib::CBasicButton* button);
    void OnBack(UILib::CBasicButton* button);
    void OnNameConfirmed(UILib::CEditControl* edit);

    void EnterStart();
    void UpdateStart();
    void EnterFadeIn();
    void UpdateFadeIn();
    void EnterMainMenu();
    void UpdateMainMenu();
    void LeaveMainMenu();
    void EnterFadeOut();
    void UpdateFadeOut();

    UILib::Handle m_panel = 0;
    Slot m_slots[SlotCount];
    UILib::Handle m_newButton = 0;
    UILib::Handle m_copyButton = 0;
    UILib::Handle m_deleteButton = 0;
    UILib::Handle m_renameButton = 0;
    UILib::Handle m_confirmDialog = 0;
    UILib::Handle m_darkeningPanel = 0;
    UILib::Handle m_nameEdit = 0;
    // The profile a running rename names; -1 while none runs.
    std::int32_t m_renamedProfile = -1;
    std::string m_nextScreen;
    GameLib::CStateMachine m_states;
};
