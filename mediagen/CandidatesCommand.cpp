#include "mediagen/CandidatesCommand.h"

#include "foundation/PathAliases.h"
#include "puzzle/EditablePuzzle.h"
#include "tools/batch/PuzzleGenerator.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

namespace MediaGen
{

namespace fs = std::filesystem;

namespace
{

bool ParseInt(const std::string& text, int32_t& value)
{
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && last == end;
}

} // namespace

const char* CandidatesUsage()
{
    return "  candidates <folder> <width> <height> <max blocks> <min moves> <min players> <max players>\n"
           "             <first seed> <seed count> [--refine]\n"
           "      writes the puzzle generator's finds for the given seeds into the folder\n";
}

int RunCandidatesCommand(const std::vector<std::string>& arguments)
{
    int32_t numbers[8] = {};
    bool valid = (arguments.size() == 9 || (arguments.size() == 10 && arguments[9] == "--refine")) &&
                 !arguments[0].empty();
    for (size_t i = 0; valid && i < 8; ++i)
    {
        valid = ParseInt(arguments[i + 1], numbers[i]);
    }
    const auto [width, height, maxBlocks, minMoves, minPlayers, maxPlayers, firstSeed, seedCount] = numbers;
    if (!valid || seedCount < 1 || firstSeed > INT32_MAX - seedCount || minPlayers < 1 ||
        maxPlayers < minPlayers || width < 1 || height < 1 || width > CPuzzle::MaxBoardSide ||
        height > CPuzzle::MaxBoardSide)
    {
        std::fprintf(stderr, "usage:\n%s", CandidatesUsage());
        return 2;
    }
    const fs::path folder = fs::absolute(arguments[0]);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
    {
        std::fprintf(stderr, "cannot make the folder %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    std::vector<fs::path> before;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    {
        before.push_back(entry.path());
    }

    BaseLib::CPathAliases aliases;
    aliases.RegisterPathAlias("level", folder.string());
    auto generator = std::make_unique<PuzzleGenerator>(width, height, maxBlocks, minMoves, minPlayers,
                                                       maxPlayers, arguments.size() == 10);
    generator->SetPathAliases(&aliases);
    int32_t next = firstSeed;
    PuzzleGenerator* running = generator.get();
    generator->SetSeedSource([&next, running, last = firstSeed + seedCount - 1]() {
        // Called on the worker at the start of each cycle; the cycle after the last seed is never run.
        if (next > last)
        {
            running->Stop();
        }
        return next++;
    });
    std::thread worker([running] { running->Run(); });
    worker.join();

    std::vector<fs::path> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    {
        if (entry.path().extension() == ".xml" &&
            std::find(before.begin(), before.end(), entry.path()) == before.end())
        {
            found.push_back(entry.path());
        }
    }
    std::sort(found.begin(), found.end());
    int result = 0;
    for (const fs::path& file : found)
    {
        CEditablePuzzle puzzle;
        if (!puzzle.LoadXml(file.string()))
        {
            std::fprintf(stderr, "cannot read back %s\n", file.c_str());
            result = 1;
            continue;
        }
        // The name holds the moves and the count of shapes the generator laid.
        int moves = 0;
        int blocks = 0;
        if (std::sscanf(file.filename().c_str(), "_%*dx%*d_%dm_%db_", &moves, &blocks) != 2)
        {
            std::fprintf(stderr, "unexpected name %s\n", file.c_str());
            result = 1;
            continue;
        }
        std::printf("%s %d moves %d blocks\n", file.filename().c_str(), moves, blocks);
    }
    std::printf("%zu candidates from %lld layouts\n", found.size(),
                static_cast<long long>(generator->GetLayoutsTried()));
    return result;
}

} // namespace MediaGen
