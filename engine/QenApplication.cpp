#include "engine/QenApplication.h"

#include "engine/AdapterRecord.h"
#include "engine/DeviceStateMgr.h"
#include "engine/DisplayHead.h"
#include "foundation/Debug.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/SwapChain.h"
#include "platform/input/InputDevices.h"
#include "platform/os/Cursor.h"
#include "platform/os/MessageBox.h"
#include "platform/os/Sleep.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace Qen
{

using namespace Platform::Gfx;

namespace
{

CQenApplication* s_application = nullptr;

constexpr const char* kClassName = "QenApplication";
constexpr const char* kCaption = "critical error";
constexpr std::uint32_t kEscape = 0x1B;
constexpr std::uint32_t kFullScreenStyle = Platform::WS_POPUP | Platform::WS_VISIBLE;

// The orders in which the registries hear of a loss and of a reset.
constexpr EngineRegistry kLostOrder[] = {TextureRegistry,  SecondRegistry,   IndexBufferRegistry,
                                         VertexBufferRegistry, SurfaceRegistry, MaterialRegistry,
                                         ModelRegistry,    AnimationRegistry};
constexpr EngineRegistry kResetOrder[] = {TextureRegistry,     SurfaceRegistry, ModelRegistry,
                                          IndexBufferRegistry, VertexBufferRegistry, SecondRegistry,
                                          MaterialRegistry,    AnimationRegistry};

void ShowError(const char* text, bool showCursor)
{
    if (showCursor)
    {
        Platform::ShowCursor(true);
    }
    Platform::MessageBoxA(nullptr, text, kCaption, Platform::MessageBoxIconError);
}

bool CollectController(const Platform::Input::DeviceInstance& instance, void* context)
{
    static_cast<std::vector<Platform::Input::DeviceId>*>(context)->push_back(instance.instance);
    return true;
}

} // namespace

CQenApplication::CQenApplication(Platform::InstanceHandle instance) : m_instance(instance)
{
    s_application = this;
    m_windowClass.style = Platform::CS_OWNDC;
    m_windowClass.procedure = &CQenApplication::WindowProc;
    m_windowClass.instance = instance;
    m_windowClass.icon = Platform::LoadIconA(nullptr, Platform::IDI_APPLICATION);
    m_windowClass.cursor = Platform::LoadCursorA(nullptr, Platform::IDC_ARROW);
    m_windowClass.className = kClassName;
}

CQenApplication::~CQenApplication()
{
    if (s_application == this)
    {
        s_application = nullptr;
    }
    for (CAdapterRecord* record : m_adapters)
    {
        delete record;
    }
}

CQenApplication* CQenApplication::GetApplication()
{
    return s_application;
}

void CQenApplication::Quit()
{
    m_quit = true;
}

void CQenApplication::RequestDeviceReset()
{
    m_lost = true;
}

bool CQenApplication::Init()
{
    m_graphicsObject = CreateGraphics(m_version31 ? 31 : 32);
    if (m_graphicsObject == nullptr)
    {
        ReportDirectXMissing();
        return false;
    }
    m_adapters = EnumerateAdapters(m_graphicsObject, m_deviceType, &m_specialAdapter);
    SelectAdapter();
    if (m_preferSpecialAdapter && m_specialAdapter != nullptr)
    {
        m_displaySettings.SetAdapter(m_specialAdapter);
    }
    if (!CreateWindows())
    {
        return false;
    }
    if (!m_displaySettings.CreateDevice(*this, *this, m_graphicsObject, &m_createdDevice))
    {
        return false;
    }
    InitEngine(m_createdDevice, m_graphicsObject);
    return SetUpInput();
}

void CQenApplication::SelectAdapter()
{
    m_displaySettings.SetAdapter(m_adapters.empty() ? nullptr : m_adapters.front());
}

bool CQenApplication::CreateWindows()
{
    Platform::RegisterClassExA(&m_windowClass);
    m_classRegistered = true;
    const int heads = std::clamp(m_displaySettings.headCount, 0, CDisplaySettings::kMaxHeads);
    for (int i = 0; i < heads; ++i)
    {
        PresentParameters& record = m_displaySettings.records[i];
        Platform::WindowRect rect{0, 0, static_cast<std::int32_t>(record.BackBufferWidth),
                                  static_cast<std::int32_t>(record.BackBufferHeight)};
        Platform::AdjustWindowRectEx(&rect, m_windowStyle, false, Platform::WS_EX_APPWINDOW);
        Platform::WindowHandle window = Platform::CreateWindowExA(
            0, m_windowClass.className, m_windowClass.className, m_windowStyle, 50 * i, 50 * i,
            rect.right - rect.left, rect.bottom - rect.top, Platform::GetDesktopWindow(), nullptr, m_instance,
            nullptr);
        if (m_displaySettings.records[0].Windowed != 1)
        {
            Platform::SetWindowLongA(window, Platform::GWL_STYLE, static_cast<std::int32_t>(kFullScreenStyle));
        }
        record.hDeviceWindow = window;
    }
    return true;
}

bool CQenApplication::SetUpInput()
{
    using namespace Platform::Input;
    if (Failed(CreateInput(m_instance, InputVersion, &m_input)) || m_input == nullptr)
    {
        ShowError("SDL2Create failed !\nthis program needs SDL2", false);
        return false;
    }
    Platform::WindowHandle window = m_displaySettings.records[0].hDeviceWindow;
    if (Succeeded(m_input->CreateDevice(SystemMouse, &m_mouse)))
    {
        if (Failed(m_mouse->SetDataFormat(DataFormat::Mouse)) ||
            Failed(m_mouse->SetCooperativeLevel(window, m_mouseFlags)))
        {
            return false;
        }
    }
    if (Succeeded(m_input->CreateDevice(SystemKeyboard, &m_keyboard)))
    {
        if (Failed(m_keyboard->SetDataFormat(DataFormat::Keyboard)) ||
            Failed(m_keyboard->SetCooperativeLevel(window, m_keyboardFlags)))
        {
            return false;
        }
    }
    std::vector<DeviceId> found;
    m_input->EnumDevices(DeviceClassGameController, &CollectController, &found, EnumAttachedOnly);
    m_controllers.assign(found.size(), nullptr);
    for (std::size_t i = 0; i < found.size(); ++i)
    {
        if (Failed(m_input->CreateDevice(found[i], &m_controllers[i])))
        {
            m_controllers[i] = nullptr; // passed over from here on
            continue;
        }
        if (Failed(m_controllers[i]->SetDataFormat(DataFormat::Joystick)) ||
            Failed(m_controllers[i]->SetCooperativeLevel(window, m_controllerFlags)))
        {
            return false;
        }
    }
    return true;
}

void CQenApplication::ReleaseInput()
{
    for (Platform::Input::Device** device : {&m_keyboard, &m_mouse})
    {
        if (*device != nullptr)
        {
            (*device)->Unacquire();
            std::exchange(*device, nullptr)->Release();
        }
    }
    for (Platform::Input::Device* controller : m_controllers)
    {
        if (controller != nullptr)
        {
            controller->Unacquire();
            controller->Release();
        }
    }
    m_controllers.clear();
    if (m_input != nullptr)
    {
        std::exchange(m_input, nullptr)->Release();
    }
}

void CQenApplication::Shutdown()
{
    ReleaseInput();
    ShutdownEngine();
    ReleaseHeadsAndDevice(m_createdDevice);
    // Adapter records hold the graphics object: they go before its last release.
    for (CAdapterRecord* record : m_adapters)
    {
        delete record;
    }
    m_adapters.clear();
    m_specialAdapter = nullptr;
    m_displaySettings.chosenAdapter = nullptr;
    if (m_classRegistered)
    {
        // The class cannot be unregistered while one of its windows lives.
        for (PresentParameters& record : m_displaySettings.records)
        {
            if (record.hDeviceWindow != nullptr && Platform::IsWindow(record.hDeviceWindow))
            {
                Platform::DestroyWindow(record.hDeviceWindow);
            }
            record.hDeviceWindow = nullptr;
        }
        Platform::UnregisterClassA(m_windowClass.className, m_instance);
        m_classRegistered = false;
    }
    if (m_graphicsObject != nullptr)
    {
        std::exchange(m_graphicsObject, nullptr)->Release();
    }
}

void CQenApplication::OnActivate()
{
    for (Platform::Input::Device* device : {m_mouse, m_keyboard})
    {
        if (device != nullptr)
        {
            device->Acquire();
        }
    }
    for (Platform::Input::Device* controller : m_controllers)
    {
        if (controller != nullptr)
        {
            controller->Acquire();
        }
    }
    Platform::SetPriorityClass(Platform::GetCurrentProcess(), Platform::NORMAL_PRIORITY_CLASS);
}

void CQenApplication::OnDeactivate()
{
    for (Platform::Input::Device* device : {m_mouse, m_keyboard})
    {
        if (device != nullptr)
        {
            device->Unacquire();
        }
    }
    for (Platform::Input::Device* controller : m_controllers)
    {
        if (controller != nullptr)
        {
            controller->Unacquire();
        }
    }
    Platform::SetPriorityClass(Platform::GetCurrentProcess(), Platform::IDLE_PRIORITY_CLASS);
}

void CQenApplication::ReportDirectXMissing()
{
    ShowError("OpenGL 3.3 is required to run this application.\nYou can find a OpenGL 3.3 distribution on the CD.",
              true);
}

void CQenApplication::ReportCreateDeviceFailed(Result result)
{
    char text[2048];
    std::snprintf(text, sizeof text, "%s%s", "OpenGL 3.3-CreateDevice failed !\n hardware accelleration needed! \n",
                  ErrorName(result));
    ShowError(text, true);
}

void CQenApplication::OnDeviceLost()
{
    for (CDisplayHead* head : m_heads)
    {
        head->AttachSwapChain(nullptr);
    }
    for (EngineRegistry registry : kLostOrder)
    {
        if (m_registries[registry] != nullptr)
        {
            m_registries[registry]->SendEvent("devicelost");
        }
    }
    if (m_stateManager != nullptr)
    {
        m_stateManager->InvalidateCache();
    }
}

void CQenApplication::OnDeviceReset()
{
    for (std::size_t i = 0; i < m_heads.size(); ++i)
    {
        SwapChain* swapChain = nullptr;
        const auto index = static_cast<std::uint32_t>(i);
        const Result result =
            index < m_device->GetNumberOfSwapChains()
                ? m_device->GetSwapChain(index, &swapChain)
                : m_device->CreateAdditionalSwapChain(&m_displaySettings.records[i], &swapChain);
        if (Failed(result))
        {
            BaseLib::DebugOutput("Head %zu: no swap chain after the reset (%s)\n", i, ErrorName(result));
        }
        m_heads[i]->AttachSwapChain(swapChain);
        if (swapChain != nullptr)
        {
            swapChain->Release();
        }
    }
    for (EngineRegistry registry : kResetOrder)
    {
        if (m_registries[registry] != nullptr)
        {
            m_registries[registry]->SendEvent("devicereset");
        }
    }
}

bool CQenApplication::OnKeyDown(std::uint32_t virtualKey)
{
    if (virtualKey != kEscape)
    {
        return false;
    }
    const std::int32_t windowed = m_displaySettings.records[0].Windowed != 1 ? 1 : 0;
    for (PresentParameters& record : m_displaySettings.records)
    {
        record.Windowed = windowed;
    }
    RequestDeviceReset();
    return true;
}

bool CQenApplication::OnClose()
{
    return m_closeHook ? m_closeHook() : true;
}

bool CQenApplication::HandleMessage(Platform::WindowHandle, std::uint32_t, Platform::MessageFirst,
                                   Platform::MessageSecond)
{
    return true;
}

void CQenApplication::Frame(bool fromPaint)
{
    if (!fromPaint)
    {
        Tick();
    }
}

void CQenApplication::Run()
{
    for (int i = std::clamp(m_displaySettings.headCount, 0, CDisplaySettings::kMaxHeads) - 1; i >= 0; --i)
    {
        Platform::ShowWindow(m_displaySettings.records[i].hDeviceWindow, Platform::SW_SHOWDEFAULT);
        Platform::UpdateWindow(m_displaySettings.records[i].hDeviceWindow);
    }
    m_running = true;
    bool resetFailing = false; // traced once per run of failed resets
    while (!m_quit)
    {
        Platform::Message message;
        if (Platform::PeekMessageA(&message, nullptr, 0, 0, Platform::PM_REMOVE))
        {
            Platform::TranslateMessage(&message);
            Platform::DispatchMessageA(&message);
            continue;
        }
        const Result state = m_device->TestCooperativeLevel();
        if (state == DeviceLost || state == DeviceNotReset)
        {
            m_lost = true;
        }
        if (!m_lost)
        {
            Frame(false);
        }
        else if (state == DeviceLost)
        {
            Platform::Sleep(500);
        }
        else
        {
            OnDeviceLost();
            const Result reset = m_device->Reset(m_displaySettings.records);
            if (Failed(reset))
            {
                // Re-creating resources on a device that was not reset would fail silently: try again later.
                if (!resetFailing)
                {
                    BaseLib::DebugOutput("Device reset failed (%s); retrying\n", ErrorName(reset));
                }
                resetFailing = true;
                Platform::Sleep(500);
                continue;
            }
            resetFailing = false;
            OnDeviceReset();
            m_lost = false;
        }
    }
    m_running = false;
    Quit();
}

Platform::MessageResult CQenApplication::WindowProc(Platform::WindowHandle window, std::uint32_t message,
                                                    Platform::MessageFirst first, Platform::MessageSecond second)
{
    if (s_application == nullptr)
    {
        return Platform::DefWindowProcA(window, message, first, second);
    }
    return s_application->HandleWindowMessage(window, message, first, second);
}

Platform::MessageResult CQenApplication::HandleWindowMessage(Platform::WindowHandle window, std::uint32_t message,
                                                             Platform::MessageFirst first,
                                                             Platform::MessageSecond second)
{
    if (!m_quit && !HandleMessage(window, message, first, second))
    {
        return 0;
    }
    switch (message)
    {
    case Platform::WM_DESTROY:
    case Platform::WM_QUIT:
        Quit();
        return 0;
    case Platform::WM_ACTIVATE:
        if (first == Platform::WA_ACTIVE || first == Platform::WA_CLICKACTIVE)
        {
            OnActivate();
        }
        else
        {
            OnDeactivate();
        }
        return 0;
    case Platform::WM_PAINT:
        if (m_running && !m_quit)
        {
            Frame(true);
            Platform::ValidateRect(window, nullptr);
        }
        return 0;
    case Platform::WM_CLOSE:
        if (OnClose())
        {
            return Platform::DefWindowProcA(window, message, first, second);
        }
        return 0;
    case Platform::WM_KEYDOWN:
        OnKeyDown(static_cast<std::uint32_t>(first));
        return 0;
    default:
        return Platform::DefWindowProcA(window, message, first, second);
    }
}

int RunApplication(CQenApplication* application)
{
    if (application->IsQuitting())
    {
        return 0;
    }
    if (application->Init() && !application->IsQuitting())
    {
        application->CreateGameObjects();
        if (!application->IsQuitting())
        {
            application->Run();
        }
        application->DestroyGameObjects();
    }
    application->Shutdown();
    return 0;
}

} // namespace Qen
