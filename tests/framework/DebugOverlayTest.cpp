#include "tests/framework/CanvasFixture.h"

#include "framework/DebugOverlay.h"
#include "framework/DebugStatistics.h"
#include "framework/FramerateGraph.h"
#include "platform/gfx/Texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using GameLib::CFramerateGraph;
using GameLib::DebugStatistics;

namespace FrameworkTesting
{
namespace
{

class Statistics : public testing::Test
{
protected:
    void SetUp() override { DebugStatistics::Clear(); }
    void TearDown() override { DebugStatistics::Clear(); }
};

TEST_F(Statistics, EachLetterFormatsItsValueAndBadEntriesGiveEmptyLines)
{
    static const std::uint8_t flag = 7;
    static const signed char letter = -3;
    static const std::int32_t integer = -42;
    static const std::uint32_t unsignedValue = 4000000000u;
    static const float single = 2.5f;
    static const double wide = 0.125;
    static const char name[] = "scene";
    static const float vector[3] = {1.0f, -2.0f, 0.5f};
    struct Case
    {
        const char* format;
        const void* value;
        const char* text;
    };
    static const char kBool[] = "b flag=%d";
    static const char kChar[] = "c c=%d";
    static const char kInt[] = "i i=%d";
    static const char kUnsigned[] = "u u=%u";
    static const char kFloat[] = "f f=%.2f";
    static const char kDouble[] = "d d=%.3f";
    static const char kString[] = "s s=%s";
    static const char kVector[] = "v %.1f %.1f %.1f";
    static const char kUnknown[] = "x x=%d";
    static const char kNull[] = "i null=%d";
    static const char kShort[] = "i";
    const std::vector<Case> cases = {
        {kBool, &flag, "flag=1"},       {kChar, &letter, "c=-3"},          {kInt, &integer, "i=-42"},
        {kUnsigned, &unsignedValue, "u=4000000000"}, {kFloat, &single, "f=2.50"}, {kDouble, &wide, "d=0.125"},
        {kString, name, "s=scene"},     {kVector, vector, "1.0 -2.0 0.5"}, {kUnknown, &integer, ""},
        {kNull, nullptr, ""},           {kShort, &integer, ""},
    };
    std::string expected;
    for (std::size_t i = 0; i < cases.size(); ++i)
    {
        DebugStatistics::GetSlot(cases[i].format) = cases[i].value;
        expected += (i == 0 ? "" : "\n") + std::string(cases[i].text);
    }
    EXPECT_EQ(expected, DebugStatistics::Format());
    DebugStatistics::Clear();
    EXPECT_EQ(std::string(), DebugStatistics::Format());
}

TEST_F(Statistics, EntriesAreKeyedByTextObjectInRegistrationOrder)
{
    static const char fps[] = "f fps: %.1f";
    static const char polygons[] = "i polycount = %d";
    static const char meshes[] = "i meshcount = %d";
    static const char groups[] = "i vertexgroups = %d";
    static const char sameText[] = "i meshcount = %d"; // equal content, another object
    const float rate = 59.94f;
    const std::int32_t counts[4] = {1200, 34, 56, 7};
    DebugStatistics::GetSlot(fps) = &rate;
    DebugStatistics::GetSlot(polygons) = &counts[0];
    DebugStatistics::GetSlot(meshes) = &counts[3]; // replaced below
    DebugStatistics::GetSlot(groups) = &counts[2];
    DebugStatistics::GetSlot(meshes) = &counts[1];
    EXPECT_EQ(std::string("fps: 59.9\npolycount = 1200\nmeshcount = 34\nvertexgroups = 56"), DebugStatistics::Format());
    DebugStatistics::GetSlot(sameText) = &counts[3];
    EXPECT_EQ(5u, DebugStatistics::GetCount());
    EXPECT_EQ(std::string("fps: 59.9\npolycount = 1200\nmeshcount = 34\nvertexgroups = 56\nmeshcount = 7"),
              DebugStatistics::Format());
}

TEST_F(Statistics, ALongValueIsCutAtTheBufferEnd)
{
    static const char first[] = "i n=%d";
    static const char longText[] = "s %s";
    static const char after[] = "i m=%d";
    const std::int32_t n = 5;
    const std::string huge(10000, 'x');
    DebugStatistics::GetSlot(first) = &n;
    DebugStatistics::GetSlot(longText) = huge.c_str();
    DebugStatistics::GetSlot(after) = &n;
    const std::string text = DebugStatistics::Format();
    EXPECT_EQ(DebugStatistics::kTextSize - 1, text.size());
    EXPECT_EQ("n=5\nxxx", text.substr(0, 7));
}

TEST(VideoMemoryText, SixtyFourBitCountsAndAnUnknownTotal)
{
    char text[GameLib::CVideoMemoryInfo::kTextSize] = "untouched";
    ASSERT_TRUE(GameLib::CVideoMemoryInfo::FormatText(text, 8ull << 30, 2ull << 30));
    EXPECT_STREQ("used mem: 6442450944\n free mem: 2147483648\n usage: 75%\n", text);
    ASSERT_TRUE(GameLib::CVideoMemoryInfo::FormatText(text, 1000, 250));
    EXPECT_STREQ("used mem: 750\n free mem: 250\n usage: 75%\n", text);
    std::strcpy(text, "untouched");
    EXPECT_FALSE(GameLib::CVideoMemoryInfo::FormatText(text, 0, 0));
    EXPECT_STREQ("untouched", text);
}

class Graph : public CanvasFixture
{
protected:
    // The graph texture's column as 16-bit texels, row 0 first.
    std::vector<std::uint16_t> Column(const CFramerateGraph& graph, std::int32_t column)
    {
        auto* texture = static_cast<Texture*>(graph.GetTexture()->GetTexture());
        LockedRect locked;
        std::vector<std::uint16_t> texels;
        EXPECT_EQ(Ok, texture->LockRect(0, &locked, nullptr, LockFlag::ReadOnly));
        for (std::int32_t y = 0; y < graph.GetHeight(); ++y)
        {
            texels.push_back(reinterpret_cast<const std::uint16_t*>(static_cast<const std::uint8_t*>(locked.pBits) +
                                                                    static_cast<std::ptrdiff_t>(y) * locked.Pitch)[column]);
        }
        texture->UnlockRect(0);
        return texels;
    }

