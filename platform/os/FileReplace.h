#pragma once

#include <string>
#include <string_view>

namespace Platform
{

// Makes contents the whole content of the file at path without ever leaving it half-written: the
// target is first opened for writing without truncation (created when missing, found through
// LocateFile, a symbolic link followed to its file); when that fails, nothing is written and the
// answer is false. The contents then go to a temporary file in the target's folder, which is flushed
// to disk, given the target's permission bits and renamed over the target. Any failure answers false,
// removes the temporary file and leaves the target as it was (a target created by the call is removed
// again).
bool ReplaceFileContents(const std::string& path, std::string_view contents);

} // namespace Platform
