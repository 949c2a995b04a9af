#include "tests/platform/gfx/GfxFixture.h"

#include <png.h>

#include <cstdio>

namespace GfxTesting
{
namespace
{

// Decodes a PNG file into 0xAARRGGBB pixels with libpng; empty when it cannot be read.
std::vector<std::uint32_t> DecodePng(const std::string& path, std::uint32_t& width, std::uint32_t& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<std::uint32_t> pixels;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
    {
        return pixels;
    }
    image.format = PNG_FORMAT_BGRA;
    width = image.width;
    height = image.height;
    pixels.resize(static_cast<std::size_t>(width) * height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
    {
        pixels.clear();
    }
    return pixels;
}

using DeviceTest = GfxFixture;

TEST_F(DeviceTest, ClearFillsTheWholeTargetAndWritesAPictureThatDecodesToTheSameColour)
{
    MakeDevice(64, 48);
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF204080u, 1.0f, 0));
    const std::vector<std::uint32_t> pixels = BackBufferPixels();
    ASSERT_EQ(64u * 48u, pixels.size());
    for (std::uint32_t pixel : pixels)
    {
        ASSERT_EQ(0xFF204080u, pixel);
    }

    Surface* backBuffer = nullptr;
    ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, BackBufferTypeMono, &backBuffer));
    const std::string path = OutputPath("clear.png");
    EXPECT_EQ(Ok, SaveSurfaceToPng(backBuffer, path));
    backBuffer->Release();
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const std::vector<std::uint32_t> decoded = DecodePng(path, width, height);
    EXPECT_EQ(64u, width);
    EXPECT_EQ(48u, height);
    ASSERT_EQ(pixels.size(), decoded.size());
    EXPECT_EQ(pixels, decoded);
}

TEST_F(DeviceTest, ClearTouchesOnlyTheViewportCountedFromTheTopRow)
{
    MakeDevice(64, 48);
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF000000u, 1.0f, 0));
    const Viewport viewport{5, 7, 10, 10, 0.0f, 1.0f};
    ASSERT_EQ(Ok, device->SetViewport(&viewport));
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF204080u, 1.0f, 0));
    const std::vector<std::uint32_t> pixels = BackBufferPixels();
    for (std::uint32_t y = 0; y < 48; ++y)
    {
        for (std::uint32_t x = 0; x < 64; ++x)
        {
            const bool inside = x >= 5 && x < 15 && y >= 7 && y < 17;
            ASSERT_EQ(inside ? 0xFF204080u : 0xFF000000u, pixels[y * 64 + x]) << x << "," << y;
        }
    }
}

TEST_F(DeviceTest, ClearKeepsToTheScissorRectangleOnlyWhileTheScissorTestIsOn)
{
    MakeDevice(16, 16);
    const Rect scissor{2, 3, 6, 5};
    ASSERT_EQ(Ok, device->SetScissorRect(&scissor));
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF111111u, 1.0f, 0));
    EXPECT_EQ(0xFF111111u, BackBufferPixels()[0]);

    ASSERT_EQ(Ok, device->SetRenderState(RenderState::ScissorTestEnable, 1));
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFFEEEEEEu, 1.0f, 0));
    const std::vector<std::uint32_t> pixels = BackBufferPixels();
    EXPECT_EQ(0xFF111111u, pixels[0]);
    EXPECT_EQ(0xFFEEEEEEu, pixels[3 * 16 + 2]);
    EXPECT_EQ(0xFFEEEEEEu, pixels[4 * 16 + 5]);
    EXPECT_EQ(0xFF111111u, pixels[5 * 16 + 5]);
    EXPECT_EQ(0xFF111111u, pixels[4 * 16 + 6]);
}

TEST_F(DeviceTest, ClearRefusesDepthAndStencilWithoutASuitableBuffer)
{
    MakeDevice(16, 16);
    Surface* depthOnly = nullptr;
    ASSERT_EQ(Ok, device->CreateDepthStencilSurface(16, 16, Format::D16, 0, 0, false, &depthOnly, nullptr));
    ASSERT_EQ(Ok, device->SetDepthStencilSurface(depthOnly));
    EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::ZBuffer, 0, 1.0f, 0));
    EXPECT_EQ(InvalidCall, device->Clear(0, nullptr, ClearFlag::Stencil, 0, 1.0f, 0));
    ASSERT_EQ(Ok, device->SetDepthStencilSurface(nullptr));
    EXPECT_EQ(InvalidCall, device->Clear(0, nullptr, ClearFlag::ZBuffer, 0, 1.0f, 0));
    EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0, 1.0f, 0));
    depthOnly->Release();
}

