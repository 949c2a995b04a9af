// Runs stored fuzz inputs once each through the target's entry, so the normal test run (g++, without
// libFuzzer) keeps every crash that was ever fixed fixed. Arguments are files or folders of files.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace
{

int Replay(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i)
    {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path))
        {
            for (const auto& entry : std::filesystem::directory_iterator(path))
            {
                if (entry.is_regular_file())
                {
                    inputs.push_back(entry.path());
                }
            }
        }
        else
        {
            inputs.push_back(path);
        }
    }
    if (inputs.empty())
    {
        std::fprintf(stderr, "no stored inputs given\n");
        return 1;
    }
    std::sort(inputs.begin(), inputs.end());
    int failures = 0;
    for (const auto& input : inputs)
    {
        failures += Replay(input);
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return failures == 0 ? 0 : 1;
}
