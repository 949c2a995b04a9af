#include "ui/AnimationTrack.h"

#include "foundation/PropertyDescription.h"

#include <typeindex>

namespace UILib
{

namespace
{

using BaseLib::CLookUpTable;

template <typename T> void ReadTrackText(const std::string& text, T& value)
{
    BaseLib::ReadPropertyText(text, value);
}

// A colour text without alpha stays opaque: reading starts from opaque black.
void ReadTrackText(const std::string& text, BaseLib::CColor& value)
{
    value = BaseLib::CColor(0, 0, 0, 255);
    BaseLib::StringToColor(text.c_str(), value);
}

template <typename T> class CAnimationTrack final : public CGenericAnimationTrack
{
public:
    CAnimationTrack(const BaseLib::CGenericProperty& property, std::int32_t mode)
        : CGenericAnimationTrack(property.GetDescription()->GetName()), m_table(mode)
    {
        SetProperty(property);
    }

    std::string GetValueText(float time) const override { return BaseLib::WritePropertyText(Evaluate(time)); }
    std::string GetKeyValueText(std::int32_t index) const override
    {
        return BaseLib::WritePropertyText(m_table.GetKeyFrames()[static_cast<std::size_t>(index)].value);
    }
    void AddKeyFromText(float time, const std::string& text) override
    {
        T value{};
        ReadTrackText(text, value);
        m_table.AddKey(time, value);
    }
    void RemoveKey(float time) override { m_table.RemoveKey(time); }
    void Apply(float time) override
    {
        if (!m_bound || m_property.GetDescription() == nullptr)
        {
            return;
        }
        static_cast<const BaseLib::CPropertyDescription<T>*>(m_property.GetDescription())
            ->SetValue(m_property.GetObject(), Evaluate(time));
    }
    const BaseLib::CGenericLookUpTable& GetLookUpTable() const override { return m_table; }
    BaseLib::CGenericLookUpTable& GetLookUpTable() override { return m_table; }
    void SetInterpolation(std::int32_t mode) override { m_table.SetMode(mode); }
    std::int32_t GetInterpolation() const override { return m_table.GetMode(); }

private:
    T Evaluate(float time) const
    {
        if constexpr (BaseLib::LookUpInterpolation<T>::Interpolates)
        {
            return m_table.GetValue(time, true);
        }
        else
        {
            return m_table.GetValue(time);
        }
    }

    CLookUpTable<T> m_table;
};

template <typename T>
std::unique_ptr<CGenericAnimationTrack> Make(const BaseLib::CGenericProperty& property, std::int32_t mode)
{
    return std::make_unique<CAnimationTrack<T>>(property, mode);
}

} // namespace

std::unique_ptr<CGenericAnimationTrack> CreateAnimationTrack(const BaseLib::CGenericProperty& property)
{
    using namespace BaseLib;
    const CGenericPropertyDescription* description = property.GetDescription();
    if (description == nullptr)
    {
        return nullptr;
    }
    const std::type_index kind = description->GetValueType();
    constexpr std::int32_t step = CLookUpTable<int>::Step;
    constexpr std::int32_t linear = CLookUpTable<int>::Linear;
    if (kind == typeid(CPropertyDescriptionGenericScalar<float>))
    {
        return Make<float>(property, linear);
    }
    if (kind == typeid(CPropertyDescriptionGenericScalar<double>))
    {
        return Make<double>(property, linear);
    }
    if (kind == typeid(CPropertyDescriptionGenericScalar<int>))
    {
        return Make<int>(property, linear);
    }
    if (kind == typeid(CPropertyDescriptionGenericScalar<CPoint>))
    {
        return Make<CPoint>(property, linear);
    }
    if (kind == typeid(CPropertyDescriptionGenericScalar<CSize>))
    {
        return Make<CSize>(property, linear);
    }
    if (kind == typeid(CPropertyDescriptionGenericScalar<CVector2>))
    {
        return Make<CVector2>(property, linear);
    }
    if (kind == typeid(CPropertyDescriptionGenericScalar<CVector3>))
    {
        return Make<CVector3>(property, linear);
    }
    if (kind == typeid(CPropertyDescriptionGenericScalar<CVector4>))
    {
        return Make<CVector4>(property, linear);
    }
    if (kind == typeid(CPropertyDescriptionGenericColor))
    {
        return Make<CColor>(property, linear);
    }
    if (kind == typeid(CPropertyDescriptionGenericBool))
    {
        return Make<bool>(property, step);
    }
    if (kind == typeid(CPropertyDescriptionGenericString<std::string>))
    {
        return Make<std::string>(property, step);
    }
    if (kind == typeid(CPropertyDescriptionGenericString<CString>))
    {
        return Make<CString>(property, step);
    }
    if (kind == typeid(CPropertyDescriptionGenericEnum))
    {
        // The index as a number ("%d"), not the value name of the property's own text form.
        return Make<int>(property, step);
    }
    return nullptr;
}

} // namespace UILib
