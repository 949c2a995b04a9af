#include "mediagen/GameMedia.h"
#include "mediagen/GameModels.h"

#include "foundation/Xml.h"

#include <cstdio>

namespace MediaGen
{

namespace
{

// One light: the way it shines (downwards), its colour and whether it casts a shadow map.
struct Light
{
    float dir[3];
    float color[3];
    bool shadow;
};

// The region's mood: a key light with a shadow and up to two fills without one.
struct RegionLights
{
    std::string region;
    std::vector<Light> lights;
};

const std::vector<RegionLights>& Lights()
{
    static const std::vector<RegionLights> lights = {
        {"basic", {{{-0.35f, 0.45f, -0.82f}, {1.0f, 0.96f, 0.88f}, true}, {{0.5f, -0.3f, -0.8f}, {0.3f, 0.35f, 0.45f}, false}}},
        {"jungle",
         {{{0.3f, 0.5f, -0.81f}, {0.95f, 1.0f, 0.8f}, true},
          {{-0.4f, -0.5f, -0.77f}, {0.2f, 0.35f, 0.25f}, false},
          {{0.8f, -0.2f, -0.55f}, {0.25f, 0.2f, 0.1f}, false}}},
        {"swamp", {{{-0.2f, 0.6f, -0.77f}, {0.7f, 0.8f, 0.65f}, true}, {{0.5f, -0.4f, -0.77f}, {0.2f, 0.25f, 0.3f}, false}}},
        {"cave", {{{0.4f, 0.2f, -0.9f}, {1.0f, 0.7f, 0.4f}, true}, {{-0.6f, -0.3f, -0.74f}, {0.15f, 0.2f, 0.35f}, false}}},
        {"temple",
         {{{-0.5f, -0.4f, -0.77f}, {1.0f, 0.85f, 0.6f}, true},
          {{0.3f, 0.5f, -0.81f}, {0.3f, 0.35f, 0.5f}, false},
          {{0.6f, -0.6f, -0.53f}, {0.2f, 0.15f, 0.1f}, false}}},
    };
    return lights;
}

std::string Triple(const float (&values)[3])
{
    char text[96];
    std::snprintf(text, sizeof text, "%f %f %f", static_cast<double>(values[0]), static_cast<double>(values[1]),
                  static_cast<double>(values[2]));
    return text;
}

// The environment file of a region's lights, with the cut-scene script that plays as the level's intro
// when sequence is not empty.
bool WriteEnvironment(const std::string& media, const std::string& name, const RegionLights& region,
                      const std::string& sequence)
{
    TiXmlDocument document;
    auto* root = new TiXmlElement("environment");
    document.LinkEndChild(root);
    auto* model = new TiXmlElement("model");
    model->SetAttribute("name", "env_" + region.region + ".x");
    root->LinkEndChild(model);
    if (!sequence.empty())
    {
        auto* script = new TiXmlElement("sequence");
        script->SetAttribute("name", sequence);
        root->LinkEndChild(script);
    }
    auto* lights = new TiXmlElement("lights");
    root->LinkEndChild(lights);
    for (const Light& light : region.lights)
    {
        auto* element = new TiXmlElement("light");
        element->SetAttribute("dir", Triple(light.dir));
        element->SetAttribute("color", Triple(light.color));
        element->SetAttribute("shadow", light.shadow ? "true" : "false");
        lights->LinkEndChild(element);
    }
    return WriteMediaFile(media, "environments/" + name + ".xml", BaseLib::XmlDocumentToString(document));
}

} // namespace

const std::vector<std::string>& TutorialEnvironments()
{
    static const std::vector<std::string> names = {
        "tutorial_basic01",  "tutorial_basic02",  "tutorial_basic03",  "tutorial_basic04",
        "tutorial_jungle01", "tutorial_jungle02", "tutorial_jungle03", "tutorial_jungle04",
    };
    return names;
}

bool WriteEnvironments(const std::string& media)
{
    bool written = true;
    for (const RegionLights& region : Lights())
    {
        written = WriteEnvironment(media, region.region + "1", region, "") && written;
    }
    // A tutorial level stands in its region's scene; its script lies in sequences/tutorial/ under the
    // name's part after "tutorial_".
    for (const std::string& name : TutorialEnvironments())
    {
        const std::string lesson = name.substr(std::string("tutorial_").size());
        for (const RegionLights& region : Lights())
        {
            if (lesson.rfind(region.region, 0) == 0)
            {
                written = WriteEnvironment(media, name, region, "tutorial/" + lesson + ".xml") && written;
            }
        }
    }
    return written;
}

} // namespace MediaGen
