#include "game/savegame/SaveGameList.h"

#include "platform/os/DebugOutput.h"
#include "tests/game/savegame/SavedGamesFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

using SavedGamesFile = SavedGamesFolder;

const std::string FileName = CSaveGameList::FileName;
const std::string Damaged = FileName + ".damaged";

// Offsets in the file of FillTwoProfiles: the first profile's name "Ann" at 8, its camera value at 17,
// its progress at 21 (current map 21, figure x 25, map 0's level count 33); the second profile at 4878.
constexpr std::size_t FirstCameraValue = 17;
constexpr std::size_t FirstCurrentMap = 21;
constexpr std::size_t FirstFigureX = 25;
constexpr std::size_t FirstLevelCount = 33;
constexpr std::size_t SecondProfile = 8 + 13 + 4857;

std::string Patched(std::string bytes, std::size_t offset, std::string_view with)
{
    bytes.replace(offset, with.size(), with);
    return bytes;
}

std::string TwoProfileBytes()
{
    CSaveGameList list;
    SavedGamesFolder::FillTwoProfiles(list);
    return list.WriteToBytes();
}

} // namespace

TEST_F(SavedGamesFile, DamagedFileIsRefusedWholeAndMovedAside)
{
    const std::string good = TwoProfileBytes();
    ASSERT_EQ(good.size(), SecondProfile + 23 + 4857);
    ASSERT_EQ(good.substr(8, 7), std::string("\0\0\0\3Ann", 7));

    struct Row
    {
        std::string name;
        std::string bytes;
        std::string trace; // what the trace line says, with the byte offset
    };
    std::vector<Row> rows;
    for (std::size_t length = 0; length < good.size(); ++length)
    {
        rows.push_back(
            {"cut to " + std::to_string(length) + " bytes", good.substr(0, length), "the data ends"});
    }
    rows.push_back({"one byte more", good + '\0',
                    "at byte " + std::to_string(good.size()) + ": 1 byte follows the last profile"});
    rows.push_back({"count -1", Patched(good, 4, "\xFF\xFF\xFF\xFF"), "at byte 4: a profile count of -1"});
    rows.push_back(
        {"count 2^31 - 1", Patched(good, 4, "\x7F\xFF\xFF\xFF"), "at byte 4: a profile count of 2147483647"});
    rows.push_back({"name length -5", Patched(good, 8, "\xFF\xFF\xFF\xFB"),
                    "at byte 8: profile 0 has a name length of -5"});
    rows.push_back({"name length 2^31 - 1", Patched(good, SecondProfile, "\x7F\xFF\xFF\xFF"),
                    "at byte 4878: profile 1 has a name length of 2147483647"});
    rows.push_back({"level count -1", Patched(good, FirstLevelCount, "\xFF\xFF\xFF\xFF"),
                    "at byte 33: profile 0 holds a negative level count"});
    rows.push_back({"current map 9", Patched(good, FirstCurrentMap, std::string("\0\0\0\x09", 4)),
                    "at byte 21: profile 0 holds a current map index outside 0..4"});

    CSaveGameList held;
    FillTwoProfiles(held);
    held.Get(0)->SetName("held");
    const std::string heldBytes = held.WriteToBytes();
    for (const Row& row : rows)
    {
        fs::remove(Damaged);
        WriteFile(FileName, row.bytes);
        Platform::DebugOutputCapture trace;
        EXPECT_FALSE(held.Load()) << row.name;
        EXPECT_FALSE(fs::exists(FileName)) << row.name;
        EXPECT_EQ(ReadFile(Damaged), row.bytes) << row.name;
        const std::string traced = trace.Text();
        EXPECT_EQ(traced.find("Saved games: savedgames.bin refused at byte "), 0u)
            << row.name << ": " << traced;
        EXPECT_NE(traced.find(row.trace), std::string::npos) << row.name << ": " << traced;
        EXPECT_NE(traced.find("; moved to savedgames.bin.damaged\n"), std::string::npos)
            << row.name << ": " << traced;
        if (HasFailure())
        {
            break;
        }
    }
    EXPECT_EQ(held.WriteToBytes(), heldBytes) << "the list held before a refused file is kept";

    // A second refused file does not take the place of the first.
    WriteFile(FileName, "\1");
    Platform::DebugOutputCapture trace;
    EXPECT_FALSE(held.Load());
    EXPECT_NE(trace.Text().find("; moved to savedgames.bin.damaged1\n"), std::string::npos) << trace.Text();
    EXPECT_EQ(ReadFile(Damaged + "1"), "\1");
    EXPECT_EQ(Entries(), (std::vector<std::string>{Damaged, Damaged + "1"}));

    // A file above 16 MiB is refused without being read.
    WriteFile(FileName, good);
    fs::resize_file(FileName, CSaveGameList::MaxFileSize + 1);
    trace.Clear();
    EXPECT_FALSE(held.Load());
    EXPECT_NE(trace.Text().find("the file is larger than 16 MiB; moved to savedgames.bin.damaged2\n"),
              std::string::npos)
        << trace.Text();
    EXPECT_EQ(fs::file_size(Damaged + "2"), CSaveGameList::MaxFileSize + 1);

    EXPECT_EQ(held.WriteToBytes(), heldBytes);
    EXPECT_TRUE(held.Save()) << "the file is out of the way, so a fresh start may be saved";
}