TEST_F(DeviceTest, RenderTargetsSwitchSetTheViewportAndReadBackThroughPlainSurfaces)
{
    MakeDevice(64, 48);
    Surface* target = nullptr;
    ASSERT_EQ(Ok, device->CreateRenderTarget(8, 4, Format::A8R8G8B8, 0, 0, false, &target, nullptr));
    ASSERT_EQ(Ok, device->SetRenderTarget(0, target));
    Viewport viewport;
    ASSERT_EQ(Ok, device->GetViewport(&viewport));
    EXPECT_EQ(8u, viewport.Width);
    EXPECT_EQ(4u, viewport.Height);
    // The device's depth buffer is larger than the target: drawing uses their common area.
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0x80FF0000u, 1.0f, 0));

    Surface* copy = nullptr;
    ASSERT_EQ(
        Ok, device->CreateOffscreenPlainSurface(8, 4, Format::A8R8G8B8, Pool::SystemMemory, &copy, nullptr));
    ASSERT_EQ(Ok, device->GetRenderTargetData(target, copy));
    LockedRect locked;
    ASSERT_EQ(Ok, copy->LockRect(&locked, nullptr, 0));
    EXPECT_EQ(32, locked.Pitch);
    const auto* bytes = static_cast<const std::uint8_t*>(locked.pBits);
    EXPECT_EQ(0x00, bytes[0]); // blue
    EXPECT_EQ(0x00, bytes[1]); // green
    EXPECT_EQ(0xFF, bytes[2]); // red
    EXPECT_EQ(0x80, bytes[3]); // alpha
    EXPECT_EQ(InvalidCall, copy->LockRect(&locked, nullptr, 0));
    EXPECT_EQ(Ok, copy->UnlockRect());

    Surface* current = nullptr;
    ASSERT_EQ(Ok, device->GetRenderTarget(0, &current));
    EXPECT_EQ(target, current);
    current->Release();
    EXPECT_EQ(InvalidCall, device->SetRenderTarget(1, target));
    EXPECT_EQ(InvalidCall, device->SetRenderTarget(0, copy));
    EXPECT_EQ(InvalidCall, target->LockRect(&locked, nullptr, 0));

    Surface* wrongSize = nullptr;
    ASSERT_EQ(Ok, device->CreateOffscreenPlainSurface(4, 4, Format::A8R8G8B8, Pool::SystemMemory, &wrongSize,
                                                      nullptr));
    EXPECT_EQ(InvalidCall, device->GetRenderTargetData(target, wrongSize));
    wrongSize->Release();
    copy->Release();
    target->Release();
}

TEST_F(DeviceTest, SixteenBitTargetsReadBackInTheirOwnLayout)
{
    MakeDevice(16, 16);
    Surface* target = nullptr;
    ASSERT_EQ(Ok, device->CreateRenderTarget(4, 4, Format::R5G6B5, 0, 0, false, &target, nullptr));
    ASSERT_EQ(Ok, device->SetRenderTarget(0, target));
    ASSERT_EQ(Ok, device->SetDepthStencilSurface(nullptr));
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFFFF0000u, 1.0f, 0));
    Surface* copy = nullptr;
    ASSERT_EQ(Ok,
              device->CreateOffscreenPlainSurface(4, 4, Format::R5G6B5, Pool::SystemMemory, &copy, nullptr));
    ASSERT_EQ(Ok, device->GetRenderTargetData(target, copy));
    LockedRect locked;
    ASSERT_EQ(Ok, copy->LockRect(&locked, nullptr, 0));
    const auto* bytes = static_cast<const std::uint8_t*>(locked.pBits);
    EXPECT_EQ(0xF800, bytes[0] | (bytes[1] << 8));
    copy->UnlockRect();
    copy->Release();
    target->Release();
}

