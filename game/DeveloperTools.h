#pragma once

#include <string>

class CQuarrowWorld;

// What the world calls on its two developer tools. The tools themselves live in the developer-tools
// library above the game; they reach the world through the creators handed to
// CQuarrowWorld::SetToolCreators, so the game never includes them.

// Works a folder tree of puzzle files: solves, refines, assigns models, converts and takes screenshots.
class BatchProcessorInterface
{
public:
    virtual ~BatchProcessorInterface() = default;

    virtual void SetCalcSolveMoves(bool on) = 0;
    virtual void SetRefine(bool on) = 0;
    virtual void SetDeleteOriginals(bool on) = 0;
    virtual void SetForceRecalculation(bool on) = 0;
    virtual void SetConvertToBinary(bool on) = 0;
    virtual void SetScreenshots(bool on) = 0;
    virtual void SetAssignModels(bool on) = 0;
    virtual void SetSolverTimeout(double seconds) = 0;
    // Replaces the work list with the puzzle files under the folder.
    virtual void ProcessFolder(const std::string& folder) = 0;
    // One world step of dt seconds.
    virtual void Update(double dt) = 0;
    // The screenshot asked for after the last file was taken; the next file may go.
    virtual void ClearScreenshotWait() = 0;
};

// Plays the current level by itself through the game input channel.
class StressTesterInterface
{
public:
    virtual ~StressTesterInterface() = default;

    // One world step of dt seconds.
    virtual void Update(double dt) = 0;
};

using BatchProcessorCreator = BatchProcessorInterface* (*)(CQuarrowWorld* world);
using StressTesterCreator = StressTesterInterface* (*)(CQuarrowWorld* world);
