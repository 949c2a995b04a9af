#include "game/savegame/SaveGameList.h"

#include "foundation/Archive.h"
#include "game/savegame/ByteBufferStream.h"
#include "game/savegame/SaveGameManager.h"
#include "platform/os/ComputerName.h"
#include "platform/os/DebugOutput.h"
#include "tests/game/savegame/SavedGamesFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using SaveGameList = SavedGamesFolder;

std::string ProgressBytes(const ProgressRecord& record)
{
    ProgressRecord copy = record;
    CByteBufferStream stream;
    {
        BaseLib::CArchiveBinaryStream archive(&stream, BaseLib::CArchive::ModeSave);
        copy.SerializeProgress(archive);
    }
    return stream.GetBytes();
}

void ExpectSameProfiles(const CSaveGameList& actual, const CSaveGameList& expected)
{
    ASSERT_EQ(actual.GetCount(), expected.GetCount());
    EXPECT_EQ(actual.GetCurrentIndex(), expected.GetCurrentIndex());
    for (std::int32_t i = 0; i < expected.GetCount(); ++i)
    {
        EXPECT_EQ(actual.Get(i)->GetName(), expected.Get(i)->GetName()) << "profile " << i;
        EXPECT_EQ(actual.Get(i)->GetOptions(), expected.Get(i)->GetOptions()) << "profile " << i;
        EXPECT_EQ(actual.Get(i)->GetProgress(), expected.Get(i)->GetProgress()) << "profile " << i;
    }
}

} // namespace

TEST_F(SaveGameList, EmptyListIsEightBytesAndLoadsBackEmpty)
{
    CSaveGameList list;
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(ReadFile(CSaveGameList::FileName), std::string("\xFF\xFF\xFF\xFF\0\0\0\0", 8));

    CSaveGameList loaded;
    loaded.Add();
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(loaded.GetCount(), 0);
    EXPECT_EQ(loaded.GetCurrentIndex(), -1);
}

TEST_F(SaveGameList, OneProfileFileHoldsNameWithoutTerminatorOptionsAndRecord)
{
    CSaveGameList list;
    CQuarrowSaveGame& profile = *list.Get(list.Add());
    profile.SetName("Ann");
    profile.GetOptions() = {0, 1, 2.5f};
    profile.GetProgress().SetTreasureGold(7);
    ASSERT_TRUE(list.Save());
    const std::string expected = std::string("\0\0\0\0\0\0\0\1"
                                             "\0\0\0\3Ann"
                                             "\0\1\0\0\x20\x40",
                                             21) +
                                 ProgressBytes(profile.GetProgress());
    EXPECT_EQ(ReadFile(CSaveGameList::FileName), expected);
    EXPECT_EQ(expected.size(), 21u + 4857u);
}

TEST_F(SaveGameList, TwoProfilesRoundTrip)
{
    CSaveGameList list;
    FillTwoProfiles(list);
    list.Get(1)->GetProgress().SetFigurePosition(-1.0f, 2.0f);
    ASSERT_TRUE(list.Save());

    CSaveGameList loaded;
    ASSERT_TRUE(loaded.Load());
    ExpectSameProfiles(loaded, list);
    EXPECT_EQ(loaded.WriteToBytes(), ReadFile(CSaveGameList::FileName));
}