TEST_F(DeviceTest, FloatAndPaddedTargetsReadBackInTheirOwnLayout)
{
    MakeDevice(16, 16);
    // Cleared to green with alpha 0: (red, green, blue, alpha) = (0, 1, 0, 0); the padding byte of
    // X8R8G8B8 reads as set.
    struct Case
    {
        std::uint32_t format;
        std::vector<std::uint8_t> expected;
    };
    const Case cases[] = {
        {Format::A16B16G16R16F, {0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x00}},
        {Format::A32B32G32R32F,
         {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {Format::X8R8G8B8, {0x00, 0xFF, 0x00, 0xFF}},
    };
    ASSERT_EQ(Ok, device->SetDepthStencilSurface(nullptr));
    for (const Case& c : cases)
    {
        Surface* target = nullptr;
        ASSERT_EQ(Ok, device->CreateRenderTarget(2, 2, c.format, 0, 0, false, &target, nullptr));
        ASSERT_EQ(Ok, device->SetRenderTarget(0, target));
        ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0x0000FF00u, 1.0f, 0));
        Surface* copy = nullptr;
        ASSERT_EQ(Ok,
                  device->CreateOffscreenPlainSurface(2, 2, c.format, Pool::SystemMemory, &copy, nullptr));
        ASSERT_EQ(Ok, device->GetRenderTargetData(target, copy));
        LockedRect locked;
        ASSERT_EQ(Ok, copy->LockRect(&locked, nullptr, 0));
        const auto* bytes = static_cast<const std::uint8_t*>(locked.pBits) + locked.Pitch; // second row
        EXPECT_EQ(c.expected, std::vector<std::uint8_t>(bytes, bytes + c.expected.size())) << c.format;
        copy->UnlockRect();
        copy->Release();
        target->Release();
    }
}

TEST_F(DeviceTest, MultisampledBackBufferResolvesForReadBack)
{
    MakeGraphics();
    std::uint32_t levels = 0;
    if (Failed(graphics->CheckDeviceMultiSampleType(0, DeviceType::Hal, Format::X8R8G8B8, true,
                                                    MultiSample::NonMaskable, &levels)))
    {
        GTEST_SKIP() << "no multisampling here";
    }
    PresentParameters record = Record(OpenWindow(32, 32), 32, 32);
    record.MultiSampleType = MultiSample::NonMaskable;
    record.MultiSampleQuality = 0;
    ASSERT_EQ(Ok, graphics->CreateDevice(0, DeviceType::Hal, record.hDeviceWindow, 0, &record, &device));
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target | ClearFlag::ZBuffer, 0xFF336699u, 1.0f, 0));
    EXPECT_EQ(0xFF336699u, BackBufferPixels()[32 * 16 + 16]);
    EXPECT_EQ(Ok, device->Present(nullptr, nullptr, nullptr, nullptr));
}

TEST_F(DeviceTest, RenderStatesStartAtTheirDefaultsAndEveryCallReachesTheDevice)
{
    MakeDevice(16, 16);
    struct Expected
    {
        std::uint32_t state;
        std::uint32_t value;
    };
    const Expected defaults[] = {
        {RenderState::ZEnable, 1},
        {RenderState::ZWriteEnable, 1},
        {RenderState::ZFunc, 4},
        {RenderState::CullMode, 3},
        {RenderState::FillMode, 3},
        {RenderState::AlphaBlendEnable, 0},
        {RenderState::SrcBlend, 2},
        {RenderState::DestBlend, 1},
        {RenderState::AlphaTestEnable, 0},
        {RenderState::AlphaFunc, 8},
        {RenderState::StencilEnable, 0},
        {RenderState::StencilFunc, 8},
        {RenderState::StencilFail, 1},
        {RenderState::StencilPass, 1},
        {RenderState::StencilMask, 0xFFFFFFFFu},
        {RenderState::StencilWriteMask, 0xFFFFFFFFu},
        {RenderState::ColorWriteEnable, 0xF},
        {RenderState::ScissorTestEnable, 0},
        {RenderState::MultiSampleAntialias, 1},
        {RenderState::TextureFactor, 0xFFFFFFFFu},
        {RenderState::Lighting, 1},
        {RenderState::BlendFactor, 0xFFFFFFFFu},
    };
    for (const Expected& expected : defaults)
    {
        std::uint32_t value = 0;
        ASSERT_EQ(Ok, device->GetRenderState(expected.state, &value));
        EXPECT_EQ(expected.value, value) << "state " << expected.state;
    }
    const std::uint64_t before = device->Counters().renderStates;
    EXPECT_EQ(Ok, device->SetRenderState(RenderState::CullMode, Cull::None));
    EXPECT_EQ(Ok, device->SetRenderState(RenderState::CullMode, Cull::None));
    EXPECT_EQ(before + 2, device->Counters().renderStates);
    EXPECT_EQ(InvalidCall, device->SetRenderState(RenderStateCount, 0));

    EXPECT_EQ(Ok, device->SetSoftwareVertexProcessing(true));
    EXPECT_TRUE(device->GetSoftwareVertexProcessing());
}

TEST_F(DeviceTest, ScenesDoNotNest)
{
    MakeDevice(16, 16);
    EXPECT_EQ(InvalidCall, device->EndScene());
    EXPECT_EQ(Ok, device->BeginScene());
    EXPECT_EQ(InvalidCall, device->BeginScene());
    EXPECT_EQ(Ok, device->EndScene());
    EXPECT_EQ(InvalidCall, device->EndScene());
}

