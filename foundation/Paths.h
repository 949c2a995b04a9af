#pragma once

#include <string>
#include <vector>

// Free helpers on path texts. Only FileExists, GetFullPath and ListFiles look at the disk (GetFullPath
// only asks for the current folder).
namespace BaseLib
{

// "\" turned into "/", "/./" and a leading "./" removed, and every folder followed by "../" removed with
// that "../" (a leading "../" stays). A drive prefix ("D:") is kept in front. Letter case is kept: the
// folders of a path are real folders whose case the file system tells apart (CPathAliases::ResolvePath
// lower-cases the media names below an alias's folder).
std::string NormalizePath(const std::string& path);

// folder + "/" + name, with exactly one "/" between them when either side has one; an empty side gives
// the other. Only "/" counts as a separator here.
std::string JoinPath(const std::string& folder, const std::string& name);

// True when the path names a file that can be opened for reading (opened and closed again); false for an
// empty path and for a folder. Letter case is looked up as for every file opening.
bool FileExists(const std::string& path);

void ToForwardSlashes(std::string& path);

// The part up to and including the last "/" or ">" ("\" counts as "/"), and the part after it. A path
// with neither separator gives the whole path from both.
std::string GetPathDirectory(const std::string& path);
std::string GetFileName(const std::string& path);

// Everything before the last "." anywhere in the path (a dot in a folder name counts too); the whole
// path when there is none.
std::string RemoveExtension(const std::string& path);

// The suffix inserted before the file name's extension, or appended when the file name has none:
// ("a/b.png", "_x") gives "a/b_x.png", ("dir.old/file", "_x") gives "dir.old/file_x".
std::string InsertBeforeExtension(const std::string& path, const std::string& suffix);

// The folder inserted in front of the file name (after the last "\", "/" or ">"), with a "/" added to
// the folder unless it ends with one. An empty folder gives the path unchanged.
std::string InsertSubfolder(const std::string& path, const std::string& folder);

// The absolute form of the path, with "." and ".." segments worked out from the text. A result that
// would not fit 1023 characters, or a current folder that cannot be found, gives the path unchanged and
// a trace line.
std::string GetFullPath(const std::string& path);

// Appends JoinPath(GetPathDirectory(pattern), name) for every entry of the pattern's folder whose name
// matches its wildcard part ("*" any run, "?" one character, letter case ignored; "." and ".." and
// folders included when they match), sorted by name. A pattern without a folder lists the current
// folder and appends plain names. Appends nothing when the folder cannot be read.
void ListFiles(const std::string& pattern, std::vector<std::string>& list);

} // namespace BaseLib
