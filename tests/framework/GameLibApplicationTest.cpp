#include "engine/AdapterRecord.h"
#include "framework/DebugStatistics.h"
#include "platform/gfx/Graphics.h"
#include "platform/input/InputDevices.h"
#include "platform/os/CommandLine.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/NamedMutex.h"
#include "sound/SoundDevice.h"
#include "sound/SoundDeviceRegistry.h"
#include "tests/framework/ApplicationFixture.h"
#include "ui/UILibSystem.h"
#include "ui/WindowFactory.h"

#include <tinyxml.h>

#include <dirent.h>
#include <map>
#include <sched.h>
#include <sys/wait.h>

namespace FrameworkTesting
{
namespace
{

const char* const kInstanceName = "Harwen - GameLibApplication";

TEST_F(ApplicationTest, ARunGoesThroughStartupGameObjectsFramesAndCleanupInOrder)
{
    WriteConfig();
    int shown = 5;
    GameLib::DebugStatistics::GetSlot("i shown = %d") = &shown;
    TestApplication application(false);
    application.quitAfter = 2;
    application.afterStartup = [](TestApplication& a) {
        // The mutex is held while the program runs.
        EXPECT_NE(nullptr, a.GetInstanceMutex());
        EXPECT_NE(nullptr, a.GetConfiguration());
    };
    EXPECT_EQ(0, Qen::RunApplication(&application));
    const std::vector<std::string> expected = {
        "IsAlreadyRunning", "Initialize", "StartSound device bound", "StartUILib", "Startup true",
        "CreateGameObjects", "RegisterPathAliases", "world Initialize", "ui Initialize",
        "Tick", "ui Update", "world Update 0.250000", "ui Frame",
        "Tick", "ui Update", "world Update 0.250000", "ui Frame",
        "DestroyGameObjects", "ui Shutdown", "ui deleted", "world Shutdown", "world deleted",
        "Cleanup", "StopSound", "StopUILib", "DeleteConfiguration, engine down", "no mutex"};
    EXPECT_EQ(expected, application.calls);
    EXPECT_EQ(nullptr, application.GetWorld());
    EXPECT_EQ(nullptr, application.GetUserInterface());
    EXPECT_EQ(nullptr, SoundLib::CSoundDeviceRegistry::GetExistingInstance());
    EXPECT_EQ(nullptr, UILib::CUILibSystem::GetInstance());
    EXPECT_EQ(0u, GameLib::DebugStatistics::GetCount());
    // The name is free again for the next copy.
    EXPECT_EQ(nullptr, Platform::OpenNamedMutex(kInstanceName));
    std::uint32_t pair[2] = {7, 7};
    application.FillPair(pair);
    EXPECT_EQ(1u, pair[0]);
    EXPECT_EQ(0u, pair[1]);
}

TEST_F(ApplicationTest, TheFrameworksOwnGameObjectsBelongToThisApplication)
{
    WriteConfig();
    TestApplication application;
    application.recordGameObjects = false;
    application.quitAfter = 1;
    application.onTick = [](TestApplication& a) {
        ASSERT_NE(nullptr, a.GetWorld());
        ASSERT_NE(nullptr, a.GetUserInterface());
        EXPECT_EQ(&a, a.GetWorld()->GetOwner());
        EXPECT_NE(nullptr, a.GetWorld()->GetSimulationClock()); // initialised
        EXPECT_EQ(&a, a.GetUserInterface()->GetApplication());
        // The controls were registered before the window system started.
        EXPECT_TRUE(UILib::CUILibSystem::GetInstance()->GetWindowFactory()->IsClassRegistered("CButton"));
        // The window system resolves through the engine's aliases; so does sound.
        EXPECT_EQ(&a.GetPathAliases(), UILib::CUILibSystem::GetInstance()->GetPathAliases());
        EXPECT_EQ(&a.GetPathAliases(), SoundLib::CSoundDeviceRegistry::GetInstance()->GetPathAliases());
    };
    Qen::RunApplication(&application);
    EXPECT_EQ(1, application.ticks);
    EXPECT_EQ(nullptr, application.GetWorld());
    EXPECT_EQ(nullptr, application.GetUserInterface());
}

TEST_F(ApplicationTest, AFailedEngineStartStillStartsSoundAndWindowsAndCleansUpEverything)
{
    WriteConfig();
    Platform::Input::FailInputCreation(true);
    TestApplication application;
    bool soundDevice = false;
    bool windowSystem = false;
    application.afterStartup = [&](TestApplication&) {
        SoundLib::CSoundDeviceRegistry* registry = SoundLib::CSoundDeviceRegistry::GetExistingInstance();
        soundDevice = registry != nullptr && registry->GetDevice(0) != nullptr;
        windowSystem = UILib::CUILibSystem::GetInstance() != nullptr;
    };
    Qen::RunApplication(&application);
    Platform::Input::FailInputCreation(false);
    EXPECT_FALSE(application.startupResult);
    EXPECT_TRUE(soundDevice);
    EXPECT_TRUE(windowSystem);
    const std::vector<std::string> expected = {
        "Initialize", "StartSound device bound", "StartUILib", "Startup false",
        "Cleanup", "StopSound", "StopUILib", "DeleteConfiguration, engine down", "no mutex"};
    EXPECT_EQ(expected, application.calls);
    EXPECT_EQ(nullptr, SoundLib::CSoundDeviceRegistry::GetExistingInstance());
    EXPECT_EQ(nullptr, UILib::CUILibSystem::GetInstance());
    EXPECT_EQ(nullptr, application.GetConfiguration());
}

TEST_F(ApplicationTest, DeviceLossReachesTheUserInterfaceBeforeTheEngineAndResetAfterIt)
{
    WriteConfig();
    TestApplication application;
    application.quitAfter = 3;
    application.onTick = [](TestApplication& a) {
        if (a.ticks == 1)
        {
            a.RequestDeviceReset();
        }
    };
    Qen::RunApplication(&application);
    const auto lost = std::find(application.calls.begin(), application.calls.end(),
                                "ui OnDeviceLost, heads attached");
    const auto reset = std::find(application.calls.begin(), application.calls.end(),
                                 "ui OnDeviceReset, heads attached");
    EXPECT_NE(application.calls.end(), lost);
    EXPECT_NE(application.calls.end(), reset);
    EXPECT_LT(lost, reset);
    EXPECT_EQ(3, application.ticks);
}

TEST_F(ApplicationTest, KeysAndMessagesGetTheUserInterfacesAnswerAndTrueWithoutOne)
{
    TestApplication application;
    const std::int32_t windowed = application.GetDisplaySettings().records[0].Windowed;
    // Escape does not toggle full screen as the engine would.
    EXPECT_TRUE(application.OnKeyDown(0x1B));
    EXPECT_EQ(windowed, application.GetDisplaySettings().records[0].Windowed);
    EXPECT_FALSE(application.IsLost());
    EXPECT_TRUE(application.HandleMessage(nullptr, Platform::WM_KEYDOWN, 0x1B, 0));

    application.CreateGameObjects();
    RecordingUserInterface* ui = application.RecordingUI();
    ui->keyAnswer = false;
    ui->messageAnswer = false;
    EXPECT_FALSE(application.OnKeyDown(0x21));
    EXPECT_FALSE(application.HandleMessage(nullptr, Platform::WM_KEYDOWN, 0x21, 0));
    ui->keyAnswer = true;
    ui->messageAnswer = true;
    EXPECT_TRUE(application.OnKeyDown(0x1B));
    EXPECT_TRUE(application.HandleMessage(nullptr, Platform::WM_KEYDOWN, 0x1B, 0));
    EXPECT_EQ(windowed, application.GetDisplaySettings().records[0].Windowed);
    application.DestroyGameObjects();
}

// The text of the comments right before an element, joined with "|".
std::string CommentsBefore(const TiXmlElement* element)
{
    std::vector<std::string> texts;
    for (const TiXmlNode* node = element->PreviousSibling(); node != nullptr && node->ToComment() != nullptr;
         node = node->PreviousSibling())
    {
        std::string text = node->Value();
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(' ') + 1);
        texts.insert(texts.begin(), text);
    }
    std::string joined;
    for (const std::string& text : texts)
    {
        joined += (joined.empty() ? "" : "|") + text;
    }
    return joined;
}

// Every value element of the file as "group/name" → (comments, value text; "cx x cy" for a size).
std::map<std::string, std::pair<std::string, std::string>> ReadEntries(const std::string& path)
{
    std::map<std::string, std::pair<std::string, std::string>> entries;
    TiXmlDocument document;
    if (!document.LoadFile(path.c_str()))
    {
        ADD_FAILURE() << path << " does not parse";
        return entries;
    }
    const TiXmlElement* root = document.RootElement();
    EXPECT_EQ(std::string("configuration"), root->Value());
    for (const TiXmlElement* group = root->FirstChildElement(); group != nullptr;
         group = group->NextSiblingElement())
    {
        for (const TiXmlElement* entry = group->FirstChildElement(); entry != nullptr;
             entry = entry->NextSiblingElement())
        {
            std::string value;
            if (const TiXmlElement* cx = entry->FirstChildElement("cx"))
            {
                value = std::string(cx->GetText()) + "x" + entry->FirstChildElement("cy")->GetText();
            }
            else
            {
                value = entry->GetText() != nullptr ? entry->GetText() : "";
            }
            entries[std::string(group->Value()) + "/" + entry->Value()] = {CommentsBefore(entry), value};
        }
    }
    return entries;
}

TEST_F(ApplicationTest, AFirstStartWritesEveryKeyWithItsDescriptionAndDefault)
{
    TestApplication application;
    application.LoadConfiguration();
    const std::map<std::string, std::pair<std::string, std::string>> expected = {
        {"application/mediadir",
         {"path to folder that contains content files|Default Value: ../media", "../media"}},
        {"application/windowsize",
         {"Screen or window resolution in pixels|Possible Values: (320, 200) - (2048, 2048)|Default Value: "
          "(1024, 768)",
          "1024x768"}},
        {"application/fullscreen",
         {"determines whether the application runs in fullscreen or in windowed mode|Possible Values: true, "
          "false|Default Value: true",
          "true"}},
        {"application/tripplebuffering",
         {"enables/disables tripple buffering|Possible Values: true, false|Default Value: true", "true"}},
        {"application/monitoraspect",
         {"sets the physical aspect ratio of the monitor|Possible Values: 4:3, 16:10, 16:9, autodetect|Default "
          "Value: autodetect",
          "autodetect"}},
        {"graphic/antialiasing",
         {"sets the anti-aliasing quality level|Possible Values: off, 0, 1, 2, 3|Default Value: 2", "2"}},
        {"sound/soundenabled",
         {"Determines whether sound AND music is enabled (false = complete silence!)|Possible Values: true, "
          "false|Default Value: true",
          "true"}},
        {"sound/eaxenabled",
         {"Determines whether EAX 2.0 Extensions will be used if available|Possible Values: true, false|Default "
          "Value: false",
          "false"}},
    };
    EXPECT_EQ(expected, ReadEntries("config.xml"));
}

TEST_F(ApplicationTest, AFileIsReadAndWrittenBackWithEveryKey)
{
    std::ofstream("config.xml") << "<configuration><application><windowsize><cx>800</cx><cy>600</cy></windowsize>"
                                   "</application><extra><unknown>1</unknown></extra></configuration>\n";
    TestApplication application;
    application.LoadConfiguration();
    EXPECT_EQ(BaseLib::CSize(800, 600), application.GetConfiguration()->GetSize("application/windowsize"));
    const auto entries = ReadEntries("config.xml");
    EXPECT_EQ(9u, entries.size()); // the eight keys and the value of a key registered later, if ever
    ASSERT_EQ(1u, entries.count("application/windowsize"));
    EXPECT_EQ("800x600", entries.at("application/windowsize").second);
    ASSERT_EQ(1u, entries.count("extra/unknown"));
    EXPECT_EQ("1", entries.at("extra/unknown").second);
    EXPECT_EQ("true", entries.at("sound/soundenabled").second);
    EXPECT_FALSE(std::filesystem::exists("config.xml.bad"));
}

TEST_F(ApplicationTest, AFileThatDoesNotParseIsKeptAsideAndDefaultsAreWritten)
{
    const std::string broken = "<configuration><application><windowsize><cx>800</cx><cy>600</cy></windowsize>"
                               "</applicaton></configuration>\n";
    std::ofstream("config.xml.bad") << "an older one";
    std::ofstream("config.xml") << broken;
    Platform::DebugOutputCapture capture;
    TestApplication application;
    application.LoadConfiguration();
    EXPECT_EQ(BaseLib::CSize(1024, 768), application.GetConfiguration()->GetSize("application/windowsize"));
    EXPECT_EQ(broken, ReadFile("config.xml.bad"));
    EXPECT_EQ(8u, ReadEntries("config.xml").size());
    const std::string warning =
        "Warning: config.xml could not be read; defaults used, the old file is kept as config.xml.bad\n";
    const std::string text = capture.Text();
    EXPECT_NE(std::string::npos, text.find(warning)) << text;
    EXPECT_EQ(text.find("Warning"), text.rfind("Warning")) << text;
}

TEST_F(ApplicationTest, TheThreeSwitchesSetDeveloperModeFullScreenAndTheSpecialAdapter)
{
    struct Case
    {
        const char* commandLine;
        bool developer;
        bool fullScreen;
        bool special;
    };
    const Case cases[] = {
        {"", false, true, false},
        {"-devmode false", false, true, false},
        {"-devmode true", true, false, false},
        {"-devmode true -fullscreen true", true, true, false},
        {"-devmode true -fullscreen", true, false, false}, // no value word: no effect
        {"-fullscreen", false, true, false},
        {"-devmode TRUE", true, false, false},
        {"-devmode 1", true, false, false},
        {"-devmode yes", false, true, false},
        {"-perfhud 1", false, true, true},
    };
    for (const Case& c : cases)
    {
        TestApplication application(true, c.commandLine);
        application.LoadConfiguration();
        application.ParseCommandLine();
        EXPECT_EQ(c.developer, application.IsDeveloperMode()) << c.commandLine;
        EXPECT_EQ(c.fullScreen, application.GetConfiguration()->GetBool("application/fullscreen")) << c.commandLine;
        EXPECT_EQ(c.special, application.GetPreferSpecialAdapter()) << c.commandLine;
    }
    // Without a text of its own the application reads the process's command line.
    const std::string previous = Platform::ProcessCommandLine();
    Platform::SetProcessCommandLine("-devmode 1");
    GameLib::CGameLibApplication fromProcess(nullptr, true);
    Platform::SetProcessCommandLine(previous);
    EXPECT_EQ("-devmode 1", fromProcess.GetCommandLine());
}

// Reads the adapters of the simulated graphics object into the application, as the engine's start-up does.
class AdapterApplication : public TestApplication
{
public:
    explicit AdapterApplication(Platform::Gfx::Graphics* graphics)
    {
        m_adapters = Qen::EnumerateAdapters(graphics, 1, &m_specialAdapter);
    }
};

Platform::Gfx::SimulatedAdapter GroupMember(std::uint32_t master, std::uint32_t inGroup)
{
    Platform::Gfx::SimulatedAdapter adapter;
    adapter.masterAdapterOrdinal = master;
    adapter.adapterOrdinalInGroup = inGroup;
    adapter.numberOfAdaptersInGroup = 2;
    return adapter;
}

TEST_F(ApplicationTest, ApplyConfigFillsEveryRecordOfEveryHeadAndAdapter)
{
    Platform::Gfx::SimulateAdapters({GroupMember(0, 0), GroupMember(0, 1), GroupMember(2, 0), GroupMember(2, 1)});
    Platform::Gfx::Graphics* graphics = Platform::Gfx::CreateGraphics(32);
    Platform::Gfx::StopSimulatingAdapters();
    ASSERT_NE(nullptr, graphics);
    struct Case
    {
        std::map<std::string, std::string> values;
        std::int32_t physicalWidth; // 0: as detected
        std::int32_t physicalHeight;
        std::uint32_t multiSampleType; // ~0u: as before
        std::uint32_t backBuffers;
        std::int32_t windowed;
    };
    const Case cases[] = {
        {{}, 0, 0, 1, 2, 0},
        {{{"graphic/antialiasing", "0"}}, 0, 0, 1, 2, 0},
        {{{"graphic/antialiasing", "off"}, {"application/fullscreen", "false"}}, 0, 0, ~0u, 2, 1},
        {{{"application/monitoraspect", "16:9"}, {"application/tripplebuffering", "false"}}, 160, 90, 1, 1, 0},
        {{{"application/monitoraspect", "16:10"}}, 160, 100, 1, 2, 0},
        {{{"application/monitoraspect", "4:3"}, {"application/windowsize", "640x480"}}, 40, 30, 1, 2, 0},
    };
    for (const Case& c : cases)
    {
        std::string label;
        {
            AdapterApplication application(graphics);
            ASSERT_EQ(2u, application.GetAdapters().size());
            std::vector<std::pair<std::int32_t, std::int32_t>> detected;
            for (Qen::CAdapterRecord* adapter : application.GetAdapters())
            {
                ASSERT_EQ(2u, adapter->monitors.size());
                for (const Qen::CMonitorEntry& monitor : adapter->monitors)
                {
                    detected.emplace_back(monitor.widthMillimetres, monitor.heightMillimetres);
                }
            }
            application.LoadConfiguration();
            BaseLib::CConfigFile& config = *application.GetConfiguration();
            for (const auto& [key, value] : c.values)
            {
                config.SetValueFromString(value.c_str(), *config.FindEntry(key));
                label += key + "=" + value + " ";
            }
            Qen::CDisplaySettings& settings = application.GetDisplaySettings();
            settings.SetMultiSampling(false, 5, -1);
            const std::uint32_t flags = settings.behaviorFlags;
            application.ApplyConfig();

            EXPECT_EQ(application.GetAdapters().front(), settings.chosenAdapter) << label;
            EXPECT_EQ(flags | 4u, settings.behaviorFlags) << label;
            std::size_t at = 0;
            for (Qen::CAdapterRecord* adapter : application.GetAdapters())
            {
                for (const Qen::CMonitorEntry& monitor : adapter->monitors)
                {
                    const auto expected = c.physicalWidth != 0 ? std::make_pair(c.physicalWidth, c.physicalHeight)
                                                               : detected[at];
                    EXPECT_EQ(expected, std::make_pair(monitor.widthMillimetres, monitor.heightMillimetres))
                        << label;
                    ++at;
                }
            }
            const BaseLib::CSize size = config.GetSize("application/windowsize");
            for (const Platform::Gfx::PresentParameters& record : settings.records)
            {
                EXPECT_EQ(static_cast<std::uint32_t>(size.cx), record.BackBufferWidth) << label;
                EXPECT_EQ(static_cast<std::uint32_t>(size.cy), record.BackBufferHeight) << label;
                EXPECT_EQ(c.windowed, record.Windowed) << label;
                EXPECT_EQ(c.backBuffers, record.BackBufferCount) << label;
                EXPECT_EQ(c.multiSampleType == ~0u ? 0u : c.multiSampleType, record.MultiSampleType) << label;
                const std::uint32_t quality =
                    c.multiSampleType == ~0u ? 5u : static_cast<std::uint32_t>(std::stoi(config.GetString("graphic/antialiasing")));
                EXPECT_EQ(quality, record.MultiSampleQuality) << label;
            }
        }
    }
    graphics->Release();
}

TEST_F(ApplicationTest, ASecondCopyIsRefusedWhileTheFirstHoldsTheName)
{
    WriteConfig();
    Platform::Handle held = Platform::CreateNamedMutex(kInstanceName);
    ASSERT_NE(nullptr, held);
    {
        TestApplication second(false);
        Qen::RunApplication(&second);
        EXPECT_EQ((std::vector<std::string>{"IsAlreadyRunning", "Startup false", "Cleanup", "StopSound",
                                            "StopUILib", "DeleteConfiguration, engine down", "no mutex"}),
                  second.calls);
        EXPECT_EQ((std::vector<std::string>{"Error|another Instance of this application is already running!|16"}),
                  boxes);
        EXPECT_EQ("Error", Platform::LastMessageBoxCaption());
        EXPECT_EQ(nullptr, second.Window(0)); // no window was made
    }
    // The refused copy closed only its own handle: the name is still held.
    Platform::Handle probe = Platform::OpenNamedMutex(kInstanceName);
    EXPECT_NE(nullptr, probe);
    Platform::CloseHandle(probe);
    Platform::CloseHandle(held);

    TestApplication first(false);
    first.quitAfter = 1;
    bool heldWhileRunning = false;
    first.onTick = [&](TestApplication&) {
        Platform::Handle running = Platform::OpenNamedMutex(kInstanceName);
        heldWhileRunning = running != nullptr;
        Platform::CloseHandle(running);
    };
    Qen::RunApplication(&first);
    EXPECT_TRUE(first.startupResult);
    EXPECT_TRUE(heldWhileRunning);
}

TEST_F(ApplicationTest, ALockLeftByACopyThatEndedDoesNotBlock)
{
    WriteConfig();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        ::_exit(Platform::CreateNamedMutex(kInstanceName) != nullptr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_EQ(0, WEXITSTATUS(status));
    TestApplication application(false);
    application.quitAfter = 1;
    Qen::RunApplication(&application);
    EXPECT_TRUE(application.startupResult);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ApplicationTest, SoundOffGivesTheSilentDeviceWithoutAThreadAndSoundOnTheRealOneWithIt)
{
    for (const bool enabled : {false, true})
    {
        WriteConfig(enabled);
        TestApplication application;
        application.quitAfter = 1;
        std::string name;
        bool thread = false;
        application.afterStartup = [&](TestApplication&) {
            SoundLib::CSoundDeviceRegistry* registry = SoundLib::CSoundDeviceRegistry::GetInstance();
            ASSERT_EQ(1, registry->GetDeviceCount());
            name = registry->GetDevice(0)->GetName();
            thread = registry->HasUpdateThread();
        };
        Qen::RunApplication(&application);
        EXPECT_EQ(enabled ? "DirectSound8 Default Device" : "Null Sound Device", name);
        EXPECT_EQ(enabled, thread);
    }
}

// The processors a thread of this process may run on.
std::uint64_t ThreadProcessors(pid_t thread)
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(thread, sizeof set, &set) != 0)
    {
        return 0;
    }
    std::uint64_t mask = 0;
    for (int cpu = 0; cpu < 64; ++cpu)
    {
        if (CPU_ISSET(cpu, &set))
        {
            mask |= std::uint64_t{1} << cpu;
        }
    }
    return mask;
}

