#pragma once

#include "sound/SampleSource.h"
#include "sound/WaveResource.h"

namespace SoundLib
{

// Reads a wave file held in memory by the wave registry; several sources share one resource. Every
// operation first waits for a resource still queued for background loading.
class CCachedWaveSampleSource final : public CSampleSource
{
public:
    // Holds a reference to the resource (which may be empty or not loaded: the source is then invalid).
    explicit CCachedWaveSampleSource(BaseLib::CResourcePtr<CWaveResource> resource);

    // The resource is loaded.
    bool IsValid() override;
    // Frames / samples per second; 0 when there is no data.
    double GetLength() override;
    std::uint32_t GetLengthFrames() override;
    std::uint32_t GetLengthBytes() override;
    // seconds <= 0 (or not a number): position 0; else (size / length) x seconds, truncated and clamped to
    // the size. Not rounded to whole frames.
    void Seek(double seconds) override;
    const Platform::WaveFormat* GetFormat() override;
    std::uint32_t Read(void* dest, std::uint32_t bytes, bool loop) override;
    // position / size x length.
    double Tell() override;

private:
    // Null when the resource is not loaded.
    CWaveResource* Loaded();

    BaseLib::CResourcePtr<CWaveResource> m_resource;
    std::uint32_t m_position = 0;
};

} // namespace SoundLib
