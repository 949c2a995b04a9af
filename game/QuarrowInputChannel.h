#pragma once

#include "framework/InputChannel.h"
#include "game/GameCommand.h"

#include <cstdint>
#include <deque>

// The game's input channel: a first-in, first-out queue of game commands that screens, cut-scenes and
// tools push and the world's step takes. The commands that play (kinds 0 to 10) are dropped without a
// trace while user control is off; the others are always queued. Main thread only; the user-control
// flag may be switched from other threads.
class CQuarrowInputChannel : public GameLib::CInputChannel
{
public:
    ~CQuarrowInputChannel() override = default;

    // Empties the queue.
    void Clear() override;
    // The per-step poll: nothing to read here, the commands are pushed.
    void OnStep() override {}

    void PushGrabBlock(std::int32_t blockId);
    // (x, y): where the block's top-left corner goes, in board units.
    void PushMoveBlock(std::int32_t blockId, float x, float y);
    void PushReleaseBlock(std::int32_t blockId);
    void PushRestart();
    void PushUndo();
    void PushRedo();
    // Map cells, as whole numbers.
    void PushMapWalkTo(float x, float y);
    void PushMapEnterCell(float x, float y);
    void PushMapStartLevel(float x, float y);
    void PushMapExit(float x, float y);
    void PushSelectMap(std::int32_t mapIndex);
    void PushLeaveMap();
    void PushShowMapHighlight(float x, float y);
    void PushHideMapHighlight();
    void PushShowDirectionArrow(std::int32_t direction, float x, float y);
    void PushHideDirectionArrow();
    void PushShowPointer(float x, float y);
    void PushHidePointer();
    void PushCutsceneDone();
    void PushCheat();

    bool HasCommands() const { return !m_commands.empty(); }
    bool ContainsCommand(GameCommandKind kind) const;
    // The oldest command; only while HasCommands.
    const GameCommand& Front() const { return m_commands.front(); }
    void Pop() { m_commands.pop_front(); }

private:
    void Push(GameCommandKind kind, std::int32_t param, float x, float y);

    std::deque<GameCommand> m_commands;
};
