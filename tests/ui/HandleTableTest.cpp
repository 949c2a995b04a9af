#include "platform/os/DebugOutput.h"
#include "ui/HandleTable.h"

#include <gtest/gtest.h>

#include <vector>

using UILib::CHandleTable;
using UILib::Handle;

namespace
{

int objects[4];

TEST(HandleTable, HandlesResolveOnlyWhileTheirSlotHoldsTheirObject)
{
    CHandleTable table("test");
    const Handle first = table.Create(&objects[0]);
    EXPECT_EQ(first, 0x10000u);
    EXPECT_EQ(table.Resolve(first), &objects[0]);

    // Released: stale, also once the slot is reused by another object.
    EXPECT_TRUE(table.Release(first));
    EXPECT_EQ(table.Resolve(first), nullptr);
    EXPECT_FALSE(table.Release(first));
    const Handle reused = table.Create(&objects[1]);
    EXPECT_EQ(reused & 0xFFFF, 0u);
    EXPECT_NE(reused, first);
    EXPECT_EQ(table.Resolve(first), nullptr);
    EXPECT_EQ(table.Resolve(reused), &objects[1]);

    // An index at or beyond the entry count, and 0, resolve to nothing.
    EXPECT_EQ(table.Resolve(0x10000u | table.GetEntryCount()), nullptr);
    EXPECT_EQ(table.Resolve(0x10000u | 0xFFFF), nullptr);
    EXPECT_EQ(table.Resolve(0), nullptr);
}

TEST(HandleTable, ReusesTheSlotFreedLastFirst)
{
    CHandleTable table("test");
    const Handle a = table.Create(&objects[0]);
    const Handle b = table.Create(&objects[1]);
    table.Create(&objects[2]);
    table.Release(a);
    table.Release(b);
    EXPECT_EQ(table.Create(&objects[3]) & 0xFFFF, b & 0xFFFF);
    EXPECT_EQ(table.Create(&objects[3]) & 0xFFFF, a & 0xFFFF);
    EXPECT_EQ(table.GetEntryCount(), 3u);
    EXPECT_EQ(table.GetFreeCount(), 0u);
}

TEST(HandleTable, SerialSkipsZeroWhenItWraps)
{
    CHandleTable table("test");
    for (int i = 0; i < 65536 + 3; ++i)
    {
        const Handle handle = table.Create(&objects[0]);
        ASSERT_NE(handle >> 16, 0u) << "cycle " << i;
        ASSERT_NE(handle, 0u);
        ASSERT_TRUE(table.Release(handle));
    }
}

TEST(HandleTable, FullTableRefusesAndTraces)
{
    CHandleTable table("crowded");
    for (std::uint32_t i = 0; i < CHandleTable::MaxEntries; ++i)
    {
        ASSERT_NE(table.Create(&objects[0]), 0u);
    }
    Platform::DebugOutputCapture capture;
    EXPECT_EQ(table.Create(&objects[1]), 0u);
    EXPECT_NE(capture.Text().find("crowded"), std::string::npos) << capture.Text();
    // Slot 0's handle still names its own object.
    EXPECT_EQ(table.Resolve(0x10000u), &objects[0]);
}

TEST(HandleTable, IterationAndClear)
{
    CHandleTable table("test");
    std::vector<Handle> handles;
    for (int i = 0; i < 40; ++i)
    {
        handles.push_back(table.Create(&objects[i % 4]));
    }
    table.Release(handles[3]);
    std::vector<std::uint32_t> visited;
    for (std::uint32_t i = 0; i < table.GetEntryCount(); ++i)
    {
        if (table.HandleAt(i) != 0)
        {
            visited.push_back(i);
        }
    }
    EXPECT_EQ(visited.size(), 39u);
    EXPECT_EQ(visited[3], 4u);
    table.Clear();
    EXPECT_EQ(table.GetEntryCount(), 0u);
    EXPECT_EQ(table.Resolve(handles[0]), nullptr);
}

TEST(HandleArray, StorageMovesInBlocksOf32AndMoveShifts)
{
    UILib::CHandleArray array;
    for (Handle h = 1; h <= 33; ++h)
    {
        array.Append(h);
    }
    EXPECT_EQ(array.GetCapacity(), 64u);
    array.RemoveAt(0);
    EXPECT_EQ(array.GetCapacity(), 32u);
    array.Move(31, 0);
    EXPECT_EQ(array[0], 33u);
    EXPECT_EQ(array[1], 2u);
    array.Move(0, 2);
    EXPECT_EQ(array[0], 2u);
    EXPECT_EQ(array[2], 33u);
    while (!array.IsEmpty())
    {
        array.PopBack();
    }
    EXPECT_EQ(array.GetCapacity(), 0u);
}

} // namespace
