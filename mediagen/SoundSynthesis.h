#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// The building blocks of the generated sounds: oscillators, struck resonances, seeded noise, envelopes,
// filters, mixing, level and seam tools, and note sequences. Every signal is mono at SoundRate, one
// double per sample, nominally within [-1, 1]. Everything is deterministic: the same calls give the same
// samples on every run.
namespace MediaGen
{

constexpr int SoundRate = 22050;

using Signal = std::vector<double>;
// A value that changes over time, given the time in seconds from the signal's start (a frequency in Hz,
// a filter's centre).
using Curve = std::function<double(double seconds)>;

// The number of samples of that many seconds, rounded to the nearest sample.
int SampleCount(double seconds);
// A curve that holds one value.
Curve Constant(double value);
// A curve that glides exponentially from `from` to `to` over `seconds`, then holds `to`.
Curve Glide(double from, double to, double seconds);
// The frequency of a MIDI note number (69 is 440 Hz).
double NoteFrequency(double midiNote);

// Uniform noise in [-1, 1) from its own seed: a value type, so two sounds never share a sequence and the
// order in which sounds are made does not change them.
class NoiseSource
{
public:
    explicit NoiseSource(std::uint32_t seed);
    double Next();

private:
    std::uint64_t m_state;
};

// `samples` of white noise from the seed.
Signal Noise(int samples, std::uint32_t seed);

// A periodic tone whose fundamental follows the curve; harmonics[k] is the amplitude of partial k + 1.
// Partials that would reach half the sample rate are left out, so nothing folds back. The phase starts
// at 0, so the first sample is 0.
Signal Tone(int samples, const Curve& frequency, const std::vector<double>& harmonics = {1.0});

// One resonance of a struck body: a sine at hz that starts at amplitude and falls by 1/e every
// decaySeconds.
struct Mode
{
    double hz;
    double amplitude;
    double decaySeconds;
};
// The sum of the modes, each starting at phase 0 (a knock, a clank, a bell, a mallet).
Signal Modes(int samples, const std::vector<Mode>& modes);

// An envelope through (seconds, level) points, linear between them, holding the first level before the
// first point and the last one after the last.
Signal Envelope(int samples, const std::vector<std::pair<double, double>>& points);
// An envelope that rises linearly over attackSeconds and then falls by 1/e every decaySeconds.
Signal Decay(int samples, double attackSeconds, double decaySeconds);
// Every sample times the gain.
void Scale(Signal& signal, double gain);
// signal[i] *= gain[i]; the shorter length bounds it, samples beyond gain are silenced.
void Multiply(Signal& signal, const Signal& gain);

enum class FilterKind
{
    LowPass,
    BandPass,
    HighPass
};
// A resonant two-pole (state-variable) filter whose cutoff or centre follows the curve; q is its
// resonance (0.707 for a flat low or high pass; for a band pass, the narrower the higher, with gain 1 at
// the centre). Stable for any cutoff, even a moving one; cutoffs are held between 1 Hz and just below half
// the sample rate.
void Filter(Signal& signal, FilterKind kind, const Curve& cutoff, double q);

// Adds gain × source into target from the sample offset on; the target grows when the source reaches
// beyond its end.
void Mix(Signal& target, const Signal& source, double gain = 1.0, int offset = 0);
// Adds gain × source into target from offset on, wrapping past the end to the start: the target keeps its
// length, so it plays as a seamless loop.
void MixWrapped(Signal& target, const Signal& source, double gain, int offset);

// Scales the signal so its largest magnitude is that level in dB below full scale (an all-zero signal
// stays zero).
void NormalisePeak(Signal& signal, double peakDbfs);
// Raised-cosine fades over the first inSeconds and the last outSeconds; the first and the last sample
// become exactly 0.
void FadeEdges(Signal& signal, double inSeconds, double outSeconds);
// For a signal that is one period of a loop: turns it so it starts at the rising zero crossing nearest to
// sample `near`. The loop plays as before, but the file starts and ends within one sample step of zero
// and the step from the last sample back to the first is an ordinary step of the wave, so a restart or a
// loop does not click. Leaves a signal without a rising crossing unchanged.
void StartAtZeroCrossing(Signal& signal, int near = 0);

// One note of a sequence: start and length in seconds, the pitch as a frequency, velocity 0..1.
struct Note
{
    double start;
    double seconds;
    double hz;
    double velocity;
};
// Renders one note: its samples from the note's start, tail included (they may last beyond its length).
using Instrument = std::function<Signal(const Note& note)>;
// Renders every note with the instrument and mixes it in at its start. With wrap, tails that reach beyond
// the end of the target continue at its start (for loops); without, the target grows.
void PlayNotes(Signal& target, const std::vector<Note>& notes, const Instrument& instrument, double gain,
               bool wrap);

// 16-bit samples: each value × 32767 rounded to the nearest integer, clamped to the 16-bit range; a value
// that is not a number becomes 0.
std::vector<std::int16_t> ToPcm16(const Signal& signal);

} // namespace MediaGen
