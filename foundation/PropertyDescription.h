#pragma once

#include "foundation/ClampComponents.h"
#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/PropertyText.h"
#include "foundation/String.h"
#include "foundation/Vector.h"

#include <functional>
#include <string>
#include <typeindex>
#include <typeinfo>
#include <vector>

// Property descriptions: one static, shared description per class and attribute (name, value type,
// limits, default, how to reach the value), so that an attribute can be read and written by name as
// text without knowing its type. Descriptions are made once at start-up and live until exit; handles
// (foundation/Property.h) pair one with an object.
//
// The object passed to a description is untyped. For the generic kinds it is the address of a variable
// of the value type; for the bound kinds (a widget class W) it is the address of a W. Passing anything
// else is undefined.
namespace BaseLib
{

class CGenericPropertyDescription
{
public:
    // valueType names the generic kind of the property (for example typeid(CPropertyDescriptionGenericEnum)).
    CGenericPropertyDescription(std::string name, std::string description, const std::type_info& valueType,
                                std::string extraText);
    virtual ~CGenericPropertyDescription();
    CGenericPropertyDescription(const CGenericPropertyDescription&) = delete;
    CGenericPropertyDescription& operator=(const CGenericPropertyDescription&) = delete;

    // Parses text as the value type and sets it (through SetValue: limits and read-only apply).
    virtual void SetFromString(void* object, const std::string& text) const = 0;
    // Gets the value and formats it; works on read-only properties as well.
    virtual void GetAsString(void* object, std::string& text) const = 0;
    // Whether SetFromString reads the text whole, in the exact written form of the kind (see
    // foundation/PropertyText.h; an enum name must be one of the names). A text that is not is still
    // applied as read; callers use this only to warn.
    virtual bool ReadsWhole(const std::string& text) const = 0;

