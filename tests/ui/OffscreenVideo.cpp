#include <cstdlib>

namespace
{

// Every SDL use of these tests (platform windows, cursors, the clipboard) runs on SDL's offscreen
// driver: it needs no display and keeps the clipboard inside the process, so test processes running
// at the same time never share it.
[[maybe_unused]] const int offscreen = setenv("SDL_VIDEODRIVER", "offscreen", 1);

} // namespace
