// The X-file reader; what it reads is written back and must read back equal.

#include "fuzz/FuzzSupport.h"
#include "platform/gfxkit/xfile/XFileReader.h"
#include "platform/gfxkit/xfile/XFileWriter.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace Platform::GfxKit;
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".x");
    XFileModel model;
    if (ReadXFile(input.Path(), model) != Platform::Gfx::Ok)
    {
        return 0;
    }
    // A description the writer cannot carry (two meshes of one name, both referenced) is refused by it.
    std::string written;
    if (WriteXFileText(model, written) != Platform::Gfx::Ok)
    {
        return 0;
    }
    XFileModel again;
    if (ReadXFileText("written.x", written, again) != Platform::Gfx::Ok || !(again == model))
    {
        std::abort();
    }
    return 0;
}
