// The sounds of the game application, the puzzle screens and the screenshot key, each synthesised here.

#include "mediagen/GameMedia.h"
#include "mediagen/SoundSynthesis.h"
#include "mediagen/WaveFileWriter.h"

#include <cmath>
#include <numbers>

namespace MediaGen
{

namespace
{

// Every sound peaks here: loud enough that a knock played at volume 18 of 100 is still heard, with a
// margin so a sound at volume 100 never clips.
constexpr double PeakDbfs = -1.0;

constexpr double TwoPi = 2.0 * std::numbers::pi;

// A short burst of noise through a filter, falling by 1/e every decaySeconds: the attack of a click or a hit.
Signal Click(double seconds, std::uint32_t seed, FilterKind kind, double cutoff, double decaySeconds)
{
    const int n = SampleCount(seconds);
    Signal click = Noise(n, seed);
    Filter(click, kind, Constant(cutoff), 0.7);
    Multiply(click, Decay(n, 0.0003, decaySeconds));
    NormalisePeak(click, 0.0);
    return click;
}

// A pitched blip of a menu click: the tone falls by 1/e every decaySeconds.
Signal Blip(double seconds, const Curve& frequency, const std::vector<double>& harmonics, double decaySeconds)
{
    const int n = SampleCount(seconds);
    Signal blip = Tone(n, frequency, harmonics);
    Multiply(blip, Decay(n, 0.002, decaySeconds));
    return blip;
}

Signal MenuActivate()
{
    Signal sound;
    Mix(sound, Blip(0.07, Constant(1318.5), {1.0, 0.25, 0.08}, 0.02));
    Mix(sound, Blip(0.09, Constant(1760.0), {1.0, 0.25, 0.08}, 0.025), 0.9, SampleCount(0.045));
    Mix(sound, Click(0.01, 101, FilterKind::HighPass, 3000.0, 0.002), 0.35);
    FadeEdges(sound, 0.0005, 0.01);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

Signal MenuCancel()
{
    Signal sound;
    Mix(sound, Blip(0.08, Glide(987.8, 880.0, 0.08), {1.0, 0.15}, 0.025));
    Mix(sound, Blip(0.11, Glide(659.3, 587.3, 0.1), {1.0, 0.15}, 0.035), 0.9, SampleCount(0.055));
    Mix(sound, Click(0.01, 102, FilterKind::HighPass, 2000.0, 0.002), 0.3);
    FadeEdges(sound, 0.0005, 0.015);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// Grit of a scrape: filtered noise whose loudness wanders, as a rough surface catches and lets go.
Signal Scrape(int n, std::uint32_t seed, const Curve& centre, double q)
{
    Signal grit = Noise(n, seed);
    Filter(grit, FilterKind::BandPass, centre, q);
    NormalisePeak(grit, 0.0);
    Signal roughness = Noise(n, seed + 1);
    Filter(roughness, FilterKind::LowPass, Constant(35.0), 0.7);
    NormalisePeak(roughness, 0.0);
    for (double& value : roughness)
    {
        value = 0.65 + 0.35 * value;
    }
    Multiply(grit, roughness);
    return grit;
}

// The shape of a block setting off: a quick push, then the slide fading out.
Signal SlideEnvelope(int n, double seconds)
{
    return Envelope(n, {{0.0, 0.0}, {0.012, 1.0}, {0.12, 0.8}, {seconds, 0.0}});
}

Signal BlockStartToMove()
{
    const double seconds = 0.45;
    const int n = SampleCount(seconds);
    Signal sound = Scrape(n, 201, Glide(700.0, 1100.0, 0.3), 1.2);
    Signal rumble = Noise(n, 203);
    Filter(rumble, FilterKind::LowPass, Constant(220.0), 0.9);
    NormalisePeak(rumble, 0.0);
    Mix(sound, rumble, 0.7);
    Multiply(sound, SlideEnvelope(n, seconds));
    FadeEdges(sound, 0.001, 0.02);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// A heavy thud: a low tone whose pitch drops as it dies away.
Signal Thump(int n, double from, double to, double decaySeconds)
{
    Signal thump = Tone(n, Glide(from, to, 0.09), {1.0, 0.3});
    Multiply(thump, Decay(n, 0.002, decaySeconds));
    return thump;
}

Signal BlockCollide()
{
    const int n = SampleCount(0.4);
    Signal sound = Thump(n, 150.0, 60.0, 0.07);
    Mix(sound, Modes(n, {{220.0, 0.5, 0.08}, {485.0, 0.35, 0.05}, {910.0, 0.2, 0.035}, {1570.0, 0.1, 0.02}}),
        0.8);
    Mix(sound, Click(0.03, 204, FilterKind::LowPass, 3500.0, 0.005), 0.6);
    FadeEdges(sound, 0.0005, 0.05);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

Signal MagnetBlockStartToMove()
{
    const double seconds = 0.5;
    const int n = SampleCount(seconds);
    Signal sound = Scrape(n, 301, Glide(1800.0, 3000.0, 0.4), 2.0);
    // The field takes hold: a buzz that rises as the block gets going.
    Signal buzz = Tone(n, Glide(140.0, 280.0, 0.35), {1.0, 0.6, 0.45, 0.3, 0.2, 0.12});
    Filter(buzz, FilterKind::LowPass, Constant(2000.0), 0.7);
    NormalisePeak(buzz, 0.0);
    Mix(sound, buzz, 0.6);
    Multiply(sound, SlideEnvelope(n, seconds));
    FadeEdges(sound, 0.001, 0.02);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

Signal MagnetBlockCollide()
{
    const int n = SampleCount(0.7);
    // Metal rings with inharmonic partials that die away from the top down.
    Signal sound = Modes(n, {{523.0, 1.0, 0.22},
                             {1247.0, 0.6, 0.16},
                             {2130.0, 0.45, 0.11},
                             {3310.0, 0.3, 0.07},
                             {4470.0, 0.2, 0.05}});
    Mix(sound, Thump(n, 120.0, 55.0, 0.07), 1.2);
    Mix(sound, Click(0.03, 302, FilterKind::HighPass, 1500.0, 0.004), 0.5);
    FadeEdges(sound, 0.0005, 0.08);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// Played again in the step after it ended, for as long as the magnet is held, so it must be one exact
// period: every partial and modulation makes a whole number of cycles in the second.
Signal MagnetLoop()
{
    const int n = SampleCount(1.0);
    Signal sound = Tone(n, Constant(100.0), {1.0, 0.5, 0.35, 0.0, 0.2});
    Mix(sound, Tone(n, Constant(101.0), {0.6})); // a slow beat, once a second
    Mix(sound, Tone(n, [](double t) { return 1500.0 + 40.0 * std::cos(TwoPi * 3.0 * t); }), 0.12); // shimmer
    Signal tremolo = Tone(n, Constant(4.0));
    for (double& value : tremolo)
    {
        value = 1.0 + 0.2 * value;
    }
    Multiply(sound, tremolo);
    StartAtZeroCrossing(sound);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// Faded in while a flex block is squeezed, played faster the harder (1 to 2 times), and started again
// when it ended: it starts and ends at zero so neither a start nor a fade clicks.
Signal Spring()
{
    const int n = SampleCount(0.6);
    const Curve wobble = [](double t) {
        return 170.0 * (1.0 + 0.18 * std::exp(-t / 0.15) * std::sin(TwoPi * 11.0 * t)) *
               (1.0 + 0.1 * std::exp(-t / 0.05));
    };
    Signal sound = Tone(n, wobble, {1.0, 0.55, 0.3, 0.18, 0.1});
    Multiply(sound, Decay(n, 0.004, 0.18));
    Mix(sound, Modes(n, {{2350.0, 0.25, 0.03}, {3900.0, 0.12, 0.02}}));
    FadeEdges(sound, 0.002, 0.08);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// Air rushing past while the camera flies in: noise through a band that sweeps up and down again.
Signal Camera()
{
    const double seconds = 3.0;
    const int n = SampleCount(seconds);
    Signal sound = Noise(n, 501);
    const Curve sweep = [](double t) { return 350.0 + 1900.0 * std::exp(-std::pow((t - 1.2) / 0.6, 2.0)); };
    Filter(sound, FilterKind::BandPass, sweep, 1.3);
    NormalisePeak(sound, 0.0);
    Signal wind = Noise(n, 502);
    Filter(wind, FilterKind::LowPass, Constant(300.0), 0.8);
    NormalisePeak(wind, 0.0);
    Mix(sound, wind, 0.5);
    Multiply(sound, Envelope(n, {{0.0, 0.0}, {0.5, 0.3}, {1.2, 1.0}, {1.9, 0.45}, {seconds, 0.0}}));
    FadeEdges(sound, 0.05, 0.2);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// A shutter: the blade opens with one click and closes with a second, slightly lower one.
Signal Screenshot()
{
    const auto blade = [](std::uint32_t seed, double pitch) {
        const double seconds = 0.06;
        const int n = SampleCount(seconds);
        Signal click = Click(seconds, seed, FilterKind::HighPass, 1500.0, 0.004);
        Mix(click, Modes(n, {{3100.0 * pitch, 0.5, 0.012},
                             {1750.0 * pitch, 0.4, 0.018},
                             {5200.0 * pitch, 0.2, 0.006}}));
        return click;
    };
    Signal sound(static_cast<std::size_t>(SampleCount(0.25)), 0.0);
    Mix(sound, blade(601, 1.0));
    Mix(sound, blade(602, 0.85), 0.8, SampleCount(0.11));
    FadeEdges(sound, 0.0005, 0.02);
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

// The title tune: eight bars at 80 beats a minute in A minor, rendered as one period of a loop.
constexpr double Beat = 0.75;
constexpr int Bars = 8;
constexpr double Bar = 4 * Beat;

// One entry of a part: beat within the bar, length in beats, MIDI note.
struct Step
{
    double beat;
    double beats;
    int note;
};

struct Chord
{
    int tones[3];
};

// Am, F, C, G, Am, F, Dm, E: the E leads back to the Am of the first bar.
const Chord Progression[Bars] = {{{57, 60, 64}}, {{53, 57, 60}}, {{48, 52, 55}}, {{55, 59, 62}},
                                 {{57, 60, 64}}, {{53, 57, 60}}, {{50, 53, 57}}, {{52, 56, 59}}};

const std::vector<Step> Melody[Bars] = {
    {{0, 1, 69}, {1, 1, 72}, {2, 1.5, 76}, {3.5, 0.5, 74}}, // Am
    {{0, 2, 72}, {2, 1, 69}, {3, 1, 72}},                   // F
    {{0, 1, 67}, {1, 1, 72}, {2, 1, 76}, {3, 1, 79}},       // C
    {{0, 3, 74}, {3, 1, 71}},                               // G
    {{0, 1, 69}, {1, 1, 72}, {2, 1.5, 76}, {3.5, 0.5, 77}}, // Am
    {{0, 1, 76}, {1, 1, 74}, {2, 2, 72}},                   // F
    {{0, 1, 74}, {1, 1, 77}, {2, 1, 81}, {3, 1, 77}},       // Dm
    {{0, 2, 76}, {2, 1, 68}, {3, 1, 71}},                   // E
};

Note At(int bar, double beat, double beats, double midi, double velocity)
{
    return {bar * Bar + beat * Beat, beats * Beat, NoteFrequency(midi), velocity};
}

// A sung lead: soft harmonics, a gentle attack, vibrato that sets in after the attack, a short release.
Signal Lead(const Note& note)
{
    const double release = 0.25;
    const int n = SampleCount(note.seconds + release);
    const double hz = note.hz;
    const Curve vibrato = [hz](double t) {
        return hz * (1.0 + 0.004 * std::min(t / 0.3, 1.0) * std::sin(TwoPi * 5.0 * t));
    };
    Signal sound = Tone(n, vibrato, {1.0, 0.35, 0.18, 0.08, 0.04});
    const double end = note.seconds;
    Multiply(sound, Envelope(n, {{0.0, 0.0}, {0.03, 1.0}, {0.2, 0.7}, {end, 0.6}, {end + release, 0.0}}));
    Scale(sound, note.velocity);
    return sound;
}

// A wooden bar struck with a soft mallet.
Signal Mallet(const Note& note)
{
    const int n = SampleCount(1.2);
    const double v = note.velocity;
    Signal sound =
        Modes(n, {{note.hz, v, 0.35}, {note.hz * 3.93, 0.22 * v, 0.06}, {note.hz * 2.0, 0.08 * v, 0.15}});
    FadeEdges(sound, 0.001, 0.05);
    return sound;
}

// A warm held chord tone under everything.
Signal Pad(const Note& note)
{
    const double release = 0.6;
    const int n = SampleCount(note.seconds + release);
    const double end = note.seconds;
    Signal sound = Tone(n, Constant(note.hz), {1.0, 0.3, 0.1});
    Multiply(sound, Envelope(n, {{0.0, 0.0}, {0.4, 1.0}, {end, 0.8}, {end + release, 0.0}}));
    Scale(sound, note.velocity);
    return sound;
}

Signal Bass(const Note& note)
{
    const double release = 0.08;
    const int n = SampleCount(note.seconds + release);
    const double end = note.seconds;
    Signal sound = Tone(n, Constant(note.hz), {1.0, 0.5, 0.25});
    Multiply(sound, Envelope(n, {{0.0, 0.0}, {0.01, 1.0}, {0.15, 0.75}, {end, 0.6}, {end + release, 0.0}}));
    Scale(sound, note.velocity);
    return sound;
}

Signal Kick(const Note& note)
{
    const int n = SampleCount(0.25);
    Signal sound = Tone(n, Glide(110.0, 45.0, 0.12), {1.0});
    Multiply(sound, Decay(n, 0.002, 0.09));
    Scale(sound, note.velocity);
    return sound;
}

Signal Shaker(const Note& note)
{
    Signal sound = Click(0.08, 700 + static_cast<std::uint32_t>(SampleCount(note.start)),
                         FilterKind::HighPass, 5000.0, 0.025);
    Scale(sound, note.velocity);
    return sound;
}

Signal TitleMusic()
{
    Signal music(static_cast<std::size_t>(SampleCount(Bars * Bar)), 0.0);
    std::vector<Note> lead, mallet, pad, bass, kick, shaker;
    for (int bar = 0; bar < Bars; ++bar)
    {
        const Chord& chord = Progression[bar];
        for (const Step& step : Melody[bar])
        {
            lead.push_back(At(bar, step.beat, step.beats * 0.92, step.note, 0.8));
        }
        // Eighths up and down the chord, the root an octave higher at the top.
        const int pattern[8] = {0, 1, 2, 3, 2, 1, 2, 1};
        for (int eighth = 0; eighth < 8; ++eighth)
        {
            const int index = pattern[eighth];
            const int note = index == 3 ? chord.tones[0] + 12 : chord.tones[index];
            mallet.push_back(At(bar, eighth * 0.5, 0.5, note, eighth % 2 == 0 ? 0.8 : 0.6));
        }
        for (const int tone : chord.tones)
        {
            pad.push_back(At(bar, 0, 4, tone, 0.5));
        }
        const int root = chord.tones[0] - 12;
        for (const Step& step :
             std::vector<Step>{{0, 1.5, root}, {1.5, 0.5, root}, {2, 1, root + 7}, {3, 1, root}})
        {
            bass.push_back(At(bar, step.beat, step.beats * 0.9, step.note, 1.0));
        }
        kick.push_back(At(bar, 0, 1, 0, 1.0));
        kick.push_back(At(bar, 2, 1, 0, 0.8));
        for (int eighth = 1; eighth < 8; eighth += 2)
        {
            shaker.push_back(At(bar, eighth * 0.5, 0.5, 0, eighth == 7 ? 0.7 : 0.45));
        }
    }
    // The lead with a soft echo a dotted eighth later; it wraps like everything else.
    Signal melody(music.size(), 0.0);
    PlayNotes(melody, lead, Lead, 1.0, true);
    const Signal dry = melody;
    MixWrapped(melody, dry, 0.3, SampleCount(0.75 * Beat));

    Mix(music, melody, 0.5);
    PlayNotes(music, mallet, Mallet, 0.28, true);
    PlayNotes(music, pad, Pad, 0.06, true);
    PlayNotes(music, bass, Bass, 0.32, true);
    PlayNotes(music, kick, Kick, 0.35, true);
    PlayNotes(music, shaker, Shaker, 0.08, true);
    StartAtZeroCrossing(music);
    NormalisePeak(music, PeakDbfs);
    return music;
}

// The result of a level: a rising chime of one, two or three bell notes (C6, E6, G6), each note a struck
// bar with a bright overtone that rings on under the next.
Signal Chime(int notes)
{
    static const double pitches[] = {84.0, 88.0, 91.0};
    const double step = 0.16;
    Signal sound;
    for (int i = 0; i < notes; ++i)
    {
        const double hz = NoteFrequency(pitches[i]);
        Signal bell = Modes(SampleCount(0.9), {{hz, 1.0, 0.3}, {hz * 2.76, 0.3, 0.09}, {hz * 5.4, 0.12, 0.04}});
        FadeEdges(bell, 0.002, 0.08);
        Mix(sound, bell, 1.0, SampleCount(step * i));
    }
    NormalisePeak(sound, PeakDbfs);
    return sound;
}

Signal OneStar()
{
    return Chime(1);
}

Signal TwoStars()
{
    return Chime(2);
}

Signal ThreeStars()
{
    return Chime(3);
}

struct GameSound
{
    const char* file;
    Signal (*make)();
};

const GameSound Sounds[] = {
    {"sounds/music/titel01_var01.wav", TitleMusic},
    {"sounds/menuactivate.wav", MenuActivate},
    {"sounds/menucancel.wav", MenuCancel},
    {"sounds/blockstarttomove.wav", BlockStartToMove},
    {"sounds/blockcollide.wav", BlockCollide},
    {"sounds/magnetblockstarttomove.wav", MagnetBlockStartToMove},
    {"sounds/magnetblockcollide.wav", MagnetBlockCollide},
    {"sounds/magnet_loop.wav", MagnetLoop},
    {"sounds/spring.wav", Spring},
    {"sounds/camera.wav", Camera},
    {"sounds/std_screenshot.wav", Screenshot},
    {"sounds/1star.wav", OneStar},
    {"sounds/2stars.wav", TwoStars},
    {"sounds/3stars.wav", ThreeStars},
};

} // namespace

bool WriteGameSounds(const std::string& media)
{
    bool written = true;
    for (const GameSound& sound : Sounds)
    {
        written =
            WriteMediaFile(media, sound.file, WaveFileBytes(ToPcm16(sound.make()), SoundRate)) && written;
    }
    return written;
}

} // namespace MediaGen
