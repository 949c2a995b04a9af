// The media of the cut-scene dialog box: its two fonts, cut later by the bitmap font from strips drawn
// here, its six speech-box pictures and the typing tick.

#include "mediagen/GameMedia.h"
#include "mediagen/Picture.h"
#include "mediagen/ShapeSampler.h"
#include "mediagen/SoundSynthesis.h"
#include "mediagen/StripCommand.h"
#include "mediagen/WaveFileWriter.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace MediaGen
{

namespace
{

using BaseLib::CVector3;

// The characters of the dialog fonts in strip order; the white font lacks the last one.
const char* const DialogCharacters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890!\"?$%&/()=+-_,.;:><'ÉÇÑÁÚÍÌ¡¿ÄÖÜÓÀÂÈÊËÎÏÔÙÛŸÆ»«ŒÒ";

struct DialogFont
{
    const char* file;
    bool withLast; // the last character of DialogCharacters is in the strip
    const char* fill;
    const char* outline;
};

// Dark letters on a light halo for the map and tutorial boxes; white ones on a dark halo for the extro.
// The halo is 3 pixels wide with a smoothed outer edge; the font's kerning of -6 lays neighbouring halos
// over each other, so letters keep their own ground without standing far apart. The top of each glyph leans 3 pixels right, the lean the bitmap
// font follows for cursivity -3, and at least 4 empty slanted columns part neighbouring glyphs.
const DialogFont DialogFonts[] = {
    {"interface/fonts/adventure17.png", true, "40,25,10", "250,240,215"},
    {"interface/fonts/adventure17_white.png", false, "255,255,255", "20,14,8"},
};

bool WriteDialogFont(const std::string& media, const DialogFont& font)
{
    std::string characters = DialogCharacters;
    if (!font.withLast)
    {
        characters.erase(characters.size() - std::string("Ò").size());
    }
    // The strip is drawn beside its target and then replaces it whole.
    const std::filesystem::path target = std::filesystem::path(media) / font.file;
    const std::string part = target.string() + ".strip";
    StripMetrics metrics;
    const int status = MakeStrip({part, "DejaVu Sans", "23", characters, font.fill, "--outline", font.outline, "3",
                                  "--slant", "3", "--gap", "5"},
                                 metrics);
    std::string bytes;
    if (status == 0)
    {
        std::ifstream file(part, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    std::error_code error;
    std::filesystem::remove(part, error);
    return status == 0 && !bytes.empty() && WriteMediaFile(media, font.file, bytes);
}

const CVector3 kParchment = Rgb(240, 226, 190);
const CVector3 kParchmentEdge = Rgb(205, 180, 130);
const CVector3 kWood = Rgb(96, 62, 34);
const CVector3 kInk = Rgb(40, 25, 10);

enum class Tail
{
    None,
    Left,
    Right,
};

// The speech box of the map: a parchment card with a dark rim, darker towards its border, and for a
// speaker on one side a pointer rising from the card's top towards them.
Picture MapBox(Tail tail)
{
    constexpr int width = 500;
    constexpr int height = 124;
    return PaintSamples(width, height, [=](float x, float y) {
        float shape = RoundedBoxDistance(x, y, 3.0f, 14.0f, width - 3.0f, height - 3.0f, 12.0f);
        if (tail != Tail::None)
        {
            const float tip = tail == Tail::Left ? 40.0f : width - 40.0f;
            const float side = tail == Tail::Left ? 1.0f : -1.0f;
            shape = std::min(shape, PolygonDistance(x, y, {{tip, 2.0f}, {tip + side * 46.0f, 22.0f},
                                                           {tip + side * 14.0f, 22.0f}}));
        }
        const float inner = std::clamp(-shape / 14.0f, 0.0f, 1.0f);
        return Outlined(shape, Mix(kParchmentEdge, kParchment, inner), kInk, 2.5f);
    });
}

// The tutorial box of the puzzle screens: a parchment card inside a wooden frame; the one for a speaker
// on the left carries a round seal at its left end, clear of the text.
Picture TutorialBox(bool seal)
{
    constexpr int width = 827;
    constexpr int height = 150;
    return PaintSamples(width, height, [=](float x, float y) {
        const float frame = RoundedBoxDistance(x, y, 3.0f, 3.0f, width - 3.0f, height - 3.0f, 16.0f);
        const float card = RoundedBoxDistance(x, y, 14.0f, 12.0f, width - 14.0f, height - 12.0f, 9.0f);
        if (seal && CircleDistance(x, y, 27.0f, 40.0f, 11.0f) < 0.0f)
        {
            return Outlined(CircleDistance(x, y, 27.0f, 40.0f, 9.5f), Rgb(170, 40, 30), kInk, 1.5f);
        }
        if (card < 0.0f)
        {
            return Sample{Mix(kParchmentEdge, kParchment, std::clamp(-card / 12.0f, 0.0f, 1.0f)), 1.0f};
        }
        const float grain = 0.85f + 0.15f * std::sin(y * 0.9f + std::sin(x * 0.05f) * 3.0f);
        return Outlined(frame, kWood * grain, kInk, 2.0f);
    });
}

// The extro's full-canvas overlay: clear over the middle of the scene, darkened across the whole width
// above and below it, under the two text places (top and bottom), for the white letters; the edge towards
// the middle fades over a dozen pixels.
Picture ExtroBox()
{
    constexpr int width = 512;
    constexpr int height = 384;
    return PaintSamples(width, height, [](float, float y) {
        const float band = std::min(y - 136.0f, 260.0f - y); // negative inside a band
        const float cover = std::clamp(0.5f - band / 12.0f, 0.0f, 1.0f);
        return Sample{Rgb(16, 12, 10), cover * 0.75f};
    });
}

// The typing tick: a dry click of filtered noise over a short high blip, 30 ms.
Signal Tick()
{
    const int n = SampleCount(0.03);
    Signal click = Noise(n, 161);
    Filter(click, FilterKind::BandPass, Constant(3200.0), 1.2);
    Multiply(click, Decay(n, 0.0003, 0.003));
    NormalisePeak(click, 0.0);
    Signal blip = Tone(n, Constant(2093.0), {1.0, 0.2});
    Multiply(blip, Decay(n, 0.0005, 0.005));
    NormalisePeak(blip, 0.0);
    Signal sound;
    Mix(sound, click);
    Mix(sound, blip, 0.4);
    FadeEdges(sound, 0.0003, 0.008);
    NormalisePeak(sound, -3.0);
    return sound;
}

} // namespace

bool WriteDialogMedia(const std::string& media)
{
    bool written = true;
    for (const DialogFont& font : DialogFonts)
    {
        written = WriteDialogFont(media, font) && written;
    }
    written = WritePngMediaFile(media, "interface/mapscreen_seq_textbox1.png", MapBox(Tail::Left)) && written;
    written = WritePngMediaFile(media, "interface/mapscreen_seq_textbox2.png", MapBox(Tail::Right)) && written;
    written = WritePngMediaFile(media, "interface/mapscreen_seq_textbox3.png", MapBox(Tail::None)) && written;
    written = WritePngMediaFile(media, "interface/ingame_seq_textbox.png", TutorialBox(true)) && written;
    written = WritePngMediaFile(media, "interface/ingame_seq_textbox2.png", TutorialBox(false)) && written;
    written = WritePngMediaFile(media, "interface/mapscreen_seq_textbox_extro.png", ExtroBox()) && written;
    written = WriteMediaFile(media, "sounds/tick.wav", WaveFileBytes(ToPcm16(Tick()), SoundRate)) && written;
    return written;
}

} // namespace MediaGen
