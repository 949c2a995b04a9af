#pragma once

#include <cstddef>
#include <cstdint>

namespace BaseLib
{
class CArchive;
}

// Writes or reads, by the archive's mode, count 32-bit words as little-endian bytes, whatever the
// machine's own order. A read that runs out of data sets the archive's failure flag and leaves every
// word as it was.
void SerializeLittleEndianWords(BaseLib::CArchive& archive, std::uint32_t* words, std::size_t count);
void SerializeLittleEndianWords(BaseLib::CArchive& archive, std::int32_t* words, std::size_t count);
