#include "platform/os/UserFiles.h"

#include "platform/os/DebugOutput.h"
#include "platform/os/Files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace Platform
{

namespace
{

bool IsAbsolute(std::string_view path)
{
    return !path.empty() && path.front() == '/';
}

// "<base>/<tail>/quarrow/" with the base's trailing separators dropped.
std::string QuarrowFolderBelow(std::string_view base, std::string_view tail)
{
    while (base.size() > 1 && base.back() == '/')
    {
        base.remove_suffix(1);
    }
    std::string folder(base == "/" ? std::string_view() : base);
    if (!tail.empty())
    {
        folder += '/';
        folder += tail;
    }
    return folder + "/quarrow/";
}

std::string_view Environment(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

// Creating a file exclusively is the one test that also holds for root on a read-only mount.
bool WorkingFolderTakesAFile()
{
    char probe[] = ".quarrow-probe-XXXXXX";
    const int fd = ::mkostemp(probe, O_CLOEXEC);
    if (fd < 0)
    {
        return false;
    }
    ::close(fd);
    ::unlink(probe);
    return true;
}

bool WorkingFolderIsHome(std::string_view home)
{
    if (home.empty())
    {
        return false;
    }
    std::error_code error;
    const std::filesystem::path working = std::filesystem::canonical(".", error);
    if (error)
    {
        return false;
    }
    const std::filesystem::path homeFolder = std::filesystem::canonical(std::filesystem::path(home), error);
    return !error && working == homeFolder;
}

UserFolderFacts CurrentFacts()
{
    UserFolderFacts facts;
    facts.home = Environment("HOME");
    facts.xdgConfigHome = Environment("XDG_CONFIG_HOME");
    facts.xdgDataHome = Environment("XDG_DATA_HOME");
    facts.workingFolderWritable = WorkingFolderTakesAFile();
    facts.workingFolderIsHome = WorkingFolderIsHome(facts.home);
    return facts;
}

// Makes every missing folder of `folder` (an absolute path) with mode 0700. Empty on success, else the
// reason with the folder that could not be made.
std::string MakeFolders(const std::string& folder)
{
    std::size_t end = 1;
    while (end <= folder.size())
    {
        end = folder.find('/', end);
        if (end == std::string::npos)
        {
            end = folder.size();
        }
        const std::string part = folder.substr(0, end);
        ++end;
        if (part.empty() || part.back() == '/')
        {
            continue;
        }
        if (::mkdir(part.c_str(), 0700) == 0)
        {
            continue;
        }
        const int reason = errno;
        struct stat status = {};
        if (reason == EEXIST && ::stat(part.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        {
            continue;
        }
        return part + ": " + std::strerror(reason == EEXIST ? ENOTDIR : reason);
    }
    return std::string();
}

void TraceUserFoldersOnce(const UserFolderFacts& facts)
{
    static std::once_flag traced;
    std::call_once(traced, [&facts] {
        const std::string why = facts.workingFolderWritable ? "is the home folder" : "cannot take a file";
        const UserFolderChoice config = ChooseUserFolder(UserFileKind::Config, facts);
        const UserFolderChoice data = ChooseUserFolder(UserFileKind::Data, facts);
        WriteDebugOutput(("User files: the working folder " + why + "; configuration goes to " +
                          config.folder + ", saved games and pictures to " + data.folder + "\n")
                             .c_str());
    });
}

bool Exists(const std::string& path)
{
    struct stat status = {};
    return ::stat(LocateFile(path).c_str(), &status) == 0;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

UserFolderChoice ChooseUserFolder(UserFileKind kind, const UserFolderFacts& facts)
{
    UserFolderChoice choice;
    if (facts.workingFolderWritable && !facts.workingFolderIsHome)
    {
        return choice;
    }
    const std::string_view xdg = kind == UserFileKind::Config ? facts.xdgConfigHome : facts.xdgDataHome;
    if (IsAbsolute(xdg))
    {
        choice.place = UserFolderChoice::Place::UserFolder;
        choice.folder = QuarrowFolderBelow(xdg, "");
    }
    else if (IsAbsolute(facts.home))
    {
        choice.place = UserFolderChoice::Place::UserFolder;
        choice.folder =
            QuarrowFolderBelow(facts.home, kind == UserFileKind::Config ? ".config" : ".local/share");
    }
    else
    {
        choice.place = UserFolderChoice::Place::NoUserFolder;
    }
    return choice;
}

std::string UserFilePath(UserFileKind kind, const std::string& name)
{
    const UserFolderFacts facts = CurrentFacts();
    const UserFolderChoice choice = ChooseUserFolder(kind, facts);
    switch (choice.place)
    {
    case UserFolderChoice::Place::WorkingFolder:
        return name;
    case UserFolderChoice::Place::NoUserFolder:
        WriteDebugOutput(("User files: " + name + " stays in the working folder, which " +
                          (facts.workingFolderWritable ? "is the home folder" : "cannot take a file") +
                          ": no absolute HOME or " +
                          (kind == UserFileKind::Config ? "XDG_CONFIG_HOME" : "XDG_DATA_HOME") +
                          " names a user folder\n")
                             .c_str());
        return name;
    case UserFolderChoice::Place::UserFolder:
        break;
    }
    TraceUserFoldersOnce(facts);
    const std::string path = choice.folder + name;
    const std::string failure = MakeFolders(FolderOf(path));
    if (!failure.empty())
    {
        WriteDebugOutput(
            ("User files: cannot make the folder " + failure + "; " + name + " stays in the working folder\n")
                .c_str());
        return name;
    }
    return path;
}

std::string UserFileReadPath(UserFileKind kind, const std::string& name)
{
    const UserFolderChoice choice = ChooseUserFolder(kind, CurrentFacts());
    if (choice.place != UserFolderChoice::Place::UserFolder)
    {
        return name;
    }
    const std::string path = choice.folder + name;
    if (!Exists(path) && Exists(name))
    {
        return name;
    }
    return path;
}

} // namespace Platform
