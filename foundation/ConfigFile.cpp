#include "foundation/ConfigFile.h"

#include "foundation/ClampComponents.h"
#include "foundation/Helpers.h"
#include "foundation/String.h"
#include "foundation/Xml.h"
#include "platform/os/FileReplace.h"
#include "platform/os/Files.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace BaseLib
{

namespace
{

std::vector<std::string> SplitWords(const std::string& text, const char* separators)
{
    CStringArray pieces;
    CString(text.c_str()).Split(separators, pieces);
    std::vector<std::string> words;
    words.reserve(pieces.GetCount());
    for (const CString& piece : pieces)
    {
        words.emplace_back(static_cast<const char*>(piece));
    }
    return words;
}

template <typename T>
bool AddRanged(CConfigFile& config, std::uint32_t tag, const std::string& key, const std::string& description,
               const T& defaultValue, const T& minimum, const T& maximum)
{
    auto entry = std::make_unique<CConfigFile::CEntryRange<T>>(tag, key, description);
    entry->value = defaultValue;
    entry->defaultValue = ClampComponents(defaultValue, minimum, maximum);
    entry->minimum = minimum;
    entry->maximum = maximum;
    config.AddEntry(std::move(entry));
    return true;
}

// A NaN passes every range comparison, so clamping cannot catch it: it gives the default instead.
template <typename T> T WithoutNaN(const T& value, const T&)
{
    return value;
}

float WithoutNaN(float value, float fallback)
{
    return std::isnan(value) ? fallback : value;
}

CVector3 WithoutNaN(const CVector3& value, const CVector3& fallback)
{
    return CVector3(WithoutNaN(value.x, fallback.x), WithoutNaN(value.y, fallback.y),
                    WithoutNaN(value.z, fallback.z));
}

template <typename T> void ClampRanged(CConfigFile::CEntry& entry)
{
    auto& ranged = static_cast<CConfigFile::CEntryRange<T>&>(entry);
    ranged.value =
        ClampComponents(WithoutNaN(ranged.value, ranged.defaultValue), ranged.minimum, ranged.maximum);
}

std::string Printed(const char* format, auto... values)
{
    char buffer[256];
    std::snprintf(buffer, sizeof(buffer), format, values...);
    return buffer;
}

// The element that holds the last segment's value: every segment before it is a group element under
// root, made when missing.
TiXmlElement* GroupElement(TiXmlElement& root, const std::vector<std::string>& segments)
{
    TiXmlElement* parent = &root;
    for (std::size_t i = 0; i + 1 < segments.size(); ++i)
    {
        TiXmlElement* child = parent->FirstChildElement(segments[i].c_str());
        if (child == nullptr)
        {
            child = parent->InsertEndChild(TiXmlElement(segments[i].c_str()))->ToElement();
        }
        parent = child;
    }
    return parent;
}

void AddComment(TiXmlElement* parent, const std::string& text)
{
    parent->InsertEndChild(TiXmlComment(text.c_str()));
}

// The comments of a ranged entry whose values spell themselves with ToString ("(1, 2)" and the like).
template <typename T> void AddRangeComments(TiXmlElement* parent, const CConfigFile::CEntryRange<T>& entry)
{
    AddComment(parent, "Possible Values: " + entry.minimum.ToString() + " - " + entry.maximum.ToString());
    AddComment(parent, "Default Value: " + entry.defaultValue.ToString());
}

std::string Vector3Text(const CVector3& v)
{
    return Printed("(%.2f, %.2f, %.2f)", static_cast<double>(v.x), static_cast<double>(v.y),
                   static_cast<double>(v.z));
}

} // namespace

// ---- registration ----

bool CConfigFile::AddStringEntry(const std::string& key, const std::string& description,
                                 const std::string& defaultValue, const std::string& possibleValues)
{
    std::vector<std::string> words = SplitWords(possibleValues, ", \t\n");
    if (!words.empty() && std::find(words.begin(), words.end(), defaultValue) == words.end())
    {
        return false;
    }
    auto entry = std::make_unique<CEntryString>(TagString, key, description);
    entry->defaultValue = defaultValue;
    entry->value = defaultValue;
    entry->possibleValues = std::move(words);
    AddEntry(std::move(entry));
    return true;
}

bool CConfigFile::AddBoolEntry(const std::string& key, const std::string& description, bool defaultValue)
{
    auto entry = std::make_unique<CEntryBool>(TagBool, key, description);
    entry->value = defaultValue;
    entry->defaultValue = defaultValue;
    AddEntry(std::move(entry));
    return true;
}

bool CConfigFile::AddSizeEntry(const std::string& key, const std::string& description, std::int32_t defaultCx,
                               std::int32_t defaultCy, std::int32_t minCx, std::int32_t minCy,
                               std::int32_t maxCx, std::int32_t maxCy)
{
    return AddRanged(*this, TagSize, key, description, CSize(defaultCx, defaultCy), CSize(minCx, minCy),
                     CSize(maxCx, maxCy));
}

bool CConfigFile::AddIntEntry(const std::string& key, const std::string& description,
                              std::int32_t defaultValue, std::int32_t minimum, std::int32_t maximum)
{
    return AddRanged(*this, TagInt, key, description, defaultValue, minimum, maximum);
}

bool CConfigFile::AddFloatEntry(const std::string& key, const std::string& description, float defaultValue,
                                float minimum, float maximum)
{
    return AddRanged(*this, TagFloat, key, description, defaultValue, minimum, maximum);
}

bool CConfigFile::AddPointEntry(const std::string& key, const std::string& description,
                                const CPoint& defaultValue, const CPoint& minimum, const CPoint& maximum)
{
    return AddRanged(*this, TagPoint, key, description, defaultValue, minimum, maximum);
}

bool CConfigFile::AddColorEntry(const std::string& key, const std::string& description,
                                const CColor& defaultValue, const CColor& minimum, const CColor& maximum)
{
    return AddRanged(*this, TagColor, key, description, defaultValue, minimum, maximum);
}

bool CConfigFile::AddVector3Entry(const std::string& key, const std::string& description,
                                  const CVector3& defaultValue, const CVector3& minimum,
                                  const CVector3& maximum)
{
    return AddRanged(*this, TagVector3, key, description, defaultValue, minimum, maximum);
}

void CConfigFile::AddEntry(std::unique_ptr<CEntry> entry)
{
    if (entry == nullptr)
    {
        return;
    }
    const std::string key = entry->key;
    m_Entries[key] = std::move(entry);
}

// ---- look-up and values ----

CConfigFile::CEntry* CConfigFile::FindEntry(const std::string& key) const
{
    const auto found = m_Entries.find(key);
    return found == m_Entries.end() ? nullptr : found->second.get();
}

CConfigFile::CEntry* CConfigFile::FindEntryOfType(const std::string& key, std::uint32_t tag) const
{
    CEntry* entry = FindEntry(key);
    return entry != nullptr && entry->tag == tag ? entry : nullptr;
}

bool CConfigFile::GetBool(const std::string& key) const
{
    const CEntry* entry = FindEntry(key);
    if (entry == nullptr)
    {
        return false;
    }
    switch (entry->tag)
    {
    case TagBool:
        return static_cast<const CEntryBool*>(entry)->value;
    case TagString:
        return static_cast<const CEntryString*>(entry)->value == "true";
    case TagInt:
        return static_cast<const CEntryInt*>(entry)->value != 0;
    case TagFloat:
        return static_cast<const CEntryFloat*>(entry)->value != 0.0f;
    default:
        return false;
    }
}

std::string CConfigFile::GetString(const std::string& key) const
{
    const CEntry* entry = FindEntry(key);
    if (entry == nullptr)
    {
        return std::string();
    }
    switch (entry->tag)
    {
    case TagString:
        return static_cast<const CEntryString*>(entry)->value;
    case TagInt:
        return Printed("%d", static_cast<const CEntryInt*>(entry)->value);
    case TagFloat:
        return Printed("%f", static_cast<double>(static_cast<const CEntryFloat*>(entry)->value));
    default:
        return std::string();
    }
}

CSize CConfigFile::GetSize(const std::string& key) const
{
    const CEntry* entry = FindEntryOfType(key, TagSize);
    return entry != nullptr ? static_cast<const CEntrySize*>(entry)->value : CSize();
}

bool CConfigFile::SetBool(const std::string& key, bool value)
{
    CEntry* entry = FindEntryOfType(key, TagBool);
    if (entry == nullptr)
    {
        return false;
    }
    static_cast<CEntryBool*>(entry)->value = value;
    return true;
}

bool CConfigFile::SetString(const std::string& key, const std::string& text)
{
    auto* entry = static_cast<CEntryString*>(FindEntryOfType(key, TagString));
    if (entry == nullptr)
    {
        return false;
    }
    const std::vector<std::string>& allowed = entry->possibleValues;
    if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), text) == allowed.end())
    {
        return false;
    }
    entry->value = text;
    return true;
}

