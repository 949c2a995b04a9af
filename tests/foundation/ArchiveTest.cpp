#include "foundation/Archive.h"
#include "foundation/FileStream.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

using namespace BaseLib;

using Archive = TempFolderTest;

TEST_F(Archive, WorkedExampleBytes)
{
    {
        CArchiveBinaryFile archive(PathOf("a.bin"), CArchive::ModeSave);
        ASSERT_EQ(archive.GetMode(), CArchive::ModeSave);
        std::int32_t number = 258;
        float one = 1.0f;
        std::string ab = "ab";
        archive.Serialize(number);
        archive.Serialize(one);
        SerializeString(archive, ab);
    }
    EXPECT_EQ(ReadFile("a.bin"), std::string("\x00\x00\x01\x02\x00\x00\x80\x3F\x00\x00\x00\x02"
                                             "ab",
                                             14));
}

TEST_F(Archive, EverySlotByteForByteAndBack)
{
    std::uint8_t u8 = 0xAB;
    std::int8_t i8 = -2;
    char c = 'q';
    bool flag = true;
    std::int16_t i16 = 0x1234;
    std::uint16_t u16 = 0xFEDC;
    std::int32_t minusOne = -1;
    std::uint32_t u32 = 0x01020304;
    float f = -2.5f;
    double d = 1.0;
    const char raw[3] = {'\x01', '\x00', '\x02'};
    {
        CArchiveBinaryFile archive(PathOf("all.bin"), CArchive::ModeSave);
        archive.Serialize(u8);
        archive.Serialize(i8);
        archive.Serialize(c);
        archive.Serialize(flag);
        archive.Serialize(i16);
        archive.Serialize(u16);
        archive.Serialize(minusOne);
        archive.Serialize(u32);
        archive.Serialize(f);
        archive.Serialize(d);
        archive.WriteBytes(raw, 3);
        EXPECT_TRUE(archive.SerializeObjects());
        EXPECT_EQ(archive.GetMode(), CArchive::ModeFinished);
        EXPECT_FALSE(archive.HasFailed());
    }
    const std::string expected("\xAB\xFE"
                               "q\x01\x12\x34\xFE\xDC\xFF\xFF\xFF\xFF\x01\x02\x03\x04"
                               "\x00\x00\x20\xC0"
                               "\x00\x00\x00\x00\x00\x00\xF0\x3F"
                               "\x01\x00\x02",
                               31);
    EXPECT_EQ(ReadFile("all.bin"), expected);

    CArchiveBinaryFile archive(PathOf("all.bin"), CArchive::ModeLoad);
    ASSERT_EQ(archive.GetMode(), CArchive::ModeLoad);
    std::uint8_t u8b = 0;
    std::int8_t i8b = 0;
    char cb = 0;
    bool flagb = false;
    std::int16_t i16b = 0;
    std::uint16_t u16b = 0;
    std::int32_t i32b = 0;
    std::uint32_t u32b = 0;
    float fb = 0;
    double db = 0;
    char rawb[3] = {};
    archive.Serialize(u8b);
    archive.Serialize(i8b);
    archive.Serialize(cb);
    archive.Serialize(flagb);
    archive.Serialize(i16b);
    archive.Serialize(u16b);
    archive.Serialize(i32b);
    archive.Serialize(u32b);
    archive.Serialize(fb);
    archive.Serialize(db);
    archive.ReadBytes(rawb, 3);
    EXPECT_FALSE(archive.HasFailed());
    EXPECT_EQ(u8b, u8);
    EXPECT_EQ(i8b, i8);
    EXPECT_EQ(cb, c);
    EXPECT_EQ(flagb, flag);
    EXPECT_EQ(i16b, i16);
    EXPECT_EQ(u16b, u16);
    EXPECT_EQ(i32b, minusOne);
    EXPECT_EQ(u32b, u32);
    EXPECT_EQ(fb, f);
    EXPECT_EQ(db, d);
    EXPECT_EQ(std::string(rawb, 3), std::string(raw, 3));
}

TEST_F(Archive, SavingNothingGivesAnEmptyFileAndAMissingFileFinishesAtOnce)
{
    {
        CArchiveBinaryFile archive(PathOf("empty.bin"), CArchive::ModeSave);
    }
    EXPECT_EQ(ReadFile("empty.bin"), "");

    CArchiveBinaryFile missing(PathOf("missing.bin"), CArchive::ModeLoad);
    EXPECT_EQ(missing.GetMode(), CArchive::ModeFinished);
    std::int32_t value = 7;
    missing.Serialize(value);
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(missing.HasFailed());
}

