#pragma once

#include "platform/audio/Audio.h"

#include <cmath>

// Rules shared by the audio layer's implementations (the output and the scripted stand-in).
namespace Platform
{

// AudioOk, AudioErrInvalidParam for a size outside 4..0x0FFFFFFF, AudioErrBadFormat for a format that is
// not PCM with 8 or 16 bits, 1 or 2 channels, block align = channels x bits / 8 and 100..200000 Hz.
inline AudioResult CheckBufferRequest(const WaveFormat& format, std::uint32_t bytes)
{
    if (bytes < 4 || bytes > 0x0FFFFFFF)
    {
        return AudioErrInvalidParam;
    }
    const bool bitsOk = format.bitsPerSample == 8 || format.bitsPerSample == 16;
    const bool channelsOk = format.channels == 1 || format.channels == 2;
    if (format.formatTag != WaveFormatPcm || !bitsOk || !channelsOk ||
        format.blockAlign != format.channels * format.bitsPerSample / 8 || format.samplesPerSec < 100 ||
        format.samplesPerSec > 200000)
    {
        return AudioErrBadFormat;
    }
    return AudioOk;
}

inline bool FrequencyInRange(std::uint32_t hertz)
{
    return hertz == 0 || (hertz >= 100 && hertz <= 200000);
}

// Amplitude factor of a level in hundredths of a decibel; -10000 and below are silent.
inline float GainOfMillibels(std::int32_t millibels)
{
    return millibels <= -10000 ? 0.0f : static_cast<float>(std::pow(10.0, millibels / 2000.0));
}

} // namespace Platform
