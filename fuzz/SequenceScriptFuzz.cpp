// The cut-scene script: loaded by the basic player without a canvas window, started and run for at most
// 200 frames of 0.05 s (a script that hangs shows as the fuzzer's timeout).

#include "fuzz/FuzzSupport.h"
#include "game/sequences/BasicSequencePlayer.h"

#include <string>

namespace
{

// Relative files a script names ("switchtosequence") resolve in the scratch folder, where the input lies
// as "input.seq.xml": a script can switch to itself, and reads nothing of the working folder.
class ScratchSequencePlayer : public CBasicSequencePlayer
{
public:
    bool Load(const std::string& path) override
    {
        return CBasicSequencePlayer::Load(!path.empty() && path[0] == '/' ? path : Fuzz::ScratchPath(path));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".seq.xml");
    ScratchSequencePlayer player;
    player.RegisterCommands();
    player.Load(input.Path());
    player.Start();
    player.SetVariable("introplaying", "1");
    for (int frame = 0; frame < 200 && !player.IsFinished(); ++frame)
    {
        player.PlayerConfirmed();
        player.Update(0.05);
    }
    (void)player.GetVariable("ended");
    player.Shutdown();
    return 0;
}
