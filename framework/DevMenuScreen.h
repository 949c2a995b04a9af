#pragma once

#include "framework/UIScreen.h"

#include <cstdint>
#include <string>

namespace UILib
{
class CBasicButton;
class CButton;
class CListBox;
class CPanel;
} // namespace UILib

namespace GameLib
{

class CUserInterface;

// The first screen in developer mode: lists the files "level>*.level.xml", starts the selected level
// alone or the normal game by writing "startup/level" and "startup/mode" into the application's
// configuration (in memory, never saved), and hands over to "loading". It fades the whole user
// interface in from black and out to black. The controller is not owned; the panel belongs to layer 0.
class CDevMenuScreen : public CUIScreen
{
public:
    // What leaving the screen starts.
    enum EChoice
    {
        ChoiceNone = 0,
        ChoiceGame = 1,
        ChoiceLevel = 2
    };

    explicit CDevMenuScreen(CUserInterface* userInterface);
    static CUIScreen* Create(CUserInterface* userInterface);

    // Phase 0 starts the fade-in from black; 1 shows the cursor once fully bright and waits for a choice
    // ("enter" always means the game) or "quit"; 2 waits for the fade-out, then switches.
    void Update() override;
    // Phase 0, no choice, the list filled again and the last started level selected.
    void OnActivate() override;
    // The choice is written, the panel and the cursor hidden.
    void OnDeactivate() override;
    bool HidesScene() const override { return true; }
    void Release() override;

    // The list gets the names (without folder) of "level>*.level.xml" in listing order; nothing without
    // a list.
    virtual void FillLevelList();
    // Selects the first item beginning with the file name of "startup/level"; nothing without a list.
    virtual void RestoreSelection();
    // Choice 2 writes "level>" + the selected item (empty when none) to "startup/level"; choice 1 or 2
    // writes "game" or "single_level" to "startup/mode"; no choice writes nothing.
    virtual void StoreChoice();
    virtual void OnStartGame(UILib::CBasicButton* button);
    virtual void OnStartLevel(UILib::CBasicButton* button);
    virtual void OnLevelDoubleClick(UILib::CListBox* list);

    std::int32_t GetPhase() const { return m_phase; }
    std::int32_t GetChoice() const { return m_choice; }
    UILib::CPanel* GetPanel() const { return m_panel; }
    UILib::CListBox* GetLevelList() const { return m_levelList; }

protected:
    ~CDevMenuScreen() override = default;

private:
    void CreateWindows();
    // The menu made in code when the layout does not load: a picture, and a "start game" button.
    void CreateMinimalMenu();
    void FadeOutAndLeaveFor(const char* name);

    std::int32_t m_phase = 0;
    std::string m_nextScreen;
    CUserInterface* m_userInterface;
    UILib::CPanel* m_panel = nullptr;
    UILib::CListBox* m_levelList = nullptr;
    UILib::CButton* m_startGameButton = nullptr;
    UILib::CButton* m_startLevelButton = nullptr;
    std::int32_t m_choice = ChoiceNone;
};

} // namespace GameLib
