#include "foundation/PathAliases.h"

#include "foundation/Debug.h"
#include "foundation/Helpers.h"
#include "foundation/Paths.h"

namespace BaseLib
{

namespace
{

// The one form in which two paths are compared: normalised, then made absolute.
std::string ComparablePath(const std::string& path)
{
    return GetFullPath(NormalizePath(path));
}

} // namespace

void CPathAliases::RegisterPathAlias(const std::string& alias, const std::string& folder, bool, bool)
{
    m_aliases[alias] = folder;
}

std::string CPathAliases::Lookup(const std::string& alias, const std::string& rest) const
{
    const auto found = m_aliases.find(alias);
    return found == m_aliases.end() ? rest : JoinPath(found->second, rest);
}

std::string CPathAliases::ResolvePath(const std::string& path) const
{
    if (path.empty() || m_aliases.empty() || path.find('>') != std::string::npos)
    {
        return ResolveAliasPath(path);
    }
    // A plain path inside an alias's folder names a media file as its alias form does.
    const std::string aliasForm = MakeAliasPath(path);
    return aliasForm.empty() ? NormalizePath(path) : ResolveAliasPath(aliasForm);
}

std::string CPathAliases::ResolveAliasPath(const std::string& path) const
{
    constexpr int maxPasses = 16;
    std::string work = path;
    for (int pass = 0; pass < maxPasses; ++pass)
    {
        const std::size_t separator = work.find('>');
        if (separator == std::string::npos)
        {
            return NormalizePath(work);
        }
        // What follows the ">" lies inside the alias's folder: a media name, lower-cased. The folder
        // keeps the text it was registered with.
        work = Lookup(work.substr(0, separator), ToLower(work.substr(separator + 1)));
    }
    const std::size_t last = work.rfind('>');
    if (last != std::string::npos)
    {
        DebugOutput("CPathAliases::ResolvePath: aliases of '%s' lead back to themselves; dropped them\n",
                    path.c_str());
        work.erase(0, last + 1);
    }
    return NormalizePath(work);
}

std::string CPathAliases::MakeAliasPath(const std::string& path) const
{
    const std::string full = ComparablePath(path);
    std::string result;
    for (const auto& [alias, folderPath] : m_aliases)
    {
        const std::string folder = ComparablePath(ResolveAliasPath(alias + ">"));
        if (folder.empty() || folder.size() > full.size() || full.compare(0, folder.size(), folder) != 0)
        {
            continue;
        }
        // The folder must end at a separator of the path: "/media" is not a folder of "/media2/a".
        std::size_t inside = folder.size();
        if (folder.back() != '/')
        {
            if (inside < full.size() && full[inside] != '/')
            {
                continue;
            }
            ++inside;
        }
        result = alias + ">" + (inside < full.size() ? full.substr(inside) : std::string());
    }
    return result;
}

} // namespace BaseLib
