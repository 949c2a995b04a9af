#include "game/savegame/ProgressRecord.h"

#include "foundation/Archive.h"
#include "game/savegame/ByteBufferStream.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

std::string Write(ProgressRecord& record)
{
    CByteBufferStream stream;
    {
        BaseLib::CArchiveBinaryStream archive(&stream, BaseLib::CArchive::ModeSave);
        EXPECT_EQ(record.SerializeProgress(archive), ProgressRecord::ReadFault::None);
    }
    return stream.GetBytes();
}

// Reads bytes into record; expects every byte to be taken and nothing to be missing.
void Read(const std::string& bytes, ProgressRecord& record)
{
    CByteBufferStream stream(bytes);
    BaseLib::CArchiveBinaryStream archive(&stream, BaseLib::CArchive::ModeLoad);
    EXPECT_EQ(record.SerializeProgress(archive), ProgressRecord::ReadFault::None);
    EXPECT_FALSE(archive.HasFailed());
    EXPECT_TRUE(stream.IsAtEnd());
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string bytes;
    for (int value : values)
    {
        bytes += static_cast<char>(value);
    }
    return bytes;
}

constexpr std::uint32_t BestMovesBits = 16383u << 15;

} // namespace

TEST(LevelRecord, BestMovesKeepTheSmallestCappedAt16383)
{
    LevelRecord record;
    EXPECT_FALSE(record.IsSolved());
    EXPECT_EQ(record.GetBestMoves(), LevelRecord::NoMoves);
    const struct
    {
        std::uint32_t moves;
        std::uint32_t best;
    } solutions[] = {{20000, 16383}, {50, 50}, {60, 50}, {49, 49}};
    for (const auto& solution : solutions)
    {
        record.SetSolved(solution.moves);
        EXPECT_TRUE(record.IsSolved());
        EXPECT_EQ(record.GetBestMoves(), solution.best) << solution.moves << " moves";
    }
    EXPECT_EQ(record.GetFlags() & ~(BestMovesBits | 1u), 0u)
        << "only the solved bit and the best moves change";
}

TEST(LevelRecord, CountersAndBestTimeTouchOnlyTheirOwnBits)
{
    // The play count stays at 4095 without carrying into the best moves.
    LevelRecord full(0xFFFFFFFFu, 7);
    full.IncrementPlayCount();
    EXPECT_EQ(full.GetFlags(), 0xFFFFFFFFu);

    LevelRecord counted(0xA0000000u | (123u << 15) | (2u << 1), 7);
    counted.IncrementPlayCount();
    counted.IncrementPlayCount();
    EXPECT_EQ(counted.GetPlayCount(), 2u);
    EXPECT_EQ(counted.GetFlags(), 0xA0000000u | (123u << 15) | (2u << 3) | (2u << 1));

    counted.RaiseRating(1);
    EXPECT_EQ(counted.GetRating(), 2u);
    counted.RaiseRating(3);
    EXPECT_EQ(counted.GetRating(), 3u);
    counted.RaiseRating(7);
    EXPECT_EQ(counted.GetRating(), 3u) << "a rating only rises";
    EXPECT_EQ(counted.GetPlayCount(), 2u);

    LevelRecord timed;
    timed.SetBestValue(-5);
    EXPECT_EQ(timed.GetBestValue(), -5) << "signed comparison: a negative time replaces none (65535)";
    timed.SetBestValue(10);
    EXPECT_EQ(timed.GetBestValue(), -5);

    // A reset clears bits 0 to 14, sets no best moves and no time, and keeps the unused bits 29 to 31.
    LevelRecord reset(0xFFFFFFFFu, 12);
    reset.Reset();
    EXPECT_EQ(reset.GetFlags(), 0xE0000000u | BestMovesBits);
    EXPECT_EQ(reset.GetBestValue(), LevelRecord::NoTime);
}

TEST(ProgressRecord, ResetGivesTheStartingProgress)
{
    ProgressRecord record;
    const int counts[] = {200, 36, 36, 36, 36};
    for (int map = 0; map < ProgressRecord::MapCount; ++map)
    {
        const MapProgress& block = record.GetMapProgress(map);
        EXPECT_EQ(block.GetLevelCount(), counts[map]);
        EXPECT_EQ(block.IsOpen(), map < 2) << "map " << map;
        EXPECT_FALSE(block.HasSolvedLevel());
    }
    EXPECT_EQ(record.GetTreasureGoldMax(), 220);
    EXPECT_EQ(record.GetFigureX(), -1.0f);
    EXPECT_EQ(record.GetFigureY(), -1.0f);
    EXPECT_EQ(record.GetCurrentMap(), 1);
    EXPECT_EQ(record.GetPreviousMap(), 6);
    EXPECT_EQ(record.GetLastSolvedMap(), -1);
    EXPECT_EQ(record.GetLastSolvedLevel(), -1);
    EXPECT_EQ(record.GetKeyCount(0) | record.GetKeyCount(1) | record.GetKeyCount(2), 0);
    EXPECT_EQ(record.GetPylonCount(), 0);
    EXPECT_EQ(record.GetTreasureGold(), 0);
    EXPECT_EQ(record.CountStars(286), 0);
    EXPECT_EQ(record.MaxStars(286), 3 * 144 + 220);

    const ProgressRecord fresh = record;
    record.GetMapProgress(3).SetOpen(true);
    record.GetMapProgress(3).SetCellState(5, 9);
    record.GetMapProgress(0).GetLevelRecord(255).SetSolved(3);
    record.SetLastCell(2, 7);
    record.SetTreasureGoldMax(10);
    record.ResetProgress();
    EXPECT_EQ(record, fresh);
}

