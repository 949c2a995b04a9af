#include "foundation/FileStream.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

using BaseLib::CFileStream;

using FileStream = TempFolderTest;

TEST_F(FileStream, WriteModeEmptiesAnExistingFile)
{
    WriteFile("a.bin", "old content");
    {
        CFileStream stream(CFileStream::ModeWrite, PathOf("a.bin"));
        EXPECT_TRUE(stream.IsOpen());
        EXPECT_FALSE(stream.CanRead());
        EXPECT_TRUE(stream.CanWrite());
    }
    EXPECT_EQ(ReadFile("a.bin"), "");
}

TEST_F(FileStream, ReadWriteModeTruncatesThenReadsBack)
{
    WriteFile("a.bin", "old content");
    CFileStream stream(CFileStream::ModeReadWrite, PathOf("a.bin"));
    ASSERT_TRUE(stream.IsOpen());
    EXPECT_TRUE(stream.CanRead());
    EXPECT_TRUE(stream.CanWrite());
    EXPECT_EQ(stream.GetSize(), 0);
    stream.Write("xyz", 3);
    stream.WriteChar('!');
    stream.Flush();
    stream.Seek(1);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 3);
    EXPECT_EQ(std::string(buffer), "yz!");
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(ReadFile("a.bin"), "xyz!");
}

TEST_F(FileStream, ReadsPastTheEndAndGoesOn)
{
    WriteFile("four.bin", "abcd");
    CFileStream stream(CFileStream::ModeRead, PathOf("four.bin"));
    ASSERT_TRUE(stream.IsOpen());
    EXPECT_EQ(stream.ReadChar(), 'a');
    EXPECT_EQ(stream.Tell(), 1);
    EXPECT_EQ(stream.GetSize(), 4);
    EXPECT_EQ(stream.Tell(), 1);

    stream.Seek(0);
    char buffer[10] = {};
    EXPECT_EQ(stream.Read(buffer, 10), 4);
    EXPECT_TRUE(stream.IsAtEnd());
    EXPECT_EQ(stream.ReadChar(), -1);
    EXPECT_EQ(stream.Tell(), 4);

    stream.Seek(0);
    EXPECT_FALSE(stream.IsAtEnd());
    EXPECT_EQ(stream.Read(buffer, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "ab");
    EXPECT_EQ(stream.ReadChar(), 'c');
}

TEST_F(FileStream, BytesAbove127ReadAsPositive)
{
    WriteFile("high.bin", "\xFF\x80");
    CFileStream stream(CFileStream::ModeRead, PathOf("high.bin"));
    EXPECT_EQ(stream.ReadChar(), 0xFF);
    EXPECT_EQ(stream.ReadChar(), 0x80);
    EXPECT_EQ(stream.ReadChar(), -1);
}

TEST_F(FileStream, FailedOpenIsClosedAndAnswersMinusOne)
{
    CFileStream stream(CFileStream::ModeRead, PathOf("missing.bin"));
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_TRUE(stream.CanRead());
    EXPECT_EQ(stream.Tell(), -1);
    EXPECT_EQ(stream.GetSize(), -1);
    char buffer[4];
    EXPECT_EQ(stream.Read(buffer, 4), 0);
    EXPECT_EQ(stream.ReadChar(), -1);
    EXPECT_EQ(stream.Tell(), -1);
    CFileStream folder(CFileStream::ModeWrite, PathOf(""));
    EXPECT_FALSE(folder.IsOpen());
}

TEST_F(FileStream, FindsAFileWhoseNameDiffersInCase)
{
    WriteFile("SavedGames.BIN", "data");
    CFileStream stream(CFileStream::ModeRead, PathOf("savedgames.bin"));
    ASSERT_TRUE(stream.IsOpen());
    EXPECT_EQ(stream.GetSize(), 4);
}
