#pragma once

#include "tools/editor/SharedBlocksLibrary.h"
#include "ui/Bitmap.h"
#include "ui/controls/DialogWindow.h"

#include <cstdint>
#include <memory>

class CBlockDesignerWindow;
class CPuzzleEditor;
class CPuzzleEditorWorkArea;
class CQuarrowWorld;

namespace UILib
{
class CBasicButton;
class CButton;
class CListBox;
} // namespace UILib

// The "Blocks Library" window: lists the entries of "level>blockslibrary.xml" with an icon each, hands
// the selected entry to the work area for placing, makes, edits (through the block designer) and
// deletes entries, and gives the current puzzle's blocks the library's models. Both editor screens'
// windows share one copy of the library (CSharedBlocksLibrary): the first window loads the file, the
// last one destroyed writes it.
//
// The world, editor, work area and designer are not owned. The work area and the designer are held by
// window handle, so a window that is gone is simply absent.
class CBlocksLibraryWindow : public UILib::CDialogWindow
{
public:
    static constexpr std::int32_t IconSize = 15;
    // What the designer is open for.
    static constexpr std::int32_t DesignNewEntry = 0;
    static constexpr std::int32_t DesignSelectedEntry = 1;

    CBlocksLibraryWindow(CQuarrowWorld* world, CPuzzleEditor* editor, CPuzzleEditorWorkArea* workArea,
                         CBlockDesignerWindow* designer);
    // Closes a delete question still open, lets go of the designer, and lets go of the library (the last
    // window writes it).
    ~CBlocksLibraryWindow() override;

    const char* GetClassName() const override { return "CBlocksLibraryWindow"; }

    // Fills the list from the library in its order, keeping the selected index.
    void RefreshList();
    // The entry's parts side by side as a horizontal chain, IconSize square each; empty without parts.
    static UILib::CBitmap DrawEntryIcon(const CMetaBlockDescription& entry);

    const BlocksLibrary& GetLibrary() const { return m_library->Library(); }
    UILib::CListBox* GetList() const { return m_list; }
    std::int32_t GetDesignerMode() const { return m_designerMode; }

    // The button handlers, as the buttons call them.
    void OnPlace(UILib::CBasicButton* button);
    void OnNew(UILib::CBasicButton* button);
    void OnEdit(UILib::CBasicButton* button);
    void OnDelete(UILib::CBasicButton* button);
    void OnAuto(UILib::CBasicButton* button);

private:
    void OpenDesigner(const CMetaBlockDescription& description);
    void OnBlockDesignerClosed(bool cancelled);
    void OnDeleteConfirmed(std::int32_t result);
    // The list's selection when it names a library entry, else -1.
    std::int32_t SelectedEntry() const;
    CBlockDesignerWindow* Designer() const;

    UILib::CButton* m_placeHorizontal = nullptr;
    UILib::CButton* m_placeVertical = nullptr;
    UILib::CListBox* m_list = nullptr;
    CQuarrowWorld* m_world;
    CPuzzleEditor* m_editor;
    UILib::Handle m_workArea;
    UILib::Handle m_designer;
    std::int32_t m_designerMode = DesignNewEntry;
    // Whether the designer's close callback is this window's.
    bool m_designing = false;
    UILib::Handle m_question = 0;
    std::shared_ptr<CSharedBlocksLibrary> m_library;
};

// A new library window over the shared library, not yet added to any window.
CBlocksLibraryWindow* CreateBlocksLibraryWindow(CQuarrowWorld* world, CPuzzleEditor* editor,
                                                CPuzzleEditorWorkArea* workArea, CBlockDesignerWindow* designer);
