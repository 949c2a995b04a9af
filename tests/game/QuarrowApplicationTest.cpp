#include "engine/QenApplication.h"
#include "foundation/ConfigFile.h"
#include "foundation/PathAliases.h"
#include "foundation/Paths.h"
#include "game/GameContext.h"
#include "game/QuarrowApplication.h"
#include "game/QuarrowWorld.h"
#include "platform/os/Cursor.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/MessageBox.h"
#include "tests/support/ApplicationTest.h"
#include "ui/WindowManager.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace
{

// The game's application with its class record and display settings in view; its frames end the run
// after `quitAfter` of them.
class TestGame : public CQuarrowApplication
{
public:
    TestGame() : CQuarrowApplication(Platform::GetModuleHandleA(nullptr)) {}

    void Tick() override
    {
        CQuarrowApplication::Tick();
        if (onTick)
        {
            onTick(*this);
        }
        if (++ticks >= quitAfter)
        {
            Quit();
        }
    }

    const Platform::WindowClass& Class() const { return m_windowClass; }
    const Qen::CDisplaySettings& Settings() const { return m_displaySettings; }

    int ticks = 0;
    int quitAfter = 2;
    std::function<void(TestGame&)> onTick;
};

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    {
        ++count;
    }
    return count;
}

// A fresh working folder per test; the home folder and the configuration folder of the environment, and
// the window system's system cursors, are put back afterwards.
class GameApplicationTest : public TestSupport::ApplicationTest
{
protected:
    void SetUp() override
    {
        ApplicationTest::SetUp();
        for (auto& [name, value] : m_saved)
        {
            if (const char* text = std::getenv(name))
            {
                value = text;
            }
        }
        // Home is elsewhere unless a test says otherwise: "config.xml" stays in the working folder.
        std::filesystem::create_directories(Folder() / "home");
        setenv("HOME", (Folder() / "home").c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override
    {
        UILib::SetSystemCursorsEnabled(true);
        for (const auto& [name, value] : m_saved)
        {
            if (value)
            {
                setenv(name, value->c_str(), 1);
            }
            else
            {
                unsetenv(name);
            }
        }
        ApplicationTest::TearDown();
    }

    static void WriteGameConfig(const std::string& application)
    {
        std::ofstream("config.xml")
            << "<configuration><application><windowsize><cx>320</cx><cy>240</cy></windowsize>"
               "<fullscreen>false</fullscreen>"
            << application
            << "</application><graphic><antialiasing>off</antialiasing></graphic>"
               "<sound><soundenabled>false</soundenabled></sound></configuration>\n";
    }

private:
    std::pair<const char*, std::optional<std::string>> m_saved[2] = {{"HOME", {}}, {"XDG_CONFIG_HOME", {}}};
};

TEST_F(GameApplicationTest, TheClassRecordTheCursorAndTheDepthFormat)
{
    std::filesystem::copy_file(QUARROW_TEST_DATA_DIR "/ombrel.cur", "ombrel.cur");
    TestGame game;
    EXPECT_STREQ("Ombrel", game.Class().className);
    EXPECT_EQ(0x48u, game.Class().style);
    EXPECT_EQ(Platform::LoadIconA(Platform::GetModuleHandleA(nullptr), 101), game.Class().icon);
    EXPECT_NE(nullptr, game.Class().cursor);
    for (const Platform::Gfx::PresentParameters& record : game.Settings().records)
    {
        EXPECT_EQ(77u, record.AutoDepthStencilFormat);
    }
    // The window manager is made later, at start-up: it starts with system cursors off.
    UILib::CWindowManager manager;
    manager.SetCursorType(11);
    EXPECT_STREQ("", manager.GetCursorTypeName());
}

TEST_F(GameApplicationTest, WithoutACursorFileTheDefaultCursorStandsWithoutABox)
{
    Platform::DebugOutputCapture trace;
    TestGame game;
    EXPECT_EQ(nullptr, game.Class().cursor);
    EXPECT_TRUE(boxes.empty());
    EXPECT_NE(std::string::npos, trace.Text().find("ombrel.cur"));
}

TEST_F(GameApplicationTest, TheLanguageKeyIsWrittenWithItsDescriptionAndClampedToItsValues)
{
    WriteGameConfig("<language>klingon</language>");
    TestGame game;
    game.LoadConfiguration();
    EXPECT_EQ("ask", game.GetConfiguration()->GetString("application/language"));
    EXPECT_NE(nullptr, game.GetConfiguration()->FindEntry("application/mediadir")); // the framework's keys
    const std::string written = ReadFile("config.xml");
    EXPECT_NE(std::string::npos,
              written.find("<!-- game language; 'ask' will display a selection screen before the game starts -->"));
    EXPECT_NE(std::string::npos, written.find("<language>ask</language>"));

    WriteGameConfig("<language>german</language>");
    game.LoadConfiguration();
    EXPECT_EQ("german", game.GetConfiguration()->GetString("application/language"));
}

TEST_F(GameApplicationTest, EveryContentAliasResolvesIntoItsFolderOfTheMediaFolder)
{
    const std::string media = (Folder() / "content").string();
    WriteGameConfig("<mediadir>" + media + "</mediadir>");
    std::filesystem::create_directory(media);
    TestGame game;
    game.LoadConfiguration();
    Platform::DebugOutputCapture trace;
    game.RegisterPathAliases();
    EXPECT_EQ(std::string::npos, trace.Text().find("media folder"));
    const char* const folders[][2] = {
        {"texture", "textures"}, {"xfl-texture", "textures"}, {"shader", "shader"},     {"xfl-shader", "shader"},
        {"model", "models"},     {"animation", "animations"}, {"sound", "sounds"},      {"interface", "interface"},
        {"level", "levels"},     {"environment", "environments"}, {"sequence", "sequences"}};
    const BaseLib::CPathAliases& aliases = game.GetPathAliases();
    for (const auto& [alias, folder] : folders)
    {
        EXPECT_EQ(BaseLib::NormalizePath(media + "/" + folder + "/x"), aliases.ResolvePath(std::string(alias) + ">x"))
            << alias;
    }
    // Not registered: the unknown alias is dropped.
    EXPECT_EQ("x", aliases.ResolvePath("fx-texture>x"));
}

TEST_F(GameApplicationTest, AMissingMediaFolderIsTracedOnceAndTheGameRuns)
{
    WriteGameConfig("<mediadir>nowhere</mediadir>");
    // The shared effect pool's file is missing too: its box is answered as an unattended run answers it,
    // which goes on without the pool.
    const Platform::MessageBoxAnswerer recording = Platform::SetMessageBoxAnswerer(
        [](const char*, const char*, std::uint32_t style) { return Platform::UnattendedAnswer(style); });
    TestGame game;
    bool worldSeen = false;
    game.onTick = [&](TestGame& g) {
        ASSERT_NE(nullptr, g.GetWorld());
        ASSERT_NE(nullptr, g.GetWorld()->GetGameContext());
        EXPECT_EQ(GameContext::NoGame, g.GetWorld()->GetGameContext()->GetState());
        EXPECT_NE(nullptr, g.GetUserInterface());
        worldSeen = true;
    };
    Platform::DebugOutputCapture trace;
    EXPECT_EQ(0, Qen::RunApplication(&game));
    EXPECT_EQ(2, game.ticks);
    EXPECT_TRUE(worldSeen);
    EXPECT_EQ(1, CountOf(trace.Text(), "media folder \"nowhere\""));
    EXPECT_EQ(nullptr, game.GetWorld());
    EXPECT_EQ(nullptr, game.GetUserInterface());
    Platform::SetMessageBoxAnswerer(recording);
}

TEST_F(GameApplicationTest, ConfigurationFileByThePlayerFileRule)
{
    const std::filesystem::path userFile = Folder() / ".config/quarrow/config.xml";
    {
        // Started in the home folder itself: the file goes to the user's configuration folder.
        setenv("HOME", Folder().c_str(), 1);
        TestGame game;
        game.LoadConfiguration();
        EXPECT_TRUE(std::filesystem::is_regular_file(userFile));
        EXPECT_FALSE(std::filesystem::exists("config.xml"));
    }
    {
        // A file of the working folder seeds a user file that does not exist yet, and stays as it was.
        std::filesystem::remove(userFile);
        WriteGameConfig("<language>german</language>");
        const std::string shipped = ReadFile("config.xml");
        TestGame game;
        game.LoadConfiguration();
        EXPECT_EQ("german", game.GetConfiguration()->GetString("application/language"));
        EXPECT_NE(std::string::npos, ReadFile(userFile).find("<language>german</language>"));
        EXPECT_EQ(shipped, ReadFile("config.xml"));
    }
    {
        // Home elsewhere: the working folder's own file.
        setenv("HOME", (Folder() / "home").c_str(), 1);
        std::filesystem::remove("config.xml");
        TestGame game;
        game.LoadConfiguration();
        EXPECT_EQ("config.xml", game.GetConfigFileName());
        EXPECT_TRUE(std::filesystem::is_regular_file("config.xml"));
        EXPECT_FALSE(std::filesystem::exists(Folder() / "home/.config"));
    }
}

} // namespace
