#include "platform/debug/ReporterProcess.h"

#include "platform/debug/FaultHandler.h"
#include "platform/debug/SafeFormat.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Platform
{

namespace
{

int g_Socket = -1;  // the program's end of the connection
pid_t g_Child = 0;
bool g_KillBeforeReport = false;

[[noreturn]] void RunReporter(int connection, pid_t parent, ReportComposer composer)
{
    BecomeReporterProcess();
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
    {
        _exit(0);
    }
    CaptureBlock* capture = GetCaptureBlock();
    for (;;)
    {
        char request = 0;
        const ssize_t got = recv(connection, &request, 1, 0);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got <= 0)
        {
            _exit(0);
        }
        const char answer = capture != nullptr && composer(*capture) ? 1 : 0;
        send(connection, &answer, 1, MSG_NOSIGNAL);
    }
}

void KillReporter()
{
    if (g_Child > 0)
    {
        kill(g_Child, SIGKILL);
        waitpid(g_Child, nullptr, 0);
        g_Child = 0;
    }
}

} // namespace

bool StartReporterProcess(ReportComposer composer)
{
    if (g_Child > 0)
    {
        return true;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
    {
        return false;
    }
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0)
    {
        const int error = errno;
        close(ends[0]);
        close(ends[1]);
        errno = error;
        return false;
    }
    if (child == 0)
    {
        close(ends[0]);
        RunReporter(ends[1], parent, composer);
    }
    close(ends[1]);
    g_Socket = ends[0];
    g_Child = child;
    // Lets the reporter read this process's memory where the system allows that to ancestors only.
    prctl(PR_SET_PTRACER, static_cast<unsigned long>(child), 0, 0, 0);
    const char* kill = std::getenv("QUARROW_CRASH_TEST_KILL_REPORTER");
    g_KillBeforeReport = kill != nullptr && std::strcmp(kill, "1") == 0;
    return true;
}

bool RequestReport(int timeoutMilliseconds)
{
    if (g_KillBeforeReport)
    {
        KillReporter();
    }
    if (g_Child <= 0 || g_Socket < 0)
    {
        return false;
    }
    const char request = 1;
    if (send(g_Socket, &request, 1, MSG_NOSIGNAL) != 1)
    {
        KillReporter();
        return false;
    }
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long deadline = now.tv_sec * 1000LL + now.tv_nsec / 1000000 + timeoutMilliseconds;
    for (;;)
    {
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long long remaining = deadline - (now.tv_sec * 1000LL + now.tv_nsec / 1000000);
        if (remaining <= 0)
        {
            WriteStandardError("CrashReport: the reporter process did not answer in time\n");
            KillReporter();
            return false;
        }
        pollfd wait{g_Socket, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(remaining));
        if (ready < 0 && errno == EINTR)
        {
            continue;
        }
        if (ready <= 0)
        {
            continue;
        }
        char answer = 0;
        const ssize_t got = recv(g_Socket, &answer, 1, 0);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got == 1 && answer == 1)
        {
            return true;
        }
        KillReporter();
        return false;
    }
}

void StopReporterProcess()
{
    if (g_Socket >= 0)
    {
        close(g_Socket);
        g_Socket = -1;
    }
    if (g_Child > 0)
    {
        waitpid(g_Child, nullptr, 0);
        g_Child = 0;
    }
}

int ReporterProcessId()
{
    return static_cast<int>(g_Child);
}

} // namespace Platform
