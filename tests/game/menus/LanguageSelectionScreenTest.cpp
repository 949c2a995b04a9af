// The language selection as the first screen of the running game, with a real "config.xml" in the
// harness's working folder, the test book and layout of data/options and a stand-in "loadsavedgames".
// Clicks and Escape are real input events, so these tests run alone.
#include "game/menus/LanguageSelectionScreen.h"
#include "foundation/ConfigFile.h"
#include "game/FileTranslator.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowUI.h"
#include "game/ScreenFader.h"
#include "game/savegame/SaveGameManager.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/game/menus/MenuTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using GameTesting::GameHarness;
using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;
using MenuTesting::ColourAt;

TEST(LanguageWordsTest, IndexWordAndFolderOfEachLanguage)
{
    const struct
    {
        const char* word;
        std::int32_t index;
        const char* folder;
    } rows[] = {{"english", 0, "english/"},
                {"german", 1, "german/"},
                {"french", 2, "french/"},
                {"spanish", 3, "spanish/"},
                {"italian", 4, "italian/"}};
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.index, CLanguageSelectionScreen::GetLanguageIndex(row.word));
        EXPECT_STREQ(row.word, CLanguageSelectionScreen::GetLanguageWord(row.index));
        EXPECT_EQ(row.folder, CLanguageSelectionScreen::GetLanguageFolder(row.index));
    }
    for (const char* word : {"ask", "", "German", "english "})
    {
        EXPECT_EQ(-1, CLanguageSelectionScreen::GetLanguageIndex(word)) << word;
    }
    for (const std::int32_t index : {-1, 5, 100})
    {
        EXPECT_EQ("english/", CLanguageSelectionScreen::GetLanguageFolder(index)) << index;
    }
}

class LanguageSelectionTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        game.reset();
        RecordingSoundDevice::Uninstall();
    }

    // The game on the configuration text (none: the harness's own for the language), started, with the
    // stand-in next screen; no frame run yet.
    ::testing::AssertionResult StartGame(const std::string& language, const std::string& configText = "")
    {
        game.reset();
        frames.clear();
        game = std::make_unique<GameHarness>(MenuTesting::OptionsSettings(language));
        if (!configText.empty())
        {
            std::ofstream(game->Folder() / "config.xml") << configText;
        }
        if (::testing::AssertionResult started = game->Start(); !started)
        {
            return started;
        }
        sound = &RecordingSoundDevice::Install();
        MenuTesting::AddStandIns(*game, {"loadsavedgames"});
        game->SetFrameHook([this] {
            if (game->IsRunning())
            {
                frames.push_back({game->Screens().GetCurrentScreenName(), game->UI().GetFader()->GetValue()});
            }
        });
        game->FocusWindow();
        return ::testing::AssertionSuccess();
    }
    CLanguageSelectionScreen& Screen()
    {
        return *static_cast<CLanguageSelectionScreen*>(game->Screens().FindScreen("languageselection"));
    }
    UILib::CWindow& Button(const char* name)
    {
        UILib::CWindow* button = Screen().GetPanel()->FindChildByName(BaseLib::CString(name), true);
        EXPECT_NE(nullptr, button) << name;
        return *button;
    }
    ::testing::AssertionResult WaitForButtons()
    {
        return game->RunUntil([&] { return Screen().GetStates().GetCurrentStateName() == "MainMenu"; },
                              "the language buttons");
    }
    ::testing::AssertionResult WaitForNextScreen()
    {
        return game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "loadsavedgames"; },
                              "loadsavedgames");
    }
    std::string Language() const { return game->UI().GetFileTranslator()->GetLanguageFolder(); }
    std::int32_t LanguageIndex() const { return game->UI().GetSaveGameManager()->GetLanguageIndex(); }
    float LowestFader() const
    {
        float lowest = 1.0f;
        for (const auto& frame : frames)
        {
            lowest = std::min(lowest, frame.fader);
        }
        return lowest;
    }

    struct Frame
    {
        std::string screen;
        float fader;
    };
    std::unique_ptr<GameHarness> game;
    RecordingSoundDevice* sound = nullptr;
    std::vector<Frame> frames;
};

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// "application/language" as a fresh configuration object reads it from the file.
std::string ConfiguredLanguage(const std::filesystem::path& path)
{
    BaseLib::CConfigFile configuration;
    configuration.AddStringEntry("application/language", "", "ask",
                                 "ask english german french italian spanish");
    EXPECT_TRUE(configuration.Load(path.string()));
    return configuration.GetString("application/language");
}

TEST_F(LanguageSelectionTest, AConfiguredLanguageAppliesAndTheGameGoesStraightOn)
{
    ASSERT_TRUE(StartGame("german"));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ("loadsavedgames", game->Screens().GetCurrentScreenName());
    EXPECT_EQ("languageselection", game->Screens().GetPreviousScreenName());
    EXPECT_EQ("german/", Language());
    EXPECT_EQ(1, LanguageIndex());
    EXPECT_EQ("interface>german/x.xml", game->UI().GetFileTranslator()->Translate("interface>x.xml"));
    // Nothing was built, nothing faded, nothing played.
    EXPECT_EQ(nullptr, Screen().GetPanel());
    EXPECT_EQ(1.0f, LowestFader());
    EXPECT_EQ(0u, sound->Count(SoundEvent::Play));
    EXPECT_EQ(std::string::npos, game->Trace().find("languageselectionscreen.xml"));
    EXPECT_EQ("german", ConfiguredLanguage(game->Folder() / "config.xml"));
}

