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

    // Makes back buffer 0 the device's render target when the state manager's cached target differs (the
    // viewport then covers it), and turns multisample antialiasing on for a multisampled head. Nothing
    // without a swap chain.
    void BeginFrame();
    // Asks for a PNG of the next presented frame: "<name>.png" when overwriting or when that file cannot
    // be opened, else the first "<name><counter, five digits at least>.png" that cannot be opened, with
    // one counter for the whole process that only grows. Ignored while a request is pending.
    void RequestScreenshot(const std::string& name, bool overwrite);
    // Saves a pending screenshot of back buffer 0 (a failure is traced), then presents the swap chain and
    // returns its result. Without a swap chain: D3DERR_INVALIDCALL, a pending screenshot kept.
    std::int32_t Present();

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