    // The attribute's name as written in layout files, for example "Size".
    const std::string& GetName() const { return m_name; }
    // The generic kind of the property; compared to pick the value type of an animation track.
    std::type_index GetValueType() const { return m_valueType; }
    // Human-readable explanation for editors.
    const std::string& GetDescription() const { return m_description; }
    // When true, every set operation does nothing. False after construction.
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Text given at construction and kept for the description's users (the bound kinds take it as an
    // optional last argument; empty otherwise).
    const std::string& GetExtraText() const { return m_extraText; }

protected:
    void SetExtraText(std::string extraText) { m_extraText = std::move(extraText); }

private:
    std::string m_name;
    std::type_index m_valueType;
    std::string m_description;
    bool m_readOnly = false;
    std::string m_extraText;
};

template <typename T> class CPropertyDescription : public CGenericPropertyDescription
{
public:
    using CGenericPropertyDescription::CGenericPropertyDescription;
    using ValueType = T;

    virtual T GetValue(void* object) const = 0;
    // Does nothing when read only; else limits the value as the kind says and stores it.
    virtual void SetValue(void* object, const T& value) const = 0;
};

// A value held in a variable of type T, read and written as text, with a default. The string, file-name,
// bool and colour kinds store it as given and differ only in their value type identity and the fields
// they keep for their users; the scalar kinds limit it in SetValue.
template <typename T> class CPropertyDescriptionPlainValue : public CPropertyDescription<T>
{
public:
    void SetFromString(void* object, const std::string& text) const override
    {
        T value{};
        ReadPropertyText(text, value);
        this->SetValue(object, value);
    }
    void GetAsString(void* object, std::string& text) const override
    {
        text = WritePropertyText(this->GetValue(object));
    }
    bool ReadsWhole(const std::string& text) const override
    {
        T value{};
        return ReadPropertyText(text, value);
    }
    T GetValue(void* object) const override { return *static_cast<T*>(object); }
    void SetValue(void* object, const T& value) const override
    {
        if (!this->IsReadOnly())
        {
            *static_cast<T*>(object) = value;
        }
    }
    const T& GetDefault() const { return m_default; }

protected:
    CPropertyDescriptionPlainValue(std::string name, std::string description, const std::type_info& valueType,
                                   const T& defaultValue)
        : CPropertyDescription<T>(std::move(name), std::move(description), valueType, std::string()),
          m_default(defaultValue)
    {}

private:
    T m_default;
};

// int, float, double, CPoint, CSize, CVector2, CVector3, CVector4 with a default, a minimum and a maximum.
// SetValue limits a number to [minimum, maximum] and each component of a point, size or vector to its
// own bounds.
template <typename T> class CPropertyDescriptionGenericScalar : public CPropertyDescriptionPlainValue<T>
{
public:
    CPropertyDescriptionGenericScalar(std::string name, std::string description, const T& defaultValue,
                                      const T& minimum, const T& maximum)
        : CPropertyDescriptionPlainValue<T>(std::move(name), std::move(description),
                                            typeid(CPropertyDescriptionGenericScalar<T>), defaultValue),
          m_minimum(minimum), m_maximum(maximum)
    {}

    void SetValue(void* object, const T& value) const override
    {
        if (!this->IsReadOnly())
        {
            *static_cast<T*>(object) = Limit(value);
        }
    }

    // The value limited to [minimum, maximum], per component for points, sizes and vectors.
    T Limit(const T& value) const;

    const T& GetMinimum() const { return m_minimum; }
    const T& GetMaximum() const { return m_maximum; }

private:
    T m_minimum;
    T m_maximum;
};

template <typename T> T CPropertyDescriptionGenericScalar<T>::Limit(const T& value) const
{
    return ClampComponents(value, m_minimum, m_maximum);
}

// CString or std::string, stored and formatted as it is.
template <typename T> class CPropertyDescriptionGenericString : public CPropertyDescriptionPlainValue<T>
{
public:
    CPropertyDescriptionGenericString(std::string name, std::string description, const T& defaultValue)
        : CPropertyDescriptionPlainValue<T>(std::move(name), std::move(description),
                                            typeid(CPropertyDescriptionGenericString<T>), defaultValue)
    {}
};

// A file name: a string with two further texts (the file filter, such as "*.png; *.tga", and a second
// text) and a flag, all kept only for the description's users.
template <typename T> class CPropertyDescriptionGenericFilename : public CPropertyDescriptionPlainValue<T>
{
public:
    CPropertyDescriptionGenericFilename(std::string name, std::string description, const T& defaultValue,
                                        const CString& filter, const CString& secondText, bool flag)
        : CPropertyDescriptionPlainValue<T>(std::move(name), std::move(description),
                                            typeid(CPropertyDescriptionGenericFilename<T>), defaultValue),
          m_filter(filter), m_secondText(secondText), m_flag(flag)
    {}
    const CString& GetFilter() const { return m_filter; }
    const CString& GetSecondText() const { return m_secondText; }
    bool GetFlag() const { return m_flag; }

private:
    CString m_filter;
    CString m_secondText;
    bool m_flag;
};

// True only for the text "true" exactly; written "true" or "false".
class CPropertyDescriptionGenericBool : public CPropertyDescriptionPlainValue<bool>
{
public:
    CPropertyDescriptionGenericBool(std::string name, std::string description, bool defaultValue)
        : CPropertyDescriptionPlainValue<bool>(std::move(name), std::move(description),
                                               typeid(CPropertyDescriptionGenericBool), defaultValue)
    {}
};

// "(%d, %d, %d, %d)" as red, green, blue, alpha, each clamped to 0..255.
class CPropertyDescriptionGenericColor : public CPropertyDescriptionPlainValue<CColor>
{
public:
    CPropertyDescriptionGenericColor(std::string name, std::string description, const CColor& defaultValue)
        : CPropertyDescriptionPlainValue<CColor>(std::move(name), std::move(description),
                                                 typeid(CPropertyDescriptionGenericColor), defaultValue)
    {}
};

// An index into a list of value names, read and written by name.
class CPropertyDescriptionGenericEnum : public CPropertyDescription<int>
{
public:
    // values: the names separated by runs of ", \t\n", kept in order. The default index is that of the
    // name equal to defaultName, else 0.
    CPropertyDescriptionGenericEnum(std::string name, std::string description, const std::string& defaultName,
                                    const std::string& values);

