#include "tools/editor/BlockDesignerWindow.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "puzzle/BlockImageNames.h"
#include "ui/Bitmap.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"
#include "ui/WindowManager.h"
#include "ui/controls/Button.h"
#include "ui/controls/ComboBox.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/FilePicker.h"
#include "ui/controls/GroupBox.h"
#include "ui/controls/Label.h"
#include "ui/controls/ResolveAs.h"
#include "ui/controls/SpinControlNumber.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr const char* kLayout = "interface>blockdesigner.xml";
constexpr const char* kRowLayout = "interface>blockproperties.xml";
constexpr const char* kSizingImage = "Puzzle2D/playerblock.png";
constexpr std::int32_t kRowsTop = 70;
constexpr std::int32_t kRowGap = 10;
// Room under the last shown row for the OK and Cancel buttons.
constexpr std::int32_t kButtonRoom = 80;

UILib::CWindowFactory* Factory()
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    return system != nullptr ? system->GetWindowFactory() : nullptr;
}

template <typename W> W* FindControl(UILib::CWindow* parent, const char* name, const char* className)
{
    UILib::CWindow* window = parent->FindChildByName(name, true, className);
    if (window == nullptr)
    {
        BaseLib::DebugOutput("Block designer: no %s \"%s\" in its layout; it is left out\n", className, name);
    }
    return static_cast<W*>(window);
}

// The spin's value truncated toward zero, kept to the rows that exist.
std::int32_t ClampedBlockSize(double value)
{
    const double truncated = std::isfinite(value) ? std::trunc(value) : 1.0;
    return static_cast<std::int32_t>(std::clamp(truncated, 1.0, static_cast<double>(CBlockDesignerWindow::MaxParts)));
}

UILib::CBitmap PreviewBitmap(const std::string& file)
{
    return UILib::CBitmap(BaseLib::CString(file.c_str()), CBlockDesignerWindow::PreviewSize,
                          CBlockDesignerWindow::PreviewSize);
}

} // namespace

const std::array<const char*, 16>& CBlockDesignerWindow::BlockTypes()
{
    static const std::array<const char*, 16> types = {
        "normal",       "player",        "bridge",       "flex",          "weakflex",      "magnet_pushing",
        "magnet_pulling", "obstacle",    "linked",       "colored_yellow", "colored_red",   "colored_green",
        "colored_blue", "colored_orange", "colored_white", "colored_black"};
    return types;
}

CBlockDesignerWindow* CreateBlockDesignerWindow()
{
    return new CBlockDesignerWindow();
}

CBlockDesignerWindow::CBlockDesignerWindow()
{
    SetCaption("Block Designer");
    if (UILib::CWindowFactory* factory = Factory(); factory == nullptr || !factory->LoadLayoutWindows(kLayout, this, nullptr))
    {
        BaseLib::DebugOutput("Block designer: layout \"%s\" did not load whole\n", kLayout);
    }
    SetSize(300, 550);
    SetAlwaysOnTop(true);

    m_blockSizeSpin = FindControl<UILib::CSpinControlNumber>(this, "blocksize", "CSpinControlNumber");
    if (m_blockSizeSpin != nullptr)
    {
        m_blockSizeSpin->SetOnChange(UILib::CSpinCallback::Bind(this, &CBlockDesignerWindow::OnBlockSizeChanged));
        m_blockSize = ClampedBlockSize(m_blockSizeSpin->GetValue());
    }
    m_nameEdit = FindControl<UILib::CEditControl>(this, "name", "CEditControl");
    if (m_nameEdit != nullptr)
    {
        m_nameEdit->SetChangeCallback(UILib::CEditControl::CEditCallback::Bind(this, &CBlockDesignerWindow::OnNameChanged));
    }
    if (auto* ok = FindControl<UILib::CButton>(this, "okbutton", "CButton"))
    {
        ok->SetOnClick(UILib::CButtonCallback::Bind(this, &CBlockDesignerWindow::OnOk));
    }
    if (auto* cancel = FindControl<UILib::CButton>(this, "cancelbutton", "CButton"))
    {
        cancel->SetOnClick(UILib::CButtonCallback::Bind(this, &CBlockDesignerWindow::OnCancel));
    }
    for (std::int32_t i = 0; i < MaxParts; ++i)
    {
        BuildRow(i);
    }
    LayoutRows();
}

CBlockDesignerWindow::~CBlockDesignerWindow()
{
    if (auto* picker = UILib::ResolveAs<UILib::CWindow>(m_picker))
    {
        picker->SuppressEvents();
        picker->Delete();
    }
}

