#pragma once

#include "foundation/Thread.h"
#include "framework/UIScreen.h"
#include "tools/batch/PuzzleGenerator.h"

#include <cstdint>
#include <string>
#include <vector>

class CQuarrowUI;
class CQuarrowWorld;
class ScreenFader;

namespace UILib
{
class CBasicButton;
class CBasicSpinControl;
class CButton;
class CCheckBox;
class CFileBrowserList;
class CFileEditCombo;
class CListBox;
class CPanel;
class CSpinControlNumber;
class CWindow;
} // namespace UILib

// The game's first screen in developer mode ("devmenu"): starts the normal game, starts any level file
// (optionally under the stress tester) in the 2D or 3D puzzle screen, runs the random puzzle generator on
// a worker thread behind a modal dialog, starts batch processing of a folder, edits the generator's shape
// weights, and quits. It fades in from black and out to black through the game's screen fader and drives
// the game only by world commands.
//
// Its windows live in one panel on layer 0, loaded from "interface>devmenuscreen.xml"; every control is
// looked up by name and class and stays null when the layout lacks it. Main thread only, except the
// generator's loop.
class CDevMenuScreen : public GameLib::CUIScreen
{
public:
    // What the screen is doing.
    enum EPhase
    {
        PhaseEntering = 0, // the fade-in starts in the next update
        PhaseRunning = 1,  // requests and the keys are handled
        PhaseLeaving = 2   // waiting for the fade-out, then the switch
    };
    // What a button, the level box or a key asked for; handled in the next update.
    enum ERequest
    {
        NoRequest = 0,
        GameRequested = 1,
        LevelRequested = 2,
        BatchRequested = 3
    };

