#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/PropertyDescription.h"
#include "foundation/String.h"
#include "foundation/Vector.h"
#include "ui/Canvas.h"

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace UILib
{

// The file filter of every bitmap property.
inline constexpr const char* ImageFileFilter = "*.png; *.gif; *.tga; *.jpg; *.jpeg; *.dds; *.bmp; *.tif; *.tiff";

// The property registrations of one widget class W: one description per property, bound to W's setter
// and getter, in the order the class's GetProperties appends them. Each class keeps one table, made on
// first use by a function-local static, shared by every instance and never changed afterwards; the
// descriptions go at exit in the reverse order of their construction. Making the table on first use means
// no order of static initialisation between source files matters.
//
//   const CPropertyTable<CLabel>& LabelProperties()
//   {
//       static const CPropertyTable<CLabel> table = [] {
//           CPropertyTable<CLabel> t;
//           t.String("Text", "Text that appears on label", &CLabel::SetText, &CLabel::GetText);
//           ...
//           return t;
//       }();
//       return table;
//   }
//
// Every registration passes false as read-only; the extra text is empty unless given.
template <typename W> class CPropertyTable
{
public:
    CPropertyTable() = default;
    CPropertyTable(CPropertyTable&&) noexcept = default;
    CPropertyTable& operator=(CPropertyTable&&) noexcept = default;
    CPropertyTable(const CPropertyTable&) = delete;
    CPropertyTable& operator=(const CPropertyTable&) = delete;
    ~CPropertyTable()
    {
        while (!m_descriptions.empty())
        {
            m_descriptions.pop_back();
        }
    }

    template <typename Setter, typename Getter>
    CPropertyTable& Bool(std::string name, std::string tooltip, bool defaultValue, Setter setter, Getter getter,
                         std::string extraText = std::string())
    {
        return Add<BaseLib::CPropertyDescriptionBool<W>>(std::move(name), std::move(tooltip), defaultValue, setter,
                                                         getter, std::move(extraText));
    }

    // int, float, double, CPoint, CSize, CVector2: clamped to [minimum, maximum] (per component).
    template <typename T, typename Setter, typename Getter>
    CPropertyTable& Scalar(std::string name, std::string tooltip, const T& defaultValue, const T& minimum,
                           const T& maximum, Setter setter, Getter getter, std::string extraText = std::string())
    {
        return Add<BaseLib::CPropertyDescriptionScalar<W, T>>(std::move(name), std::move(tooltip), defaultValue,
                                                              minimum, maximum, setter, getter,
                                                              std::move(extraText));
    }

    template <typename Setter, typename Getter>
    CPropertyTable& String(std::string name, std::string tooltip, const BaseLib::CString& defaultValue,
                           Setter setter, Getter getter, std::string extraText = std::string())
    {
        return Add<BaseLib::CPropertyDescriptionString<W, BaseLib::CString>>(
            std::move(name), std::move(tooltip), defaultValue, setter, getter, std::move(extraText));
    }

    // A file name with its filter (ImageFileFilter for bitmaps); the default and the second text are
    // empty and the flag false, as in every file-name registration.
    template <typename Setter, typename Getter>
    CPropertyTable& Filename(std::string name, std::string tooltip, const char* filter, Setter setter, Getter getter)
    {
        return Add<BaseLib::CPropertyDescriptionFilename<W, BaseLib::CString>>(
            std::move(name), std::move(tooltip), BaseLib::CString(), BaseLib::CString(filter), BaseLib::CString(),
            false, setter, getter, std::string());
    }

    template <typename Setter, typename Getter>
    CPropertyTable& Color(std::string name, std::string tooltip, const BaseLib::CColor& defaultValue, Setter setter,
                          Getter getter, std::string extraText = std::string())
    {
        return Add<BaseLib::CPropertyDescriptionColor<W>>(std::move(name), std::move(tooltip), defaultValue, setter,
                                                          getter, std::move(extraText));
    }

    // values: the names separated by blanks (or ", \t\n"); the default is given by name.
    template <typename Setter, typename Getter>
    CPropertyTable& Enum(std::string name, std::string tooltip, const std::string& defaultName,
                         const std::string& values, Setter setter, Getter getter,
                         std::string extraText = std::string())
    {
        return Add<BaseLib::CPropertyDescriptionEnum<W>>(std::move(name), std::move(tooltip), defaultName, values,
                                                         setter, getter, std::move(extraText));
    }

    // Appends one binding {object, registration} per registration, in table order.
    void AppendTo(CPropertyList& list, W* object) const
    {
        for (const auto& description : m_descriptions)
        {
            list.emplace_back(static_cast<void*>(object), description.get());
        }
    }

    std::size_t GetCount() const { return m_descriptions.size(); }
    const BaseLib::CGenericPropertyDescription& operator[](std::size_t index) const
    {
        return *m_descriptions[index];
    }

private:
    template <typename Description, typename... Args> CPropertyTable& Add(Args&&... args)
    {
        m_descriptions.push_back(std::make_unique<const Description>(std::forward<Args>(args)...));
        return *this;
    }

    std::vector<std::unique_ptr<const BaseLib::CGenericPropertyDescription>> m_descriptions;
};

} // namespace UILib
