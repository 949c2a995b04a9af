#pragma once

#include "sound/OggFile.h"
#include "sound/SampleSource.h"

#include <memory>

namespace SoundLib
{

// An Ogg Vorbis file as a sample source: every operation is the file's own (IsValid is IsOpen).
class COggFileSampleSource final : public CSampleSource
{
public:
    explicit COggFileSampleSource(const std::string& fileName)
        : CSampleSource(fileName), m_file(std::make_unique<COggFile>(fileName))
    {
    }

    bool IsValid() override { return m_file->IsOpen(); }
    double GetLength() override { return m_file->GetLength(); }
    std::uint32_t GetLengthFrames() override { return m_file->GetLengthFrames(); }
    std::uint32_t GetLengthBytes() override { return m_file->GetLengthBytes(); }
    void Seek(double seconds) override { m_file->Seek(seconds); }
    const Platform::WaveFormat* GetFormat() override { return m_file->GetFormat(); }
    std::uint32_t Read(void* dest, std::uint32_t bytes, bool loop) override
    {
        return m_file->Read(dest, bytes, loop);
    }
    double Tell() override { return m_file->Tell(); }

private:
    std::unique_ptr<COggFile> m_file;
};

} // namespace SoundLib
