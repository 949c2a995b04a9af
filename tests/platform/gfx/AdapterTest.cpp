#include "tests/platform/gfx/GfxFixture.h"

#include "platform/os/EventInjection.h"

namespace GfxTesting
{
namespace
{

using AdapterTest = GfxFixture;

SimulatedAdapter GroupMember(std::uint32_t master, std::uint32_t inGroup, std::uint32_t count)
{
    SimulatedAdapter adapter;
    adapter.masterAdapterOrdinal = master;
    adapter.adapterOrdinalInGroup = inGroup;
    adapter.numberOfAdaptersInGroup = count;
    return adapter;
}

TEST_F(AdapterTest, RealAdaptersReportTheRendererAndTheFieldsTheEngineReads)
{
    MakeGraphics();
    ASSERT_GE(graphics->GetAdapterCount(), 1u);
    AdapterIdentifier identifier;
    ASSERT_EQ(Ok, graphics->GetAdapterIdentifier(0, 0, &identifier));
    EXPECT_FALSE(identifier.Description.empty());
    Caps caps;
    ASSERT_EQ(Ok, graphics->GetDeviceCaps(0, DeviceType::Ref, &caps));
    EXPECT_EQ(DeviceType::Ref, caps.DeviceType);
    EXPECT_EQ(0u, caps.AdapterOrdinal);
    EXPECT_EQ(0u, caps.MasterAdapterOrdinal);
    EXPECT_EQ(0u, caps.AdapterOrdinalInGroup);
    EXPECT_EQ(1u, caps.NumberOfAdaptersInGroup);
    EXPECT_NE(0u, caps.Caps2 & Caps2Bit::DynamicTextures);
    EXPECT_NE(0u, caps.DevCaps & DevCapsBit::HwTransformAndLight);
    EXPECT_NE(0u, caps.StencilCaps & StencilCapsBit::TwoSided);
    EXPECT_EQ(0xFFFE0300u, caps.VertexShaderVersion);
    EXPECT_EQ(0xFFFF0300u, caps.PixelShaderVersion);
    EXPECT_EQ(256u, caps.MaxVertexShaderConst);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_EQ(16u, caps.MaxStreams);
    EXPECT_EQ(InvalidCall, graphics->GetDeviceCaps(graphics->GetAdapterCount(), DeviceType::Hal, &caps));
}

TEST_F(AdapterTest, DisplayModesExistOnlyForTheDisplayFormat)
{
    MakeGraphics();
    DisplayMode current;
    ASSERT_EQ(Ok, graphics->GetAdapterDisplayMode(0, &current));
    EXPECT_EQ(Format::X8R8G8B8, current.Format);
    EXPECT_GT(current.Width, 0u);
    const std::uint32_t count = graphics->GetAdapterModeCount(0, Format::X8R8G8B8);
    ASSERT_GE(count, 1u);
    DisplayMode mode;
    ASSERT_EQ(Ok, graphics->EnumAdapterModes(0, Format::X8R8G8B8, count - 1, &mode));
    EXPECT_EQ(Format::X8R8G8B8, mode.Format);
    EXPECT_EQ(InvalidCall, graphics->EnumAdapterModes(0, Format::X8R8G8B8, count, &mode));
    for (std::uint32_t format :
         {Format::A1R5G5B5, Format::A2R10G10B10, Format::A8R8G8B8, Format::R5G6B5, Format::X1R5G5B5})
    {
        EXPECT_EQ(0u, graphics->GetAdapterModeCount(0, format)) << format;
    }
    EXPECT_NE(nullptr, graphics->GetAdapterMonitor(0));
}

TEST_F(AdapterTest, SimulatedAdaptersDescribeGroupsAndOverrides)
{
    SimulatedAdapter master = GroupMember(0, 0, 2);
    master.description = "Simulated Head";
    master.vertexShaderVersion = 0xFFFE0200u;
    master.maxVertexShaderConst = 96;
    master.twoSidedStencil = false;
    master.hardwareTransformAndLight = false;
    SimulateAdapters({master, GroupMember(0, 1, 2), GroupMember(2, 0, 1)});
    MakeGraphics();
    ASSERT_EQ(3u, graphics->GetAdapterCount());
    AdapterIdentifier identifier;
    ASSERT_EQ(Ok, graphics->GetAdapterIdentifier(0, 0, &identifier));
    EXPECT_EQ("Simulated Head", identifier.Description);
    Caps caps;
    ASSERT_EQ(Ok, graphics->GetDeviceCaps(0, DeviceType::Hal, &caps));
    EXPECT_EQ(0xFFFE0200u, caps.VertexShaderVersion);
    EXPECT_EQ(96u, caps.MaxVertexShaderConst);
    EXPECT_EQ(0u, caps.StencilCaps & StencilCapsBit::TwoSided);
    EXPECT_EQ(0u, caps.DevCaps & DevCapsBit::HwTransformAndLight);
    ASSERT_EQ(Ok, graphics->GetDeviceCaps(1, DeviceType::Hal, &caps));
    EXPECT_EQ(0u, caps.MasterAdapterOrdinal);
    EXPECT_EQ(1u, caps.AdapterOrdinalInGroup);
    EXPECT_EQ(2u, caps.NumberOfAdaptersInGroup);
    EXPECT_NE(0u, caps.DevCaps & DevCapsBit::HwTransformAndLight);
    ASSERT_EQ(Ok, graphics->GetDeviceCaps(2, DeviceType::Hal, &caps));
    EXPECT_EQ(2u, caps.MasterAdapterOrdinal);
    EXPECT_EQ(2u, caps.AdapterOrdinal);
}

TEST_F(AdapterTest, FormatChecksFollowTheAdaptersDepthFormatsAndMultisampleLevels)
{
    SimulatedAdapter limited;
    limited.depthFormats = std::vector<std::uint32_t>{Format::D16, Format::D24S8};
    limited.multiSampleLevels = 1;
    SimulateAdapters({SimulatedAdapter{}, limited});
    MakeGraphics();
    struct DepthCase
    {
        std::uint32_t adapter;
        std::uint32_t format;
        Result expected;
    };
    const DepthCase depthCases[] = {
        {0, Format::D24X8, Ok},           {0, Format::D16, Ok},
        {0, Format::D24FS8, Ok},          {0, Format::D32, Ok},
        {0, Format::D15S1, NotAvailable}, {1, Format::D24X8, NotAvailable},
        {1, Format::D24S8, Ok},
    };
    for (const DepthCase& c : depthCases)
    {
        EXPECT_EQ(c.expected,
                  graphics->CheckDeviceFormat(c.adapter, DeviceType::Hal, Format::X8R8G8B8,
                                              Usage::DepthStencil, ResourceType::Surface, c.format))
            << c.adapter << " " << c.format;
        EXPECT_EQ(c.expected, graphics->CheckDepthStencilMatch(c.adapter, DeviceType::Hal, Format::X8R8G8B8,
                                                               Format::X8R8G8B8, c.format));
    }
    EXPECT_EQ(NotAvailable, graphics->CheckDepthStencilMatch(0, DeviceType::Hal, Format::X8R8G8B8,
                                                             Format::R5G6B5, Format::D24S8));
    EXPECT_EQ(Ok, graphics->CheckDeviceFormat(0, DeviceType::Hal, Format::X8R8G8B8, Usage::RenderTarget,
                                              ResourceType::Texture, Format::A8R8G8B8));
    EXPECT_EQ(NotAvailable, graphics->CheckDeviceFormat(0, DeviceType::Hal, Format::X8R8G8B8, 0,
                                                        ResourceType::Texture, 0x12345678u));
    // Depth-stencil buffers are surfaces only: the device makes no depth textures.
    EXPECT_EQ(NotAvailable,
              graphics->CheckDeviceFormat(0, DeviceType::Hal, Format::X8R8G8B8, Usage::DepthStencil,
                                          ResourceType::Texture, Format::D24S8));

    std::uint32_t levels = 0;
    EXPECT_EQ(Ok, graphics->CheckDeviceMultiSampleType(0, DeviceType::Hal, Format::X8R8G8B8, true,
                                                       MultiSample::None, &levels));
    EXPECT_EQ(1u, levels);
    std::uint32_t realLevels = 0;
    const Result real = graphics->CheckDeviceMultiSampleType(0, DeviceType::Hal, Format::X8R8G8B8, true,
                                                             MultiSample::NonMaskable, &realLevels);
    if (Succeeded(real))
    {
        EXPECT_GE(realLevels, 1u);
        EXPECT_LE(realLevels, 4u);
        ASSERT_EQ(Ok, graphics->CheckDeviceMultiSampleType(1, DeviceType::Hal, Format::X8R8G8B8, true,
                                                           MultiSample::NonMaskable, &levels));
        EXPECT_EQ(1u, levels);
        EXPECT_EQ(Ok,
                  graphics->CheckDeviceMultiSampleType(1, DeviceType::Hal, Format::D24S8, true, 2, &levels));
        EXPECT_EQ(NotAvailable,
                  graphics->CheckDeviceMultiSampleType(1, DeviceType::Hal, Format::D24S8, true, 4, &levels));
    }
    EXPECT_EQ(NotAvailable, graphics->CheckDeviceMultiSampleType(1, DeviceType::Hal, Format::D24X8, true,
                                                                 MultiSample::None, &levels));
}

TEST_F(AdapterTest, CreateDeviceRefusesBadRecords)
{
    MakeGraphics();
    WindowHandle window = OpenWindow(32, 32);
    struct Case
    {
        const char* what;
        void (*change)(PresentParameters&);
    };
    const Case cases[] = {
        {"no window", [](PresentParameters& r) { r.hDeviceWindow = nullptr; }},
        {"16-bit back buffer", [](PresentParameters& r) { r.BackBufferFormat = Format::R5G6B5; }},
        {"unknown depth format", [](PresentParameters& r) { r.AutoDepthStencilFormat = Format::A8R8G8B8; }},
        {"four back buffers", [](PresentParameters& r) { r.BackBufferCount = 4; }},
        {"quality beyond the levels",
         [](PresentParameters& r) {
             r.MultiSampleType = MultiSample::NonMaskable;
             r.MultiSampleQuality = 7;
         }},
    };
    for (const Case& c : cases)
    {
        Platform::DebugOutputCapture quiet;
        PresentParameters record = Record(window, 32, 32);
        c.change(record);
        Device* refused = nullptr;
        EXPECT_EQ(InvalidCall, graphics->CreateDevice(0, DeviceType::Hal, nullptr, 0, &record, &refused))
            << c.what;
        EXPECT_EQ(nullptr, refused) << c.what;
    }
    // Format 0 means the display's format; the creation parameters come back as given.
    PresentParameters record = Record(window, 32, 32);
    record.BackBufferFormat = Format::Unknown;
    const std::uint32_t flags = CreateFlag::MixedVertexProcessing | CreateFlag::Multithreaded;
    ASSERT_EQ(Ok, graphics->CreateDevice(0, DeviceType::Ref, window, flags, &record, &device));
    DeviceCreationParameters parameters;
    ASSERT_EQ(Ok, device->GetCreationParameters(&parameters));
    EXPECT_EQ(0u, parameters.AdapterOrdinal);
    EXPECT_EQ(DeviceType::Ref, parameters.DeviceType);
    EXPECT_EQ(window, parameters.hFocusWindow);
    EXPECT_EQ(flags, parameters.BehaviorFlags);
    SwapChain* swapChain = nullptr;
    ASSERT_EQ(Ok, device->GetSwapChain(0, &swapChain));
    PresentParameters readBack;
    ASSERT_EQ(Ok, swapChain->GetPresentParameters(&readBack));
    EXPECT_EQ(Format::X8R8G8B8, readBack.BackBufferFormat);
    swapChain->Release();
    EXPECT_EQ(nullptr, CreateGraphics(30));
}

TEST_F(AdapterTest, AnAdapterGroupDeviceHasOneImplicitSwapChainPerHead)
{
    SimulateAdapters({GroupMember(0, 0, 2), GroupMember(0, 1, 2)});
    MakeGraphics();
    PresentParameters records[2] = {Record(OpenWindow(32, 24), 32, 24), Record(OpenWindow(32, 24), 32, 24)};
    ASSERT_EQ(Ok,
              graphics->CreateDevice(0, DeviceType::Hal, records[0].hDeviceWindow,
                                     CreateFlag::HardwareVertexProcessing | CreateFlag::AdapterGroupDevice,
                                     records, &device));
    ASSERT_EQ(2u, device->GetNumberOfSwapChains());
    const std::uint32_t colours[] = {0xFFFF0000u, 0xFF00FF00u};
    for (std::uint32_t head = 0; head < 2; ++head)
    {
        SwapChain* swapChain = nullptr;
        ASSERT_EQ(Ok, device->GetSwapChain(head, &swapChain));
        PresentParameters record;
        ASSERT_EQ(Ok, swapChain->GetPresentParameters(&record));
        EXPECT_EQ(windows[head], record.hDeviceWindow);
        Surface* backBuffer = nullptr;
        ASSERT_EQ(Ok, swapChain->GetBackBuffer(0, BackBufferTypeMono, &backBuffer));
        ASSERT_EQ(Ok, device->SetRenderTarget(0, backBuffer));
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, colours[head], 1.0f, 0));
        EXPECT_EQ(Ok, swapChain->Present(nullptr, nullptr, nullptr, nullptr, 0));
        backBuffer->Release();
        swapChain->Release();
    }
    EXPECT_EQ(colours[0], BackBufferPixels()[0]);
    Surface* second = nullptr;
    ASSERT_EQ(Ok, device->GetBackBuffer(1, 0, BackBufferTypeMono, &second));
    EXPECT_EQ(colours[1], Pixels(second)[0]);
    second->Release();
    Surface* backBuffer = nullptr;
    ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, BackBufferTypeMono, &backBuffer));
    ASSERT_EQ(Ok, device->SetRenderTarget(0, backBuffer));
    backBuffer->Release();
    EXPECT_EQ(2u, device->Counters().presents);
}

