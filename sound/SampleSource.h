#pragma once

#include "platform/audio/WaveFormat.h"

#include <cstdint>
#include <string>

namespace SoundLib
{

// Where a voice reads its PCM bytes from. Used under the owning device's lock.
class CSampleSource
{
public:
    explicit CSampleSource(std::string name) : m_name(std::move(name)) {}
    virtual ~CSampleSource() = default;
    CSampleSource(const CSampleSource&) = delete;
    CSampleSource& operator=(const CSampleSource&) = delete;

    // Whether the data can be read.
    virtual bool IsValid() = 0;
    // Length in seconds.
    virtual double GetLength() = 0;
    virtual std::uint32_t GetLengthFrames() = 0;
    virtual std::uint32_t GetLengthBytes() = 0;
    // Moves the read position.
    virtual void Seek(double seconds) = 0;
    virtual const Platform::WaveFormat* GetFormat() = 0;
    // Fills all `bytes` bytes of dest: sound data (from the start again when looping), then zeros.
    // Answers how many of them are sound data.
    virtual std::uint32_t Read(void* dest, std::uint32_t bytes, bool loop) = 0;
    // Read position in seconds.
    virtual double Tell() = 0;

    // The file name the source was made for.
    const std::string& GetName() const { return m_name; }

    // Bytes per second for cursor arithmetic: GetLengthBytes() / GetLength(), truncated; 0 for a source
    // without length.
    std::uint32_t GetBytesPerSecond();

private:
    std::string m_name;
};

} // namespace SoundLib
