#include "tests/crashreport/ReportParse.h"
#include "tests/crashreport/VictimRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <string>

namespace
{

class ReportVariables : public VictimTest
{
};

} // namespace

TEST_F(ReportVariables, FramesShowParametersAndLocalsWithTheirValues)
{
    const VictimResult result = Run("segv");
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    const std::string report = OnlyReport(result);
    const std::vector<ReportBlock> blocks = ThreadBlocks(report);
    const ReportBlock* crashing = FindBlock(blocks, "Crashing Thread: ");
    ASSERT_NE(crashing, nullptr);
    ASSERT_FALSE(crashing->frames.empty());
    const std::string& top = crashing->frames[0].text;
    EXPECT_NE(top.find("CrashingFunction(int depth = 1)\r\n{\r\n"), std::string::npos) << top;
    EXPECT_NE(top.find("\r\n  int answer = 42\r\n"), std::string::npos) << top;
    EXPECT_NE(top.find("\r\n  char letter = 'A' (65)\r\n"), std::string::npos) << top;
    EXPECT_TRUE(std::regex_search(top, std::regex(R"(\r\n  char\* text = \(0x[0-9A-F]{16}\) "hello"\r\n)"))) << top;
    EXPECT_NE(top.find("\r\n  Pair pair = {\r\n    int first = 1\r\n    int second = 2\r\n  }\r\n"), std::string::npos)
        << top;

    for (const int worker : result.Threads("worker"))
    {
        const ReportBlock* block = FindBlock(blocks, "ThreadID: " + std::to_string(worker) + " ");
        ASSERT_NE(block, nullptr);
        bool shown = false;
        for (const ReportFrame& frame : block->frames)
        {
            shown = shown || (frame.function == "ParkedWorker" &&
                              std::regex_search(frame.text, std::regex(R"(\r\n  int64 counter = \d+\r\n)")) &&
                              frame.text.find("char* label = (0x") != std::string::npos &&
                              frame.text.find("\"parked\"") != std::string::npos);
        }
        EXPECT_TRUE(shown) << block->text;
    }
}

TEST_F(ReportVariables, GlobalsSectionListsTheVictimsGlobalsWithoutReservedNames)
{
    const VictimResult result = Run("segv", "0x077F0000");
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    const std::string report = OnlyReport(result);
    const std::size_t globals = report.find(std::string(66, '=') + "\r\nGlobals:\r\n\r\n");
    ASSERT_NE(globals, std::string::npos);
    const std::string section = report.substr(globals);
    EXPECT_NE(section.find("\r\n  int g_VictimGlobal = 1234\r\n"), std::string::npos);
    // The foundation's start-up filters hide every global whose name begins with "__".
    EXPECT_FALSE(std::regex_search(section, std::regex(R"(\r\n  [^ \r\n][^\r\n]* __[^\r\n]*)"))) << section.substr(0, 2000);
}

TEST_F(ReportVariables, OptimisedVictimStillGivesACompleteReport)
{
    m_Victim = QUARROW_CRASH_VICTIM_OPTIMIZED;
    for (const char* mode : {"segv", "worker"})
    {
        SCOPED_TRACE(mode);
        const VictimResult result = Run(mode, "0x077F0000", {}, 45);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitSignal, SIGSEGV);
        const std::string report = OnlyReport(result);
        EXPECT_EQ(CountOf(report, "Crashing Thread: "), 1);
        EXPECT_EQ(CountOf(report, "Globals:\r\n"), 1);
        EXPECT_NE(report.find("ParkedWorker"), std::string::npos);
        EXPECT_EQ(report.find("\r\nCrashReport: Unexpected Failure in Parsing DWARF-Info("), std::string::npos);
    }
}
