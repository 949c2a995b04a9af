#include "tests/crashreport/VictimRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <string>

namespace
{

struct Scenario
{
    const char* mode;
    int signal;
    const char* codeLine;
    const char* namePrefix;
};

const Scenario Scenarios[] = {
    {"segv", SIGSEGV, "Exception code: C0000005", "ACCESS_VIOLATION"},
    {"fpe", SIGFPE, "Exception code: C0000094", "INT_DIVIDE_BY_ZERO"},
    {"abort", SIGABRT, "Exception code: E0000006", "Aborted (signal 6"},
    {"overflow", SIGSEGV, "Exception code: C00000FD", "STACK_OVERFLOW"},
    {"overflow-worker", SIGSEGV, "Exception code: C00000FD", "STACK_OVERFLOW"},
    {"worker", SIGSEGV, "Exception code: C0000005", "ACCESS_VIOLATION"},
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start))
    {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start < text.size())
    {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// The value of the register line that starts with `name` (after CS: or SS: for the segment pairs).
std::string RegisterValue(const std::string& report, const std::string& name)
{
    for (const std::string& line : Lines(report))
    {
        if (line.rfind(name, 0) == 0)
        {
            return line.substr(name.size());
        }
    }
    return {};
}

class CrashScenario : public VictimTest, public testing::WithParamInterface<Scenario>
{
};

} // namespace

