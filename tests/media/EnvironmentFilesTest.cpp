// The environment files as the game reads them with the foundation's XML reader.
#include "foundation/Xml.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

namespace
{

namespace fs = std::filesystem;

const fs::path kMedia = QUARROW_MEDIA_DIR;

TEST(EnvironmentFilesTest, EveryRegionHasLightsFromAboveAndAModelThatExists)
{
    for (const char* name : {"jungle1", "basic1", "swamp1", "cave1", "temple1"})
    {
        const std::string file = (kMedia / "environments" / (std::string(name) + ".xml")).string();
        TiXmlDocument document;
        ASSERT_TRUE(BaseLib::XmlLoadFile(document, file)) << file;
        const TiXmlElement* root = document.RootElement();
        ASSERT_NE(nullptr, root) << file;
        EXPECT_STREQ("environment", root->Value()) << file;
        // The model lies at the models root; a name without an extension names its ".x" file.
        std::string model = BaseLib::XmlGetStringAttribute(root->FirstChildElement("model"), "name", "");
        EXPECT_FALSE(model.empty()) << file << ": element model";
        if (fs::path(model).extension().empty())
        {
            model += ".x";
        }
        EXPECT_TRUE(fs::is_regular_file(kMedia / "models" / model)) << file << ": element model names " << model;
        EXPECT_EQ(nullptr, root->FirstChildElement("sequence")) << file;

        const TiXmlElement* lights = root->FirstChildElement("lights");
        ASSERT_NE(nullptr, lights) << file << ": element lights";
        int count = 0;
        for (const TiXmlElement* light = lights->FirstChildElement("light"); light != nullptr;
             light = light->NextSiblingElement("light"))
        {
            ++count;
            const std::string where = file + ": light " + std::to_string(count);
            const BaseLib::CVector3 unset(0.0f, 0.0f, 1e9f);
            const BaseLib::CVector3 dir = BaseLib::XmlGetVector3Attribute(light, "dir", unset);
            EXPECT_NE(unset, dir) << where << " has no readable dir";
            EXPECT_GT(dir.Length(), 0.0f) << where;
            EXPECT_LT(dir.z, 0.0f) << where << " does not shine downwards";
            EXPECT_NE(unset, BaseLib::XmlGetVector3Attribute(light, "color", unset)) << where << " has no readable color";
            EXPECT_NE(nullptr, light->Attribute("shadow")) << where;
        }
        EXPECT_GE(count, 1) << file;
        EXPECT_LE(count, 3) << file << ": one batch of the renderer draws three lights";
    }
}

} // namespace
