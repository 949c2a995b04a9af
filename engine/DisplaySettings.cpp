#include "engine/DisplaySettings.h"

#include "engine/AdapterRecord.h"
#include "engine/DisplayHead.h"
#include "engine/EngineController.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/SwapChain.h"

#include <algorithm>

namespace Qen
{

using namespace Platform::Gfx;

namespace
{

// Applies f to record `head`, or to all eight for -1.
template <typename F> void ForHeads(PresentParameters (&records)[CDisplaySettings::kMaxHeads], int head, F f)
{
    if (head == -1)
    {
        for (PresentParameters& record : records)
        {
            f(record);
        }
    }
    else if (head >= 0 && head < CDisplaySettings::kMaxHeads)
    {
        f(records[head]);
    }
}

} // namespace

CDisplaySettings::CDisplaySettings()
{
    for (PresentParameters& record : records)
    {
        record.BackBufferWidth = 640;
        record.BackBufferHeight = 480;
        record.BackBufferFormat = Format::Unknown;
        record.BackBufferCount = 1;
        record.MultiSampleType = MultiSample::None;
        record.MultiSampleQuality = 0;
        record.SwapEffect = SwapEffect::Discard;
        record.hDeviceWindow = nullptr;
        record.Windowed = 1;
        record.EnableAutoDepthStencil = 1;
        record.AutoDepthStencilFormat = Format::D24X8;
        record.Flags = 2;
        record.FullScreen_RefreshRateInHz = 0;
        record.PresentationInterval = 0x80000000u;
    }
}

bool CDisplaySettings::SetAdapter(CAdapterRecord* adapter)
{
    chosenAdapter = adapter;
    return adapter != nullptr && adapter->caps.AdapterOrdinalInGroup == 0;
}

void CDisplaySettings::SetWindowSize(const BaseLib::CSize& size, int head)
{
    ForHeads(records, head, [&](PresentParameters& record) {
        record.BackBufferWidth = static_cast<std::uint32_t>(size.cx);
        record.BackBufferHeight = static_cast<std::uint32_t>(size.cy);
    });
}

void CDisplaySettings::SetMultiSampling(bool enable, std::uint32_t quality, int head)
{
    ForHeads(records, head, [&](PresentParameters& record) {
        record.MultiSampleType = enable ? MultiSample::NonMaskable : MultiSample::None;
        record.MultiSampleQuality = quality;
    });
}

void CDisplaySettings::SetBackBufferFormat(std::uint32_t format)
{
    ForHeads(records, -1, [&](PresentParameters& record) { record.BackBufferFormat = format; });
}

void CDisplaySettings::SetDepthStencilFormat(std::uint32_t format)
{
    ForHeads(records, -1, [&](PresentParameters& record) { record.AutoDepthStencilFormat = format; });
}

std::uint32_t CDisplaySettings::MonitorIndexOf(int head) const
{
    return records[0].Windowed == 0 ? static_cast<std::uint32_t>(head) : 0u;
}

bool CheckMultiSampling(const CAdapterRecord& adapter, std::uint32_t backBufferFormat, std::uint32_t depthFormat,
                        bool windowed, std::uint32_t* quality)
{
    const auto ordinal = static_cast<std::uint32_t>(adapter.ordinal);
    std::uint32_t colourLevels = 0;
    std::uint32_t depthLevels = 0;
    if (Failed(adapter.graphics->CheckDeviceMultiSampleType(ordinal, adapter.deviceType, backBufferFormat, windowed,
                                                            MultiSample::NonMaskable, &colourLevels)) ||
        Failed(adapter.graphics->CheckDeviceMultiSampleType(ordinal, adapter.deviceType, depthFormat, windowed,
                                                            MultiSample::NonMaskable, &depthLevels)))
    {
        return false;
    }
    // Both succeeded, so each names at least one level.
    *quality = std::min(colourLevels, depthLevels) - 1;
    return true;
}

void CDisplaySettings::PrepareRecords()
{
    if (chosenAdapter == nullptr)
    {
        return;
    }
    CAdapterRecord& adapter = *chosenAdapter;
    PresentParameters& head0 = records[0];
    if (head0.Windowed == 0 && headCount > 1)
    {
        behaviorFlags |= CreateFlag::AdapterGroupDevice;
    }
    else
    {
        behaviorFlags &= ~CreateFlag::AdapterGroupDevice;
    }

    const int heads = std::clamp(headCount, 0, kMaxHeads);
    for (int i = 0; i < heads; ++i)
    {
        PresentParameters& record = records[i];
        const CMonitorEntry* monitor = adapter.MonitorFor(MonitorIndexOf(i));
        if (record.BackBufferFormat == Format::Unknown && monitor != nullptr)
        {
            record.BackBufferFormat = monitor->currentMode.Format;
        }
        if (record.MultiSampleType != MultiSample::None)
        {
            std::uint32_t levels = 0;
            if (CheckMultiSampling(adapter, record.BackBufferFormat, head0.AutoDepthStencilFormat,
                                   head0.Windowed == 1, &levels))
            {
                SetMultiSampling(true, std::min(levels, record.MultiSampleQuality), i);
            }
            else
            {
                SetMultiSampling(false, 0, i);
            }
        }
    }

    const auto ordinal = static_cast<std::uint32_t>(adapter.ordinal);
    const std::uint32_t depth = head0.AutoDepthStencilFormat;
    if (Failed(adapter.graphics->CheckDeviceFormat(ordinal, adapter.deviceType, head0.BackBufferFormat,
                                                   Usage::DepthStencil, ResourceType::Surface, depth)) ||
        Failed(adapter.graphics->CheckDepthStencilMatch(ordinal, adapter.deviceType, head0.BackBufferFormat,
                                                        head0.BackBufferFormat, depth)))
    {
        SetDepthStencilFormat(Format::D16);
    }

    if ((adapter.caps.DevCaps & DevCapsBit::HwTransformAndLight) == 0)
    {
        behaviorFlags &= ~(CreateFlag::HardwareVertexProcessing | CreateFlag::MixedVertexProcessing);
        behaviorFlags |= CreateFlag::SoftwareVertexProcessing;
    }
    if ((behaviorFlags & (CreateFlag::SoftwareVertexProcessing | CreateFlag::MixedVertexProcessing)) != 0)
    {
        behaviorFlags &= ~CreateFlag::PureDevice;
    }
}

bool CDisplaySettings::CreateDevice(CEngineController& controller, CDeviceFailureReporter& reporter,
                                    Graphics* graphics, Device** device)
{
    PrepareRecords();
    std::uint32_t flags = behaviorFlags;
    if (softwareVertexProcessing)
    {
        flags &= ~0xD0u;
        flags |= CreateFlag::SoftwareVertexProcessing;
    }
    std::uint32_t type = DeviceType::Hal;
    if (referenceRasterizer)
    {
        type = DeviceType::Ref;
    }
    else if (chosenAdapter != nullptr)
    {
        type = chosenAdapter->deviceType;
    }
    const std::uint32_t ordinal = chosenAdapter != nullptr ? static_cast<std::uint32_t>(chosenAdapter->ordinal) : 0;

    *device = nullptr;
    Result result = graphics->CreateDevice(ordinal, type, records[0].hDeviceWindow, flags, records, device);
    if (Failed(result))
    {
        *device = nullptr;
        reporter.ReportCreateDeviceFailed(result);
        return false;
    }

    std::vector<CDisplayHead*>& heads = controller.GetHeads();
    const std::size_t firstHead = heads.size();
    const int count = std::clamp(headCount, 0, kMaxHeads);
    for (int i = 0; i < count; ++i)
    {
        SwapChain* swapChain = nullptr;
        const auto index = static_cast<std::uint32_t>(i);
        result = index < (*device)->GetNumberOfSwapChains() ? (*device)->GetSwapChain(index, &swapChain)
                                                            : (*device)->CreateAdditionalSwapChain(&records[i], &swapChain);
        if (Failed(result) || swapChain == nullptr)
        {
            // A head without a swap chain would fail every frame: the device counts as not made.
            if (swapChain != nullptr)
            {
                swapChain->Release();
            }
            while (heads.size() > firstHead)
            {
                delete heads.back();
                heads.pop_back();
            }
            (*device)->Release();
            *device = nullptr;
            reporter.ReportCreateDeviceFailed(Failed(result) ? result : InvalidCall);
            return false;
        }
        auto* head = new CDisplayHead(&controller);
        head->AttachSwapChain(swapChain);
        if (const CMonitorEntry* monitor =
                chosenAdapter != nullptr ? chosenAdapter->MonitorFor(MonitorIndexOf(i)) : nullptr)
        {
            head->physicalWidthMillimetres = monitor->widthMillimetres;
            head->physicalHeightMillimetres = monitor->heightMillimetres;
        }
        heads.push_back(head);
        swapChain->Release();
    }
    return true;
}

void ReadBackSettings(Device* device, CDisplaySettings& settings)
{
    DeviceCreationParameters creation;
    device->GetCreationParameters(&creation);
    settings.behaviorFlags = creation.BehaviorFlags;
    const std::uint32_t count = std::min<std::uint32_t>(device->GetNumberOfSwapChains(), CDisplaySettings::kMaxHeads);
    settings.headCount = static_cast<std::int32_t>(count);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        SwapChain* swapChain = nullptr;
        if (Succeeded(device->GetSwapChain(i, &swapChain)) && swapChain != nullptr)
        {
            swapChain->GetPresentParameters(&settings.records[i]);
            swapChain->Release();
        }
    }
}

} // namespace Qen
