// Runs an application through the program entry: two windowed 160 x 120 heads for 30 frames, each frame
// clearing head 0 to 0x204080 and head 1 to 0x408020 and presenting both, with a device loss forced in
// frame 10. After frame 30 it reads both back buffers, checks every pixel, writes them as PNG files and
// exits with 0 (1 when a check failed).
//
// With "-fps" it runs one 640 x 480 head for 600 frames instead and prints the frame rate and how much of
// a frame the loop takes besides the clear and the present.
#include "engine/DisplayHead.h"
#include "engine/ProgramEntry.h"
#include "engine/QenApplication.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/SwapChain.h"
#include "platform/os/CommandLine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#endif

namespace
{

using namespace Platform::Gfx;
using Clock = std::chrono::steady_clock;

bool s_failed = false;

void Check(bool condition, const char* what)
{
    if (!condition)
    {
        std::fprintf(stderr, "run loop program: %s\n", what);
        s_failed = true;
    }
}

class RunLoopApplication : public Qen::CQenApplication
{
public:
    explicit RunLoopApplication(Platform::InstanceHandle instance)
        : CQenApplication(instance), m_measure(Platform::ProcessCommandLine().find("-fps") != std::string::npos)
    {
        m_displaySettings.headCount = m_measure ? 1 : 2;
        m_displaySettings.SetWindowSize(m_measure ? BaseLib::CSize(640, 480) : BaseLib::CSize(160, 120));
    }

    void Tick() override
    {
        ++m_frames;
        const Clock::time_point begin = Clock::now();
        if (m_frames == 1)
        {
            m_start = begin;
        }
        const std::uint32_t colours[] = {0xFF204080u, 0xFF408020u};
        for (std::size_t i = 0; i < m_heads.size(); ++i)
        {
            ClearAndPresent(*m_heads[i], colours[i]);
        }
        m_drawSeconds += std::chrono::duration<double>(Clock::now() - begin).count();
        if (m_measure)
        {
            if (m_frames == 600)
            {
                const double total = std::chrono::duration<double>(Clock::now() - m_start).count();
                std::printf("frames per second: %.1f; loop share of a frame: %.1f%% (%.3f ms of %.3f ms)\n",
                            (m_frames - 1) / total, 100.0 * (1.0 - m_drawSeconds / total),
                            1000.0 * (total - m_drawSeconds) / m_frames, 1000.0 * total / m_frames);
                Quit();
            }
            return;
        }
        if (m_frames == 10)
        {
            m_device->SimulateDeviceLoss(1);
        }
        if (m_frames == 30)
        {
            Check(m_resets == 1, "the forced loss was not reset exactly once");
            for (std::size_t i = 0; i < m_heads.size(); ++i)
            {
                CheckAndWrite(*m_heads[i], colours[i], "run_loop_head" + std::to_string(i) + ".png");
            }
            Quit();
        }
    }

    void OnDeviceReset() override
    {
        ++m_resets;
        CQenApplication::OnDeviceReset();
    }

private:
    void ClearAndPresent(Qen::CDisplayHead& head, std::uint32_t colour)
    {
        Surface* backBuffer = nullptr;
        if (head.swapChain == nullptr || Failed(head.swapChain->GetBackBuffer(0, 0, &backBuffer)))
        {
            return;
        }
        m_device->SetRenderTarget(0, backBuffer);
        m_device->Clear(0, nullptr, ClearFlag::Target, colour, 1.0f, 0);
        backBuffer->Release();
        head.swapChain->Present(nullptr, nullptr, nullptr, nullptr, 0);
    }

    void CheckAndWrite(Qen::CDisplayHead& head, std::uint32_t colour, const std::string& name)
    {
        Surface* backBuffer = nullptr;
        Check(head.swapChain != nullptr && Succeeded(head.swapChain->GetBackBuffer(0, 0, &backBuffer)),
              "no back buffer");
        if (backBuffer == nullptr)
        {
            return;
        }
        std::vector<std::uint32_t> pixels;
        Check(Succeeded(ReadSurfacePixels(backBuffer, pixels)), "back buffer not readable");
        Check(pixels.size() == 160u * 120u, "back buffer not 160 x 120");
        Check(std::all_of(pixels.begin(), pixels.end(), [&](std::uint32_t p) { return p == colour; }),
              "a pixel differs from the head's colour");
        std::filesystem::create_directories(QUARROW_TEST_OUTPUT_DIR);
        Check(WritePng(std::string(QUARROW_TEST_OUTPUT_DIR) + "/" + name, 160, 120, pixels, false),
              "picture not written");
        backBuffer->Release();
    }

    bool m_measure;
    int m_frames = 0;
    int m_resets = 0;
    double m_drawSeconds = 0.0;
    Clock::time_point m_start;
};

} // namespace

Qen::CQenApplication* CreateApplication(Platform::InstanceHandle instance)
{
    return new RunLoopApplication(instance);
}

void DestroyApplication(Qen::CQenApplication* application)
{
    delete application;
}

int main(int argc, char** argv)
{
#if defined(__SANITIZE_ADDRESS__)
    // As in the test programs: the leak check at exit must still see the software OpenGL driver's data.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_NODELETE);
#endif
    if (std::getenv("DISPLAY") == nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr)
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    }
    const int result = Qen::ProgramEntry(Platform::GetModuleHandleA(nullptr), Platform::CommandLineText(argc, argv));
    Check(result == 0, "the entry did not answer 0");
    return s_failed ? 1 : 0;
}
