#pragma once

#include "foundation/Point.h"
#include "ui/Callback.h"
#include "ui/controls/DialogWindow.h"

#include <cstdint>
#include <string>
#include <vector>

class CEditableMap;
class CQuarrowWorld;
struct MapCell;

namespace UILib
{
class CBasicSpinControl;
class CCheckBox;
class CComboBox;
class CFileEditCombo;
class CLabel;
class CListBox;
class CSpinControlNumber;
} // namespace UILib

// The map editor's "Map Cell Properties" dialog: shows one cell of the world's current map and writes
// every change of a control straight into that cell (walk and obstacle bits, keys, fog remover, exit and
// its id, pylon, treasure, gold requirement, level, the two cut-scenes with their triggers, the action,
// the tile and the mood image), then calls the change callback once.
//
// Showing a cell never writes it: the controls are filled with their events suppressed. A control the
// layout lacks is traced once and left out of every handler and of the refresh. Without a map, or with a
// remembered cell outside the grid, nothing is shown from or written to a cell.
class CMapCellPropertiesWindow : public UILib::CDialogWindow
{
public:
    using CChangeCallback = UILib::CCallback<>;

    // The window does not own the world, which must outlive it.
    explicit CMapCellPropertiesWindow(CQuarrowWorld* world);
    ~CMapCellPropertiesWindow() override;
    // A new window ("interface>mapcellproperties.xml", 240 x 730, always on top), not yet added to any
    // window.
    static CMapCellPropertiesWindow* Create(CQuarrowWorld* world);

    const char* GetClassName() const override { return "CMapCellPropertiesWindow"; }

    void SetChangeCallback(const CChangeCallback& callback) { m_changeCallback = callback; }
    // Remembers the cell and fills the controls from it.
    void ShowCell(int x, int y);
    // Fills the controls from the remembered cell again; the three lists are refilled first when the
    // map's setting is not the one they were filled for (the level list also when the map's level files
    // changed, as after loading another map of the same setting).
    void Refresh();

    BaseLib::CPoint GetCell() const { return BaseLib::CPoint(m_cellX, m_cellY); }
    const std::string& GetListedSetting() const { return m_listedSetting; }

    // The trigger and action combos' texts, in the order of the numbers the cell stores.
    static const char* const TriggerTexts[6];
    static const char* const ActionTexts[8];

    // The bitmaps of a level's item by how many cells start it: none, one, more.
    static constexpr const char* UnassignedIcon = "editor_unassigned.png";
    static constexpr const char* AssignedIcon = "editor_assigned.png";
    static constexpr const char* ErrorIcon = "editor_error.png";

private:
    // The cell being edited, null without a map or outside its grid.
    MapCell* EditedCell() const;
    CEditableMap* Map() const;
    // Runs the edit on the edited cell, then the change callback; nothing without a cell.
    template <typename Edit> void WriteCell(Edit edit);

    void FillTileList();
    void FillLevelList();
    void FillMoodImageList();
    void UpdateLevelIcons();
    void UpdateMoodImage();
    // Every control's events off (or on again) while the refresh fills them.
    void SuppressControls(bool suppress);
    // The cut-scene a sequence picker shows, relative to the sequence folder when it lies there.
    std::string SequenceNameOf(const UILib::CFileEditCombo* picker) const;

    void OnWalkChanged(UILib::CCheckBox* box);
    void OnHideObstacleChanged(UILib::CCheckBox* box);
    void OnNeedsKeyChanged(UILib::CCheckBox* box);
    void OnProvidesKeyChanged(UILib::CCheckBox* box);
    void OnFogRemoverChanged(UILib::CCheckBox* box);
    void OnExitChanged(UILib::CCheckBox* box);
    void OnExitIdChanged(UILib::CBasicSpinControl* spin);
    void OnPylonChanged(UILib::CCheckBox* box);
    void OnTreasureChanged(UILib::CBasicSpinControl* spin);
    void OnSequenceChanged(UILib::CFileEditCombo* picker);
    void OnTriggerChanged(UILib::CComboBox* combo);
    void OnActionChanged(UILib::CComboBox* combo);
    void OnGoldRequiredChanged(UILib::CBasicSpinControl* spin);
    void OnTileSelected(UILib::CListBox* list);
    void OnLevelSelected(UILib::CListBox* list);
    void OnMoodImageSelected(UILib::CListBox* list);

    CQuarrowWorld* m_world;
    UILib::CCheckBox* m_canWalkNorth = nullptr;
    UILib::CCheckBox* m_canWalkEast = nullptr;
    UILib::CCheckBox* m_hideObstacleNorth = nullptr;
    UILib::CCheckBox* m_hideObstacleEast = nullptr;
    UILib::CCheckBox* m_needsKey[3] = {};
    UILib::CCheckBox* m_providesKey[3] = {};
    UILib::CCheckBox* m_fogRemover = nullptr;
    UILib::CCheckBox* m_exit = nullptr;
    UILib::CSpinControlNumber* m_exitId = nullptr;
    UILib::CCheckBox* m_pylon = nullptr;
    UILib::CSpinControlNumber* m_treasure = nullptr;
    UILib::CFileEditCombo* m_sequence[2] = {};
    UILib::CComboBox* m_trigger[2] = {};
    UILib::CComboBox* m_action = nullptr;
    UILib::CSpinControlNumber* m_goldRequired = nullptr;
    UILib::CListBox* m_tileList = nullptr;
    UILib::CListBox* m_levelList = nullptr;
    UILib::CListBox* m_moodImageList = nullptr;
    UILib::CLabel* m_moodImage = nullptr;
    CChangeCallback m_changeCallback;
    std::int32_t m_cellX = 0;
    std::int32_t m_cellY = 0;
    std::string m_listedSetting;
    // Whether the lists were filled at all, and the level files the level list shows.
    bool m_listsFilled = false;
    std::vector<std::string> m_listedLevels;
    // The sequence pickers' folder (what "sequence>" resolves to), absolute with a closing "/".
    std::string m_sequenceFolder;
    // Set while the refresh fills the controls: no handler writes then.
    bool m_filling = false;
};