TEST_F(Archive, StringWithAZeroByteLoadsTheTextBeforeItAndConsumesTheRest)
{
    WriteFile("s.bin", std::string("\x00\x00\x00\x04"
                                   "a\x00"
                                   "bc\x00\x00\x00\x09",
                                   12));
    CArchiveBinaryFile archive(PathOf("s.bin"), CArchive::ModeLoad);
    std::string text = "preset";
    std::int32_t after = 0;
    SerializeString(archive, text);
    archive.Serialize(after);
    EXPECT_EQ(text, "a");
    EXPECT_EQ(after, 9);
    EXPECT_FALSE(archive.HasFailed());
}

TEST_F(Archive, TruncatedDataLeavesPresetValuesAndSetsTheFlag)
{
    // An int, then a float cut after two bytes, then nothing for the string and the last int.
    WriteFile("short.bin", std::string("\x00\x00\x00\x05\x00\x00", 6));
    CArchiveBinaryFile archive(PathOf("short.bin"), CArchive::ModeLoad);
    std::int32_t first = -1;
    float second = 3.5f;
    std::string name = "default name";
    CString label("default label");
    std::int32_t last = 42;
    archive.Serialize(first);
    EXPECT_FALSE(archive.HasFailed());
    archive.Serialize(second);
    EXPECT_TRUE(archive.HasFailed());
    SerializeString(archive, name);
    SerializeString(archive, label);
    archive.Serialize(last);
    EXPECT_EQ(first, 5);
    EXPECT_EQ(second, 3.5f);
    EXPECT_EQ(name, "default name");
    EXPECT_STREQ(label, "default label");
    EXPECT_EQ(last, 42);
}

TEST_F(Archive, DamagedStringLengthsFailWithoutTouchingTheString)
{
    const std::string cases[] = {
        std::string("\xFF\xFF\xFF\xFF"
                    "abc",
                    7),
        std::string("\x00\x00\x00\x10"
                    "abc",
                    7),
        std::string("\x00\x01", 2),
    };
    for (const std::string& bytes : cases)
    {
        WriteFile("bad.bin", bytes);
        CArchiveBinaryFile archive(PathOf("bad.bin"), CArchive::ModeLoad);
        std::string text = "kept";
        SerializeString(archive, text);
        EXPECT_TRUE(archive.HasFailed());
        EXPECT_EQ(text, "kept");
    }
}

TEST_F(Archive, StreamArchiveOverAFileStreamRoundTrips)
{
    {
        CFileStream stream(CFileStream::ModeWrite, PathOf("saved.bin"));
        CArchiveBinaryStream archive(&stream, CArchive::ModeSave);
        ASSERT_EQ(archive.GetMode(), CArchive::ModeSave);
        std::int32_t index = 3;
        CString name("Slot \"one\"");
        std::uint8_t music = 1;
        float camera = 0.25f;
        archive.Serialize(index);
        SerializeString(archive, name);
        archive.Serialize(music);
        archive.Serialize(camera);
        archive.SerializeObjects();
        EXPECT_FALSE(stream.IsOpen());
    }
    CFileStream stream(CFileStream::ModeRead, PathOf("saved.bin"));
    CArchiveBinaryStream archive(&stream, CArchive::ModeLoad);
    ASSERT_EQ(archive.GetMode(), CArchive::ModeLoad);
    std::int32_t index = 0;
    CString name;
    std::uint8_t music = 0;
    float camera = 0;
    std::int32_t beyond = 77;
    archive.Serialize(index);
    SerializeString(archive, name);
    archive.Serialize(music);
    archive.Serialize(camera);
    EXPECT_FALSE(archive.HasFailed());
    archive.Serialize(beyond);
    EXPECT_TRUE(archive.HasFailed());
    EXPECT_EQ(index, 3);
    EXPECT_STREQ(name, "Slot \"one\"");
    EXPECT_EQ(music, 1);
    EXPECT_EQ(camera, 0.25f);
    EXPECT_EQ(beyond, 77);
}

TEST_F(Archive, StreamThatCannotServeTheModeFinishesAtOnce)
{
    CFileStream writeOnly(CFileStream::ModeWrite, PathOf("w.bin"));
    CArchiveBinaryStream loading(&writeOnly, CArchive::ModeLoad);
    EXPECT_EQ(loading.GetMode(), CArchive::ModeFinished);
    EXPECT_FALSE(writeOnly.IsOpen());

    CFileStream missing(CFileStream::ModeRead, PathOf("missing.bin"));
    CArchiveBinaryStream fromMissing(&missing, CArchive::ModeLoad);
    EXPECT_EQ(fromMissing.GetMode(), CArchive::ModeFinished);

    CArchiveBinaryStream none(nullptr, CArchive::ModeSave);
    EXPECT_EQ(none.GetMode(), CArchive::ModeFinished);
}
