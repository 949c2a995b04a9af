#include "foundation/RectList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <random>
#include <vector>

using BaseLib::CRect;
using BaseLib::CRectList;
using UILib::CRectArray;

namespace
{

std::vector<CRect> Contents(const CRectList& list)
{
    std::vector<CRect> rects;
    std::uint32_t position = 0;
    list.BeginIteration(position);
    CRect rect;
    while (list.GetNext(position, rect))
    {
        rects.push_back(rect);
    }
    return rects;
}

CRectList ListOf(const std::vector<CRect>& rects)
{
    CRectList list;
    for (const CRect& rect : rects)
    {
        list.PushBack(rect);
    }
    return list;
}

enum class Operation
{
    Add,
    Remove,
};

} // namespace

TEST(RectList, AddAndRemoveSplitAsDescribed)
{
    struct Case
    {
        const char* name;
        std::vector<CRect> held;
        Operation operation;
        CRect rect;
        std::vector<CRect> expected;
    };
    const Case cases[] = {
        {"add to empty", {}, Operation::Add, {0, 0, 10, 10}, {{0, 0, 10, 10}}},
        {"add overlapping on the right",
         {{0, 0, 10, 10}},
         Operation::Add,
         {5, 0, 15, 10},
         {{0, 0, 10, 10}, {10, 0, 15, 10}}},
        {"add inside a held one", {{0, 0, 10, 10}}, Operation::Add, {2, 2, 5, 5}, {{0, 0, 10, 10}}},
        // Pieces pushed above, below, left, right are examined right, left, below, above.
        {"add around a held one",
         {{2, 2, 4, 4}},
         Operation::Add,
         {0, 0, 10, 10},
         {{2, 2, 4, 4}, {4, 2, 10, 4}, {0, 2, 2, 4}, {0, 4, 10, 10}, {0, 0, 10, 2}}},
        {"add empty", {{0, 0, 10, 10}}, Operation::Add, {20, 20, 20, 30}, {{0, 0, 10, 10}}},
        {"remove corner",
         {{5, 5, 20, 20}},
         Operation::Remove,
         {0, 0, 10, 10},
         {{5, 10, 20, 20}, {10, 5, 20, 10}}},
        {"remove empty", {{5, 5, 20, 20}}, Operation::Remove, {6, 6, 6, 20}, {{5, 5, 20, 20}}},
        {"remove all", {{5, 5, 20, 20}}, Operation::Remove, {0, 0, 30, 30}, {}},
        {"remove keeps order of untouched",
         {{0, 0, 1, 1}, {5, 5, 20, 20}, {30, 30, 31, 31}},
         Operation::Remove,
         {4, 4, 20, 10},
         {{0, 0, 1, 1}, {5, 10, 20, 20}, {30, 30, 31, 31}}},
        {"remove middle splits four ways",
         {{0, 0, 10, 10}},
         Operation::Remove,
         {4, 4, 6, 6},
         {{0, 0, 10, 4}, {0, 6, 10, 10}, {0, 4, 4, 6}, {6, 4, 10, 6}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CRectList list = ListOf(c.held);
        if (c.operation == Operation::Add)
        {
            list.AddRect(c.rect);
        }
        else
        {
            list.RemoveRect(c.rect);
        }
        EXPECT_EQ(Contents(list), c.expected);
    }
}

TEST(RectList, AppendSkipsEmptyRectanglesAndMayAppendItself)
{
    CRectList source = ListOf({{0, 0, 2, 2}, {5, 5, 6, 6}});
    CRectList list = ListOf({{9, 9, 10, 10}});
    list.Append(source);
    list.AddPiece(3, 3, 3, 9);
    list.AddPiece(3, 3, 9, 2);
    EXPECT_EQ(Contents(list), (std::vector<CRect>{{9, 9, 10, 10}, {0, 0, 2, 2}, {5, 5, 6, 6}}));
    list.Append(list);
    EXPECT_EQ(list.GetCount(), 6u);
    EXPECT_EQ(list[5], CRect(5, 5, 6, 6));
}

TEST(RectList, PopBackTakesTheLast)
{
    CRectList list = ListOf({{0, 0, 1, 1}, {2, 2, 3, 3}});
    CRect rect;
    EXPECT_TRUE(list.PopBack(rect));
    EXPECT_EQ(rect, CRect(2, 2, 3, 3));
    EXPECT_TRUE(list.PopBack(rect));
    EXPECT_EQ(rect, CRect(0, 0, 1, 1));
    EXPECT_FALSE(list.PopBack(rect));
    EXPECT_EQ(rect, CRect(0, 0, 1, 1));
}

TEST(RectList, MergeAdjacentSweepsHorizontallyThenVertically)
{
    struct Case
    {
        std::vector<CRect> held;
        std::vector<CRect> expected;
    };
    const Case cases[] = {
        {{{0, 0, 10, 10}, {10, 0, 20, 10}, {0, 10, 20, 20}}, {{0, 0, 20, 20}}},
        // One whole horizontal pass comes before the vertical one.
        {{{0, 0, 10, 10}, {0, 10, 10, 20}, {10, 10, 20, 20}}, {{0, 0, 10, 10}, {0, 10, 20, 20}}},
        // The left neighbour found for the last rectangle: the merged rectangle moves into its slot.
        {{{10, 0, 20, 10}, {50, 50, 60, 60}, {0, 0, 10, 10}}, {{0, 0, 20, 10}, {50, 50, 60, 60}}},
        // Only whole edges merge.
        {{{0, 0, 10, 10}, {10, 0, 20, 5}}, {{0, 0, 10, 10}, {10, 0, 20, 5}}},
        // A row of four needs a second sweep, after the first has moved the last one forward.
        {{{0, 0, 1, 1}, {2, 0, 3, 1}, {1, 0, 2, 1}, {3, 0, 4, 1}}, {{0, 0, 4, 1}}},
        {{{0, 0, 1, 1}}, {{0, 0, 1, 1}}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.held.size());
        CRectList list = ListOf(c.held);
        list.MergeAdjacent();
        EXPECT_EQ(Contents(list), c.expected);
    }
}

TEST(RectList, StorageGrowsAndShrinksInBlocksOf32)
{
    CRectList list;
    EXPECT_EQ(list.GetArray().GetCapacity(), 0u);
    EXPECT_EQ(list.GetArray().GetData(), nullptr);
    for (int i = 0; i < 33; ++i)
    {
        list.AddPiece(i, 0, i + 1, 1);
        EXPECT_EQ(list.GetArray().GetCapacity(), i < 32 ? 32u : 64u) << i;
    }
    CRect rect;
    while (list.GetCount() > 32)
    {
        list.PopBack(rect);
    }
    EXPECT_EQ(list.GetArray().GetCapacity(), 32u);
    EXPECT_EQ(list[31], CRect(31, 0, 32, 1));
    while (list.PopBack(rect))
    {}
    EXPECT_EQ(list.GetArray().GetCapacity(), 0u);
    EXPECT_EQ(list.GetArray().GetData(), nullptr);
}

TEST(RectArray, SetSizeZeroFillsAndReallocatesOnlyAcrossBlocks)
{
    CRectArray array;
    array.SetSize(3);
    EXPECT_EQ(array.GetCapacity(), 32u);
    array[2] = CRect(1, 2, 3, 4);
    const CRect* storage = array.GetData();
    array.SetSize(20);
    EXPECT_EQ(array.GetData(), storage);
    EXPECT_EQ(array[2], CRect(1, 2, 3, 4));
    EXPECT_EQ(array[19], CRect());
    array.SetSize(2);
    array.SetSize(3);
    EXPECT_EQ(array[2], CRect()); // re-grown entries are zeroed again
    array.SetSize(65);
    EXPECT_EQ(array.GetCapacity(), 96u);
    EXPECT_EQ(array[64], CRect());
    const CRectArray copy = array;
    EXPECT_EQ(copy.GetCount(), 65u);
    EXPECT_EQ(copy.GetCapacity(), 96u);
    array.SetSize(0);
    EXPECT_EQ(array.GetData(), nullptr);
    EXPECT_EQ(copy[64], CRect());
}

TEST(RectArray, SizeWhoseCapacityOverflowsThrowsAndKeepsTheArray)
{
    CRectArray array;
    array.SetSize(3);
    array[2] = CRect(1, 2, 3, 4);
    // The capacity of these counts is 2^32, which the 32-bit capacity cannot hold.
    for (const std::uint32_t n : {0xFFFFFFE1u, 0xFFFFFFFFu})
    {
        EXPECT_THROW(array.SetSize(n), std::bad_alloc) << n;
        EXPECT_EQ(array.GetCount(), 3u);
        EXPECT_EQ(array.GetCapacity(), 32u);
        EXPECT_EQ(array[2], CRect(1, 2, 3, 4));
    }
}

// A seeded sequence of adds and removes on a small grid, each checked against a pixel model: the same cells
// covered, no two held rectangles overlapping, none empty.
TEST(RectList, RandomAddsAndRemovesMatchPixelModel)
{
    constexpr int Size = 24;
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> coordinate(-2, Size + 2);
    std::bernoulli_distribution add(0.6);
    bool model[Size + 8][Size + 8] = {};
    const auto cell = [&model](int x, int y) -> bool& { return model[y + 4][x + 4]; };
    CRectList list;
    for (int step = 0; step < 600; ++step)
    {
        // Occasionally empty rectangles, which must change nothing.
        const CRect rect(coordinate(random), coordinate(random), coordinate(random), coordinate(random));
        const bool adding = add(random);
        if (adding)
        {
            list.AddRect(rect);
        }
        else
        {
            list.RemoveRect(rect);
        }
        for (int y = rect.top; y < rect.bottom; ++y)
        {
            for (int x = rect.left; x < rect.right; ++x)
            {
                cell(x, y) = adding;
            }
        }
        if (step % 50 == 49)
        {
            // Merging keeps the covered area and the absence of overlaps.
            list.MergeAdjacent();
        }

        int covered[Size + 8][Size + 8] = {};
        const std::vector<CRect> rects = Contents(list);
        for (const CRect& held : rects)
        {
            ASSERT_FALSE(held.IsEmpty()) << "step " << step;
            for (int y = held.top; y < held.bottom; ++y)
            {
                for (int x = held.left; x < held.right; ++x)
                {
                    ++covered[y + 4][x + 4];
                }
            }
        }
        for (int y = -4; y < Size + 4; ++y)
        {
            for (int x = -4; x < Size + 4; ++x)
            {
                ASSERT_EQ(covered[y + 4][x + 4], cell(x, y) ? 1 : 0)
                    << "step " << step << " cell " << x << ", " << y;
            }
        }
    }
}
