#include "ui/Localizer.h"

namespace UILib
{

CLocalizer& CLocalizer::GetInstance()
{
    static CLocalizer instance;
    return instance;
}

BaseLib::CString CLocalizer::Lookup(const BaseLib::CString& key) const
{
    const std::string bytes(static_cast<const char*>(key), key.GetLength());
    const auto current = m_current->find(bytes);
    if (current != m_current->end())
    {
        return BaseLib::CString(current->second.c_str());
    }
    if (m_current != m_defaultTable.get())
    {
        const auto fallback = m_defaultTable->find(bytes);
        if (fallback != m_defaultTable->end())
        {
            return BaseLib::CString(fallback->second.c_str());
        }
    }
    return key;
}

CLocalizer::Table& CLocalizer::TableOf(const std::string& language)
{
    if (language.empty())
    {
        return *m_defaultTable;
    }
    std::unique_ptr<Table>& table = m_languages[language];
    if (table == nullptr)
    {
        table = std::make_unique<Table>();
    }
    return *table;
}

void CLocalizer::AddText(const std::string& language, const std::string& key, const std::string& text)
{
    TableOf(language)[key] = text;
}

void CLocalizer::SetLanguage(const std::string& language)
{
    m_current = &TableOf(language);
    m_language = language;
}

} // namespace UILib
