// The running game in each translated language: with "application/language" set, the translator hands
// out the language's copies of the main menu's layout and of the jungle's arrival script, the main menu
// shows its translated words and the arrival's first page types out in the language. Both pictures are
// written as language_<language>_mainmenu.png and language_<language>_arrival.png.
#include "framework/UIScreen.h"
#include "game/FileTranslator.h"
#include "game/GameContext.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/map/MapScreen.h"
#include "game/menus/BookMenuScreen.h"
#include "game/savegame/ProgressRecord.h"
#include "game/sequences/DialogBox.h"
#include "game/sequences/QuarrowSequencePlayer.h"
#include "mediagen/Translations.h"
#include "tests/game/harness/GameHarness.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"
#include "ui/controls/Label.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace MediaGen
{
// Test names and messages show a language by its name.
inline void PrintTo(const TranslationLanguage& language, std::ostream* out)
{
    *out << language.name;
}
} // namespace MediaGen

namespace
{

namespace fs = std::filesystem;
using GameTesting::GameHarness;
using GameTesting::Pixels;

const fs::path kMedia = QUARROW_MEDIA_DIR;
// The map and its scene load slowly on the software renderer while other tests run beside.
constexpr double kWallSeconds = 240.0;

// The first text of a script's scene as the player builds it ("br" a line break).
std::string FirstText(const fs::path& script, const std::string& sceneId)
{
    TiXmlDocument document;
    if (!document.LoadFile(script.string().c_str(), TIXML_ENCODING_UTF8))
    {
        return "";
    }
    for (const TiXmlElement* scene = document.RootElement()->FirstChildElement("scene"); scene != nullptr;
         scene = scene->NextSiblingElement("scene"))
    {
        const TiXmlElement* body = scene->FirstChildElement("script");
        const TiXmlElement* text = body != nullptr ? body->FirstChildElement("dialogtextsequence") : nullptr;
        if (sceneId != scene->Attribute("id") || text == nullptr)
        {
            continue;
        }
        std::string shown;
        for (const TiXmlNode* node = text->FirstChild(); node != nullptr; node = node->NextSibling())
        {
            shown += node->ToText() != nullptr ? node->Value() : "\n";
        }
        return shown;
    }
    return "";
}

// Pixels of the frame within a window's rectangle near a colour.
int PixelsNear(const GameHarness& game, const Pixels& frame, int width, const UILib::CWindow& window,
               BaseLib::CColor colour)
{
    const BaseLib::CRect rect = game.WindowPixels(window);
    int count = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
    {
        for (int x = rect.left; x < rect.right; ++x)
        {
            const std::uint32_t shown = frame[static_cast<std::size_t>(y) * width + x];
            count += std::abs(static_cast<int>((shown >> 16) & 0xFF) - colour.GetRed()) +
                                 std::abs(static_cast<int>((shown >> 8) & 0xFF) - colour.GetGreen()) +
                                 std::abs(static_cast<int>(shown & 0xFF) - colour.GetBlue()) <=
                             40
                         ? 1
                         : 0;
        }
    }
    return count;
}

class LanguagePagesTest : public ::testing::TestWithParam<MediaGen::TranslationLanguage>
{
protected:
    void TearDown() override { game.reset(); }

    std::unique_ptr<GameHarness> game;
};

std::string Name(const ::testing::TestParamInfo<MediaGen::TranslationLanguage>& info)
{
    return info.param.name;
}

} // namespace

