#pragma once

#include <map>
#include <string>

namespace BaseLib
{

// Maps alias names to folders so that media are named by alias paths such as "level>basic.map.xml"
// (an alias, ">", and a path inside the alias's folder). A folder may itself be an alias path.
// Aliases are case-sensitive; the table is ordered by byte.
//
// Letter case: media names are case-blind, folders are not. Resolving lower-cases exactly the part of a
// path that lies inside an alias's folder and keeps the case of the folder as it was registered, and of
// every path outside all alias folders; so one media file has one resolved path however its name was
// written, and two folders that differ in case only stay two folders.
class CPathAliases
{
public:
    // Registers the alias or replaces its folder. The two flags are accepted and have no effect.
    void RegisterPathAlias(const std::string& alias, const std::string& folder, bool flag1 = false,
                           bool flag2 = false);

    // The alias's folder joined with rest (JoinPath); rest unchanged when the alias is not registered.
    std::string Lookup(const std::string& alias, const std::string& rest) const;

    // Replaces the alias in front of the path by its folder while a ">" is left, lower-casing (ToLower)
    // the part after the ">" each time, then normalises (NormalizePath). An unknown alias is dropped.
    // Aliases that lead back to themselves end after 16 replacements with a trace line; the path then
    // keeps only its part after the last ">". A path without ">" that lies inside an alias's folder
    // (MakeAliasPath) resolves as its alias form; any other is only normalised.
    std::string ResolvePath(const std::string& path) const;

    // The alias form of a file path: "alias>" and the path inside the alias's resolved folder, both
    // normalised and made absolute and then compared by exact text. When several aliases fit, the last
    // in table order wins; empty when none does.
    std::string MakeAliasPath(const std::string& path) const;

private:
    // ResolvePath of a path that is taken as an alias path whether it holds a ">" or not.
    std::string ResolveAliasPath(const std::string& path) const;

    std::map<std::string, std::string> m_aliases;
};

} // namespace BaseLib
