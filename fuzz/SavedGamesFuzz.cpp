// The saved-games file as Load parses it, from bytes; a list that parses is written again, and what it
// writes parses to a list that writes the same bytes.

#include "fuzz/FuzzSupport.h"
#include "game/savegame/SaveGameList.h"

#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CSaveGameList list;
    CSaveGameList::ParseFault fault;
    if (!list.ParseBytes(bytes, "input", fault))
    {
        return 0;
    }
    const std::string written = list.WriteToBytes();
    CSaveGameList again;
    if (!again.ParseBytes(written, "written", fault) || again.WriteToBytes() != written)
    {
        std::abort();
    }
    return 0;
}
