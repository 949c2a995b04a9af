#pragma once

#include "platform/os/Window.h"

#include <cstdint>

// Display monitors: one per SDL display, each with a handle and a device context that answers its
// physical size. The contexts are fixed records of the layer: releasing one does nothing.
namespace Platform
{

struct MonitorRecord;
struct DeviceContextRecord;
using MonitorHandle = MonitorRecord*;
using DeviceContext = DeviceContextRecord*;

constexpr std::int32_t HORZSIZE = 4; // width in millimetres
constexpr std::int32_t VERTSIZE = 6; // height in millimetres
constexpr std::int32_t HORZRES = 8;  // width in pixels
constexpr std::int32_t VERTRES = 10; // height in pixels

// The number of displays (0 when SDL video cannot start).
int DisplayCount();

// The monitor of a display index, or null for an index without a display.
MonitorHandle MonitorOfDisplay(int displayIndex);

// The screen's context for null (a window's context is the one of the display it lies on).
DeviceContext GetDC(WindowHandle window);
int ReleaseDC(WindowHandle window, DeviceContext context);

// Called once per monitor with the monitor, its context and its rectangle in desktop coordinates;
// answering false stops the enumeration.
using MonitorEnumProc = bool (*)(MonitorHandle monitor, DeviceContext context, WindowRect* rect,
                                 std::intptr_t data);

// Enumerates every display (the context and the clip rectangle do not narrow it). False when there is
// no display or no callback.
bool EnumDisplayMonitors(DeviceContext context, const WindowRect* clip, MonitorEnumProc callback,
                         std::intptr_t data);

// HORZSIZE/VERTSIZE: the display's size in millimetres, pixels / DPI x 25.4 rounded, 0 without DPI;
// HORZRES/VERTRES: its size in pixels. 0 for other indices and a null context.
int GetDeviceCaps(DeviceContext context, std::int32_t index);

// For tests: replaces the DPI SDL reports for a display (0 = unknown) until cleared with a negative value.
void OverrideDisplayDpi(int displayIndex, float horizontalDpi, float verticalDpi);

} // namespace Platform
