#pragma once

#include "foundation/LookUpTable.h"
#include "foundation/Property.h"
#include "foundation/PropertyText.h"

#include <cstdint>
#include <memory>
#include <string>

namespace UILib
{

// One animated property of one object: a key table of (time, value) in the property's value type and
// the binding to the property it drives. Keys are read and written as text for layout files.
class CGenericAnimationTrack
{
public:
    explicit CGenericAnimationTrack(std::string name) : m_name(std::move(name)) {}
    virtual ~CGenericAnimationTrack() = default;
    CGenericAnimationTrack(const CGenericAnimationTrack&) = delete;
    CGenericAnimationTrack& operator=(const CGenericAnimationTrack&) = delete;

    // The value the track gives at time, as text (times outside the keys take the end values).
    virtual std::string GetValueText(float time) const = 0;
    // The stored value of the key at index (ascending time), as text.
    virtual std::string GetKeyValueText(std::int32_t index) const = 0;
    // Parses text in the type's text form and adds the key, replacing the value of an equal time.
    virtual void AddKeyFromText(float time, const std::string& text) = 0;
    virtual void RemoveKey(float time) = 0;
    // Sets the value at time on the bound property, through the description (limits apply). Nothing
    // while unbound.
    virtual void Apply(float time) = 0;
    virtual const BaseLib::CGenericLookUpTable& GetLookUpTable() const = 0;
    virtual BaseLib::CGenericLookUpTable& GetLookUpTable() = 0;
    virtual void SetInterpolation(std::int32_t mode) = 0;
    virtual std::int32_t GetInterpolation() const = 0;

    // Binds the track to a property (the object and its description) and marks it bound.
    void SetProperty(const BaseLib::CGenericProperty& property)
    {
        m_property = property;
        m_bound = true;
    }
    const BaseLib::CGenericProperty& GetProperty() const { return m_property; }
    // An unbound track (its property is no longer in the object's list) is neither applied nor written.
    void SetUnbound() { m_bound = false; }
    bool IsBound() const { return m_bound; }
    // The display name of the animated property.
    const std::string& GetName() const { return m_name; }

protected:
    std::string m_name;
    bool m_bound = false;
    BaseLib::CGenericProperty m_property{nullptr, nullptr};
};

// The track for a property of the given kind, named after it and bound to it; null when the kind has
// no track type (file names among others). The kinds: float, double, int, point, size, the three
// vectors, colour, bool, both strings, enumeration.
std::unique_ptr<CGenericAnimationTrack> CreateAnimationTrack(const BaseLib::CGenericProperty& property);

} // namespace UILib
