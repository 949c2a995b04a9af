#include "ControlBench.h"

#include "foundation/PathAliases.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapPng.h"
#include "ui/Clock.h"
#include "ui/UILibSystem.h"
#include "ui/controls/Controls.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace ControlBench
{

namespace
{

// Everything the bench starts once per binary.
struct BenchSystem
{
    BaseLib::CPathAliases aliases;
    std::unique_ptr<UiTestSupport::CSoftwarePresenter> presenter;
    UILib::CWindow* root = nullptr;
    std::int64_t nowMs = 0;
};

BenchSystem* g_bench = nullptr;
std::uint8_t g_heldModifiers = 0;

std::uint8_t HeldModifiers()
{
    return g_heldModifiers;
}

Platform::MessageResult HostProcedure(Platform::WindowHandle window, std::uint32_t message,
                                      Platform::MessageFirst first, Platform::MessageSecond second)
{
    if (UILib::CWindowManager* manager = UILib::CWindowManager::GetInstance())
    {
        manager->TranslateInput(window, message, first, second);
    }
    return Platform::DefWindowProcA(window, message, first, second);
}

constexpr const char* HostClassName = "QuarrowControlBench";

class BenchEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        // Without a display the platform window still opens, on SDL's offscreen driver.
        if (std::getenv("DISPLAY") == nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr)
        {
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
        }
        UILib::SetTimeOverride(0.0);
        UILib::RegisterControls();
        UILib::CUILibSystem::CreateInstance();
        UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
        ASSERT_NE(system, nullptr);
        ASSERT_NE(system->GetWindowManager(), nullptr);
        ASSERT_NE(system->GetWindowFactory(), nullptr);
        g_bench = new BenchSystem();
        g_bench->aliases.RegisterPathAlias("media", QUARROW_MEDIA_DIR);
        g_bench->aliases.RegisterPathAlias("interface", "media>interface");
        system->SetPathAliases(&g_bench->aliases);
        if (system->GetBitmapFactory() != nullptr)
        {
            system->GetBitmapFactory()->AddSearchPath(g_bench->aliases.ResolvePath("interface>standard").c_str());
        }
        UILib::CWindowManager* manager = system->GetWindowManager();
        manager->SetCanvasFactory(&UiTestSupport::CMemoryTextureCanvas::Make);
        g_bench->presenter =
            std::make_unique<UiTestSupport::CSoftwarePresenter>(RootWidth, RootHeight, ScreenBackground);
        g_bench->root = UILib::CWindow::Create();
        g_bench->root->SetName("bench root");
        g_bench->root->SetPosition(0, 0);
        g_bench->root->SetSize(RootWidth, RootHeight);
        manager->AddLayer(g_bench->root);
        g_bench->root->SetOwnCanvas(true);
        ASSERT_TRUE(g_bench->root->HasOwnCanvas());
    }

    void TearDown() override
    {
        UILib::CUILibSystem::DestroyInstance(); // deletes the root with the layers
        delete g_bench;
        g_bench = nullptr;
        UILib::CWindowFactory::SetRegistrationHook(nullptr);
        UILib::CWindowManager::SetModifierReader(nullptr);
        UILib::SetTimeOverride(-1.0);
    }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new BenchEnvironment());

std::uint32_t ButtonMessage(int button, int kind)
{
    // kind 0 down, 1 up, 2 double click; buttons left, middle, right.
    static const std::uint32_t messages[3][3] = {
        {Platform::WM_LBUTTONDOWN, Platform::WM_LBUTTONUP, Platform::WM_LBUTTONDBLCLK},
        {Platform::WM_MBUTTONDOWN, Platform::WM_MBUTTONUP, Platform::WM_MBUTTONDBLCLK},
        {Platform::WM_RBUTTONDOWN, Platform::WM_RBUTTONUP, Platform::WM_RBUTTONDBLCLK}};
    return messages[button][kind];
}

std::uint32_t ButtonKey(int button)
{
    static const std::uint32_t keys[3] = {Platform::MK_LBUTTON, Platform::MK_MBUTTON, Platform::MK_RBUTTON};
    return keys[button];
}

