#include "mediagen/SoundSynthesis.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>

namespace MediaGen
{

namespace
{

constexpr double TwoPi = 2.0 * std::numbers::pi;

double TimeOf(std::size_t sample)
{
    return static_cast<double>(sample) / SoundRate;
}

} // namespace

int SampleCount(double seconds)
{
    return static_cast<int>(std::lround(seconds * SoundRate));
}

Curve Constant(double value)
{
    return [value](double) { return value; };
}

Curve Glide(double from, double to, double seconds)
{
    return [from, to, seconds](double t) {
        if (t >= seconds)
        {
            return to;
        }
        return from * std::pow(to / from, t / seconds);
    };
}

double NoteFrequency(double midiNote)
{
    return 440.0 * std::pow(2.0, (midiNote - 69.0) / 12.0);
}

NoiseSource::NoiseSource(std::uint32_t seed) : m_state(seed) {}

double NoiseSource::Next()
{
    // A 64-bit counter mixed into well-spread bits; the top 53 make a double in [0, 1).
    m_state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * (2.0 / 9007199254740992.0) - 1.0;
}

Signal Noise(int samples, std::uint32_t seed)
{
    NoiseSource source(seed);
    Signal signal(static_cast<std::size_t>(samples));
    for (double& value : signal)
    {
        value = source.Next();
    }
    return signal;
}

Signal Tone(int samples, const Curve& frequency, const std::vector<double>& harmonics)
{
    Signal signal(static_cast<std::size_t>(samples));
    double phase = 0.0; // in cycles, kept in [0, 1) so the sines stay exact over long tones
    for (std::size_t i = 0; i < signal.size(); ++i)
    {
        const double hz = frequency(TimeOf(i));
        double value = 0.0;
        for (std::size_t k = 0; k < harmonics.size(); ++k)
        {
            const double partial = static_cast<double>(k + 1);
            if (hz * partial >= SoundRate / 2.0)
            {
                break;
            }
            value += harmonics[k] * std::sin(TwoPi * std::fmod(phase * partial, 1.0));
        }
        signal[i] = value;
        phase = std::fmod(phase + hz / SoundRate, 1.0);
    }
    return signal;
}

Signal Modes(int samples, const std::vector<Mode>& modes)
{
    Signal signal(static_cast<std::size_t>(samples), 0.0);
    for (const Mode& mode : modes)
    {
        if (mode.hz >= SoundRate / 2.0)
        {
            continue;
        }
        for (std::size_t i = 0; i < signal.size(); ++i)
        {
            const double t = TimeOf(i);
            signal[i] += mode.amplitude * std::exp(-t / mode.decaySeconds) *
                         std::sin(TwoPi * std::fmod(mode.hz * t, 1.0));
        }
    }
    return signal;
}

Signal Envelope(int samples, const std::vector<std::pair<double, double>>& points)
{
    assert(!points.empty());
    Signal signal(static_cast<std::size_t>(samples));
    std::size_t next = 0; // the first point at or after the sample's time
    for (std::size_t i = 0; i < signal.size(); ++i)
    {
        const double t = TimeOf(i);
        while (next < points.size() && points[next].first < t)
        {
            ++next;
        }
        if (next == 0)
        {
            signal[i] = points.front().second;
        }
        else if (next == points.size())
        {
            signal[i] = points.back().second;
        }
        else
        {
            const auto& [t0, v0] = points[next - 1];
            const auto& [t1, v1] = points[next];
            signal[i] = v0 + (v1 - v0) * (t - t0) / (t1 - t0);
        }
    }
    return signal;
}

Signal Decay(int samples, double attackSeconds, double decaySeconds)
{
    Signal signal(static_cast<std::size_t>(samples));
    for (std::size_t i = 0; i < signal.size(); ++i)
    {
        const double t = TimeOf(i);
        signal[i] = t < attackSeconds ? t / attackSeconds : std::exp(-(t - attackSeconds) / decaySeconds);
    }
    return signal;
}

void Scale(Signal& signal, double gain)
{
    for (double& value : signal)
    {
        value *= gain;
    }
}

void Multiply(Signal& signal, const Signal& gain)
{
    for (std::size_t i = 0; i < signal.size(); ++i)
    {
        signal[i] *= i < gain.size() ? gain[i] : 0.0;
    }
}

void Filter(Signal& signal, FilterKind kind, const Curve& cutoff, double q)
{
    // The trapezoidal state-variable filter: one structure gives the low, band and high outputs and stays
    // stable while its cutoff moves.
    const double k = 1.0 / q;
    double state1 = 0.0;
    double state2 = 0.0;
    for (std::size_t i = 0; i < signal.size(); ++i)
    {
        const double hz = std::clamp(cutoff(TimeOf(i)), 1.0, 0.49 * SoundRate);
        const double g = std::tan(std::numbers::pi * hz / SoundRate);
        const double a1 = 1.0 / (1.0 + g * (g + k));
        const double a2 = g * a1;
        const double a3 = g * a2;
        const double input = signal[i];
        const double v3 = input - state2;
        const double band = a1 * state1 + a2 * v3;
        const double low = state2 + a2 * state1 + a3 * v3;
        state1 = 2.0 * band - state1;
        state2 = 2.0 * low - state2;
        switch (kind)
        {
        case FilterKind::LowPass:
            signal[i] = low;
            break;
        case FilterKind::BandPass:
            signal[i] = k * band; // unity gain at the centre, whatever the resonance
            break;
        case FilterKind::HighPass:
            signal[i] = input - k * band - low;
            break;
        }
    }
}

void Mix(Signal& target, const Signal& source, double gain, int offset)
{
    assert(offset >= 0);
    const std::size_t start = static_cast<std::size_t>(offset);
    if (target.size() < start + source.size())
    {
        target.resize(start + source.size(), 0.0);
    }
    for (std::size_t i = 0; i < source.size(); ++i)
    {
        target[start + i] += gain * source[i];
    }
}

void MixWrapped(Signal& target, const Signal& source, double gain, int offset)
{
    if (target.empty())
    {
        return;
    }
    const std::size_t length = target.size();
    const std::size_t start =
        static_cast<std::size_t>(((offset % static_cast<int>(length)) + length) % length);
    for (std::size_t i = 0; i < source.size(); ++i)
    {
        target[(start + i) % length] += gain * source[i];
    }
}

void NormalisePeak(Signal& signal, double peakDbfs)
{
    double peak = 0.0;
    for (const double value : signal)
    {
        peak = std::max(peak, std::abs(value));
    }
    if (peak == 0.0)
    {
        return;
    }
    Scale(signal, std::pow(10.0, peakDbfs / 20.0) / peak);
}

void FadeEdges(Signal& signal, double inSeconds, double outSeconds)
{
    if (signal.empty())
    {
        return;
    }
    const std::size_t in =
        std::min(signal.size(), static_cast<std::size_t>(std::max(1, SampleCount(inSeconds))));
    const std::size_t out =
        std::min(signal.size(), static_cast<std::size_t>(std::max(1, SampleCount(outSeconds))));
    for (std::size_t i = 0; i < in; ++i)
    {
        signal[i] *=
            0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / static_cast<double>(in));
    }
    for (std::size_t i = 0; i < out; ++i)
    {
        signal[signal.size() - 1 - i] *=
            0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / static_cast<double>(out));
    }
}