// ---- the file ----

bool CConfigFile::Load(const std::string& path)
{
    if (m_Entries.empty())
    {
        return true;
    }
    TiXmlDocument document;
    const bool parsed = XmlLoadFile(document, path);
    const TiXmlElement* top = document.FirstChildElement();
    if (!parsed || top == nullptr)
    {
        return false;
    }
    for (auto& [key, entry] : m_Entries)
    {
        const std::vector<std::string> segments = SplitWords(key, "/");
        if (segments.empty())
        {
            continue;
        }
        const TiXmlElement* parent = top;
        for (std::size_t i = 0; parent != nullptr && i + 1 < segments.size(); ++i)
        {
            parent = parent->FirstChildElement(segments[i].c_str());
        }
        if (parent != nullptr)
        {
            ReadEntry(parent, segments.back(), *entry);
        }
    }
    ClampAll();
    m_UnknownValues.clear();
    KeepUnknownValues(top, "");
    return true;
}

void CConfigFile::KeepUnknownValues(const TiXmlElement* parent, const std::string& prefix)
{
    for (const TiXmlElement* element = parent->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement())
    {
        const std::string key = prefix + element->Value();
        if (m_Entries.count(key) != 0)
        {
            continue;
        }
        if (element->FirstChildElement() != nullptr)
        {
            KeepUnknownValues(element, key + "/");
            continue;
        }
        // A value where registered keys have their group would clash with that group's element.
        const auto below = m_Entries.lower_bound(key + "/");
        if (below != m_Entries.end() && below->first.starts_with(key + "/"))
        {
            continue;
        }
        const char* text = element->GetText();
        m_UnknownValues[key] = text != nullptr ? text : "";
    }
}

