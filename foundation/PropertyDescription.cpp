#include "foundation/PropertyDescription.h"

namespace BaseLib
{

CGenericPropertyDescription::CGenericPropertyDescription(std::string name, std::string description,
                                                         const std::type_info& valueType,
                                                         std::string extraText)
    : m_name(std::move(name)), m_valueType(valueType), m_description(std::move(description)),
      m_extraText(std::move(extraText))
{}

CGenericPropertyDescription::~CGenericPropertyDescription() = default;

CPropertyDescriptionGenericEnum::CPropertyDescriptionGenericEnum(std::string name, std::string description,
                                                                 const std::string& defaultName,
                                                                 const std::string& values)
    : CPropertyDescription<int>(std::move(name), std::move(description),
                                typeid(CPropertyDescriptionGenericEnum), std::string())
{
    CString list;
    list.AssignStdString(values);
    CStringArray names;
    list.Split(", \t\n", names);
    m_valueNames.reserve(names.GetCount());
    for (const CString& valueName : names)
    {
        m_valueNames.emplace_back(static_cast<const char*>(valueName));
    }
    m_defaultIndex = FindValue(defaultName);
}

void CPropertyDescriptionGenericEnum::SetFromString(void* object, const std::string& text) const
{
    SetValue(object, FindValue(text));
}

void CPropertyDescriptionGenericEnum::GetAsString(void* object, std::string& text) const
{
    if (m_valueNames.empty())
    {
        text.clear();
        return;
    }
    text = m_valueNames[static_cast<std::size_t>(ClampIndex(GetValue(object)))];
}

bool CPropertyDescriptionGenericEnum::ReadsWhole(const std::string& text) const
{
    for (const std::string& valueName : m_valueNames)
    {
        if (valueName == text)
        {
            return true;
        }
    }
    return false;
}

void CPropertyDescriptionGenericEnum::SetValue(void* object, const int& value) const
{
    if (!IsReadOnly())
    {
        *static_cast<int*>(object) = ClampIndex(value);
    }
}

void CPropertyDescriptionGenericEnum::SetValueByName(void* object, const std::string& name) const
{
    SetValue(object, FindValue(name));
}

int CPropertyDescriptionGenericEnum::FindValue(const std::string& name) const
{
    for (std::size_t i = 0; i < m_valueNames.size(); ++i)
    {
        if (m_valueNames[i] == name)
        {
            return static_cast<int>(i);
        }
    }
    return 0;
}

int CPropertyDescriptionGenericEnum::ClampIndex(int index) const
{
    const int last = static_cast<int>(m_valueNames.size()) - 1;
    if (last < 0)
    {
        return -1;
    }
    if (index > last)
    {
        index = last;
    }
    return index < 0 ? 0 : index;
}

} // namespace BaseLib
