#include "game/FileTranslator.h"

#include "foundation/PathAliases.h"
#include "foundation/Paths.h"

#include <algorithm>

CFileTranslator* CFileTranslator::s_instance = nullptr;

CFileTranslator::CFileTranslator(const BaseLib::CPathAliases& aliases) : m_aliases(aliases)
{
    s_instance = this;
}

CFileTranslator::~CFileTranslator()
{
    if (s_instance == this)
    {
        s_instance = nullptr;
    }
}

std::string CFileTranslator::Translate(const std::string& path) const
{
    // Just after the later separator; 0 (in front) when there is none.
    std::size_t split = 0;
    for (const std::size_t separator : {path.rfind('>'), path.rfind('/')})
    {
        if (separator != std::string::npos)
        {
            split = std::max(split, separator + 1);
        }
    }
    const std::string candidate = path.substr(0, split) + m_languageFolder + path.substr(split);
    return BaseLib::FileExists(m_aliases.ResolvePath(candidate)) ? candidate : path;
}