void StartAtZeroCrossing(Signal& signal, int near)
{
    const std::size_t length = signal.size();
    if (length < 2)
    {
        return;
    }
    // A rising crossing lies between sample i - 1 (below zero) and sample i (at or above it), the loop's
    // last sample counting as the one before the first.
    std::size_t best = length;
    std::size_t bestDistance = length;
    const std::size_t from = static_cast<std::size_t>(std::clamp(near, 0, static_cast<int>(length) - 1));
    for (std::size_t i = 0; i < length; ++i)
    {
        const double before = signal[(i + length - 1) % length];
        if (before < 0.0 && signal[i] >= 0.0)
        {
            const std::size_t forward = (i + length - from) % length;
            const std::size_t distance = std::min(forward, length - forward);
            if (distance < bestDistance)
            {
                best = i;
                bestDistance = distance;
            }
        }
    }
    if (best < length)
    {
        std::rotate(signal.begin(), signal.begin() + static_cast<std::ptrdiff_t>(best), signal.end());
    }
}

void PlayNotes(Signal& target, const std::vector<Note>& notes, const Instrument& instrument, double gain,
               bool wrap)
{
    for (const Note& note : notes)
    {
        const Signal sound = instrument(note);
        const int offset = SampleCount(note.start);
        if (wrap)
        {
            MixWrapped(target, sound, gain, offset);
        }
        else
        {
            Mix(target, sound, gain, offset);
        }
    }
}

std::vector<std::int16_t> ToPcm16(const Signal& signal)
{
    std::vector<std::int16_t> samples(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i)
    {
        const double value = signal[i];
        if (std::isnan(value))
        {
            samples[i] = 0;
            continue;
        }
        const double scaled = std::clamp(std::round(value * 32767.0), -32768.0, 32767.0);
        samples[i] = static_cast<std::int16_t>(scaled);
    }
    return samples;
}

} // namespace MediaGen
