#pragma once

#include "platform/gfx/Records.h"

#include <cstdint>
#include <string>

namespace Platform::Gfx
{
class SwapChain;
}

namespace Qen
{

class CEngineController;

// One display head: the swap chain the device draws it into (one count held) and what was copied from
// that swap chain's records. Owned by the engine controller's head array.
class CDisplayHead
{
public:
    explicit CDisplayHead(CEngineController* controller) : engine(controller) {}
    // Releases the swap chain.
    ~CDisplayHead();
    CDisplayHead(const CDisplayHead&) = delete;
    CDisplayHead& operator=(const CDisplayHead&) = delete;

    // Releases the old swap chain and holds the new one. From a swap chain: multisampling, window, back-
    // buffer size, windowed flag and display mode copied from it; with null the back-buffer size is 0.
    void AttachSwapChain(Platform::Gfx::SwapChain* swapChain);

    CEngineController* engine = nullptr;
    Platform::WindowHandle window = nullptr;
    bool windowed = false;
    Platform::Gfx::DisplayMode displayMode{};
    std::int32_t physicalWidthMillimetres = 0;
    std::int32_t physicalHeightMillimetres = 0;
    std::uint32_t backBufferWidth = 0;
    std::uint32_t backBufferHeight = 0;
    bool multiSampling = false;
    Platform::Gfx::SwapChain* swapChain = nullptr;
    bool screenshotPending = false;
    std::string screenshotName;
};

} // namespace Qen
