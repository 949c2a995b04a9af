#pragma once

#include "foundation/Point.h"
#include "platform/gfx/Records.h"
#include "platform/gfx/Results.h"

#include <cstdint>

namespace Platform::Gfx
{
class Device;
class Graphics;
} // namespace Platform::Gfx

namespace Qen
{

class CAdapterRecord;
class CEngineController;

// Receives the result of a device creation that failed (the application shows it).
class CDeviceFailureReporter
{
public:
    virtual void ReportCreateDeviceFailed(Platform::Gfx::Result result) = 0;

protected:
    ~CDeviceFailureReporter() = default;
};

// Up to eight display heads: one presentation record each, the chosen adapter and the device's
// behaviour flags. Head index -1 in a setter means all eight records.
class CDisplaySettings
{
public:
    static constexpr int kMaxHeads = 8;

    CDisplaySettings();

    // Stores the record; true when it is the master of its group.
    bool SetAdapter(CAdapterRecord* adapter);
    void SetWindowSize(const BaseLib::CSize& size, int head = -1);
    // Multisample type 1 (non-maskable) when enabled, else 0; the quality as passed.
    void SetMultiSampling(bool enable, std::uint32_t quality, int head = -1);
    void SetBackBufferFormat(std::uint32_t format);
    void SetDepthStencilFormat(std::uint32_t format);

    // Fits the records to the chosen adapter before a device is made (nothing without one): the
    // adapter-group flag exactly for several full-screen heads; per head i, from monitor min(i, count - 1)
    // when head 0 is full screen, else monitor 0, a back-buffer format 0 takes the monitor's format;
    // multisampling is checked and clamped, or switched off; a depth format the adapter refuses makes
    // every record D16; without hardware transform and lighting the vertex processing becomes software.
    void PrepareRecords();

    // Prepares the records and makes the device with one display head per record, appended to the
    // controller's head array. A failure (of the device, or of a head's swap chain) goes to the reporter;
    // then the heads made so far and the device are released and the answer is false.
    bool CreateDevice(CEngineController& controller, CDeviceFailureReporter& reporter,
                      Platform::Gfx::Graphics* graphics, Platform::Gfx::Device** device);

    // The monitor a head shows on: head i when head 0 is full screen, else 0 (clamped by the adapter).
    std::uint32_t MonitorIndexOf(int head) const;

    CAdapterRecord* chosenAdapter = nullptr;
    std::int32_t headCount = 1;
    std::uint32_t behaviorFlags = 0x50;
    Platform::Gfx::PresentParameters records[kMaxHeads];
    bool softwareVertexProcessing = false;
    bool referenceRasterizer = false;
};

// Whether the adapter can multisample (non-maskable) both formats; quality = the smaller level count - 1.
bool CheckMultiSampling(const CAdapterRecord& adapter, std::uint32_t backBufferFormat, std::uint32_t depthFormat,
                        bool windowed, std::uint32_t* quality);

// Behaviour flags, head count (the device's swap-chain count) and records from the device.
void ReadBackSettings(Platform::Gfx::Device* device, CDisplaySettings& settings);

} // namespace Qen
