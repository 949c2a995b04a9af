#pragma once

#include "framework/StateMachine.h"
#include "game/QuarrowUIScreen.h"

#include <string>

namespace UILib
{
class CBasicButton;
class CButton;
class CLabel;
class CProgressBar;
class CWindow;
} // namespace UILib

// The common base of the screens a level is played in. It runs the level through its states
// ("WaitForPuzzle", "Intro", "Playing", "Outro", "ShutLevel"), keeps the HUD (level number, moves,
// time, undo, redo) and the in-game menu, polls the developer actions and shows the solver and refiner
// progress dialogs. It drives the game only by world commands and game commands.
//
// The derived screen makes the root panel in its CreateWindows and then calls this one's. Every state
// callback is a virtual operation, so a derived screen replaces single steps. HUD labels and buttons may
// be missing from the layouts; a missing playing field, cut-scene window, in-game menu, dialog layout or
// dialog OK button is traced once and that part is left out.
class CPuzzleScreen : public CQuarrowUIScreen
{
public:
    // The game context's states this screen reads.
    static constexpr int kStateLevelSolved = 3;
    static constexpr int kStateSolverRunning = 4;
    static constexpr int kStateRefinerRunning = 5;

    // Registers the five states; no windows yet.
    CPuzzleScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // A solver or refiner run (game states 4 and 5) shows its dialog and freezes everything else; else
    // the dialogs that exist are filled, the current state runs, and with a puzzle the HUD is refreshed.
    void Update() override;
    // "StartLevel" (unless the level stays loaded for a screen coming from the developer menu or an
    // editor), user control on, unpaused, cursor shown, state "WaitForPuzzle".
    void OnActivate() override;
    // The in-game menu and the dialogs leave the modal stack, the dialogs are destroyed, the menu is
    // rewound, the root panel and the cursor are hidden.
    void OnDeactivate() override;

    // "menu" played on the root panel (children included), the menu pushed on the modal stack.
    void OpenMenu();
    // animate: "menu_out" played; else "menu" rewound to time 0 (children included). The menu leaves the
    // modal stack when it is on top of it.
    void CloseMenu(bool animate);

    const std::string& GetStateName() const { return m_states.GetCurrentStateName(); }
    // The screen switched to once the level is shut; empty when none is pending.
    const std::string& GetPendingScreenName() const { return m_pendingScreen; }
    UILib::CWindow* GetRootPanel() const { return m_rootPanel; }
    UILib::CWindow* GetPlayingField() const { return m_playingField; }
    UILib::CWindow* GetInGameMenu() const { return m_menu; }
    UILib::CWindow* GetCutsceneWindow() const { return m_cutsceneWindow; }
    // The progress dialogs; null while not shown.
    UILib::CWindow* GetSolverDialog() const { return m_solverDialog.window; }
    UILib::CWindow* GetRefinerDialog() const { return m_refinerDialog.window; }

    // The HUD's time: whole seconds s as "%2d:%02d" of s / 60 and s mod 60, "99:59" from 6000 s on.
    static std::string FormatLevelTime(double seconds);
    // The solver's time: "%d:%02d min" from one minute on, else "%d s".
    static std::string FormatSearchTime(double seconds);

protected:
    ~CPuzzleScreen() override;

    // Loads the cut-scene window and the in-game menu into the root panel, finds the windows, hooks the
    // buttons and makes the next time step 0. The derived screen sets the root panel first.
    virtual void CreateWindows();
    virtual void EnterWaitForPuzzle();
    virtual void UpdateWaitForPuzzle();
    virtual void LeaveWaitForPuzzle();
    virtual void EnterIntro();
    virtual void UpdateIntro();
    virtual void LeaveIntro();
    virtual void EnterPlaying();
    virtual void UpdatePlaying();
    virtual void LeavePlaying();
    virtual void EnterOutro();
    virtual void UpdateOutro();
    virtual void EnterShutLevel();
    virtual void UpdateShutLevel();

    // The root panel made by the derived screen (owned by the window system); layoutFile names the
    // layout that holds the playing field and the HUD, for the traces.
    void SetRootPanel(UILib::CWindow* rootPanel, const std::string& layoutFile);
    void SetState(const std::string& name) { m_states.SetState(name); }
    // The game context's state; 0 without one.
    int GetGameState() const;

private:
    struct SolverDialog
    {
        UILib::CWindow* window = nullptr;
        UILib::CLabel* move = nullptr;
        UILib::CLabel* open = nullptr;
        UILib::CLabel* closed = nullptr;
        UILib::CLabel* total = nullptr;
        UILib::CLabel* statesLeft = nullptr;
        UILib::CLabel* time = nullptr;
        UILib::CLabel* result = nullptr;
        UILib::CProgressBar* progress = nullptr;
        UILib::CButton* ok = nullptr;
        // A layout that failed is not read again until the search ends.
        bool failed = false;
    };
    struct RefinerDialog
    {
        UILib::CWindow* window = nullptr;
        UILib::CLabel* open = nullptr;
        UILib::CLabel* closed = nullptr;
        UILib::CLabel* original = nullptr;
        UILib::CLabel* highest = nullptr;
        UILib::CLabel* result = nullptr;
        UILib::CButton* ok = nullptr;
        bool failed = false;
    };

    void RegisterStates();
    // Only the cut-scene window is hidden and the flag cleared: the intro sequences come later.
    void StartIntroSequence();
    // The dialog layout as a child of the root panel, centred, its OK button hooked and the window pushed
    // on the modal stack; null (traced) when the layout or its window fails.
    UILib::CWindow* LoadDialog(const char* file, UILib::CButton** ok);
    void ShowSolverDialog();
    void ShowRefinerDialog();
    void UpdateSolverDialog();
    void UpdateRefinerDialog();
    // Off the modal stack, destroyed and forgotten.
    void CloseSolverDialog();
    void CloseRefinerDialog();
    void RefreshHud();
    // "map" for play mode 1 (the level came from the map), else "levelselection".
    std::string QuitScreenName() const;
    void PostWorldCommand(const char* name, const char* argument);
    // The window below the root panel; traced when missing.
    UILib::CWindow* FindRequiredWindow(const char* name, const std::string& file);

    // Button clicks.
    void OnMenuButton(UILib::CBasicButton* button);
    void OnCloseMenuButton(UILib::CBasicButton* button);
    void OnResetButton(UILib::CBasicButton* button);
    void OnQuitButton(UILib::CBasicButton* button);
    void OnUndoButton(UILib::CBasicButton* button);
    void OnRedoButton(UILib::CBasicButton* button);
    void OnSolverOk(UILib::CBasicButton* button);
    void OnRefinerOk(UILib::CBasicButton* button);

    GameLib::CStateMachine m_states;
    UILib::CWindow* m_rootPanel = nullptr;
    std::string m_layoutFile;
    UILib::CWindow* m_playingField = nullptr;
    UILib::CLabel* m_levelNumberLabel = nullptr;
    UILib::CLabel* m_timeLabel = nullptr;
    UILib::CLabel* m_movesLabel = nullptr;
    UILib::CButton* m_undoButton = nullptr;
    UILib::CButton* m_redoButton = nullptr;
    SolverDialog m_solverDialog;
    RefinerDialog m_refinerDialog;
    std::string m_pendingScreen;
    UILib::CWindow* m_cutsceneWindow = nullptr;
    UILib::CWindow* m_menu = nullptr;
    bool m_cutsceneShown = false;
};