    // Builds the panel and the shape list; reaches neither the fader nor the cursor, which do not exist
    // yet while the user interface creates its screens.
    CDevMenuScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);
    static GameLib::CUIScreen* Create(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // Phase 0: the fader jumps to black and starts a fade-in over 0.5 s. Phase 1: the requests. Phase 2:
    // once the fader stands at its target, the switch to the next screen.
    void Update() override;
    // Phase 0, the panel shown, no request, the dialog of a running generator modal again; then
    // OnActivated.
    void OnActivate() override;
    // The renderer choice stored, the panel and the cursor hidden; the generator runs on, its dialog
    // off the modal stack while the menu is away.
    void OnDeactivate() override;
    bool HidesScene() const override { return true; }
    void Release() override;

    // Called at the end of every activation; nothing here.
    virtual void OnActivated() {}
    // "startup/renderer" becomes "3d" when "3dradio" exists and is selected, else "2d".
    virtual void StoreRendererChoice();
    // The control callbacks. A request waits for the next update.
    virtual void RequestStartGame(UILib::CBasicButton* button);
    virtual void RequestStartLevel(UILib::CBasicButton* button);
    // Disables the button (when given) and starts the generator with the spin controls' values on a
    // worker thread, behind the modal dialog "interface>puzzlegenerator.xml". Nothing while one runs.
    virtual void OpenGeneratorDialog(UILib::CBasicButton* button);
    virtual void RequestBatch(UILib::CBasicButton* button);
    // Stops the generator and waits for its thread without time limit, enables the start button again
    // and removes the dialog. Nothing when no generator runs.
    virtual void StopGenerator(UILib::CBasicButton* button);
    // The weight control shows the selected entry's weight.
    virtual void OnShapeSelected(UILib::CListBox* list);
    // The selected entry takes the weight control's value (truncated); the list is written again.
    virtual void OnWeightChanged(UILib::CBasicSpinControl* spin);
    // The level box reports a chosen file (a double click or Return on a file entry): request 2.
    virtual void OnLevelFileChosen(UILib::CFileBrowserList* list);

    // One line per shape entry, "pattern - weight (share%)"; every share reads 0.00% while the weights
    // sum to 0. The selection stays, and no selection event fires while the list is refilled.
    void RefreshShapeList();

    // The shapes handed to the generator, in their order with their weights.
    const std::vector<GeneratorEntry>& GetShapeEntries() const { return m_shapeEntries; }
    std::int32_t GetPhase() const { return m_phase; }
    std::int32_t GetRequest() const { return m_request; }
    const std::string& GetNextScreen() const { return m_nextScreen; }
    UILib::CPanel* GetPanel() const { return m_panel; }
    UILib::CFileBrowserList* GetLevelBox() const { return m_levelBox; }
    UILib::CButton* GetStartGeneratorButton() const { return m_startGeneratorButton; }
    UILib::CListBox* GetShapeList() const { return m_shapeList; }
    UILib::CSpinControlNumber* GetWeightControl() const { return m_weightControl; }
    UILib::CFileEditCombo* GetBatchFolder() const { return m_batchFolder; }
    // The generator dialog while it shows; null otherwise.
    UILib::CWindow* GetGeneratorDialog() const;
    // The running generator; null when none.
    const PuzzleGenerator* GetGenerator() const { return m_generator; }
    // True while the generator's worker thread has not ended.
    bool IsGeneratorThreadRunning() const;

protected:
    // Stops a running generator the same way as the stop button.
    ~CDevMenuScreen() override;

private:
    void CreateWindows();
    // The requests of one frame, in their order (the cursor, "enter", the request, "quit").
    void OnButton();
    void StartLevel();
    // Posts "StartBatchProcessing" and fades out to "editor2d"; false, with a trace and nothing posted,
    // when the folder holds a blank or the argument would not fit 1023 characters.
    bool StartBatch();
    void FadeOutTo(const char* nextScreen);
    // The picker of "batchfolder" shows.
    bool IsFolderPickerOpen() const;
    // The keyboard focus is in an edit field of the menu.
    bool IsTypingInField() const;
    void PostWorldCommand(const char* name, const std::string& argument);
    ScreenFader* GetFader() const;
    // The generator's worker: runs its loop until stopped.
    std::uint32_t GeneratorThreadMain();
    // Stops the generator; the windows are touched only while the window system runs.
    void EndGenerator();

    std::int32_t m_phase = PhaseEntering;
    std::string m_nextScreen;
    CQuarrowUI* m_userInterface;
    CQuarrowWorld* m_world;
    UILib::CPanel* m_panel = nullptr;
    UILib::CFileBrowserList* m_levelBox = nullptr;
    UILib::CButton* m_startGameButton = nullptr;
    UILib::CButton* m_startLevelButton = nullptr;
    UILib::CButton* m_startGeneratorButton = nullptr;
    UILib::CButton* m_batchButton = nullptr;
    // By handle too: the windows may be gone when the screen is destroyed.
    std::uint32_t m_startGeneratorHandle = 0;
    std::uint32_t m_generatorDialog = 0;
    UILib::CCheckBox* m_stressTestBox = nullptr;
    UILib::CCheckBox* m_useRefinerBox = nullptr;
    UILib::CListBox* m_shapeList = nullptr;
    UILib::CSpinControlNumber* m_weightControl = nullptr;
    UILib::CCheckBox* m_calcSolveMovesBox = nullptr;
    UILib::CCheckBox* m_batchRefineBox = nullptr;
    UILib::CCheckBox* m_deleteOriginalsBox = nullptr;
    UILib::CCheckBox* m_forceRecalculationBox = nullptr;
    UILib::CCheckBox* m_convertToBinaryBox = nullptr;
    UILib::CFileEditCombo* m_batchFolder = nullptr;
    UILib::CCheckBox* m_screenshotsBox = nullptr;
    UILib::CCheckBox* m_assignModelsBox = nullptr;
    PuzzleGenerator* m_generator = nullptr;
    BaseLib::CThread m_generatorThread;
    std::vector<GeneratorEntry> m_shapeEntries;
    std::int32_t m_request = NoRequest;
    // The folder picker showed at the end of the last update: Escape and Return of the frame in which it
    // closed were its own.
    bool m_folderPickerWasOpen = false;
};
