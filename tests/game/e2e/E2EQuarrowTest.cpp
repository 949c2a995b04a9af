// The shipped game played as a player plays it: started with no argument in a fresh working folder under
// the X server, driven by real pointer, button and key events through the server along the route its twin
// wrote, from the first page to the result page, then closed by the ordinary close request.
#include "tests/game/e2e/E2ERoute.h"

#include "platform/xtest/XDisplayDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <iostream>
#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

using namespace EndToEnd;
using Clock = std::chrono::steady_clock;

// A run's whole time, and the longest any single wait may take.
constexpr double kRunSeconds = 180.0;

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Pause(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Thrown to end a run at the step that failed; the run's guard takes the game down.
struct StepFailed
{
    std::string what;
};

class RealRun
{
public:
    explicit RealRun(std::string renderer) : m_renderer(std::move(renderer))
    {
        m_began = Clock::now();
        m_base = std::filesystem::temp_directory_path() /
                 ("quarrow-e2e-" + m_renderer + "-" + std::to_string(::getpid()));
        m_folder = m_base / "work";
        std::filesystem::remove_all(m_base);
        std::filesystem::create_directories(m_folder);
    }

    // Whatever failed: the game asked to close, killed after 5 s, and the folders removed.
    ~RealRun()
    {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(m_base, ignored);
    }

    void Fail(const std::string& step, const std::string& what)
    {
        Picture last;
        if (m_driver != nullptr && m_window.id != 0 && Capture(last))
        {
            WritePicture(std::filesystem::path(QUARROW_TEST_OUTPUT_DIR) / ("e2e_" + m_renderer + "_failed.png"), last);
        }
        throw StepFailed{"step \"" + step + "\": " + what + "\n--- the end of quarrow's standard error:\n" +
                         StandardErrorTail()};
    }

    void CheckTime(const std::string& step)
    {
        if (std::chrono::duration<double>(Clock::now() - m_began).count() > kRunSeconds)
        {
            Fail(step, "the run took more than " + std::to_string(static_cast<int>(kRunSeconds)) + " s");
        }
        int status = 0;
        if (m_pid > 0 && ::waitpid(m_pid, &status, WNOHANG) == m_pid)
        {
            m_pid = -1;
            Fail(step, "quarrow ended on its own (status " + std::to_string(status) + ")");
        }
    }

    std::string StandardErrorTail() const
    {
        const std::string text = ReadFile(m_base / "stderr.txt");
        std::size_t start = text.size();
        for (int lines = 0; lines <= 30 && start > 0; ++lines)
        {
            const std::size_t newline = text.rfind('\n', start - 1);
            start = newline == std::string::npos ? 0 : newline;
        }
        return text.substr(start);
    }

    // The working folder as the player of this check has it, then quarrow started there with no argument.
    void Start(const Route& route)
    {
        const std::string language = m_renderer == "2d" ? "ask" : "english";
        std::ofstream(m_folder / "config.xml")
            << "<configuration><application><mediadir>" << QUARROW_MEDIA_DIR << "</mediadir>"
            << "<fullscreen>false</fullscreen><windowsize><cx>" << route.windowWidth << "</cx><cy>"
            << route.windowHeight << "</cy></windowsize><language>" << language << "</language></application>"
            << "<sound><soundenabled>false</soundenabled></sound><startup><renderer>" << m_renderer
            << "</renderer></startup></configuration>\n";
        std::filesystem::copy_file(std::filesystem::path(QUARROW_MEDIA_DIR) / "ombrel.cur", m_folder / "ombrel.cur");
        m_prepared = PreparedSaveGames();
        std::ofstream(m_folder / "savedgames.bin", std::ios::binary) << m_prepared;

        const std::string errors = (m_base / "stderr.txt").string();
        m_pid = ::fork();
        if (m_pid == 0)
        {
            // The game dies with this process, whatever ends it.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::chdir(m_folder.c_str()) != 0)
            {
                ::_exit(126);
            }
            ::setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
            const int out = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(out, 2);
            ::execl(QUARROW_EXECUTABLE, "quarrow", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        if (m_pid < 0)
        {
            Fail("start", "fork failed");
        }
        std::string error;
        m_driver = Platform::XTest::XDisplayDriver::Connect(error);
        if (m_driver == nullptr)
        {
            Fail("start", error);
        }
        const auto end = Clock::now() + std::chrono::seconds(60);
        while (!m_driver->FindWindow("Ombrel", 0.5, m_window))
        {
            CheckTime("the window \"Ombrel\"");
            if (Clock::now() > end)
            {
                Fail("the window \"Ombrel\"", "no window within 60 s");
            }
        }
        if (m_window.width != route.windowWidth || m_window.height != route.windowHeight)
        {
            Fail("the window \"Ombrel\"", "its client area is " + std::to_string(m_window.width) + " x " +
                                              std::to_string(m_window.height));
        }
        // No window manager gives focus: keys go to the window under the pointer.
        Point(route.restX, route.restY);
    }

    // Asks the game to close (SIGTERM), then kills it after 5 s; answers the exit status, -1 when killed.
    int Stop(double seconds = 5.0)
    {
        if (m_pid <= 0)
        {
            return -1;
        }
        ::kill(m_pid, SIGTERM);
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        int status = 0;
        while (::waitpid(m_pid, &status, WNOHANG) == 0)
        {
            if (Clock::now() > end)
            {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                m_pid = -1;
                return -1;
            }
            Pause(0.05);
        }
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    bool Capture(Picture& picture)
    {
        return m_driver->Capture(m_window, picture.pixels, picture.width, picture.height);
    }

    Picture Reference(const Step& step)
    {
        Picture picture;
        std::string error;
        if (!ReadPicture(RouteFolder(m_renderer) / step.picture, picture, error))
        {
            Fail(step.kind + " " + step.name, error);
        }
        return picture;
    }

    // Whether the step's area matches its reference in two captures 100 ms apart; the last difference.
    bool Matches(const Step& step, const Picture& reference, double& difference)
    {
        for (int capture = 0; capture < 2; ++capture)
        {
            if (capture == 1)
            {
                Pause(0.1);
            }
            Picture frame;
            if (!Capture(frame))
            {
                difference = 1e9;
                return false;
            }
            m_last = frame;
            difference = MeanDifference(Cut(frame, step.area), reference);
            if (difference > kMatchLimit)
            {
                return false;
            }
        }
        return true;
    }

    // Captures until the step's area shows its reference picture; false after the time limit.
    bool WaitFor(const Step& step, double seconds, double& difference, const std::function<void()>& between = {})
    {
        const Picture reference = Reference(step);
        Picture before;
        std::string error;
        if (step.before != "-" && !ReadPicture(RouteFolder(m_renderer) / step.before, before, error))
        {
            Fail(step.kind + " " + step.name, error);
        }
        const bool alike = before.pixels.empty() || before.pixels == reference.pixels;
        const auto shows = [&] {
            return Matches(step, reference, difference) &&
                   (alike || MeanDifference(Cut(m_last, step.area), before) > difference);
        };
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (!shows())
        {
            CheckTime(step.kind + " " + step.name);
            if (Clock::now() > end)
            {
                return false;
            }
            if (between)
            {
                between();
            }
            Pause(0.05);
        }
        return true;
    }

    void MustSee(const Step& step, double seconds)
    {
        double difference = 0.0;
        if (!WaitFor(step, seconds, difference))
        {
            std::ostringstream what;
            what << "the picture of \"" << step.name << "\" did not show within " << seconds
                 << " s (mean difference " << difference << ")";
            Fail(step.kind + " " + step.name, what.str());
        }
    }

    // Waits until the moves label shows the twin's picture after this move. A small label's mean
    // difference hides a wrong digit, so the capture must also lie nearer this move's picture than any
    // other move's that shows another count.
    void MustSeeMoveCount(const Step& step, const std::vector<Step>& steps, double seconds)
    {
        const Picture own = Reference(step);
        std::vector<Picture> others;
        for (const Step& other : steps)
        {
            if (other.kind == "move" && &other != &step)
            {
                Picture theirs = Reference(other);
                if (theirs.pixels != own.pixels)
                {
                    others.push_back(std::move(theirs));
                }
            }
        }
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        double difference = 0.0;
        for (;;)
        {
            if (Matches(step, own, difference))
            {
                const Picture shown = Cut(m_last, step.area);
                const bool nearest = std::all_of(others.begin(), others.end(), [&](const Picture& theirs) {
                    return MeanDifference(shown, theirs) > MeanDifference(shown, own);
                });
                if (nearest)
                {
                    return;
                }
            }
            CheckTime(step.kind + " " + step.name);
            if (Clock::now() > end)
            {
                std::ostringstream what;
                what << "the moves label did not show the count after this move within " << seconds
                     << " s (mean difference " << difference << ")";
                Fail(step.kind + " " + step.name, what.str());
            }
            Pause(0.05);
        }
    }

    void Point(int x, int y)
    {
        m_driver->MovePointer(m_window.x + x, m_window.y + y);
    }

    void Click(int x, int y)
    {
        Point(x, y);
        Pause(0.06);
        m_driver->Button(1, true);
        Pause(0.06);
        m_driver->Button(1, false);
    }

    void Key(const std::string& keysym)
    {
        m_driver->Key(keysym, true);
        Pause(0.15);
        m_driver->Key(keysym, false);
    }

    void Drag(const Step& step)
    {
        Point(step.pressX, step.pressY);
        Pause(0.1);
        m_driver->Button(1, true);
        Pause(0.05);
        const int dx = step.releaseX - step.pressX;
        const int dy = step.releaseY - step.pressY;
        const int parts = std::max(1, (std::max(std::abs(dx), std::abs(dy)) + 7) / 8);
        for (int k = 1; k <= parts; ++k)
        {
            Point(step.pressX + dx * k / parts, step.pressY + dy * k / parts);
            Pause(0.02);
        }
        Pause(step.holdFrames * 0.02 + 0.1);
        m_driver->Button(1, false);
        m_driver->Sync();
    }

    std::string m_renderer;
    std::filesystem::path m_base;
    std::filesystem::path m_folder;
    std::string m_prepared;
    pid_t m_pid = -1;
    std::unique_ptr<Platform::XTest::XDisplayDriver> m_driver;
    Platform::XTest::TopLevelWindow m_window;
    Picture m_last;
    Clock::time_point m_began;
};

// Pictures of the real run beside its route's.
std::filesystem::path RunFolder(const std::string& renderer)
{
    return std::filesystem::path(QUARROW_TEST_OUTPUT_DIR) / ("e2e_" + renderer + "_run");
}

void PlayQuarrow(const std::string& renderer)
{
    std::filesystem::remove_all(RunFolder(renderer));
    std::filesystem::remove(std::filesystem::path(QUARROW_TEST_OUTPUT_DIR) / ("e2e_" + renderer + "_failed.png"));
    Route route;
    std::string error;
    ASSERT_TRUE(ReadRoute(RouteFolder(renderer), route, error)) << error;
    const auto began = Clock::now();
    RealRun run(renderer);
    try
    {
        run.Start(route);
        const std::vector<Step>& steps = route.steps;
        for (std::size_t i = 0; i < steps.size(); ++i)
        {
            const Step& step = steps[i];
            const Step* next = i + 1 < steps.size() ? &steps[i + 1] : nullptr;
            if (step.kind == "click")
            {
                run.MustSee(step, 45.0);
                bool followed = false;
                for (int attempt = 0; attempt < 3 && !followed; ++attempt)
                {
                    run.Click(step.area.CentreX(), step.area.CentreY());
                    double difference = 0.0;
                    followed = next == nullptr || next->kind != "click" || run.WaitFor(*next, 10.0, difference);
                }
                if (!followed)
                {
                    run.Fail(step.kind + " " + step.name, "three clicks and the next page did not show");
                }
            }
            else if (step.kind == "logo")
            {
                double difference = 0.0;
                auto lastKey = Clock::now();
                run.Key("a");
                if (next == nullptr || !run.WaitFor(*next, 60.0, difference, [&] {
                        if (Clock::now() - lastKey >= std::chrono::milliseconds(500))
                        {
                            run.Key("a");
                            lastKey = Clock::now();
                        }
                    }))
                {
                    run.Fail("logo", "the main menu did not show while a key was pressed every half second");
                }
            }
            else if (step.kind == "playing")
            {
                run.MustSee(step, 60.0);
                Picture board;
                if (!run.Capture(board))
                {
                    run.Fail("playing", "no capture of the board");
                }
                WritePicture(std::filesystem::path(QUARROW_TEST_OUTPUT_DIR) / ("e2e_" + renderer + "_board.png"), board);
                EXPECT_EQ(board.width, 1024);
                EXPECT_EQ(board.height, 768);
                if (renderer == "3d")
                {
                    EXPECT_GE(ShareUnlike(board, 0x7F7F7Fu), 0.2) << "the 3D board shows little but the clear colour";
                }
                else
                {
                    Picture twin;
                    ASSERT_TRUE(ReadPicture(RouteFolder(renderer) / "board.png", twin, error)) << error;
                    EXPECT_LE(MeanDifference(board, twin), kMatchLimit) << "the board differs from the twin's";
                }
            }
            else if (step.kind == "move")
            {
                run.Drag(step);
                const auto released = Clock::now();
                const bool last = next == nullptr || next->kind != "move";
                if (!last)
                {
                    run.MustSeeMoveCount(step, steps, 30.0);
                }
                const auto settled = released + std::chrono::duration<double>(step.settleFrames * 0.02 + 0.5);
                std::this_thread::sleep_until(settled);
                // The board after each move, for a person to follow the run.
                Picture after;
                if (run.Capture(after))
                {
                    WritePicture(RunFolder(renderer) / (std::to_string(i) + "_after_move.png"), after);
                }
            }
            else if (step.kind == "result")
            {
                if (step.name == "goldlabel3")
                {
                    // The result page writes the saved games on arrival.
                    const auto end = Clock::now() + std::chrono::seconds(60);
                    while (ReadFile(run.m_folder / "savedgames.bin") == run.m_prepared)
                    {
                        run.CheckTime("savedgames.bin");
                        if (Clock::now() > end)
                        {
                            run.Fail("result", "savedgames.bin was not written within 60 s");
                        }
                        Pause(0.1);
                    }
                }
                run.MustSee(step, 20.0);
                if (next == nullptr || next->kind != "result")
                {
                    Picture result;
                    if (run.Capture(result))
                    {
                        WritePicture(std::filesystem::path(QUARROW_TEST_OUTPUT_DIR) /
                                         ("e2e_" + renderer + "_result.png"),
                                     result);
                    }
                    const std::string saved = CheckSavedResult(ReadFile(run.m_folder / "savedgames.bin"), route.moves);
                    if (!saved.empty())
                    {
                        run.Fail("result", saved);
                    }
                }
            }
            else if (step.kind == "back")
            {
                // The game reads the keyboard's state once a frame: the key is held long enough for a slow
                // frame to see it, and pressed again when the page did not go.
                bool back = false;
                for (int attempt = 0; attempt < 3 && !back; ++attempt)
                {
                    run.Key("Escape");
                    double difference = 0.0;
                    back = run.WaitFor(step, 10.0, difference);
                }
                if (!back)
                {
                    run.Fail("back", "Escape pressed three times and the level selection did not show");
                }
            }
        }
        const int status = run.Stop(30.0);
        EXPECT_EQ(status, 0) << "quarrow's exit after the close request (-1: killed after 30 s)";
    }
    catch (const StepFailed& failed)
    {
        FAIL() << failed.what;
    }
    const std::string errors = ReadFile(run.m_base / "stderr.txt");
    EXPECT_EQ(errors.find("Message box"), std::string::npos) << run.StandardErrorTail();
    EXPECT_EQ(errors.find("WindowMgr: Error"), std::string::npos) << run.StandardErrorTail();
    if (renderer == "2d")
    {
        EXPECT_NE(ReadFile(run.m_folder / "config.xml").find("<language>english</language>"), std::string::npos);
    }
    std::cout << "[ e2e ] the " << renderer << " run took "
              << std::chrono::duration<double>(Clock::now() - began).count() << " s on "
              << std::thread::hardware_concurrency() << " cores" << std::endl;
}

TEST(E2E, Quarrow2D)
{
    PlayQuarrow("2d");
}

TEST(E2E, Quarrow3D)
{
    PlayQuarrow("3d");
}

} // namespace
