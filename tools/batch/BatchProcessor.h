#pragma once

#include "game/DeveloperTools.h"
#include "puzzle/BlocksLibrary.h"

#include <string>
#include <vector>

class CQuarrowWorld;

// Developer jobs over a folder tree of puzzle XML files, one file at a time in the world's current
// puzzle: the shortest solution worked out with the solver, "_"-named puzzles refined into longer ones
// and saved under a new name, block models assigned from the blocks library, the binary ".blvl" twin
// written, and one screenshot per file. The world makes it on the first "StartBatchProcessing" and steps
// it while a level runs; the solver and refiner run on this thread, so a long solve holds up the frame.
class CBatchProcessor : public BatchProcessorInterface
{
public:
    // The defaults: solve and assign models on, everything else off, a solver time-out of 120 s. The
    // blocks library comes from "level>blockslibrary.xml" resolved through the world's path aliases; a
    // missing library leaves it empty.
    explicit CBatchProcessor(CQuarrowWorld* world);

    void SetCalcSolveMoves(bool on) override { m_calcSolveMoves = on; }
    void SetRefine(bool on) override { m_refine = on; }
    void SetDeleteOriginals(bool on) override { m_deleteOriginals = on; }
    void SetForceRecalculation(bool on) override { m_forceRecalculation = on; }
    void SetConvertToBinary(bool on) override { m_convertToBinary = on; }
    void SetScreenshots(bool on) override { m_screenshots = on; }
    void SetAssignModels(bool on) override { m_assignModels = on; }
    void SetSolverTimeout(double seconds) override { m_solverTimeout = seconds; }

    // The work list becomes every non-hidden ".xml" file under the folder (resolved through the path
    // aliases), found folder by folder from a stack: a folder's files are appended, then its non-hidden
    // sub-folders pushed; the last folder pushed is walked next. Names beginning with "." are hidden,
    // and a folder reached through a symbolic link is not entered. An empty folder name, or one that is
    // no folder, leaves the list empty (traced). The start delay becomes 2 s.
    void ProcessFolder(const std::string& folder) override;
    // The start delay counts down; with screenshots on nothing more happens while it lasts, then one
    // file per cleared screenshot wait, each followed by a screenshot request on the first display head;
    // without screenshots every file of the list in this one update. Files go from the end of the list.
    void Update(double dt) override;
    void ClearScreenshotWait() override { m_screenshotWait = false; }

    // One file into the world's puzzle: load (skipped with a trace when it fails), refine when asked and
    // the file name begins with "_", solve when asked and the minimum is unknown or forced, assign
    // models, write the binary twin. After a refinement that improved the puzzle is saved under a new
    // name, the later steps work on that name.
    void ProcessFile(const std::string& path);

    const std::vector<std::string>& GetWorkList() const { return m_workList; }
    bool IsWaitingForScreenshot() const { return m_screenshotWait; }
    double GetSolverTimeout() const { return m_solverTimeout; }
    const BlocksLibrary& GetLibrary() const { return m_library; }

private:
    // Step 3 of a file: answers the path the later steps write to (the new name after a saved
    // refinement, else the path itself).
    std::string Refine(const std::string& path);
    void RequestScreenshot();

    CQuarrowWorld* m_world;
    bool m_calcSolveMoves = true;
    bool m_refine = false;
    bool m_deleteOriginals = false;
    bool m_forceRecalculation = false;
    bool m_convertToBinary = false;
    bool m_screenshots = false;
    bool m_assignModels = true;
    double m_solverTimeout = 120.0;
    double m_startDelay = 0.0;
    bool m_screenshotWait = false;
    std::vector<std::string> m_workList;
    BlocksLibrary m_library;
};

// The new name of a refined puzzle file: every "_<original>m_" in the file-name part (after the last
// "/") becomes "_<highest>m_"; the folders stay as they are.
std::string RefinedFileName(const std::string& path, int originalMoves, int highestMoves);
