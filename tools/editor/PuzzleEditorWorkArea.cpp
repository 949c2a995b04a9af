#include "tools/editor/PuzzleEditorWorkArea.h"

#include "tools/editor/PuzzleEditor.h"
#include "ui/WindowManager.h"

namespace
{

constexpr std::int32_t kCoveringSize = 10000;

} // namespace

CPuzzleEditorWorkArea::CPuzzleEditorWorkArea(CQuarrowWorld* world, CPuzzleEditor* editor)
    : m_world(world), m_editor(editor)
{
    SetAlwaysOnTop(true);
    SetSize(kCoveringSize, kCoveringSize);
}

bool CPuzzleEditorWorkArea::OnMessage(const UILib::CWindowMessage& message)
{
    if (message.IsPositional())
    {
        return PassOn(message);
    }
    return UILib::CTransparentWindow::OnMessage(message);
}

bool CPuzzleEditorWorkArea::PassOn(const UILib::CWindowMessage& message)
{
    UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance();
    if (manager == nullptr)
    {
        return true;
    }
    SetNotHitable(true);
    UILib::CWindow* below = manager->WindowFromPoint(BaseLib::CPoint(message.GetX(), message.GetY()));
    if (below != nullptr && below != this)
    {
        manager->SendMessage(message, below->GetHandle());
    }
    SetNotHitable(false);
    return true;
}

void CPuzzleEditorWorkArea::SetPendingMetaBlock(const CMetaBlockDescription& description, bool vertical)
{
    m_placing = true;
    m_pendingDescription = description;
    m_vertical = vertical;
}

void CPuzzleEditorWorkArea::Update()
{
    const std::int32_t selected = m_editor != nullptr ? m_editor->GetSelectedBlock() : -1;
    if (selected != m_shownSelection)
    {
        m_shownSelection = selected;
        Invalidate(true);
    }
}
