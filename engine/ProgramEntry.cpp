#include "engine/ProgramEntry.h"

#include "crashreport/CrashReport.h"
#include "engine/QenApplication.h"
#include "platform/os/CommandLine.h"

namespace Qen
{

namespace
{

constexpr std::uint32_t kCrashReportOptions = 0x73F0000;

} // namespace

int ProgramEntry(Platform::InstanceHandle instance, const std::string& commandLine)
{
    Platform::SetProcessCommandLine(commandLine);
    CrashReport::Install(kCrashReportOptions);
    int result = 0;
    CQenApplication* application = CreateApplication(instance);
    if (application != nullptr)
    {
        result = RunApplication(application);
    }
    DestroyApplication(application);
    CrashReport::Uninstall();
    return result;
}

} // namespace Qen
