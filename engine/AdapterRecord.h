#pragma once

#include "platform/gfx/Records.h"

#include <cstdint>
#include <vector>

namespace Platform::Gfx
{
class Graphics;
}

namespace Qen
{

// One monitor of an adapter group.
struct CMonitorEntry
{
    Platform::MonitorHandle monitor = nullptr;
    std::int32_t widthMillimetres = 0;
    std::int32_t heightMillimetres = 0;
    Platform::Gfx::DisplayMode currentMode;
    // Refilled for each of the six back-buffer formats in turn, each enumeration replacing the previous
    // one: what stays is the last format's (X8R8G8B8, the one the device layer lists). Nothing reads it.
    std::vector<Platform::Gfx::DisplayMode> modes;
};

// What the engine knows of one adapter: capabilities, identifier and the monitors of its group.
class CAdapterRecord
{
public:
    // Holds one count of the graphics object until destroyed: delete every record before the graphics
    // object's last release.
    explicit CAdapterRecord(Platform::Gfx::Graphics* graphics);
    ~CAdapterRecord();
    CAdapterRecord(const CAdapterRecord&) = delete;
    CAdapterRecord& operator=(const CAdapterRecord&) = delete;

    // Capabilities and identifier of (ordinal, device type), then the monitor list: one entry per adapter
    // of the group when this is a group's master with more than one adapter (each filled from the
    // adapter naming this ordinal its master; an entry index outside the list is skipped with a trace),
    // else one entry from this ordinal.
    void Fill(std::uint32_t ordinal, std::uint32_t deviceType);

    // Monitor min(index, count - 1): a group lists fewer monitors than eight heads may ask for. Null when
    // the list is empty.
    const CMonitorEntry* MonitorFor(std::uint32_t index) const;

    Platform::Gfx::Graphics* graphics = nullptr;
    std::int32_t ordinal = -1;
    std::uint32_t deviceType = 1;
    Platform::Gfx::Caps caps{};
    Platform::Gfx::AdapterIdentifier identifier{};
    std::vector<CMonitorEntry> monitors;

private:
    void FillMonitor(CMonitorEntry& entry, std::uint32_t adapter);
};

// The description of the adapter that the special-adapter option prefers; compared as a whole string.
inline constexpr const char* kSpecialAdapterDescription = "NVIDIA PerfHUD";

// One record per master adapter of the graphics object, in ordinal order, filled with the device type;
// a record whose description is kSpecialAdapterDescription gets device type 2 and is stored in
// `special` (left alone when none is).
std::vector<CAdapterRecord*> EnumerateAdapters(Platform::Gfx::Graphics* graphics, std::uint32_t deviceType,
                                               CAdapterRecord** special);

} // namespace Qen
