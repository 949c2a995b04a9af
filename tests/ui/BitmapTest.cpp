#include "ui/Bitmap.h"
#include "foundation/PathAliases.h"
#include "foundation/ResourceRegistry.h"
#include "foundation/StreamingThread.h"
#include "platform/gfxkit/ImageLibrary.h"
#include "platform/os/DebugOutput.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapPng.h"
#include "ui/AlphaBitmapFont.h"
#include "ui/FontFactory.h"
#include "ui/UILibSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using BaseLib::CColor;
using UILib::CBitmap;
using UILib::CBitmapFactory;

// Little-endian bytes of an image file spelled out by a test.
struct Bytes
{
    std::string data;
    Bytes& U8(std::uint32_t v)
    {
        data.push_back(static_cast<char>(v & 0xFF));
        return *this;
    }
    Bytes& U16(std::uint32_t v) { return U8(v).U8(v >> 8); }
    Bytes& U32(std::uint32_t v) { return U16(v).U16(v >> 16); }
    Bytes& Text(const std::string& text)
    {
        data += text;
        return *this;
    }
};

// A BMP with a 40-byte information header; pixels and palette supplied as bytes.
std::string Bmp(std::int32_t width, std::int32_t height, std::uint32_t bits, std::uint32_t compression,
                const std::vector<std::uint32_t>& palette, const std::string& pixels)
{
    const std::uint32_t offset = 14 + 40 + static_cast<std::uint32_t>(palette.size()) * 4;
    Bytes b;
    b.Text("BM").U32(offset + static_cast<std::uint32_t>(pixels.size())).U32(0).U32(offset);
    b.U32(40).U32(static_cast<std::uint32_t>(width)).U32(static_cast<std::uint32_t>(height)).U16(1).U16(bits);
    b.U32(compression).U32(static_cast<std::uint32_t>(pixels.size())).U32(2835).U32(2835);
    b.U32(static_cast<std::uint32_t>(palette.size())).U32(0);
    for (std::uint32_t entry : palette)
    {
        b.U32(entry); // blue, green, red, 0
    }
    return b.data + pixels;
}

// An uncompressed 32-bit TGA; rows as given (bottom row first unless topFirst).
std::string Tga(std::uint32_t width, std::uint32_t height, bool topFirst,
                const std::vector<std::uint32_t>& rows)
{
    Bytes b;
    b.U8(0).U8(0).U8(2).U16(0).U16(0).U8(0).U16(0).U16(0).U16(width).U16(height).U8(32).U8(topFirst ? 0x28
                                                                                                    : 0x08);
    for (std::uint32_t word : rows)
    {
        b.U32(word);
    }
    return b.data;
}

class BitmapFactoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registry.SetMemoryLimit(33554432);
        folder = std::filesystem::temp_directory_path() /
                 ("quarrow_ui_bitmaps_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "first");
        std::filesystem::create_directories(folder / "second");
        factory = std::make_unique<CBitmapFactory>(&registry, nullptr);
    }
    void TearDown() override
    {
        factory.reset();
        std::filesystem::remove_all(folder);
    }

    std::string Path(const std::string& name) const { return (folder / name).string(); }
    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }
    // A PNG written with the bitmap PNG writer; pixel (x, y) = pixel(x, y).
    template <typename F> void WritePng(const std::string& name, int width, int height, F pixel) const
    {
        std::vector<CColor> pixels;
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                pixels.push_back(pixel(x, y));
            }
        }
        ASSERT_TRUE(UILib::WritePixelsPng(Path(name), width, height, pixels.data(), width));
    }
    static CColor At(const CBitmap& bitmap, int x, int y)
    {
        return bitmap.GetPixels()[y * bitmap.GetWidth() + x];
    }
    static void ExpectPlaceholder(const CBitmap& bitmap)
    {
        ASSERT_TRUE(bitmap.IsValid());
        EXPECT_TRUE(bitmap.IsPlaceholder());
        ASSERT_EQ(bitmap.GetWidth(), 100);
        ASSERT_EQ(bitmap.GetHeight(), 100);
        EXPECT_EQ(At(bitmap, 0, 0), CColor(200, 100, 100, 255));
        EXPECT_EQ(At(bitmap, 99, 99), CColor(200, 100, 100, 255));
    }

    BaseLib::CResourceRegistry registry;
    std::unique_ptr<CBitmapFactory> factory;
    std::filesystem::path folder;
};