    void ExpectRows(const std::vector<std::uint16_t>& texels, std::int32_t from, std::int32_t to, std::uint16_t value)
    {
        for (std::int32_t y = from; y <= to; ++y)
        {
            EXPECT_EQ(value, texels[static_cast<std::size_t>(y)]) << "row " << y;
        }
    }
};

TEST_F(Graph, ColumnsShowTheBarTheBackgroundAndTheGridRows)
{
    CFramerateGraph graph(&controller);
    graph.CreateDeviceObjects(512, 128);
    ASSERT_NE(nullptr, graph.GetTexture());
    graph.AddFrame(0.03f);
    graph.AddFrame(0.2f);
    graph.AddFrame(0.0f);
    EXPECT_EQ(3, graph.GetColumn());

    const std::vector<std::uint16_t> bar = Column(graph, 0);
    ExpectRows(bar, 0, 37, CFramerateGraph::kBar);
    ExpectRows(bar, 38, 38, CFramerateGraph::kGrid);
    ExpectRows(bar, 39, 50, CFramerateGraph::kBackground);
    ExpectRows(bar, 51, 51, CFramerateGraph::kGrid);
    ExpectRows(Column(graph, 1), 0, 127, CFramerateGraph::kBar);
    const std::vector<std::uint16_t> idle = Column(graph, 2);
    const std::vector<std::int32_t> grid = {0, 12, 25, 38, 51, 64, 76, 89, 102, 115, 127};
    for (std::int32_t y = 0; y < 128; ++y)
    {
        const bool isGrid = std::find(grid.begin(), grid.end(), y) != grid.end();
        EXPECT_EQ(isGrid ? CFramerateGraph::kGrid : CFramerateGraph::kBackground, idle[static_cast<std::size_t>(y)])
            << "row " << y;
    }
    ExpectRows(Column(graph, 3), 0, 127, 0); // never written

    for (int i = 3; i < 512; ++i)
    {
        graph.AddFrame(0.0f);
    }
    EXPECT_EQ(0, graph.GetColumn());
}

class GraphWithoutDynamicTextures : public Graph
{
protected:
    GraphWithoutDynamicTextures()
    {
        SimulatedAdapter adapter;
        adapter.caps2 = 0;
        simulated = {adapter};
    }
};

TEST_F(GraphWithoutDynamicTextures, TheGraphNeverDraws)
{
    CFramerateGraph graph(&controller);
    graph.CreateDeviceObjects(512, 128);
    EXPECT_EQ(nullptr, graph.GetTexture());
    graph.AddFrame(0.05f);
    EXPECT_EQ(0, graph.GetColumn());
    const std::uint64_t draws = device->Counters().drawCalls;
    ASSERT_EQ(Ok, device->BeginScene());
    graph.Draw();
    ASSERT_EQ(Ok, device->EndScene());
    EXPECT_EQ(draws, device->Counters().drawCalls);
}

TEST_F(Graph, ReleasedAroundAResetTheGraphDrawsAgain)
{
    CFramerateGraph graph(&controller);
    graph.CreateDeviceObjects(512, 128);
    graph.AddFrame(0.2f);
    graph.ReleaseDeviceObjects();
    EXPECT_EQ(nullptr, graph.GetTexture());

    device->SimulateDeviceLoss(1);
    EXPECT_EQ(DeviceLost, device->TestCooperativeLevel());
    LoseAndResetDevice(); // asserts that the reset succeeds
    ASSERT_EQ(Ok, device->TestCooperativeLevel());

    graph.CreateDeviceObjects(graph.GetWidth(), graph.GetHeight());
    ASSERT_NE(nullptr, graph.GetTexture());
    for (int i = 0; i < 10; ++i)
    {
        graph.AddFrame(0.2f);
    }
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF000000, 1.0f, 0));
    ASSERT_EQ(Ok, device->BeginScene());
    graph.Draw();
    ASSERT_EQ(Ok, device->EndScene());
    ReadScreen();
    EXPECT_TRUE(PixelNear(508, 410, 0x880000)); // the newest columns at the right edge of the strip
    EXPECT_TRUE(PixelNear(100, 410, 0x000000)); // columns not written since the reset
}

