// The map's hint scripts: for each of the four regions a "needkey_" and a "needgold_" script at the top
// of the sequence folder, each passing the script check.
#include "tests/media/SequenceScriptCheck.h"
#include "tests/media/WindowSystemFixture.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <string>

namespace
{

namespace fs = std::filesystem;

// The window system with the dialog box's pictures and fonts found as the game finds them.
class ScriptCheckTest : public MediaTesting::WindowSystemFixture
{
protected:
    void SetUp() override
    {
        MediaTesting::WindowSystemFixture::SetUp();
        system->GetBitmapFactory()->AddSearchPath(aliases.ResolvePath("interface>").c_str());
    }
};

class HintScriptsTest : public ScriptCheckTest, public ::testing::WithParamInterface<std::string>
{
};

std::string Name(const ::testing::TestParamInfo<std::string>& info)
{
    return fs::path(info.param).stem().string();
}

} // namespace

TEST_P(HintScriptsTest, PassesTheScriptCheck)
{
    const fs::path media = QUARROW_MEDIA_DIR;
    const fs::path script = media / "sequences" / GetParam();
    ASSERT_TRUE(fs::is_regular_file(script));
    for (const std::string& problem : MediaTesting::CheckSequenceScript(script, media))
    {
        ADD_FAILURE() << problem;
    }
}

// A hint uses the map's box (no "mode") and has no board command: there is no puzzle on the map.
TEST_P(HintScriptsTest, UsesTheMapBoxAndNoBoardCommand)
{
    TiXmlDocument document;
    ASSERT_TRUE(document.LoadFile((fs::path(QUARROW_MEDIA_DIR) / "sequences" / GetParam()).string().c_str()));
    int boxes = 0;
    std::function<void(const TiXmlElement*)> visit = [&](const TiXmlElement* element) {
        const std::string name = element->Value();
        EXPECT_TRUE(name != "blockat" && name != "noblockat" && name != "puzzlesolved" &&
                    name != "disablegamecontrols" && name != "waitforever")
            << name;
        if (name == "dialogbox" && std::string(element->Parent()->Value()) == "resources")
        {
            ++boxes;
            EXPECT_EQ(nullptr, element->Attribute("mode"));
        }
        for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
             child = child->NextSiblingElement())
        {
            visit(child);
        }
    };
    visit(document.RootElement());
    EXPECT_GT(boxes, 0);
}

INSTANTIATE_TEST_SUITE_P(Hints, HintScriptsTest,
                         ::testing::Values("needkey_jungle.xml", "needkey_swamp.xml", "needkey_cave.xml",
                                           "needkey_temple.xml", "needgold_jungle.xml", "needgold_swamp.xml",
                                           "needgold_cave.xml", "needgold_temple.xml"),
                         Name);

// The check itself finds each kind of fault in a script written to fail it.
TEST_F(ScriptCheckTest, FindsEachKindOfFault)
{
    const fs::path script = fs::temp_directory_path() / ("faulty_script_" + std::to_string(::getpid()) + ".xml");
    {
        std::ofstream file(script);
        file << "<sequence><scene id=\"a\"><resources><dialogbox/><fog/></resources><script>"
                "<dialogbox>Straße</dialogbox>"
                "<dialogbox>one two three four five six seven eight nine ten eleven twelve thirteen fourteen "
                "fifteen sixteen seventeen eighteen nineteen twenty twenty-one twenty-two twenty-three "
                "twenty-four twenty-five twenty-six twenty-seven twenty-eight twenty-nine thirty</dialogbox>"
                "<waitforall><nosuchcondition/></waitforall><jump/>"
                "<switchtoscene id=\"b\"/><switchtosequence file=\"nosuchfile.xml\"/>"
                "</script></scene></sequence>";
    }
    const std::vector<std::string> problems = MediaTesting::CheckSequenceScript(script, QUARROW_MEDIA_DIR);
    fs::remove(script);
    std::string all;
    for (const std::string& problem : problems)
    {
        all += problem + "\n";
    }
    for (const char* expected : {"'ß' has no glyph", "more than three lines", "no scene 'b'",
                                 "no sequence file 'nosuchfile.xml'", "resource with the name 'fog'",
                                 "condition with the name 'nosuchcondition'", "action with the name 'jump'"})
    {
        EXPECT_NE(std::string::npos, all.find(expected)) << expected << " not in:\n" << all;
    }
}
