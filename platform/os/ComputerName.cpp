#include "platform/os/ComputerName.h"

#include <climits>
#include <unistd.h>

namespace Platform
{

std::string GetComputerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
    {
        return std::string();
    }
    return ShortComputerName(name);
}

std::string ShortComputerName(std::string_view hostName)
{
    hostName = hostName.substr(0, hostName.find('.'));
    return std::string(hostName.substr(0, MaxComputerNameLength));
}

} // namespace Platform
