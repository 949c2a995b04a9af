#include "tests/platform/gfx/GfxFixture.h"

#include <algorithm>

namespace GfxTesting
{
namespace
{

using LossTest = GfxFixture;

TEST_F(LossTest, SimulatedLossIsLostForItsPassesThenNeedsAReset)
{
    MakeDevice(16, 16);
    EXPECT_EQ(Ok, device->TestCooperativeLevel());
    device->SimulateDeviceLoss(2);
    const Result expected[] = {DeviceLost, DeviceLost, DeviceNotReset, DeviceNotReset};
    for (Result result : expected)
    {
        EXPECT_EQ(result, device->TestCooperativeLevel());
    }
    PresentParameters record = Record(windows[0], 16, 16);
    ASSERT_EQ(Ok, device->Reset(&record));
    EXPECT_EQ(Ok, device->TestCooperativeLevel());
}

TEST_F(LossTest, WhileLostPresentFailsAndClearsDoNothing)
{
    MakeDevice(16, 16);
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF0000FFu, 1.0f, 0));
    device->SimulateDeviceLoss(1);
    const std::uint64_t presents = device->Counters().presents;
    EXPECT_EQ(DeviceLost, device->Present(nullptr, nullptr, nullptr, nullptr));
    SwapChain* swapChain = nullptr;
    ASSERT_EQ(Ok, device->GetSwapChain(0, &swapChain));
    EXPECT_EQ(DeviceLost, swapChain->Present(nullptr, nullptr, nullptr, nullptr, 0));
    swapChain->Release();
    EXPECT_EQ(presents, device->Counters().presents);
    EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFFFF0000u, 1.0f, 0));
    EXPECT_EQ(0xFF0000FFu, BackBufferPixels()[0]);
    EXPECT_EQ(DeviceLost, device->TestCooperativeLevel());
    EXPECT_EQ(DeviceNotReset, device->TestCooperativeLevel());
    EXPECT_EQ(DeviceLost, device->Present(nullptr, nullptr, nullptr, nullptr));
}

TEST_F(LossTest, ResetWaitsForDefaultPoolObjectsAndNamesThem)
{
    MakeDevice(16, 16);
    Platform::DebugOutputCapture traces;

    Surface* target = nullptr;
    ASSERT_EQ(Ok, device->CreateRenderTarget(8, 8, Format::A8R8G8B8, 0, 0, false, &target, nullptr));
    Surface* managed = nullptr;
    ASSERT_EQ(Ok,
              device->CreateOffscreenPlainSurface(2, 1, Format::A8R8G8B8, Pool::Managed, &managed, nullptr));
    LockedRect locked;
    ASSERT_EQ(Ok, managed->LockRect(&locked, nullptr, 0));
    static_cast<std::uint32_t*>(locked.pBits)[1] = 0x11223344u;
    ASSERT_EQ(Ok, managed->UnlockRect());
    ASSERT_EQ(Ok, device->SetRenderState(RenderState::CullMode, Cull::None));
    ASSERT_EQ(Ok, device->SetRenderTarget(0, target));

    device->SimulateDeviceLoss(0);
    ASSERT_EQ(DeviceNotReset, device->TestCooperativeLevel());
    // Locks of memory pools work while the device is lost.
    ASSERT_EQ(Ok, managed->LockRect(&locked, nullptr, 0));
    ASSERT_EQ(Ok, managed->UnlockRect());

    PresentParameters record = Record(windows[0], 16, 16);
    EXPECT_EQ(InvalidCall, device->Reset(&record));
    const std::string traced = traces.Text();
    EXPECT_EQ(1, std::count(traced.begin(), traced.end(), '\n')) << traced;
    EXPECT_NE(std::string::npos, traced.find("render target 8x8")) << traced;
    EXPECT_EQ(std::string::npos, traced.find("plain surface")) << traced;
    EXPECT_EQ(DeviceNotReset, device->TestCooperativeLevel());

    EXPECT_EQ(0u, target->Release());
    ASSERT_EQ(Ok, device->Reset(&record));
    EXPECT_EQ(Ok, device->TestCooperativeLevel());
    std::uint32_t cull = 0;
    ASSERT_EQ(Ok, device->GetRenderState(RenderState::CullMode, &cull));
    EXPECT_EQ(Cull::CounterClockwise, cull);
    EXPECT_EQ(0x11223344u, Pixels(managed)[1]);

    Surface* current = nullptr;
    Surface* backBuffer = nullptr;
    ASSERT_EQ(Ok, device->GetRenderTarget(0, &current));
    ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, BackBufferTypeMono, &backBuffer));
    EXPECT_EQ(backBuffer, current);
    current->Release();
    backBuffer->Release();
    Surface* depth = nullptr;
    ASSERT_EQ(Ok, device->GetDepthStencilSurface(&depth));
    SwapChain* swapChain = nullptr;
    ASSERT_EQ(Ok, device->GetSwapChain(0, &swapChain));
    EXPECT_EQ(swapChain->AutoDepthStencil(), depth);
    depth->Release();
    swapChain->Release();
    managed->Release();
}