TEST_F(Graph, PictureOfTheOverlayAndTheGraph)
{
    DebugStatistics::Clear();
    static const char fps[] = "f fps: %.1f";
    static const char polygons[] = "i polycount = %d";
    static const char meshes[] = "i meshcount = %d";
    static const char groups[] = "i vertexgroups = %d";
    const float rate = 59.9f;
    const std::int32_t counts[3] = {123456, 78, 9};
    DebugStatistics::GetSlot(fps) = &rate;
    DebugStatistics::GetSlot(polygons) = &counts[0];
    DebugStatistics::GetSlot(meshes) = &counts[1];
    DebugStatistics::GetSlot(groups) = &counts[2];

    GameLib::CDebugOverlay overlay(&controller, BaseLib::CSize(kWidth, kHeight));
    EXPECT_EQ(&overlay, GameLib::CDebugOverlay::GetCurrent());
    EXPECT_FALSE(overlay.HasVideoMemoryInfo()); // llvmpipe reports none
    CFramerateGraph graph(&controller);
    graph.CreateDeviceObjects(512, 128);
    for (int i = 0; i < 509; ++i)
    {
        graph.AddFrame(0.0f);
    }
    for (int i = 0; i < 3; ++i)
    {
        graph.AddFrame(0.2f);
    }

    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF000000, 1.0f, 0));
    ASSERT_EQ(Ok, device->BeginScene());
    overlay.Draw();
    graph.Draw();
    ASSERT_EQ(Ok, device->EndScene());
    ReadScreen();
    WriteScreen("debug_overlay.png");
    DebugStatistics::Clear();

    EXPECT_TRUE(PixelNear(100, 410, 0x004400));
    EXPECT_TRUE(PixelNear(510, 410, 0x880000));
    EXPECT_TRUE(PixelNear(520, 410, 0x000000));
    EXPECT_TRUE(PixelNear(100, 340, 0x000000));
    EXPECT_TRUE(PixelNear(600, 300, 0x000000));
    int blue = 0;
    for (std::int32_t y = 10; y < 70; ++y)
    {
        for (std::int32_t x = 10; x < 200; ++x)
        {
            const std::uint32_t p = At(x, y);
            const int b = static_cast<int>(p & 0xFF);
            blue += b > 64 && b > static_cast<int>((p >> 8) & 0xFF) + 32 && b > static_cast<int>((p >> 16) & 0xFF) + 32;
        }
    }
    EXPECT_GT(blue, 0);
}

} // namespace
} // namespace FrameworkTesting
