#pragma once

#include "platform/gfx/DeviceChild.h"
#include "platform/gfx/Records.h"

namespace Platform::Gfx
{

class Surface;

// One display head: an off-screen back buffer of the record's size and format (multisampled when
// the record asks), an automatic depth-stencil buffer when the record asks for one, and the window
// the back buffer is shown in. Implicit swap chains belong to the device; additional ones to their
// caller.
class SwapChain : public DeviceChild
{
public:
    // Shows the back buffer in its window (or in the given one), scaled to the window's client size,
    // and swaps the window. DeviceLost while the device is lost (nothing is shown).
    Result Present(const Rect* source, const Rect* destination, WindowHandle window, const void* dirty,
                   std::uint32_t flags);
    // Index 0 of the mono type only; adds a reference.
    Result GetBackBuffer(std::uint32_t index, std::uint32_t type, Surface** surface);
    Result GetPresentParameters(PresentParameters* record) const;
    // The current mode of the display the window is on.
    Result GetDisplayMode(DisplayMode* mode) const;

    bool IsImplicit() const { return implicit_; }
    Surface* BackBuffer() const { return backBuffer_; }
    // Null when the record asked for none.
    Surface* AutoDepthStencil() const { return autoDepth_; }
    const PresentParameters& Record() const { return record_; }
    std::string Describe() const override;
    bool BlocksReset() const override;

    // Null when the window is unknown or the storage cannot be made (traced). The record must have
    // passed the device's checks (format resolved, size known).
    static SwapChain* Make(Device& device, const PresentParameters& record, bool implicit);

private:
    SwapChain(Device& device, const PresentParameters& record, bool implicit);
    ~SwapChain() override;

    void ApplyWindowMode();

    PresentParameters record_;
    bool implicit_;
    Surface* backBuffer_ = nullptr;
    Surface* autoDepth_ = nullptr;
};

} // namespace Platform::Gfx
