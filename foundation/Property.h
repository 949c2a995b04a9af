#pragma once

#include "foundation/PropertyDescription.h"

#include <string>

namespace BaseLib
{

// A handle pairing an object with the shared description of one of its attributes. Copied by value into
// property lists; the description is not owned and outlives the handle (descriptions are static).
class CGenericProperty
{
public:
    CGenericProperty(void* object, const CGenericPropertyDescription* description)
        : m_object(object), m_description(description)
    {}
    virtual ~CGenericProperty() = default;
    CGenericProperty(const CGenericProperty&) = default;
    CGenericProperty& operator=(const CGenericProperty&) = default;

    // The description's SetFromString on the object.
    virtual void SetFromString(const std::string& text) const
    {
        m_description->SetFromString(m_object, text);
    }
    // The description's GetAsString on the object.
    virtual void GetAsString(std::string& text) const { m_description->GetAsString(m_object, text); }

    void* GetObject() const { return m_object; }
    const CGenericPropertyDescription* GetDescription() const { return m_description; }

protected:
    void* m_object;
    const CGenericPropertyDescription* m_description;
};

// A handle whose description is known to hold values of type T. Adds no fields, so copies into arrays of
// CGenericProperty lose nothing.
template <typename T> class CProperty : public CGenericProperty
{
public:
    CProperty(void* object, const CPropertyDescription<T>* description)
        : CGenericProperty(object, description)
    {}

    // The description's SetValue on the object (limits and read-only apply).
    void SetValue(T value) const
    {
        static_cast<const CPropertyDescription<T>*>(m_description)->SetValue(m_object, value);
    }
};

} // namespace BaseLib
