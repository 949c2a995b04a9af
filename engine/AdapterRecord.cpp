#include "engine/AdapterRecord.h"

#include "foundation/Debug.h"
#include "platform/gfx/Graphics.h"
#include "platform/os/Monitor.h"

namespace Qen
{

using namespace Platform::Gfx;

namespace
{

// The back-buffer formats whose display modes are listed, in this order.
constexpr std::uint32_t kModeFormats[] = {Format::A1R5G5B5, Format::A2R10G10B10, Format::A8R8G8B8,
                                          Format::R5G6B5,   Format::X1R5G5B5,    Format::X8R8G8B8};

bool StorePhysicalSize(Platform::MonitorHandle monitor, Platform::DeviceContext context, Platform::WindowRect*,
                       std::intptr_t data)
{
    auto* entry = reinterpret_cast<CMonitorEntry*>(data);
    if (monitor != entry->monitor)
    {
        return true;
    }
    entry->widthMillimetres = Platform::GetDeviceCaps(context, Platform::HORZSIZE);
    entry->heightMillimetres = Platform::GetDeviceCaps(context, Platform::VERTSIZE);
    return false;
}

} // namespace

CAdapterRecord::CAdapterRecord(Graphics* graphicsObject) : graphics(graphicsObject)
{
    if (graphics != nullptr)
    {
        graphics->AddRef();
    }
}

CAdapterRecord::~CAdapterRecord()
{
    if (graphics != nullptr)
    {
        graphics->Release();
    }
}

void CAdapterRecord::Fill(std::uint32_t adapterOrdinal, std::uint32_t type)
{
    ordinal = static_cast<std::int32_t>(adapterOrdinal);
    deviceType = type;
    graphics->GetDeviceCaps(adapterOrdinal, type, &caps);
    graphics->GetAdapterIdentifier(adapterOrdinal, 0, &identifier);
    monitors.clear();
    if (caps.AdapterOrdinalInGroup == 0 && caps.NumberOfAdaptersInGroup > 1)
    {
        monitors.resize(caps.NumberOfAdaptersInGroup);
        const std::uint32_t count = graphics->GetAdapterCount();
        for (std::uint32_t a = 0; a < count; ++a)
        {
            Caps member{};
            if (Failed(graphics->GetDeviceCaps(a, type, &member)) || member.MasterAdapterOrdinal != adapterOrdinal)
            {
                continue;
            }
            if (member.AdapterOrdinalInGroup >= monitors.size())
            {
                BaseLib::DebugOutput("Adapter %u: adapter %u names group index %u of a group of %zu; skipped\n",
                                     adapterOrdinal, a, member.AdapterOrdinalInGroup, monitors.size());
                continue;
            }
            FillMonitor(monitors[member.AdapterOrdinalInGroup], a);
        }
    }
    else
    {
        monitors.resize(1);
        FillMonitor(monitors[0], adapterOrdinal);
    }
}

void CAdapterRecord::FillMonitor(CMonitorEntry& entry, std::uint32_t adapter)
{
    entry.monitor = graphics->GetAdapterMonitor(adapter);
    Platform::EnumDisplayMonitors(Platform::GetDC(nullptr), nullptr, &StorePhysicalSize,
                                  reinterpret_cast<std::intptr_t>(&entry));
    graphics->GetAdapterDisplayMode(adapter, &entry.currentMode);
    for (std::uint32_t format : kModeFormats)
    {
        entry.modes.resize(graphics->GetAdapterModeCount(adapter, format));
        for (std::uint32_t i = 0; i < entry.modes.size(); ++i)
        {
            graphics->EnumAdapterModes(adapter, format, i, &entry.modes[i]);
        }
    }
}

const CMonitorEntry* CAdapterRecord::MonitorFor(std::uint32_t index) const
{
    if (monitors.empty())
    {
        return nullptr;
    }
    return &monitors[index < monitors.size() ? index : monitors.size() - 1];
}

std::vector<CAdapterRecord*> EnumerateAdapters(Graphics* graphics, std::uint32_t deviceType, CAdapterRecord** special)
{
    std::vector<CAdapterRecord*> records;
    const std::uint32_t count = graphics->GetAdapterCount();
    for (std::uint32_t ordinal = 0; ordinal < count; ++ordinal)
    {
        auto* record = new CAdapterRecord(graphics);
        record->Fill(ordinal, deviceType);
        if (record->caps.AdapterOrdinalInGroup != 0)
        {
            delete record;
            continue;
        }
        records.push_back(record);
        if (record->identifier.Description == kSpecialAdapterDescription)
        {
            record->deviceType = DeviceType::Ref;
            if (special != nullptr)
            {
                *special = record;
            }
        }
    }
    return records;
}

} // namespace Qen