TEST_F(SavedGamesFile, ValuesTheRecordCannotHoldAreMendedOnLoad)
{
    const std::string good = TwoProfileBytes();
    const std::string nan("\x00\x00\xC0\x7F", 4);
    const struct
    {
        const char* name;
        std::string bytes;
        std::function<void(const CSaveGameList&)> check;
        const char* trace;
    } rows[] = {
        {"current index 5 of two", Patched(good, 0, std::string("\0\0\0\5", 4)),
         [](const CSaveGameList& list) { EXPECT_EQ(list.GetCurrentIndex(), 0); },
         "Saved games: savedgames.bin names profile 5 as current in a list of 2; profile 0 becomes "
         "current\n"},
        {"figure x NaN", Patched(good, FirstFigureX, nan),
         [](const CSaveGameList& list) {
             EXPECT_EQ(list.Get(0)->GetProgress().GetFigureX(), -1.0f);
             EXPECT_EQ(list.Get(0)->GetProgress().GetFigureY(), 4.5f);
         },
         ""},
        {"camera value infinite", Patched(good, FirstCameraValue, std::string("\x00\x00\x80\x7F", 4)),
         [](const CSaveGameList& list) { EXPECT_EQ(list.Get(0)->GetOptions().cameraValue, 1.1f); }, ""},
    };
    for (const auto& row : rows)
    {
        WriteFile(FileName, row.bytes);
        CSaveGameList list;
        Platform::DebugOutputCapture trace;
        ASSERT_TRUE(list.Load()) << row.name << ": " << trace.Text();
        ASSERT_EQ(list.GetCount(), 2) << row.name;
        row.check(list);
        EXPECT_EQ(trace.Text(), row.trace) << row.name;
    }

    // A level count above 256 as written: the count, then 256 records.
    CSaveGameList list;
    FillTwoProfiles(list);
    list.Get(1)->GetProgress().GetMapProgress(2).SetLevelCount(300);
    list.Get(1)->GetProgress().GetMapProgress(2).GetLevelRecord(255).RaiseRating(3);
    WriteFile(FileName, list.WriteToBytes());
    CSaveGameList loaded;
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(loaded.Get(1)->GetProgress().GetMapProgress(2).GetLevelCount(), 256);
    EXPECT_EQ(loaded.Get(1)->GetProgress().CountStars(4), 3);
    EXPECT_EQ(loaded.Get(1)->GetProgress().GetTreasureGold(), 60);
}

