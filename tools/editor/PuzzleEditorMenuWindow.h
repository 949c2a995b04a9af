#pragma once

#include "ui/controls/DialogWindow.h"

#include <array>
#include <cstdint>
#include <string>

class CBlockDesignerWindow;
class CBlocksLibraryWindow;
class CPuzzleEditor;

namespace UILib
{
class CBasicButton;
class CBasicSpinControl;
class CButton;
class CComboBox;
class CFileEditCombo;
class CFilePicker;
class CSpinControlNumber;
class CToggleButton;
} // namespace UILib

// The puzzle editor's "Puzzle" tool window (layout "interface>puzzlemenu.xml"): the edited puzzle's grid
// size, exits, board, environment, gfx set and par moves, file loading and saving, clearing, the solver,
// the time freeze, deleting and re-designing the selected block and the blocks-library window's toggle.
// Every change goes through the editor; SyncWithPuzzle re-reads the puzzle whenever its change number
// moves, quietly, so no handler writes a value back.
//
// The editor is not owned; the designer and the library window are held by handle, so a window that is
// gone is simply absent. A control the layout lacks is traced and left out.
class CPuzzleEditorMenuWindow : public UILib::CDialogWindow
{
public:
    static constexpr std::int32_t MaxExits = 6;
    static constexpr std::int32_t ShortWidth = 250;
    static constexpr std::int32_t ShortHeight = 150;
    static constexpr std::int32_t LongHeight = 520;

    CPuzzleEditorMenuWindow(CPuzzleEditor* editor, CBlockDesignerWindow* designer,
                            CBlocksLibraryWindow* library);
    // Closes a file picker still open and lets go of the designer when it is open for this window.
    ~CPuzzleEditorMenuWindow() override;

    const char* GetClassName() const override { return "CPuzzleEditorMenuWindow"; }

    // Per frame: delete and edit are enabled only with a selected block; on a new change number every
    // control shows the puzzle again.
    void SyncWithPuzzle();
    // The exit list of the first "numexits" rows (at most six) handed to the editor.
    void ApplyExits();

    // The side code of an exit direction's name ("North" 0, "South" 1, "West" 2, "East" 3); -1 for
    // any other text.
    static std::int32_t SideOfName(const std::string& name);
    static const char* NameOfSide(std::int32_t side);
    // A save name as written: ".xml" appended unless it ends in ".xml" or ".blvl".
    static std::string SaveFileName(const std::string& picked);

    // The handlers, as the controls call them.
    void OnMore(UILib::CBasicButton* button);
    void OnLess(UILib::CBasicButton* button);
    void OnLoad(UILib::CBasicButton* button);
    void OnSave(UILib::CBasicButton* button);
    void OnEdit(UILib::CBasicButton* button);
    void OnGfxSet(UILib::CComboBox* combo);

    struct ExitRow
    {
        UILib::CWindow* row = nullptr;
        UILib::CComboBox* direction = nullptr;
        UILib::CSpinControlNumber* offset = nullptr;
    };
    const ExitRow& GetExitRow(std::int32_t index) const { return m_exits[static_cast<std::size_t>(index)]; }
    UILib::CSpinControlNumber* GetNumExits() const { return m_numExits; }
    UILib::CSpinControlNumber* GetGridSizeX() const { return m_gridSizeX; }
    UILib::CSpinControlNumber* GetGridSizeY() const { return m_gridSizeY; }
    UILib::CSpinControlNumber* GetParMoves() const { return m_parMoves; }
    UILib::CFileEditCombo* GetBoardFile() const { return m_boardFile; }
    UILib::CFileEditCombo* GetEnvironmentFile() const { return m_environmentFile; }
    UILib::CComboBox* GetGfxSet() const { return m_gfxSet; }
    UILib::CButton* GetDeleteButton() const { return m_deleteButton; }
    UILib::CButton* GetEditButton() const { return m_editButton; }
    UILib::CButton* GetMoreButton() const { return m_moreButton; }
    UILib::CButton* GetLessButton() const { return m_lessButton; }
    // The open load or save picker; null when none.
    UILib::CFilePicker* GetPicker() const;
    std::int32_t GetSeenChangeNumber() const { return m_seenChangeNumber; }

private:
    void OnClear(UILib::CBasicButton* button);
    void OnSolver(UILib::CBasicButton* button);
    void OnDelete(UILib::CBasicButton* button);
    void OnTimeFreeze(UILib::CToggleButton* button);
    void OnBlocksBrowser(UILib::CToggleButton* button);
    void OnGridSize(UILib::CBasicSpinControl* spin);
    void OnExitSpin(UILib::CBasicSpinControl* spin);
    void OnExitDirection(UILib::CComboBox* combo);
    void OnBoardFile(UILib::CFileEditCombo* file);
    void OnEnvironmentFile(UILib::CFileEditCombo* file);
    void OnParMoves(UILib::CBasicSpinControl* spin);
    void OnLoadFileChosen(UILib::CFilePicker* picker, bool cancelled);
    void OnSaveFileChosen(UILib::CFilePicker* picker, bool cancelled);
    void OnBlockDesignerClosed(bool cancelled);

    // A picker on layer 0's root, centred, with the one filter, the mode, files only, the level folder
    // and the puzzle's file name, made modal; null when one is open already or there is no layer 0.
    UILib::CFilePicker* OpenPicker(const char* pattern, std::int32_t mode);
    // The picker off the modal stack and on its way out.
    void ClosePicker(UILib::CFilePicker* picker);
    CBlockDesignerWindow* Designer() const;
    CBlocksLibraryWindow* Library() const;

    CPuzzleEditor* m_editor;
    UILib::Handle m_designer;
    UILib::Handle m_library;
    UILib::CButton* m_moreButton = nullptr;
    UILib::CButton* m_lessButton = nullptr;
    UILib::CButton* m_deleteButton = nullptr;
    UILib::CButton* m_editButton = nullptr;
    UILib::CToggleButton* m_blocksBrowserButton = nullptr;
    UILib::CSpinControlNumber* m_gridSizeX = nullptr;
    UILib::CSpinControlNumber* m_gridSizeY = nullptr;
    UILib::CFileEditCombo* m_boardFile = nullptr;
    UILib::CFileEditCombo* m_environmentFile = nullptr;
    UILib::CComboBox* m_gfxSet = nullptr;
    std::array<ExitRow, MaxExits> m_exits;
    UILib::CSpinControlNumber* m_numExits = nullptr;
    UILib::CSpinControlNumber* m_parMoves = nullptr;
    std::int32_t m_seenChangeNumber = -1;
    UILib::Handle m_picker = 0;
    // Whether the designer's close callback is this window's.
    bool m_designing = false;
};

// A new tool window, not yet added to any window; the editor screen adds it to its root panel.
CPuzzleEditorMenuWindow* CreatePuzzleEditorMenuWindow(CPuzzleEditor* editor, CBlockDesignerWindow* designer,
                                                      CBlocksLibraryWindow* library);
