#include "game/QuarrowInputChannel.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{

TEST(QuarrowInputChannel, PlayCommandsPassOnlyWithUserControlAndEveryRecordCarriesItsFields)
{
    struct Case
    {
        std::function<void(CQuarrowInputChannel&)> push;
        GameCommand expected;
        bool gated;
    };
    using K = GameCommandKind;
    const Case cases[] = {
        {[](auto& c) { c.PushGrabBlock(7); }, {K::GrabBlock, 7, 0, 0}, true},
        {[](auto& c) { c.PushMoveBlock(7, 1.5f, 2.25f); }, {K::MoveBlock, 7, 1.5f, 2.25f}, true},
        {[](auto& c) { c.PushReleaseBlock(7); }, {K::ReleaseBlock, 7, 0, 0}, true},
        {[](auto& c) { c.PushRestart(); }, {K::RestartPuzzle, -1, 0, 0}, true},
        {[](auto& c) { c.PushUndo(); }, {K::UndoMove, -1, 0, 0}, true},
        {[](auto& c) { c.PushRedo(); }, {K::RedoMove, -1, 0, 0}, true},
        {[](auto& c) { c.PushMapWalkTo(3, 4); }, {K::MapWalkTo, -1, 3, 4}, true},
        {[](auto& c) { c.PushMapEnterCell(3, 4); }, {K::MapEnterCell, -1, 3, 4}, true},
        {[](auto& c) { c.PushMapStartLevel(3, 4); }, {K::MapStartLevel, -1, 3, 4}, true},
        {[](auto& c) { c.PushMapExit(3, 4); }, {K::MapExit, -1, 3, 4}, true},
        {[](auto& c) { c.PushSelectMap(2); }, {K::SelectMap, 2, 0, 0}, true},
        {[](auto& c) { c.PushLeaveMap(); }, {K::LeaveMap, -1, 0, 0}, false},
        {[](auto& c) { c.PushShowMapHighlight(0.5f, 6); }, {K::ShowMapHighlight, -1, 0.5f, 6}, false},
        {[](auto& c) { c.PushHideMapHighlight(); }, {K::HideMapHighlight, -1, 0, 0}, false},
        {[](auto& c) { c.PushShowDirectionArrow(3, 1, 2); }, {K::ShowDirectionArrow, 3, 1, 2}, false},
        {[](auto& c) { c.PushHideDirectionArrow(); }, {K::HideDirectionArrow, -1, 0, 0}, false},
        {[](auto& c) { c.PushShowPointer(1, 2); }, {K::ShowPointer, -1, 1, 2}, false},
        {[](auto& c) { c.PushHidePointer(); }, {K::HidePointer, -1, 0, 0}, false},
        {[](auto& c) { c.PushCutsceneDone(); }, {K::CutsceneDone, -1, 0, 0}, false},
        {[](auto& c) { c.PushCheat(); }, {K::Cheat, -1, 0, 0}, false},
    };
    ASSERT_EQ(20u, std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const Case& c = cases[i];
        EXPECT_EQ(static_cast<std::int32_t>(i), static_cast<std::int32_t>(c.expected.kind));
        for (bool enabled : {false, true})
        {
            SCOPED_TRACE(std::to_string(i) + (enabled ? " enabled" : " disabled"));
            CQuarrowInputChannel channel;
            channel.SetUserControlEnabled(enabled);
            c.push(channel);
            const bool queued = enabled || !c.gated;
            ASSERT_EQ(queued, channel.HasCommands());
            EXPECT_EQ(queued, channel.ContainsCommand(c.expected.kind));
            EXPECT_FALSE(channel.ContainsCommand(i == 0 ? GameCommandKind::Cheat : GameCommandKind::GrabBlock));
            if (queued)
            {
                const GameCommand& front = channel.Front();
                EXPECT_EQ(c.expected.param, front.param);
                EXPECT_EQ(c.expected.x, front.x);
                EXPECT_EQ(c.expected.y, front.y);
            }
        }
    }
}

TEST(QuarrowInputChannel, CommandsComeOutInTheOrderTheyWentIn)
{
    CQuarrowInputChannel channel;
    channel.SetUserControlEnabled(true);
    channel.PushGrabBlock(1);
    channel.PushMoveBlock(1, 2, 3);
    channel.PushCheat();
    std::vector<GameCommandKind> kinds;
    for (; channel.HasCommands(); channel.Pop())
    {
        kinds.push_back(channel.Front().kind);
    }
    EXPECT_EQ((std::vector<GameCommandKind>{GameCommandKind::GrabBlock, GameCommandKind::MoveBlock,
                                            GameCommandKind::Cheat}),
              kinds);
    channel.PushUndo();
    channel.Clear();
    EXPECT_FALSE(channel.HasCommands());
}

} // namespace