Platform::MessageSecond PackedPoint(std::int32_t x, std::int32_t y)
{
    return static_cast<Platform::MessageSecond>(UILib::CWindowMessage::PackPoint(x, y));
}

} // namespace

BaseLib::CColor StandardPalette(std::int32_t index)
{
    static const BaseLib::CColor palette[] = {
        {200, 200, 200, 255}, {255, 255, 255, 255}, {200, 200, 200, 255}, {50, 50, 160, 255},
        {230, 230, 230, 255}, {0, 0, 0, 255},       {255, 255, 225, 255}, {0, 0, 0, 255},
        {0, 0, 0, 255},       {140, 140, 140, 255}, {255, 255, 255, 255}, {50, 50, 160, 255},
        {50, 50, 50, 255},    {255, 255, 255, 255}, {240, 240, 240, 255}, {210, 210, 200, 255},
        {150, 150, 150, 255}, {70, 70, 70, 255}};
    return index >= 0 && index < static_cast<std::int32_t>(std::size(palette)) ? palette[index]
                                                                                 : BaseLib::CColor(0, 0, 0, 255);
}

UILib::CWindowManager* Manager()
{
    return UILib::CWindowManager::GetInstance();
}

UILib::CWindowFactory* Factory()
{
    UILib::CUILibSystem* system = UILib::CUILibSystem::GetInstance();
    return system != nullptr ? system->GetWindowFactory() : nullptr;
}

UILib::CWindow* RootWindow()
{
    return g_bench != nullptr ? g_bench->root : nullptr;
}

// Recording window

bool CRecordingWindow::OnMessage(const UILib::CWindowMessage& message)
{
    RecordedMessage entry;
    entry.code.assign(message.code, strnlen(message.code, sizeof(message.code)));
    entry.first = message.first;
    entry.second = message.second;
    entry.flags = message.flags;
    if (message.IsPositional())
    {
        entry.point = ScreenToClient(BaseLib::CPoint(message.GetX(), message.GetY()));
    }
    else if (!message.IsInput())
    {
        entry.sender = message.second;
    }
    log.push_back(entry);
    UILib::CWindow::OnMessage(message);
    return true;
}

std::vector<std::string> CRecordingWindow::Codes(std::initializer_list<const char*> only) const
{
    std::vector<std::string> codes;
    for (const RecordedMessage& entry : log)
    {
        bool wanted = only.size() == 0;
        for (const char* code : only)
        {
            wanted = wanted || entry.code == code;
        }
        if (wanted)
        {
            codes.push_back(entry.code);
        }
    }
    return codes;
}

std::vector<RecordedMessage> CRecordingWindow::Of(const char* code) const
{
    std::vector<RecordedMessage> result;
    for (const RecordedMessage& entry : log)
    {
        if (entry.code == code)
        {
            result.push_back(entry);
        }
    }
    return result;
}

// Fixture

void ControlTest::SetUp()
{
    TempFolderTest::SetUp();
    ASSERT_NE(g_bench, nullptr) << "the window system did not start";
    g_heldModifiers = 0;
    UILib::CWindowManager::SetModifierReader(&HeldModifiers);
    m_buttonsHeld = 0;
    // The translation drops a move to the last delivered point: start each test from a corner of the
    // root that tests leave alone.
    Translate(Platform::WM_MOUSEMOVE, 0, PackedPoint(RootWidth - 1, RootHeight - 1));
    Frame();
}

void ControlTest::TearDown()
{
    UILib::CWindowManager* manager = Manager();
    UILib::CWindow* root = RootWindow();
    if (manager != nullptr && root != nullptr)
    {
        while (root->GetChildCount() > 0)
        {
            const UILib::Handle child = root->GetChildHandle(root->GetChildCount() - 1);
            if (UILib::CWindow* window = manager->Resolve(child))
            {
                UILib::CWindow::Delete(window);
            }
            else
            {
                root->RemoveChild(child);
            }
        }
        manager->DeleteReleasedWindows();
        manager->KillFocus();
        Compose(); // the root's canvas starts the next test clean
    }
    if (m_host != nullptr)
    {
        Platform::DestroyWindow(m_host);
        Platform::UnregisterClassA(HostClassName, nullptr);
        Pump();
        m_host = nullptr;
    }
    UILib::CWindowManager::SetModifierReader(&HeldModifiers);
    g_heldModifiers = 0;
    TempFolderTest::TearDown();
}

