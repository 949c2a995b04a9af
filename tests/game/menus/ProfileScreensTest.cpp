// The start-up step that reads the saved games and the profile page, in the running game with a small
// test layout of the page (data/profile/filemenuscreen.xml: bare slots and buttons over coloured panels).
// The page's tests click and type with real input events, so they run alone.
#include "framework/UIScreen.h"
#include "game/QuarrowUI.h"
#include "game/QuarrowWorld.h"
#include "game/ScreenFader.h"
#include "game/menus/FileMenuScreen.h"
#include "game/menus/LoadSavedGamesScreen.h"
#include "game/savegame/QuarrowSaveGame.h"
#include "game/savegame/SaveGameList.h"
#include "game/savegame/SaveGameManager.h"
#include "platform/os/ComputerName.h"
#include "platform/os/EventInjection.h"
#include "tests/game/harness/GameHarness.h"
#include "tests/game/harness/RecordingSoundDevice.h"
#include "ui/Window.h"
#include "ui/WindowManager.h"
#include "ui/controls/EditControl.h"
#include "ui/controls/Label.h"
#include "ui/controls/ToggleButton.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{

using GameTesting::GameHarness;
using GameTesting::GameSettings;
using GameTesting::RecordingSoundDevice;
using GameTesting::SoundEvent;

// Where the page leads: a screen that only stands there.
class StandInScreen : public CQuarrowUIScreen
{
public:
    StandInScreen(CQuarrowUI* ui, CQuarrowWorld* world) : CQuarrowUIScreen(ui, world) {}
    void Update() override {}
};

GameSettings ProfileSettings()
{
    GameSettings settings;
    settings.aliases = {{"interface", std::string(QUARROW_TEST_DATA_DIR) + "/profile"}};
    return settings;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> NamesOf(const CSaveGameList& list)
{
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < list.GetCount(); ++i)
    {
        names.push_back(list.Get(i)->GetName());
    }
    return names;
}

// The start-up step in the harness's working folder, reached by the game's own start: what the file holds
// decides the profiles, and every visit ends on the logo.
TEST(LoadSavedGamesTest, ReadsTheFileMakesSureOfOneProfileAndGoesOnToTheLogo)
{
    CSaveGameList two;
    two.Get(two.Add())->SetName("Ann");
    two.Get(two.Add())->SetName("Bob");
    two.SetCurrentIndex(0);
    const std::string twoProfiles = two.WriteToBytes();
    const std::string damaged = std::string("\0\0\0\0\0\0\0\2\0\0\0\3Ann", 15);
    const struct
    {
        const char* what;
        const std::string* file; // null: none
        std::vector<std::string> names;
        std::int32_t current;
        bool keptAside;
    } rows[] = {{"no file", nullptr, {Platform::GetComputerName()}, 0, false},
                {"two profiles", &twoProfiles, {"Ann", "Bob"}, 0, false},
                {"damaged", &damaged, {Platform::GetComputerName()}, 0, true}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        GameSettings settings = ProfileSettings();
        settings.startFlow = true;
        GameHarness game(settings);
        if (row.file != nullptr)
        {
            std::ofstream(game.Folder() / CSaveGameList::FileName, std::ios::binary) << *row.file;
        }
        ASSERT_TRUE(game.Start());
        game.AddScreen("logo", new StandInScreen(&game.UI(), &game.World()));
        // The game's own start: the language page, configured, goes on to the saved games at once.
        ASSERT_TRUE(
            game.RunUntil([&] { return game.Screens().GetCurrentScreenName() == "logo"; }, "the logo"));
        EXPECT_EQ("loadsavedgames", game.Screens().GetPreviousScreenName());
        const CSaveGameList& list = game.UI().GetSaveGameManager()->GetSaveGameList();
        EXPECT_EQ(row.names, NamesOf(list));
        EXPECT_EQ(row.current, list.GetCurrentIndex());
        EXPECT_EQ(row.keptAside, std::filesystem::exists(game.Folder() / "savedgames.bin.damaged"));
        if (row.keptAside)
        {
            EXPECT_EQ(damaged, ReadFile(game.Folder() / "savedgames.bin.damaged"));
        }

        // A second visit loads again: the profile made here stays, as nothing was written.
        auto* screen = static_cast<CLoadSavedGamesScreen*>(game.Screens().FindScreen("loadsavedgames"));
        ASSERT_TRUE(game.SwitchTo("loadsavedgames"));
        EXPECT_FALSE(screen->IsLoaded());
        ASSERT_TRUE(
            game.RunUntil([&] { return game.Screens().GetCurrentScreenName() == "logo"; }, "the logo again"));
        EXPECT_EQ(row.names, NamesOf(list));
    }
}

class FileMenuTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        game = std::make_unique<GameHarness>(ProfileSettings());
        ASSERT_TRUE(game->Start());
        sound = &RecordingSoundDevice::Install();
        game->AddScreen("mainmenu", new StandInScreen(&game->UI(), &game->World()));
        game->FocusWindow();
    }
    void TearDown() override
    {
        game.reset();
        RecordingSoundDevice::Uninstall();
    }

    CFileMenuScreen& Page() { return *static_cast<CFileMenuScreen*>(game->Screens().FindScreen("filemenu")); }
    CSaveGameList& Profiles() { return game->UI().GetSaveGameManager()->GetSaveGameList(); }
    void AddProfiles(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
        {
            game->AddProfile(name);
        }
    }
    // Switches to the page and waits until it takes the player's input.
    ::testing::AssertionResult Open()
    {
        if (!game->SwitchTo("filemenu"))
        {
            return ::testing::AssertionFailure() << "no screen filemenu";
        }
        return game->RunUntil([&] { return Page().GetStates().GetCurrentStateName() == "MainMenu"; },
                              "the page");
    }
    UILib::CWindow& Window(const std::string& name)
    {
        UILib::CWindow* window = Page().GetPanel()->FindChildByName(BaseLib::CString(name.c_str()), true);
        EXPECT_NE(nullptr, window) << name;
        return *window;
    }
    UILib::CToggleButton& Slot(int number)
    {
        return static_cast<UILib::CToggleButton&>(Window("profile" + std::to_string(number)));
    }
    std::string NameShown(int number)
    {
        return static_cast<const char*>(
            static_cast<UILib::CLabel*>(Slot(number).FindChildByName(BaseLib::CString("label"), false))
                ->GetText());
    }
    bool Visible(const std::string& name) { return Window(name).IsVisible(); }
    bool Enabled(const std::string& name) { return !Window(name).IsDisabled(); }
    ::testing::AssertionResult ClickOn(const std::string& name)
    {
        return game->Click(game->CentreOf(Window(name)));
    }
    // Each character as a key press with the text the system types for it.
    ::testing::AssertionResult Type(const std::string& text)
    {
        for (const char c : text)
        {
            const std::string key = c == ' '   ? std::string("Space")
                                    : c == '!' ? std::string("1")
                                               : std::string(1, static_cast<char>(std::toupper(c)));
            if (!game->KeyDown(key) || !Platform::InjectText(game->Window(), std::string(1, c).c_str()))
            {
                return ::testing::AssertionFailure() << "the key " << key << " was refused";
            }
            if (::testing::AssertionResult run = game->RunFrames(1); !run)
            {
                return run;
            }
            if (!game->KeyUp(key))
            {
                return ::testing::AssertionFailure() << "the key " << key << " was refused on release";
            }
            if (::testing::AssertionResult run = game->RunFrames(1); !run)
            {
                return run;
            }
        }
        return ::testing::AssertionSuccess();
    }
    std::string EditText() { return static_cast<const char*>(Page().GetNameEdit()->GetText()); }

    std::unique_ptr<GameHarness> game;
    RecordingSoundDevice* sound = nullptr;
};

