#include "engine/DisplayHead.h"

#include "engine/DeviceStateMgr.h"
#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "foundation/Paths.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/SwapChain.h"
#include "platform/gfxkit/ImageInfo.h"
#include "platform/gfxkit/TextureFiles.h"

#include <cstdio>

namespace Qen
{

using namespace Platform::Gfx;

namespace
{

// Numbers screenshot files across every head and prefix; never reset.
std::int32_t s_screenshotCounter = 0;

constexpr std::uint32_t kMultiSampleAntialias = 161;

} // namespace

CDisplayHead::~CDisplayHead()
{
    AttachSwapChain(nullptr);
}

void CDisplayHead::AttachSwapChain(Platform::Gfx::SwapChain* newSwapChain)
{
    if (newSwapChain != nullptr)
    {
        newSwapChain->AddRef();
    }
    if (swapChain != nullptr)
    {
        swapChain->Release();
    }
    swapChain = newSwapChain;
    if (swapChain == nullptr)
    {
        backBufferWidth = 0;
        backBufferHeight = 0;
        return;
    }
    Platform::Gfx::PresentParameters record;
    swapChain->GetPresentParameters(&record);
    multiSampling = record.MultiSampleType != 0;
    window = record.hDeviceWindow;
    backBufferWidth = record.BackBufferWidth;
    backBufferHeight = record.BackBufferHeight;
    windowed = record.Windowed != 0;
    swapChain->GetDisplayMode(&displayMode);
}

void CDisplayHead::BeginFrame()
{
    if (swapChain == nullptr)
    {
        return;
    }
    Surface* backBuffer = nullptr;
    if (Failed(swapChain->GetBackBuffer(0, 0, &backBuffer)))
    {
        return;
    }
    Surface*& cached = engine->GetStateManager()->CachedRenderTarget();
    if (cached != backBuffer)
    {
        cached = backBuffer;
        engine->GetDevice()->SetRenderTarget(0, backBuffer);
    }
    if (multiSampling)
    {
        engine->GetDevice()->SetRenderState(kMultiSampleAntialias, 1);
    }
    backBuffer->Release();
}

void CDisplayHead::RequestScreenshot(const std::string& name, bool overwrite)
{
    if (screenshotPending)
    {
        return;
    }
    // Built without a fixed-size buffer: a cut name could exist and keep the numbered search going.
    std::string candidate = name + ".png";
    if (!overwrite && BaseLib::FileExists(candidate))
    {
        do
        {
            char number[16];
            std::snprintf(number, sizeof number, "%05i", s_screenshotCounter);
            candidate = name + number + ".png";
            ++s_screenshotCounter;
        } while (BaseLib::FileExists(candidate));
    }
    screenshotName = candidate;
    screenshotPending = true;
}

std::int32_t CDisplayHead::Present()
{
    if (swapChain == nullptr)
    {
        return InvalidCall;
    }
    if (screenshotPending)
    {
        Surface* backBuffer = nullptr;
        if (Succeeded(swapChain->GetBackBuffer(0, 0, &backBuffer)))
        {
            if (Failed(Platform::GfxKit::SaveSurfaceToFile(screenshotName.c_str(),
                                                           Platform::GfxKit::ImageFileFormat::Png, backBuffer,
                                                           nullptr, nullptr)))
            {
                BaseLib::DebugOutput("screenshot \"%s\" could not be saved\n", screenshotName.c_str());
            }
            backBuffer->Release();
        }
        screenshotPending = false;
        screenshotName.clear();
    }
    return swapChain->Present(nullptr, nullptr, window, nullptr, 0);
}

} // namespace Qen
