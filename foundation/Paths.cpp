#include "foundation/Paths.h"

#include "foundation/Debug.h"
#include "platform/os/Files.h"

#include <algorithm>

namespace BaseLib
{

namespace
{

// Deletes every folder that a "../" follows, together with that "../". The search for "../" starts at
// the first "/" after the first character; a folder that is itself "../" stays and the search goes on
// behind it, so leading "../" segments survive.
void RemoveParentSegments(std::string& path)
{
    std::size_t from = path.find('/', 1);
    while (from != std::string::npos)
    {
        const std::size_t match = path.find("../", from);
        if (match == std::string::npos)
        {
            break;
        }
        // The '/' at `from` rules out a match there, so match >= 2.
        const std::size_t slash = path.rfind('/', match - 2);
        const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
        if (path.compare(start, match - start, "../") == 0)
        {
            from = match + 3;
            continue;
        }
        path.erase(start, match + 3 - start);
        from = path.find('/', 1);
    }
}

std::size_t LastSeparator(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t alias = path.rfind('>');
    if (slash == std::string::npos)
    {
        return alias;
    }
    if (alias == std::string::npos)
    {
        return slash;
    }
    return std::max(slash, alias);
}

} // namespace

std::string NormalizePath(const std::string& path)
{
    std::string work = path;
    ToForwardSlashes(work);
    std::string drive;
    if (work.size() >= 2 && work[1] == ':')
    {
        drive = work.substr(0, 2);
        work.erase(0, 2);
    }
    for (std::size_t at = work.find("/./"); at != std::string::npos; at = work.find("/./"))
    {
        work.erase(at, 2);
    }
    if (work.starts_with("./"))
    {
        work.erase(0, 2);
    }
    RemoveParentSegments(work);
    return drive + work;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
    {
        return name;
    }
    if (name.empty())
    {
        return folder;
    }
    const bool folderEnds = folder.back() == '/';
    const bool nameBegins = name.front() == '/';
    if (folderEnds && nameBegins)
    {
        return folder + name.substr(1);
    }
    if (folderEnds || nameBegins)
    {
        return folder + name;
    }
    return folder + "/" + name;
}

bool FileExists(const std::string& path)
{
    if (path.empty())
    {
        return false;
    }
    std::FILE* file = Platform::OpenFile(path, "rb");
    if (file == nullptr)
    {
        return false;
    }
    std::fclose(file);
    return true;
}

void ToForwardSlashes(std::string& path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
}

std::string GetPathDirectory(const std::string& path)
{
    std::string work = path;
    ToForwardSlashes(work);
    const std::size_t separator = LastSeparator(work);
    return separator == std::string::npos ? work : work.substr(0, separator + 1);
}

std::string GetFileName(const std::string& path)
{
    std::string work = path;
    ToForwardSlashes(work);
    const std::size_t separator = LastSeparator(work);
    return separator == std::string::npos ? work : work.substr(separator + 1);
}

std::string RemoveExtension(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? path : path.substr(0, dot);
}

std::string InsertBeforeExtension(const std::string& path, const std::string& suffix)
{
    const std::size_t last = path.find_last_of("\\/>.");
    if (last != std::string::npos && path[last] == '.')
    {
        return path.substr(0, last) + suffix + path.substr(last);
    }
    return path + suffix;
}

std::string InsertSubfolder(const std::string& path, const std::string& folder)
{
    if (folder.empty())
    {
        return path;
    }
    std::string subfolder = folder;
    if (subfolder.back() != '\\' && subfolder.back() != '/')
    {
        subfolder += '/';
    }
    const std::size_t last = path.find_last_of("\\/>");
    const std::size_t at = last == std::string::npos ? 0 : last + 1;
    return path.substr(0, at) + subfolder + path.substr(at);
}

std::string GetFullPath(const std::string& path)
{
    constexpr std::size_t resultSize = 1024;
    std::string full = Platform::GetFullPath(path);
    if (full.empty() || full.size() >= resultSize)
    {
        DebugOutput("GetFullPath: cannot make '%s' absolute; it is used as it is\n", path.c_str());
        return path;
    }
    return full;
}

void ListFiles(const std::string& pattern, std::vector<std::string>& list)
{
    std::string work = pattern;
    ToForwardSlashes(work);
    Platform::FoundEntry entry;
    Platform::FindHandle listing = Platform::FindFirst(work, entry);
    if (listing == nullptr)
    {
        return;
    }
    // A pattern without a separator names entries of the current folder: they stay plain names
    // (GetPathDirectory would give the pattern itself).
    const std::string folder = work.find('/') == std::string::npos ? std::string() : GetPathDirectory(work);
    do
    {
        list.push_back(JoinPath(folder, entry.name));
    } while (Platform::FindNext(listing, entry));
    Platform::FindClose(listing);
}

} // namespace BaseLib
