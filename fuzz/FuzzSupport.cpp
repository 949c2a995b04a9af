#include "fuzz/FuzzSupport.h"

#include "platform/os/DebugOutput.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace Fuzz
{

namespace
{

const std::filesystem::path& ScratchFolder()
{
    static const std::filesystem::path folder = [] {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("quarrow-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

// Removes the scratch folder when the process ends normally.
struct ScratchCleanup
{
    ~ScratchCleanup()
    {
        std::error_code error;
        std::filesystem::remove_all(ScratchFolder(), error);
    }
} s_cleanup;

} // namespace

InputFile::InputFile(const std::uint8_t* data, std::size_t size, const std::string& extension)
    : m_path(ScratchPath("input" + extension))
{
    std::ofstream file(m_path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

InputFile::~InputFile()
{
    std::error_code error;
    std::filesystem::remove(m_path, error);
}

std::string ScratchPath(const std::string& name)
{
    return (ScratchFolder() / name).string();
}

void MuteTraces()
{
    static const bool muted = [] {
        Platform::SetDebugOutputSink([](const char*) {});
        return true;
    }();
    (void)muted;
}

} // namespace Fuzz
