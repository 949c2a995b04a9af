#pragma once

#include "platform/gfx/AdapterProfile.h"
#include "platform/gfx/CountedObject.h"
#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Platform::Gfx
{

class Device;

// The graphics object: reports adapters (one per display, each the master of its own group) with
// their capabilities and display modes, answers format checks and makes devices. It keeps SDL video
// started from its creation until its last release.
class Graphics : public CountedObject
{
public:
    std::uint32_t GetAdapterCount() const;
    Result GetAdapterIdentifier(std::uint32_t adapter, std::uint32_t flags,
                                AdapterIdentifier* identifier) const;
    // Display modes per format: the display's modes for X8R8G8B8, none for any other format.
    std::uint32_t GetAdapterModeCount(std::uint32_t adapter, std::uint32_t format) const;
    Result EnumAdapterModes(std::uint32_t adapter, std::uint32_t format, std::uint32_t mode,
                            DisplayMode* displayMode) const;
    Result GetAdapterDisplayMode(std::uint32_t adapter, DisplayMode* mode) const;
    Result GetDeviceCaps(std::uint32_t adapter, std::uint32_t deviceType, Caps* caps) const;
    // The window layer's monitor of the adapter's display; null for an unknown adapter.
    MonitorHandle GetAdapterMonitor(std::uint32_t adapter) const;

    // Ok when the device can make a resource of that type, usage and format; NotAvailable otherwise.
    Result CheckDeviceFormat(std::uint32_t adapter, std::uint32_t deviceType, std::uint32_t adapterFormat,
                             std::uint32_t usage, std::uint32_t resourceType, std::uint32_t format) const;
    // Ok for the adapter's depth formats with A8R8G8B8 and X8R8G8B8 targets; NotAvailable otherwise.
    Result CheckDepthStencilMatch(std::uint32_t adapter, std::uint32_t deviceType,
                                  std::uint32_t adapterFormat, std::uint32_t renderTargetFormat,
                                  std::uint32_t depthFormat) const;
    // Non-maskable: qualityLevels = the number of sample counts 2, 4, 8, 16 the adapter can do, quality q
    // meaning 2^(q + 1) samples. Types 2 to 16: one level when that many samples work. qualityLevels
    // may be null.
    Result CheckDeviceMultiSampleType(std::uint32_t adapter, std::uint32_t deviceType, std::uint32_t format,
                                      bool windowed, std::uint32_t multiSampleType,
                                      std::uint32_t* qualityLevels) const;

    // records: one per adapter of the group with the adapter-group flag, else one. InvalidCall for a
    // record without a window, a back-buffer format other than 0, A8R8G8B8 and X8R8G8B8, an unknown
    // depth format, more than 3 back buffers or a multisample quality the adapter lacks.
    Result CreateDevice(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                        std::uint32_t behaviorFlags, PresentParameters* records, Device** device);

    const AdapterProfile* Profile(std::uint32_t adapter) const;

    // Made by CreateGraphics.
    explicit Graphics(std::vector<AdapterProfile> adapters);

private:
    ~Graphics() override;

    std::vector<AdapterProfile> adapters_;
};

// Makes the graphics object for version 31 or 32; null for another version, or when SDL video or
// an OpenGL 3.3 core context cannot be had.
Graphics* CreateGraphics(std::uint32_t version);

// A test's description of one adapter; unset fields keep what the real adapter reports.
struct SimulatedAdapter
{
    std::optional<std::string> description;
    std::uint32_t masterAdapterOrdinal = 0;
    std::uint32_t adapterOrdinalInGroup = 0;
    std::uint32_t numberOfAdaptersInGroup = 1;
    std::optional<std::uint32_t> vertexShaderVersion;
    std::optional<std::uint32_t> maxVertexShaderConst;
    std::optional<bool> twoSidedStencil;
    std::optional<bool> hardwareTransformAndLight;
    std::optional<std::vector<std::uint32_t>> depthFormats;
    std::optional<std::uint32_t> multiSampleLevels;
    // Replaces the capabilities' Caps2 word (for example 0: no dynamic textures).
    std::optional<std::uint32_t> caps2;
};

// Graphics objects made after this call report these adapters instead of the displays (adapter i
// shows display i modulo the number of displays); all of them draw through the same OpenGL.
void SimulateAdapters(std::vector<SimulatedAdapter> adapters);
// Back to one adapter per display.
void StopSimulatingAdapters();

} // namespace Platform::Gfx