void CBlockDesignerWindow::BuildRow(std::int32_t index)
{
    PartRow& row = m_rows[static_cast<std::size_t>(index)];
    row.preview = new UILib::CLabel();
    row.preview->SetAutoEnlarge(false);
    row.preview->SetBackground(false);
    row.preview->SetSize(PreviewSize, PreviewSize);
    AddChild(row.preview->GetHandle());

    UILib::CWindowFactory* factory = Factory();
    UILib::CWindow* loaded = factory != nullptr ? factory->LoadLayout(kRowLayout, this) : nullptr;
    if (loaded != nullptr && (loaded->GetParent() == nullptr || std::string(loaded->GetClassName()) != "CGroupBox"))
    {
        // Half a layout, or not a group box: nothing to show as a part row.
        loaded->Delete();
        loaded = nullptr;
    }
    if (loaded == nullptr)
    {
        BaseLib::DebugOutput("Block designer: layout \"%s\" gave no group box for part %d\n", kRowLayout, index);
        return;
    }
    row.group = static_cast<UILib::CGroupBox*>(loaded);
    row.group->SetText(BaseLib::CString::FromFormat("Block %d", index));
    row.type = FindControl<UILib::CComboBox>(row.group, "type", "CComboBox");
    if (row.type != nullptr)
    {
        for (const char* type : BlockTypes())
        {
            row.type->AddItem(type);
        }
        row.type->SetOnChange(UILib::CComboBoxCallback::Bind(this, &CBlockDesignerWindow::OnTypeChanged));
    }
    row.model = FindControl<UILib::CEditControl>(row.group, "model", "CEditControl");
    if (row.model != nullptr)
    {
        row.model->SetText("");
    }
    row.browse = FindControl<UILib::CButton>(row.group, "browsebutton", "CButton");
    if (row.browse != nullptr)
    {
        row.browse->SetOnClick(UILib::CButtonCallback::Bind(this, &CBlockDesignerWindow::OnBrowse));
    }
}

void CBlockDesignerWindow::ShowType(PartRow& row, const std::string& type)
{
    if (row.type == nullptr)
    {
        return;
    }
    row.type->SuppressEvents();
    row.type->SetText(type.c_str());
    row.type->ResumeEvents();
    if (type != static_cast<const char*>(row.type->GetText()))
    {
        BaseLib::DebugOutput("Block designer: \"%s\" is no block type it offers; the part shows \"%s\"\n",
                             type.c_str(), static_cast<const char*>(row.type->GetText()));
    }
}

std::string CBlockDesignerWindow::TypeOf(std::int32_t index) const
{
    const PartRow& row = m_rows[static_cast<std::size_t>(index)];
    return row.type != nullptr ? std::string(row.type->GetText()) : std::string("normal");
}

std::string CBlockDesignerWindow::ModelOf(std::int32_t index) const
{
    const PartRow& row = m_rows[static_cast<std::size_t>(index)];
    return row.model != nullptr ? std::string(row.model->GetText()) : std::string();
}

void CBlockDesignerWindow::SetDescription(const CMetaBlockDescription& description, std::int32_t mode,
                                          const std::string& gfxSet)
{
    m_gfxSet = gfxSet;
    const std::vector<MetaBlockPart>& parts = description.GetParts();
    if (parts.size() > static_cast<std::size_t>(MaxParts))
    {
        BaseLib::DebugOutput("Block designer: \"%s\" has %zu parts; only the first %d are shown\n",
                             description.GetName().c_str(), parts.size(), MaxParts);
    }
    m_blockSize = ClampedBlockSize(static_cast<double>(parts.size()));
    if (m_blockSizeSpin != nullptr)
    {
        // Quietly: a size of 1 from a description is no request for an obstacle.
        m_blockSizeSpin->SuppressEvents();
        m_blockSizeSpin->SetValue(m_blockSize);
        m_blockSizeSpin->ResumeEvents();
    }
    m_name = description.GetName();
    if (m_nameEdit != nullptr)
    {
        m_nameEdit->SetText(m_name.c_str());
        m_nameEdit->SetDisabled(mode != ModeLibraryEntry);
    }
    for (std::int32_t i = 0; i < MaxParts; ++i)
    {
        PartRow& row = m_rows[static_cast<std::size_t>(i)];
        const bool fromDescription = static_cast<std::size_t>(i) < parts.size() && i < m_blockSize;
        ShowType(row, fromDescription ? parts[static_cast<std::size_t>(i)].type : "normal");
        if (row.model != nullptr)
        {
            row.model->SetText(fromDescription ? parts[static_cast<std::size_t>(i)].model.c_str() : "blk_default");
        }
    }
    LayoutRows();
    UpdatePreviews();
}

CMetaBlockDescription CBlockDesignerWindow::GetDescription() const
{
    CMetaBlockDescription description;
    description.SetName(m_name);
    for (std::int32_t i = 0; i < m_blockSize; ++i)
    {
        description.GetParts().push_back(MetaBlockPart{TypeOf(i), ModelOf(i)});
    }
    return description;
}

