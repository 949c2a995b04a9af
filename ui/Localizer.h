#pragma once

#include "foundation/String.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

namespace UILib
{

// Turns "@" keys of label texts into the texts to show. Keys and texts are bytes: they are never
// decoded, so any byte sequence is found, or comes back, exactly as written. Nothing in the game fills
// the tables, so every key comes back unchanged; tests fill them through AddText. Main thread only.
class CLocalizer
{
public:
    using Table = std::unordered_map<std::string, std::string>;

    virtual ~CLocalizer() = default;

    // Made on the first call; lives until the process ends.
    static CLocalizer& GetInstance();

    // The current table's text; else, when the current table is another than the default one, the
    // default table's; else the key itself ("@" included).
    BaseLib::CString Lookup(const BaseLib::CString& key) const;

    // Stores the text under the key in the language's table (made when missing); the empty language is
    // the default table.
    void AddText(const std::string& language, const std::string& key, const std::string& text);
    // The language's table (made when missing) becomes the current one; the empty language chooses the
    // default table.
    void SetLanguage(const std::string& language);
    const std::string& GetLanguage() const { return m_language; }

private:
    CLocalizer() = default;
    Table& TableOf(const std::string& language);

    // Declared first so that it goes last: the language tables are deleted before it.
    std::unique_ptr<Table> m_defaultTable = std::make_unique<Table>();
    std::map<std::string, std::unique_ptr<Table>> m_languages;
    Table* m_current = m_defaultTable.get();
    std::string m_language;
};

} // namespace UILib
