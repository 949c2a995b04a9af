#pragma once

#include "foundation/Point.h"
#include "game/map/MapScreen.h"
#include "tools/mapeditor/MapEditorRenderer2D.h"
#include "ui/HandleTable.h"

#include <string>

class CMapCellPropertiesWindow;

namespace UILib
{
class CBasicButton;
class CFilePicker;
} // namespace UILib

// The map editor ("mapeditor", developer mode): the world's current map drawn by the editor's renderer
// (walkability, level numbers, the selection marker), the "Map Cell Properties" window for the selected
// cell, and a toolbar that clears the map, loads and saves map files. A left click selects an inner cell,
// a right click steps its six low walk bits through all 64 combinations, a double click acts as on the
// map screen. Escape fades out to the main menu, F1 switches back to the map at once. The world is in
// editor mode while the screen is current.
//
// Edits act on the world's map at once; only the save button writes them to a file. Leaving the editor
// shuts the map, so edits not saved are dropped (traced with the map's name).
//
// Everything of the map screen that this class does not replace stays: its states, fades and cut-scene
// window. Its per-frame walking step, cell buttons, HUD and mood picture do not run here.
class CMapEditorScreen : public CMapScreen, public CMapEditorRendererOwner
{
public:
    // Builds the windows at once (the window system must run); reaches no fader, camera or saved games.
    CMapEditorScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);

    // The map screen's activation, then the world's editor mode on; the deactivation, then off.
    void OnActivate() override;
    void OnDeactivate() override;

    // The left button selects the cell.
    void WalkTo(int x, int y) override { SelectCell(x, y); }
    // Only an inner cell of the map is taken; it is shown in the cell window and marked.
    void SelectCell(int x, int y);
    // An inner cell becomes the selection and its walk bits step on: (wb + 1) mod 64.
    void OnCellRightClicked(int x, int y) override;
    BaseLib::CPoint GetSelectedCell() const override { return BaseLib::CPoint(m_selectedX, m_selectedY); }

    CMapCellPropertiesWindow* GetCellWindow() const { return m_cellWindow; }
    // The open load or save picker, null when none.
    UILib::CFilePicker* GetPicker() const;
    // Whether an edit was made since the map was read or written.
    bool HasUnsavedEdits() const { return m_unsavedEdits; }

    // The name a save writes: the chosen one, with ".xml" added unless it ends with it.
    static std::string SaveFileName(const std::string& chosen);

protected:
    ~CMapEditorScreen() override;

    void CreateRenderer() override;
    void CreateWindows() override;
    // The map screen's start-up; in the frame it goes on, the selection becomes (0, 0) and is shown.
    void OnStart() override;
    // "quit": the main menu after the fade; "editor": the map at once. A "quit" while a picker is open,
    // or in the frame it closed, belongs to the picker (Escape cancels it) and is dropped.
    void OnCommand() override;
    void UpdateCellInfo() override {}
    void UpdateMoodImage(double) override {}
    void UpdateHud() override {}

private:
    void OnCellChanged();
    void OnNew(UILib::CBasicButton* button);
    void OnLoad(UILib::CBasicButton* button);
    void OnSave(UILib::CBasicButton* button);
    void OnLoadPicked(UILib::CFilePicker* picker, bool cancelled);
    void OnSavePicked(UILib::CFilePicker* picker, bool cancelled);
    // A picker for map files on layer 0, centred, in the level folder on the map's file, modal.
    UILib::CFilePicker* OpenPicker(std::int32_t mode);
    // The picker off the modal stack and destroyed.
    void ClosePicker();
    void Redraw();
    // Inside the border ring of the current map.
    bool IsInnerCell(int x, int y) const;

    CMapCellPropertiesWindow* m_cellWindow = nullptr;
    std::int32_t m_selectedX = 0;
    std::int32_t m_selectedY = 0;
    UILib::Handle m_picker = 0;
    // Set when a picker closed: that frame's "quit" is the picker's Escape.
    bool m_pickerJustClosed = false;
    bool m_unsavedEdits = false;
};

// The creator of the screen registered as "mapeditor" in developer mode.
GameLib::CUIScreen* CreateMapEditorScreen(CQuarrowUI* userInterface, CQuarrowWorld* world);