// Which slots show and which buttons act, for lists of one, three, seven and nine profiles.
TEST_F(FileMenuTest, SlotsAndButtonsFollowTheProfiles)
{
    const struct
    {
        int count;
        std::int32_t current;
        bool canAdd;    // new and copy
        bool canDelete; // delete
        bool canRename;
    } rows[] = {{1, 0, true, false, true},
                {3, 1, true, true, true},
                {7, 6, false, true, true},
                // More than the page holds (from a file): the first seven show, none as current.
                {9, 8, false, true, false}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.count);
        Profiles().Clear();
        for (int i = 0; i < row.count; ++i)
        {
            game->AddProfile("P" + std::to_string(i)).GetProgress().SetTreasureGold(10 * i + 1);
        }
        Profiles().SetCurrentIndex(row.current);
        ASSERT_TRUE(Open());
        for (int slot = 1; slot <= CFileMenuScreen::SlotCount; ++slot)
        {
            SCOPED_TRACE(slot);
            const bool used = slot <= row.count;
            const bool current = slot - 1 == row.current;
            const std::string prefix = "profile" + std::to_string(slot);
            EXPECT_EQ(used, Slot(slot).IsVisible());
            EXPECT_EQ(used, Visible(prefix + "_coin"));
            EXPECT_EQ(used, Visible(prefix + "_goldlabel"));
            EXPECT_EQ(current, Visible(prefix + "_flag"));
            EXPECT_EQ(current, Slot(slot).GetState());
            if (used)
            {
                EXPECT_EQ("P" + std::to_string(slot - 1), NameShown(slot));
                EXPECT_STREQ(std::to_string(10 * (slot - 1) + 1).c_str(),
                             static_cast<UILib::CLabel&>(Window(prefix + "_goldlabel")).GetText());
            }
        }
        EXPECT_EQ(row.canAdd, Enabled("newbutton"));
        EXPECT_EQ(row.canAdd, Enabled("copybutton"));
        EXPECT_EQ(row.canDelete, Enabled("deletebutton"));
        EXPECT_EQ(row.canRename, Enabled("renamebutton"));
        // A disabled button does nothing.
        const std::int32_t count = Profiles().GetCount();
        if (!row.canAdd)
        {
            ASSERT_TRUE(ClickOn("newbutton"));
            ASSERT_TRUE(ClickOn("copybutton"));
            EXPECT_EQ(count, Profiles().GetCount());
        }
    }

    // A slot pressed becomes current with the activate sound.
    sound->ClearLog();
    ASSERT_TRUE(ClickOn("profile3"));
    EXPECT_EQ(2, Profiles().GetCurrentIndex());
    EXPECT_TRUE(Slot(3).GetState());
    EXPECT_FALSE(Slot(1).GetState());
    EXPECT_TRUE(Visible("profile3_flag"));
    EXPECT_TRUE(Enabled("renamebutton"));
    EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menuactivate.wav"));
    // Pressing the current slot again keeps it current and pressed.
    ASSERT_TRUE(ClickOn("profile3"));
    EXPECT_EQ(2, Profiles().GetCurrentIndex());
    EXPECT_TRUE(Slot(3).GetState());
}

