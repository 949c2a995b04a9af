#include "tools/editor/BlocksLibraryWindow.h"

#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "game/QuarrowWorld.h"
#include "puzzle/BlockImageNames.h"
#include "tools/editor/BlockDesignerWindow.h"
#include "tools/editor/PuzzleEditor.h"
#include "tools/editor/PuzzleEditorWorkArea.h"
#include "ui/BitmapCanvas.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/ListBox.h"
#include "ui/controls/MessageBox.h"
#include "ui/controls/ResolveAs.h"

namespace
{

constexpr const char* kLayout = "interface>blockslibrary.xml";
constexpr const char* kLibraryFile = "level>blockslibrary.xml";
constexpr const char* kUnnamed = "noname";

template <typename W> W* FindControl(UILib::CWindow* parent, const char* name, const char* className)
{
    UILib::CWindow* window = parent->FindChildByName(name, true, className);
    if (window == nullptr)
    {
        BaseLib::DebugOutput("Blocks library: no %s \"%s\" in its layout; it is left out\n", className, name);
    }
    return static_cast<W*>(window);
}

// The library file through the world's path aliases, else the window system's.
std::string LibraryPath(CQuarrowWorld* world)
{
    if (Qen::CEngineController* owner = world != nullptr ? world->GetOwner() : nullptr)
    {
        return owner->GetPathAliases().ResolvePath(kLibraryFile);
    }
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    if (system != nullptr && system->GetPathAliases() != nullptr)
    {
        return system->GetPathAliases()->ResolvePath(kLibraryFile);
    }
    return kLibraryFile;
}

} // namespace

CBlocksLibraryWindow* CreateBlocksLibraryWindow(CQuarrowWorld* world, CPuzzleEditor* editor,
                                                CPuzzleEditorWorkArea* workArea, CBlockDesignerWindow* designer)
{
    return new CBlocksLibraryWindow(world, editor, workArea, designer);
}

