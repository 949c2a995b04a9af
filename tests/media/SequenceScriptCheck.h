#pragma once
// The check of one shipped cut-scene script, run over every script in media/sequences/: it loads with a
// "sequence" root and scenes; every element, condition and resource name is one the game's sequence
// player registers; every scene id, sequence file, picture and sound it names exists; every character it
// shows has a glyph in its box's font; every "dialogbox" action text wraps to at most three lines.
//
// Needs the window system (for the fonts and the box pictures) with "fonts/..." and the box pictures
// found through its bitmap folders.

#include <filesystem>
#include <string>
#include <vector>

namespace MediaTesting
{

// The problems found, one line each; empty when the script passes.
std::vector<std::string> CheckSequenceScript(const std::filesystem::path& script,
                                             const std::filesystem::path& media);

} // namespace MediaTesting