TEST_F(AdapterTest, OneAdapterTakesFurtherHeadsAsAdditionalSwapChainsEvenFullScreen)
{
    MakeGraphics();
    for (std::int32_t windowed : {1, 0})
    {
        PresentParameters records[2] = {Record(OpenWindow(32, 24), 32, 24),
                                        Record(OpenWindow(32, 24), 32, 24)};
        records[0].Windowed = windowed;
        records[1].Windowed = windowed;
        const std::uint32_t flags = windowed ? 0 : CreateFlag::AdapterGroupDevice;
        Device* made = nullptr;
        ASSERT_EQ(
            Ok, graphics->CreateDevice(0, DeviceType::Hal, records[0].hDeviceWindow, flags, records, &made));
        EXPECT_EQ(1u, made->GetNumberOfSwapChains());
        SwapChain* additional = nullptr;
        ASSERT_EQ(Ok, made->CreateAdditionalSwapChain(&records[1], &additional));
        EXPECT_EQ(windowed == 0, IsWindowFullScreen(records[1].hDeviceWindow));
        EXPECT_EQ(Ok, additional->Present(nullptr, nullptr, nullptr, nullptr, 0));

        // An additional swap chain is the caller's: it blocks a reset until released.
        {
            Platform::DebugOutputCapture quiet;
            EXPECT_EQ(InvalidCall, made->Reset(records));
        }
        EXPECT_EQ(0u, additional->Release());
        EXPECT_EQ(Ok, made->Reset(records));
        EXPECT_EQ(0u, made->Release());
    }
}

