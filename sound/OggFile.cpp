#include "sound/OggFile.h"

#include "foundation/Debug.h"
#include "platform/os/Files.h"
#include "sound/WaveResource.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace SoundLib
{

namespace
{

// A damaged stream could report holes without end; this many in a row end the read.
constexpr int MaxHolesInARow = 1024;

}

COggFile::COggFile(const std::string& fileName)
{
    const std::string path = ResolveSoundPath(fileName);
    std::FILE* file = Platform::OpenFile(path, "rb");
    if (file == nullptr)
    {
        BaseLib::DebugOutput("Error: failed to open file %s\n", fileName.c_str());
        return;
    }
    auto* decoder = new OggVorbis_File();
    if (ov_open_callbacks(file, decoder, nullptr, 0, OV_CALLBACKS_DEFAULT) != 0)
    {
        // The decoder leaves the file open when it refuses it.
        std::fclose(file);
        delete decoder;
        BaseLib::DebugOutput("Error: %s - not an Ogg Vorbis file\n", fileName.c_str());
        return;
    }
    m_decoder = decoder;

    const vorbis_info* info = ov_info(m_decoder, -1);
    const long streams = ov_streams(m_decoder);
    for (long i = 0; info != nullptr && i < streams; ++i)
    {
        const vorbis_info* link = ov_info(m_decoder, static_cast<int>(i));
        if (link == nullptr || link->channels != info->channels || link->rate != info->rate)
        {
            BaseLib::DebugOutput("Error: %s - its chained streams differ in channels or rate\n", fileName.c_str());
            CloseDecoder();
            return;
        }
    }
    if (info == nullptr || info->channels < 1 || info->channels > 255 || info->rate < 1 || info->rate > 0x7FFFFFFF / 510)
    {
        BaseLib::DebugOutput("Error: %s - unusable stream format\n", fileName.c_str());
        CloseDecoder();
        return;
    }
    const auto channels = static_cast<std::uint32_t>(info->channels);
    const auto rate = static_cast<std::uint32_t>(info->rate);
    const ogg_int64_t frames = ov_pcm_total(m_decoder, -1);
    const double seconds = ov_time_total(m_decoder, -1);
    if (frames < 0 || static_cast<std::uint64_t>(frames) * channels * 2 > UINT32_MAX || !(seconds >= 0.0))
    {
        BaseLib::DebugOutput("Error: %s - stream length unusable\n", fileName.c_str());
        CloseDecoder();
        return;
    }
    // Opening a chained file leaves the decoder behind the first stream (libvorbisfile 1.3.7): start
    // from the beginning, or everything before the last stream would never be heard.
    if (ov_pcm_tell(m_decoder) != 0 && ov_pcm_seek_page(m_decoder, 0) != 0)
    {
        BaseLib::DebugOutput("Error: %s - cannot seek to the start\n", fileName.c_str());
        CloseDecoder();
        return;
    }
    m_frames = frames;
    m_seconds = seconds;
    m_format.formatTag = Platform::WaveFormatPcm;
    m_format.channels = static_cast<std::uint16_t>(channels);
    m_format.samplesPerSec = rate;
    m_format.avgBytesPerSec = channels * rate * 2;
    m_format.blockAlign = static_cast<std::uint16_t>(channels * 2);
    m_format.bitsPerSample = 16;
    m_format.extraSize = 18;
}

COggFile::~COggFile()
{
    CloseDecoder();
}

void COggFile::CloseDecoder()
{
    if (m_decoder != nullptr)
    {
        ov_clear(m_decoder);
        delete m_decoder;
        m_decoder = nullptr;
    }
    m_format = Platform::WaveFormat{};
    m_frames = 0;
    m_seconds = 0.0;
}

double COggFile::GetLength()
{
    return m_seconds;
}

std::uint32_t COggFile::GetLengthFrames()
{
    return static_cast<std::uint32_t>(m_frames);
}

std::uint32_t COggFile::GetLengthBytes()
{
    return static_cast<std::uint32_t>(m_frames) * m_format.blockAlign;
}

void COggFile::Seek(double seconds)
{
    if (m_decoder != nullptr)
    {
        ov_time_seek(m_decoder, seconds > 0.0 ? seconds : 0.0);
    }
}

double COggFile::Tell()
{
    // From the frame position: every chained stream has the same rate (checked at opening), and the
    // library's own time query reads before its stream table when a damaged file left the position
    // ahead of the first stream.
    if (m_decoder == nullptr || m_format.samplesPerSec == 0)
    {
        return 0.0;
    }
    const ogg_int64_t frame = ov_pcm_tell(m_decoder);
    return frame > 0 ? static_cast<double>(frame) / m_format.samplesPerSec : 0.0;
}

std::uint32_t COggFile::Read(void* dest, std::uint32_t bytes, bool loop)
{
    auto* out = static_cast<char*>(dest);
    std::uint32_t total = 0;
    std::uint32_t remaining = bytes;
    bool rewound = false; // a pass from the start that yields nothing ends the loop
    int holes = 0;
    while (remaining > 0)
    {
        long n = 0;
        if (m_decoder != nullptr)
        {
            int stream = 0;
            const int ask = static_cast<int>(std::min<std::uint32_t>(remaining, INT_MAX));
            n = ov_read(m_decoder, out, ask, 0, 2, 1, &stream);
            if (n == OV_HOLE && ++holes < MaxHolesInARow)
            {
                continue;
            }
        }
        if (n <= 0)
        {
            if (!loop || rewound || m_decoder == nullptr || ov_pcm_seek_page(m_decoder, 0) != 0)
            {
                std::memset(out, 0, remaining);
                return total;
            }
            rewound = true;
            continue;
        }
        const auto got = static_cast<std::uint32_t>(std::min<long>(n, remaining));
        out += got;
        total += got;
        remaining -= got;
        rewound = false;
        holes = 0;
    }
    return total;
}

} // namespace SoundLib
