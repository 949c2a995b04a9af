// Loading a 512 x 512 RGBA PNG through the bitmap factory, uncached (the registry keeps nothing
// released), as it is, scaled by 0.5 and resized to 256 x 256, beside the platform layer's checked
// decode of the same bytes into a vector as the yardstick. Rates are loads per second; "bytes" is what one bitmap holds.
#include "foundation/ResourceRegistry.h"
#include "platform/gfxkit/ImageLibrary.h"
#include "ui/Bitmap.h"
#include "ui/BitmapFactory.h"
#include "ui/BitmapPng.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

using BaseLib::CColor;

struct BenchFile
{
    BenchFile()
    {
        path = (std::filesystem::temp_directory_path() /
                ("quarrow_bench_bitmap_" + std::to_string(getpid()) + ".png"))
                   .string();
        std::vector<CColor> pixels;
        for (int y = 0; y < 512; ++y)
        {
            for (int x = 0; x < 512; ++x)
            {
                pixels.push_back(CColor(x & 255, y & 255, (x * y) & 255, (x + y) & 255));
            }
        }
        UILib::WritePixelsPng(path, 512, 512, pixels.data(), 512);
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    ~BenchFile() { std::filesystem::remove(path); }
    std::string path;
    std::vector<char> bytes;
};

BenchFile& File()
{
    static BenchFile file;
    return file;
}

template <typename Make> void LoadThroughFactory(benchmark::State& state, Make make)
{
    BaseLib::CResourceRegistry registry; // memory limit 0: nothing released stays cached
    UILib::CBitmapFactory factory(&registry, nullptr);
    const std::string& path = File().path;
    std::int64_t bytes = 0;
    for (auto _ : state)
    {
        const UILib::CBitmap bitmap = make(path);
        bytes = static_cast<std::int64_t>(bitmap.GetPixelCount()) * 4;
        benchmark::DoNotOptimize(bitmap.GetPixels());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_FactoryAsItIs(benchmark::State& state)
{
    LoadThroughFactory(state, [](const std::string& path) { return UILib::CBitmap(path.c_str()); });
}
BENCHMARK(BM_FactoryAsItIs)->Unit(benchmark::kMillisecond);

void BM_FactoryScaleHalf(benchmark::State& state)
{
    LoadThroughFactory(state, [](const std::string& path) { return UILib::CBitmap(path.c_str(), 0.5f); });
}
BENCHMARK(BM_FactoryScaleHalf)->Unit(benchmark::kMillisecond);

void BM_FactorySize256(benchmark::State& state)
{
    LoadThroughFactory(state, [](const std::string& path) { return UILib::CBitmap(path.c_str(), 256, 256); });
}
BENCHMARK(BM_FactorySize256)->Unit(benchmark::kMillisecond);

void BM_YardstickImageLibraryDecode(benchmark::State& state)
{
    const std::vector<char>& bytes = File().bytes;
    std::vector<std::uint32_t> pixels;
    std::string error;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(Platform::GfxKit::DecodeWithImageLibrary(
            Platform::GfxKit::ImageLibraryType::Png, reinterpret_cast<const std::uint8_t*>(bytes.data()),
            bytes.size(), 512, 512, pixels, error));
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["bytes"] = 512.0 * 512.0 * 4.0;
}
BENCHMARK(BM_YardstickImageLibraryDecode)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