CColor Gradient(int x, int y)
{
    return CColor(x * 2, y * 2, 100, (x + y) % 256);
}

// The pixels of the placeholder's text: dark ones in rows [top, bottom).
int DarkPixels(const CBitmap& bitmap, int top, int bottom)
{
    int count = 0;
    for (int y = top; y < bottom; ++y)
    {
        for (int x = 0; x < bitmap.GetWidth(); ++x)
        {
            count += bitmap.GetPixels()[y * bitmap.GetWidth() + x].GetRed() < 100 ? 1 : 0;
        }
    }
    return count;
}

TEST_F(BitmapFactoryTest, SearchFoldersInOrderAndWarningsPerFolder)
{
    factory->AddSearchPath("x");
    factory->AddSearchPath("");
    EXPECT_EQ(factory->GetSearchPaths(), (std::vector<std::string>{"./", "x/"}));

    CBitmapFactory own(&registry, nullptr);
    own.AddSearchPath(Path("first/").c_str());
    own.AddSearchPath(Path("second").c_str());
    WritePng("second/only.png", 3, 2, Gradient);
    {
        CBitmap bitmap("only.png");
        ASSERT_EQ(bitmap.GetWidth(), 3);
        EXPECT_FALSE(bitmap.IsPlaceholder());
        EXPECT_EQ(At(bitmap, 2, 1), Gradient(2, 1));
    }
    Platform::DebugOutputCapture capture;
    CBitmap missing("missing.png");
    ExpectPlaceholder(missing);
    EXPECT_EQ(capture.Text(), "CBitmapFactory: Warning: failed to load: ./missing.png\n"
                              "CBitmapFactory: Warning: failed to load: " +
                                  Path("first/missing.png") +
                                  "\n"
                                  "CBitmapFactory: Warning: failed to load: " +
                                  Path("second/missing.png") + "\n");
}

TEST_F(BitmapFactoryTest, AnAbsoluteNameIsTriedOnceAsItIs)
{
    factory->AddSearchPath(Path("first").c_str());
    WritePng("abs.png", 4, 4, Gradient);
    CBitmap found(Path("abs.png").c_str());
    EXPECT_EQ(found.GetWidth(), 4);
    EXPECT_FALSE(found.IsPlaceholder());

    Platform::DebugOutputCapture capture;
    CBitmap missing(Path("nowhere.png").c_str());
    ExpectPlaceholder(missing);
    EXPECT_EQ(capture.Text(), "CBitmapFactory: Warning: failed to load: " + Path("nowhere.png") + "\n");
}

TEST_F(BitmapFactoryTest, ScalingAndResizingTable)
{
    WritePng("wide.png", 101, 3, Gradient);
    WritePng("square.png", 100, 100, Gradient);
    const std::string wide = Path("wide.png");
    const std::string square = Path("square.png");
    const float infinity = std::numeric_limits<float>::infinity();
    struct Case
    {
        std::string name;
        CBitmap bitmap;
        int width;
        int height;
        bool placeholder;
        std::string resourceName;
    };
    Platform::DebugOutputCapture capture;
    const auto start = std::chrono::steady_clock::now();
    const Case cases[] = {
        {"half", CBitmap(wide.c_str(), 0.5f), 50, 1, false, wide + "_0.5"},
        {"thousandth", CBitmap(square.c_str(), 0.001f), 1, 1, false, square + "_0.001"},
        {"sized", CBitmap(square.c_str(), 32, 16), 32, 16, false, square + "_32_16"},
        {"one", CBitmap(square.c_str(), 1.0f), 100, 100, false, square + "_1"},
        {"zero", CBitmap(square.c_str(), 0.0f), 100, 100, false, square + "_0"},
        {"negative", CBitmap(square.c_str(), -1.0f), 100, 100, false, square + "_-1"},
        {"negative width", CBitmap(square.c_str(), -5, 10), 100, 100, false, square + "_-5_10"},
        {"zero width", CBitmap(square.c_str(), 0, 10), 1, 10, false, square + "_0_10"},
        {"huge scale", CBitmap(square.c_str(), 1e6f), 100, 100, true, square + "_1e+06"},
        {"infinite scale", CBitmap(square.c_str(), infinity), 100, 100, true, square + "_inf"},
        {"huge size", CBitmap(square.c_str(), 70000, 70000), 100, 100, true, square + "_70000_70000"},
    };
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.bitmap.GetWidth(), c.width);
        EXPECT_EQ(c.bitmap.GetHeight(), c.height);
        EXPECT_EQ(c.bitmap.IsPlaceholder(), c.placeholder);
        EXPECT_STREQ(c.bitmap.GetFileName(), c.resourceName.c_str());
    }
    EXPECT_NE(capture.Text().find("square.png: the size 1e+08 x 1e+08 is too large"), std::string::npos)
        << capture.Text();

    const CBitmap plain(square.c_str());
    const CBitmap& one = cases[3].bitmap;
    EXPECT_TRUE(plain != one);
    ASSERT_EQ(plain.GetPixelCount(), one.GetPixelCount());
    EXPECT_EQ(0, std::memcmp(plain.GetPixels(), one.GetPixels(), 4 * 10000));
    EXPECT_EQ(At(plain, 7, 3), Gradient(7, 3));
}

