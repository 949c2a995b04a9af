// Cursor files (".cur") and window icon files (PNG or BMP), read as the window layer reads them when a
// window first shows them.

#include "fuzz/FuzzSupport.h"
#include "platform/os/Cursor.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    {
        const Fuzz::InputFile input(data, size, ".cur");
        if (Platform::CursorHandle cursor = Platform::LoadCursorFromFileA(input.Path().c_str()))
        {
            const Platform::Point extent = Platform::CursorSize(cursor);
            const Platform::Point hotSpot = Platform::CursorHotSpot(cursor);
            if (extent.x <= 0 || extent.y <= 0 || hotSpot.x < 0 || hotSpot.y < 0 || hotSpot.x >= extent.x ||
                hotSpot.y >= extent.y || !Platform::DestroyCursor(cursor))
            {
                std::abort();
            }
        }
    }
    const Fuzz::InputFile icon(data, size, ".png");
    Platform::Point extent;
    if (Platform::ReadIconFile(icon.Path(), extent) && (extent.x <= 0 || extent.y <= 0))
    {
        std::abort();
    }
    return 0;
}
