#pragma once

#include "platform/os/MessageBox.h"
#include "platform/os/Thread.h"
#include "tests/support/ProgramRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace TestSupport
{

// Each test runs in a fresh working folder that also holds the lock files (XDG_RUNTIME_DIR), with message
// boxes recorded instead of shown; the main thread's processors and the working folder are restored.
class ApplicationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestProgram::PrepareDisplay();
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        // Capitals and a blank in the working folder, as a user's game folder may have.
        const std::string name =
            "Quarrow Test-" + std::to_string(::getpid()) + "-" + test->test_suite_name() + "-" + test->name();
        m_previousFolder = std::filesystem::current_path();
        m_folder = std::filesystem::temp_directory_path() / name;
        TestProgram::EnterEmptyFolder(m_folder);
        m_processors = Platform::GetCurrentThreadProcessors();
        m_previousAnswerer =
            Platform::SetMessageBoxAnswerer([this](const char* text, const char* caption, std::uint32_t style) {
                boxes.push_back(std::string(caption) + "|" + text + "|" + std::to_string(style));
                return Platform::MessageBoxAnswerOk;
            });
    }
    void TearDown() override
    {
        Platform::SetMessageBoxAnswerer(m_previousAnswerer);
        Platform::SetCurrentThreadProcessors(m_processors);
        std::filesystem::current_path(m_previousFolder);
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }

    // A configuration file of a small window without multisampling; sound as asked.
    static void WriteConfig(bool soundEnabled = false, const std::string& extra = "")
    {
        std::ofstream("config.xml")
            << "<configuration><application><windowsize><cx>320</cx><cy>240</cy></windowsize>"
               "<fullscreen>false</fullscreen></application><graphic><antialiasing>off</antialiasing></graphic>"
               "<sound><soundenabled>"
            << (soundEnabled ? "true" : "false") << "</soundenabled></sound>" << extra << "</configuration>\n";
    }

    static std::string ReadFile(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    const std::filesystem::path& Folder() const { return m_folder; }
    std::uint64_t StartProcessors() const { return m_processors; }

    std::vector<std::string> boxes;

private:
    std::filesystem::path m_folder;
    std::filesystem::path m_previousFolder;
    std::uint64_t m_processors = 0;
    Platform::MessageBoxAnswerer m_previousAnswerer;
};

} // namespace TestSupport