TEST_F(LossTest, ImplicitSwapChainsAndBackBuffersHeldOutsideBlockAReset)
{
    MakeDevice(16, 16);
    Platform::DebugOutputCapture quiet;
    PresentParameters record = Record(windows[0], 16, 16);
    // The device's own depth buffer, fetched and kept, does not block.
    Surface* depth = nullptr;
    ASSERT_EQ(Ok, device->GetDepthStencilSurface(&depth));
    SwapChain* swapChain = nullptr;
    ASSERT_EQ(Ok, device->GetSwapChain(0, &swapChain));
    EXPECT_EQ(InvalidCall, device->Reset(&record));
    swapChain->Release();
    Surface* backBuffer = nullptr;
    ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, BackBufferTypeMono, &backBuffer));
    EXPECT_EQ(InvalidCall, device->Reset(&record));
    backBuffer->Release();
    EXPECT_EQ(Ok, device->Reset(&record));
    depth->Release();
}

TEST_F(LossTest, ResetWithoutALossRebuildsTheBackBufferAtTheNewSize)
{
    MakeDevice(16, 16);
    PresentParameters record = Record(windows[0], 40, 30);
    record.EnableAutoDepthStencil = 0;
    ASSERT_EQ(Ok, device->Reset(&record));
    Surface* backBuffer = nullptr;
    ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, BackBufferTypeMono, &backBuffer));
    EXPECT_EQ(40u, backBuffer->Desc().Width);
    EXPECT_EQ(30u, backBuffer->Desc().Height);
    backBuffer->Release();
    Surface* depth = nullptr;
    EXPECT_EQ(NotFound, device->GetDepthStencilSurface(&depth));
    std::uint32_t zEnable = 1;
    ASSERT_EQ(Ok, device->GetRenderState(RenderState::ZEnable, &zEnable));
    EXPECT_EQ(0u, zEnable);
}

TEST_F(LossTest, ResetSwitchesBetweenWindowAndFullScreen)
{
    MakeDevice(64, 48);
    PresentParameters fullScreen = Record(windows[0], 320, 240);
    fullScreen.Windowed = 0;
    ASSERT_EQ(Ok, device->Reset(&fullScreen));
    EXPECT_TRUE(IsWindowFullScreen(windows[0]));
    SwapChain* swapChain = nullptr;
    ASSERT_EQ(Ok, device->GetSwapChain(0, &swapChain));
    PresentParameters readBack;
    ASSERT_EQ(Ok, swapChain->GetPresentParameters(&readBack));
    EXPECT_EQ(0, readBack.Windowed);
    EXPECT_EQ(320u, swapChain->BackBuffer()->Desc().Width);
    swapChain->Release();
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF808080u, 1.0f, 0));
    EXPECT_EQ(Ok, device->Present(nullptr, nullptr, nullptr, nullptr));

    PresentParameters windowed = Record(windows[0], 64, 48);
    ASSERT_EQ(Ok, device->Reset(&windowed));
    EXPECT_FALSE(IsWindowFullScreen(windows[0]));
    Platform::WindowRect client;
    ASSERT_TRUE(Platform::GetClientRect(windows[0], &client));
    EXPECT_EQ(64, client.right);
    EXPECT_EQ(48, client.bottom);
}

TEST_F(LossTest, BindingsReleasedByTheirOwnersDoNotBlockAReset)
{
    MakeDevice(16, 16);
    Surface* target = nullptr;
    ASSERT_EQ(Ok, device->CreateRenderTarget(8, 8, Format::A8R8G8B8, 0, 0, false, &target, nullptr));
    Surface* depth = nullptr;
    ASSERT_EQ(Ok, device->CreateDepthStencilSurface(8, 8, Format::D24S8, 0, 0, false, &depth, nullptr));
    ASSERT_EQ(Ok, device->SetRenderTarget(0, target));
    ASSERT_EQ(Ok, device->SetDepthStencilSurface(depth));
    target->Release();
    depth->Release();
    device->SimulateDeviceLoss(0);
    PresentParameters record = Record(windows[0], 16, 16);
    EXPECT_EQ(Ok, device->Reset(&record));
}

} // namespace
} // namespace GfxTesting
