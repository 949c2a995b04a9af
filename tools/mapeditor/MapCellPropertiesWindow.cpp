#include "tools/mapeditor/MapCellPropertiesWindow.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "foundation/String.h"
#include "game/QuarrowWorld.h"
#include "game/map/EditableMap.h"
#include "ui/Bitmap.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/controls/CheckBox.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/FileEditCombo.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/Label.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/SpinControlNumber.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

constexpr const char* kLayout = "interface>mapcellproperties.xml";
constexpr int kIconSize = 16;

template <typename W> W* FindControl(UILib::CWindow* dialog, const char* name, const char* className)
{
    UILib::CWindow* window = dialog->FindChildByName(name, true, className);
    if (window == nullptr)
    {
        BaseLib::DebugOutput("Map cell properties: no %s \"%s\" in \"%s\"; it is left out\n", className, name,
                             kLayout);
    }
    return static_cast<W*>(window);
}

BaseLib::CPathAliases* Aliases()
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    return system != nullptr ? system->GetPathAliases() : nullptr;
}

std::string Resolve(const std::string& path)
{
    const BaseLib::CPathAliases* aliases = Aliases();
    return aliases != nullptr ? aliases->ResolvePath(path) : path;
}

// The spin's value truncated toward zero; 0 for a value no integer holds.
std::int64_t Truncated(const UILib::CSpinControlNumber* spin)
{
    const double value = std::trunc(spin->GetValue());
    return std::isfinite(value) && std::abs(value) < 9.0e15 ? static_cast<std::int64_t>(value) : 0;
}

void SetBits(std::uint32_t& word, unsigned shift, std::uint32_t mask, std::uint32_t value)
{
    word = (word & ~(mask << shift)) | ((value & mask) << shift);
}

void WriteFlag(std::uint32_t& word, std::uint32_t bit, const UILib::CCheckBox* box)
{
    word = box->GetState() == UILib::CCheckBox::Checked ? (word | bit) : (word & ~bit);
}

void ShowFlag(UILib::CCheckBox* box, bool on)
{
    if (box != nullptr)
    {
        box->SetState(on ? UILib::CCheckBox::Checked : UILib::CCheckBox::Unchecked);
    }
}

void ShowNumber(UILib::CSpinControlNumber* spin, double value)
{
    if (spin != nullptr)
    {
        spin->SetValue(value);
    }
}

