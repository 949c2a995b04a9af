#pragma once

// Set-up shared by the test programs and the application tests of the framework and the game: the
// display, a fresh working folder that also holds the single-instance locks, and the program entry run.

#include "engine/ProgramEntry.h"
#include "platform/os/CommandLine.h"
#include "platform/os/DebugOutput.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#endif

namespace TestProgram
{

// Without a display the window opens on SDL's off-screen driver.
inline void PrepareDisplay()
{
#if defined(__SANITIZE_ADDRESS__)
    // As in the test programs: the leak check at exit must still see the software OpenGL driver's data.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_NODELETE);
#endif
    if (std::getenv("DISPLAY") == nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr)
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    }
}

// Empties (or makes) the folder, enters it and puts XDG_RUNTIME_DIR there, so the single-instance lock
// never meets another run's.
inline void EnterEmptyFolder(const std::filesystem::path& folder)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

// Makes an empty folder "<prefix><pid>" in the temporary folder and enters it (EnterEmptyFolder).
inline std::filesystem::path EnterFreshFolder(const std::string& prefix)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()));
    EnterEmptyFolder(folder);
    return folder;
}

// Runs the program entry on this process's command line; trace receives what it wrote to the debug output.
inline int RunProgramEntry(int argc, char** argv, std::string& trace)
{
    Platform::DebugOutputCapture capture;
    const int result = Qen::ProgramEntry(Platform::GetModuleHandleA(nullptr), Platform::CommandLineText(argc, argv));
    trace = capture.Text();
    return result;
}

} // namespace TestProgram
