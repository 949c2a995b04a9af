#pragma once

#include "puzzle/MetaBlockDescription.h"
#include "ui/Callback.h"
#include "ui/controls/DialogWindow.h"

#include <array>
#include <cstdint>
#include <string>

namespace UILib
{
class CBasicButton;
class CBasicSpinControl;
class CButton;
class CComboBox;
class CEditControl;
class CFilePicker;
class CGroupBox;
class CLabel;
class CSpinControlNumber;
} // namespace UILib

// The "Block Designer" dialog: edits one meta-block description of up to six parts, its size, its name
// and each part's block type and model, with a 2D preview of every part as a vertical chain. The tool
// window and the blocks-library window share one designer; each sets the close callback before it
// shows the designer, and hides it again when the callback runs.
class CBlockDesignerWindow : public UILib::CDialogWindow
{
public:
    static constexpr std::int32_t MaxParts = 6;
    // Edge of the square preview of a part.
    static constexpr std::int32_t PreviewSize = 40;
    // Modes of SetDescription: the tool window's placed block, vertical or horizontal (the name is read
    // only), and a library entry (the name can be edited).
    static constexpr std::int32_t ModeVerticalBlock = 0;
    static constexpr std::int32_t ModeHorizontalBlock = 1;
    static constexpr std::int32_t ModeLibraryEntry = 2;

    // Called with "cancelled" when OK (false) or Cancel (true) is pressed.
    using CCloseCallback = UILib::CCallback<bool>;

    // Builds the dialog from "interface>blockdesigner.xml" and six part rows from
    // "interface>blockproperties.xml". Controls the layouts do not give are traced and left out.
    CBlockDesignerWindow();
    // Closes a model picker still open: its answer would reach a designer that is gone.
    ~CBlockDesignerWindow() override;

    const char* GetClassName() const override { return "CBlockDesignerWindow"; }

    void SetCloseCallback(const CCloseCallback& callback) { m_closeCallback = callback; }
    // Shows the description: its parts (the first six of a longer one, traced), its name (editable only
    // in ModeLibraryEntry), rows past its size reset to "normal" / "blk_default". gfxSet names the model
    // folder of the model picker.
    void SetDescription(const CMetaBlockDescription& description, std::int32_t mode, const std::string& gfxSet);
    // The shown name and the type and model of each of the block-size rows.
    CMetaBlockDescription GetDescription() const;

    // Places the previews and part groups from y = 70 down, shows the rows below the block size and fits
    // the dialog to the rows.
    void LayoutRows();
    // Each shown row's preview: its type's 2D image as a piece of a vertical chain.
    void UpdatePreviews();

    std::int32_t GetBlockSize() const { return m_blockSize; }
    std::int32_t GetBrowseRow() const { return m_browseRow; }
    const std::string& GetGfxSet() const { return m_gfxSet; }

    // One part's controls; any may be null when the layout lacked it.
    struct PartRow
    {
        UILib::CLabel* preview = nullptr;
        UILib::CGroupBox* group = nullptr;
        UILib::CComboBox* type = nullptr;
        UILib::CEditControl* model = nullptr;
        UILib::CButton* browse = nullptr;
    };
    const PartRow& GetRow(std::int32_t index) const { return m_rows[static_cast<std::size_t>(index)]; }
    UILib::CSpinControlNumber* GetBlockSizeSpin() const { return m_blockSizeSpin; }
    UILib::CEditControl* GetNameEdit() const { return m_nameEdit; }

    // The block type names a part can have, in the order the type lists show them.
    static const std::array<const char*, 16>& BlockTypes();

private:
    void OnBlockSizeChanged(UILib::CBasicSpinControl* spin);
    void OnNameChanged(UILib::CEditControl* edit);
    void OnTypeChanged(UILib::CComboBox* combo);
    void OnOk(UILib::CBasicButton* button);
    void OnCancel(UILib::CBasicButton* button);
    void OnBrowse(UILib::CBasicButton* button);
    void OnModelFileChosen(UILib::CFilePicker* picker, bool cancelled);

    void BuildRow(std::int32_t index);
    void ShowType(PartRow& row, const std::string& type);
    std::string TypeOf(std::int32_t index) const;
    std::string ModelOf(std::int32_t index) const;

    UILib::CSpinControlNumber* m_blockSizeSpin = nullptr;
    UILib::CEditControl* m_nameEdit = nullptr;
    std::int32_t m_blockSize = 1;
    std::string m_name;
    std::string m_gfxSet;
    std::int32_t m_browseRow = -1;
    UILib::Handle m_picker = 0;
    CCloseCallback m_closeCallback;
    std::array<PartRow, MaxParts> m_rows;
};

// A new designer, not yet added to any window; the editor screen adds it hidden to its root panel.
CBlockDesignerWindow* CreateBlockDesignerWindow();
