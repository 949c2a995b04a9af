#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/TypeTag.h"
#include "foundation/Vector.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TiXmlElement;

namespace BaseLib
{

// The program's settings as typed, self-describing entries named by slash-separated keys such as
// "application/windowsize". Entries are registered in code; Load reads a file into them (values under
// unknown keys kept aside, out-of-range values clamped) and Save writes every entry back with its description, possible
// values and default as XML comments, so a player can read and edit the file.
class CConfigFile
{
public:
    static constexpr std::uint32_t TagInt = MakeTypeTag("INT");
    static constexpr std::uint32_t TagFloat = MakeTypeTag("FLOA");
    static constexpr std::uint32_t TagString = MakeTypeTag("STRI");
    static constexpr std::uint32_t TagBool = MakeTypeTag("BOOL");
    static constexpr std::uint32_t TagPoint = MakeTypeTag("POIN");
    static constexpr std::uint32_t TagSize = MakeTypeTag("SIZE");
    static constexpr std::uint32_t TagColor = MakeTypeTag("COLR");
    static constexpr std::uint32_t TagVector3 = MakeTypeTag("VEC3");

    struct CEntry
    {
        CEntry(std::uint32_t entryTag, std::string entryKey, std::string entryDescription)
            : tag(entryTag), key(std::move(entryKey)), description(std::move(entryDescription))
        {}
        virtual ~CEntry() = default;

        std::uint32_t tag;
        bool comments = true; // comments are written only for entries that have it set
        std::string key;
        std::string description;
    };

    struct CEntryString : CEntry
    {
        using CEntry::CEntry;
        std::string defaultValue;
        std::string value;
        std::vector<std::string> possibleValues; // empty: any value is allowed
    };

    struct CEntryBool : CEntry
    {
        using CEntry::CEntry;
        bool value = false;
        bool defaultValue = false;
    };

    // A value with a default and an inclusive range, clamped per component.
    template <typename T> struct CEntryRange : CEntry
    {
        using CEntry::CEntry;
        T value{};
        T defaultValue{};
        T minimum{};
        T maximum{};
    };
    using CEntrySize = CEntryRange<CSize>;
    using CEntryInt = CEntryRange<std::int32_t>;
    using CEntryFloat = CEntryRange<float>;
    using CEntryPoint = CEntryRange<CPoint>;
    using CEntryColor = CEntryRange<CColor>; // clamped per byte
    using CEntryVector3 = CEntryRange<CVector3>;

    CConfigFile() = default;
    // Deletes the entries; does not save.
    virtual ~CConfigFile() = default;
    CConfigFile(const CConfigFile&) = delete;
    CConfigFile& operator=(const CConfigFile&) = delete;

    // possibleValues is split into words at commas, blanks, tabs and line feeds; no words allows any value.
    // Registers nothing and answers false when there are words and defaultValue is none of them exactly.
    bool AddStringEntry(const std::string& key, const std::string& description,
                        const std::string& defaultValue, const std::string& possibleValues);
    bool AddBoolEntry(const std::string& key, const std::string& description, bool defaultValue);
    // The ranged kinds: the value starts as the default given; the stored default is that default brought
    // into [minimum, maximum] per component. Always true.
    bool AddSizeEntry(const std::string& key, const std::string& description, std::int32_t defaultCx,
                      std::int32_t defaultCy, std::int32_t minCx, std::int32_t minCy, std::int32_t maxCx,
                      std::int32_t maxCy);
    bool AddIntEntry(const std::string& key, const std::string& description, std::int32_t defaultValue,
                     std::int32_t minimum, std::int32_t maximum);
    bool AddFloatEntry(const std::string& key, const std::string& description, float defaultValue,
                       float minimum, float maximum);
    bool AddPointEntry(const std::string& key, const std::string& description, const CPoint& defaultValue,
                       const CPoint& minimum, const CPoint& maximum);
    bool AddColorEntry(const std::string& key, const std::string& description, const CColor& defaultValue,
                       const CColor& minimum, const CColor& maximum);
    bool AddVector3Entry(const std::string& key, const std::string& description, const CVector3& defaultValue,
                         const CVector3& minimum, const CVector3& maximum);
    // Takes the entry under its key, deleting one registered before under the same key.
    void AddEntry(std::unique_ptr<CEntry> entry);

    // The entry or null; owned by this object.
    CEntry* FindEntry(const std::string& key) const;
    // The entry when it exists and has that tag, else null.
    CEntry* FindEntryOfType(const std::string& key, std::uint32_t tag) const;

    // Bool: its value; string: value is "true"; integer and float: value not 0; otherwise false.
    bool GetBool(const std::string& key) const;
    // String: its value; integer "%d"; float "%f"; otherwise "".
    std::string GetString(const std::string& key) const;
    // Size entries only; otherwise {0, 0}.
    CSize GetSize(const std::string& key) const;
    // Bool entries only; false for an unknown key or another kind.
    bool SetBool(const std::string& key, bool value);
    // String entries only; false, keeping the value, when the text is not one of its possible values.
    bool SetString(const std::string& key, const std::string& text);

    // Reads the file into the registered entries, then clamps them. True without entries. A missing or
    // malformed file answers false and changes nothing. An entry whose parent element is missing keeps
    // its value; one whose value element is missing or unreadable gets its default. Values under keys
    // no entry has are kept as they stand, replacing those the previous Load kept.
    bool Load(const std::string& path);
    // Writes every entry (in key order) under the root "configuration", with comments and an empty line
    // behind each value when asked, then the values Load kept under keys still unregistered (without
    // comments): a program that registers some keys later does not lose what the player set for them. True without entries, writing nothing. The file is replaced whole:
    // on any failure the answer is false and an existing file stays as it was.
    bool Save(const std::string& path, bool writeComments = true, bool writeSpacers = true);
    // ClampEntry on every entry, in key order.
    void ClampAll();

    // Reads the value element called name under parent into entry (its default when missing).
    virtual void ReadEntry(const TiXmlElement* parent, const std::string& name, CEntry& entry);
    // Appends the comments (when asked and the entry allows) and the value element called name.
    virtual void WriteEntry(TiXmlElement* parent, const std::string& name, const CEntry& entry,
                            bool writeComments);
    // Text forms used outside the file: string as is, integer and float their leading number (0 when
    // none), bool true exactly for "true", point "(%d;%d)", size "%dx%d", colour "(%d;%d;%d;%d)" as red,
    // green, blue, alpha (fields that do not scan keep their values); a vector is left unchanged.
    virtual void SetValueFromString(const char* text, CEntry& entry);
    // Brings the value into range; a string outside its possible values falls back to its default.
    virtual void ClampEntry(CEntry& entry);

private:
    // Keeps the text of every value element below parent whose key ("prefix" + its name) no entry has.
    void KeepUnknownValues(const TiXmlElement* parent, const std::string& prefix);

    std::map<std::string, std::unique_ptr<CEntry>> m_Entries;
    // Text of every value element the last Load found under a key no entry had.
    std::map<std::string, std::string> m_UnknownValues;
};

} // namespace BaseLib