TEST_F(FileMenuTest, CopyAndNewAddAProfileAndNewStartsItsRename)
{
    AddProfiles({"Ann", "Bob"});
    Profiles().GetCurrent()->GetProgress().SetTreasureGold(42);
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ClickOn("copybutton"));
    ASSERT_EQ(3, Profiles().GetCount());
    EXPECT_EQ(2, Profiles().GetCurrentIndex());
    EXPECT_EQ("Bob", NameShown(3));
    EXPECT_EQ(42, Profiles().Get(2)->GetProgress().GetTreasureGold());
    EXPECT_FALSE(Page().IsRenaming());

    ASSERT_TRUE(ClickOn("newbutton"));
    ASSERT_EQ(4, Profiles().GetCount());
    EXPECT_EQ(3, Profiles().GetCurrentIndex());
    EXPECT_EQ(0, Profiles().Get(3)->GetProgress().GetTreasureGold());
    ASSERT_TRUE(Page().IsRenaming());
    EXPECT_EQ(Platform::GetComputerName(), EditText());
    for (const char* button : {"newbutton", "copybutton", "deletebutton", "renamebutton"})
    {
        EXPECT_FALSE(Enabled(button)) << button;
    }
    EXPECT_TRUE(Enabled("backbutton"));
    // The field lies over the new slot's name and has the keyboard.
    UILib::CEditControl& edit = *Page().GetNameEdit();
    const UILib::CWindow& name = *Slot(4).FindChildByName(BaseLib::CString("label"), false);
    EXPECT_EQ(name.GetScreenPosition().x, edit.GetScreenPosition().x);
    EXPECT_EQ(name.GetScreenPosition().y, edit.GetScreenPosition().y);
    EXPECT_EQ(name.GetSize().cx, edit.GetSize().cx);
    EXPECT_EQ(edit.GetHandle(), UILib::CWindowManager::GetInstance()->GetFocus());
    EXPECT_EQ(CFileMenuScreen::NameLimit, edit.GetTextLimit());
    EXPECT_FALSE(edit.GetFrame());

    ASSERT_TRUE(game->PressKey("Backspace"));
    ASSERT_TRUE(Type("Cy"));
    ASSERT_TRUE(game->PressKey("Return"));
    EXPECT_FALSE(Page().IsRenaming());
    EXPECT_EQ(Platform::GetComputerName().substr(0, Platform::GetComputerName().size() - 1) + "Cy",
              Profiles().Get(3)->GetName());
    EXPECT_EQ(Profiles().Get(3)->GetName(), NameShown(4));
    EXPECT_EQ(0, Page().GetNameEdit()->GetParentHandle());
    EXPECT_TRUE(Enabled("renamebutton"));
}

// The confirmation is modal: nothing else on the page takes a click while it shows. No deletes nothing,
// yes deletes the current profile.
TEST_F(FileMenuTest, DeleteAsksFirstAndOnlyYesDeletes)
{
    AddProfiles({"Ann", "Bob", "Cy"});
    Profiles().SetCurrentIndex(1);
    ASSERT_TRUE(Open());
    UILib::CWindowManager& windows = *UILib::CWindowManager::GetInstance();
    for (const bool yes : {false, true})
    {
        SCOPED_TRACE(yes ? "yes" : "no");
        ASSERT_TRUE(ClickOn("deletebutton"));
        EXPECT_TRUE(Visible("confirmdialog"));
        EXPECT_TRUE(Visible("darkeningpanel"));
        EXPECT_EQ(&Window("confirmdialog"), windows.GetTopModalWindow());
        ASSERT_TRUE(ClickOn("newbutton"));
        ASSERT_TRUE(ClickOn("profile1"));
        EXPECT_EQ(3, Profiles().GetCount());
        EXPECT_EQ(1, Profiles().GetCurrentIndex());
        ASSERT_TRUE(ClickOn(yes ? "yesbutton" : "nobutton"));
        EXPECT_FALSE(Visible("confirmdialog"));
        EXPECT_FALSE(Visible("darkeningpanel"));
        EXPECT_EQ(nullptr, windows.GetTopModalWindow());
    }
    EXPECT_EQ((std::vector<std::string>{"Ann", "Cy"}), NamesOf(Profiles()));
    EXPECT_EQ(1, Profiles().GetCurrentIndex());
    EXPECT_FALSE(Slot(3).IsVisible());
    EXPECT_EQ("Cy", NameShown(2));
    // The page works again.
    ASSERT_TRUE(ClickOn("profile1"));
    EXPECT_EQ(0, Profiles().GetCurrentIndex());

    // Leaving with the confirmation open leaves no modal window behind.
    ASSERT_TRUE(ClickOn("deletebutton"));
    ASSERT_TRUE(game->SwitchTo("mainmenu"));
    EXPECT_EQ(nullptr, windows.GetTopModalWindow());
}