TEST_F(ApplicationTest, OnlyTheMainThreadIsBoundToTheFirstProcessor)
{
    if (__builtin_popcountll(StartProcessors()) < 2)
    {
        GTEST_SKIP() << "one processor";
    }
    WriteConfig(true);
    TestApplication application;
    std::map<pid_t, std::uint64_t> others;
    std::uint64_t main = 0;
    application.afterStartup = [&](TestApplication& a) {
        EXPECT_TRUE(SoundLib::CSoundDeviceRegistry::GetInstance()->HasUpdateThread());
        main = Platform::GetCurrentThreadProcessors();
        DIR* tasks = ::opendir("/proc/self/task");
        ASSERT_NE(nullptr, tasks);
        while (const dirent* entry = ::readdir(tasks))
        {
            const pid_t thread = static_cast<pid_t>(std::atoi(entry->d_name));
            if (thread > 0 && thread != ::gettid())
            {
                others[thread] = ThreadProcessors(thread);
            }
        }
        ::closedir(tasks);
        a.Quit();
    };
    Qen::RunApplication(&application);
    EXPECT_EQ(1u, main);
    EXPECT_GE(others.size(), 2u); // at least the sound update and the streaming thread
    // Every other thread may run on each processor the process started with. The software OpenGL driver
    // sets its own threads' sets to every processor of the machine, wider than a start under taskset.
    for (const auto& [thread, processors] : others)
    {
        EXPECT_EQ(StartProcessors(), processors & StartProcessors())
            << "thread " << thread << " " << ReadFile("/proc/self/task/" + std::to_string(thread) + "/comm");
    }
}

} // namespace
} // namespace FrameworkTesting
