// The map's hint scripts: for each of the four regions a "needkey_" and a "needgold_" script at the top
// of the sequence folder, each passing the script check.
#include "game/sequences/QuarrowSequencePlayer.h"
#include "game/sequences/SequenceDialog.h"
#include "tests/media/SequenceScriptCheck.h"
#include "tests/media/WindowSystemFixture.h"
#include "ui/BitmapPng.h"
#include "ui/WindowFactory.h"
#include "ui/controls/Button.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using BaseLib::CColor;
using BaseLib::CPoint;

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

namespace
{

struct HintRun
{
    std::string script;
    bool allKeys;
};

class HintRunTest : public ScriptCheckTest, public ::testing::WithParamInterface<HintRun>
{
protected:
    void Frame(double dt)
    {
        clock += dt;
        UILib::SetTimeOverride(clock);
        manager->Update();
    }

    double clock = 0.0;
};

std::string RunName(const ::testing::TestParamInfo<HintRun>& info)
{
    return fs::path(info.param.script).stem().string() + (info.param.allKeys ? "_allkeys" : "_nokeys");
}

std::vector<HintRun> HintRuns()
{
    std::vector<HintRun> runs;
    for (const char* kind : {"needkey_", "needgold_"})
    {
        for (const char* region : {"jungle", "swamp", "cave", "temple"})
        {
            for (const bool allKeys : {false, true})
            {
                runs.push_back({std::string(kind) + region + ".xml", allKeys});
            }
        }
    }
    return runs;
}

} // namespace

// The hint plays in the map's cut-scene window as the map screen plays it (the key variables set every
// frame) to its end within a minute, continue pressed whenever it is offered; each page offered is typed
// out in the box, and the jungle's pages are written for a person to look at.
TEST_P(HintRunTest, PlaysToItsEndWithContinuePressedWhenOffered)
{
    const HintRun& run = GetParam();
    auto* panel = static_cast<UILib::CPanel*>(UILib::CPanel::Create());
    panel->SetColor(CColor(60, 110, 70, 255)); // stands in for the map behind the cut-scene
    panel->SetSize(MediaTesting::ScreenWidth, MediaTesting::ScreenHeight);
    root->AddChild(panel->GetHandle());
    ASSERT_TRUE(system->GetWindowFactory()->LoadLayoutWindows("interface>mapscreen_cutscenewindow.xml", panel, nullptr));
    UILib::CWindow* window = root->FindChildByName("cutscenewindow", true);
    UILib::CWindow* canvas = root->FindChildByName("cutscenecanvas", true);
    ASSERT_TRUE(window != nullptr && canvas != nullptr);
    window->SetVisible(true);
    panel->PlayAnimation("cutscene", true, 2.0f, false);
    for (int i = 0; i < 60; ++i)
    {
        Frame(1.0 / 60.0);
    }

    CSequenceDialog dialog(window);
    CQuarrowSequencePlayer player;
    player.SetCanvas(canvas);
    player.SetSequenceDialog(&dialog);
    player.RegisterCommands();
    ASSERT_TRUE(player.Load((fs::path(QUARROW_MEDIA_DIR) / "sequences" / run.script).string()));
    player.Start();

    const fs::path output = QUARROW_TEST_OUTPUT_DIR;
    fs::create_directories(output);
    int pages = 0;
    constexpr double dt = 1.0 / 30.0;
    for (double simulated = 0.0; simulated < 60.0 && !player.IsFinished(); simulated += dt)
    {
        for (const char* key : {"hasyellowkey", "hasredkey", "hasbluekey"})
        {
            player.SetVariable(key, run.allKeys ? "true" : "false");
        }
        player.Update(dt);
        Frame(dt);
        if (dialog.IsContinueOffered())
        {
            ++pages;
            manager->PaintLayers();
            // The page is typed out: the box (the canvas's first child, made by the scene's "dialogbox"
            // resource) shows dark letter pixels in its text area.
            UILib::CWindow* box = canvas->GetChildCount() > 0 ? manager->Resolve(canvas->GetChildHandle(0)) : nullptr;
            ASSERT_TRUE(box != nullptr && std::string(box->GetClassName()) == "CDialogBox");
            const UILib::CCanvas* boxCanvas = box->GetCanvas(false);
            ASSERT_NE(nullptr, boxCanvas);
            const BaseLib::CSize size = box->GetSize();
            UILib::CBitmap picture(size.cx, size.cy, true);
            BaseLib::CColor* pixels = picture.GetWritablePixels();
            int ink = 0;
            for (int y = 0; y < size.cy; ++y)
            {
                for (int x = 0; x < size.cx; ++x)
                {
                    const CColor pixel = boxCanvas->GetPixel(x, y);
                    pixels[y * size.cx + x] = pixel;
                    const bool inText = x >= 14 && x < 14 + 474 && y >= 20 && y < 20 + 90;
                    ink += inText && pixel.GetAlpha() == 255 && pixel.GetRed() < 80 ? 1 : 0;
                }
            }
            EXPECT_GT(ink, 500) << "page " << pages;
            if (run.script.find("jungle") != std::string::npos)
            {
                EXPECT_TRUE(UILib::WriteBitmapPng(
                    (output / ("hint_" + RunName({run, 0}) + "_page" + std::to_string(pages) + ".png")).string(),
                    picture));
            }
            dialog.GetContinueButton()->NotifyClick();
        }
    }
    EXPECT_TRUE(player.IsFinished()) << "still playing after a minute";
    EXPECT_GE(pages, 1);
    player.Shutdown();
    panel->Delete();
}

INSTANTIATE_TEST_SUITE_P(Hints, HintRunTest, ::testing::ValuesIn(HintRuns()), RunName);