TEST_F(BitmapFactoryTest, PaletteBmpAlphaPngAndTgaRowOrder)
{
    // 2 × 2, 8 bits, palette red, green; rows bottom first, padded to 4 bytes.
    WriteFile("palette.bmp", Bmp(2, 2, 8, 0, {0x00FF0000u, 0x0000FF00u},
                                 std::string("\x01\x00\x00\x00\x00\x01\x00\x00", 8)));
    WritePng("alpha.png", 16, 1, [](int x, int) { return CColor(10, 20, 30, x * 17); });
    const std::vector<std::uint32_t> rows = {0xFF0000FFu, 0xFF00FF00u, 0x80FF0000u, 0x40FFFFFFu};
    WriteFile("bottom.tga", Tga(2, 2, false, rows));
    WriteFile("top.tga", Tga(2, 2, true, rows));
    // Another user of DevIL turning the origin over must not turn bitmaps over.
    Platform::GfxKit::TurnImageLibraryOriginOver();

    const CBitmap palette(Path("palette.bmp").c_str());
    ASSERT_EQ(palette.GetWidth(), 2);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(palette.GetPixels());
    // Top row: red, green. Bytes blue, green, red, alpha.
    EXPECT_EQ(std::vector<int>(bytes, bytes + 8), (std::vector<int>{0, 0, 255, 255, 0, 255, 0, 255}));
    EXPECT_EQ(At(palette, 0, 1), CColor(0, 255, 0, 255));

    const CBitmap alpha(Path("alpha.png").c_str());
    ASSERT_EQ(alpha.GetWidth(), 16);
    for (int x = 0; x < 16; ++x)
    {
        EXPECT_EQ(At(alpha, x, 0), CColor(10, 20, 30, x * 17));
    }

    const CBitmap bottom(Path("bottom.tga").c_str());
    const CBitmap top(Path("top.tga").c_str());
    ASSERT_EQ(bottom.GetWidth(), 2);
    ASSERT_EQ(top.GetWidth(), 2);
    EXPECT_EQ(At(bottom, 0, 0).argb, rows[2]);
    EXPECT_EQ(At(bottom, 1, 1).argb, rows[1]);
    EXPECT_EQ(At(top, 0, 0).argb, rows[0]);
    EXPECT_EQ(At(top, 1, 1).argb, rows[3]);
}

