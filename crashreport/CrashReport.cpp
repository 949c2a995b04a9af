#include "crashreport/CrashReport.h"

#include "crashreport/FrameReport.h"
#include "crashreport/ReportComposer.h"
#include "crashreport/ReportText.h"
#include "platform/debug/Capture.h"
#include "platform/debug/CoreDump.h"
#include "platform/debug/FaultHandler.h"
#include "platform/debug/ReporterProcess.h"
#include "platform/debug/SafeFormat.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

namespace CrashReport
{

namespace
{

constexpr std::size_t TextCapacity = 256 * 1024;
constexpr std::size_t AlternateStackSize = 256 * 1024;

std::atomic<bool> g_Installed{false};
char* g_Text = nullptr;

bool FileExists(const char* path)
{
    return access(path, F_OK) == 0;
}

// The executable's path without its extension: a final "." part of the file name only.
std::size_t StemLength(const char* path)
{
    const std::size_t length = Platform::TextLength(path);
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < length; ++i)
    {
        if (path[i] == '/')
        {
            nameStart = i + 1;
        }
    }
    for (std::size_t i = length; i > nameStart + 1; --i)
    {
        if (path[i - 1] == '.')
        {
            return i - 1;
        }
    }
    return length;
}

char g_DumpPath[Platform::CapturePathSize + 64];

constexpr int ReporterTimeoutMilliseconds = 30000;

// The text report: composed with symbols by the reporter process, else here without frames.
void WriteTextFile(Platform::CaptureBlock& capture, std::uint32_t options, int skip)
{
    BuildFileName(capture.reportPath, sizeof(capture.reportPath), capture.executablePath, capture.time, ".btc");
    capture.reportOptions = options;
    if (Platform::RequestReport(ReporterTimeoutMilliseconds))
    {
        return;
    }
    FixedText text(g_Text, TextCapacity);
    if (capture.hasException)
    {
        WriteExceptionPart(text, capture);
    }
    WriteThreads(text, options, skip + 1, capture, nullptr);
    WriteWholeFile(capture.reportPath, text.Data(), text.Length());
}

} // namespace

