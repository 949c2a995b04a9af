// The game media as a fresh run of the game command writes them, shared by the tests that compare them
// with the committed files: one run of the generator serves them all.
#pragma once

#include <filesystem>

namespace MediaGenTest
{

// The folder of freshly generated game media. Under ctest, the setup test "mediagen.GenerateGameMedia"
// writes it once per run and names it in QUARROW_GENERATED_MEDIA; a test program started on its own
// generates into a temporary folder once per process and removes it at exit. Fails the calling test
// (and returns an empty path) when the generator fails or the named folder is missing.
const std::filesystem::path& GeneratedGameMedia();

} // namespace MediaGenTest