TEST_F(FileMenuTest, RenameTakesFourteenCharactersAndAnEmptyNameIsTheComputers)
{
    AddProfiles({"Ann"});
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ClickOn("renamebutton"));
    ASSERT_TRUE(Page().IsRenaming());
    EXPECT_EQ("Ann", EditText());
    EXPECT_EQ(3, Page().GetNameEdit()->GetModel().GetCursor());
    ASSERT_TRUE(Type("bcdefghijkl"));
    EXPECT_EQ("Annbcdefghijkl", EditText());
    // The fifteenth character changes nothing.
    ASSERT_TRUE(Type("z"));
    EXPECT_EQ("Annbcdefghijkl", EditText());
    ASSERT_TRUE(game->PressKey("Return"));
    EXPECT_EQ("Annbcdefghijkl", Profiles().Get(0)->GetName());

    ASSERT_TRUE(ClickOn("renamebutton"));
    for (int i = 0; i < 14; ++i)
    {
        ASSERT_TRUE(game->PressKey("Backspace"));
    }
    EXPECT_EQ("", EditText());
    ASSERT_TRUE(game->PressKey("Return"));
    EXPECT_EQ(Platform::GetComputerName(), Profiles().Get(0)->GetName());
    EXPECT_EQ(Platform::GetComputerName(), NameShown(1));
}

// The rename names the profile it began on, however the player ends it: by pressing another slot (with or
// without a change), by typing a name with spaces and Enter (which presses no slot), by Escape (the page
// stays until the next Escape).
TEST_F(FileMenuTest, ARenameNamesTheProfileItBeganOn)
{
    AddProfiles({"Ann", "Bob", "Cy"});
    Profiles().SetCurrentIndex(1);
    ASSERT_TRUE(Open());
    ASSERT_TRUE(ClickOn("renamebutton"));
    ASSERT_TRUE(Type("x"));
    ASSERT_TRUE(ClickOn("profile1"));
    EXPECT_FALSE(Page().IsRenaming());
    EXPECT_EQ((std::vector<std::string>{"Ann", "Bobx", "Cy"}), NamesOf(Profiles()));
    EXPECT_EQ(0, Profiles().GetCurrentIndex());

    // Unchanged text: the slot pressed ends the rename all the same.
    ASSERT_TRUE(ClickOn("profile2"));
    ASSERT_TRUE(ClickOn("renamebutton"));
    ASSERT_TRUE(ClickOn("profile3"));
    EXPECT_FALSE(Page().IsRenaming());
    EXPECT_EQ(0, Page().GetNameEdit()->GetParentHandle());
    EXPECT_EQ(2, Profiles().GetCurrentIndex());
    EXPECT_EQ((std::vector<std::string>{"Ann", "Bobx", "Cy"}), NamesOf(Profiles()));

    // Spaces and Enter go to the name alone.
    ASSERT_TRUE(ClickOn("profile1"));
    ASSERT_TRUE(ClickOn("renamebutton"));
    for (int i = 0; i < 3; ++i)
    {
        ASSERT_TRUE(game->PressKey("Backspace"));
    }
    ASSERT_TRUE(Type("Ann Lee"));
    ASSERT_TRUE(game->PressKey("Return"));
    ASSERT_TRUE(game->PressKey("Space"));
    EXPECT_EQ((std::vector<std::string>{"Ann Lee", "Bobx", "Cy"}), NamesOf(Profiles()));
    EXPECT_EQ(0, Profiles().GetCurrentIndex());
    EXPECT_TRUE(Slot(1).GetState());
    EXPECT_EQ("Ann Lee", NameShown(1));

    // Escape confirms; the next Escape leaves.
    ASSERT_TRUE(ClickOn("renamebutton"));
    ASSERT_TRUE(Type("!"));
    ASSERT_TRUE(game->PressKey("Escape"));
    EXPECT_FALSE(Page().IsRenaming());
    EXPECT_EQ("Ann Lee!", Profiles().Get(0)->GetName());
    ASSERT_TRUE(game->RunFrames(40));
    EXPECT_EQ("filemenu", game->Screens().GetCurrentScreenName());
    EXPECT_EQ("MainMenu", Page().GetStates().GetCurrentStateName());
    ASSERT_TRUE(game->PressKey("Escape"));
    ASSERT_TRUE(game->RunUntil([&] { return game->Screens().GetCurrentScreenName() == "mainmenu"; },
                               "the main menu"));
}

