#pragma once

#include "game/savegame/SaveGameList.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Each test in a fresh working folder, where "savedgames.bin" lands.
class SavedGamesFolder : public WorkingFolderTest
{
public:
    // Two profiles that differ in every part: names, options, progress; the second is current.
    static void FillTwoProfiles(CSaveGameList& list)
    {
        list.Clear();
        CQuarrowSaveGame& first = *list.Get(list.Add());
        first.SetName("Ann");
        first.GetOptions() = {0, 1, 2.5f};
        first.GetProgress().GetMapProgress(0).GetLevelRecord(3).SetSolved(41);
        first.GetProgress().GetMapProgress(0).GetLevelRecord(3).RaiseRating(2);
        first.GetProgress().SetFigurePosition(3.0f, 4.5f);
        CQuarrowSaveGame& second = *list.Get(list.Add());
        second.SetName("Bertholdinger");
        second.GetOptions() = {1, 0, 0.75f};
        second.GetProgress().SetCurrentMap(3);
        second.GetProgress().GetMapProgress(3).SetOpen(true);
        second.GetProgress().GetMapProgress(3).SetCellState(100, 0x55AA);
        second.GetProgress().SetKeyCount(1, 2);
        second.GetProgress().SetTreasureGold(60);
    }

protected:
    // The names in the folder, sorted.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Root()))
        {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // Runs body in a child process and answers its exit code (-1 when it did not exit normally). The
    // child never returns into the test framework.
    static int RunInChild(const std::function<int()>& body)
    {
        const pid_t child = ::fork();
        if (child == 0)
        {
            ::_exit(body());
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        {
            return -1;
        }
        return WEXITSTATUS(status);
    }
};
