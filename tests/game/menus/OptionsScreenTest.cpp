// The options page in the running game, on the test book and layout of data/options, with a recording
// sound device as device 0 and a stand-in main menu. Clicks and Escape are real input events, so these
// tests run alone.
#include "game/menus/OptionsScreen.h"
#include "game/QuarrowUI.h"
#include "game/savegame/QuarrowSaveGame.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"
#include "platform/os/UserFiles.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/game/menus/MenuTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace
{

using GameTesting::GameHarness;
using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;
using MenuTesting::ColourAt;

constexpr const char* kMusic = "sound>music/titel01_var01.wav";

class OptionsScreenTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        game = std::make_unique<GameHarness>(MenuTesting::OptionsSettings());
        ASSERT_TRUE(game->Start());
        sound = &RecordingSoundDevice::Install();
        MenuTesting::AddStandIns(*game, {"mainmenu", "loadsavedgames"});
        game->FocusWindow();
        ASSERT_TRUE(game->RunFrames(1));
    }
    void TearDown() override
    {
        game.reset();
        RecordingSoundDevice::Uninstall();
    }

    COptionsScreen& Options() { return *static_cast<COptionsScreen*>(game->Screens().FindScreen("options")); }
    // From the stand-in main menu (the title music playing) to the options, waiting for the player.
    ::testing::AssertionResult Open()
    {
        if (!game->SwitchTo("mainmenu") || !game->SwitchTo("options"))
        {
            return ::testing::AssertionFailure() << "no options";
        }
        return game->RunUntil(
            [&] {
                return game->Screens().GetCurrentScreenName() == "options" &&
                       Options().GetStates().GetCurrentStateName() == "MainMenu";
            },
            "the options");
    }
    ::testing::AssertionResult WaitForMainMenu()
    {
        return game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "mainmenu"; },
                              "the main menu");
    }
    UILib::CWindow& Window(const char* name)
    {
        UILib::CWindow* window = Options().GetPanel()->FindChildByName(BaseLib::CString(name), true);
        EXPECT_NE(nullptr, window) << name;
        return *window;
    }
    ::testing::AssertionResult ClickOn(const char* name) { return game->Click(game->CentreOf(Window(name))); }
    CQuarrowSaveGame& Profile() { return *game->UI().GetSaveGameManager()->GetSaveGameList().GetCurrent(); }
    std::filesystem::path SavedGamesFile() const
    {
        return Platform::UserFilePath(Platform::UserFileKind::Data, CSaveGameList::FileName);
    }
    // The options of the first profile of "savedgames.bin" as a fresh list reads it.
    ::testing::AssertionResult StoredOptions(SaveGameOptions& options) const
    {
        CSaveGameList list;
        if (!list.Load() || list.GetCount() != 1)
        {
            return ::testing::AssertionFailure() << "savedgames.bin does not hold the one profile";
        }
        options = list.Get(0)->GetOptions();
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<GameHarness> game;
    RecordingSoundDevice* sound = nullptr;
};

