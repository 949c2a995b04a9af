#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

// A fresh folder per test under the system's temporary folder, removed afterwards, with helpers to
// write and read whole files as bytes.
class TempFolderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_Root = std::filesystem::temp_directory_path() /
                 ("quarrow-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_Root);
        std::filesystem::create_directories(m_Root);
    }
    void TearDown() override { std::filesystem::remove_all(m_Root); }

    std::string PathOf(const std::string& name) const { return (m_Root / name).string(); }

    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
    }

    std::string ReadFile(const std::string& name) const
    {
        std::ifstream file(PathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_Root;
};
