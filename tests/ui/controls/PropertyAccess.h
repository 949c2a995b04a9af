#pragma once

// Reading and writing one property of a window by its display name, as a layout file does.

#include "ui/Window.h"

#include <gtest/gtest.h>

#include <string>

namespace ControlBench
{

inline const BaseLib::CGenericProperty* FindProperty(const UILib::CPropertyList& list, const std::string& name)
{
    for (const BaseLib::CGenericProperty& property : list)
    {
        if (property.GetDescription()->GetName() == name)
        {
            return &property;
        }
    }
    ADD_FAILURE() << "no property " << name;
    return nullptr;
}

inline std::string Property(UILib::CWindow& window, const std::string& name)
{
    UILib::CPropertyList list;
    window.GetProperties(list);
    std::string text;
    if (const BaseLib::CGenericProperty* property = FindProperty(list, name))
    {
        property->GetAsString(text);
    }
    return text;
}

inline void SetProperty(UILib::CWindow& window, const std::string& name, const std::string& value)
{
    UILib::CPropertyList list;
    window.GetProperties(list);
    if (const BaseLib::CGenericProperty* property = FindProperty(list, name))
    {
        property->SetFromString(value);
    }
}

} // namespace ControlBench
