#include "game/savegame/ArchiveWords.h"

#include "foundation/Archive.h"

#include <cstring>
#include <vector>

void SerializeLittleEndianWords(BaseLib::CArchive& archive, std::uint32_t* words, std::size_t count)
{
    std::vector<unsigned char> bytes(count * 4);
    const auto size = static_cast<std::uint32_t>(bytes.size());
    if (archive.IsSaving())
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            for (std::size_t b = 0; b < 4; ++b)
            {
                bytes[i * 4 + b] = static_cast<unsigned char>(words[i] >> (8 * b));
            }
        }
        archive.WriteBytes(bytes.data(), size);
        return;
    }
    if (archive.HasFailed())
    {
        return;
    }
    archive.ReadBytes(bytes.data(), size);
    if (archive.HasFailed())
    {
        return;
    }
    for (std::size_t i = 0; i < count; ++i)
    {
        std::uint32_t word = 0;
        for (std::size_t b = 0; b < 4; ++b)
        {
            word |= static_cast<std::uint32_t>(bytes[i * 4 + b]) << (8 * b);
        }
        words[i] = word;
    }
}

void SerializeLittleEndianWords(BaseLib::CArchive& archive, std::int32_t* words, std::size_t count)
{
    std::vector<std::uint32_t> unsignedWords(count);
    std::memcpy(unsignedWords.data(), words, count * 4);
    SerializeLittleEndianWords(archive, unsignedWords.data(), count);
    std::memcpy(words, unsignedWords.data(), count * 4);
}
