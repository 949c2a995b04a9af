#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>

// A fresh folder per test under the system's temporary folder, removed afterwards, with helpers to
// write and read whole files as bytes. The folder's name has capitals and a blank, as a game folder
// such as "~/Games/Quarrow Test" may: the program folds the case of media names only, never of the
// folders above them.
class TempFolderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        const std::string name =
            "Quarrow Test-" + std::to_string(::getpid()) + "-" + test->test_suite_name() + "-" + test->name();
        m_Root = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(m_Root);
        std::filesystem::create_directories(m_Root);
    }
    // Never throws: a test may leave entries behind that cannot be removed (a read-only folder).
    void TearDown() override
    {
        std::error_code error;
        std::filesystem::remove_all(m_Root, error);
    }

    const std::filesystem::path& Root() const { return m_Root; }
    std::string PathOf(const std::string& name) const { return (m_Root / name).string(); }

    // Writes the bytes to the file `name` (a path below the folder), making its folders first.
    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        const std::filesystem::path path = m_Root / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::string ReadFile(const std::string& name) const { return ReadBytes(m_Root / name); }

    // The whole file's bytes; empty when it cannot be read.
    static std::string ReadBytes(const std::filesystem::path& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_Root;
};

// A TempFolderTest whose folder is the working folder while the test runs; the folder the test started
// in is the working folder again afterwards.
class WorkingFolderTest : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        m_Started = std::filesystem::current_path();
        std::filesystem::current_path(Root());
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_Started);
        TempFolderTest::TearDown();
    }

private:
    std::filesystem::path m_Started;
};
