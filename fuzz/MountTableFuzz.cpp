// The mount table reader of the drive list: any text gives "/" first, each root once, in byte order,
// every root absolute.

#include "fuzz/FuzzSupport.h"
#include "platform/os/Drives.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    Platform::DriveSources sources;
    sources.mountTable.assign(reinterpret_cast<const char*>(data), size);
    sources.labelFolder.clear();
    sources.isFolder = [](const std::string& path) { return path.size() % 2 == 0; };
    const std::vector<Platform::DriveInfo> drives = Platform::ListDrives(sources);
    if (drives.empty() || drives[0].root != "/")
    {
        std::abort();
    }
    for (std::size_t i = 1; i < drives.size(); ++i)
    {
        if (drives[i].root.empty() || drives[i].root[0] != '/' || !(drives[i - 1].root < drives[i].root))
        {
            std::abort();
        }
    }
    return 0;
}