TEST_P(CrashScenario, WritesOneReportAndEndsByItsSignal)
{
    const Scenario& scenario = GetParam();
    for (const char* options : {"0x073F0000", "0x033F0000"})
    {
        SCOPED_TRACE(options);
        const VictimResult result = Run(scenario.mode, options);
        ASSERT_FALSE(result.timedOut) << result.err;
        EXPECT_EQ(result.exitSignal, scenario.signal) << result.err;
        ASSERT_EQ(result.reports.size(), 1u) << result.err;
        EXPECT_TRUE(std::regex_match(result.reports.front().filename().string(),
                                     std::regex(R"(crash_victim_\d{4}-\d\d-\d\d_\d\d_\d\d_\d\d\.btc)")))
            << result.reports.front();
        const std::string report = ReadBytes(result.reports.front());
        const std::vector<std::string> lines = Lines(report);
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0], scenario.codeLine);
        EXPECT_EQ(lines[1].rfind(scenario.namePrefix, 0), 0u) << lines[1];

        // "Fault address:  <rip in hex> <section> <offset> <module>" against the register part.
        std::smatch fault;
        ASSERT_TRUE(std::regex_match(lines[2], fault, std::regex(R"(Fault address:  ([0-9A-F]{16}) (\d+) (-?\d+) (.*))")))
            << lines[2];
        const std::string csRip = RegisterValue(report, "CS:RIP: ");
        const std::string rip = csRip.substr(csRip.find(':') + 1);
        EXPECT_EQ(std::stoull(fault[1].str(), nullptr, 16), std::stoull(rip));
        EXPECT_GT(std::stoi(fault[2].str()), 0);
        // abort() raises its signal inside the C library.
        if (std::string(scenario.mode) == "abort")
        {
            EXPECT_NE(fault[4].str().find("libc"), std::string::npos) << fault[4];
        }
        else
        {
            EXPECT_EQ(fault[4].str(), VictimPath());
        }

        // The register lines, in their order.
        const char* const names[] = {"RAX: ", "RBX: ", "RCX: ", "RDX: ", "RSI: ", "RDI: ", "RBP: ", "R8: ",
                                     "R9: ", "R10: ", "R11: ", "R12: ", "R13: ", "R14: ", "R15: ", "CS:RIP: ",
                                     "SS:RSP: ", "DS: ", "ES: ", "FS: ", "GS: ", "Flags: "};
        ASSERT_GE(lines.size(), 5u + std::size(names));
        EXPECT_EQ(lines[3], "");
        EXPECT_EQ(lines[4], "Registers:");
        for (std::size_t i = 0; i < std::size(names); ++i)
        {
            EXPECT_TRUE(std::regex_match(lines[5 + i], std::regex(std::string(names[i]) + R"(-?\d+(:-?\d+)?)")))
                << lines[5 + i];
        }
        EXPECT_EQ(CountOf(report, "Crashing Thread: \r\n"), 1);

        // One block per answering thread; the crashing one only with bit 26; the blocker cannot be opened.
        const std::vector<int> crashers = result.Threads("crasher").empty() ? result.Threads("main")
                                                                            : result.Threads("crasher");
        ASSERT_EQ(crashers.size(), 1u);
        const bool repeatCrashing = std::string(options) == "0x073F0000";
        EXPECT_EQ(CountOf(report, "ThreadID: " + std::to_string(crashers[0]) + "  ThreadHandle: "),
                  repeatCrashing ? 1 : 0);
        for (const int worker : result.Threads("worker"))
        {
            EXPECT_EQ(CountOf(report, "ThreadID: " + std::to_string(worker) + "  ThreadHandle: "), 1);
        }
        ASSERT_EQ(result.Threads("blocker").size(), 1u);
        EXPECT_EQ(CountOf(report, "<< Cannot open Thread " + std::to_string(result.Threads("blocker")[0]) + "\r\n"), 1);
        EXPECT_EQ(CountOf(report, "ThreadID: "), 2 + (repeatCrashing ? 1 : 0) +
                                                     (std::string(scenario.mode).find("worker") != std::string::npos));
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, CrashScenario, testing::ValuesIn(Scenarios),
                         [](const testing::TestParamInfo<Scenario>& info) {
                             std::string name = info.param.mode;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST_F(VictimTest, TwoThreadsFaultingTogetherGiveOneReport)
{
    const VictimResult result = Run("twice");
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    const std::string report = OnlyReport(result);
    EXPECT_EQ(CountOf(report, "Exception code: C0000005"), 1);
    // The twin that faulted second is parked and listed like the others.
    for (const int crasher : result.Threads("crasher"))
    {
        EXPECT_EQ(CountOf(report, "ThreadID: " + std::to_string(crasher) + "  ThreadHandle: "), 1);
    }
}

TEST_F(VictimTest, ReportSurvivesFaultsAndHangsInsideTheReporter)
{
    {
        SCOPED_TRACE("a fault inside a walk ends that walk only");
        const VictimResult result = Run("segv", "", {{"QUARROW_CRASH_TEST_FAULT_IN_WALK", "1"}});
        EXPECT_EQ(result.exitSignal, SIGSEGV);
        const std::string report = OnlyReport(result);
        EXPECT_EQ(CountOf(report, "Crashing Thread: "), 1);
        EXPECT_EQ(CountOf(report, "ThreadID: "), 3);
    }
    {
        SCOPED_TRACE("a fault outside any recovery point ends the process by its signal");
        const VictimResult result = Run("segv", "", {{"QUARROW_CRASH_TEST_FAULT_OUTSIDE", "1"}}, 10);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitSignal, SIGSEGV);
        EXPECT_LT(result.seconds, 5);
    }
    {
        SCOPED_TRACE("a hang ends by the watchdog with the original signal");
        const VictimResult result =
            Run("fpe", "", {{"QUARROW_CRASH_TEST_HANG", "1"}, {"QUARROW_CRASH_TEST_WATCHDOG", "2"}}, 15);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitSignal, SIGFPE);
        EXPECT_GE(result.seconds, 2);
    }
}

TEST_F(VictimTest, PreviousHandlerRunsAfterTheReport)
{
    // The victim checks itself that a second Install changes nothing and Uninstall restores the action.
    const VictimResult result = Run("chain");
    EXPECT_EQ(result.exitCode, -1) << result.out;
    EXPECT_EQ(result.exitSignal, SIGSEGV);
    OnlyReport(result);
    EXPECT_TRUE(std::filesystem::exists(RunPath("chain.marker")));
}

TEST_F(VictimTest, ReportOnDemandListsEveryThreadAndLetsThemRunOn)
{
    const VictimResult result = Run("ondemand");
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_NE(result.out.find("workers ran on"), std::string::npos);
    const std::string report = OnlyReport(result);
    EXPECT_EQ(report.find("Exception code:"), std::string::npos);
    EXPECT_EQ(report.find("Crashing Thread:"), std::string::npos);
    for (const int thread : result.Threads("worker"))
    {
        EXPECT_EQ(CountOf(report, "ThreadID: " + std::to_string(thread) + "  ThreadHandle: "), 1);
    }
    EXPECT_EQ(CountOf(report, "ThreadID: " + std::to_string(result.Threads("main").at(0)) + "  ThreadHandle: "), 1);
}
