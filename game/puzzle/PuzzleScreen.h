#pragma once

#include "framework/StateMachine.h"
#include "game/QuarrowUIScreen.h"

#include <memory>
#include <string>

class CQuarrowSequencePlayer;
class CSequenceDialog;

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
// A level whose environment names a sequence plays it as its intro over the board, on the cut-scene
// window: the script shows the window, writes dialog text, puts markers on cells and switches the
// player's controls off and on. Such a level ends only when the script sets its variable "ended" to
// "true" or the sequence has finished (played out, skipped, or its file did not load).
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
    // The intro sequence ends and is deleted with its dialog; the in-game menu and the dialogs leave the
    // modal stack, the dialogs are destroyed, the menu is rewound, the root panel and the cursor are hidden.
    void OnDeactivate() override;

    // "menu" played on the root panel (children included), the menu pushed on the modal stack.
    void OpenMenu();
    // animate: "menu_out" played; else "menu" rewound to time 0 (children included). The menu leaves the
    // modal stack when it is on top of it.
    void CloseMenu(bool animate);

    // The intro sequence's host callbacks: the cut-scene window is shown or hidden only when the flag
    // changes; the flag is what was last asked for.
    void SetCutsceneWindowVisible(bool visible);
    bool IsCutsceneWindowVisible() const { return m_cutsceneShown; }

    const std::string& GetStateName() const { return m_states.GetCurrentStateName(); }
    // The screen switched to once the level is shut; empty when none is pending.
    const std::string& GetPendingScreenName() const { return m_pendingScreen; }
    UILib::CWindow* GetRootPanel() const { return m_rootPanel; }
    UILib::CWindow* GetPlayingField() const { return m_playingField; }
    UILib::CWindow* GetInGameMenu() const { return m_menu; }
    UILib::CWindow* GetCutsceneWindow() const { return m_cutsceneWindow; }
    // The level's intro sequence and its continue and skip buttons; null without a sequence.
    CQuarrowSequencePlayer* GetSequencePlayer() const { return m_sequencePlayer.get(); }
    CSequenceDialog* GetSequenceDialog() const { return m_sequenceDialog.get(); }
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
    // The cut-scene window hidden; with a sequence named by the level's environment, the player made on
    // it (a player left from before ended first), loaded from "sequence>" + name and started.
    void StartIntroSequence();
    // The player advanced by the frame's time step while the world has a puzzle, handed the world's
    // puzzle first when that changed (a reload replaces it, a shut level deletes it). A sequence that
    // has finished while playing gives the controls back once: a skip can cut a script off between
    // switching them off and on.
    void UpdateIntroSequence();
    // The player ends its sequence and is deleted, then the dialog.
    void EndIntroSequence();
    // Whether the level may end: no sequence, a finished one, or one whose script set "ended".
    bool IsIntroSequenceEnded() const;
    void SetSequenceVariable(const char* key, const char* value);
    static void ShowCutsceneCallback(void* screen, bool visible);
    static bool CutsceneShownCallback(void* screen);
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
    std::unique_ptr<CSequenceDialog> m_sequenceDialog;
    std::unique_ptr<CQuarrowSequencePlayer> m_sequencePlayer;
    // The controls were given back after the sequence finished.
    bool m_controlsGivenBack = false;
};
