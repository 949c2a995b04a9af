#include "tools/editor/PuzzleEditorMenuWindow.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "tools/editor/BlockDesignerWindow.h"
#include "tools/editor/BlocksLibraryWindow.h"
#include "tools/editor/PuzzleEditor.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/FileEditCombo.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/ResolveAs.h"
#include "ui/controls/SpinControlNumber.h"
#include "ui/controls/ToggleButton.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr const char* kLayout = "interface>puzzlemenu.xml";
constexpr const char* kSideNames[] = {"North", "South", "West", "East"};
// The order the direction lists show.
constexpr const char* kListedSides[] = {"North", "South", "East", "West"};

template <typename W> W* FindControl(UILib::CWindow* parent, const char* name, const char* className)
{
    UILib::CWindow* window = parent != nullptr ? parent->FindChildByName(name, true, className) : nullptr;
    if (window == nullptr)
    {
        BaseLib::DebugOutput("Puzzle tool window: no %s \"%s\" in its layout; it is left out\n", className,
                             name);
    }
    return static_cast<W*>(window);
}

std::string Resolve(const std::string& path)
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    return system != nullptr && system->GetPathAliases() != nullptr
               ? system->GetPathAliases()->ResolvePath(path)
               : path;
}

bool EndsWith(const std::string& text, const std::string& ending)
{
    return text.size() >= ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// A spin's value truncated toward zero and held in the 32-bit range.
std::int32_t Truncated(const UILib::CSpinControlNumber* spin)
{
    const double value = spin != nullptr ? spin->GetValue() : 0.0;
    return static_cast<std::int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

// Sets a control without its change events.
template <typename W, typename F> void Quietly(W* window, F&& set)
{
    if (window == nullptr)
    {
        return;
    }
    window->SuppressEvents();
    set(*window);
    window->ResumeEvents();
}

} // namespace

CPuzzleEditorMenuWindow* CreatePuzzleEditorMenuWindow(CPuzzleEditor* editor, CBlockDesignerWindow* designer,
                                                      CBlocksLibraryWindow* library)
{
    return new CPuzzleEditorMenuWindow(editor, designer, library);
}

CPuzzleEditorMenuWindow::CPuzzleEditorMenuWindow(CPuzzleEditor* editor, CBlockDesignerWindow* designer,
                                                 CBlocksLibraryWindow* library)
    : m_editor(editor), m_designer(designer != nullptr ? designer->GetHandle() : 0),
      m_library(library != nullptr ? library->GetHandle() : 0)
{
    SetCaption("Puzzle");
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowFactory* factory = system != nullptr ? system->GetWindowFactory() : nullptr;
    if (factory == nullptr || !factory->LoadLayoutWindows(kLayout, this, nullptr))
    {
        BaseLib::DebugOutput("Puzzle tool window: layout \"%s\" did not load whole\n", kLayout);
    }
    SetSize(ShortWidth, ShortHeight);
    SetAlwaysOnTop(true);

    const struct
    {
        const char* name;
        void (CPuzzleEditorMenuWindow::*handler)(UILib::CBasicButton*);
        UILib::CButton** keep;
    } buttons[] = {
        {"morebutton", &CPuzzleEditorMenuWindow::OnMore, &m_moreButton},
        {"lessbutton", &CPuzzleEditorMenuWindow::OnLess, &m_lessButton},
        {"clearbutton", &CPuzzleEditorMenuWindow::OnClear, nullptr},
        {"loadbutton", &CPuzzleEditorMenuWindow::OnLoad, nullptr},
        {"savebutton", &CPuzzleEditorMenuWindow::OnSave, nullptr},
        {"solverbutton", &CPuzzleEditorMenuWindow::OnSolver, nullptr},
        {"deletebutton", &CPuzzleEditorMenuWindow::OnDelete, &m_deleteButton},
        {"editbutton", &CPuzzleEditorMenuWindow::OnEdit, &m_editButton},
    };
    for (const auto& entry : buttons)
    {
        auto* button = FindControl<UILib::CButton>(this, entry.name, "CButton");
        if (button != nullptr)
        {
            button->SetOnClick(UILib::CButtonCallback::Bind(this, entry.handler));
        }
        if (entry.keep != nullptr)
        {
            *entry.keep = button;
        }
    }
    if (m_lessButton != nullptr)
    {
        m_lessButton->SetVisible(false);
    }
    if (auto* freeze = FindControl<UILib::CToggleButton>(this, "timefreezebutton", "CToggleButton"))
    {
        freeze->SetOnChange(UILib::CToggleButtonCallback::Bind(this, &CPuzzleEditorMenuWindow::OnTimeFreeze));
    }
    m_blocksBrowserButton = FindControl<UILib::CToggleButton>(this, "blocksbrowserbutton", "CToggleButton");
    if (m_blocksBrowserButton != nullptr)
    {
        const CBlocksLibraryWindow* libraryWindow = Library();
        Quietly(m_blocksBrowserButton, [&](UILib::CToggleButton& toggle) {
            toggle.SetState(libraryWindow != nullptr && libraryWindow->IsVisible());
        });
        m_blocksBrowserButton->SetOnChange(
            UILib::CToggleButtonCallback::Bind(this, &CPuzzleEditorMenuWindow::OnBlocksBrowser));
    }

    const struct
    {
        const char* name;
        void (CPuzzleEditorMenuWindow::*handler)(UILib::CBasicSpinControl*);
        UILib::CSpinControlNumber** keep;
    } spins[] = {
        {"gridsizex", &CPuzzleEditorMenuWindow::OnGridSize, &m_gridSizeX},
        {"gridsizey", &CPuzzleEditorMenuWindow::OnGridSize, &m_gridSizeY},
        {"numexits", &CPuzzleEditorMenuWindow::OnExitSpin, &m_numExits},
        {"parsolvemoves", &CPuzzleEditorMenuWindow::OnParMoves, &m_parMoves},
    };
    for (const auto& entry : spins)
    {
        *entry.keep = FindControl<UILib::CSpinControlNumber>(this, entry.name, "CSpinControlNumber");
        if (*entry.keep != nullptr)
        {
            (*entry.keep)->SetOnChange(UILib::CSpinCallback::Bind(this, entry.handler));
        }
    }
    for (std::int32_t i = 0; i < MaxExits; ++i)
    {
        char name[16];
        std::snprintf(name, sizeof(name), "exit%d", i);
        ExitRow& row = m_exits[static_cast<std::size_t>(i)];
        row.row = FindControl<UILib::CWindow>(this, name, "CWindow");
        row.direction = FindControl<UILib::CComboBox>(row.row, "dir", "CComboBox");
        row.offset = FindControl<UILib::CSpinControlNumber>(row.row, "row", "CSpinControlNumber");
        if (row.direction != nullptr)
        {
            for (const char* side : kListedSides)
            {
                row.direction->AddItem(side);
            }
            row.direction->SetOnChange(
                UILib::CComboBoxCallback::Bind(this, &CPuzzleEditorMenuWindow::OnExitDirection));
        }
        if (row.offset != nullptr)
        {
            row.offset->SetOnChange(UILib::CSpinCallback::Bind(this, &CPuzzleEditorMenuWindow::OnExitSpin));
        }
    }

    m_boardFile = FindControl<UILib::CFileEditCombo>(this, "boardfile", "CFileEditCombo");
    if (m_boardFile != nullptr)
    {
        Quietly(m_boardFile, [&](UILib::CFileEditCombo& file) {
            file.SetDirectory(
                Resolve("model>" + (m_editor != nullptr ? m_editor->GetGfxSetName() : "")).c_str());
        });
        m_boardFile->SetOnFileChanged(
            UILib::CFileEditComboCallback::Bind(this, &CPuzzleEditorMenuWindow::OnBoardFile));
    }
    m_environmentFile = FindControl<UILib::CFileEditCombo>(this, "envfile", "CFileEditCombo");
    if (m_environmentFile != nullptr)
    {
        Quietly(m_environmentFile,
                [&](UILib::CFileEditCombo& file) { file.SetDirectory(Resolve("environment>").c_str()); });
        m_environmentFile->SetOnFileChanged(
            UILib::CFileEditComboCallback::Bind(this, &CPuzzleEditorMenuWindow::OnEnvironmentFile));
    }
    m_gfxSet = FindControl<UILib::CComboBox>(this, "gfxset", "CComboBox");
    if (m_gfxSet != nullptr)
    {
        Quietly(m_gfxSet, [&](UILib::CComboBox& combo) {
            if (m_editor != nullptr)
            {
                for (const std::string& name : m_editor->GetGfxSetList())
                {
                    combo.AddItem(name.c_str());
                }
            }
        });
        m_gfxSet->SetOnChange(UILib::CComboBoxCallback::Bind(this, &CPuzzleEditorMenuWindow::OnGfxSet));
    }
}

CPuzzleEditorMenuWindow::~CPuzzleEditorMenuWindow()
{
    UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    if (UILib::CFilePicker* picker = GetPicker())
    {
        // Its answer would reach a window that is gone.
        picker->SuppressEvents();
        if (manager != nullptr)
        {
            manager->RemoveModalWindow(picker);
        }
        picker->Delete();
    }
    if (m_designing)
    {
        if (CBlockDesignerWindow* designer = Designer())
        {
            designer->SetCloseCallback({});
            designer->SetVisible(false);
            if (manager != nullptr)
            {
                manager->RemoveModalWindow(designer);
            }
        }
    }
}

CBlockDesignerWindow* CPuzzleEditorMenuWindow::Designer() const
{
    return UILib::ResolveAs<CBlockDesignerWindow>(m_designer);
}

CBlocksLibraryWindow* CPuzzleEditorMenuWindow::Library() const
{
    return UILib::ResolveAs<CBlocksLibraryWindow>(m_library);
}

UILib::CFilePicker* CPuzzleEditorMenuWindow::GetPicker() const
{
    return UILib::ResolveAs<UILib::CFilePicker>(m_picker);
}

std::int32_t CPuzzleEditorMenuWindow::SideOfName(const std::string& name)
{
    for (std::int32_t side = 0; side < 4; ++side)
    {
        if (name == kSideNames[side])
        {
            return side;
        }
    }
    return -1;
}

const char* CPuzzleEditorMenuWindow::NameOfSide(std::int32_t side)
{
    return side >= 0 && side < 4 ? kSideNames[side] : "";
}

std::string CPuzzleEditorMenuWindow::SaveFileName(const std::string& picked)
{
    return EndsWith(picked, ".xml") || EndsWith(picked, ".blvl") ? picked : picked + ".xml";
}

void CPuzzleEditorMenuWindow::OnMore(UILib::CBasicButton*)
{
    if (m_moreButton != nullptr)
    {
        m_moreButton->SetVisible(false);
    }
    if (m_lessButton != nullptr)
    {
        m_lessButton->SetVisible(true);
    }
    SetSize(ShortWidth, LongHeight);
}

void CPuzzleEditorMenuWindow::OnLess(UILib::CBasicButton*)
{
    if (m_moreButton != nullptr)
    {
        m_moreButton->SetVisible(true);
    }
    if (m_lessButton != nullptr)
    {
        m_lessButton->SetVisible(false);
    }
    SetSize(ShortWidth, ShortHeight);
}

void CPuzzleEditorMenuWindow::OnClear(UILib::CBasicButton*)
{
    if (m_editor != nullptr)
    {
        m_editor->ClearPuzzle();
    }
}

void CPuzzleEditorMenuWindow::OnSolver(UILib::CBasicButton*)
{
    if (m_editor != nullptr)
    {
        m_editor->Solve();
    }
}

void CPuzzleEditorMenuWindow::OnDelete(UILib::CBasicButton*)
{
    if (m_editor != nullptr)
    {
        m_editor->DeleteSelectedBlock();
    }
}

void CPuzzleEditorMenuWindow::OnTimeFreeze(UILib::CToggleButton* button)
{
    if (m_editor != nullptr && button != nullptr)
    {
        m_editor->SetTimeFrozen(button->GetState());
    }
}

void CPuzzleEditorMenuWindow::OnBlocksBrowser(UILib::CToggleButton* button)
{
    if (CBlocksLibraryWindow* library = Library(); library != nullptr && button != nullptr)
    {
        library->SetVisible(button->GetState());
    }
}

void CPuzzleEditorMenuWindow::OnGridSize(UILib::CBasicSpinControl*)
{
    if (m_editor != nullptr && m_gridSizeX != nullptr && m_gridSizeY != nullptr)
    {
        m_editor->SetGridSize(Truncated(m_gridSizeX), Truncated(m_gridSizeY));
    }
}

void CPuzzleEditorMenuWindow::OnExitSpin(UILib::CBasicSpinControl*)
{
    ApplyExits();
}

void CPuzzleEditorMenuWindow::OnExitDirection(UILib::CComboBox*)
{
    ApplyExits();
}

void CPuzzleEditorMenuWindow::ApplyExits()
{
    if (m_editor == nullptr || m_numExits == nullptr)
    {
        return;
    }
    const std::int32_t count = std::min(Truncated(m_numExits), MaxExits);
    std::vector<PuzzleExit> exits;
    std::int32_t side = 0;
    for (std::int32_t i = 0; i < count; ++i)
    {
        const ExitRow& row = m_exits[static_cast<std::size_t>(i)];
        // A direction that is none of the four keeps the side of the row before.
        const std::int32_t named =
            row.direction != nullptr ? SideOfName(static_cast<const char*>(row.direction->GetText())) : -1;
        if (named >= 0)
        {
            side = named;
        }
        exits.push_back(PuzzleExit{side, Truncated(row.offset)});
    }
    m_editor->SetExits(exits);
}

void CPuzzleEditorMenuWindow::OnBoardFile(UILib::CFileEditCombo* file)
{
    if (m_editor != nullptr && file != nullptr)
    {
        m_editor->SetBoardName(
            BaseLib::RemoveExtension(BaseLib::GetFileName(static_cast<const char*>(file->GetFileName()))));
    }
}

void CPuzzleEditorMenuWindow::OnEnvironmentFile(UILib::CFileEditCombo* file)
{
    if (m_editor != nullptr && file != nullptr)
    {
        m_editor->SetEnvironmentName(
            BaseLib::RemoveExtension(BaseLib::GetFileName(static_cast<const char*>(file->GetFileName()))));
    }
}

void CPuzzleEditorMenuWindow::OnGfxSet(UILib::CComboBox* combo)
{
    if (m_editor == nullptr || combo == nullptr)
    {
        return;
    }
    const std::string name = static_cast<const char*>(combo->GetText());
    // The board picker looks among the chosen set's models; the environments stay where they are.
    Quietly(m_boardFile,
            [&](UILib::CFileEditCombo& file) { file.SetDirectory(Resolve("model>" + name).c_str()); });
    m_editor->SetGfxSetName(name);
}

void CPuzzleEditorMenuWindow::OnParMoves(UILib::CBasicSpinControl*)
{
    if (m_editor != nullptr && m_parMoves != nullptr)
    {
        m_editor->SetParSolveMoves(Truncated(m_parMoves));
    }
}

UILib::CFilePicker* CPuzzleEditorMenuWindow::OpenPicker(const char* pattern, std::int32_t mode)
{
    UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    UILib::CWindow* root = manager != nullptr ? manager->GetLayerRoot(0) : nullptr;
    if (root == nullptr || GetPicker() != nullptr)
    {
        return nullptr;
    }
    auto* picker = new UILib::CFilePicker();
    m_picker = picker->GetHandle();
    root->AddChild(picker->GetHandle());
    picker->CenterInParent();
    picker->ClearFilters();
    picker->AddFilter("Level Files", pattern);
    picker->SetMode(mode);
    picker->SetPickableKinds(UILib::CFilePicker::PickFiles);
    picker->SetDirectory(Resolve("level>").c_str());
    if (m_editor != nullptr && !m_editor->GetFileName().empty())
    {
        picker->SetFileName(m_editor->GetFileName().c_str());
    }
    manager->PushModalWindow(picker);
    // The keys go to the picker, so Escape closes it.
    manager->ActivateWindow(picker->GetHandle(), true);
    return picker;
}

void CPuzzleEditorMenuWindow::ClosePicker(UILib::CFilePicker* picker)
{
    if (UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance())
    {
        manager->RemoveModalWindow(picker);
    }
    // The picker is inside its own callback: it goes at the end of the frame.
    picker->Destroy();
    m_picker = 0;
}

void CPuzzleEditorMenuWindow::OnLoad(UILib::CBasicButton*)
{
    if (UILib::CFilePicker* picker = OpenPicker("*.xml; *.txt; *.blvl", UILib::CFilePicker::OpenMode))
    {
        picker->SetCallback(
            UILib::CFilePickerCallback::Bind(this, &CPuzzleEditorMenuWindow::OnLoadFileChosen));
    }
}

void CPuzzleEditorMenuWindow::OnSave(UILib::CBasicButton*)
{
    if (UILib::CFilePicker* picker = OpenPicker("*.xml; *.blvl", UILib::CFilePicker::SaveMode))
    {
        picker->SetCallback(
            UILib::CFilePickerCallback::Bind(this, &CPuzzleEditorMenuWindow::OnSaveFileChosen));
    }
}

void CPuzzleEditorMenuWindow::OnLoadFileChosen(UILib::CFilePicker* picker, bool cancelled)
{
    if (!cancelled && m_editor != nullptr)
    {
        m_editor->LoadPuzzle(static_cast<const char*>(picker->GetFileName()));
    }
    ClosePicker(picker);
}

void CPuzzleEditorMenuWindow::OnSaveFileChosen(UILib::CFilePicker* picker, bool cancelled)
{
    if (!cancelled && m_editor != nullptr)
    {
        m_editor->SavePuzzle(SaveFileName(static_cast<const char*>(picker->GetFileName())));
    }
    ClosePicker(picker);
}

void CPuzzleEditorMenuWindow::OnEdit(UILib::CBasicButton*)
{
    CBlockDesignerWindow* designer = Designer();
    if (m_editor == nullptr || designer == nullptr || m_editor->GetSelectedBlock() < 0)
    {
        return;
    }
    designer->SetVisible(true);
    designer->SetCloseCallback(
        CBlockDesignerWindow::CCloseCallback::Bind(this, &CPuzzleEditorMenuWindow::OnBlockDesignerClosed));
    m_designing = true;
    if (UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance())
    {
        manager->PushModalWindow(designer);
    }
    designer->SetDescription(m_editor->GetSelectionDescription(),
                             m_editor->IsSelectionVertical() ? CBlockDesignerWindow::ModeVerticalBlock
                                                             : CBlockDesignerWindow::ModeHorizontalBlock,
                             m_editor->GetGfxSetName());
}

void CPuzzleEditorMenuWindow::OnBlockDesignerClosed(bool cancelled)
{
    CBlockDesignerWindow* designer = Designer();
    m_designing = false;
    if (designer == nullptr)
    {
        return;
    }
    designer->SetVisible(false);
    if (UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance())
    {
        manager->RemoveModalWindow(designer);
    }
    if (cancelled || m_editor == nullptr)
    {
        return;
    }
    double x = 0.0;
    double y = 0.0;
    m_editor->GetSelectionOrigin(x, y);
    const bool vertical = m_editor->IsSelectionVertical();
    m_editor->DeleteSelectedBlock();
    m_editor->PlaceMetaBlock(static_cast<float>(x), static_cast<float>(y), vertical,
                             designer->GetDescription());
}

void CPuzzleEditorMenuWindow::SyncWithPuzzle()
{
    if (m_editor == nullptr)
    {
        return;
    }
    const bool nothingSelected = m_editor->GetSelectedBlock() < 0;
    for (UILib::CButton* button : {m_deleteButton, m_editButton})
    {
        if (button != nullptr && button->IsDisabled() != nothingSelected)
        {
            button->SetDisabled(nothingSelected);
        }
    }
    const std::int32_t change = m_editor->GetChangeNumber();
    if (change == m_seenChangeNumber)
    {
        return;
    }
    m_seenChangeNumber = change;

    Quietly(m_gridSizeX, [&](UILib::CSpinControlNumber& spin) { spin.SetValue(m_editor->GetGridSizeX()); });
    Quietly(m_gridSizeY, [&](UILib::CSpinControlNumber& spin) { spin.SetValue(m_editor->GetGridSizeY()); });
    const std::string gfxSet = m_editor->GetGfxSetName();
    const std::string board = m_editor->GetBoardName();
    if (!board.empty())
    {
        Quietly(m_boardFile, [&](UILib::CFileEditCombo& file) {
            file.SetFileName(Resolve("model>" + gfxSet + "/" + board + ".x").c_str());
        });
    }
    const std::string environment = m_editor->GetEnvironmentName();
    if (!environment.empty())
    {
        Quietly(m_environmentFile, [&](UILib::CFileEditCombo& file) {
            file.SetFileName(Resolve("environment>" + environment + ".xml").c_str());
        });
    }
    if (!gfxSet.empty())
    {
        Quietly(m_gfxSet, [&](UILib::CComboBox& combo) { combo.SetText(gfxSet.c_str()); });
    }
    const std::int32_t count = m_editor->GetNumExits();
    for (std::int32_t i = 0; i < MaxExits; ++i)
    {
        if (UILib::CWindow* row = m_exits[static_cast<std::size_t>(i)].row)
        {
            row->SetDisabled(i >= count);
        }
    }
    Quietly(m_numExits, [&](UILib::CSpinControlNumber& spin) { spin.SetValue(count); });
    for (std::int32_t i = 0; i < std::min(count, MaxExits); ++i)
    {
        const ExitRow& row = m_exits[static_cast<std::size_t>(i)];
        const PuzzleExit exit = m_editor->GetExit(i);
        Quietly(row.direction, [&](UILib::CComboBox& combo) { combo.SetText(NameOfSide(exit.side)); });
        Quietly(row.offset, [&](UILib::CSpinControlNumber& spin) {
            const std::int32_t length =
                exit.side == 0 || exit.side == 1 ? m_editor->GetGridSizeX() : m_editor->GetGridSizeY();
            spin.SetRange(0.0, static_cast<double>(length - 1), 1.0);
            spin.SetValue(exit.offset);
        });
    }
    Quietly(m_parMoves,
            [&](UILib::CSpinControlNumber& spin) { spin.SetValue(m_editor->GetParSolveMoves()); });
}