TEST_F(AdapterTest, ShutDownAfterAWindowClosedThroughDefaultHandlingStopsVideoOnlyWithTheGraphicsObject)
{
    MakeGraphics();
    PresentParameters records[2] = {Record(OpenWindow(32, 24), 32, 24), Record(OpenWindow(32, 24), 32, 24)};
    ASSERT_EQ(Ok, graphics->CreateDevice(0, DeviceType::Hal, records[0].hDeviceWindow, 0, records, &device));
    SwapChain* second = nullptr;
    ASSERT_EQ(Ok, device->CreateAdditionalSwapChain(&records[1], &second));

    // The second head's window is closed by the user; default handling destroys it.
    ASSERT_TRUE(Platform::InjectClose(windows[1]));
    Pump();
    EXPECT_FALSE(Platform::IsWindow(windows[1]));
    windows.pop_back();
    EXPECT_EQ(InvalidCall, second->Present(nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(Ok, device->Present(nullptr, nullptr, nullptr, nullptr));

    // The application's order: swap chains and device, windows, the class, then the graphics object.
    EXPECT_EQ(0u, second->Release());
    EXPECT_EQ(0u, device->Release());
    device = nullptr;
    for (WindowHandle window : windows)
    {
        Platform::DestroyWindow(window);
    }
    windows.clear();
    EXPECT_TRUE(Platform::UnregisterClassA(kClassName, nullptr));
    classRegistered = false;
    EXPECT_TRUE(IsVideoStarted());
    EXPECT_EQ(0u, graphics->Release());
    graphics = nullptr;
    EXPECT_FALSE(IsVideoStarted());
}

TEST_F(AdapterTest, ADeviceKeepsItsGraphicsObject)
{
    MakeGraphics();
    PresentParameters record = Record(OpenWindow(16, 16), 16, 16);
    ASSERT_EQ(Ok, graphics->CreateDevice(0, DeviceType::Hal, record.hDeviceWindow, 0, &record, &device));
    EXPECT_EQ(0u, graphics->Release());
    graphics = nullptr;
    Graphics* fromDevice = nullptr;
    ASSERT_EQ(Ok, device->GetDirect3D(&fromDevice));
    AdapterIdentifier identifier;
    EXPECT_EQ(Ok, fromDevice->GetAdapterIdentifier(0, 0, &identifier));
    EXPECT_EQ(0u, fromDevice->Release());
}

} // namespace
} // namespace GfxTesting
