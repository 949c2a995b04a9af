#include "platform/os/Files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace Platform
{

namespace
{

char FoldByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || byte == 0xC4 || byte == 0xD6 || byte == 0xDC)
    {
        return static_cast<char>(byte + 32);
    }
    return c;
}

bool Exists(const std::string& path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

// The entry of `folder` whose folded name is `folded`, the first in byte order; empty when none is.
std::string FindEntryCaseBlind(const std::string& folder, const std::string& folded)
{
    std::error_code error;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), error);
    std::string best;
    for (; !error && it != fs::directory_iterator(); it.increment(error))
    {
        std::string name = it->path().filename().string();
        if (FoldNameCase(name) == folded && (best.empty() || name < best))
        {
            best = std::move(name);
        }
    }
    return best;
}

bool MatchFrom(std::string_view name, std::string_view pattern)
{
    // Iterative match with backtracking to the last "*".
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t starPattern = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size())
    {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n]))
        {
            ++n;
            ++p;
        }
        else if (p < pattern.size() && pattern[p] == '*')
        {
            starPattern = p++;
            starName = n;
        }
        else if (starPattern != std::string_view::npos)
        {
            p = starPattern + 1;
            n = ++starName;
        }
        else
        {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
    {
        ++p;
    }
    return p == pattern.size();
}

} // namespace

std::string FoldNameCase(std::string_view name)
{
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldByte);
    return folded;
}

std::string LocateFile(const std::string& path)
{
    if (path.empty() || Exists(path))
    {
        return path;
    }
    std::string located;
    std::size_t start = 0;
    bool lost = false; // a component was not found: the rest stays as written
    while (start <= path.size())
    {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string component = path.substr(start, end - start);
        std::string chosen = component;
        if (!lost && !component.empty() && component != "." && component != "..")
        {
            if (!Exists(located + component))
            {
                const std::string found = FindEntryCaseBlind(located, FoldNameCase(component));
                if (found.empty())
                {
                    lost = true;
                }
                else
                {
                    chosen = found;
                }
            }
        }
        located += chosen;
        if (end < path.size())
        {
            located += '/';
        }
        start = end + 1;
    }
    return located;
}

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool RemoveFile(const std::string& path)
{
    const std::string located = LocateFile(path);
    std::error_code error;
    if (fs::is_directory(fs::symlink_status(located, error)))
    {
        return false;
    }
    return fs::remove(located, error) && !error;
}

bool IsSymbolicLink(const std::string& path)
{
    std::error_code error;
    return fs::is_symlink(fs::symlink_status(LocateFile(path), error));
}

std::string ExecutableFolder()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error || !executable.has_parent_path())
    {
        return std::string();
    }
    std::string folder = executable.parent_path().string();
    if (!folder.ends_with('/'))
    {
        folder += '/';
    }
    return folder;
}

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    const std::string located = LocateFile(path);
    if (located.empty() || IsFolder(located))
    {
        return nullptr;
    }
    return std::fopen(located.c_str(), mode);
}

std::string GetFullPath(const std::string& path)
{
    std::error_code error;
    const fs::path current = fs::current_path(error);
    if (error)
    {
        return {};
    }
    return (current / fs::path(path)).lexically_normal().string();
}

struct FindRecord
{
    std::vector<FoundEntry> entries;
    std::size_t next = 0;
};

bool MatchesWildcard(std::string_view name, std::string_view pattern)
{
    const std::string foldedName = FoldNameCase(name);
    const std::string foldedPattern = FoldNameCase(pattern);
    if (MatchFrom(foldedName, foldedPattern))
    {
        return true;
    }
    const std::string_view anyExtension = ".*";
    return foldedPattern.ends_with(anyExtension) && foldedName.find('.') == std::string::npos &&
           MatchFrom(foldedName, std::string_view(foldedPattern).substr(0, foldedPattern.size() - 2));
}

FindHandle FindFirst(const std::string& pattern, FoundEntry& entry)
{
    const std::size_t slash = pattern.rfind('/');
    const std::string folder = slash == std::string::npos
                                   ? std::string(".")
                                   : (slash == 0 ? std::string("/") : pattern.substr(0, slash));
    const std::string namePattern = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (namePattern.empty())
    {
        return nullptr;
    }
    const std::string located = LocateFile(folder);
    std::error_code error;
    fs::directory_iterator it(located, error);
    if (error)
    {
        return nullptr;
    }
    auto* record = new FindRecord;
    for (const char* own : {".", ".."})
    {
        if (MatchesWildcard(own, namePattern))
        {
            record->entries.push_back({own, true, 0});
        }
    }
    for (; !error && it != fs::directory_iterator(); it.increment(error))
    {
        std::string name = it->path().filename().string();
        if (!MatchesWildcard(name, namePattern))
        {
            continue;
        }
        std::error_code statError;
        const bool isFolder = it->is_directory(statError);
        const std::uint64_t size = isFolder ? 0 : it->file_size(statError);
        record->entries.push_back({std::move(name), isFolder, statError ? 0 : size});
    }
    std::sort(record->entries.begin(), record->entries.end(),
              [](const FoundEntry& a, const FoundEntry& b) { return a.name < b.name; });
    if (!FindNext(record, entry))
    {
        delete record;
        return nullptr;
    }
    return record;
}

bool FindNext(FindHandle listing, FoundEntry& entry)
{
    if (listing == nullptr || listing->next >= listing->entries.size())
    {
        return false;
    }
    entry = listing->entries[listing->next++];
    return true;
}

void FindClose(FindHandle listing)
{
    delete listing;
}

} // namespace Platform
