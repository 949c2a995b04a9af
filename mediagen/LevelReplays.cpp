// The replays command: the solver's solution of every listed level, found again as the game moves that
// make it, written as game commands.
#include "mediagen/LevelReplays.h"

#include "mediagen/GameModels.h"

#include "foundation/Xml.h"
#include "platform/os/FileReplace.h"
#include "puzzle/Block.h"
#include "puzzle/BoardExplorer.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleSolver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace MediaGen
{

namespace fs = std::filesystem;

namespace
{

// The most world steps a move may take to come to rest.
constexpr int kMaxSettleSteps = 10000;

BoardRects Capture(const CPuzzle& puzzle)
{
    BoardRects board;
    for (const CBlock* block : puzzle.GetBlocks())
    {
        board.push_back(block->GetRect());
    }
    return board;
}

// Puts every block back where the board has it, as its committed place.
void PutBoard(CPuzzle& puzzle, const BoardRects& board)
{
    for (size_t i = 0; i < board.size(); ++i)
    {
        CBlock* block = puzzle.GetBlocks()[i];
        block->SetRect({block, board[i]});
        block->StorePrevious();
    }
}

// World steps until a step moves nothing; false when the board never comes to rest.
bool Settle(CPuzzle& puzzle)
{
    for (int step = 0; step < kMaxSettleSteps; ++step)
    {
        puzzle.Update(0.0);
        if (!puzzle.IsMoving())
        {
            return true;
        }
    }
    return false;
}

// Plays the move as the game does: select and drag, steps until nothing moves, release, steps until
// rest. Answers how far the drag took the block (0 when it did not move or the board never rested).
float Play(CPuzzle& puzzle, const GameMove& move)
{
    CBlock* block = puzzle.FindBlockById(move.blockId);
    const BaseLib::CRectF before = block->GetRect();
    puzzle.SelectBlock(move.blockId);
    puzzle.DragBlock(move.blockId, move.x, move.y);
    const BaseLib::CRectF after = block->GetRect();
    const float moved = std::max(std::abs(after.left - before.left), std::abs(after.top - before.top));
    const bool rested = Settle(puzzle);
    puzzle.ReleaseBlock(move.blockId);
    return Settle(puzzle) && rested ? moved : 0.0f;
}

// Calls try for every candidate move from the board as it stands, in the solver's order of trials:
// each grabbable block, each direction 0 to 3, first the solver's first trial distance, then the distance
// the last trial went less one cell while that is above 0. Every trial starts from the board; try answers
// true to stop.
template <class Try> bool ForEachCandidate(CPuzzle& puzzle, const BoardRects& board, const Try& tryMove)
{
    const std::vector<CBlock*> blocks = puzzle.GetBlocks();
    for (size_t i = 0; i < blocks.size(); ++i)
    {
        CBlock* block = blocks[i];
        if (!block->IsGrabbable())
        {
            continue;
        }
        const BaseLib::CRectF& place = board[i];
        for (int32_t d = DirectionNorth; d <= DirectionEast; ++d)
        {
            float distance = FirstTrialDistance(place, static_cast<BlockDirection>(d), puzzle);
            while (distance > 0.0f)
            {
                const auto direction = static_cast<BlockDirection>(d);
                const GameMove move{block->GetId(), place.left + DirectionX(direction) * distance,
                                    place.top + DirectionY(direction) * distance};
                PutBoard(puzzle, board);
                const float moved = Play(puzzle, move);
                if (moved > 0.0f && tryMove(move))
                {
                    return true;
                }
                distance = moved - 1.0f;
            }
        }
    }
    return false;
}

bool LoadLevel(CEditablePuzzle& puzzle, const fs::path& file)
{
    return file.extension() == ".blvl" ? puzzle.LoadBinary(file.string()) : puzzle.LoadXml(file.string());
}

// The level files a map file lists, relative to the level folder.
std::vector<std::string> ListedLevels(const fs::path& mapFile)
{
    std::vector<std::string> files;
    TiXmlDocument document;
    if (!document.LoadFile(mapFile.string().c_str()) || document.RootElement() == nullptr)
    {
        return files;
    }
    const TiXmlElement* list = document.RootElement()->FirstChildElement("levellist");
    for (const TiXmlElement* level = list != nullptr ? list->FirstChildElement("level") : nullptr;
         level != nullptr; level = level->NextSiblingElement("level"))
    {
        const char* file = level->Attribute("file");
        files.emplace_back(file != nullptr ? file : "");
    }
    return files;
}

// The replay of one level, or an empty text with a line naming the level and what failed.
std::string ReplayOf(const fs::path& file)
{
    CEditablePuzzle solved;
    CEditablePuzzle play;
    CEditablePuzzle check;
    if (!LoadLevel(solved, file) || !LoadLevel(play, file) || !LoadLevel(check, file))
    {
        std::fprintf(stderr, "%s: cannot be read\n", file.string().c_str());
        return "";
    }
    PuzzleSolver solver;
    solver.SetPuzzle(&solved);
    if (solver.Solve() != PuzzleSolver::StatusSolved)
    {
        std::fprintf(stderr, "%s: the solver finds no solution\n", file.string().c_str());
        return "";
    }
    std::vector<BoardRects> solution;
    while (solved.CanRedo())
    {
        solved.Redo();
        solution.push_back(Capture(solved));
    }
    const std::optional<std::vector<GameMove>> moves = ReconstructGameMoves(play, solution);
    if (!moves)
    {
        std::fprintf(stderr, "%s: the solution cannot be made of game moves\n", file.string().c_str());
        return "";
    }
    std::string text;
    for (const GameMove& move : *moves)
    {
        Play(check, move);
        char line[128];
        std::snprintf(line, sizeof line, "0 %d 0 0\n1 %d %.9g %.9g\n2 %d 0 0\n", move.blockId, move.blockId,
                      static_cast<double>(move.x), static_cast<double>(move.y), move.blockId);
        text += line;
    }
    if (!check.IsSolved() || check.GetStars() != 3 || check.GetMoveCount() > check.GetMinSolveMoves())
    {
        std::fprintf(stderr, "%s: the replay ends with the level %s\n", file.string().c_str(),
                     !check.IsSolved() ? "unsolved" : "solved in more moves than the shortest solution");
        return "";
    }
    return text;
}

} // namespace

std::optional<std::vector<GameMove>> ReconstructGameMoves(CPuzzle& play,
                                                          const std::vector<BoardRects>& solution)
{
    play.SetRecording(false);
    std::vector<GameMove> moves;
    BoardRects board = Capture(play);
    for (const BoardRects& target : solution)
    {
        std::vector<GameMove> found;
        ForEachCandidate(play, board, [&](const GameMove& move) {
            if (Capture(play) == target)
            {
                found = {move};
            }
            return !found.empty();
        });
        if (found.empty())
        {
            ForEachCandidate(play, board, [&](const GameMove& first) {
                const BoardRects between = Capture(play);
                return ForEachCandidate(play, between, [&](const GameMove& second) {
                    if (Capture(play) == target)
                    {
                        found = {first, second};
                    }
                    return !found.empty();
                });
            });
        }
        if (found.empty())
        {
            return std::nullopt;
        }
        moves.insert(moves.end(), found.begin(), found.end());
        PutBoard(play, target);
        board = target;
    }
    return moves;
}

const char* ReplaysUsage()
{
    return "  replays <media folder> <replay folder>\n"
           "      writes the solution of every listed level as game commands, <region>/NN.replay\n";
}

int RunReplaysCommand(const std::vector<std::string>& arguments)
{
    if (arguments.size() != 2 || arguments[0].empty() || arguments[1].empty())
    {
        std::fprintf(stderr, "usage:\n%s", ReplaysUsage());
        return 2;
    }
    const fs::path levels = fs::path(arguments[0]) / "levels";
    const fs::path replays = arguments[1];
    bool written = true;
    for (const std::string& region : GameRegions())
    {
        std::error_code error;
        fs::create_directories(replays / region, error);
        for (const std::string& file : ListedLevels(levels / (region + ".map.xml")))
        {
            const std::string text = ReplayOf(levels / file);
            const fs::path target = replays / fs::path(file).replace_extension(".replay");
            if (text.empty())
            {
                written = false;
            }
            else if (!Platform::ReplaceFileContents(target.string(), text))
            {
                std::fprintf(stderr, "cannot write %s\n", target.string().c_str());
                written = false;
            }
        }
    }
    return written ? 0 : 1;
}

} // namespace MediaGen
