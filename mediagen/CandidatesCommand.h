#pragma once

#include <string>
#include <vector>

// Candidate levels found by the puzzle generator, for a developer to choose from and copy into the level
// sources.
namespace MediaGen
{

// "candidates <folder> <width> <height> <max blocks> <min moves> <min players> <max players> <first seed>
// <seed count> [--refine]": runs the generator on a worker thread with the seeds first, first + 1, ...,
// stopping after the last, and "level>" pointing into the folder, where it writes each find as
// "_<w>x<h>_<moves>m_<blocks>b_<seed>.xml". Prints one line per file: its name, moves and blocks. The same
// arguments give the same files. Answers the exit code (2 for bad arguments, 1 when the folder cannot be
// made or a find cannot be read back).
int RunCandidatesCommand(const std::vector<std::string>& arguments);
const char* CandidatesUsage();

} // namespace MediaGen
