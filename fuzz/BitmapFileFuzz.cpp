// The window system's bitmaps: the input's first byte chooses its ending (BMP, TGA, PNG or JPEG), the
// rest is the file, loaded through the bitmap factory as it is, scaled and resized. A file that does
// not load gives the placeholder; one that loads holds the pixels it says.

#include "fuzz/FuzzSupport.h"
#include "foundation/ResourceRegistry.h"
#include "ui/Bitmap.h"
#include "ui/BitmapFactory.h"

#include <cstdlib>

namespace
{

void Check(const UILib::CBitmap& bitmap)
{
    if (bitmap.GetWidth() <= 0 || bitmap.GetHeight() <= 0 || bitmap.GetPixels() == nullptr)
    {
        std::abort();
    }
    // Every pixel is read, so a short block shows under the sanitizers.
    std::uint32_t sum = 0;
    const BaseLib::CColor* pixels = bitmap.GetPixels();
    for (std::int32_t i = 0; i < bitmap.GetWidth() * bitmap.GetHeight(); ++i)
    {
        sum += pixels[i].argb;
    }
    volatile std::uint32_t keep = sum;
    (void)keep;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
    {
        return 0;
    }
    Fuzz::MuteTraces();
    static const char* const kEndings[] = {".bmp", ".tga", ".png", ".jpg"};
    const Fuzz::InputFile input(data + 1, size - 1, kEndings[data[0] % 4]);
    BaseLib::CResourceRegistry registry;
    {
        UILib::CBitmapFactory factory(&registry, nullptr);
        Check(UILib::CBitmap(input.Path().c_str()));
        Check(UILib::CBitmap(input.Path().c_str(), 0.5f));
        Check(UILib::CBitmap(input.Path().c_str(), 7, 5));
    }
    return 0;
}