    // Reads a name (FindValue) and sets its index.
    void SetFromString(void* object, const std::string& text) const override;
    // The name at ClampIndex(value); "" when the list is empty.
    void GetAsString(void* object, std::string& text) const override;
    // True when the text is one of the value names.
    bool ReadsWhole(const std::string& text) const override;
    int GetValue(void* object) const override { return *static_cast<int*>(object); }
    // Stores ClampIndex(value) unless read only.
    void SetValue(void* object, const int& value) const override;
    // Unless read only, sets the index of name (FindValue).
    virtual void SetValueByName(void* object, const std::string& name) const;

    // Index of the first value name equal to name byte for byte; 0 for an unknown name.
    int FindValue(const std::string& name) const;
    // Below 0 gives 0, above the last index the last index; -1 for an empty list.
    int ClampIndex(int index) const;

    int GetDefaultIndex() const { return m_defaultIndex; }
    const std::vector<std::string>& GetValueNames() const { return m_valueNames; }

private:
    int m_defaultIndex = 0;
    std::vector<std::string> m_valueNames;
};

// The bound kinds: the object is a W; GetValue calls the getter, SetValue limits the value as the generic
// kind does and calls the setter, unless read only. Each takes an extra text as an optional last argument. The setter and getter are member functions of W; any
// parameter type the value converts to and any result type that converts to the value are accepted.
template <typename W, typename T> class CPropertyAccessors
{
public:
    template <typename Arg, typename Result>
    CPropertyAccessors(void (W::*setter)(Arg), Result (W::*getter)() const)
        : m_set([setter](W& w, const T& value) { (w.*setter)(value); }),
          m_get([getter](W& w) -> T { return (w.*getter)(); })
    {}
    template <typename Arg, typename Result>
    CPropertyAccessors(void (W::*setter)(Arg), Result (W::*getter)())
        : m_set([setter](W& w, const T& value) { (w.*setter)(value); }),
          m_get([getter](W& w) -> T { return (w.*getter)(); })
    {}

    T Get(void* object) const { return m_get(*static_cast<W*>(object)); }
    void Set(void* object, const T& value) const { m_set(*static_cast<W*>(object), value); }

private:
    std::function<void(W&, const T&)> m_set;
    std::function<T(W&)> m_get;
};

template <typename W, typename T>
class CPropertyDescriptionScalar : public CPropertyDescriptionGenericScalar<T>
{
public:
    template <typename Setter, typename Getter>
    CPropertyDescriptionScalar(std::string name, std::string description, const T& defaultValue,
                               const T& minimum, const T& maximum, Setter setter, Getter getter,
                               std::string extraText = std::string())
        : CPropertyDescriptionGenericScalar<T>(std::move(name), std::move(description), defaultValue, minimum,
                                               maximum),
          m_accessors(setter, getter)
    {
        this->SetExtraText(std::move(extraText));
    }
    T GetValue(void* object) const override { return m_accessors.Get(object); }
    void SetValue(void* object, const T& value) const override
    {
        if (!this->IsReadOnly())
        {
            m_accessors.Set(object, this->Limit(value));
        }
    }

private:
    CPropertyAccessors<W, T> m_accessors;
};

// Shared body of the bound kinds whose values are stored as given.
template <typename W, typename Generic> class CPropertyDescriptionBoundPlain : public Generic
{
public:
    using T = typename Generic::ValueType;

    template <typename Setter, typename Getter, typename... GenericArgs>
    CPropertyDescriptionBoundPlain(Setter setter, Getter getter, GenericArgs&&... args)
        : Generic(std::forward<GenericArgs>(args)...), m_accessors(setter, getter)
    {}
    T GetValue(void* object) const override { return m_accessors.Get(object); }
    void SetValue(void* object, const T& value) const override
    {
        if (!this->IsReadOnly())
        {
            m_accessors.Set(object, value);
        }
    }

private:
    CPropertyAccessors<W, T> m_accessors;
};

template <typename W, typename T>
class CPropertyDescriptionString
    : public CPropertyDescriptionBoundPlain<W, CPropertyDescriptionGenericString<T>>
{
public:
    template <typename Setter, typename Getter>
    CPropertyDescriptionString(std::string name, std::string description, const T& defaultValue,
                               Setter setter, Getter getter, std::string extraText = std::string())
        : CPropertyDescriptionBoundPlain<W, CPropertyDescriptionGenericString<T>>(
              setter, getter, std::move(name), std::move(description), defaultValue)
    {
        this->SetExtraText(std::move(extraText));
    }
};

template <typename W, typename T>
class CPropertyDescriptionFilename
    : public CPropertyDescriptionBoundPlain<W, CPropertyDescriptionGenericFilename<T>>
{
public:
    template <typename Setter, typename Getter>
    CPropertyDescriptionFilename(std::string name, std::string description, const T& defaultValue,
                                 const CString& filter, const CString& secondText, bool flag, Setter setter,
                                 Getter getter, std::string extraText = std::string())
        : CPropertyDescriptionBoundPlain<W, CPropertyDescriptionGenericFilename<T>>(
              setter, getter, std::move(name), std::move(description), defaultValue, filter, secondText, flag)
    {
        this->SetExtraText(std::move(extraText));
    }
};

template <typename W>
class CPropertyDescriptionBool : public CPropertyDescriptionBoundPlain<W, CPropertyDescriptionGenericBool>
{
public:
    template <typename Setter, typename Getter>
    CPropertyDescriptionBool(std::string name, std::string description, bool defaultValue, Setter setter,
                             Getter getter, std::string extraText = std::string())
        : CPropertyDescriptionBoundPlain<W, CPropertyDescriptionGenericBool>(
              setter, getter, std::move(name), std::move(description), defaultValue)
    {
        this->SetExtraText(std::move(extraText));
    }
};

template <typename W>
class CPropertyDescriptionColor : public CPropertyDescriptionBoundPlain<W, CPropertyDescriptionGenericColor>
{
public:
    template <typename Setter, typename Getter>
    CPropertyDescriptionColor(std::string name, std::string description, const CColor& defaultValue,
                              Setter setter, Getter getter, std::string extraText = std::string())
        : CPropertyDescriptionBoundPlain<W, CPropertyDescriptionGenericColor>(
              setter, getter, std::move(name), std::move(description), defaultValue)
    {
        this->SetExtraText(std::move(extraText));
    }
};

template <typename W> class CPropertyDescriptionEnum : public CPropertyDescriptionGenericEnum
{
public:
    template <typename Setter, typename Getter>
    CPropertyDescriptionEnum(std::string name, std::string description, const std::string& defaultName,
                             const std::string& values, Setter setter, Getter getter,
                             std::string extraText = std::string())
        : CPropertyDescriptionGenericEnum(std::move(name), std::move(description), defaultName, values),
          m_accessors(setter, getter)
    {
        SetExtraText(std::move(extraText));
    }
    int GetValue(void* object) const override { return m_accessors.Get(object); }
    void SetValue(void* object, const int& value) const override
    {
        if (!IsReadOnly())
        {
            m_accessors.Set(object, ClampIndex(value));
        }
    }

private:
    CPropertyAccessors<W, int> m_accessors;
};

} // namespace BaseLib
