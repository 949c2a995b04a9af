#include "OggWriter.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace OggWriter
{

std::vector<std::int16_t> Tone(int channels, long rate, long frames, double frequency, double amplitude)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames * channels));
    for (long i = 0; i < frames; ++i)
    {
        const double value = amplitude * std::sin(2.0 * M_PI * frequency * static_cast<double>(i) / static_cast<double>(rate));
        for (int c = 0; c < channels; ++c)
        {
            samples[static_cast<std::size_t>(i * channels + c)] = static_cast<std::int16_t>(std::lround(value * 32767.0));
        }
    }
    return samples;
}

namespace
{

void AppendPages(ogg_stream_state& stream, std::string& out, bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) != 0 : ogg_stream_pageout(&stream, &page) != 0)
    {
        out.append(reinterpret_cast<const char*>(page.header), static_cast<std::size_t>(page.header_len));
        out.append(reinterpret_cast<const char*>(page.body), static_cast<std::size_t>(page.body_len));
    }
}

}

std::string Encode(int channels, long rate, const std::vector<std::int16_t>& interleaved)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.4f) != 0)
    {
        std::abort();
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(rate) ^ channels ^ static_cast<int>(interleaved.size()));

    std::string out;
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    AppendPages(stream, out, true);

    const long frames = static_cast<long>(interleaved.size()) / channels;
    constexpr long Piece = 1024;
    for (long done = 0;; done += Piece)
    {
        const long count = std::max(0L, std::min(Piece, frames - done));
        if (count > 0)
        {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (long i = 0; i < count; ++i)
            {
                for (int c = 0; c < channels; ++c)
                {
                    buffer[c][i] = static_cast<float>(interleaved[static_cast<std::size_t>((done + i) * channels + c)]) / 32768.0f;
                }
            }
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count)); // 0 marks the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1)
        {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0)
            {
                ogg_stream_packetin(&stream, &packet);
                AppendPages(stream, out, false);
            }
        }
        if (count <= 0)
        {
            break;
        }
    }
    AppendPages(stream, out, true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

} // namespace OggWriter
