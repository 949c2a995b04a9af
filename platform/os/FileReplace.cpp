#include "platform/os/FileReplace.h"

#include "platform/os/Files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform
{

namespace
{

bool WriteAll(int fd, std::string_view contents)
{
    while (!contents.empty())
    {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0)
        {
            if (errno == EINTR)
            {
                continue;
            }
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

bool ReplaceFileContents(const std::string& path, std::string_view contents)
{
    const std::string located = LocateFile(path);
    struct stat before = {};
    const bool existed = ::stat(located.c_str(), &before) == 0;
    if (existed && S_ISDIR(before.st_mode))
    {
        return false;
    }
    // Proves that the target may be written before anything is touched; creates it when missing.
    const int target = ::open(located.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (target < 0)
    {
        return false;
    }
    struct stat status = {};
    const bool statted = ::fstat(target, &status) == 0;
    ::close(target);

    char resolved[PATH_MAX];
    if (!statted || ::realpath(located.c_str(), resolved) == nullptr)
    {
        if (!existed)
        {
            ::unlink(located.c_str());
        }
        return false;
    }
    const std::string finalPath = resolved;
    std::string temporary = finalPath + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    bool ok = fd >= 0;
    if (ok)
    {
        ok = WriteAll(fd, contents);
        ok = ok && ::fchmod(fd, status.st_mode & 07777) == 0;
        ok = ok && ::fsync(fd) == 0;
        ok = ::close(fd) == 0 && ok;
        ok = ok && ::rename(temporary.c_str(), finalPath.c_str()) == 0;
        if (!ok)
        {
            ::unlink(temporary.c_str());
        }
    }
    if (!ok && !existed)
    {
        ::unlink(finalPath.c_str());
    }
    return ok;
}

} // namespace Platform
