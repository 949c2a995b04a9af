#include "sound/CachedWaveSampleSource.h"

#include <algorithm>
#include <cstring>

namespace SoundLib
{

namespace
{

const Platform::WaveFormat NoFormat{};

}

CCachedWaveSampleSource::CCachedWaveSampleSource(BaseLib::CResourcePtr<CWaveResource> resource)
    : CSampleSource(resource ? resource->GetWaveParameters().fileName : std::string()),
      m_resource(std::move(resource))
{
}

CWaveResource* CCachedWaveSampleSource::Loaded()
{
    if (!m_resource)
    {
        return nullptr;
    }
    m_resource->WaitUntilLoaded();
    return m_resource->GetState() == BaseLib::ResourceLoaded ? m_resource.Get() : nullptr;
}

bool CCachedWaveSampleSource::IsValid()
{
    return Loaded() != nullptr;
}

double CCachedWaveSampleSource::GetLength()
{
    const CWaveResource* wave = Loaded();
    if (wave == nullptr || wave->samplesPerSec == 0)
    {
        return 0.0;
    }
    return static_cast<double>(wave->frameCount) / static_cast<double>(wave->samplesPerSec);
}

std::uint32_t CCachedWaveSampleSource::GetLengthFrames()
{
    const CWaveResource* wave = Loaded();
    return wave != nullptr ? wave->frameCount : 0;
}

std::uint32_t CCachedWaveSampleSource::GetLengthBytes()
{
    const CWaveResource* wave = Loaded();
    return wave != nullptr ? wave->dataSize : 0;
}

void CCachedWaveSampleSource::Seek(double seconds)
{
    const CWaveResource* wave = Loaded();
    const double length = GetLength();
    if (wave == nullptr || !(seconds > 0.0) || !(length > 0.0))
    {
        m_position = 0;
        return;
    }
    // Clamped while still floating point, so no product beyond the size becomes an integer.
    const double size = static_cast<double>(wave->dataSize);
    const double position = std::min(size / length * seconds, size);
    m_position = static_cast<std::uint32_t>(position);
}

const Platform::WaveFormat* CCachedWaveSampleSource::GetFormat()
{
    const CWaveResource* wave = Loaded();
    return wave != nullptr ? &wave->format : &NoFormat;
}

std::uint32_t CCachedWaveSampleSource::Read(void* dest, std::uint32_t bytes, bool loop)
{
    auto* out = static_cast<std::uint8_t*>(dest);
    const CWaveResource* wave = Loaded();
    const std::uint32_t size = wave != nullptr ? wave->dataSize : 0;
    std::uint32_t total = 0;
    std::uint32_t remaining = bytes;
    bool rewound = false; // a pass from the start that yields nothing ends the loop
    while (remaining > 0)
    {
        const std::uint32_t n = std::min(remaining, size - std::min(m_position, size));
        if (n == 0)
        {
            if (!loop || rewound)
            {
                std::memset(out, 0, remaining);
                return total;
            }
            m_position = 0;
            rewound = true;
            continue;
        }
        std::memcpy(out, wave->data.get() + m_position, n);
        m_position += n;
        total += n;
        out += n;
        remaining -= n;
        rewound = false;
    }
    return total;
}

double CCachedWaveSampleSource::Tell()
{
    const CWaveResource* wave = Loaded();
    if (wave == nullptr || wave->dataSize == 0)
    {
        return 0.0;
    }
    return static_cast<double>(m_position) / static_cast<double>(wave->dataSize) * GetLength();
}

} // namespace SoundLib