TEST_F(DeviceTest, ABoundTargetReleasedByItsOwnerStaysUsableUntilUnbound)
{
    MakeDevice(16, 16);
    Surface* target = nullptr;
    ASSERT_EQ(Ok, device->CreateRenderTarget(4, 4, Format::X8R8G8B8, 0, 0, false, &target, nullptr));
    EXPECT_EQ(2u, target->AddRef());
    EXPECT_EQ(1u, target->Release());
    ASSERT_EQ(Ok, device->SetRenderTarget(0, target));
    EXPECT_EQ(0u, target->Release());
    EXPECT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF00FF00u, 1.0f, 0));
    Surface* bound = nullptr;
    ASSERT_EQ(Ok, device->GetRenderTarget(0, &bound));
    EXPECT_EQ(target, bound);
    EXPECT_EQ(0xFF00FF00u, Pixels(bound)[0]);
    EXPECT_EQ(0u, bound->Release());

    Surface* backBuffer = nullptr;
    ASSERT_EQ(Ok, device->GetBackBuffer(0, 0, BackBufferTypeMono, &backBuffer));
    EXPECT_EQ(Ok, device->SetRenderTarget(0, backBuffer));
    backBuffer->Release();
}

TEST_F(DeviceTest, PlainSurfacesLockSubRectanglesInEveryPool)
{
    MakeDevice(16, 16);
    for (std::uint32_t pool : {Pool::Default, Pool::Managed, Pool::SystemMemory, Pool::Scratch})
    {
        Surface* surface = nullptr;
        ASSERT_EQ(Ok, device->CreateOffscreenPlainSurface(4, 3, Format::X8R8G8B8, pool, &surface, nullptr));
        SurfaceDesc desc;
        ASSERT_EQ(Ok, surface->GetDesc(&desc));
        EXPECT_EQ(pool, desc.Pool);
        EXPECT_EQ(ResourceType::Surface, desc.Type);
        const Rect rect{1, 2, 3, 3};
        LockedRect locked;
        ASSERT_EQ(Ok, surface->LockRect(&locked, &rect, 0));
        EXPECT_EQ(16, locked.Pitch);
        static_cast<std::uint8_t*>(locked.pBits)[2] = 0x7F; // red of pixel (1, 2)
        ASSERT_EQ(Ok, surface->UnlockRect());
        EXPECT_EQ(0xFF7F0000u, Pixels(surface)[2 * 4 + 1]);
        const Rect outside{2, 2, 5, 3};
        EXPECT_EQ(InvalidCall, surface->LockRect(&locked, &outside, 0));
        surface->Release();
    }
    Surface* refused = nullptr;
    EXPECT_EQ(InvalidCall, device->CreateOffscreenPlainSurface(4, 4, Format::D24S8, Pool::SystemMemory,
                                                               &refused, nullptr));
}