// The dump, written before the text; a failure is traced and the text is written all the same.
void WriteMiniDump(Platform::CaptureBlock& capture)
{
    BuildFileName(g_DumpPath, sizeof(g_DumpPath), capture.executablePath, capture.time, ".dmp");
    const int fd = open(g_DumpPath, O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
    {
        TraceFailure("open", errno);
        return;
    }
    // Without a crash the calling thread is shown from here, where its stack is still live.
    ucontext_t caller;
    const bool haveCaller = !capture.hasException && getcontext(&caller) == 0;
    const int error = Platform::WriteCoreDump(fd, capture, haveCaller ? &caller : nullptr);
    if (error != 0)
    {
        TraceFailure("write", error);
    }
    close(fd);
}

void TraceFailure(const char* call, int error)
{
    Platform::WriteStandardError("CrashReport: ");
    Platform::WriteStandardError(call);
    Platform::WriteStandardError(" failed: ");
    const char* description = strerrordesc_np(error);
    Platform::WriteStandardError(description != nullptr ? description : "unknown error");
    Platform::WriteStandardError("\n");
}

void BuildFileName(char* out, std::size_t size, const char* executablePath, const Platform::CaptureTime& time,
                   const char* extension)
{
    FixedText name(out, size);
    name.Append(executablePath, StemLength(executablePath));
    name.AppendChar('_');
    name.AppendUnsigned(time.year, 4);
    name.AppendChar('-');
    name.AppendUnsigned(time.month, 2);
    name.AppendChar('-');
    name.AppendUnsigned(time.day, 2);
    name.AppendChar('_');
    name.AppendUnsigned(time.hour, 2);
    name.AppendChar('_');
    name.AppendUnsigned(time.minute, 2);
    name.AppendChar('_');
    name.AppendUnsigned(time.second, 2);
    const std::size_t stem = name.Length();
    name.Append(extension);
    if (!FileExists(out))
    {
        return;
    }
    for (int number = 1; number <= 999; ++number)
    {
        FixedText numbered(out + stem, size - stem);
        numbered.AppendChar('_');
        numbered.AppendUnsigned(static_cast<std::uint64_t>(number));
        numbered.Append(extension);
        if (!FileExists(out))
        {
            return;
        }
    }
    FixedText plain(out + stem, size - stem);
    plain.Append(extension);
}

bool WriteWholeFile(const char* path, const char* data, std::size_t length)
{
    const int fd = open(path, O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
    {
        TraceFailure("open", errno);
        return false;
    }
    const int error = Platform::WriteAll(fd, data, length);
    if (error != 0)
    {
        TraceFailure("write", error);
    }
    if (close(fd) != 0 && error == 0)
    {
        TraceFailure("close", errno);
        return false;
    }
    return error == 0;
}

void Install(std::uint32_t options)
{
    if (g_Installed.load())
    {
        return;
    }
    Platform::CaptureBlock* capture = Platform::GetCaptureBlock();
    if (capture == nullptr)
    {
        TraceFailure("mmap", errno);
        return;
    }
    if (g_Text == nullptr)
    {
        void* memory = mmap(nullptr, TextCapacity, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
        {
            TraceFailure("mmap", errno);
            return;
        }
        g_Text = static_cast<char*>(memory);
    }
    Platform::PrepareCapture(*capture, options);
    if (!Platform::InstallFaultHandlers(ExceptionFilter, AlternateStackSize))
    {
        TraceFailure("sigaction", errno != 0 ? errno : EBUSY);
        return;
    }
    // Forked while the program has one thread: the entry installs first.
    if (!Platform::StartReporterProcess(ComposeReportInReporter))
    {
        TraceFailure("fork", errno);
    }
    g_Installed.store(true);
}

void Uninstall()
{
    if (!g_Installed.exchange(false))
    {
        return;
    }
    Platform::UninstallFaultHandlers();
    Platform::StopReporterProcess();
}

void AddSymbolFilter(SymbolFilter predicate)
{
    Platform::CaptureBlock* capture = Platform::GetCaptureBlock();
    if (capture == nullptr || predicate == nullptr)
    {
        return;
    }
    const int index = capture->symbolFilterCount.load();
    if (index >= Platform::MaxSymbolFilters)
    {
        Platform::WriteStandardError("CrashReport: the symbol filter table is full; a filter is dropped\n");
        return;
    }
    capture->symbolFilters[index] = reinterpret_cast<void (*)()>(predicate);
    capture->symbolFilterCount.store(index + 1);
}

int SymbolFilterCount()
{
    const Platform::CaptureBlock* capture = Platform::GetCaptureBlock();
    return capture != nullptr ? capture->symbolFilterCount.load() : 0;
}

SymbolFilter GetSymbolFilter(int index)
{
    const Platform::CaptureBlock* capture = Platform::GetCaptureBlock();
    if (capture == nullptr || index < 0 || index >= capture->symbolFilterCount.load())
    {
        return nullptr;
    }
    return reinterpret_cast<SymbolFilter>(capture->symbolFilters[index]);
}

void ExceptionFilter(const Platform::FaultContext& fault)
{
    const Platform::CaptureBlock* capture = Platform::GetCaptureBlock();
    WriteReport(nullptr, capture != nullptr ? capture->options : 0, &fault, -1);
}

void WriteReport(const void*, std::uint32_t options, const Platform::FaultContext* crash, int skip)
{
    Platform::CaptureBlock* capture = Platform::GetCaptureBlock();
    if (capture == nullptr || g_Text == nullptr)
    {
        return;
    }
    // A crash report runs in the fault handler, which made this thread the reporting one already.
    const bool onDemand = crash == nullptr;
    if (onDemand && !Platform::BeginReporting())
    {
        return;
    }
    Platform::CaptureProcess(*capture, crash, skip);
    if (!onDemand && capture->testFaultOutside)
    {
        raise(SIGSEGV);
    }
    if (!onDemand && capture->testHang)
    {
        for (;;)
        {
            pause();
        }
    }
    if ((options & OptionMiniDump) != 0)
    {
        WriteMiniDump(*capture);
    }
    if ((options & OptionTextReport) != 0)
    {
        WriteTextFile(*capture, options, skip);
    }
    Platform::ReleaseCapture(*capture);
    if (onDemand)
    {
        Platform::EndReporting();
    }
}

} // namespace CrashReport
