#pragma once

#include <cstdint>
#include <cstdio>
#include <ios>
#include <string>
#include <string_view>

// Files and folders by path. Paths use "/" as separator. The program names its files in lower case while
// the file system tells letter case apart, so every opening of a file by path goes through LocateFile:
// a path that does not exist as written is looked up component by component without regard to case.
namespace Platform
{

// The case fold used to compare file names: ASCII capitals and the bytes 0xC4, 0xD6, 0xDC are lowered
// (to 0xE4, 0xF6, 0xFC), every other byte stays. This is the program's own lower-casing of names, so a
// name the program lower-cased finds the file it came from.
std::string FoldNameCase(std::string_view name);

// The path to hand to the system for `path`: the path itself when it exists; else each component is the
// existing entry of its folder whose folded name equals the folded component (the first in byte order
// when several do), or the component as written when none does. So a file that does not exist yet
// takes its name as given inside the folders that were found. Never touches what it finds.
std::string LocateFile(const std::string& path);

// True when the path (as located) is an existing folder.
bool IsFolder(const std::string& path);

// Deletes the file at the path (through LocateFile); a folder is never deleted. True when the file went.
bool RemoveFile(const std::string& path);

// True when the path itself (through LocateFile) is a symbolic link, whatever it points to.
bool IsSymbolicLink(const std::string& path);

// Opens a file through LocateFile with a C runtime mode ("rb", "wb", ...). Folders are not opened.
// Null when the file cannot be opened; the caller closes the result with fclose.
std::FILE* OpenFile(const std::string& path, const char* mode);

// Opens a standard file stream (std::fstream, std::ifstream, std::ofstream) through LocateFile. Folders
// are not opened. Returns whether the stream is open.
template <typename FileStream>
bool OpenFileStream(FileStream& stream, const std::string& path, std::ios_base::openmode mode)
{
    const std::string located = LocateFile(path);
    if (IsFolder(located))
    {
        return false;
    }
    stream.open(located, mode);
    return stream.is_open();
}

// The absolute form of a path: relative to the current folder, with "." and ".." segments worked out
// by text alone (the disk is not asked whether the path exists). Empty when the current folder is unknown.
std::string GetFullPath(const std::string& path);

// The folder of the running program's executable (from /proc/self/exe), ending in "/"; empty when it
// cannot be read.
std::string ExecutableFolder();

// Folder listing by wildcard pattern: a folder, "/", and a name pattern where "*" stands for any run of
// characters and "?" for one; letter case does not count, and a pattern ending in ".*" also matches names
// without an extension. The entries "." and ".." are listed when the pattern matches them. Entries come
// sorted by name (byte order).
struct FoundEntry
{
    std::string name; // the entry's name within its folder
    bool folder = false;
    std::uint64_t size = 0; // bytes; 0 for folders
};

struct FindRecord;
using FindHandle = FindRecord*;

// Starts a listing and fills `entry` with its first match. Null when the folder cannot be read or
// nothing matches; otherwise the caller ends the listing with FindClose.
FindHandle FindFirst(const std::string& pattern, FoundEntry& entry);

// The next match; false when the listing is exhausted.
bool FindNext(FindHandle listing, FoundEntry& entry);

void FindClose(FindHandle listing);

// True when `name` matches the wildcard `pattern` by the rules above.
bool MatchesWildcard(std::string_view name, std::string_view pattern);

} // namespace Platform