TEST_F(OptionsScreenTest, ChecksFollowTheProfileAndTheMusicSwitchesAtOnce)
{
    game->AddProfile("Ann").GetOptions().cameraFlag = 0;
    ASSERT_TRUE(Open());
    EXPECT_TRUE(sound->IsPlaying(kMusic));
    EXPECT_TRUE(Window("musiccheck").IsVisible());
    EXPECT_TRUE(Window("freecameracheck").IsVisible());

    // The page as drawn: both checks on page 1 of the book.
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "options"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(0x1EA028u, ColourAt(picture, width, game->CentreOf(Window("musiccheck"))));
    EXPECT_EQ(0xC8B414u, ColourAt(picture, width, game->CentreOf(Window("freecameracheck"))));
    EXPECT_TRUE(
        GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "options_read_back", width, height, picture));

    // Music off stops the title music at once and reaches the profile at once; on starts it again. The
    // toggles make no menu sound.
    sound->ClearLog();
    const BaseLib::CPoint musicCheckCentre = game->CentreOf(Window("musiccheck"));
    ASSERT_TRUE(ClickOn("musicbutton"));
    EXPECT_FALSE(sound->IsPlaying(kMusic));
    EXPECT_FALSE(Window("musiccheck").IsVisible());
    EXPECT_EQ(0, Profile().GetOptions().music);
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "options_music_off"));
    const GameTesting::Pixels musicOff = game->ReadFrame(width, height);
    ASSERT_FALSE(musicOff.empty());
    EXPECT_NE(0x1EA028u, ColourAt(musicOff, width, musicCheckCentre));
    EXPECT_TRUE(GameHarness::WritePicture(QUARROW_TEST_OUTPUT_DIR, "options_music_off_read_back", width,
                                          height, musicOff));
    ASSERT_TRUE(ClickOn("musicbutton"));
    EXPECT_TRUE(sound->IsPlaying(kMusic));
    EXPECT_TRUE(Window("musiccheck").IsVisible());
    EXPECT_EQ(1, Profile().GetOptions().music);
    EXPECT_EQ(0u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
    EXPECT_EQ(0u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
    EXPECT_FALSE(std::filesystem::exists(SavedGamesFile()));
}

// The free camera reaches the profile and the file when the page is left, by "backbutton" (with the
// cancel sound) and by Escape (without).
TEST_F(OptionsScreenTest, TheFreeCameraIsStoredAndWrittenWhenThePageIsLeft)
{
    game->AddProfile("Ann").GetOptions().cameraFlag = 0;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ClickOn("freecamerabutton"));
    EXPECT_FALSE(Window("freecameracheck").IsVisible());
    EXPECT_EQ(0, Profile().GetOptions().cameraFlag);
    sound->ClearLog();
    ASSERT_TRUE(ClickOn("backbutton"));
    ASSERT_TRUE(WaitForMainMenu());
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
    EXPECT_EQ(1, Profile().GetOptions().cameraFlag);
    SaveGameOptions stored;
    ASSERT_TRUE(StoredOptions(stored));
    EXPECT_EQ(1, stored.cameraFlag);
    EXPECT_EQ(1, stored.music);

    ASSERT_TRUE(Open());
    EXPECT_FALSE(Window("freecameracheck").IsVisible());
    ASSERT_TRUE(ClickOn("freecamerabutton"));
    EXPECT_TRUE(Window("freecameracheck").IsVisible());
    sound->ClearLog();
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(WaitForMainMenu());
    EXPECT_EQ(0u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
    EXPECT_EQ(0, Profile().GetOptions().cameraFlag);
    ASSERT_TRUE(StoredOptions(stored));
    EXPECT_EQ(0, stored.cameraFlag);
}

// Without a current profile the page shows the defaults, switches the music all the same and writes
// nothing.
TEST_F(OptionsScreenTest, WithoutAProfileTheDefaultsShowAndNothingIsWritten)
{
    ASSERT_TRUE(Open());
    EXPECT_TRUE(Window("musiccheck").IsVisible());
    EXPECT_FALSE(Window("freecameracheck").IsVisible());
    ASSERT_TRUE(ClickOn("musicbutton"));
    EXPECT_FALSE(sound->IsPlaying(kMusic));
    ASSERT_TRUE(ClickOn("freecamerabutton"));
    ASSERT_TRUE(ClickOn("backbutton"));
    ASSERT_TRUE(WaitForMainMenu());
    EXPECT_FALSE(std::filesystem::exists(SavedGamesFile()));
    EXPECT_EQ(SaveGameOptions{}, game->UI().GetSaveGameManager()->GetCurrentOptions());
    // The next visit starts from the defaults again.
    ASSERT_TRUE(Open());
    EXPECT_TRUE(Window("musiccheck").IsVisible());
    EXPECT_FALSE(Window("freecameracheck").IsVisible());
}

} // namespace
