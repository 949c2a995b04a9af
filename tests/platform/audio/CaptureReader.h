#pragma once

#include "platform/os/RiffFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// What OpenAL Soft's wave backend wrote (stereo 32-bit float, complete once the device is closed), read
// back for the capture tests of the audio layer and of the sound device.
namespace AudioCaptureFile
{

struct Frame
{
    float left;
    float right;
};

// The captured frames. The file is first kept as <outputDir>/<current test's name>.wav for a person to hear.
inline std::vector<Frame> Read(const std::string& captureFile, const std::string& outputDir)
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::create_directories(outputDir);
    std::filesystem::copy_file(captureFile, outputDir + "/" + test->name() + ".wav",
                               std::filesystem::copy_options::overwrite_existing);
    Platform::RiffFile file;
    std::vector<Frame> frames;
    Platform::RiffChunk riff;
    Platform::RiffChunk data;
    if (!file.Open(captureFile.c_str()) || !file.Descend(riff) ||
        !file.FindChunk(data, Platform::MakeChunkId('d', 'a', 't', 'a'), &riff))
    {
        ADD_FAILURE() << "no capture";
        return frames;
    }
    const std::uint32_t bytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(data.size, file.Remaining()));
    frames.resize(bytes / sizeof(Frame));
    file.Read(frames.data(), static_cast<std::uint32_t>(frames.size() * sizeof(Frame)));
    return frames;
}

// [first, end) of the frames that are not silent, from `from` on, ending at a stretch of `gap` silent frames.
inline std::pair<std::size_t, std::size_t> SoundRun(const std::vector<Frame>& frames, std::size_t from = 0,
                                                    std::size_t gap = 2000)
{
    auto silent = [&](std::size_t i) { return frames[i].left == 0.0f && frames[i].right == 0.0f; };
    std::size_t first = from;
    while (first < frames.size() && silent(first))
    {
        ++first;
    }
    std::size_t end = first;
    std::size_t quiet = 0;
    for (std::size_t i = first; i < frames.size() && quiet < gap; ++i)
    {
        quiet = silent(i) ? quiet + 1 : 0;
        end = i + 1;
    }
    return {first, end - quiet};
}

inline double Rms(const std::vector<Frame>& frames, std::size_t first, std::size_t end, bool left)
{
    double sum = 0.0;
    for (std::size_t i = first; i < end; ++i)
    {
        const double v = left ? frames[i].left : frames[i].right;
        sum += v * v;
    }
    return std::sqrt(sum / static_cast<double>(std::max<std::size_t>(1, end - first)));
}

} // namespace AudioCaptureFile