void CBlockDesignerWindow::LayoutRows()
{
    std::int32_t y = kRowsTop;
    std::int32_t bottom = y + kButtonRoom;
    for (std::int32_t i = 0; i < MaxParts; ++i)
    {
        PartRow& row = m_rows[static_cast<std::size_t>(i)];
        const bool shown = i < m_blockSize;
        std::int32_t labelWidth = 0;
        std::int32_t tallest = 0;
        if (row.preview != nullptr)
        {
            row.preview->SetBitmap(PreviewBitmap(kSizingImage));
            row.preview->SetPosition(10, y);
            row.preview->SetVisible(shown);
            labelWidth = row.preview->GetSize().cx;
            tallest = row.preview->GetSize().cy;
        }
        if (row.group != nullptr)
        {
            row.group->SetPosition(labelWidth + 20, y);
            row.group->SetVisible(shown);
            tallest = std::max(tallest, row.group->GetSize().cy);
        }
        y += tallest + kRowGap;
        if (shown)
        {
            bottom = y + kButtonRoom;
        }
    }
    const PartRow& first = m_rows[0];
    const std::int32_t width = (first.preview != nullptr ? first.preview->GetSize().cx : 0) +
                               (first.group != nullptr ? first.group->GetSize().cx : 0) + 30;
    SetSize(width, bottom);
}

void CBlockDesignerWindow::UpdatePreviews()
{
    for (std::int32_t i = 0; i < m_blockSize; ++i)
    {
        PartRow& row = m_rows[static_cast<std::size_t>(i)];
        if (row.preview != nullptr)
        {
            row.preview->SetBitmap(PreviewBitmap(Block2DImageName(TypeOf(i), i > 0, i < m_blockSize - 1, false, false)));
        }
    }
}

void CBlockDesignerWindow::OnBlockSizeChanged(UILib::CBasicSpinControl* spin)
{
    m_blockSize = ClampedBlockSize(static_cast<UILib::CSpinControlNumber*>(spin)->GetValue());
    if (m_blockSize == 1)
    {
        ShowType(m_rows[0], "obstacle");
    }
    LayoutRows();
    UpdatePreviews();
}

void CBlockDesignerWindow::OnNameChanged(UILib::CEditControl* edit)
{
    m_name = static_cast<const char*>(edit->GetText());
}

void CBlockDesignerWindow::OnTypeChanged(UILib::CComboBox*)
{
    UpdatePreviews();
}

void CBlockDesignerWindow::OnOk(UILib::CBasicButton*)
{
    if (m_closeCallback.IsSet())
    {
        m_closeCallback(false);
    }
}

void CBlockDesignerWindow::OnCancel(UILib::CBasicButton*)
{
    if (m_closeCallback.IsSet())
    {
        m_closeCallback(true);
    }
}

void CBlockDesignerWindow::OnBrowse(UILib::CBasicButton* button)
{
    m_browseRow = -1;
    for (std::int32_t i = 0; i < MaxParts; ++i)
    {
        if (m_rows[static_cast<std::size_t>(i)].browse == button)
        {
            m_browseRow = i;
        }
    }
    UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    UILib::CWindow* root = manager != nullptr ? manager->GetLayerRoot(0) : nullptr;
    if (root == nullptr)
    {
        return;
    }
    if (UILib::ResolveAs<UILib::CWindow>(m_picker) != nullptr)
    {
        return; // one picker at a time
    }
    auto* picker = new UILib::CFilePicker();
    m_picker = picker->GetHandle();
    root->AddChild(picker->GetHandle());
    picker->CenterInParent();
    picker->ClearFilters();
    picker->AddFilter("Model Files", "*.x");
    picker->SetMode(UILib::CFilePicker::OpenMode);
    picker->SetPickableKinds(UILib::CFilePicker::PickFiles);
    std::string folder = "model>" + m_gfxSet + "/";
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    if (system != nullptr && system->GetPathAliases() != nullptr)
    {
        folder = system->GetPathAliases()->ResolvePath(folder);
    }
    picker->SetDirectory(folder.c_str());
    if (m_browseRow >= 0)
    {
        picker->SetFileName(ModelOf(m_browseRow).c_str());
    }
    picker->SetCallback(UILib::CFilePickerCallback::Bind(this, &CBlockDesignerWindow::OnModelFileChosen));
    manager->PushModalWindow(picker);
}

void CBlockDesignerWindow::OnModelFileChosen(UILib::CFilePicker* picker, bool cancelled)
{
    if (!cancelled && m_browseRow >= 0)
    {
        PartRow& row = m_rows[static_cast<std::size_t>(m_browseRow)];
        if (row.model != nullptr)
        {
            const std::string chosen = static_cast<const char*>(picker->GetFileName());
            row.model->SetText(BaseLib::RemoveExtension(BaseLib::GetFileName(chosen)).c_str());
        }
    }
    if (UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance())
    {
        manager->RemoveModalWindow(picker);
    }
    // The picker is inside its own callback: it goes at the end of the frame.
    picker->Destroy();
    m_picker = 0;
}
