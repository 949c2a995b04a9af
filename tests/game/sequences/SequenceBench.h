#pragma once

// The bench of the cut-scene tests: the control tests' headless window system (ControlBench.h) with
// the recording sound device as device 0, a fixed random seed, and the box pictures and font strips the
// dialog box loads, painted once per run into a folder on the bitmap factory's search path (pictures
// and fonts are cached by name for the whole run, so they never change between tests).
//
// Fixture media: the style-0 box picture (BoxColour, BoxWidth × BoxHeight), its two side variants, the
// tutorial and extro pictures, and both font strips: every character of its set a solid block of
// GlyphColour (black in "adventure17.png", white in "adventure17_white.png"), GlyphWidth × GlyphHeight,
// separated by empty columns.

#include "tests/game/harness/RecordingSoundDevice.h"
#include "tests/ui/controls/ControlBench.h"

#include "foundation/Color.h"

#include <cstdint>
#include <string>
#include <vector>

namespace SequenceTesting
{

constexpr std::int32_t BoxWidth = 500;
constexpr std::int32_t BoxHeight = 120;
constexpr std::int32_t GlyphWidth = 4;
constexpr std::int32_t GlyphHeight = 10;
const BaseLib::CColor BoxColour(230, 220, 180, 255);
const BaseLib::CColor GlyphColour(0, 0, 0, 255);

// The folder of the fixture media (made on first use, removed at the end of the run).
const std::string& MediaFolder();

// A PNG file read back as the test wrote it.
struct PictureFile
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // rows top first

    BaseLib::CColor At(std::int32_t x, std::int32_t y) const;
};

// Decodes the file; false with the reason in error when it is not a readable PNG.
bool ReadPicture(const std::string& path, PictureFile& picture, std::string& error);

class SequenceTest : public ControlBench::ControlTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    GameTesting::RecordingSoundDevice* sounds = nullptr;
};

} // namespace SequenceTesting