// Escape and the back button fade out to the main menu, and the list written on leaving reads back as
// the page showed it; a rename still running when the page is left is confirmed first.
TEST_F(FileMenuTest, LeavingFadesToTheMainMenuAndWritesTheProfiles)
{
    AddProfiles({"Ann", "Bob"});
    for (const bool escape : {true, false})
    {
        SCOPED_TRACE(escape ? "Escape" : "backbutton");
        ASSERT_TRUE(Open());
        EXPECT_TRUE(game->UI().IsCursorShown());
        ASSERT_TRUE(ClickOn("copybutton"));
        ASSERT_TRUE(ClickOn("renamebutton"));
        ASSERT_TRUE(Type(escape ? "E" : "B"));
        sound->ClearLog();
        if (escape)
        {
            // The first Escape ends the rename.
            ASSERT_TRUE(game->PressKey("Escape"));
            ASSERT_TRUE(game->PressKey("Escape"));
        }
        else
        {
            ASSERT_TRUE(ClickOn("backbutton"));
            EXPECT_EQ(1u, sound->Count(SoundEvent::Play, "sound>menucancel.wav"));
        }
        EXPECT_EQ("FadeOut", Page().GetStates().GetCurrentStateName());
        int frames = 0;
        ASSERT_TRUE(game->RunUntil(
            [&] {
                ++frames;
                return game->Screens().GetCurrentScreenName() == "mainmenu";
            },
            "the main menu"));
        EXPECT_NEAR(25, frames, 2);
        EXPECT_EQ(0.0f, game->UI().GetFader()->GetValue());
        EXPECT_FALSE(Page().GetPanel()->IsVisible());
        EXPECT_FALSE(game->UI().IsCursorShown());
        EXPECT_FALSE(Page().IsRenaming());

        CSaveGameList written;
        ASSERT_TRUE(written.Load());
        EXPECT_EQ(NamesOf(Profiles()), NamesOf(written));
        EXPECT_EQ(Profiles().GetCurrentIndex(), written.GetCurrentIndex());
    }
    EXPECT_EQ((std::vector<std::string>{"Ann", "Bob", "BobE", "BobEB"}), NamesOf(Profiles()));
}

