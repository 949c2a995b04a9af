#pragma once

#include "puzzle/MetaBlockDescription.h"
#include "ui/Panel.h"

#include <cstdint>

class CPuzzleEditor;
class CQuarrowWorld;

// The puzzle editor's transparent window over the playing field. It lies on top of everything in the
// field and hands every mouse message on to the window underneath, so blocks are dragged as in play;
// the 2D and 3D kinds look at left presses first to select the block under the mouse or, when the
// blocks-library window handed over a block, to lay that block down at the clicked cell.
//
// The world and the editor are not owned; either may be null (the work area then selects and places
// nothing).
class CPuzzleEditorWorkArea : public UILib::CTransparentWindow
{
public:
    // Always on top and 10000 × 10000, so it covers the whole field.
    explicit CPuzzleEditorWorkArea(CQuarrowWorld* world = nullptr, CPuzzleEditor* editor = nullptr);
    ~CPuzzleEditorWorkArea() override = default;

    const char* GetClassName() const override { return "CPuzzleEditorWorkArea"; }

    // A mouse message goes to the window under its point, as if the work area were not there; handled.
    // Other messages get the window's own handling.
    bool OnMessage(const UILib::CWindowMessage& message) override;

    // A copy of the description waits to be placed, laid top to bottom when vertical, else left to right.
    virtual void SetPendingMetaBlock(const CMetaBlockDescription& description, bool vertical);

    // Per frame: a selection other than the one shown is taken and the work area repainted.
    virtual void Update();

    bool IsPlacing() const { return m_placing; }
    const CMetaBlockDescription& GetPendingDescription() const { return m_pendingDescription; }
    bool IsPendingVertical() const { return m_vertical; }
    std::int32_t GetShownSelection() const { return m_shownSelection; }

protected:
    // The message given to the window under its point; true.
    bool PassOn(const UILib::CWindowMessage& message);

    CQuarrowWorld* m_world;
    CPuzzleEditor* m_editor;
    CMetaBlockDescription m_pendingDescription;
    bool m_vertical = false;
    bool m_placing = false;
    std::int32_t m_shownSelection = -1;
};
