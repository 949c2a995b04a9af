#pragma once

#include "platform/os/Handle.h"

#include <string>

// Named mutexes that tell running programs apart (the single-instance guard): one lock file per name,
// held with an exclusive lock while a handle that created it stays open. The lock belongs to the open
// file, not to the process: a second open in the same process finds the name taken, and a lock left
// by a process that ended is gone with it. The files lie in $XDG_RUNTIME_DIR, else the system's
// temporary folder; a name becomes a file name with every character other than a letter, a digit,
// "-" or "_" replaced by "_". Handles to these mutexes are closed with CloseHandle, which releases the
// lock; they are not waited on.
namespace Platform
{

// A handle to the mutex when another open handle holds it; null when nobody does, and null when the lock
// file cannot be made (traced once per folder), so a program still starts.
Handle OpenNamedMutex(const std::string& name);

// Creates the mutex owned by the new handle; null when the lock file cannot be made (traced once per
// folder) or another handle holds the lock already.
Handle CreateNamedMutex(const std::string& name);

// The lock file's path for a name (in the folder named above).
std::string NamedMutexPath(const std::string& name);

} // namespace Platform
