#include "foundation/LookUpTable.h"

#include <gtest/gtest.h>
#include <limits>
#include <vector>

using namespace BaseLib;

namespace
{

template <typename T> std::vector<float> Keys(const CLookUpTable<T>& table)
{
    std::vector<float> keys;
    for (int i = 0; i < table.GetKeyCount(); ++i)
    {
        keys.push_back(table.GetKey(i));
    }
    return keys;
}

CLookUpTable<float> ZeroToTen(std::int32_t mode)
{
    CLookUpTable<float> table(mode);
    table.AddKey(0.0f, 0.0f);
    table.AddKey(1.0f, 10.0f);
    return table;
}

} // namespace

TEST(LookUpTable, AddKeyKeepsOrderAndOverwritesEqualKeys)
{
    CLookUpTable<int> table;
    EXPECT_EQ(table.GetKeyCount(), 0);
    table.AddKey(2.0f, 20);
    table.AddKey(0.0f, 0);
    table.AddKey(1.0f, 10);
    EXPECT_EQ(Keys(table), (std::vector<float>{0.0f, 1.0f, 2.0f}));
    table.AddKey(1.0f, 11);
    EXPECT_EQ(table.GetKeyCount(), 3);
    EXPECT_EQ(table.GetValue(1.0f, true), 11);
    EXPECT_EQ(table.GetFirstKey(), 0.0f);
    EXPECT_EQ(table.GetLastKey(), 2.0f);

    table.RemoveKey(1.5f);
    EXPECT_EQ(table.GetKeyCount(), 3);
    table.RemoveKey(1.0f);
    EXPECT_EQ(Keys(table), (std::vector<float>{0.0f, 2.0f}));
    CGenericLookUpTable& generic = table;
    generic.Clear();
    EXPECT_EQ(generic.GetKeyCount(), 0);
}

TEST(LookUpTable, FloatModesAndClamping)
{
    struct Case
    {
        std::int32_t mode;
        float t;
        bool clamp;
        float expected;
    };
    const Case cases[] = {
        {1, 0.25f, true, 2.5f},    {2, 0.25f, true, 1.25f}, {2, 0.75f, true, 8.75f}, {2, 0.5f, true, 5.0f},
        {0, 0.5f, true, 0.0f},     {0, 1.0f, true, 10.0f},  {1, 2.0f, true, 10.0f},  {1, 2.0f, false, 20.0f},
        {1, -1.0f, false, -10.0f}, {1, -1.0f, true, 0.0f},  {7, 0.25f, true, 2.5f}, // other modes: linear
        {0, -1.0f, false, 0.0f},   {0, 3.0f, false, 0.0f}, // step outside without clamp: v[0], v[n - 2]
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " t " << c.t << " clamp " << c.clamp);
        EXPECT_FLOAT_EQ(ZeroToTen(c.mode).GetValue(c.t, c.clamp), c.expected);
    }
}

TEST(LookUpTable, SearchLandsOnTheLastKeyNotAboveT)
{
    CLookUpTable<float> table;
    for (int k = 0; k < 4; ++k)
    {
        table.AddKey(static_cast<float>(k), static_cast<float>(k * k));
    }
    EXPECT_EQ(table.GetValue(2.0f, false), 4.0f);
    EXPECT_EQ(table.GetValue(2.5f, false), 6.5f);
    EXPECT_EQ(table.GetValue(4.0f, false), 14.0f); // extrapolated from the last two: 4 + 2 * 5
    table.SetMode(CLookUpTable<float>::Step);
    EXPECT_EQ(table.GetValue(2.0f, false), 4.0f);
    EXPECT_EQ(table.GetValue(2.999f, false), 4.0f);
    EXPECT_EQ(table.GetValue(3.0f, false), 9.0f);
    EXPECT_EQ(table.GetValue(5.0f, false), 4.0f);

    CLookUpTable<float> single;
    single.AddKey(1.0f, 7.0f);
    EXPECT_EQ(single.GetValue(-5.0f, false), 7.0f);
    EXPECT_EQ(single.GetValue(5.0f, true), 7.0f);
}