CBlocksLibraryWindow::CBlocksLibraryWindow(CQuarrowWorld* world, CPuzzleEditor* editor,
                                           CPuzzleEditorWorkArea* workArea, CBlockDesignerWindow* designer)
    : m_world(world), m_editor(editor), m_workArea(workArea != nullptr ? workArea->GetHandle() : 0),
      m_designer(designer != nullptr ? designer->GetHandle() : 0)
{
    SetCaption("Blocks Library");
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    UILib::CWindowFactory* factory = system != nullptr ? system->GetWindowFactory() : nullptr;
    if (factory == nullptr || !factory->LoadLayoutWindows(kLayout, this, nullptr))
    {
        BaseLib::DebugOutput("Blocks library: layout \"%s\" did not load whole\n", kLayout);
    }
    SetSize(240, 480);
    SetAlwaysOnTop(true);

    const struct
    {
        const char* name;
        void (CBlocksLibraryWindow::*handler)(UILib::CBasicButton*);
        UILib::CButton** keep;
    } buttons[] = {
        {"placehbutton", &CBlocksLibraryWindow::OnPlace, &m_placeHorizontal},
        {"placevbutton", &CBlocksLibraryWindow::OnPlace, &m_placeVertical},
        {"newbutton", &CBlocksLibraryWindow::OnNew, nullptr},
        {"editbutton", &CBlocksLibraryWindow::OnEdit, nullptr},
        {"deletebutton", &CBlocksLibraryWindow::OnDelete, nullptr},
        {"autobutton", &CBlocksLibraryWindow::OnAuto, nullptr},
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
    m_list = FindControl<UILib::CListBox>(this, "blockslist", "CListBox");

    m_library = CSharedBlocksLibrary::Acquire(LibraryPath(world));
    RefreshList();
}

CBlocksLibraryWindow::~CBlocksLibraryWindow()
{
    if (auto* question = UILib::ResolveAs<UILib::CWindow>(m_question))
    {
        // Its answer would reach a window that is gone.
        question->SuppressEvents();
        question->Delete();
    }
    if (m_designing)
    {
        if (CBlockDesignerWindow* designer = Designer())
        {
            designer->SetCloseCallback({});
            designer->SetVisible(false);
            if (UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance())
            {
                manager->RemoveModalWindow(designer);
            }
        }
    }
}

CBlockDesignerWindow* CBlocksLibraryWindow::Designer() const
{
    return UILib::ResolveAs<CBlockDesignerWindow>(m_designer);
}

std::int32_t CBlocksLibraryWindow::SelectedEntry() const
{
    const std::int32_t index = m_list != nullptr ? m_list->GetSelectedIndex() : -1;
    return index >= 0 && index < m_library->Library().GetCount() ? index : -1;
}

UILib::CBitmap CBlocksLibraryWindow::DrawEntryIcon(const CMetaBlockDescription& entry)
{
    const auto parts = static_cast<std::int32_t>(entry.GetParts().size());
    if (parts == 0)
    {
        return {};
    }
    UILib::CBitmap icon(IconSize * parts, IconSize, true);
    UILib::CBitmapCanvas canvas(icon);
    for (std::int32_t i = 0; i < parts; ++i)
    {
        const std::string image =
            Block2DImageName(entry.GetParts()[static_cast<std::size_t>(i)].type, false, false, i < parts - 1, i > 0);
        const UILib::CBitmap part(BaseLib::CString(image.c_str()), IconSize, IconSize);
        if (part.IsValid())
        {
            canvas.DrawBitmap(BaseLib::CPoint(IconSize * i, 0), part, false);
        }
    }
    return icon;
}

void CBlocksLibraryWindow::RefreshList()
{
    if (m_list == nullptr)
    {
        return;
    }
    const std::int32_t selected = m_list->GetSelectedIndex();
    m_list->RemoveAllItems();
    const BlocksLibrary& library = m_library->Library();
    for (std::int32_t i = 0; i < library.GetCount(); ++i)
    {
        const CMetaBlockDescription& entry = library.GetEntry(i);
        m_list->AddItem(entry.GetName().c_str(), DrawEntryIcon(entry));
    }
    m_list->Select(selected);
}

void CBlocksLibraryWindow::OnPlace(UILib::CBasicButton* button)
{
    const std::int32_t entry = SelectedEntry();
    auto* workArea = UILib::ResolveAs<CPuzzleEditorWorkArea>(m_workArea);
    if (entry < 0 || workArea == nullptr)
    {
        return;
    }
    const bool vertical = button != nullptr && button == m_placeVertical;
    workArea->SetPendingMetaBlock(m_library->Library().GetEntry(entry), vertical);
}

void CBlocksLibraryWindow::OpenDesigner(const CMetaBlockDescription& description)
{
    CBlockDesignerWindow* designer = Designer();
    if (designer == nullptr)
    {
        return;
    }
    designer->SetCloseCallback(
        CBlockDesignerWindow::CCloseCallback::Bind(this, &CBlocksLibraryWindow::OnBlockDesignerClosed));
    m_designing = true;
    designer->SetVisible(true);
    if (UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance())
    {
        manager->PushModalWindow(designer);
    }
    designer->SetDescription(description, CBlockDesignerWindow::ModeLibraryEntry,
                             m_editor != nullptr ? m_editor->GetGfxSetName() : std::string());
}

void CBlocksLibraryWindow::OnNew(UILib::CBasicButton*)
{
    m_designerMode = DesignNewEntry;
    CMetaBlockDescription description;
    description.SetName(kUnnamed);
    description.GetParts() = {MetaBlockPart{"normal", "blk_default"}, MetaBlockPart{"normal", "blk_default"}};
    OpenDesigner(description);
}

void CBlocksLibraryWindow::OnEdit(UILib::CBasicButton*)
{
    const std::int32_t entry = SelectedEntry();
    if (entry < 0)
    {
        return;
    }
    m_designerMode = DesignSelectedEntry;
    const CMetaBlockDescription copy = m_library->Library().GetEntry(entry);
    OpenDesigner(copy);
}

void CBlocksLibraryWindow::OnBlockDesignerClosed(bool cancelled)
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
    if (cancelled)
    {
        return;
    }
    const CMetaBlockDescription description = designer->GetDescription();
    BlocksLibrary& library = m_library->Library();
    if (m_designerMode == DesignSelectedEntry)
    {
        const std::int32_t entry = SelectedEntry();
        if (entry < 0)
        {
            return;
        }
        library.Replace(entry, description);
    }
    else
    {
        library.Add(description);
    }
    RefreshList();
    if (m_list != nullptr)
    {
        const std::string name = description.GetName().empty() ? kUnnamed : description.GetName();
        m_list->Select(m_list->FindItem(name.c_str()));
    }
}

void CBlocksLibraryWindow::OnDelete(UILib::CBasicButton*)
{
    if (SelectedEntry() < 0 || UILib::ResolveAs<UILib::CWindow>(m_question) != nullptr)
    {
        return;
    }
    const BaseLib::CString text = BaseLib::CString::FromFormat(
        "Are you sure you want to delete block '%s'?", static_cast<const char*>(m_list->GetSelectedText()));
    UILib::CMessageBox* question = UILib::CMessageBox::Create(
        "Confirm Delete", text, UILib::CMessageBox::ButtonsYesNo | UILib::CMessageBox::IconWarning,
        UILib::CMessageBoxCallback::Bind(this, &CBlocksLibraryWindow::OnDeleteConfirmed));
    m_question = question != nullptr ? question->GetHandle() : 0;
}

void CBlocksLibraryWindow::OnDeleteConfirmed(std::int32_t result)
{
    m_question = 0;
    const std::int32_t entry = SelectedEntry();
    if (result != UILib::CMessageBox::ResultYes || entry < 0)
    {
        return;
    }
    m_library->Library().Remove(entry);
    RefreshList();
}

void CBlocksLibraryWindow::OnAuto(UILib::CBasicButton*)
{
    CEditablePuzzle* puzzle = m_world != nullptr ? m_world->GetPuzzle() : nullptr;
    if (puzzle != nullptr)
    {
        m_library->Library().BuildFromPuzzle(m_editor, *puzzle);
    }
}
