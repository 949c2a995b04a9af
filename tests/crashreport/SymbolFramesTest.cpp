#include "tests/crashreport/ReportParse.h"
#include "tests/crashreport/VictimRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace
{

// The line of the victim's source that carries the marker comment.
int MarkerLine()
{
    std::ifstream source(QUARROW_CRASH_VICTIM_SOURCE);
    std::string line;
    for (int number = 1; std::getline(source, line); ++number)
    {
        if (line.find("// CRASH-MARKER") != std::string::npos)
        {
            return number;
        }
    }
    return -1;
}

std::vector<std::string> Functions(const ReportBlock& block)
{
    std::vector<std::string> names;
    for (const ReportFrame& frame : block.frames)
    {
        names.push_back(frame.function);
    }
    return names;
}

bool IsInternal(const ReportFrame& frame)
{
    return frame.function.size() > 36 &&
           frame.function.compare(frame.function.size() - 36, 36, " <internal hidden debuging function>") == 0;
}

std::string SourceName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

class SymbolFrames : public VictimTest
{
protected:
    // The checks every scenario shares: parked workers named with their source, the blocker not
    // opened, the crashing thread's own block starting inside the reporter, one search path trace.
    void CheckCommonParts(const VictimResult& result, const std::string& report)
    {
        const std::vector<ReportBlock> blocks = ThreadBlocks(report);
        for (const int worker : result.Threads("worker"))
        {
            const ReportBlock* block = FindBlock(blocks, "ThreadID: " + std::to_string(worker) + " ");
            ASSERT_NE(block, nullptr) << worker;
            bool named = false;
            for (const ReportFrame& frame : block->frames)
            {
                named = named || (frame.function == "ParkedWorker" && SourceName(frame.source) == "CrashVictim.cpp");
            }
            EXPECT_TRUE(named) << block->text;
        }
        EXPECT_EQ(CountOf(report, "<< Cannot open Thread " + std::to_string(result.Threads("blocker").at(0))), 1);
        EXPECT_EQ(CountOf(result.err, "Set new SymbolPath: "), 1) << result.err;
        EXPECT_NE(result.err.find("/crash_victim_debug\r\n"), std::string::npos) << result.err;
    }

    void CheckOwnBlockStartsInternal(const VictimResult& result, const std::string& report, int tid)
    {
        const std::vector<ReportBlock> blocks = ThreadBlocks(report);
        const ReportBlock* own = FindBlock(blocks, "ThreadID: " + std::to_string(tid) + " ");
        ASSERT_NE(own, nullptr) << report;
        ASSERT_FALSE(own->frames.empty());
        EXPECT_TRUE(IsInternal(own->frames[0])) << own->text;
        (void)result;
    }
};

} // namespace

TEST_F(SymbolFrames, CrashingStackNamesTheFaultingLineAndItsCallers)
{
    const VictimResult result = Run("segv");
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    const std::string report = OnlyReport(result);
    const std::vector<ReportBlock> blocks = ThreadBlocks(report);
    const ReportBlock* crashing = FindBlock(blocks, "Crashing Thread: ");
    ASSERT_NE(crashing, nullptr);
    ASSERT_GE(crashing->frames.size(), 3u) << crashing->text;
    const ReportFrame& top = crashing->frames[0];
    EXPECT_EQ(top.function, "CrashingFunction");
    EXPECT_EQ(SourceName(top.source), "CrashVictim.cpp");
    EXPECT_EQ(top.line, MarkerLine());
    EXPECT_EQ(top.module, VictimPath());
    EXPECT_EQ(crashing->frames[1].function, "CallCrashing");
    EXPECT_EQ(crashing->frames[2].function, "main");
    // Every frame block has its three parts in order and the locals braces.
    EXPECT_NE(top.text.find(VictimPath() + ":\r\n"), std::string::npos);
    EXPECT_NE(top.text.find("CrashVictim.cpp(" + std::to_string(MarkerLine()) + "):\r\nCrashingFunction("),
              std::string::npos)
        << top.text;
    EXPECT_NE(top.text.find(")\r\n{\r\n"), std::string::npos) << top.text;
    EXPECT_EQ(top.text.substr(top.text.size() - 5), "\r\n}\r\n") << top.text;

    CheckCommonParts(result, report);
    CheckOwnBlockStartsInternal(result, report, result.Threads("main").at(0));
}

TEST_F(SymbolFrames, WorkerCrashNamesTheWorkersFunction)
{
    const VictimResult result = Run("worker");
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    const std::string report = OnlyReport(result);
    const std::vector<ReportBlock> blocks = ThreadBlocks(report);
    const ReportBlock* crashing = FindBlock(blocks, "Crashing Thread: ");
    ASSERT_NE(crashing, nullptr);
    const std::vector<std::string> names = Functions(*crashing);
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[0], "CrashingFunction");
    EXPECT_EQ(names[2], "CrashingWorker") << testing::PrintToString(names);
    CheckCommonParts(result, report);
    CheckOwnBlockStartsInternal(result, report, result.Threads("crasher").at(0));
}

TEST_F(SymbolFrames, OverflowStackStopsAt128Frames)
{
    const VictimResult result = Run("overflow");
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    const std::string report = OnlyReport(result);
    const std::vector<ReportBlock> blocks = ThreadBlocks(report);
    const ReportBlock* crashing = FindBlock(blocks, "Crashing Thread: ");
    ASSERT_NE(crashing, nullptr);
    ASSERT_EQ(crashing->frames.size(), 128u);
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(crashing->frames[i].function, "Recurse");
    }
    CheckCommonParts(result, report);
}

TEST_F(SymbolFrames, WithoutTheReporterProcessTheReportHasNoFrames)
{
    const VictimResult result = Run("segv", "", {{"QUARROW_CRASH_TEST_KILL_REPORTER", "1"}});
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    const std::string report = OnlyReport(result);
    EXPECT_EQ(report.rfind("Exception code: C0000005\r\n", 0), 0u);
    EXPECT_NE(report.find("\r\nRegisters:\r\n"), std::string::npos);
    EXPECT_EQ(CountOf(report, "Crashing Thread: "), 1);
    EXPECT_EQ(CountOf(report, "ThreadID: "), 3);
    EXPECT_EQ(report.find(std::string(66, '-')), std::string::npos) << report;
}

TEST_F(SymbolFrames, OnDemandReportStartsInsideTheReporterAndLeavesNoProcessBehind)
{
    const VictimResult result = Run("ondemand");
    EXPECT_EQ(result.exitCode, 0) << result.out;
    const std::string report = OnlyReport(result);
    const std::vector<ReportBlock> blocks = ThreadBlocks(report);
    const ReportBlock* own = FindBlock(blocks, "ThreadID: " + std::to_string(result.Threads("main").at(0)) + " ");
    ASSERT_NE(own, nullptr);
    std::size_t firstOutside = 0;
    while (firstOutside < own->frames.size() && IsInternal(own->frames[firstOutside]))
    {
        ++firstOutside;
    }
    EXPECT_GT(firstOutside, 0u) << own->text;
    ASSERT_LT(firstOutside, own->frames.size());
    EXPECT_EQ(own->frames[firstOutside].function, "main") << own->text;
    CheckCommonParts(result, report);

    const std::vector<int> reporter = result.Threads("reporter");
    ASSERT_EQ(reporter.size(), 1u);
    EXPECT_GT(reporter[0], 0);
    EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(reporter[0]))) << "the reporter outlived the program";
}