std::int64_t ControlTest::Now()
{
    return g_bench != nullptr ? g_bench->nowMs : 0;
}

void ControlTest::Frame(std::int64_t ms)
{
    g_bench->nowMs += ms;
    UILib::SetTimeOverride(static_cast<double>(g_bench->nowMs) / 1000.0);
    UILib::CWindowManager* manager = Manager();
    manager->ProcessTimers();
    manager->UpdateWindowAnimations();
    manager->UpdateTooltip();
    manager->DeleteReleasedWindows();
}

void ControlTest::Frames(int count, std::int64_t ms)
{
    for (int i = 0; i < count; ++i)
    {
        Frame(ms);
    }
}

void ControlTest::Advance(std::int64_t totalMs, std::int64_t stepMs)
{
    const std::int64_t end = Now() + totalMs;
    while (Now() < end)
    {
        Frame(std::min(stepMs, end - Now()));
    }
}

// Input

void ControlTest::Translate(std::uint32_t message, Platform::MessageFirst first, Platform::MessageSecond second)
{
    Manager()->TranslateInput(m_host, message, first, second);
}

void ControlTest::MouseMove(std::int32_t x, std::int32_t y)
{
    Translate(Platform::WM_MOUSEMOVE, m_buttonsHeld, PackedPoint(x, y));
}

void ControlTest::MouseDown(Button button, std::int32_t x, std::int32_t y)
{
    const int index = static_cast<int>(button);
    m_buttonsHeld |= ButtonKey(index);
    Translate(ButtonMessage(index, 0), m_buttonsHeld, PackedPoint(x, y));
}

void ControlTest::MouseUp(Button button, std::int32_t x, std::int32_t y)
{
    const int index = static_cast<int>(button);
    m_buttonsHeld &= ~ButtonKey(index);
    Translate(ButtonMessage(index, 1), m_buttonsHeld, PackedPoint(x, y));
}

void ControlTest::DoubleClick(Button button, std::int32_t x, std::int32_t y)
{
    const int index = static_cast<int>(button);
    Translate(ButtonMessage(index, 2), m_buttonsHeld | ButtonKey(index), PackedPoint(x, y));
}

void ControlTest::Click(std::int32_t x, std::int32_t y, Button button)
{
    MouseMove(x, y);
    MouseDown(button, x, y);
    MouseUp(button, x, y);
}

void ControlTest::Wheel(std::int32_t delta, std::int32_t x, std::int32_t y)
{
    const auto first = static_cast<Platform::MessageFirst>(
        (static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta)) << 16) | m_buttonsHeld);
    Translate(Platform::WM_MOUSEWHEEL, first, PackedPoint(x, y));
}

void ControlTest::KeyDown(std::uint32_t virtualKey)
{
    Translate(Platform::WM_KEYDOWN, virtualKey, 0);
}

void ControlTest::KeyUp(std::uint32_t virtualKey)
{
    Translate(Platform::WM_KEYUP, virtualKey, 0);
}

