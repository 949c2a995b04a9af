#include "WindowFixture.h"

#include "platform/os/Cursor.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/Monitor.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace Platform;

namespace
{

void Put16(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    Put16(bytes, value & 0xFFFF);
    Put16(bytes, value >> 16);
}

// A 16 x 16 cursor with hot spot (3, 5): a 32-bit BGRA bitmap (rows bottom-up) and its AND mask,
// the entry with a colour count and reserved byte as the format has them.
std::vector<std::uint8_t> SixteenSquareCursor()
{
    const std::uint32_t imageSize = 40 + 16 * 16 * 4 + 16 * 4;
    std::vector<std::uint8_t> bytes;
    Put16(bytes, 0); // reserved
    Put16(bytes, 2); // cursor
    Put16(bytes, 1); // one image
    bytes.push_back(16);
    bytes.push_back(16);
    bytes.push_back(0); // colour count
    bytes.push_back(0); // reserved
    Put16(bytes, 3);
    Put16(bytes, 5);
    Put32(bytes, imageSize);
    Put32(bytes, 22);
    Put32(bytes, 40);
    Put32(bytes, 16);
    Put32(bytes, 32); // colour rows and mask rows
    Put16(bytes, 1);
    Put16(bytes, 32);
    for (int i = 0; i < 6; ++i)
    {
        Put32(bytes, 0);
    }
    for (int i = 0; i < 16 * 16; ++i)
    {
        Put32(bytes, i % 2 == 0 ? 0xFF204080u : 0u);
    }
    for (int i = 0; i < 16; ++i)
    {
        Put32(bytes, 0);
    }
    return bytes;
}

std::string WriteFile(const char* name, const std::vector<std::uint8_t>& bytes)
{
    std::filesystem::create_directories(QUARROW_TEST_OUTPUT_DIR);
    const std::string path = std::string(QUARROW_TEST_OUTPUT_DIR) + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

class CursorFiles : public WindowTest::WindowFixture
{
};

TEST_F(CursorFiles, BitmapAndPngCursorsLoadWithTheirHotSpot)
{
    CursorHandle bitmap = LoadCursorFromFileA(WriteFile("sixteen.cur", SixteenSquareCursor()).c_str());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(CursorHotSpot(bitmap).x, 3);
    EXPECT_EQ(CursorHotSpot(bitmap).y, 5);
    EXPECT_EQ(CursorSize(bitmap).x, 16);
    EXPECT_EQ(CursorSize(bitmap).y, 16);

    CursorHandle png = LoadCursorFromFileA(QUARROW_TEST_DATA_DIR "/two-by-two-png.cur");
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(CursorHotSpot(png).x, 1);
    EXPECT_EQ(CursorSize(png).x, 2);

    // Shown over a window of the program: made into an SDL cursor while video runs.
    Make();
    CursorHandle before = SetCursor(bitmap);
    EXPECT_EQ(GetCursor(), bitmap);
    SetCursor(png);
    SetCursor(before);

    // A file cursor is freed once and never while it is current; system cursors are shared.
    SetCursor(png);
    EXPECT_FALSE(DestroyCursor(png));
    EXPECT_TRUE(DestroyCursor(bitmap));
    EXPECT_FALSE(DestroyCursor(bitmap));
    EXPECT_FALSE(DestroyCursor(LoadCursorA(nullptr, IDC_ARROW)));
    EXPECT_FALSE(DestroyCursor(nullptr));
    SetCursor(before);
    EXPECT_TRUE(DestroyCursor(png));
}

TEST_F(CursorFiles, BrokenFilesGiveNullAndATrace)
{
    std::vector<std::uint8_t> truncated = SixteenSquareCursor();
    truncated.resize(truncated.size() - 10);
    std::vector<std::uint8_t> icon = SixteenSquareCursor();
    icon[2] = 1; // an icon file, not a cursor
    std::vector<std::uint8_t> farOffset = SixteenSquareCursor();
    farOffset[18] = 0xFF;

    for (const auto& [name, bytes] : {std::pair{"truncated.cur", truncated}, std::pair{"icon.cur", icon},
                                      std::pair{"far-offset.cur", farOffset}})
    {
        SCOPED_TRACE(name);
        DebugOutputCapture traces;
        EXPECT_EQ(LoadCursorFromFileA(WriteFile(name, bytes).c_str()), nullptr);
        EXPECT_NE(traces.Text().find(name), std::string::npos) << traces.Text();
    }
    DebugOutputCapture traces;
    EXPECT_EQ(LoadCursorFromFileA("/nonexistent/ombrel.cur"), nullptr);
    EXPECT_NE(traces.Text().find("ombrel.cur"), std::string::npos);
}

TEST_F(CursorFiles, ClassIconBecomesTheWindowIcon)
{
    WindowClass record;
    record.procedure = &WindowTest::Record;
    record.instance = GetModuleHandleA(nullptr);
    record.icon = LoadIconA(record.instance, 101);
    ASSERT_NE(record.icon, nullptr) << "the number may get its file later";
    record.className = "WithIcon";
    ASSERT_NE(RegisterClassExA(&record), 0);
    {
        RegisterIconFile(101, QUARROW_TEST_DATA_DIR "/icon.png");
        DebugOutputCapture traces;
        WindowHandle window = CreateWindowExA(0, "WithIcon", "icon", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                                              nullptr, nullptr, record.instance, nullptr);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(traces.Text().find("icon"), std::string::npos) << traces.Text();
        DestroyWindow(window);
    }
    {
        RegisterIconFile(101, "/nonexistent/quarrow.png");
        DebugOutputCapture traces;
        WindowHandle window = CreateWindowExA(0, "WithIcon", "icon", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                                              nullptr, nullptr, record.instance, nullptr);
        ASSERT_NE(window, nullptr) << "a missing icon does not stop the window";
        EXPECT_NE(traces.Text().find("/nonexistent/quarrow.png"), std::string::npos);
        DestroyWindow(window);
    }
    EXPECT_TRUE(UnregisterClassA("WithIcon", nullptr));

    // Read alone, as a window would read it.
    Point size;
    EXPECT_TRUE(ReadIconFile(QUARROW_TEST_DATA_DIR "/icon.png", size));
    EXPECT_GT(size.x, 0);
    EXPECT_GT(size.y, 0);
    // A 2 × 3 BMP of 24 bits, rows padded to four bytes.
    std::vector<std::uint8_t> bmp = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0,
                                     3, 0, 0, 0, 1, 0, 24, 0};
    bmp.resize(54, 0);
    bmp.resize(78, 0x80);
    EXPECT_TRUE(ReadIconFile(WriteFile("icon.bmp", bmp), size));
    EXPECT_EQ(size.x, 2);
    EXPECT_EQ(size.y, 3);
    DebugOutputCapture traces;
    // A BMP header declaring more pixels than the file holds.
    bmp.resize(60);
    EXPECT_FALSE(ReadIconFile(WriteFile("short.bmp", bmp), size));
    EXPECT_NE(traces.Text().find("short.bmp"), std::string::npos) << traces.Text();
    const std::string damaged = "\x89PNG\r\n\x1a\nnot really";
    EXPECT_FALSE(ReadIconFile(WriteFile("damaged.png", std::vector<std::uint8_t>(damaged.begin(), damaged.end())), size));
    EXPECT_NE(traces.Text().find("damaged.png"), std::string::npos) << traces.Text();
}

TEST(SystemCursors, KnownShapesAndFallbacks)
{
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_HELP), LoadCursorA(nullptr, IDC_ARROW))
        << "help falls back to the arrow";
    EXPECT_NE(LoadCursorA(nullptr, IDC_HAND), LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(LoadCursorA(nullptr, 1), nullptr);
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, 101), nullptr);
}