TEST_F(DeviceTest, PresentShowsTheBackBufferAndCounts)
{
    MakeDevice(32, 24);
    ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, 0xFF102030u, 1.0f, 0));
    EXPECT_EQ(Ok, device->Present(nullptr, nullptr, nullptr, nullptr));
    SwapChain* swapChain = nullptr;
    ASSERT_EQ(Ok, device->GetSwapChain(0, &swapChain));
    EXPECT_EQ(Ok, swapChain->Present(nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(2u, device->Counters().presents);
    DisplayMode mode;
    EXPECT_EQ(Ok, swapChain->GetDisplayMode(&mode));
    EXPECT_EQ(Format::X8R8G8B8, mode.Format);
    EXPECT_GT(mode.Width, 0u);
    swapChain->Release();
}

TEST_F(DeviceTest, TwoHeadsPresentingInOneFrameShowTheirOwnPicturesAndSwitchOnlyBetweenWindows)
{
    MakeGraphics();
    ASSERT_FALSE(HasFatalFailure());
    // Side by side and shown, so that each window holds what was presented into it.
    PresentParameters records[2] = {Record(OpenWindow(32, 24, 0, 0), 32, 24),
                                    Record(OpenWindow(32, 24, 64, 0), 32, 24)};
    for (const PresentParameters& record : records)
    {
        Platform::ShowWindow(record.hDeviceWindow, Platform::SW_SHOW);
    }
    {
        std::vector<std::uint32_t> shown;
        int width = 0;
        int height = 0;
        if (ReadWindowPixels(records[0].hDeviceWindow, shown, width, height) == NotAvailable)
        {
            GTEST_SKIP() << "this display cannot be read back";
        }
    }
    ASSERT_EQ(Ok, graphics->CreateDevice(0, DeviceType::Hal, records[0].hDeviceWindow, 0, records, &device));
    SwapChain* heads[2] = {};
    ASSERT_EQ(Ok, device->GetSwapChain(0, &heads[0]));
    ASSERT_EQ(Ok, device->CreateAdditionalSwapChain(&records[1], &heads[1]));
    Surface* backBuffers[2] = {};
    for (int head = 0; head < 2; ++head)
    {
        ASSERT_EQ(Ok, heads[head]->GetBackBuffer(0, BackBufferTypeMono, &backBuffers[head]));
    }
    const std::uint64_t& switches = device->Counters().contextSwitches;
    const std::uint32_t colours[2][2] = {{0xFFC02010u, 0xFF2080F0u}, {0xFF10A040u, 0xFFF0E030u}};
    for (int frame = 0; frame < 2; ++frame)
    {
        const std::uint64_t frameStart = switches;
        for (int head = 0; head < 2; ++head)
        {
            const std::uint64_t beforeDrawing = switches;
            ASSERT_EQ(Ok, device->SetRenderTarget(0, backBuffers[head]));
            ASSERT_EQ(Ok, device->Clear(0, nullptr, ClearFlag::Target, colours[frame][head], 1.0f, 0));
            EXPECT_EQ(beforeDrawing, switches) << "drawing needs no window of its own";
            ASSERT_EQ(Ok, heads[head]->Present(nullptr, nullptr, nullptr, nullptr, 0));

            std::vector<std::uint32_t> shown;
            int width = 0;
            int height = 0;
            ASSERT_EQ(Ok, ReadWindowPixels(records[head].hDeviceWindow, shown, width, height));
            ASSERT_EQ(32, width);
            ASSERT_EQ(24, height);
            EXPECT_EQ(std::vector<std::uint32_t>(shown.size(), colours[frame][head] | 0xFF000000u), shown)
                << "frame " << frame << ", head " << head;
            WritePng(OutputPath("two_heads_frame" + std::to_string(frame) + "_head" + std::to_string(head) +
                                ".png"),
                     32, 24, shown, false);
        }
        EXPECT_EQ(frameStart + 2, switches) << "one switch per head presented, none back to a hidden window";
    }

    // The same window twice in a row makes no switch.
    const std::uint64_t before = switches;
    EXPECT_EQ(Ok, heads[1]->Present(nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(Ok, heads[1]->Present(nullptr, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(before, switches);
    EXPECT_EQ(Ok, device->Present(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(before + 1, switches);

    ASSERT_EQ(Ok, device->SetRenderTarget(0, backBuffers[0]));
    for (int head = 0; head < 2; ++head)
    {
        backBuffers[head]->Release();
        heads[head]->Release();
    }
}

TEST(GfxResults, NamesAndDescriptionsOfResults)
{
    struct Case
    {
        Result result;
        const char* name;
    };
    const Case cases[] = {
        {Ok, "S_OK"},
        {False, "S_FALSE"},
        {Fail, "E_FAIL"},
        {OutOfMemory, "E_OUTOFMEMORY"},
        {InvalidArg, "E_INVALIDARG"},
        {NotImplemented, "E_NOTIMPL"},
        {NoInterface, "E_NOINTERFACE"},
        {InvalidCall, "D3DERR_INVALIDCALL"},
        {NotAvailable, "D3DERR_NOTAVAILABLE"},
        {DeviceLost, "D3DERR_DEVICELOST"},
        {DeviceNotReset, "D3DERR_DEVICENOTRESET"},
        {NotFound, "D3DERR_NOTFOUND"},
        {MoreData, "D3DERR_MOREDATA"},
        {OutOfVideoMemory, "D3DERR_OUTOFVIDEOMEMORY"},
        {InvalidMesh, "D3DXERR_INVALIDMESH"},
        {InvalidData, "D3DXERR_INVALIDDATA"},
        {ResultValue(0x88760B58u), "D3DXERR_TOOMANYINFLUENCES"},
        {ResultValue(0x88760001u), "Unknown"},
    };
    for (const Case& c : cases)
    {
        EXPECT_STREQ(c.name, ErrorName(c.result));
        EXPECT_GT(std::string(ErrorDescription(c.result)).size(), 10u);
    }
    EXPECT_EQ(ResultValue(0x88760868u), DeviceLost);
    EXPECT_EQ(ResultValue(0x8876086Cu), InvalidCall);
}

} // namespace
} // namespace GfxTesting
