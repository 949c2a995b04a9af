#include "tests/engine/EngineFixture.h"

#include <algorithm>
#include <functional>

namespace EngineTesting
{
namespace
{

using DeviceCreationTest = EngineFixture;

struct PreparationCase
{
    const char* name;
    std::vector<SimulatedAdapter> adapters;
    int heads;
    bool windowed;
    std::function<void(Qen::CDisplaySettings&)> request;
    std::function<void(const Qen::CDisplaySettings&, const Qen::CAdapterRecord&)> check;
};

TEST_F(DeviceCreationTest, PreparedRecordsFollowTheAdapterAndTheHeads)
{
    // The real multisample levels bound the simulated ones.
    std::uint32_t realLevels = 0;
    {
        Graphics* probe = CreateGraphics(32);
        ASSERT_NE(nullptr, probe);
        realLevels = probe->Profile(0)->multiSampleLevels;
        probe->Release();
    }
    const std::uint32_t levels = std::min(4u, realLevels);

    SimulatedAdapter noD24X8;
    noD24X8.depthFormats = std::vector<std::uint32_t>{Format::D16, Format::D24S8};
    SimulatedAdapter noTransform;
    noTransform.hardwareTransformAndLight = false;
    SimulatedAdapter noMultisampling;
    noMultisampling.multiSampleLevels = 0;
    SimulatedAdapter fourLevels;
    fourLevels.multiSampleLevels = levels;

    const std::vector<PreparationCase> cases = {
        {"one windowed head", {}, 1, true, nullptr,
         [](const Qen::CDisplaySettings& s, const Qen::CAdapterRecord& a) {
             EXPECT_EQ(0u, s.behaviorFlags & CreateFlag::AdapterGroupDevice);
             EXPECT_EQ(0x50u, s.behaviorFlags);
             EXPECT_EQ(0u, s.MonitorIndexOf(0));
             EXPECT_EQ(a.monitors[0].currentMode.Format, s.records[0].BackBufferFormat);
             EXPECT_EQ(Format::D24X8, s.records[0].AutoDepthStencilFormat);
         }},
        {"two full-screen heads on a two-adapter group", {GroupMember(0, 0, 2), GroupMember(0, 1, 2)}, 2, false,
         nullptr,
         [](const Qen::CDisplaySettings& s, const Qen::CAdapterRecord& a) {
             EXPECT_NE(0u, s.behaviorFlags & CreateFlag::AdapterGroupDevice);
             ASSERT_EQ(2u, a.monitors.size());
             EXPECT_NE(nullptr, a.monitors[1].monitor);
             EXPECT_EQ(&a.monitors[1], a.MonitorFor(s.MonitorIndexOf(1)));
             EXPECT_EQ(Format::X8R8G8B8, s.records[1].BackBufferFormat);
         }},
        {"two full-screen heads on one adapter", {}, 2, false, nullptr,
         [](const Qen::CDisplaySettings& s, const Qen::CAdapterRecord& a) {
             EXPECT_NE(0u, s.behaviorFlags & CreateFlag::AdapterGroupDevice);
             ASSERT_EQ(1u, a.monitors.size());
             EXPECT_EQ(&a.monitors[0], a.MonitorFor(s.MonitorIndexOf(1)));
             EXPECT_EQ(Format::X8R8G8B8, s.records[1].BackBufferFormat);
         }},
        {"quality above the levels is clamped", {fourLevels}, 1, true,
         [](Qen::CDisplaySettings& s) { s.SetMultiSampling(true, 7, 0); },
         [levels](const Qen::CDisplaySettings& s, const Qen::CAdapterRecord&) {
             EXPECT_EQ(MultiSample::NonMaskable, s.records[0].MultiSampleType);
             EXPECT_EQ(levels - 1, s.records[0].MultiSampleQuality);
             EXPECT_EQ(MultiSample::None, s.records[1].MultiSampleType); // other heads untouched
         }},
        {"a failed multisample check switches it off", {noMultisampling}, 1, true,
         [](Qen::CDisplaySettings& s) { s.SetMultiSampling(true, 2, -1); },
         [](const Qen::CDisplaySettings& s, const Qen::CAdapterRecord&) {
             EXPECT_EQ(MultiSample::None, s.records[0].MultiSampleType);
             EXPECT_EQ(0u, s.records[0].MultiSampleQuality);
         }},
        {"a refused depth format makes every record D16", {noD24X8}, 1, true, nullptr,
         [](const Qen::CDisplaySettings& s, const Qen::CAdapterRecord&) {
             for (const PresentParameters& record : s.records)
             {
                 EXPECT_EQ(Format::D16, record.AutoDepthStencilFormat);
             }
         }},
        {"no hardware transform means software processing", {noTransform}, 1, true, nullptr,
         [](const Qen::CDisplaySettings& s, const Qen::CAdapterRecord&) { EXPECT_EQ(0x20u, s.behaviorFlags); }},
    };

    for (const PreparationCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (!c.adapters.empty())
        {
            SimulateAdapters(c.adapters);
        }
        Graphics* g = CreateGraphics(32);
        ASSERT_NE(nullptr, g);
        std::vector<Qen::CAdapterRecord*> records = Qen::EnumerateAdapters(g, DeviceType::Hal, nullptr);
        ASSERT_FALSE(records.empty());
        Qen::CDisplaySettings s;
        s.SetAdapter(records[0]);
        s.headCount = c.heads;
        for (PresentParameters& record : s.records)
        {
            record.Windowed = c.windowed ? 1 : 0;
        }
        if (c.request)
        {
            c.request(s);
        }
        s.PrepareRecords();
        c.check(s, *records[0]);
        for (Qen::CAdapterRecord* record : records)
        {
            delete record;
        }
        g->Release();
        StopSimulatingAdapters();
    }
}

TEST_F(DeviceCreationTest, EnumerationDropsGroupMembersAndMatchesTheSpecialDescriptionWhole)
{
    SimulatedAdapter specialAdapter;
    specialAdapter.description = Qen::kSpecialAdapterDescription;
    SimulatedAdapter longer;
    longer.description = std::string(Qen::kSpecialAdapterDescription) + " 2";
    MakeGraphics({GroupMember(0, 0, 2), GroupMember(0, 1, 2), longer, specialAdapter});
    ASSERT_EQ(3u, adapters.size());
    EXPECT_EQ(0, adapters[0]->ordinal);
    EXPECT_EQ(2, adapters[1]->ordinal);
    EXPECT_EQ(3, adapters[2]->ordinal);
    EXPECT_EQ(DeviceType::Hal, adapters[1]->deviceType);
    EXPECT_EQ(DeviceType::Ref, adapters[2]->deviceType);
    EXPECT_EQ(adapters[2], special);
    // Each record holds the graphics object: one count per record besides the test's own.
    EXPECT_EQ(5u, graphics->AddRef());
    graphics->Release();
}

class FullScreenHeadsTest : public EngineFixture
{
protected:
    // Two full-screen 160 x 120 heads on the adapters: the implicit swap chains the device has.
    void CreateOn(std::vector<SimulatedAdapter> simulated, std::uint32_t implicitChains)
    {
        MakeGraphics(std::move(simulated));
        UseHeads(2, 160, 120, false);
        ASSERT_TRUE(settings.CreateDevice(controller, reporter, graphics, &device));
        EXPECT_TRUE(reporter.reported.empty());
        EXPECT_EQ(implicitChains, device->GetNumberOfSwapChains());
        ASSERT_EQ(2u, controller.GetHeads().size());
        for (int i = 0; i < 2; ++i)
        {
            const Qen::CDisplayHead& head = *controller.GetHeads()[i];
            ASSERT_NE(nullptr, head.swapChain);
            EXPECT_EQ(settings.records[i].hDeviceWindow, head.window);
            EXPECT_FALSE(head.windowed);
            EXPECT_EQ(160u, head.backBufferWidth);
            EXPECT_EQ(&controller, head.engine);
            EXPECT_EQ(i < static_cast<int>(implicitChains), head.swapChain->IsImplicit());
        }
    }
};

TEST_F(FullScreenHeadsTest, AGroupOfTwoGivesTwoImplicitSwapChains)
{
    CreateOn({GroupMember(0, 0, 2), GroupMember(0, 1, 2)}, 2);
}

TEST_F(FullScreenHeadsTest, OneAdapterGivesTheSecondHeadAnAdditionalSwapChain)
{
    CreateOn({GroupMember(0, 0, 1)}, 1);
}

TEST_F(DeviceCreationTest, ARefusedDeviceIsReportedAndLeavesNoHead)
{
    MakeGraphics();
    UseHeads(1, 160, 120, true);
    settings.SetBackBufferFormat(Format::R5G6B5);
    EXPECT_FALSE(settings.CreateDevice(controller, reporter, graphics, &device));
    EXPECT_EQ(std::vector<Result>{InvalidCall}, reporter.reported);
    EXPECT_EQ(nullptr, device);
    EXPECT_TRUE(controller.GetHeads().empty());
}

TEST_F(DeviceCreationTest, AHeadWithoutASwapChainFailsTheCreation)
{
    MakeGraphics();
    UseHeads(2, 160, 120, true);
    // The second head's window is gone before the device is made: its swap chain cannot be had.
    Platform::DestroyWindow(settings.records[1].hDeviceWindow);
    windows.pop_back();
    EXPECT_FALSE(settings.CreateDevice(controller, reporter, graphics, &device));
    ASSERT_EQ(1u, reporter.reported.size());
    EXPECT_TRUE(Failed(reporter.reported[0]));
    EXPECT_EQ(nullptr, device);
    EXPECT_TRUE(controller.GetHeads().empty());
}

TEST_F(DeviceCreationTest, TwoWindowedHeadsClearAndPresentTheirOwnPictures)
{
    MakeGraphics();
    UseHeads(2, 160, 120, true);
    ASSERT_TRUE(settings.CreateDevice(controller, reporter, graphics, &device));
    controller.InitEngine(device, graphics);
    // Two windowed heads make one implicit swap chain: the settings read back say one head.
    EXPECT_EQ(1, controller.GetDeviceSettings()->headCount);
    ASSERT_EQ(2u, controller.GetHeads().size());

    const std::uint32_t colours[] = {0xFF204080u, 0xFF802040u};
    for (int i = 0; i < 2; ++i)
    {
        Qen::CDisplayHead& head = *controller.GetHeads()[i];
        Surface* backBuffer = nullptr;
        ASSERT_EQ(Ok, head.swapChain->GetBackBuffer(0, BackBufferTypeMono, &backBuffer));
        ASSERT_EQ(Ok, device->SetRenderTarget(0, backBuffer));
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, colours[i], 1.0f, 0));
        ASSERT_EQ(Ok, head.swapChain->Present(nullptr, nullptr, nullptr, nullptr, 0));
        std::vector<std::uint32_t> pixels;
        ASSERT_EQ(Ok, ReadSurfacePixels(backBuffer, pixels));
        ASSERT_EQ(160u * 120u, pixels.size());
        EXPECT_EQ(pixels.size(), static_cast<std::size_t>(std::count(pixels.begin(), pixels.end(), colours[i])))
            << "head " << i;
        EXPECT_TRUE(WritePng(OutputPath("device_head" + std::to_string(i) + ".png"), 160, 120, pixels, false));
        backBuffer->Release();
    }
    device->SetRenderTarget(0, nullptr);
}

} // namespace
} // namespace EngineTesting
