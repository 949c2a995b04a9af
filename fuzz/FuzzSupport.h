#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Shared by the fuzz targets: each target is one source file defining LLVMFuzzerTestOneInput, linked
// either with libFuzzer (./scripts/fuzz) or with FuzzReplay.cpp, which runs stored inputs through it.
namespace Fuzz
{

// The input's bytes in a file of their own under a folder of this process, so a reader loads it from
// disk exactly as the program does. The file is removed on destruction.
class InputFile
{
public:
    // extension includes its dot (".xml"); the readers look at the bytes, not at the name.
    InputFile(const std::uint8_t* data, std::size_t size, const std::string& extension);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// A path in this process's scratch folder for files a target writes (saves of a loaded input).
std::string ScratchPath(const std::string& name);

// Silences the debug trace (loaders trace every fault they find). Call once per input; cheap.
void MuteTraces();

} // namespace Fuzz
