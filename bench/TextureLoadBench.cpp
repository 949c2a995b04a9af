// Loading textures from image files: the information, then the texture with its full chain, as the
// texture factory asks for them. Run under a display (xvfb-run -a) from a Release build.

#include "platform/gfx/Device.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/Texture.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using namespace Platform::Gfx;
namespace Kit = Platform::GfxKit;

struct Scene
{
    Graphics* graphics = nullptr;
    WindowHandle window = nullptr;
    Device* device = nullptr;
    std::filesystem::path folder;

    Scene()
    {
        graphics = CreateGraphics(32);
        Platform::WindowClass record;
        record.procedure = &Platform::DefWindowProcA;
        record.className = "TextureLoadBench";
        Platform::RegisterClassExA(&record);
        window = Platform::CreateWindowExA(0, "TextureLoadBench", "TextureLoadBench",
                                           Platform::WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                                           Platform::GetDesktopWindow(), nullptr, nullptr, nullptr);
        PresentParameters present;
        present.BackBufferWidth = 64;
        present.BackBufferHeight = 64;
        present.BackBufferFormat = Format::X8R8G8B8;
        present.hDeviceWindow = window;
        if (graphics)
        {
            graphics->CreateDevice(0, DeviceType::Hal, window, CreateFlag::HardwareVertexProcessing, &present,
                                   &device);
        }
        folder =
            std::filesystem::temp_directory_path() / ("quarrow-texture-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }

    ~Scene()
    {
        if (device)
        {
            device->Release();
        }
        Platform::DestroyWindow(window);
        if (graphics)
        {
            graphics->Release();
        }
        std::filesystem::remove_all(folder);
    }
};

Scene& TheScene()
{
    static Scene scene;
    return scene;
}

void Put32(std::string& bytes, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        bytes += static_cast<char>((value >> shift) & 0xFF);
    }
}

std::string MakePng(const std::filesystem::path& folder)
{
    std::vector<std::uint32_t> pixels(1024 * 1024);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < pixels.size(); ++i)
    {
        // Smooth gradients with some noise: compresses like a real picture, not like a flat colour.
        const auto x = static_cast<std::uint32_t>(i % 1024);
        const auto y = static_cast<std::uint32_t>(i / 1024);
        pixels[i] = 0xFF000000u | ((x / 4) << 16) | ((y / 4) << 8) | (random() & 0x1F);
    }
    const std::string path = (folder / "picture.png").string();
    WritePng(path, 1024, 1024, pixels, true);
    return path;
}

std::string MakeDxt1Dds(const std::filesystem::path& folder)
{
    std::string bytes = "DDS ";
    Put32(bytes, 124);
    Put32(bytes, 0x1007 | 0x20000);
    Put32(bytes, 1024);
    Put32(bytes, 1024);
    Put32(bytes, 512 * 1024);
    Put32(bytes, 0);
    Put32(bytes, 11);
    for (int i = 0; i < 11; ++i)
    {
        Put32(bytes, 0);
    }
    Put32(bytes, 32);
    Put32(bytes, 0x4);
    Put32(bytes, Format::Dxt1);
    for (int i = 0; i < 5; ++i)
    {
        Put32(bytes, 0);
    }
    Put32(bytes, 0x401008);
    for (int i = 0; i < 4; ++i)
    {
        Put32(bytes, 0);
    }
    std::mt19937 random(11);
    for (std::uint32_t size = 1024;; size /= 2)
    {
        const std::uint32_t blocks = ((size + 3) / 4) * ((size + 3) / 4);
        for (std::uint32_t i = 0; i < blocks * 2; ++i)
        {
            Put32(bytes, static_cast<std::uint32_t>(random()));
        }
        if (size == 1)
        {
            break;
        }
    }
    const std::string path = (folder / "blocks.dds").string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

void LoadWithChain(benchmark::State& state, const std::string& path)
{
    Scene& scene = TheScene();
    if (!scene.device)
    {
        state.SkipWithError("no device (run under a display)");
        return;
    }
    for (auto _ : state)
    {
        Kit::ImageInfo info;
        Texture* texture = nullptr;
        if (Failed(Kit::GetImageInfoFromFile(path.c_str(), &info)) ||
            Failed(Kit::CreateTextureFromFileEx(
                scene.device, path.c_str(), Kit::DefaultValue, Kit::DefaultValue, Kit::DefaultValue, 0, 0,
                Pool::Managed, Kit::DefaultValue, Kit::DefaultValue, 0, nullptr, nullptr, &texture)))
        {
            state.SkipWithError("the file did not load");
            return;
        }
        benchmark::DoNotOptimize(texture);
        texture->Release();
    }
}

void BM_Png1024WithChain(benchmark::State& state)
{
    static const std::string path = MakePng(TheScene().folder);
    LoadWithChain(state, path);
}
BENCHMARK(BM_Png1024WithChain)->Unit(benchmark::kMillisecond);

void BM_Dxt1Dds1024WithChain(benchmark::State& state)
{
    static const std::string path = MakeDxt1Dds(TheScene().folder);
    LoadWithChain(state, path);
}
BENCHMARK(BM_Dxt1Dds1024WithChain)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
