#include "tools/editor/SharedBlocksLibrary.h"

#include "foundation/Debug.h"

#include <filesystem>
#include <map>
#include <system_error>

namespace
{

// The copies in use, by file; an expired entry is a copy already written back.
std::map<std::string, std::weak_ptr<CSharedBlocksLibrary>>& CopiesInUse()
{
    static std::map<std::string, std::weak_ptr<CSharedBlocksLibrary>> copies;
    return copies;
}

} // namespace

std::shared_ptr<CSharedBlocksLibrary> CSharedBlocksLibrary::Acquire(const std::string& fileName)
{
    std::weak_ptr<CSharedBlocksLibrary>& slot = CopiesInUse()[fileName];
    if (std::shared_ptr<CSharedBlocksLibrary> copy = slot.lock())
    {
        return copy;
    }
    std::shared_ptr<CSharedBlocksLibrary> copy(new CSharedBlocksLibrary(fileName));
    slot = copy;
    return copy;
}

CSharedBlocksLibrary::CSharedBlocksLibrary(std::string fileName) : m_fileName(std::move(fileName))
{
    m_library.Load(m_fileName);
}

CSharedBlocksLibrary::~CSharedBlocksLibrary()
{
    auto& copies = CopiesInUse();
    const auto entry = copies.find(m_fileName);
    if (entry != copies.end() && entry->second.expired())
    {
        copies.erase(entry);
    }
    // A media folder without its level folder still gets the file.
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::path(m_fileName).parent_path();
    if (!folder.empty())
    {
        std::filesystem::create_directories(folder, ignored);
    }
    if (!m_library.Save(m_fileName))
    {
        BaseLib::DebugOutput("Blocks library: the library could not be written to %s; the file keeps its "
                             "old entries\n",
                             m_fileName.c_str());
    }
}