// The file's name after the last "/" or ">".
std::string NamePart(const std::string& path)
{
    const std::size_t cut = path.find_last_of("/>");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string WithoutExtension(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The file at icon size; an empty bitmap (traced) when it does not load.
UILib::CBitmap Icon(const std::string& file)
{
    UILib::CBitmap bitmap(BaseLib::CString(file.c_str()), kIconSize, kIconSize);
    if (bitmap.IsNull() || bitmap.IsPlaceholder())
    {
        BaseLib::DebugOutput("Map cell properties: the image \"%s\" does not load; its item has no picture\n",
                             file.c_str());
        return UILib::CBitmap();
    }
    return bitmap;
}

std::string Text(const BaseLib::CString& text)
{
    return static_cast<const char*>(text);
}

// The item to show for a stored name: the one whose text (without its extension, when asked) equals it,
// else the first that begins with it, else item 0.
std::int32_t ItemFor(const UILib::CListBox& list, const std::string& name, bool ignoreExtension)
{
    for (std::int32_t i = 0; i < list.GetItemCount(); ++i)
    {
        const std::string text = Text(list.GetItemText(i));
        if ((ignoreExtension ? WithoutExtension(text) : text) == name)
        {
            return i;
        }
    }
    for (std::int32_t i = 0; i < list.GetItemCount(); ++i)
    {
        if (Text(list.GetItemText(i)).rfind(name, 0) == 0)
        {
            return i;
        }
    }
    return 0;
}

} // namespace

const char* const CMapCellPropertiesWindow::TriggerTexts[6] = {
    "when entered", "when puzzle is solved", "when lock is opened", "when key is missing",
    "always when entered", "when lacking gold"};
const char* const CMapCellPropertiesWindow::ActionTexts[8] = {
    "none", "walk north", "walk south", "start puzzle", "walk north x 2", "remove fog", "walk east", "walk west"};

CMapCellPropertiesWindow* CMapCellPropertiesWindow::Create(CQuarrowWorld* world)
{
    return new CMapCellPropertiesWindow(world);
}

CMapCellPropertiesWindow::CMapCellPropertiesWindow(CQuarrowWorld* world) : m_world(world)
{
    SetCaption("Map Cell Properties");
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowFactory* factory = system != nullptr ? system->GetWindowFactory() : nullptr;
    if (factory == nullptr || !factory->LoadLayoutWindows(kLayout, this, nullptr))
    {
        BaseLib::DebugOutput("Map cell properties: layout \"%s\" did not load whole\n", kLayout);
    }
    SetSize(240, 730);
    SetAlwaysOnTop(true);

    const auto box = [this](const char* name, void (CMapCellPropertiesWindow::*handler)(UILib::CCheckBox*)) {
        auto* found = FindControl<UILib::CCheckBox>(this, name, "CCheckBox");
        if (found != nullptr)
        {
            found->SetOnChange(UILib::CCheckBoxCallback::Bind(this, handler));
        }
        return found;
    };
    const auto spin = [this](const char* name, void (CMapCellPropertiesWindow::*handler)(UILib::CBasicSpinControl*)) {
        auto* found = FindControl<UILib::CSpinControlNumber>(this, name, "CSpinControlNumber");
        if (found != nullptr)
        {
            found->SetOnChange(UILib::CSpinCallback::Bind(this, handler));
        }
        return found;
    };
    const auto combo = [this](const char* name, const char* const* texts, int count,
                              void (CMapCellPropertiesWindow::*handler)(UILib::CComboBox*)) {
        auto* found = FindControl<UILib::CComboBox>(this, name, "CComboBox");
        if (found != nullptr)
        {
            for (int i = 0; i < count; ++i)
            {
                found->AddItem(texts[i]);
            }
            found->SetOnChange(UILib::CComboBoxCallback::Bind(this, handler));
        }
        return found;
    };
    const auto list = [this](const char* name, void (CMapCellPropertiesWindow::*handler)(UILib::CListBox*)) {
        auto* found = FindControl<UILib::CListBox>(this, name, "CListBox");
        if (found != nullptr)
        {
            found->SetOnChange(UILib::CListBoxCallback::Bind(this, handler));
        }
        return found;
    };

    m_canWalkNorth = box("canwalknorth", &CMapCellPropertiesWindow::OnWalkChanged);
    m_canWalkEast = box("canwalkeast", &CMapCellPropertiesWindow::OnWalkChanged);
    m_hideObstacleNorth = box("hideobstaclenorth", &CMapCellPropertiesWindow::OnHideObstacleChanged);
    m_hideObstacleEast = box("hideobstacleeast", &CMapCellPropertiesWindow::OnHideObstacleChanged);
    const char* const needs[3] = {"needskeyA", "needskeyB", "needskeyC"};
    const char* const provides[3] = {"provideskeyA", "provideskeyB", "provideskeyC"};
    for (int key = 0; key < 3; ++key)
    {
        m_needsKey[key] = box(needs[key], &CMapCellPropertiesWindow::OnNeedsKeyChanged);
    }
    for (int key = 0; key < 3; ++key)
    {
        m_providesKey[key] = box(provides[key], &CMapCellPropertiesWindow::OnProvidesKeyChanged);
    }
    m_fogRemover = box("fogremover", &CMapCellPropertiesWindow::OnFogRemoverChanged);
    m_exit = box("exit", &CMapCellPropertiesWindow::OnExitChanged);
    m_exitId = spin("exitid", &CMapCellPropertiesWindow::OnExitIdChanged);
    m_pylon = box("pylon", &CMapCellPropertiesWindow::OnPylonChanged);
    m_treasure = spin("treasure", &CMapCellPropertiesWindow::OnTreasureChanged);
    const char* const sequences[2] = {"sequence1", "sequence2"};
    const std::string sequenceFolder = Resolve("sequence>");
    for (int i = 0; i < 2; ++i)
    {
        m_sequence[i] = FindControl<UILib::CFileEditCombo>(this, sequences[i], "CFileEditCombo");
        if (m_sequence[i] != nullptr)
        {
            m_sequence[i]->SetDirectory(BaseLib::CString(sequenceFolder.c_str()));
            m_sequence[i]->AddFilter("Sequence Files", "*.xml");
            m_sequence[i]->SetOnFileChanged(
                UILib::CFileEditComboCallback::Bind(this, &CMapCellPropertiesWindow::OnSequenceChanged));
            if (m_sequenceFolder.empty() && m_sequence[i]->GetPicker() != nullptr)
            {
                m_sequenceFolder = Text(m_sequence[i]->GetPicker()->GetDirectory());
            }
        }
    }
    m_trigger[0] = combo("seq1trigger", TriggerTexts, 6, &CMapCellPropertiesWindow::OnTriggerChanged);
    m_trigger[1] = combo("seq2trigger", TriggerTexts, 6, &CMapCellPropertiesWindow::OnTriggerChanged);
    m_action = combo("action", ActionTexts, 8, &CMapCellPropertiesWindow::OnActionChanged);
    m_goldRequired = spin("goldrequired", &CMapCellPropertiesWindow::OnGoldRequiredChanged);
    m_tileList = list("tilelist", &CMapCellPropertiesWindow::OnTileSelected);
    m_levelList = list("levellist", &CMapCellPropertiesWindow::OnLevelSelected);
    m_moodImageList = list("moodimagelist", &CMapCellPropertiesWindow::OnMoodImageSelected);
    m_moodImage = FindControl<UILib::CLabel>(this, "moodimage", "CLabel");
}

CMapCellPropertiesWindow::~CMapCellPropertiesWindow() = default;

CEditableMap* CMapCellPropertiesWindow::Map() const
{
    return m_world != nullptr ? m_world->GetMap() : nullptr;
}

MapCell* CMapCellPropertiesWindow::EditedCell() const
{
    CEditableMap* map = Map();
    return map != nullptr && map->IsInside(m_cellX, m_cellY) ? &map->GetCell(m_cellX, m_cellY) : nullptr;
}

template <typename Edit> void CMapCellPropertiesWindow::WriteCell(Edit edit)
{
    MapCell* cell = m_filling ? nullptr : EditedCell();
    if (cell == nullptr)
    {
        return;
    }
    edit(*cell);
    if (m_changeCallback.IsSet())
    {
        m_changeCallback();
    }
}

void CMapCellPropertiesWindow::ShowCell(int x, int y)
{
    m_cellX = x;
    m_cellY = y;
    Refresh();
}

void CMapCellPropertiesWindow::SuppressControls(bool suppress)
{
    UILib::CWindow* const controls[] = {
        m_canWalkNorth, m_canWalkEast, m_hideObstacleNorth, m_hideObstacleEast, m_needsKey[0], m_needsKey[1],
        m_needsKey[2], m_providesKey[0], m_providesKey[1], m_providesKey[2], m_fogRemover, m_exit, m_exitId,
        m_pylon, m_treasure, m_sequence[0], m_sequence[1], m_trigger[0], m_trigger[1], m_action,
        m_goldRequired, m_tileList, m_levelList, m_moodImageList};
    for (UILib::CWindow* control : controls)
    {
        if (control != nullptr)
        {
            suppress ? control->SuppressEvents() : control->ResumeEvents();
        }
    }
}

void CMapCellPropertiesWindow::Refresh()
{
    CEditableMap* map = Map();
    const MapCell* cell = EditedCell();
    if (cell == nullptr)
    {
        return;
    }
    m_filling = true;
    SuppressControls(true);

    ShowFlag(m_canWalkNorth, (cell->walkBits & MapCell::CanWalkNorth) != 0);
    ShowFlag(m_canWalkEast, (cell->walkBits & MapCell::CanWalkEast) != 0);
    ShowFlag(m_hideObstacleNorth, (cell->walkBits & MapCell::HideObstacleNorth) != 0);
    ShowFlag(m_hideObstacleEast, (cell->walkBits & MapCell::HideObstacleEast) != 0);
    for (int key = 0; key < 3; ++key)
    {
        ShowFlag(m_needsKey[key], (cell->flags & (MapCell::NeedsKeyA << key)) != 0);
        ShowFlag(m_providesKey[key], (cell->flags & (MapCell::ProvidesKeyA << key)) != 0);
    }
    ShowFlag(m_fogRemover, (cell->flags & MapCell::FogRemover) != 0);
    ShowFlag(m_exit, cell->IsExit());
    ShowFlag(m_pylon, (cell->flags & MapCell::Pylon) != 0);
    ShowNumber(m_exitId, cell->GetExitId());
    ShowNumber(m_treasure, cell->GetTreasure());
    ShowNumber(m_goldRequired, cell->goldreq);

    const std::string* const cutscenes[2] = {&cell->cutscene, &cell->cutscene2};
    for (int i = 0; i < 2; ++i)
    {
        if (m_sequence[i] != nullptr)
        {
            // With the folder, so that a name in a sub-folder of the sequences keeps it, and an empty
            // name shows no file.
            m_sequence[i]->SetFileName(BaseLib::CString((m_sequenceFolder + *cutscenes[i]).c_str()));
        }
    }
    const int triggers[2] = {cell->GetSequence1Trigger(), cell->GetSequence2Trigger()};
    for (int i = 0; i < 2; ++i)
    {
        if (m_trigger[i] != nullptr)
        {
            m_trigger[i]->SetSelection(triggers[i]);
        }
    }
    if (m_action != nullptr)
    {
        m_action->SetSelection(cell->GetAction());
    }

    if (!m_listsFilled || map->GetSetting() != m_listedSetting)
    {
        FillTileList();
        FillLevelList();
        FillMoodImageList();
        m_listedSetting = map->GetSetting();
        m_listsFilled = true;
    }
    else
    {
        std::vector<std::string> levels;
        for (int i = 0; i < map->GetLevelCount(); ++i)
        {
            levels.push_back(map->GetLevelFile(i));
        }
        if (levels != m_listedLevels)
        {
            FillLevelList();
        }
        else
        {
            UpdateLevelIcons();
        }
    }
    if (m_levelList != nullptr)
    {
        m_levelList->Select(cell->puzzle + 1);
    }
    if (m_tileList != nullptr)
    {
        m_tileList->Select(ItemFor(*m_tileList, cell->tile, true));
    }
    if (m_moodImageList != nullptr)
    {
        m_moodImageList->Select(ItemFor(*m_moodImageList, cell->moodimg, false));
    }
    UpdateMoodImage();

    SuppressControls(false);
    m_filling = false;
}

void CMapCellPropertiesWindow::FillLevelList()
{
    const CEditableMap* map = Map();
    m_listedLevels.clear();
    for (int i = 0; map != nullptr && i < map->GetLevelCount(); ++i)
    {
        m_listedLevels.push_back(map->GetLevelFile(i));
    }
    if (m_levelList == nullptr)
    {
        return;
    }
    m_levelList->SuppressEvents();
    m_levelList->RemoveAllItems();
    m_levelList->AddItem("-1 : none");
    for (std::size_t i = 0; i < m_listedLevels.size(); ++i)
    {
        char text[32];
        std::snprintf(text, sizeof(text), "%02d : ", static_cast<int>(i + 1));
        m_levelList->AddItem(BaseLib::CString((text + m_listedLevels[i]).c_str()));
    }
    m_levelList->ResumeEvents();
    UpdateLevelIcons();
}

void CMapCellPropertiesWindow::UpdateLevelIcons()
{
    const CEditableMap* map = Map();
    if (m_levelList == nullptr || map == nullptr)
    {
        return;
    }
    std::vector<int> uses(static_cast<std::size_t>(map->GetLevelCount()), 0);
    for (int y = 0; y < map->GetSize().cy; ++y)
    {
        for (int x = 0; x < map->GetSize().cx; ++x)
        {
            const std::int32_t puzzle = map->GetCell(x, y).puzzle;
            if (puzzle >= 0 && puzzle < map->GetLevelCount())
            {
                ++uses[static_cast<std::size_t>(puzzle)];
            }
        }
    }
    for (std::size_t level = 0; level < uses.size(); ++level)
    {
        const char* icon = uses[level] == 0 ? UnassignedIcon : uses[level] == 1 ? AssignedIcon : ErrorIcon;
        m_levelList->SetItemBitmap(static_cast<std::int32_t>(level + 1), UILib::CBitmap(icon));
    }
    m_levelList->Invalidate(false);
}

void CMapCellPropertiesWindow::FillTileList()
{
    const CEditableMap* map = Map();
    if (m_tileList == nullptr || map == nullptr)
    {
        return;
    }
    std::vector<std::string> files;
    BaseLib::ListFiles(Resolve("interface>map/" + map->GetSetting() + "/*.png"), files);
    m_tileList->SuppressEvents();
    m_tileList->RemoveAllItems();
    m_tileList->AddItem("empty");
    for (const std::string& file : files)
    {
        m_tileList->AddItem(BaseLib::CString(NamePart(file).c_str()), Icon(file));
    }
    m_tileList->ResumeEvents();
}

void CMapCellPropertiesWindow::FillMoodImageList()
{
    const CEditableMap* map = Map();
    if (m_moodImageList == nullptr || map == nullptr)
    {
        return;
    }
    std::vector<std::string> files;
    BaseLib::ListFiles(Resolve("interface>sequences/" + map->GetSetting() + "/*.jpg"), files);
    m_moodImageList->SuppressEvents();
    m_moodImageList->RemoveAllItems();
    for (const std::string& file : files)
    {
        m_moodImageList->AddItem(BaseLib::CString(WithoutExtension(NamePart(file)).c_str()), Icon(file));
    }
    m_moodImageList->ResumeEvents();
}

void CMapCellPropertiesWindow::UpdateMoodImage()
{
    const MapCell* cell = EditedCell();
    if (m_moodImage == nullptr || cell == nullptr)
    {
        return;
    }
    if (cell->moodimg.empty())
    {
        m_moodImage->SetBitmap(UILib::CBitmap());
        return;
    }
    const std::string file = "interface>sequences/" + Map()->GetSetting() + "/" + cell->moodimg + ".jpg";
    m_moodImage->SetBitmap(
        UILib::CBitmap(BaseLib::CString(file.c_str()), m_moodImage->GetSize().cx, m_moodImage->GetSize().cy));
}

std::string CMapCellPropertiesWindow::SequenceNameOf(const UILib::CFileEditCombo* picker) const
{
    if (picker->GetFileName().GetLength() == 0)
    {
        return std::string();
    }
    const std::string full = Text(picker->GetFullPath());
    if (!m_sequenceFolder.empty() && full.rfind(m_sequenceFolder, 0) == 0)
    {
        return full.substr(m_sequenceFolder.size());
    }
    return full;
}

// --- Writing ---

void CMapCellPropertiesWindow::OnWalkChanged(UILib::CCheckBox* box)
{
    WriteCell([&](MapCell& cell) {
        std::uint32_t bits = cell.walkBits;
        WriteFlag(bits, box == m_canWalkNorth ? MapCell::CanWalkNorth : MapCell::CanWalkEast, box);
        cell.walkBits = static_cast<std::uint8_t>(bits);
    });
}

void CMapCellPropertiesWindow::OnHideObstacleChanged(UILib::CCheckBox* box)
{
    WriteCell([&](MapCell& cell) {
        std::uint32_t bits = cell.walkBits;
        WriteFlag(bits, box == m_hideObstacleNorth ? MapCell::HideObstacleNorth : MapCell::HideObstacleEast, box);
        cell.walkBits = static_cast<std::uint8_t>(bits);
    });
}

void CMapCellPropertiesWindow::OnNeedsKeyChanged(UILib::CCheckBox* box)
{
    WriteCell([&](MapCell& cell) {
        for (int key = 0; key < 3; ++key)
        {
            if (m_needsKey[key] == box)
            {
                WriteFlag(cell.flags, MapCell::NeedsKeyA << key, box);
            }
        }
    });
}

void CMapCellPropertiesWindow::OnProvidesKeyChanged(UILib::CCheckBox* box)
{
    WriteCell([&](MapCell& cell) {
        for (int key = 0; key < 3; ++key)
        {
            if (m_providesKey[key] == box)
            {
                WriteFlag(cell.flags, MapCell::ProvidesKeyA << key, box);
            }
        }
    });
}

void CMapCellPropertiesWindow::OnFogRemoverChanged(UILib::CCheckBox* box)
{
    WriteCell([&](MapCell& cell) { WriteFlag(cell.flags, MapCell::FogRemover, box); });
}

void CMapCellPropertiesWindow::OnExitChanged(UILib::CCheckBox* box)
{
    WriteCell([&](MapCell& cell) { WriteFlag(cell.flags, MapCell::Exit, box); });
}

void CMapCellPropertiesWindow::OnExitIdChanged(UILib::CBasicSpinControl*)
{
    WriteCell([&](MapCell& cell) {
        SetBits(cell.flags, MapCell::ExitIdShift, 0xF, static_cast<std::uint32_t>(Truncated(m_exitId)));
    });
}

void CMapCellPropertiesWindow::OnPylonChanged(UILib::CCheckBox* box)
{
    WriteCell([&](MapCell& cell) { WriteFlag(cell.flags, MapCell::Pylon, box); });
}

void CMapCellPropertiesWindow::OnTreasureChanged(UILib::CBasicSpinControl*)
{
    WriteCell([&](MapCell& cell) {
        SetBits(cell.flags, MapCell::TreasureShift, 0xFF, static_cast<std::uint32_t>(Truncated(m_treasure)));
    });
}

void CMapCellPropertiesWindow::OnGoldRequiredChanged(UILib::CBasicSpinControl*)
{
    WriteCell([&](MapCell& cell) { cell.goldreq = static_cast<std::int32_t>(Truncated(m_goldRequired)); });
}

void CMapCellPropertiesWindow::OnSequenceChanged(UILib::CFileEditCombo*)
{
    WriteCell([&](MapCell& cell) {
        if (m_sequence[0] != nullptr)
        {
            cell.cutscene = SequenceNameOf(m_sequence[0]);
        }
        if (m_sequence[1] != nullptr)
        {
            cell.cutscene2 = SequenceNameOf(m_sequence[1]);
        }
    });
}

void CMapCellPropertiesWindow::OnTriggerChanged(UILib::CComboBox*)
{
    WriteCell([&](MapCell& cell) {
        const unsigned shifts[2] = {MapCell::Sequence1TriggerShift, MapCell::Sequence2TriggerShift};
        for (int i = 0; i < 2; ++i)
        {
            if (m_trigger[i] != nullptr)
            {
                SetBits(cell.flags, shifts[i], 0x7, static_cast<std::uint32_t>(m_trigger[i]->GetSelection()));
            }
        }
    });
}

void CMapCellPropertiesWindow::OnActionChanged(UILib::CComboBox*)
{
    WriteCell([&](MapCell& cell) {
        SetBits(cell.flags, MapCell::ActionShift, 0xF, static_cast<std::uint32_t>(m_action->GetSelection()));
    });
}

void CMapCellPropertiesWindow::OnTileSelected(UILib::CListBox*)
{
    if (m_tileList->GetSelectedIndex() < 0)
    {
        return;
    }
    WriteCell([&](MapCell& cell) { cell.tile = WithoutExtension(Text(m_tileList->GetSelectedText())); });
}

void CMapCellPropertiesWindow::OnLevelSelected(UILib::CListBox*)
{
    if (m_levelList->GetSelectedIndex() < 0)
    {
        return;
    }
    WriteCell([&](MapCell& cell) { cell.puzzle = m_levelList->GetSelectedIndex() - 1; });
    if (!m_filling)
    {
        UpdateLevelIcons();
    }
}

void CMapCellPropertiesWindow::OnMoodImageSelected(UILib::CListBox*)
{
    if (m_moodImageList->GetSelectedIndex() < 0)
    {
        return;
    }
    WriteCell([&](MapCell& cell) { cell.moodimg = Text(m_moodImageList->GetSelectedText()); });
    if (!m_filling)
    {
        UpdateMoodImage();
    }
}