bool CConfigFile::Save(const std::string& path, bool writeComments, bool writeSpacers)
{
    if (m_Entries.empty())
    {
        return true;
    }
    TiXmlElement root("configuration");
    for (const auto& [key, entry] : m_Entries)
    {
        const std::vector<std::string> segments = SplitWords(key, "/\\");
        if (segments.empty())
        {
            continue;
        }
        TiXmlElement* parent = GroupElement(root, segments);
        WriteEntry(parent, segments.back(), *entry, writeComments);
        if (writeSpacers)
        {
            XmlAddSpacer(parent);
        }
    }
    for (const auto& [key, text] : m_UnknownValues)
    {
        if (m_Entries.count(key) != 0)
        {
            continue;
        }
        const std::vector<std::string> segments = SplitWords(key, "/\\");
        TiXmlElement* parent = GroupElement(root, segments);
        XmlAddTextElement(parent, segments.back(), text);
    }
    std::string text;
    WriteXmlNode(text, &root, 0);
    // A spacer prints as "<>" on a line of its own; removing it leaves an indented empty line.
    std::string cleaned;
    cleaned.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text.compare(i, 2, "<>") == 0)
        {
            ++i;
            continue;
        }
        cleaned += text[i];
    }
    return Platform::ReplaceFileContents(path, cleaned);
}