TEST(LookUpTable, OtherTypesInterpolateTheirOwnWay)
{
    CLookUpTable<int> integers;
    integers.AddKey(0.0f, 0);
    integers.AddKey(1.0f, 3);
    EXPECT_EQ(integers.GetValue(0.5f, true), 1);
    EXPECT_EQ(integers.GetValue(-0.5f, false), -1); // -1.5 truncated toward zero

    CLookUpTable<CPoint> points;
    points.AddKey(0.0f, {1, 1});
    points.AddKey(1.0f, {4, 4});
    EXPECT_EQ(points.GetValue(0.5f, true), CPoint(3, 3));
    CLookUpTable<CSize> sizes;
    sizes.AddKey(0.0f, {1, 10});
    sizes.AddKey(1.0f, {4, 20});
    EXPECT_EQ(sizes.GetValue(0.5f, true), CSize(3, 15));

    CLookUpTable<CColor> colors;
    colors.AddKey(0.0f, CColor(0, 0, 0, 255));
    colors.AddKey(1.0f, CColor(255, 255, 255, 255));
    EXPECT_EQ(colors.GetValue(1.0f, true), CColor(254, 254, 254, 254));
    EXPECT_EQ(colors.GetValue(0.0f, true), CColor(0, 0, 0, 254));
    EXPECT_EQ(colors.GetValue(0.5f, true), CColor(126, 126, 126, 252));

    CLookUpTable<CVector2> vectors;
    vectors.AddKey(0.0f, {0.0f, 2.0f});
    vectors.AddKey(1.0f, {1.0f, 4.0f});
    EXPECT_EQ(vectors.GetValue(0.25f, true), CVector2(0.25f, 2.5f));
    EXPECT_EQ(vectors.GetValue(2.0f, false), CVector2(2.0f, 6.0f));
    CLookUpTable<CVector3> vectors3;
    vectors3.AddKey(0.0f, {0.0f, 0.0f, 0.0f});
    vectors3.AddKey(2.0f, {2.0f, 4.0f, -8.0f});
    EXPECT_EQ(vectors3.GetValue(1.0f, true), CVector3(1.0f, 2.0f, -4.0f));
    CLookUpTable<CVector4> vectors4(CLookUpTable<CVector4>::Ease);
    vectors4.AddKey(0.0f, {0.0f, 0.0f, 0.0f, 0.0f});
    vectors4.AddKey(1.0f, {4.0f, 4.0f, 4.0f, 8.0f});
    EXPECT_EQ(vectors4.GetValue(0.25f, true), CVector4(0.5f, 0.5f, 0.5f, 1.0f));

    CLookUpTable<double> doubles;
    doubles.AddKey(0.0f, 1.0);
    doubles.AddKey(1.0f, 2.0);
    EXPECT_DOUBLE_EQ(doubles.GetValue(0.5f, true), 1.5);
}

TEST(LookUpTable, StepOnlyTypesAlwaysStepAndClamp)
{
    CLookUpTable<bool> flags;
    flags.AddKey(0.0f, false);
    flags.AddKey(1.0f, true);
    flags.AddKey(2.0f, false);
    struct Case
    {
        float t;
        bool expected;
    };
    for (const Case& c : {Case{-1.0f, false}, Case{1.0f, true}, Case{1.5f, true}, Case{5.0f, false}})
    {
        EXPECT_EQ(flags.GetValue(c.t), c.expected) << c.t;
    }

    CLookUpTable<CString> texts;
    texts.AddKey(0.0f, "a");
    texts.AddKey(1.0f, "b");
    EXPECT_EQ(texts.GetValueAt(0.99f), "a");
    EXPECT_EQ(texts.GetValueAt(1.0f), "b");
    EXPECT_EQ(texts.GetValueAt(7.0f), "b");
    CLookUpTable<std::string> standard;
    standard.AddKey(3.0f, "only");
    EXPECT_EQ(standard.GetValueAt(-2.0f), "only");
}

TEST(LookUpTable, EmptyTablesAndBadTimesNeverCrash)
{
    const CLookUpTable<float> floats;
    EXPECT_EQ(floats.GetValue(1.0f, true), 0.0f);
    EXPECT_EQ(floats.GetFirstKey(), 0.0f);
    EXPECT_EQ(floats.GetKey(3), 0.0f);
    EXPECT_EQ(CLookUpTable<CString>().GetValue(1.0f), "");
    EXPECT_EQ(CLookUpTable<CColor>().GetValue(0.0f, false), CColor());

    CLookUpTable<int> integers;
    integers.AddKey(0.0f, 0);
    integers.AddKey(1.0f, 2000000000);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(integers.GetValue(nan, false), 0);
    EXPECT_EQ(integers.GetValue(100.0f, false), std::numeric_limits<int>::max());
}
