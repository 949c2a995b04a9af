#include "platform/os/NamedMutex.h"
#include "platform/os/DebugOutput.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// Points the lock files at the test's own folder for the test's length.
class NamedMutexTest : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        const char* previous = std::getenv("XDG_RUNTIME_DIR");
        m_hadPrevious = previous != nullptr;
        m_previous = m_hadPrevious ? previous : "";
        setenv("XDG_RUNTIME_DIR", Root().c_str(), 1);
    }
    void TearDown() override
    {
        if (m_hadPrevious)
        {
            setenv("XDG_RUNTIME_DIR", m_previous.c_str(), 1);
        }
        else
        {
            unsetenv("XDG_RUNTIME_DIR");
        }
        TempFolderTest::TearDown();
    }

private:
    bool m_hadPrevious = false;
    std::string m_previous;
};

TEST_F(NamedMutexTest, AHeldNameIsFoundByASecondOpenInTheSameProcessUntilItsHolderCloses)
{
    const std::string name = "Test - Mutex/one";
    EXPECT_EQ(PathOf("Test_-_Mutex_one.lock"), Platform::NamedMutexPath(name));
    EXPECT_EQ(nullptr, Platform::OpenNamedMutex(name)); // nobody holds it yet

    Platform::Handle owner = Platform::CreateNamedMutex(name);
    ASSERT_NE(nullptr, owner);
    EXPECT_EQ(nullptr, Platform::CreateNamedMutex(name));
    Platform::Handle opened = Platform::OpenNamedMutex(name);
    ASSERT_NE(nullptr, opened);
    // The opener's handle holds no lock: closing it leaves the name taken.
    EXPECT_TRUE(Platform::CloseHandle(opened));
    opened = Platform::OpenNamedMutex(name);
    EXPECT_NE(nullptr, opened);
    Platform::CloseHandle(opened);

    EXPECT_TRUE(Platform::CloseHandle(owner));
    EXPECT_EQ(nullptr, Platform::OpenNamedMutex(name));
    EXPECT_EQ(nullptr, Platform::OpenNamedMutex("Test - Mutex/two")); // names are apart
}

TEST_F(NamedMutexTest, ALockLeftByAProcessThatEndedIsGone)
{
    const std::string name = "ended";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        // Holds the mutex and ends without closing it.
        ::_exit(Platform::CreateNamedMutex(name) != nullptr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(0, WEXITSTATUS(status));
    EXPECT_TRUE(std::filesystem::exists(PathOf("ended.lock")));
    EXPECT_EQ(nullptr, Platform::OpenNamedMutex(name));
    Platform::Handle owner = Platform::CreateNamedMutex(name);
    EXPECT_NE(nullptr, owner);
    Platform::CloseHandle(owner);
}

TEST_F(NamedMutexTest, AFolderWithoutRoomForTheFileIsTracedOnceAndCountsAsFree)
{
    // A folder that cannot exist: its parent is a file.
    WriteFile("plain", "x");
    const std::filesystem::path locked = Root() / "plain" / "runtime";
    setenv("XDG_RUNTIME_DIR", locked.c_str(), 1);
    Platform::DebugOutputCapture capture;
    EXPECT_EQ(nullptr, Platform::OpenNamedMutex("free"));
    EXPECT_EQ(nullptr, Platform::CreateNamedMutex("free"));
    const std::string text = capture.Text();
    EXPECT_NE(std::string::npos, text.find("Named mutex: cannot make a lock file in " + locked.string())) << text;
    EXPECT_EQ(text.find("Named mutex"), text.rfind("Named mutex")) << text;
}

} // namespace