TEST_F(SaveGameList, AddCopyDeleteAndClearKeepTheCurrentIndexValid)
{
    Platform::DebugOutputCapture trace;
    CSaveGameList list;
    EXPECT_EQ(list.GetCurrent(), nullptr);
    EXPECT_EQ(list.Add(), 0);
    list.Get(0)->SetName("first");
    list.Get(0)->GetProgress().SetPylonCount(4);
    EXPECT_EQ(list.Add(), 1);
    EXPECT_EQ(list.AddCopy(0), 2);
    EXPECT_EQ(list.GetCurrentIndex(), 2);
    EXPECT_EQ(list.GetCurrent()->GetName(), "first");
    EXPECT_EQ(list.GetCurrent()->GetProgress().GetPylonCount(), 4);
    EXPECT_TRUE(list.SetCurrentIndex(1));
    EXPECT_EQ(list.GetCurrentIndex(), 1);
    EXPECT_TRUE(list.SetCurrentIndex(2));
    EXPECT_EQ(trace.Text(), "");

    // Outside the list: null or nothing changes, each with a trace.
    EXPECT_EQ(list.Get(3), nullptr);
    EXPECT_EQ(list.Get(-1), nullptr);
    EXPECT_EQ(list.AddCopy(7), -1);
    list.Delete(3);
    EXPECT_FALSE(list.SetCurrentIndex(3));
    EXPECT_FALSE(list.SetCurrentIndex(-1));
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetCurrentIndex(), 2);
    const std::string traced = trace.Text();
    EXPECT_EQ(std::count(traced.begin(), traced.end(), '\n'), 6) << traced;

    list.Delete(2); // the last while current: the one before becomes current
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetCurrentIndex(), 1);
    list.Delete(0); // before the current one: the index still names a profile
    EXPECT_EQ(list.GetCurrentIndex(), 0);
    EXPECT_EQ(list.GetCurrent(), list.Get(0));
    list.Delete(0); // the only one
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCurrentIndex(), -1);

    list.Add();
    list.Add();
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCurrentIndex(), -1);
}

TEST_F(SaveGameList, FileWithNoProfilesKeepsItsCurrentIndexButNamesNoProfile)
{
    WriteFile(CSaveGameList::FileName, std::string("\0\0\0\3\0\0\0\0", 8));
    CSaveGameList list;
    ASSERT_TRUE(list.Load());
    EXPECT_EQ(list.GetCurrentIndex(), 3);
    EXPECT_EQ(list.GetCurrent(), nullptr);
    EXPECT_EQ(list.Add(), 0);
    EXPECT_EQ(list.GetCurrentIndex(), 0);
}

TEST(SaveGame, ResetGivesDefaultsAndTheComputerNameAssignCopiesAll)
{
    CQuarrowSaveGame profile;
    EXPECT_EQ(profile.GetName(), Platform::GetComputerName());
    EXPECT_EQ(profile.GetOptions(), (SaveGameOptions{1, 1, 1.1f}));
    EXPECT_EQ(profile.GetProgress(), ProgressRecord());

    CQuarrowSaveGame other;
    other.SetName("other");
    other.GetOptions() = {0, 0, 3.0f};
    other.GetProgress().SetPreviousMap(2);
    profile.Assign(other);
    EXPECT_EQ(profile.GetName(), "other");
    EXPECT_EQ(profile.GetOptions(), other.GetOptions());
    EXPECT_EQ(profile.GetProgress(), other.GetProgress());

    profile.Reset();
    EXPECT_EQ(profile.GetName(), Platform::GetComputerName());
    EXPECT_EQ(profile.GetOptions(), SaveGameOptions());
    EXPECT_EQ(profile.GetProgress(), ProgressRecord());
}

TEST(SaveGameManager, StartsEmptyAndAnswersDefaultOptionsWithoutAProfile)
{
    SaveGameManager manager;
    EXPECT_EQ(manager.GetLanguageIndex(), 0);
    EXPECT_EQ(manager.GetPlayMode(), 2);
    EXPECT_EQ(manager.GetSelectedLevel(), 0);
    EXPECT_EQ(manager.GetSaveGameList().GetCount(), 0);

    manager.GetCurrentOptions().music = 0;
    EXPECT_EQ(manager.GetCurrentOptions(), SaveGameOptions())
        << "what is written with no profile is kept nowhere";

    manager.GetSaveGameList().Add();
    manager.GetCurrentOptions().cameraValue = 2.0f;
    EXPECT_EQ(manager.GetSaveGameList().GetCurrent()->GetOptions().cameraValue, 2.0f);
}
