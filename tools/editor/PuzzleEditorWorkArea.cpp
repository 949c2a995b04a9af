#include "tools/editor/PuzzleEditorWorkArea.h"

void CPuzzleEditorWorkArea::SetPendingMetaBlock(const CMetaBlockDescription& description, bool vertical)
{
    m_placing = true;
    m_pendingDescription = description;
    m_vertical = vertical;
}