TEST_P(LanguagePagesTest, TheMainMenuAndTheJunglesArrivalShowTheLanguage)
{
    const std::string language = GetParam().name;
    std::vector<std::string> problems;
    const MediaGen::TranslationTable table =
        MediaGen::ReadTranslationTable(MediaGen::TranslationTablesFolder() / language, GetParam(), problems);
    ASSERT_EQ(1u, table.entries.count("Play"));

    GameTesting::GameSettings settings;
    settings.renderer = "2d";
    settings.language = language;
    game = std::make_unique<GameHarness>(settings);
    ASSERT_TRUE(game->Start());
    ASSERT_TRUE(game->RunFrames(1)); // the language page applies the configured language
    CFileTranslator* translator = game->UI().GetFileTranslator();
    ASSERT_NE(nullptr, translator);
    EXPECT_EQ("interface>" + language + "/mainmenuscreen.xml", translator->Translate("interface>mainmenuscreen.xml"));
    EXPECT_EQ("sequence>jungle/" + language + "/arrival.xml", translator->Translate("sequence>jungle/arrival.xml"));

    // The main menu, its play button's word in the language, drawn in the button's ink.
    game->AddProfile("Ann");
    ASSERT_TRUE(game->SwitchTo("mainmenu"));
    auto* menu = dynamic_cast<CBookMenuScreen*>(game->Screens().FindScreen("mainmenu"));
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(game->RunUntil(
        [&] {
            return game->Screens().GetCurrentScreenName() == "mainmenu" &&
                   menu->GetStates().GetCurrentStateName() == "MainMenu" && !game->UI().GetFader()->IsFading();
        },
        "the main menu", 600, kWallSeconds));
    ASSERT_TRUE(game->RunFrames(40)); // the page turn's end
    UILib::CWindow* play = menu->GetPanel()->FindChildByName("playbutton", true);
    ASSERT_NE(nullptr, play);
    UILib::CLabel* word = nullptr;
    for (std::int32_t i = 0; i < play->GetChildCount() && word == nullptr; ++i)
    {
        auto* label = dynamic_cast<UILib::CLabel*>(UILib::CWindowManager::GetInstance()->Resolve(play->GetChildHandle(i)));
        word = label != nullptr && label->GetText().GetLength() > 0 ? label : nullptr;
    }
    ASSERT_NE(nullptr, word) << "the play button holds no word";
    EXPECT_EQ(table.entries.at("Play").translation, static_cast<const char*>(word->GetText()));
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "language_" + language + "_mainmenu"));
    int width = 0;
    int height = 0;
    Pixels frame = game->ReadFrame(width, height);
    ASSERT_FALSE(frame.empty());
    EXPECT_GT(PixelsNear(*game, frame, width, *word, word->GetFontColor()), 20) << "the word is not drawn";

    // The jungle map: its arrival opens over it and its first page types out in the language.
    game->World().GetGameContext()->GetProgress().SetCurrentMap(1);
    ASSERT_TRUE(game->SwitchTo("map"));
    auto* map = static_cast<CMapScreen*>(game->Screens().FindScreen("map"));
    ASSERT_TRUE(game->RunUntil(
        [&] {
            CQuarrowSequencePlayer* player = map->GetSequencePlayer();
            CDialogBox* box = player != nullptr ? player->GetDialogBox() : nullptr;
            return game->Screens().GetCurrentScreenName() == "map" && box != nullptr && box->IsFinished() &&
                   box->GetTextLabel()->GetText().GetLength() > 20 &&
                   !map->GetPanel()->IsAnimationPlaying("cutscene", true);
        },
        "the arrival's first page typed out", 1500, kWallSeconds));
    CDialogBox* box = map->GetSequencePlayer()->GetDialogBox();
    const std::string shown = static_cast<const char*>(box->GetTextLabel()->GetText());
    // The jungle's start cell plays the arrival as the map opens.
    const std::string expected = FirstText(kMedia / "sequences" / "jungle" / language / "arrival.xml", "arrival");
    ASSERT_GT(expected.size(), 20u);
    // The page is the text's start, broken into lines where the words wrap.
    std::string flat = shown;
    for (char& c : flat)
    {
        c = c == '\n' ? ' ' : c;
    }
    EXPECT_EQ(expected.substr(0, 20), flat.substr(0, 20));
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "language_" + language + "_arrival"));
    frame = game->ReadFrame(width, height);
    ASSERT_FALSE(frame.empty());
    EXPECT_GT(PixelsNear(*game, frame, width, *box->GetTextLabel(), BaseLib::CColor(60, 36, 20, 255)), 200)
        << "the page's letters are not drawn";
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguagePagesTest, ::testing::ValuesIn(MediaGen::TranslationLanguages()), Name);
