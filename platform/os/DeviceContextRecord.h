#pragma once

// The record behind a device context; only code inside platform/ includes this.
namespace Platform
{

struct FontObjectRecord;

// A display's context (one fixed record per display, never deleted) or a memory context made by the
// font layer's CreateCompatibleDC, which holds the font selected into it.
struct DeviceContextRecord
{
    int display = 0;
    bool memory = false;
    FontObjectRecord* font = nullptr;
};

} // namespace Platform
