#include "game/EnvironmentDescription.h"

#include "foundation/Debug.h"
#include "foundation/Xml.h"

#include <cmath>

bool LoadEnvironmentDescription(EnvironmentDescription& description, const std::string& path)
{
    description.fileName = path;
    description.modelName.clear();
    description.sequenceName.clear();
    TiXmlDocument document;
    const TiXmlElement* root = nullptr;
    if (BaseLib::XmlLoadFile(document, path))
    {
        root = document.RootElement();
    }
    if (root == nullptr || std::string(root->Value()) != "environment")
    {
        return false;
    }
    description.modelName = BaseLib::XmlGetStringAttribute(root->FirstChildElement("model"), "name", "");
    description.sequenceName =
        BaseLib::XmlGetStringAttribute(root->FirstChildElement("sequence"), "name", "");
    description.lights.clear();
    const TiXmlElement* lights = root->FirstChildElement("lights");
    if (lights == nullptr)
    {
        return true;
    }
    const LightDescription defaults;
    for (const TiXmlElement* light = lights->FirstChildElement("light"); light != nullptr;
         light = light->NextSiblingElement("light"))
    {
        LightDescription entry;
        const BaseLib::CVector3 dir = BaseLib::XmlGetVector3Attribute(light, "dir", defaults.direction);
        const float length = dir.Length();
        // A zero or non-finite direction has no orientation: the shadow pass would find no face to look
        // from.
        if (std::isfinite(dir.x) && std::isfinite(dir.y) && std::isfinite(dir.z) && std::isfinite(length) &&
            length > 0.0f)
        {
            entry.direction = dir / length;
        }
        else
        {
            BaseLib::DebugOutput("Environment \"%s\": a light's direction (%g, %g, %g) has no orientation; "
                                 "(0, 1, 0) is taken\n",
                                 path.c_str(), dir.x, dir.y, dir.z);
        }
        entry.colour = BaseLib::XmlGetVector3Attribute(light, "color", defaults.colour);
        entry.shadow = BaseLib::XmlGetBoolAttribute(light, "shadow", defaults.shadow);
        description.lights.push_back(entry);
    }
    return true;
}

std::string EnvironmentModelFile(const std::string& modelName)
{
    if (modelName.empty())
    {
        return {};
    }
    const std::size_t slash = modelName.find_last_of("/\\>");
    const std::size_t dot = modelName.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return "model>" + modelName + (hasExtension ? "" : ".x");
}