// "ask": five buttons; French is chosen, written into "config.xml" with the rest of the file kept, and
// applies; the page fades to black on its way on. The next start in the same folder asks no more.
TEST_F(LanguageSelectionTest, TheChosenLanguageIsWrittenSoTheNextStartAsksNoMore)
{
    ASSERT_TRUE(StartGame("ask"));
    ASSERT_TRUE(WaitForButtons());
    EXPECT_EQ("languageselection", game->Screens().GetCurrentScreenName());
    EXPECT_EQ("english/", Language());

    // The page as drawn: each button's colour on page 1 of the book.
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "language_selection"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_FALSE(picture.empty());
    const BaseLib::CRect page = game->WindowPixels(*CGiantBookUIScreen::GetPageFrame(1));
    const struct
    {
        const char* name;
        std::uint32_t colour;
    } buttons[] = {{"englishbutton", 0xC81E1Eu},
                   {"germanbutton", 0x1EA028u},
                   {"frenchbutton", 0x1E3CC8u},
                   {"spanishbutton", 0xC8B414u},
                   {"italianbutton", 0xB428A0u}};
    for (const auto& button : buttons)
    {
        SCOPED_TRACE(button.name);
        EXPECT_TRUE(Button(button.name).IsVisible());
        const BaseLib::CPoint centre = game->CentreOf(Button(button.name));
        EXPECT_TRUE(centre.x > page.left && centre.x < page.right && centre.y > page.top &&
                    centre.y < page.bottom);
        EXPECT_EQ(button.colour, ColourAt(picture, width, centre));
    }
    EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "language_selection_read_back", width,
                                          height, picture));

    // Escape is no way out of here.
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(game->RunFrames(30));
    EXPECT_EQ("languageselection", game->Screens().GetCurrentScreenName());
    EXPECT_EQ("MainMenu", Screen().GetStates().GetCurrentStateName());

    const std::string configFile = game->Game().GetConfigFileName();
    EXPECT_TRUE(std::filesystem::equivalent(configFile, game->Folder() / "config.xml"));
    frames.clear();
    ASSERT_TRUE(game->Click(game->CentreOf(Button("frenchbutton"))));
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
    EXPECT_EQ("french", ConfiguredLanguage(configFile));
    const std::string written = ReadFile(configFile);
    EXPECT_NE(std::string::npos, written.find("<!--")) << written;
    EXPECT_NE(std::string::npos, written.find("<renderer>3d</renderer>")) << written;
    ASSERT_TRUE(WaitForNextScreen());
    EXPECT_EQ("french/", Language());
    EXPECT_EQ(2, LanguageIndex());
    EXPECT_EQ(0.0f, LowestFader());
    EXPECT_EQ(0.0f, frames.back().fader);
    // The page went with the screen.
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ(nullptr, Screen().GetPanel());

    ASSERT_TRUE(StartGame("ask", written));
    ASSERT_TRUE(game->RunFrames(1));
    EXPECT_EQ("loadsavedgames", game->Screens().GetCurrentScreenName());
    EXPECT_EQ("french/", Language());
    EXPECT_EQ(2, LanguageIndex());
    EXPECT_EQ(nullptr, Screen().GetPanel());
}

// A configuration file that cannot be replaced: one trace line names it, the language applies for this
// run, the game goes on, and the file's place is left as it was.
TEST_F(LanguageSelectionTest, AConfigurationThatCannotBeWrittenIsTracedAndTheGameGoesOn)
{
    ASSERT_TRUE(StartGame("ask"));
    ASSERT_TRUE(WaitForButtons());
    const std::filesystem::path configFile = game->Game().GetConfigFileName();
    std::filesystem::remove(configFile);
    std::filesystem::create_directory(configFile);
    std::ofstream(configFile / "keep.txt") << "in the way\n";
    const auto entries = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(game->Folder()))
        {
            names.insert(entry.path().filename().string());
        }
        return names;
    };
    const std::set<std::string> before = entries();

    ASSERT_TRUE(game->Click(game->CentreOf(Button("germanbutton"))));
    ASSERT_TRUE(WaitForNextScreen());
    EXPECT_EQ(1u, MenuTesting::TraceLinesWith(game->Trace(), "could not be written"));
    EXPECT_EQ(1u, MenuTesting::TraceLinesWith(game->Trace(), configFile.string() + " could not be written"));
    EXPECT_EQ("german/", Language());
    EXPECT_EQ(1, LanguageIndex());
    EXPECT_TRUE(std::filesystem::is_directory(configFile));
    EXPECT_EQ(before, entries());
}

} // namespace