TEST(ProgressRecord, StarsCountTheRecordsInUseOfTheSelectedMaps)
{
    ProgressRecord record;
    record.GetMapProgress(0).GetLevelRecord(0).RaiseRating(3);
    record.GetMapProgress(1).GetLevelRecord(35).RaiseRating(2);
    record.GetMapProgress(1).GetLevelRecord(36).RaiseRating(3); // beyond the level count
    record.GetMapProgress(4).GetLevelRecord(0).RaiseRating(1);
    record.SetTreasureGold(40);
    EXPECT_EQ(record.CountStars(1), 3);
    EXPECT_EQ(record.CountStars(2 | 16), 3);
    EXPECT_EQ(record.CountStars(286), 43);
    EXPECT_EQ(record.CountStars(31 | 256), 46);

    // Level counts outside 0..256 count as clamped into that range.
    record.GetMapProgress(0).SetLevelCount(300);
    record.GetMapProgress(1).SetLevelCount(-4);
    EXPECT_EQ(record.MaxStars(1 | 2), 3 * 256);
    EXPECT_EQ(record.CountStars(1 | 2), 3);
}

TEST(ProgressRecord, ResetRecordWrites4857Bytes)
{
    ProgressRecord record;
    EXPECT_EQ(Write(record).size(), 4857u);
}

TEST(ProgressRecord, WritesIntegersBigEndianAndRawWordsLittleEndian)
{
    ProgressRecord record;
    for (int map = 0; map < ProgressRecord::MapCount; ++map)
    {
        record.GetMapProgress(map).SetLevelCount(0);
    }
    record.SetCurrentMap(2);
    record.SetFigurePosition(1.5f, -2.0f);
    record.GetMapProgress(0).SetLevelCount(1);
    record.GetMapProgress(0).GetLevelRecord(0) = LevelRecord(0x01020304u, 0x0A0B0C0D);
    record.GetMapProgress(1).SetCellState(0, 0x11223344u);
    record.SetPylonCount(0x01000002);
    record.SetTreasureGold(-2);
    record.SetKeyCount(0, 1);
    record.SetKeyCount(2, 0x01020304);

    const std::string bytes = Write(record);
    ASSERT_EQ(bytes.size(), 4u + 8 + (4 + 8 + 1) + 4 * (4 + 512 + 1) + 8 + 12);
    const std::string head =
        Bytes({0,    0,    0,    2,                                           // current map
               0,    0,    0xC0, 0x3F, 0,    0,    0,    0xC0,                // figure 1.5, -2.0
               0,    0,    0,    1,                                           // map 0: one level
               4,    3,    2,    1,    0x0D, 0x0C, 0x0B, 0x0A, 1, 0, 0, 0, 0, // map 1: no level
               0x44, 0x33, 0x22, 0x11});                                      // its first cell state
    EXPECT_EQ(bytes.substr(0, head.size()), head);
    const std::string tail = Bytes({1, 0, 0, 2, 0xFF, 0xFF, 0xFF, 0xFE, // pylons, treasure gold
                                    1, 0, 0, 0, 0,    0,    0,    0,    4, 3, 2, 1});
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
    EXPECT_EQ(bytes[8 + 4 + 13 + 4 + 512], 1) << "map 1 open";
    EXPECT_EQ(bytes[8 + 4 + 13 + 2 * 517], 0) << "map 2 closed";
}

TEST(ProgressRecord, ReadingGivesTheWrittenWordsAndKeepsTheUnwrittenFields)
{
    ProgressRecord written;
    written.SetCurrentMap(4);
    written.SetFigurePosition(12.25f, -0.5f);
    for (int map = 0; map < ProgressRecord::MapCount; ++map)
    {
        MapProgress& block = written.GetMapProgress(map);
        block.SetOpen(map % 2 == 0);
        block.SetLevelCount(map * 3);
        for (int level = 0; level < block.GetLevelCount(); ++level)
        {
            block.GetLevelRecord(level) = LevelRecord(0x80000001u * level + map, level - map);
        }
        block.SetCellState(map == 0 ? 0 : 127, 0xDEAD0000u + map);
    }
    written.GetMapProgress(0).SetCellState(0, 0); // map 0 keeps no cell states in the data
    written.SetKeyCount(0, 3);
    written.SetKeyCount(1, -1);
    written.SetKeyCount(2, 1 << 30);
    written.SetPylonCount(6);
    written.SetTreasureGold(180);
    written.SetTreasureGoldMax(999);
    written.SetPreviousMap(3);
    written.SetLastCell(4, 2);

    ProgressRecord read;
    read.SetTreasureGoldMax(17);
    read.SetPreviousMap(0);
    read.SetLastCell(1, 9);
    Read(Write(written), read);

    ProgressRecord expected = written;
    expected.SetTreasureGoldMax(17);
    expected.SetPreviousMap(0);
    expected.SetLastCell(1, 9);
    EXPECT_EQ(read, expected);
}

TEST(ProgressRecord, LevelCountAbove256ReadsAndKeeps256Records)
{
    ProgressRecord written;
    written.GetMapProgress(0).SetLevelCount(300);
    written.GetMapProgress(0).GetLevelRecord(255).SetSolved(77);
    written.SetTreasureGold(5);
    const std::string bytes = Write(written);
    EXPECT_EQ(bytes.size(), 4857u + 56 * 8) << "the count as held, then 256 records (2048 bytes)";
    EXPECT_EQ(bytes.substr(12, 4), Bytes({0, 0, 0x01, 0x2C}));

    ProgressRecord read;
    Read(bytes, read);
    EXPECT_EQ(read.GetMapProgress(0).GetLevelCount(), 256);
    EXPECT_EQ(read.GetMapProgress(0).GetLevelRecord(255).GetBestMoves(), 77u);
    EXPECT_EQ(read.GetTreasureGold(), 5);
}
