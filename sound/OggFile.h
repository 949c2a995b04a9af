#pragma once

#include "platform/audio/WaveFormat.h"

#include <cstdint>
#include <string>

struct OggVorbis_File;

namespace SoundLib
{

// An Ogg Vorbis file decoded on demand into 16-bit signed little-endian PCM. A file that cannot be
// opened, is not Ogg Vorbis, changes channels or rate between chained streams, or states a length that
// cannot be used is refused with a trace line naming it and stays closed.
class COggFile
{
public:
    // Resolves the name through the registry's path aliases when they are set and opens it.
    explicit COggFile(const std::string& fileName);
    // Clears the decoder, which closes the file.
    virtual ~COggFile();
    COggFile(const COggFile&) = delete;
    COggFile& operator=(const COggFile&) = delete;

    virtual bool IsOpen() const { return m_decoder != nullptr; }
    // Seconds of the whole stream; 0 when closed.
    virtual double GetLength();
    virtual std::uint32_t GetLengthFrames();
    // Frames x block align.
    virtual std::uint32_t GetLengthBytes();
    virtual void Seek(double seconds);
    virtual double Tell();
    // {1, channels, rate, channels x rate x 2, channels x 2, 16, 18}; all zero when closed.
    virtual const Platform::WaveFormat* GetFormat() const { return &m_format; }
    // Fills all `bytes` bytes of dest with decoded data, rewinding to the start at the end when looping,
    // then zeros; answers the count of decoded bytes. A pass from the start that yields nothing ends the
    // loop; a decoding error counts as the end of the stream.
    virtual std::uint32_t Read(void* dest, std::uint32_t bytes, bool loop);

private:
    // Frees the decoder (closing the file) and forgets the format.
    void CloseDecoder();

    OggVorbis_File* m_decoder = nullptr;
    Platform::WaveFormat m_format;
    std::int64_t m_frames = 0;
    double m_seconds = 0.0;
};

} // namespace SoundLib