TEST_F(SavedGamesFile, KillAtAnyInstantLeavesTheOldListOrTheNew)
{
    CSaveGameList a;
    FillTwoProfiles(a);
    ASSERT_TRUE(a.Save());
    const std::string bytesA = ReadFile(FileName);
    CSaveGameList b;
    FillTwoProfiles(b);
    b.Delete(0);
    b.Get(0)->SetName("b");
    b.AddCopy(0);
    b.Add();
    const std::string bytesB = b.WriteToBytes();

    // The kill lands from 0 to 10 ms after the child has read the file: a save takes from microseconds
    // (a file system in memory) to milliseconds (flushing to a disk), so the kills fall into every step
    // of one or more saves.
    int foundB = 0;
    for (int round = 0; round < 100; ++round)
    {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0)
        {
            ::alarm(30); // never outlives a test that failed to kill it
            CSaveGameList list;
            if (!list.Load())
            {
                ::_exit(2);
            }
            const char byte = 1;
            if (::write(ready[1], &byte, 1) != 1)
            {
                ::_exit(3);
            }
            CSaveGameList::ParseFault fault;
            for (int save = 0;; ++save)
            {
                list.ParseBytes(save % 2 == 0 ? bytesB : bytesA, "", fault);
                list.Save();
            }
        }
        ASSERT_GT(child, 0);
        ::close(ready[1]);
        char byte = 0;
        const bool started = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(round * 100));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(started && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "round " << round << ": status " << status;

        CSaveGameList fresh;
        ASSERT_TRUE(fresh.Load()) << "round " << round;
        const std::string bytes = ReadFile(FileName);
        ASSERT_TRUE(bytes == bytesA || bytes == bytesB)
            << "round " << round << ": " << bytes.size() << " bytes";
        EXPECT_EQ(fresh.WriteToBytes(), bytes);
        foundB += bytes == bytesB ? 1 : 0;
    }
    std::printf("kills that found list B: %d of 100\n", foundB);

    // Temporary files a kill left behind are not read and do not disturb a save.
    CSaveGameList last;
    ASSERT_TRUE(last.Load());
    last.Add();
    ASSERT_TRUE(last.Save());
    EXPECT_EQ(ReadFile(FileName), last.WriteToBytes());
}

