#pragma once

#include "puzzle/BlocksLibrary.h"

#include <memory>
#include <string>

// One copy of a blocks-library file for every editor window that edits it: the first window to ask
// loads the file, the others share that copy, and when the last one lets go the copy is written back.
// Edits made through one editor screen so reach the file together with those of the other, instead of
// a stale copy overwriting them. Main thread only.
class CSharedBlocksLibrary
{
public:
    // The copy of the file at the resolved path, loaded now when no window holds it. A missing or
    // unreadable file gives an empty library (traced by the loader); the file is made when written.
    static std::shared_ptr<CSharedBlocksLibrary> Acquire(const std::string& fileName);

    // Writes the library to its file; a failed write keeps the old file and is traced.
    ~CSharedBlocksLibrary();
    CSharedBlocksLibrary(const CSharedBlocksLibrary&) = delete;
    CSharedBlocksLibrary& operator=(const CSharedBlocksLibrary&) = delete;

    BlocksLibrary& Library() { return m_library; }
    const BlocksLibrary& Library() const { return m_library; }
    const std::string& GetFileName() const { return m_fileName; }

private:
    explicit CSharedBlocksLibrary(std::string fileName);

    std::string m_fileName;
    BlocksLibrary m_library;
};
