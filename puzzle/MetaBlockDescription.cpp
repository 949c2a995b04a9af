#include "puzzle/MetaBlockDescription.h"

#include "foundation/Xml.h"

TiXmlElement* CMetaBlockDescription::SaveXml(TiXmlElement* element) const
{
    element->SetAttribute("name", m_name.c_str());
    for (const MetaBlockPart& part : m_parts)
    {
        TiXmlElement block("block");
        block.SetAttribute("type", part.type.c_str());
        block.SetAttribute("model", part.model.c_str());
        element->InsertEndChild(block);
    }
    return element;
}

void CMetaBlockDescription::Load(const TiXmlElement* element)
{
    m_name = BaseLib::XmlGetStringAttribute(element, "name", "");
    for (const TiXmlElement* block = element->FirstChildElement("block"); block != nullptr;
         block = block->NextSiblingElement("block"))
    {
        MetaBlockPart part;
        part.type = BaseLib::XmlGetStringAttribute(block, "type", "");
        part.model = BaseLib::XmlGetStringAttribute(block, "model", "");
        part.model = BaseLib::XmlGetStringAttribute(block, "modelhorizontal", part.model);
        m_parts.push_back(part);
    }
}
