#include "engine/DisplayHead.h"

#include "platform/gfx/SwapChain.h"

namespace Qen
{

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

} // namespace Qen