// The page with three profiles, the second current, read back: each slot's face, the flag beside the
// current one only, a coin beside each used slot.
TEST_F(FileMenuTest, ThePageShowsTheProfilesSlots)
{
    AddProfiles({"Ann", "Bob", "Cy"});
    Profiles().Get(0)->GetProgress().SetTreasureGold(12);
    Profiles().Get(2)->GetProgress().SetTreasureGold(3);
    Profiles().SetCurrentIndex(1);
    ASSERT_TRUE(Open());
    ASSERT_TRUE(game->RunFrames(2));
    const std::string folder = QUARROW_TEST_OUTPUT_DIR;
    ASSERT_TRUE(game->Screenshot(folder, "profile_page"));
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_EQ(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), picture.size());
    ASSERT_FALSE(picture.empty());
    EXPECT_TRUE(GameHarness::WritePicture(folder, "profile_page_read_back", width, height, picture));
    const auto at = [&](const BaseLib::CPoint& p) {
        return picture[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(p.x)] &
               0xFFFFFFu;
    };
    for (int slot = 1; slot <= 4; ++slot)
    {
        SCOPED_TRACE(slot);
        const std::string prefix = "profile" + std::to_string(slot);
        const BaseLib::CRect face = game->WindowPixels(Window(prefix + "_face"));
        EXPECT_EQ(0xE6DCBEu, at(BaseLib::CPoint(face.right - 5, face.top + 3)));
        const BaseLib::CPoint flag = game->CentreOf(Window(prefix + "_flag"));
        EXPECT_EQ(slot == 2 ? 0xE61E1Eu : 0x3C3C46u, at(flag));
        const BaseLib::CPoint coin = game->WindowPoint(BaseLib::CPoint(360, 20 + (slot - 1) * 55 + 22));
        EXPECT_EQ(slot <= 3 ? 0xF0BE14u : 0x3C3C46u, at(coin));
    }
    // The names are drawn: dark pixels on the first slot's face, left of its middle.
    const BaseLib::CRect name =
        game->WindowPixels(*Slot(1).FindChildByName(BaseLib::CString("label"), false));
    int dark = 0;
    for (int y = name.top; y < name.bottom; ++y)
    {
        for (int x = name.left; x < name.left + 60; ++x)
        {
            dark += (at(BaseLib::CPoint(x, y)) & 0xFFu) < 0x80u;
        }
    }
    EXPECT_GT(dark, 10);
}

// The page with the game's own layout and pictures: every window it looks for is there, and a rename
// shows over the slot it names.
TEST_F(FileMenuTest, TheGamesOwnPageHasEveryWindow)
{
    game.reset();
    game = std::make_unique<GameHarness>();
    ASSERT_TRUE(game->Start());
    game->AddScreen("mainmenu", new StandInScreen(&game->UI(), &game->World()));
    game->FocusWindow();
    AddProfiles({"Ann", "Bob", "Cy"});
    Profiles().Get(0)->GetProgress().SetTreasureGold(12);
    Profiles().SetCurrentIndex(1);
    ASSERT_TRUE(Open());
    EXPECT_EQ(std::string::npos, game->Trace().find("FileMenu:")) << game->Trace();
    EXPECT_FALSE(Visible("confirmdialog"));
    EXPECT_FALSE(Visible("darkeningpanel"));
    EXPECT_EQ("Bob", NameShown(2));
    ASSERT_TRUE(ClickOn("renamebutton"));
    ASSERT_TRUE(Page().IsRenaming());
    ASSERT_TRUE(Type(" Lee"));
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "profile_page_media_rename"));
    ASSERT_TRUE(game->PressKey("Return"));
    EXPECT_EQ("Bob Lee", Profiles().Get(1)->GetName());
    ASSERT_TRUE(ClickOn("deletebutton"));
    EXPECT_TRUE(Visible("confirmdialog"));
    ASSERT_TRUE(game->Screenshot(QUARROW_TEST_OUTPUT_DIR, "profile_page_media_confirm"));
    // The confirmation shows undarkened in front of the darkening.
    int width = 0;
    int height = 0;
    const GameTesting::Pixels picture = game->ReadFrame(width, height);
    ASSERT_FALSE(picture.empty());
    const auto brightness = [&](int x, int y) {
        const std::uint32_t p =
            picture[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
        return static_cast<int>(((p >> 16) & 0xFFu) + ((p >> 8) & 0xFFu) + (p & 0xFFu));
    };
    const BaseLib::CRect dialog = game->WindowPixels(Window("confirmdialog"));
    const int middle = (dialog.top + dialog.bottom) / 2;
    EXPECT_GT(brightness(dialog.left + 20, middle), brightness(dialog.left - 20, middle) + 150);
    ASSERT_TRUE(ClickOn("nobutton"));
    EXPECT_EQ(3, Profiles().GetCount());
}

} // namespace
