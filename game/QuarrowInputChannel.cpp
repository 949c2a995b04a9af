#include "game/QuarrowInputChannel.h"

#include <algorithm>

void CQuarrowInputChannel::Clear()
{
    m_commands.clear();
}

void CQuarrowInputChannel::Push(GameCommandKind kind, std::int32_t param, float x, float y)
{
    if (kind <= GameCommandKind::SelectMap && !IsUserControlEnabled())
    {
        return;
    }
    m_commands.push_back(GameCommand{kind, param, x, y});
}

bool CQuarrowInputChannel::ContainsCommand(GameCommandKind kind) const
{
    return std::any_of(m_commands.begin(), m_commands.end(),
                       [kind](const GameCommand& command) { return command.kind == kind; });
}

void CQuarrowInputChannel::PushGrabBlock(std::int32_t blockId)
{
    Push(GameCommandKind::GrabBlock, blockId, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushMoveBlock(std::int32_t blockId, float x, float y)
{
    Push(GameCommandKind::MoveBlock, blockId, x, y);
}

void CQuarrowInputChannel::PushReleaseBlock(std::int32_t blockId)
{
    Push(GameCommandKind::ReleaseBlock, blockId, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushRestart()
{
    Push(GameCommandKind::RestartPuzzle, -1, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushUndo()
{
    Push(GameCommandKind::UndoMove, -1, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushRedo()
{
    Push(GameCommandKind::RedoMove, -1, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushMapWalkTo(float x, float y)
{
    Push(GameCommandKind::MapWalkTo, -1, x, y);
}

void CQuarrowInputChannel::PushMapEnterCell(float x, float y)
{
    Push(GameCommandKind::MapEnterCell, -1, x, y);
}

void CQuarrowInputChannel::PushMapStartLevel(float x, float y)
{
    Push(GameCommandKind::MapStartLevel, -1, x, y);
}

void CQuarrowInputChannel::PushMapExit(float x, float y)
{
    Push(GameCommandKind::MapExit, -1, x, y);
}

void CQuarrowInputChannel::PushSelectMap(std::int32_t mapIndex)
{
    Push(GameCommandKind::SelectMap, mapIndex, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushLeaveMap()
{
    Push(GameCommandKind::LeaveMap, -1, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushShowMapHighlight(float x, float y)
{
    Push(GameCommandKind::ShowMapHighlight, -1, x, y);
}

void CQuarrowInputChannel::PushHideMapHighlight()
{
    Push(GameCommandKind::HideMapHighlight, -1, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushShowDirectionArrow(std::int32_t direction, float x, float y)
{
    Push(GameCommandKind::ShowDirectionArrow, direction, x, y);
}

void CQuarrowInputChannel::PushHideDirectionArrow()
{
    Push(GameCommandKind::HideDirectionArrow, -1, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushShowPointer(float x, float y)
{
    Push(GameCommandKind::ShowPointer, -1, x, y);
}

void CQuarrowInputChannel::PushHidePointer()
{
    Push(GameCommandKind::HidePointer, -1, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushCutsceneDone()
{
    Push(GameCommandKind::CutsceneDone, -1, 0.0f, 0.0f);
}

void CQuarrowInputChannel::PushCheat()
{
    Push(GameCommandKind::Cheat, -1, 0.0f, 0.0f);
}
