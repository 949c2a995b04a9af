#pragma once

#include <string>
#include <vector>

class TiXmlElement;

// One block of a multi-cell piece: its block type name ("normal", "linked", ...) and its model.
struct MetaBlockPart
{
    std::string type;
    std::string model;
};

// A named multi-cell piece of the blocks library: the blocks that make it up, in order.
class CMetaBlockDescription
{
public:
    CMetaBlockDescription() = default;
    virtual ~CMetaBlockDescription() = default;
    CMetaBlockDescription(const CMetaBlockDescription&) = default;
    CMetaBlockDescription& operator=(const CMetaBlockDescription&) = default;

    // Fills the "metablockdescription" element: "name", then one "block" child per part with "type" and
    // "model". Returns the element.
    virtual TiXmlElement* SaveXml(TiXmlElement* element) const;
    // Reads the name and appends one part per "block" child; "modelhorizontal" takes the place of
    // "model" when present, a missing model is empty. A missing name or type reads as empty.
    void Load(const TiXmlElement* element);

    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    const std::vector<MetaBlockPart>& GetParts() const { return m_parts; }
    std::vector<MetaBlockPart>& GetParts() { return m_parts; }

private:
    std::vector<MetaBlockPart> m_parts;
    std::string m_name;
};