void ControlTest::KeyPress(std::uint32_t virtualKey)
{
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

void ControlTest::Char(std::uint32_t unit)
{
    Translate(Platform::WM_CHAR, unit, 0);
}

void ControlTest::HoldModifiers(std::uint8_t modifiers)
{
    g_heldModifiers = modifiers;
}

void ControlTest::Send(UILib::CWindow* window, const UILib::CWindowMessage& message)
{
    Manager()->SendMessage(message, window != nullptr ? window->GetHandle() : 0);
}

void ControlTest::Post(UILib::CWindow* window, const UILib::CWindowMessage& message)
{
    Manager()->PostMessage(window != nullptr ? window->GetHandle() : 0, message);
}

Platform::WindowHandle ControlTest::OpenPlatformWindow()
{
    if (m_host != nullptr)
    {
        return m_host;
    }
    Platform::WindowClass record;
    record.style = Platform::CS_CLASSDC | Platform::CS_DBLCLKS;
    record.procedure = &HostProcedure;
    record.className = HostClassName;
    if (Platform::RegisterClassExA(&record) == 0)
    {
        ADD_FAILURE() << "the bench's window class cannot be registered";
        return nullptr;
    }
    m_host = Platform::CreateWindowExA(0, HostClassName, "control bench", Platform::WS_OVERLAPPEDWINDOW, 0, 0,
                                       RootWidth, RootHeight, Platform::GetDesktopWindow(), nullptr, nullptr,
                                       nullptr);
    if (m_host == nullptr)
    {
        ADD_FAILURE() << "the bench's platform window does not open";
        Platform::UnregisterClassA(HostClassName, nullptr);
        return nullptr;
    }
    // The game's key state: the platform's, following the messages taken from its queue.
    UILib::CWindowManager::SetModifierReader(nullptr);
    Pump();
    return m_host;
}

void ControlTest::Pump()
{
    Platform::Message message;
    for (int i = 0; i < 10000 && Platform::PeekMessageA(&message, nullptr, 0, 0, Platform::PM_REMOVE); ++i)
    {
        Platform::TranslateMessage(&message);
        Platform::DispatchMessageA(&message);
        if (message.message == Platform::WM_PAINT && m_host != nullptr)
        {
            Platform::ValidateRect(m_host, nullptr);
        }
    }
}

// Windows

void ControlTest::Place(UILib::CWindow* window, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height, UILib::CWindow* parent)
{
    window->SetPosition(x, y);
    window->SetSize(width, height);
    UILib::CWindow* owner = parent != nullptr ? parent : RootWindow();
    EXPECT_TRUE(owner->AddChild(window->GetHandle()));
}

UILib::CWindow* ControlTest::MakeByName(const std::string& className, std::int32_t x, std::int32_t y,
                                        std::int32_t width, std::int32_t height, UILib::CWindow* parent)
{
    UILib::CWindow* window = Factory()->CreateWindowOfType(className);
    if (window != nullptr)
    {
        Place(window, x, y, width, height, parent);
    }
    return window;
}

// Pictures

void ControlTest::Compose()
{
    UILib::CWindowManager* manager = Manager();
    manager->PaintLayers();
    g_bench->presenter->Clear();
    manager->CompositeLayers(-1);
}

BaseLib::CColor ControlTest::Pixel(std::int32_t x, std::int32_t y) const
{
    return g_bench->presenter->GetPixel(x, y);
}

bool ControlTest::AreaIs(const BaseLib::CRect& rect, BaseLib::CColor colour) const
{
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
    {
        for (std::int32_t x = rect.left; x < rect.right; ++x)
        {
            if (Pixel(x, y) != colour)
            {
                return false;
            }
        }
    }
    return true;
}

std::string ControlTest::SavePicture(const std::string& name) const
{
    std::error_code error;
    std::filesystem::create_directories(QUARROW_TEST_OUTPUT_DIR, error);
    const std::string path = std::string(QUARROW_TEST_OUTPUT_DIR) + "/" + name + ".png";
    return g_bench->presenter->WritePng(path) ? path : std::string();
}

// Files

std::string ControlTest::WriteBitmap(const std::string& name, std::int32_t width, std::int32_t height,
                                     BaseLib::CColor fill)
{
    return WriteBitmap(name, width, height,
                       std::vector<BaseLib::CColor>(static_cast<std::size_t>(width) * height, fill));
}

std::string ControlTest::WriteBitmap(const std::string& name, std::int32_t width, std::int32_t height,
                                     const std::vector<BaseLib::CColor>& pixels)
{
    const std::string path = PathOf(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    EXPECT_EQ(pixels.size(), static_cast<std::size_t>(width) * height) << name;
    EXPECT_TRUE(UILib::WritePixelsPng(path, width, height, pixels.data(), width)) << path;
    return path;
}

std::string ControlTest::WriteText(const std::string& name, const std::string& text)
{
    WriteFile(name, text);
    return PathOf(name);
}

std::string ControlTest::WriteLayout(const std::string& name, const std::string& windowsXml)
{
    return WriteText(name, "<?xml version=\"1.0\"?>\n<layout>\n" + windowsXml + "</layout>\n");
}

} // namespace ControlBench