TEST_F(BitmapFactoryTest, DamagedFilesGiveThePlaceholderAndTheirReason)
{
    std::string png;
    {
        WritePng("source.png", 64, 64, Gradient);
        std::ifstream in(folder / "source.png", std::ios::binary);
        png.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(png.size(), 100u);
    std::string scrambled = png;
    for (std::size_t i = 60; i + 20 < scrambled.size(); i += 3)
    {
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
    }
    std::string hugePng = png;
    hugePng.replace(16, 8, std::string("\x00\x00\xEA\x60\x00\x00\xEA\x60", 8));
    const std::string row24(8, '\x40');
    // 16 × 16 run-length TGA of 16 bits whose packets stop after half the picture.
    std::string cutRunLength16("\0\0\x0a\0\0\0\0\0\0\0\0\0\x10\0\x10\0\x10\x20", 18);
    cutRunLength16 += std::string("\xFF\x00\xFC", 3);
    struct Case
    {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty.png", ""},
        {"text.png", "this is not a picture\n"},
        {"header.png", png.substr(0, 33)},
        {"half.png", png.substr(0, png.size() / 2)},
        {"scrambled.png", scrambled},
        {"huge.png", hugePng},
        {"huge.bmp", Bmp(70000, 70000, 24, 0, {}, row24)},
        {"negative.bmp", Bmp(-5, -7, 24, 0, {}, row24)},
        {"short.bmp", Bmp(16, 16, 24, 0, {}, row24)},
        {"short.tga", Tga(16, 16, false, {1, 2, 3})},
        {"cut-run-length16.tga", cutRunLength16},
        {"other.gif", "GIF89a\x02\x00\x02\x00\x00\x00\x00;"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        WriteFile(c.name, c.bytes);
        Platform::DebugOutputCapture capture;
        const auto start = std::chrono::steady_clock::now();
        const CBitmap bitmap(Path(c.name).c_str());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        ExpectPlaceholder(bitmap);
        const std::string expected = "CBitmapFactory: Warning: failed to load: " + Path(c.name) + "\n" +
                                     "CBitmapFactory: Warning: " + Path(c.name) + " refused: ";
        EXPECT_EQ(capture.Text().substr(0, expected.size()), expected) << capture.Text();
    }
}

TEST_F(BitmapFactoryTest, RunLengthBmpEndingEarlyShowsPaletteEntryZero)
{
    // 4 × 4, 8-bit RLE: one run of 4 pixels of entry 1 on the bottom row, then the end of the bitmap.
    const std::string runs("\x04\x01\x00\x00\x00\x01", 6);
    WriteFile("early.bmp", Bmp(4, 4, 8, 1, {0x000000FFu, 0x00FF0000u}, runs));
    const CBitmap bitmap(Path("early.bmp").c_str());
    ASSERT_EQ(bitmap.GetWidth(), 4);
    ASSERT_FALSE(bitmap.IsPlaceholder());
    for (int x = 0; x < 4; ++x)
    {
        EXPECT_EQ(At(bitmap, x, 3), CColor(255, 0, 0, 255));
        for (int y = 0; y < 3; ++y)
        {
            EXPECT_EQ(At(bitmap, x, y), CColor(0, 0, 255, 255)) << x << "," << y;
        }
    }
}

TEST_F(BitmapFactoryTest, SharingCopyOnWriteGreyscaleAndBlanks)
{
    WritePng("shared.png", 2, 2, [](int, int) { return CColor(10, 20, 31, 77); });
    CBitmap first(Path("shared.png").c_str());
    CBitmap second(Path("shared.png").c_str());
    EXPECT_FALSE(first != second);
    CColor* pixels = first.GetWritablePixels();
    ASSERT_NE(pixels, nullptr);
    EXPECT_TRUE(first != second);
    pixels[0] = CColor(1, 2, 3, 4);
    EXPECT_EQ(At(second, 0, 0), CColor(10, 20, 31, 77));
    EXPECT_EQ(first.GetWritablePixels(), pixels); // private now: no second copy

    CBitmap grey = second;
    UILib::CreateGreyscaleCopy(grey);
    EXPECT_EQ(At(grey, 1, 1), CColor(20, 20, 20, 77));
    EXPECT_EQ(At(second, 1, 1), CColor(10, 20, 31, 77));

    const CBitmap empty;
    EXPECT_TRUE(CBitmap("", 8, 8).IsNull()); // an empty name is no file, also with a size
    EXPECT_FALSE(empty.IsDifferentFile(""));
    EXPECT_TRUE(empty.IsDifferentFile("a.png"));
    EXPECT_TRUE(second.IsDifferentFile(""));
    EXPECT_FALSE(second.IsDifferentFile(Path("shared.png").c_str()));

    const CBitmap blank(64, 32, true);
    ASSERT_EQ(blank.GetPixelCount(), 2048);
    for (int i = 0; i < 2048; ++i)
    {
        ASSERT_EQ(blank.GetPixels()[i].argb, 0u);
    }
    Platform::DebugOutputCapture capture;
    const CBitmap negative(-3, 5, true);
    EXPECT_TRUE(negative.IsPlaceholder());
    EXPECT_NE(capture.Text().find("blank bitmap of -3 x 5"), std::string::npos);
}

TEST(BitmapFactoryLifetime, WithoutAFactoryBitmapsStayEmpty)
{
    ASSERT_EQ(CBitmapFactory::GetCurrent(), nullptr);
    EXPECT_TRUE(CBitmap("anything.png").IsNull());
    EXPECT_TRUE(CBitmap(4, 4, true).IsNull());
}

int g_liveBitmapData = 0;

TEST(BitmapFactoryLifetime, TheFactoryDestroysTheCachedBitmaps)
{
    // Data objects that count themselves, so their deletion by the factory's destructor is seen.
    struct CountedData : UILib::CBitmapData
    {
        explicit CountedData(BaseLib::CResourceFactory* factory) : CBitmapData(factory)
        {
            ++g_liveBitmapData;
        }
        ~CountedData() override { --g_liveBitmapData; }
    };
    struct CountingFactory : CBitmapFactory
    {
        using CBitmapFactory::CBitmapFactory;
        BaseLib::CResource* Create(const BaseLib::CResourceParameters& parameters) override
        {
            auto* data = new CountedData(this);
            data->SetParameters(std::make_unique<UILib::CBitmapDataResourceParameters>(
                static_cast<const UILib::CBitmapDataResourceParameters&>(parameters)));
            return data;
        }
    };
    BaseLib::CResourceRegistry registry;
    registry.SetMemoryLimit(33554432);
    auto factory = std::make_unique<CountingFactory>(&registry, nullptr);
    EXPECT_EQ(CBitmapFactory::GetCurrent(), factory.get());
    {
        Platform::DebugOutputCapture quiet;
        const CBitmap a("cached-a.png");
        const CBitmap b("cached-b.png", 2.0f);
        EXPECT_TRUE(a.IsPlaceholder());
        EXPECT_EQ(g_liveBitmapData, 2);
    }
    EXPECT_EQ(g_liveBitmapData, 2); // released into the cache
    factory.reset();
    EXPECT_EQ(g_liveBitmapData, 0);
    EXPECT_EQ(CBitmapFactory::GetCurrent(), nullptr);
}

TEST(BitmapFactoryBackground, ScheduledBitmapsAreWaitedFor)
{
    BaseLib::CResourceRegistry registry;
    auto thread = std::make_unique<BaseLib::CStreamingThread>();
    thread->Start();
    CBitmapFactory factory(&registry, thread.get());
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("quarrow_ui_background_" + std::to_string(getpid()) + ".png");
    const std::vector<CColor> pixels(12, CColor(1, 2, 3, 255));
    ASSERT_TRUE(UILib::WritePixelsPng(file.string(), 4, 3, pixels.data(), 4));
    {
        const CBitmap now(file.string().c_str());
        EXPECT_EQ(now.PeekData()->GetState(), BaseLib::ResourceLoaded);
    }
    factory.SetBackgroundLoading(true);
    {
        CBitmap later;
        {
            // The worker cannot load while DevIL's lock is held here, so the bitmap stays scheduled.
            std::lock_guard<std::recursive_mutex> hold(Platform::GfxKit::ImageLibraryLock());
            later = CBitmap((file.string() + "").c_str(), 2, 2);
            EXPECT_EQ(later.PeekData()->GetState(), BaseLib::ResourceScheduled);
        }
        EXPECT_EQ(later.GetWidth(), 2);
        EXPECT_EQ(later.PeekData()->GetState(), BaseLib::ResourceLoaded);
        EXPECT_EQ(later.GetPixels()[3], CColor(1, 2, 3, 255));
    }
    {
        // A placeholder made on the streaming thread writes its name with a private copy of the font,
        // which is gone with the load: the font registry keeps only the shared one.
        BaseLib::CResourceRegistry fontRegistry;
        fontRegistry.SetMemoryLimit(3 * 1024 * 1024);
        auto fonts = std::make_unique<UILib::CFontFactory>(&fontRegistry);
        Platform::DebugOutputCapture quiet;
        CBitmap missing;
        {
            std::lock_guard<std::recursive_mutex> hold(Platform::GfxKit::ImageLibraryLock());
            missing = CBitmap("missing-in-the-background.png");
            EXPECT_EQ(missing.PeekData()->GetState(), BaseLib::ResourceScheduled);
        }
        EXPECT_TRUE(missing.IsPlaceholder());
        EXPECT_GT(DarkPixels(missing, 0, 20), 20);
        missing.Release();
        const auto shared = UILib::CreateAlphaBitmapFont(fonts.get(), 16, "", 0, 0, 5, 0);
        ASSERT_TRUE(shared);
        EXPECT_EQ(static_cast<UILib::CAlphaBitmapFont&>(*shared).GetSize(), 0u); // no glyph drawn with it
    }
    // The worker drops its own reference to a loaded bitmap after waking the waiters: it is stopped
    // before the factory goes, as the window system shuts down.
    thread.reset();
    std::filesystem::remove(file);
}

TEST(BitmapFactoryAliases, FileNamesAreResolvedThroughTheWindowSystemsAliases)
{
    // Capitals and a blank in the folder, as a user's game folder may have.
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("Quarrow Alias " + std::to_string(getpid())) / "Art";
    std::filesystem::create_directories(folder);
    const std::vector<CColor> pixels(6, CColor(9, 8, 7, 255));
    ASSERT_TRUE(UILib::WritePixelsPng((folder / "pic.png").string(), 3, 2, pixels.data(), 3));
    UILib::CUILibSystem::CreateInstance();
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    ASSERT_NE(system, nullptr);
    {
        // Without aliases the name is used as given.
        Platform::DebugOutputCapture quiet;
        const CBitmap asGiven("art>Pic.PNG");
        EXPECT_TRUE(asGiven.IsPlaceholder());
        EXPECT_STREQ(asGiven.GetFileName(), "art>Pic.PNG");
    }
    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("art", folder.string());
    system->SetPathAliases(&aliases);
    {
        // The resolved path (the folder as registered, the media name lower-cased) names the resource
        // and is loaded, by every front door.
        const std::string resolved = aliases.ResolvePath("art>Pic.PNG");
        EXPECT_EQ(resolved, (folder / "pic.png").string());
        const CBitmap bitmap("art>Pic.PNG");
        EXPECT_FALSE(bitmap.IsPlaceholder());
        EXPECT_EQ(bitmap.GetWidth(), 3);
        EXPECT_STREQ(bitmap.GetFileName(), resolved.c_str());
        EXPECT_STREQ(CBitmap((folder / "PIC.png").string().c_str()).GetFileName(), resolved.c_str());
        EXPECT_STREQ(CBitmap("art>Pic.PNG", 2.0f).GetFileName(), (resolved + "_2").c_str());
        const CBitmap sized("art>Pic.PNG", 6, 4);
        EXPECT_STREQ(sized.GetFileName(), (resolved + "_6_4").c_str());
        EXPECT_EQ(sized.GetWidth(), 6);
    }
    system->SetPathAliases(nullptr);
    UILib::CUILibSystem::DestroyInstance();
    std::filesystem::remove_all(folder.parent_path());
}

TEST_F(BitmapFactoryTest, PngWriterRoundTripAndThePlaceholderPicture)
{
    WritePng("round.png", 5, 4, Gradient);
    const CBitmap bitmap(Path("round.png").c_str());
    ASSERT_EQ(bitmap.GetPixelCount(), 20);
    for (int i = 0; i < 20; ++i)
    {
        EXPECT_EQ(bitmap.GetPixels()[i], Gradient(i % 5, i / 5));
    }
    Platform::DebugOutputCapture quiet;
    // Without a font factory the placeholder is the plain block; with one it shows its file name.
    const CBitmap plain("no-such-file.png");
    ExpectPlaceholder(plain);
    EXPECT_EQ(DarkPixels(plain, 0, 100), 0);
    BaseLib::CResourceRegistry fontRegistry;
    fontRegistry.SetMemoryLimit(3 * 1024 * 1024);
    auto fonts = std::make_unique<UILib::CFontFactory>(&fontRegistry);
    const CBitmap placeholder("no-such-file-either.png");
    ASSERT_TRUE(placeholder.IsPlaceholder());
    ASSERT_EQ(placeholder.GetPixelCount(), 10000);
    EXPECT_GT(DarkPixels(placeholder, 0, 20), 20); // the name's ink lies in its first line
    EXPECT_EQ(DarkPixels(placeholder, 20, 100), 0);
    EXPECT_EQ(placeholder.GetPixels()[9999], CColor(200, 100, 100, 255));

    const std::filesystem::path out = QUARROW_TEST_OUTPUT_DIR;
    std::filesystem::create_directories(out);
    ASSERT_TRUE(UILib::WriteBitmapPng((out / "bitmap_placeholder.png").string(), placeholder));
    const CBitmap back((out / "bitmap_placeholder.png").string().c_str());
    ASSERT_EQ(back.GetPixelCount(), 10000);
    EXPECT_FALSE(back.IsPlaceholder());
    EXPECT_EQ(0, std::memcmp(back.GetPixels(), placeholder.GetPixels(), 40000));
}

} // namespace
