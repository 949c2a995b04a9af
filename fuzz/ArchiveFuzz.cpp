// The binary archive, read value by value in every type it knows until the data runs out.

#include "foundation/Archive.h"
#include "fuzz/FuzzSupport.h"

#include <iterator>
#include <string>

namespace
{

template <class T> void ReadValue(BaseLib::CArchive& archive)
{
    T value{};
    archive.Serialize(value);
}

template <class Text> void ReadString(BaseLib::CArchive& archive)
{
    Text text;
    BaseLib::SerializeString(archive, text);
}

void ReadBlock(BaseLib::CArchive& archive)
{
    unsigned char bytes[16];
    archive.ReadBytes(bytes, sizeof bytes);
}

using Reader = void (*)(BaseLib::CArchive&);
constexpr Reader Readers[] = {ReadValue<std::int32_t>,
                              ReadValue<std::uint32_t>,
                              ReadValue<std::int16_t>,
                              ReadValue<std::uint16_t>,
                              ReadValue<float>,
                              ReadValue<double>,
                              ReadValue<bool>,
                              ReadValue<char>,
                              ReadValue<std::int8_t>,
                              ReadValue<std::uint8_t>,
                              ReadString<std::string>,
                              ReadString<BaseLib::CString>,
                              ReadBlock};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::MuteTraces();
    const Fuzz::InputFile input(data, size, ".bin");
    BaseLib::CArchiveBinaryFile archive(input.Path(), BaseLib::CArchive::ModeLoad);
    // The first byte picks the order of the types, so the fuzzer reaches every read after every other.
    std::uint8_t order = 0;
    archive.Serialize(order);
    for (size_t round = 0; round < 64 && !archive.HasFailed(); ++round)
    {
        Readers[(order + round) % std::size(Readers)](archive);
    }
    archive.SerializeObjects();
    return 0;
}
