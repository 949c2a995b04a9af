#pragma once

#include <string>

namespace BaseLib
{
class CPathAliases;
}

// Swaps a file for its language-specific copy: "interface>mainmenu.xml" becomes
// "interface>german/mainmenu.xml" when that file exists. One translator exists at a time; the game's user
// interface owns it.
class CFileTranslator
{
public:
    // aliases resolve the candidates; not owned, must outlive the translator. Becomes the instance.
    explicit CFileTranslator(const BaseLib::CPathAliases& aliases);
    // Clears the instance.
    virtual ~CFileTranslator();
    CFileTranslator(const CFileTranslator&) = delete;
    CFileTranslator& operator=(const CFileTranslator&) = delete;

    // The folder put in front of file names, such as "english/"; empty at construction.
    void SetLanguageFolder(const std::string& folder) { m_languageFolder = folder; }
    const std::string& GetLanguageFolder() const { return m_languageFolder; }

    // The path with the language folder inserted after its last ">" or "/" (whichever comes later), or in
    // front of a path with neither, when that file resolves and opens for reading; else the path unchanged.
    virtual std::string Translate(const std::string& path) const;

    // The translator, null while none exists.
    static CFileTranslator* GetInstance() { return s_instance; }

private:
    static CFileTranslator* s_instance;

    const BaseLib::CPathAliases& m_aliases;
    std::string m_languageFolder;
};