TEST_F(SavedGamesFile, FailedWriteSaysSoAndLeavesTheFileAsItWas)
{
    CSaveGameList small;
    small.Add();
    ASSERT_TRUE(small.Save());
    const std::string before = ReadFile(FileName);

    const int code = RunInChild([&before] {
        std::signal(SIGXFSZ, SIG_IGN);
        CSaveGameList list;
        if (!list.Load())
        {
            return 2;
        }
        list.Add();
        list.Add();
        const rlimit limit = {before.size() + 100, before.size() + 100};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        {
            return 3;
        }
        Platform::DebugOutputCapture trace;
        const bool saved = list.Save();
        const std::string traced = trace.Text();
        if (saved || traced != "Saved games: savedgames.bin could not be written (" +
                                   std::string(std::strerror(EFBIG)) + "); the file keeps what it held\n")
        {
            std::fprintf(stderr, "saved: %d, traced: %s", saved, traced.c_str());
            return 4;
        }
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFile(FileName), before);
    EXPECT_EQ(Entries(), std::vector<std::string>{FileName});

    CSaveGameList list;
    ASSERT_TRUE(list.Load());
    list.Add();
    list.Add();
    ASSERT_TRUE(list.Save());
    EXPECT_EQ(ReadFile(FileName), list.WriteToBytes());
    EXPECT_EQ(Entries(), std::vector<std::string>{FileName});
}

TEST_F(SavedGamesFile, ListThatHasNotReadTheFileDoesNotWriteOverIt)
{
    CSaveGameList player;
    FillTwoProfiles(player);
    ASSERT_TRUE(player.Save());
    const std::string before = ReadFile(FileName);

    CSaveGameList unread; // as in developer mode, where nothing loads the list
    unread.Add();
    Platform::DebugOutputCapture trace;
    EXPECT_FALSE(unread.Save());
    EXPECT_EQ(ReadFile(FileName), before);
    EXPECT_EQ(trace.Text(),
              "Saved games: savedgames.bin not written: the file exists and this list has not read it\n");

    ASSERT_TRUE(unread.Load());
    unread.Add();
    EXPECT_TRUE(unread.Save());
    EXPECT_EQ(ReadFile(FileName), unread.WriteToBytes());

    fs::remove(FileName);
    CSaveGameList first;
    EXPECT_FALSE(first.Load()) << "no file";
    first.Add();
    EXPECT_TRUE(first.Save()) << "a list whose load found no file may save";
    EXPECT_EQ(ReadFile(FileName), first.WriteToBytes());
}

TEST_F(SavedGamesFile, SaveNeverWritesWhatLoadWouldRefuse)
{
    CSaveGameList list;
    CQuarrowSaveGame& profile = *list.Get(list.Add());
    profile.SetName(std::string(2000, 'n'));
    profile.GetProgress().SetCurrentMap(7);
    profile.GetProgress().GetMapProgress(1).SetLevelCount(-3);
    ASSERT_TRUE(list.Save());
    CSaveGameList loaded;
    ASSERT_TRUE(loaded.Load());
    EXPECT_EQ(loaded.Get(0)->GetName(), std::string(1024, 'n'));
    EXPECT_EQ(loaded.Get(0)->GetProgress().GetCurrentMap(), 4);
    EXPECT_EQ(loaded.Get(0)->GetProgress().GetMapProgress(1).GetLevelCount(), 0);

    const std::string before = ReadFile(FileName);
    while (loaded.GetCount() <= CSaveGameList::MaxCount)
    {
        loaded.Add();
    }
    Platform::DebugOutputCapture trace;
    EXPECT_FALSE(loaded.Save());
    EXPECT_EQ(trace.Text(),
              "Saved games: savedgames.bin not written: the list would not read back (byte 4: a "
              "profile count of 1025, outside 0..1024)\n");
    EXPECT_EQ(ReadFile(FileName), before);
}

TEST_F(SavedGamesFile, UnwritableWorkingFolderSavesIntoTheDataFolder)
{
    fs::create_directories(Root() / "run");
    const std::string shipped = TwoProfileBytes();
    WriteFile("run/savedgames.bin", shipped);
    const std::string run = PathOf("run");
    const std::string home = PathOf("home");
    const std::string data = PathOf("xdg/data");

    constexpr int Skipped = 77;
    const int code = RunInChild([&]() -> int {
        // Root writes into a folder whatever its mode says: a read-only bind mount of its own instead.
        if (::geteuid() != 0)
        {
            if (::chmod(run.c_str(), 0555) != 0)
            {
                return Skipped;
            }
        }
        else if (::unshare(CLONE_NEWNS) != 0 ||
                 ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                 ::mount(run.c_str(), run.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
                 ::mount(nullptr, run.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        {
            return Skipped;
        }
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        if (::chdir(run.c_str()) != 0)
        {
            return 2;
        }
        CSaveGameList list;
        if (!list.Load() || list.GetCount() != 2)
        {
            return 3; // the player's file in the working folder is read
        }
        list.Get(0)->SetName("moved");
        if (!list.Save())
        {
            return 4;
        }

        // With no home at all the name stays plain, one line says why, and the write fails.
        ::unsetenv("HOME");
        ::unsetenv("XDG_DATA_HOME");
        CSaveGameList homeless;
        Platform::DebugOutputCapture trace;
        if (!homeless.Load() || homeless.Save())
        {
            return 5;
        }
        const std::string traced = trace.Text();
        if (traced.find(
                "User files: savedgames.bin stays in the working folder, which cannot take a file: no "
                "absolute HOME or XDG_DATA_HOME names a user folder\n") == std::string::npos ||
            traced.find("Saved games: savedgames.bin could not be written") == std::string::npos)
        {
            std::fprintf(stderr, "%s", traced.c_str());
            return 6;
        }
        return 0;
    });
    fs::permissions(run, fs::perms::owner_all);
    if (code == Skipped)
    {
        GTEST_SKIP() << "the working folder cannot be made unwritable here (no chmod, no mount namespace)";
    }
    ASSERT_EQ(code, 0);

    EXPECT_EQ(ReadFile("run/savedgames.bin"), shipped);
    EXPECT_EQ(std::distance(fs::directory_iterator(run), fs::directory_iterator()), 1);
    CSaveGameList saved;
    CSaveGameList::ParseFault fault;
    ASSERT_TRUE(saved.ParseBytes(ReadFile("xdg/data/quarrow/savedgames.bin"), "", fault)) << fault.reason;
    EXPECT_EQ(saved.Get(0)->GetName(), "moved");
    EXPECT_EQ(saved.GetCount(), 2);
    EXPECT_FALSE(fs::exists(Root() / "home" / ".local"));
}