void CConfigFile::ClampAll()
{
    for (auto& [key, entry] : m_Entries)
    {
        ClampEntry(*entry);
    }
}

// ---- per kind ----

void CConfigFile::ReadEntry(const TiXmlElement* parent, const std::string& name, CEntry& entry)
{
    switch (entry.tag)
    {
    case TagString: {
        auto& e = static_cast<CEntryString&>(entry);
        e.value = XmlGetElementText(parent, name, e.defaultValue);
        break;
    }
    case TagBool: {
        auto& e = static_cast<CEntryBool&>(entry);
        e.value = XmlGetBoolElement(parent, name, e.defaultValue);
        break;
    }
    case TagInt: {
        auto& e = static_cast<CEntryInt&>(entry);
        e.value = XmlGetIntElement(parent, name, e.defaultValue);
        break;
    }
    case TagFloat: {
        auto& e = static_cast<CEntryFloat&>(entry);
        e.value = XmlGetFloatElement(parent, name, e.defaultValue);
        break;
    }
    case TagSize: {
        auto& e = static_cast<CEntrySize&>(entry);
        e.value = XmlGetSizeElement(parent, name, e.defaultValue);
        break;
    }
    case TagPoint: {
        auto& e = static_cast<CEntryPoint&>(entry);
        e.value = XmlGetPointElement(parent, name, e.defaultValue);
        break;
    }
    case TagColor: {
        auto& e = static_cast<CEntryColor&>(entry);
        e.value = XmlGetColorElement(parent, name, e.defaultValue);
        break;
    }
    case TagVector3: {
        auto& e = static_cast<CEntryVector3&>(entry);
        e.value = XmlGetVector3FloatElement(parent, name, e.defaultValue);
        break;
    }
    default:
        break;
    }
}

void CConfigFile::WriteEntry(TiXmlElement* parent, const std::string& name, const CEntry& entry,
                             bool writeComments)
{
    const bool comments = writeComments && entry.comments;
    if (comments)
    {
        AddComment(parent, entry.description);
    }
    switch (entry.tag)
    {
    case TagString: {
        const auto& e = static_cast<const CEntryString&>(entry);
        if (comments)
        {
            if (!e.possibleValues.empty())
            {
                std::string joined;
                for (const std::string& word : e.possibleValues)
                {
                    joined += (joined.empty() ? "" : ", ") + word;
                }
                AddComment(parent, "Possible Values: " + joined);
            }
            AddComment(parent, "Default Value: " + e.defaultValue);
        }
        XmlAddTextElement(parent, name, e.value);
        break;
    }
    case TagBool: {
        const auto& e = static_cast<const CEntryBool&>(entry);
        if (comments)
        {
            AddComment(parent, "Possible Values: true, false");
            AddComment(parent, std::string("Default Value: ") + (e.defaultValue ? "true" : "false"));
        }
        XmlAddBoolElement(parent, name, e.value);
        break;
    }
    case TagInt: {
        const auto& e = static_cast<const CEntryInt&>(entry);
        if (comments)
        {
            AddComment(parent, Printed("Possible Values: %d - %d", e.minimum, e.maximum));
            AddComment(parent, Printed("Default Value: %d", e.defaultValue));
        }
        XmlAddIntElement(parent, name, e.value);
        break;
    }
    case TagFloat: {
        const auto& e = static_cast<const CEntryFloat&>(entry);
        if (comments)
        {
            AddComment(parent, Printed("Possible Values: %.2f - %.2f", static_cast<double>(e.minimum),
                                       static_cast<double>(e.maximum)));
            AddComment(parent, Printed("Default Value: %.2f", static_cast<double>(e.defaultValue)));
        }
        XmlAddFloatElement(parent, name, e.value);
        break;
    }
    case TagSize: {
        const auto& e = static_cast<const CEntrySize&>(entry);
        if (comments)
        {
            AddRangeComments(parent, e);
        }
        XmlAddSizeElement(parent, name, e.value.cx, e.value.cy);
        break;
    }
    case TagPoint: {
        const auto& e = static_cast<const CEntryPoint&>(entry);
        if (comments)
        {
            AddRangeComments(parent, e);
        }
        XmlAddPointElement(parent, name, e.value.x, e.value.y);
        break;
    }
    case TagColor: {
        const auto& e = static_cast<const CEntryColor&>(entry);
        if (comments)
        {
            AddRangeComments(parent, e);
        }
        XmlAddColorElement(parent, name, e.value);
        break;
    }
    case TagVector3: {
        const auto& e = static_cast<const CEntryVector3&>(entry);
        if (comments)
        {
            AddComment(parent, "Possible Values: " + Vector3Text(e.minimum) + " - " + Vector3Text(e.maximum));
            AddComment(parent, "Default Value: " + Vector3Text(e.defaultValue));
        }
        XmlAddVector3FloatElement(parent, name, e.value);
        break;
    }
    default:
        break;
    }
}

