#include "tools/batch/BatchProcessor.h"

#include "engine/DisplayHead.h"
#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "game/PuzzleResourceDefaults.h"
#include "game/QuarrowWorld.h"
#include "platform/os/Files.h"
#include "puzzle/EditablePuzzle.h"
#include "puzzle/PuzzleRefiner.h"
#include "puzzle/PuzzleSolver.h"

#include <cstdio>

namespace
{

// The part of a path after its last "/" (all of it without one).
std::string NamePart(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsHidden(const std::string& name)
{
    return !name.empty() && name[0] == '.';
}

std::string MovesTag(int moves)
{
    char tag[32];
    std::snprintf(tag, sizeof tag, "_%dm_", moves);
    return tag;
}

} // namespace

std::string RefinedFileName(const std::string& path, int originalMoves, int highestMoves)
{
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::string oldTag = MovesTag(originalMoves);
    const std::string newTag = MovesTag(highestMoves);
    std::string name = path.substr(nameStart);
    for (size_t at = name.find(oldTag); at != std::string::npos; at = name.find(oldTag, at + newTag.size()))
    {
        name.replace(at, oldTag.size(), newTag);
    }
    return path.substr(0, nameStart) + name;
}

CBatchProcessor::CBatchProcessor(CQuarrowWorld* world) : m_world(world)
{
    std::string library = "level>blockslibrary.xml";
    if (Qen::CEngineController* owner = m_world != nullptr ? m_world->GetOwner() : nullptr)
    {
        library = owner->GetPathAliases().ResolvePath(library);
    }
    if (!m_library.Load(library))
    {
        BaseLib::DebugOutput("BatchProcessor: no blocks library at %s; models get their default names\n",
                             library.c_str());
    }
}

void CBatchProcessor::ProcessFolder(const std::string& folder)
{
    m_workList.clear();
    m_startDelay = 2.0;
    std::string root = folder;
    if (Qen::CEngineController* owner = m_world != nullptr ? m_world->GetOwner() : nullptr)
    {
        root = owner->GetPathAliases().ResolvePath(folder);
    }
    // Resolving lower-cases the path; the folder on disk may have capitals.
    root = Platform::LocateFile(root);
    // An empty name would make the walk start at the file system's root.
    if (folder.empty() || root.empty() || !Platform::IsFolder(root))
    {
        BaseLib::DebugOutput("BatchProcessor: \"%s\" is no folder; nothing to process\n", folder.c_str());
        return;
    }
    std::vector<std::string> folders{root};
    std::vector<std::string> entries;
    while (!folders.empty())
    {
        const std::string current = folders.back();
        folders.pop_back();
        entries.clear();
        BaseLib::ListFiles(current + "/*.xml", entries);
        for (const std::string& entry : entries)
        {
            if (!IsHidden(BaseLib::GetFileName(entry)) && !Platform::IsFolder(entry))
            {
                m_workList.push_back(entry);
            }
        }
        entries.clear();
        BaseLib::ListFiles(current + "/*.*", entries);
        for (const std::string& entry : entries)
        {
            // Hidden names include "." and "..". A linked folder could lead back up the tree.
            if (!IsHidden(BaseLib::GetFileName(entry)) && Platform::IsFolder(entry) &&
                !Platform::IsSymbolicLink(entry))
            {
                folders.push_back(entry);
            }
        }
    }
}

void CBatchProcessor::Update(double dt)
{
    m_startDelay -= dt;
    if (m_screenshots && m_startDelay > 0.0)
    {
        return;
    }
    while (!m_workList.empty())
    {
        if (m_screenshots && m_screenshotWait)
        {
            return;
        }
        const std::string path = m_workList.back();
        m_workList.pop_back();
        ProcessFile(path);
        if (m_screenshots)
        {
            RequestScreenshot();
            m_screenshotWait = true;
        }
    }
}

void CBatchProcessor::RequestScreenshot()
{
    Qen::CEngineController* owner = m_world != nullptr ? m_world->GetOwner() : nullptr;
    CEditablePuzzle* puzzle = m_world != nullptr ? m_world->GetPuzzle() : nullptr;
    if (owner == nullptr || owner->GetHeads().empty() || owner->GetHeads()[0] == nullptr || puzzle == nullptr)
    {
        BaseLib::DebugOutput("BatchProcessor: no display head for the screenshot\n");
        return;
    }
    owner->GetHeads()[0]->RequestScreenshot(puzzle->GetFileName(), true);
}

void CBatchProcessor::ProcessFile(const std::string& path)
{
    BaseLib::DebugOutput("processing file %s... \n", path.c_str());
    CEditablePuzzle* puzzle = m_world != nullptr ? m_world->GetPuzzle() : nullptr;
    if (puzzle == nullptr)
    {
        BaseLib::DebugOutput("no level to load it into.\n");
        return;
    }
    if (!puzzle->LoadXml(path))
    {
        BaseLib::DebugOutput("failed to load.\n");
        return;
    }
    ApplyPuzzleResourceDefaults(*m_world);

    std::string target = path;
    if (m_refine && NamePart(path).starts_with("_"))
    {
        target = Refine(path);
        if (target.empty())
        {
            return;
        }
    }
    if (m_calcSolveMoves && (puzzle->GetMinSolveMoves() < 0 || m_forceRecalculation))
    {
        BaseLib::DebugOutput("running solver ...\n");
        PuzzleSolver solver;
        solver.SetPuzzle(puzzle);
        solver.SetTimeout(m_solverTimeout);
        solver.Solve();
        // Saved whatever the result: solved, no solution (minimum 0) or stopped (the minimum it had).
        puzzle->SaveXml(target);
    }
    if (m_assignModels)
    {
        m_library.BuildFromPuzzle(nullptr, *puzzle);
        puzzle->SaveXml(target);
    }
    if (m_convertToBinary)
    {
        const std::string stem = target.size() >= 4 ? target.substr(0, target.size() - 4) : target;
        puzzle->SaveBinary(stem + ".blvl");
    }
}

std::string CBatchProcessor::Refine(const std::string& path)
{
    CEditablePuzzle* puzzle = m_world->GetPuzzle();
    PuzzleRefiner refiner;
    refiner.SetPuzzle(puzzle);
    if (refiner.Refine() != 2)
    {
        return path;
    }
    const int original = refiner.GetOriginalMoves();
    const int highest = refiner.GetHighestMoves();
    const std::string newName = RefinedFileName(puzzle->GetFileName(), original, highest);
    BaseLib::DebugOutput("Refiner: saving file %s, improved from %d to %d moves\n", newName.c_str(), original,
                         highest);
    // The original goes only once its successor is safely written, and never when they are one file.
    if (!puzzle->SaveXml(newName))
    {
        BaseLib::DebugOutput("Refiner: %s could not be written; %s is left as it was\n", newName.c_str(),
                             path.c_str());
        return std::string();
    }
    if (m_deleteOriginals && newName != path && !Platform::RemoveFile(path))
    {
        BaseLib::DebugOutput("Refiner: could not delete %s\n", path.c_str());
    }
    return newName;
}
