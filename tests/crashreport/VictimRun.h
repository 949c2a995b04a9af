#pragma once

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Runs the crash victim as a child process in the test's own folder, so the reports it writes next to
// its executable land there, and reads back what it left.
struct VictimResult
{
    int exitSignal = 0;  // the signal that ended it, 0 when it exited
    int exitCode = -1;   // its exit status when it exited
    bool timedOut = false;
    double seconds = 0;
    std::string out;
    std::string err;
    std::vector<std::filesystem::path> reports; // the ".btc" files
    std::vector<std::filesystem::path> dumps;   // the ".dmp" files

    // The thread ids the victim printed for one role ("main", "worker", "blocker", "crasher").
    std::vector<int> Threads(const std::string& role) const
    {
        std::vector<int> ids;
        std::istringstream lines(out);
        std::string name;
        int id;
        while (lines >> name >> id)
        {
            if (name == role)
            {
                ids.push_back(id);
            }
        }
        return ids;
    }
};

class VictimTest : public TempFolderTest
{
protected:
    // The sanitizer's own fault handling stays out of the way, so the reporter is what is tested.
    static constexpr const char* SanitizerOptions =
        "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:handle_abort=0:use_sigaltstack=0:"
        "detect_leaks=0";

    // Each run has a folder of its own: a reporter process of an earlier run may still be ending.
    std::string VictimPath() const { return RunPath("crash_victim"); }
    std::string RunPath(const std::string& name) const { return (m_RunFolder / name).string(); }

    // Runs `crash_victim mode options` with the extra environment; kills it after `limitSeconds`.
    VictimResult Run(const std::string& mode, const std::string& options = "",
                     const std::map<std::string, std::string>& environment = {}, double limitSeconds = 30,
                     rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        m_RunFolder = Root() / ("run" + std::to_string(++m_RunCount));
        std::filesystem::create_directories(m_RunFolder);
        std::filesystem::copy_file(m_Victim, VictimPath());
        const std::string outPath = RunPath("victim.out");
        const std::string errPath = RunPath("victim.err");
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0)
        {
            if (chdir(m_RunFolder.c_str()) != 0)
            {
                _exit(120);
            }
            const int out = open(outPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
            const int err = open(errPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
            dup2(out, STDOUT_FILENO);
            dup2(err, STDERR_FILENO);
            setenv("ASAN_OPTIONS", SanitizerOptions, 1);
            for (const auto& [name, value] : environment)
            {
                setenv(name.c_str(), value.c_str(), 1);
            }
            if (fileSizeLimit != RLIM_INFINITY)
            {
                signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{fileSizeLimit, fileSizeLimit};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::vector<const char*> args{"./crash_victim", mode.c_str()};
            if (!options.empty())
            {
                args.push_back(options.c_str());
            }
            args.push_back(nullptr);
            execv(VictimPath().c_str(), const_cast<char* const*>(args.data()));
            _exit(121);
        }
        VictimResult result;
        int status = 0;
        for (;;)
        {
            const pid_t done = waitpid(child, &status, WNOHANG);
            if (done == child)
            {
                break;
            }
            if (std::chrono::steady_clock::now() - start > std::chrono::duration<double>(limitSeconds))
            {
                result.timedOut = true;
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (WIFSIGNALED(status))
        {
            result.exitSignal = WTERMSIG(status);
        }
        else if (WIFEXITED(status))
        {
            result.exitCode = WEXITSTATUS(status);
        }
        result.out = ReadBytes(outPath);
        result.err = ReadBytes(errPath);
        for (const auto& entry : std::filesystem::directory_iterator(m_RunFolder))
        {
            if (entry.path().extension() == ".btc")
            {
                result.reports.push_back(entry.path());
            }
            if (entry.path().extension() == ".dmp")
            {
                result.dumps.push_back(entry.path());
            }
        }
        return result;
    }

    // The text of the only report; fails the test when there is not exactly one.
    static std::string OnlyReport(const VictimResult& result)
    {
        EXPECT_EQ(result.reports.size(), 1u) << result.err;
        return result.reports.empty() ? std::string() : ReadBytes(result.reports.front());
    }

    // The program the next runs copy (the unoptimised victim unless a test changes it).
    std::string m_Victim = QUARROW_CRASH_VICTIM;

private:
    std::filesystem::path m_RunFolder;
    int m_RunCount = 0;
};

// How often a text occurs in another.
inline int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
    {
        ++count;
    }
    return count;
}