struct Visit
{
    std::vector<MonitorHandle> monitors;
    std::vector<DeviceContext> contexts;
    std::size_t stopAfter = 100;
};

bool Collect(MonitorHandle monitor, DeviceContext context, WindowRect* rect, std::intptr_t data)
{
    auto* visit = reinterpret_cast<Visit*>(data);
    EXPECT_GT(rect->right, rect->left);
    visit->monitors.push_back(monitor);
    visit->contexts.push_back(context);
    return visit->monitors.size() < visit->stopAfter;
}

class Monitors : public WindowTest::WindowFixture
{
protected:
    void TearDown() override
    {
        OverrideDisplayDpi(0, -1, -1);
        WindowFixture::TearDown();
    }
};

TEST_F(Monitors, EnumerationVisitsEachDisplayUntilTheCallbackStops)
{
    const int count = DisplayCount();
    ASSERT_GE(count, 1);
    DeviceContext screen = GetDC(nullptr);
    Visit all;
    EXPECT_TRUE(EnumDisplayMonitors(screen, nullptr, &Collect, reinterpret_cast<std::intptr_t>(&all)));
    ASSERT_EQ(all.monitors.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(all.monitors[0], MonitorOfDisplay(0));
    Visit first;
    first.stopAfter = 1;
    EnumDisplayMonitors(screen, nullptr, &Collect, reinterpret_cast<std::intptr_t>(&first));
    EXPECT_EQ(first.monitors.size(), 1u);
    ReleaseDC(nullptr, screen);

    const int width = GetDeviceCaps(all.contexts[0], HORZRES);
    const int height = GetDeviceCaps(all.contexts[0], VERTRES);
    ASSERT_GT(width, 0);
    OverrideDisplayDpi(0, 96.0f, 48.0f);
    EXPECT_EQ(GetDeviceCaps(all.contexts[0], HORZSIZE), std::lround(width / 96.0 * 25.4));
    EXPECT_EQ(GetDeviceCaps(all.contexts[0], VERTSIZE), std::lround(height / 48.0 * 25.4));
    OverrideDisplayDpi(0, 0.0f, 0.0f);
    EXPECT_EQ(GetDeviceCaps(all.contexts[0], HORZSIZE), 0) << "no DPI, no size";
    EXPECT_EQ(GetDeviceCaps(nullptr, HORZSIZE), 0);
}

} // namespace
