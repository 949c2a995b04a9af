// The sounds of the story's cut-scenes (sounds/story/), each synthesised here. They are short one-shots
// that a scene starts once; the scene's end fades them out.

#include "mediagen/GameMedia.h"
#include "mediagen/SoundSynthesis.h"
#include "mediagen/WaveFileWriter.h"

#include <filesystem>
#include <system_error>

namespace MediaGen
{

namespace
{

constexpr double PeakDbfs = -1.0;

// A low drum: a falling sine body under a soft noise slap.
Signal Drum(double hz, std::uint32_t seed)
{
    const int n = SampleCount(0.45);
    Signal body = Tone(n, Glide(hz * 1.6, hz, 0.05), {1.0, 0.3});
    Multiply(body, Decay(n, 0.002, 0.12));
    Signal slap = Noise(SampleCount(0.05), seed);
    Filter(slap, FilterKind::LowPass, Constant(900.0), 0.7);
    Multiply(slap, Decay(SampleCount(0.05), 0.001, 0.012));
    Mix(body, slap, 0.5);
    return body;
}

// The jungle's arrival: a short pattern on two drums.
Signal Drums()
{
    Signal sound;
    const struct
    {
        double at;
        double hz;
        double gain;
    } hits[] = {{0.0, 110.0, 1.0}, {0.25, 110.0, 0.6}, {0.5, 82.0, 0.9}, {0.75, 110.0, 0.6}, {0.88, 110.0, 0.5}};
    std::uint32_t seed = 401;
    for (const auto& hit : hits)
    {
        Mix(sound, Drum(hit.hz, seed++), hit.gain, SampleCount(hit.at));
    }
    FadeEdges(sound, 0.001, 0.1);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// Stone grinding on stone: low-passed noise that swells and dies, under a deep hum.
Signal Rumble()
{
    const int n = SampleCount(1.0);
    Signal grind = Noise(n, 411);
    Filter(grind, FilterKind::LowPass, Glide(180.0, 420.0, 0.8), 0.9);
    Multiply(grind, Envelope(n, {{0.0, 0.0}, {0.25, 1.0}, {0.7, 0.8}, {1.0, 0.0}}));
    NormalisePeak(grind, 0.0);
    Signal hum = Tone(n, Constant(46.0), {1.0, 0.5, 0.2});
    Multiply(hum, Envelope(n, {{0.0, 0.0}, {0.3, 0.6}, {1.0, 0.0}}));
    Mix(grind, hum, 0.5);
    FadeEdges(grind, 0.005, 0.05);
    NormalisePeak(grind, PeakDbfs);
    return grind;
}

// A locked iron gate shaken: two clanks of struck metal.
Signal Rattle()
{
    Signal sound;
    const std::vector<Mode> iron = {{312.0, 1.0, 0.09}, {587.0, 0.6, 0.06}, {1243.0, 0.4, 0.04}, {2071.0, 0.2, 0.02}};
    Mix(sound, Modes(SampleCount(0.3), iron));
    Mix(sound, Modes(SampleCount(0.3), iron), 0.7, SampleCount(0.16));
    FadeEdges(sound, 0.0005, 0.05);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// A heron's harsh cry: a reedy tone that breaks downwards.
Signal Heron()
{
    const int n = SampleCount(0.6);
    Signal cry = Tone(n, Glide(820.0, 520.0, 0.45), {1.0, 0.8, 0.6, 0.5, 0.3, 0.2});
    Multiply(cry, Envelope(n, {{0.0, 0.0}, {0.03, 1.0}, {0.3, 0.8}, {0.6, 0.0}}));
    Signal breath = Noise(n, 421);
    Filter(breath, FilterKind::BandPass, Constant(1800.0), 1.5);
    Multiply(breath, Envelope(n, {{0.0, 0.0}, {0.05, 0.3}, {0.6, 0.0}}));
    Mix(cry, breath);
    FadeEdges(cry, 0.002, 0.05);
    NormalisePeak(cry, PeakDbfs);
    return cry;
}

// Water rushing out through the opened sluice.
Signal Sluice()
{
    const int n = SampleCount(1.2);
    Signal water = Noise(n, 431);
    Filter(water, FilterKind::BandPass, Glide(500.0, 1400.0, 1.0), 0.6);
    Signal gurgle = Noise(n, 432);
    Filter(gurgle, FilterKind::LowPass, Constant(12.0), 0.7);
    NormalisePeak(gurgle, 0.0);
    for (double& value : gurgle)
    {
        value = 0.7 + 0.3 * value;
    }
    Multiply(water, gurgle);
    Multiply(water, Envelope(n, {{0.0, 0.0}, {0.2, 1.0}, {0.8, 0.9}, {1.2, 0.0}}));
    FadeEdges(water, 0.005, 0.05);
    NormalisePeak(water, PeakDbfs);
    return water;
}

// A drop falling into a pool in the dark: a short rising blip.
Signal Drip()
{
    const int n = SampleCount(0.2);
    Signal drop = Tone(n, Glide(700.0, 1900.0, 0.04), {1.0});
    Multiply(drop, Decay(n, 0.001, 0.03));
    FadeEdges(drop, 0.001, 0.02);
    NormalisePeak(drop, PeakDbfs - 4.0);
    return drop;
}

// A crystal waking: a glassy bell chord, struck twice.
Signal Chime()
{
    Signal sound;
    for (int strike = 0; strike < 2; ++strike)
    {
        const double base = strike == 0 ? 1318.5 : 1975.5;
        Mix(sound,
            Modes(SampleCount(0.9),
                  {{base, 1.0, 0.35}, {base * 2.76, 0.35, 0.15}, {base * 5.4, 0.15, 0.07}}),
            strike == 0 ? 1.0 : 0.8, SampleCount(0.12 * strike));
    }
    FadeEdges(sound, 0.001, 0.1);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// The temple's guardian waking: a deep gong with a slow beat between its partials.
Signal Gong()
{
    const std::vector<Mode> modes = {{98.0, 1.0, 0.7}, {99.5, 0.6, 0.7}, {231.0, 0.5, 0.4},
                                     {377.0, 0.3, 0.25}, {612.0, 0.2, 0.15}};
    Signal sound = Modes(SampleCount(1.4), modes);
    Signal strike = Noise(SampleCount(0.04), 441);
    Filter(strike, FilterKind::LowPass, Constant(1500.0), 0.7);
    Multiply(strike, Decay(SampleCount(0.04), 0.001, 0.01));
    Mix(sound, strike, 0.3);
    FadeEdges(sound, 0.001, 0.2);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// The ending: a rising arpeggio of bells over a held chord, in C major.
Signal Fanfare()
{
    Signal sound(static_cast<std::size_t>(SampleCount(1.8)), 0.0);
    const Instrument bell = [](const Note& note) {
        const int n = SampleCount(note.seconds + 0.6);
        Signal tone = Modes(n, {{note.hz, 1.0, 0.4}, {note.hz * 2.0, 0.3, 0.2}, {note.hz * 3.0, 0.1, 0.1}});
        Scale(tone, note.velocity);
        return tone;
    };
    std::vector<Note> notes;
    const double arpeggio[] = {60.0, 64.0, 67.0, 72.0, 76.0, 79.0, 84.0};
    for (int i = 0; i < 7; ++i)
    {
        notes.push_back({0.12 * i, 0.2, NoteFrequency(arpeggio[i]), 0.6 + 0.05 * i});
    }
    PlayNotes(sound, notes, bell, 1.0, false);
    const int n = SampleCount(1.8);
    for (const double note : {48.0, 55.0, 64.0})
    {
        Signal pad = Tone(n, Constant(NoteFrequency(note)), {1.0, 0.3, 0.1});
        Multiply(pad, Envelope(n, {{0.0, 0.0}, {0.5, 0.25}, {1.3, 0.2}, {1.8, 0.0}}));
        Mix(sound, pad);
    }
    sound.resize(static_cast<std::size_t>(n));
    FadeEdges(sound, 0.001, 0.3);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

} // namespace

bool WriteStorySounds(const std::string& media)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(media) / "sounds" / "story", error);
    const std::pair<const char*, Signal> sounds[] = {
        {"drums.wav", Drums()}, {"rumble.wav", Rumble()}, {"rattle.wav", Rattle()},
        {"heron.wav", Heron()}, {"sluice.wav", Sluice()}, {"drip.wav", Drip()},
        {"chime.wav", Chime()}, {"gong.wav", Gong()},     {"fanfare.wav", Fanfare()},
    };
    bool written = true;
    for (const auto& [name, signal] : sounds)
    {
        written = WriteMediaFile(media, std::string("sounds/story/") + name, WaveFileBytes(ToPcm16(signal), SoundRate)) &&
                  written;
    }
    return written;
}

} // namespace MediaGen
