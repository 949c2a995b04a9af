#pragma once

#include "puzzle/MetaBlockDescription.h"
#include "ui/Panel.h"

// The puzzle editor's transparent window over the playing field. The blocks-library window hands it the
// block to lay down at the next click on the board; the 2D and 3D editor screens derive their work areas
// from it and do the placing.
class CPuzzleEditorWorkArea : public UILib::CTransparentWindow
{
public:
    ~CPuzzleEditorWorkArea() override = default;

    const char* GetClassName() const override { return "CPuzzleEditorWorkArea"; }

    // A copy of the description waits to be placed, laid top to bottom when vertical, else left to right.
    virtual void SetPendingMetaBlock(const CMetaBlockDescription& description, bool vertical);

    bool IsPlacing() const { return m_placing; }
    const CMetaBlockDescription& GetPendingDescription() const { return m_pendingDescription; }
    bool IsPendingVertical() const { return m_vertical; }

protected:
    CMetaBlockDescription m_pendingDescription;
    bool m_vertical = false;
    bool m_placing = false;
};