void CConfigFile::SetValueFromString(const char* text, CEntry& entry)
{
    if (text == nullptr)
    {
        text = "";
    }
    switch (entry.tag)
    {
    case TagString:
        static_cast<CEntryString&>(entry).value = text;
        break;
    case TagInt: {
        static_cast<CEntryInt&>(entry).value = ParseDecimalInt(text);
        break;
    }
    case TagFloat:
        static_cast<CEntryFloat&>(entry).value = std::strtof(text, nullptr);
        break;
    case TagBool:
        static_cast<CEntryBool&>(entry).value = std::string_view(text) == "true";
        break;
    case TagPoint: {
        CPoint& value = static_cast<CEntryPoint&>(entry).value;
        std::sscanf(text, "(%d;%d)", &value.x, &value.y);
        break;
    }
    case TagSize: {
        CSize& value = static_cast<CEntrySize&>(entry).value;
        std::sscanf(text, "%dx%d", &value.cx, &value.cy);
        break;
    }
    case TagColor: {
        CColor& value = static_cast<CEntryColor&>(entry).value;
        int channels[4] = {value.GetRed(), value.GetGreen(), value.GetBlue(), value.GetAlpha()};
        std::sscanf(text, "(%d;%d;%d;%d)", &channels[0], &channels[1], &channels[2], &channels[3]);
        const auto byte = [](int channel) { return static_cast<std::uint32_t>(channel) & 0xFFu; };
        value = CColor::FromArgb(byte(channels[3]) << 24 | byte(channels[0]) << 16 | byte(channels[1]) << 8 |
                                 byte(channels[2]));
        break;
    }
    default:
        break;
    }
}

void CConfigFile::ClampEntry(CEntry& entry)
{
    switch (entry.tag)
    {
    case TagString: {
        auto& e = static_cast<CEntryString&>(entry);
        const std::vector<std::string>& allowed = e.possibleValues;
        if (!allowed.empty() && std::find(allowed.begin(), allowed.end(), e.value) == allowed.end())
        {
            e.value = e.defaultValue;
        }
        break;
    }
    case TagInt:
        ClampRanged<std::int32_t>(entry);
        break;
    case TagFloat:
        ClampRanged<float>(entry);
        break;
    case TagSize:
        ClampRanged<CSize>(entry);
        break;
    case TagPoint:
        ClampRanged<CPoint>(entry);
        break;
    case TagColor:
        ClampRanged<CColor>(entry);
        break;
    case TagVector3:
        ClampRanged<CVector3>(entry);
        break;
    default:
        break;
    }
}

} // namespace BaseLib
