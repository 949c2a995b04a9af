#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// A reader of RIFF files (wave files and their kin): chunks of a four-character id, a 32-bit
// little-endian size and that many bytes of data, followed by a pad byte when the size is odd. "RIFF"
// and "LIST" chunks begin their data with a four-character form type and hold further chunks.
namespace Platform
{

// Packs four characters into a chunk id as they stand in the file ("fmt " -> 'f' in the lowest byte).
constexpr std::uint32_t MakeChunkId(char a, char b, char c, char d)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24);
}

constexpr std::uint32_t RiffChunkId = MakeChunkId('R', 'I', 'F', 'F');
constexpr std::uint32_t ListChunkId = MakeChunkId('L', 'I', 'S', 'T');

// One chunk as found: its id, its size as the file states it, the form type of "RIFF" and "LIST" chunks
// (0 for others), and the file offset of its data (for "RIFF" and "LIST": of the form type).
struct RiffChunk
{
    std::uint32_t id = 0;
    std::uint32_t size = 0;
    std::uint32_t formType = 0;
    std::uint64_t dataOffset = 0;
};

// Reads one RIFF file. Every offset is computed in 64 bits and every search is bounded by its parent
// chunk and by the end of the file, so no stated size can lead it outside the file or back to an
// earlier offset. Not copyable; one thread at a time.
class RiffFile
{
public:
    RiffFile() = default;
    ~RiffFile() { Close(); }
    RiffFile(const RiffFile&) = delete;
    RiffFile& operator=(const RiffFile&) = delete;

    // Opens the file for reading through OpenFile (with its case-blind fallback). False when it cannot
    // be opened.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    std::uint64_t GetFileSize() const { return m_fileSize; }

    // Reads the chunk header at the current position into `chunk` (and, for "RIFF" and "LIST", its form
    // type) and leaves the position at the start of its data (behind the form type). False, with the
    // position unchanged, when the file ends within the header.
    bool Descend(RiffChunk& chunk);

    // Searches the chunks from the current position up to the end of `parent`'s data (bounded by the end
    // of the file) for the first one with `id`; each chunk skipped is followed by its pad byte when its
    // size is odd. Found: `chunk` is filled and the position is at its data (behind its form type when it
    // is a "RIFF" or "LIST" chunk); the chunk's data may still end past its parent or the file. Not found
    // (the parent ends, a skipped chunk ends past its parent or the file, or a header is cut short):
    // false, and the position is undefined. A null parent searches to the end of the file.
    bool FindChunk(RiffChunk& chunk, std::uint32_t id, const RiffChunk* parent);

    // Moves the position just behind the chunk's data and its pad byte. False when that lies past the end
    // of the file.
    bool Ascend(const RiffChunk& chunk);

    // Moves the position to a file offset. False when it lies past the end of the file.
    bool Seek(std::uint64_t offset);
    std::uint64_t Tell() const { return m_position; }
    // Bytes from the position to the end of the file.
    std::uint64_t Remaining() const { return m_fileSize - m_position; }

    // Reads up to `bytes` bytes at the position and advances it; returns how many were read.
    std::uint32_t Read(void* dest, std::uint32_t bytes);

private:
    // The end of a chunk's data and pad byte.
    static std::uint64_t ChunkEnd(const RiffChunk& chunk);

    std::FILE* m_file = nullptr;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_position = 0;
};

} // namespace Platform
