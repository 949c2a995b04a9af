// The map's sounds (a lock opening, treasure, a key picked up, a pylon) and the regions' ambiences: a loop
// under each region but the cave, and the calls, croaks and drops the ambience scatters over it.

#include "mediagen/MapArt.h"

#include "mediagen/GameMedia.h"
#include "mediagen/SoundSynthesis.h"
#include "mediagen/WaveFileWriter.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <system_error>

namespace MediaGen
{

namespace
{

constexpr double PeakDbfs = -1.0;
constexpr double TwoPi = 2.0 * std::numbers::pi;
// The loops: long enough not to be heard repeating, short enough to keep the files small.
constexpr double LoopSeconds = 3.0;

// A loop of a noise bed: rendered `fade` seconds longer than the loop, whose tail is cross-faded into its
// head, so the last sample runs on into the first as the signal itself did.
Signal FoldIntoLoop(const Signal& longer, int loop)
{
    Signal folded(longer.begin(), longer.begin() + loop);
    const int fade = static_cast<int>(longer.size()) - loop;
    for (int i = 0; i < fade; ++i)
    {
        const double t = (static_cast<double>(i) + 0.5) / fade;
        folded[static_cast<size_t>(i)] = longer[static_cast<size_t>(i)] * std::sqrt(t) +
                                         longer[static_cast<size_t>(loop + i)] * std::sqrt(1.0 - t);
    }
    return folded;
}

Signal Bed(int samples, std::uint32_t seed, FilterKind kind, const Curve& cutoff, double q, const Curve& level)
{
    Signal bed = Noise(samples, seed);
    Filter(bed, kind, cutoff, q);
    for (int i = 0; i < samples; ++i)
    {
        bed[static_cast<size_t>(i)] *= level(static_cast<double>(i) / SoundRate);
    }
    return bed;
}

// A struck metal body: the lock's bolt and the coins.
Signal Clank(double seconds, double hz, double decay)
{
    return Modes(SampleCount(seconds), {{hz, 1.0, decay}, {hz * 2.76, 0.5, decay * 0.6}, {hz * 5.40, 0.25, decay * 0.4}});
}

Signal Finish(Signal sound)
{
    FadeEdges(sound, 0.002, 0.03);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

Signal OpenLock()
{
    Signal sound;
    Signal tick = Noise(SampleCount(0.05), 4101);
    Filter(tick, FilterKind::BandPass, Constant(2500.0), 2.0);
    Multiply(tick, Decay(static_cast<int>(tick.size()), 0.0005, 0.008));
    Mix(sound, tick, 0.8);
    Mix(sound, Clank(0.3, 820.0, 0.05), 0.6, SampleCount(0.02));
    Mix(sound, tick, 0.9, SampleCount(0.16));
    Mix(sound, Clank(0.3, 540.0, 0.08), 0.8, SampleCount(0.17));
    return Finish(sound);
}

Signal Treasure()
{
    Signal sound;
    const double hz[] = {2093.0, 2637.0, 3136.0, 2349.0, 3520.0, 2794.0, 4186.0};
    for (int i = 0; i < 7; ++i)
    {
        Mix(sound, Clank(0.3, hz[i], 0.06 + 0.01 * (i % 3)), 0.7 - 0.05 * i, SampleCount(0.05 * i + 0.01 * (i % 2)));
    }
    return Finish(sound);
}

Signal KeyPickup()
{
    Signal sound;
    const double notes[] = {76, 81, 88};
    for (int i = 0; i < 3; ++i)
    {
        const int n = SampleCount(0.25);
        Signal bell = Tone(n, Constant(NoteFrequency(notes[i])), {1.0, 0.0, 0.3, 0.0, 0.1});
        Multiply(bell, Decay(n, 0.003, 0.09));
        Mix(sound, bell, 0.8, SampleCount(0.07 * i));
    }
    return Finish(sound);
}

Signal Pylon()
{
    const int n = SampleCount(0.6);
    Signal sound;
    for (const double note : {64.0, 71.0, 76.0})
    {
        Signal voice = Tone(n, Glide(NoteFrequency(note - 2.0), NoteFrequency(note), 0.25), {1.0, 0.4, 0.2});
        Mix(sound, voice, 0.4);
    }
    Multiply(sound, Envelope(n, {{0.0, 0.0}, {0.08, 1.0}, {0.35, 0.6}, {0.6, 0.0}}));
    Signal shimmer = Noise(n, 4104);
    Filter(shimmer, FilterKind::BandPass, Glide(3000.0, 6000.0, 0.6), 6.0);
    Multiply(shimmer, Envelope(n, {{0.0, 0.0}, {0.1, 0.5}, {0.6, 0.0}}));
    Mix(sound, shimmer, 0.6);
    return Finish(sound);
}

// A loop's events (chirps, drops) mixed round the loop, then the seam put at a zero crossing.
Signal CloseLoop(Signal loop)
{
    StartAtZeroCrossing(loop);
    NormalisePeak(loop, PeakDbfs);
    return loop;
}

// Leaves rustling in a warm wind with insects trilling far off.
Signal JungleLoop()
{
    const int loop = SampleCount(LoopSeconds);
    const int fade = SampleCount(0.5);
    Signal longer = Bed(loop + fade, 5101, FilterKind::BandPass, Constant(900.0), 0.6,
                        [](double t) { return 0.6 + 0.25 * std::sin(TwoPi * t / LoopSeconds); });
    Signal sound = FoldIntoLoop(longer, loop);
    for (int i = 0; i < 6; ++i)
    {
        const int n = SampleCount(0.18);
        Signal trill = Tone(n, Constant(4200.0 + 180.0 * i), {1.0});
        Multiply(trill, Tone(n, Constant(38.0)));
        Multiply(trill, Envelope(n, {{0.0, 0.0}, {0.03, 1.0}, {0.15, 0.8}, {0.18, 0.0}}));
        MixWrapped(sound, trill, 0.08, SampleCount(0.47 * i + 0.11));
    }
    return CloseLoop(sound);
}

// A bird's call: a whistle that leaps or slides, one to three notes.
Signal Bird(double fromHz, double toHz, int notes, double noteSeconds)
{
    Signal sound;
    for (int i = 0; i < notes; ++i)
    {
        const int n = SampleCount(noteSeconds);
        Signal note = Tone(n, Glide(fromHz, toHz, noteSeconds), {1.0, 0.15});
        Multiply(note, Envelope(n, {{0.0, 0.0}, {0.01, 1.0}, {noteSeconds * 0.7, 0.7}, {noteSeconds, 0.0}}));
        Mix(sound, note, 1.0 - 0.15 * i, SampleCount((noteSeconds + 0.04) * i));
    }
    return Finish(sound);
}

// Water lapping at reeds, with a low murmur of frogs far off.
Signal SwampLoop()
{
    const int loop = SampleCount(LoopSeconds);
    const int fade = SampleCount(0.5);
    Signal longer = Bed(loop + fade, 5201, FilterKind::LowPass, Constant(500.0), 0.8,
                        [](double t) { return 0.7 + 0.3 * std::sin(TwoPi * 2.0 * t / LoopSeconds); });
    Signal sound = FoldIntoLoop(longer, loop);
    for (int i = 0; i < 8; ++i)
    {
        const int n = SampleCount(0.12);
        Signal lap = Noise(n, 5210 + static_cast<std::uint32_t>(i));
        Filter(lap, FilterKind::BandPass, Glide(700.0, 300.0, 0.12), 3.0);
        Multiply(lap, Decay(n, 0.01, 0.04));
        MixWrapped(sound, lap, 0.5, SampleCount(0.37 * i + 0.05));
    }
    return CloseLoop(sound);
}

Signal Duck()
{
    Signal sound;
    for (int i = 0; i < 3; ++i)
    {
        const int n = SampleCount(0.11);
        Signal quack = Tone(n, Glide(520.0, 380.0, 0.11), {1.0, 0.8, 0.7, 0.5, 0.4, 0.3});
        Filter(quack, FilterKind::BandPass, Constant(1200.0), 1.5);
        Multiply(quack, Envelope(n, {{0.0, 0.0}, {0.01, 1.0}, {0.08, 0.6}, {0.11, 0.0}}));
        Mix(sound, quack, 1.0, SampleCount(0.14 * i));
    }
    return Finish(sound);
}

// A frog's croak: a buzzing pulse train through a throat resonance.
Signal Frog(double hz, int croaks, double resonance)
{
    Signal sound;
    for (int i = 0; i < croaks; ++i)
    {
        const int n = SampleCount(0.09);
        Signal croak = Tone(n, Constant(hz), {1.0, 0.9, 0.8, 0.7, 0.6, 0.5, 0.4});
        Multiply(croak, Tone(n, Constant(30.0)));
        Filter(croak, FilterKind::BandPass, Constant(resonance), 2.0);
        Multiply(croak, Envelope(n, {{0.0, 0.0}, {0.01, 1.0}, {0.07, 0.7}, {0.09, 0.0}}));
        Mix(sound, croak, 1.0, SampleCount(0.12 * i));
    }
    return Finish(sound);
}

// A drop falling into a pool in the dark: a quick upward "plink" and a little splash.
Signal Drop(double hz, double seconds, std::uint32_t seed)
{
    const int n = SampleCount(seconds);
    Signal sound = Tone(n, Glide(hz, hz * 1.8, 0.05), {1.0});
    Multiply(sound, Decay(n, 0.001, 0.035));
    Signal splash = Noise(n, seed);
    Filter(splash, FilterKind::HighPass, Constant(3000.0), 0.7);
    Multiply(splash, Decay(n, 0.0005, 0.01));
    Mix(sound, splash, 0.3);
    // A faint echo from the cave's walls.
    Signal echo = sound;
    Mix(sound, echo, 0.3, SampleCount(0.09));
    sound.resize(static_cast<size_t>(n));
    return Finish(sound);
}

// A low drone in a stone hall: two voices a fifth apart, slowly beating, over a breath of air.
Signal TempleLoop()
{
    const int loop = SampleCount(LoopSeconds);
    // Every partial makes whole cycles in the loop (multiples of 1/3 Hz), so it is its own seam.
    Signal sound = Tone(loop, Constant(110.0), {1.0, 0.4, 0.25, 0.1});
    Mix(sound, Tone(loop, Constant(165.0 + 1.0 / 3.0), {0.6, 0.2}));
    const int fade = SampleCount(0.5);
    Signal air = FoldIntoLoop(Bed(loop + fade, 5401, FilterKind::BandPass, Constant(1800.0), 0.8,
                                  [](double) { return 1.0; }),
                              loop);
    Mix(sound, air, 0.4);
    Signal swell = Tone(loop, Constant(1.0 / 3.0));
    for (double& value : swell)
    {
        value = 0.8 + 0.2 * value;
    }
    Multiply(sound, swell);
    return CloseLoop(sound);
}

struct MapSound
{
    const char* file;
    Signal (*make)();
};

const MapSound Sounds[] = {
    {"sounds/openlock.wav", OpenLock},
    {"sounds/treasure.wav", Treasure},
    {"sounds/key_pickup.wav", KeyPickup},
    {"sounds/pylon.wav", Pylon},
    {"sounds/jungle/jungleloop.wav", JungleLoop},
    {"sounds/jungle/jbird00.wav", [] { return Bird(2200.0, 3400.0, 2, 0.12); }},
    {"sounds/jungle/jbird01.wav", [] { return Bird(3600.0, 2400.0, 3, 0.08); }},
    {"sounds/jungle/jbird02.wav", [] { return Bird(1500.0, 1900.0, 1, 0.3); }},
    {"sounds/jungle/jbird03.wav", [] { return Bird(2800.0, 4200.0, 3, 0.06); }},
    {"sounds/jungle/jbird04.wav", [] { return Bird(1800.0, 1200.0, 2, 0.16); }},
    {"sounds/swamp/swamploop.wav", SwampLoop},
    {"sounds/swamp/duck.wav", Duck},
    {"sounds/swamp/frogs00.wav", [] { return Frog(90.0, 2, 700.0); }},
    {"sounds/swamp/frogs01.wav", [] { return Frog(120.0, 3, 900.0); }},
    {"sounds/swamp/frogs02.wav", [] { return Frog(70.0, 1, 500.0); }},
    {"sounds/swamp/frogs03.wav", [] { return Frog(150.0, 4, 1100.0); }},
    {"sounds/swamp/frogs04.wav", [] { return Frog(100.0, 3, 600.0); }},
    {"sounds/cave/drop00.wav", [] { return Drop(1200.0, 0.25, 6001); }},
    {"sounds/cave/drop01.wav", [] { return Drop(1500.0, 0.22, 6002); }},
    {"sounds/cave/drop02.wav", [] { return Drop(950.0, 0.3, 6003); }},
    {"sounds/temple/temple01.wav", TempleLoop},
};

} // namespace

bool WriteMapSounds(const std::string& media)
{
    bool written = true;
    for (const char* folder : {"sounds/jungle", "sounds/swamp", "sounds/cave", "sounds/temple"})
    {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(media) / folder, error);
        if (error)
        {
            std::fprintf(stderr, "cannot make the folder %s/%s: %s\n", media.c_str(), folder, error.message().c_str());
            return false;
        }
    }
    for (const MapSound& sound : Sounds)
    {
        written = WriteMediaFile(media, sound.file, WaveFileBytes(ToPcm16(sound.make()), SoundRate)) && written;
    }
    return written;
}

} // namespace MediaGen
