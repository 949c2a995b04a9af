#include "platform/os/RiffFile.h"

#include "platform/os/Files.h"

#include <algorithm>

namespace Platform
{

namespace
{

std::uint32_t ReadLittle32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

}

bool RiffFile::Open(const std::string& path)
{
    Close();
    m_file = OpenFile(path, "rb");
    if (m_file == nullptr)
    {
        return false;
    }
    if (std::fseek(m_file, 0, SEEK_END) != 0)
    {
        Close();
        return false;
    }
    const long size = std::ftell(m_file);
    if (size < 0 || std::fseek(m_file, 0, SEEK_SET) != 0)
    {
        Close();
        return false;
    }
    m_fileSize = static_cast<std::uint64_t>(size);
    m_position = 0;
    return true;
}

void RiffFile::Close()
{
    if (m_file != nullptr)
    {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_fileSize = 0;
    m_position = 0;
}

std::uint64_t RiffFile::ChunkEnd(const RiffChunk& chunk)
{
    return chunk.dataOffset + chunk.size + (chunk.size & 1u);
}

bool RiffFile::Descend(RiffChunk& chunk)
{
    const std::uint64_t start = m_position;
    unsigned char header[8];
    if (Read(header, 8) != 8)
    {
        Seek(start);
        return false;
    }
    RiffChunk found;
    found.id = ReadLittle32(header);
    found.size = ReadLittle32(header + 4);
    found.dataOffset = start + 8;
    if (found.id == RiffChunkId || found.id == ListChunkId)
    {
        unsigned char form[4];
        if (Read(form, 4) != 4)
        {
            Seek(start);
            return false;
        }
        found.formType = ReadLittle32(form);
    }
    chunk = found;
    return true;
}

bool RiffFile::FindChunk(RiffChunk& chunk, std::uint32_t id, const RiffChunk* parent)
{
    std::uint64_t limit = m_fileSize;
    if (parent != nullptr)
    {
        limit = std::min(limit, parent->dataOffset + parent->size);
    }
    while (m_position + 8 <= limit)
    {
        RiffChunk candidate;
        if (!Descend(candidate))
        {
            return false;
        }
        if (candidate.id == id)
        {
            chunk = candidate;
            return true;
        }
        const std::uint64_t end = ChunkEnd(candidate);
        // A chunk reaching past its parent or the file (odd padding at the very end aside) ends the
        // search: nothing after it can be trusted.
        if (candidate.dataOffset + candidate.size > limit || !Seek(std::min(end, m_fileSize)))
        {
            return false;
        }
    }
    return false;
}

bool RiffFile::Ascend(const RiffChunk& chunk)
{
    if (chunk.dataOffset + chunk.size > m_fileSize)
    {
        return false;
    }
    // A pad byte missing at the very end of the file is forgiven.
    return Seek(std::min(ChunkEnd(chunk), m_fileSize));
}

bool RiffFile::Seek(std::uint64_t offset)
{
    if (m_file == nullptr || offset > m_fileSize)
    {
        return false;
    }
    if (std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0)
    {
        return false;
    }
    m_position = offset;
    return true;
}

std::uint32_t RiffFile::Read(void* dest, std::uint32_t bytes)
{
    if (m_file == nullptr)
    {
        return 0;
    }
    const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, Remaining()));
    const std::size_t read = std::fread(dest, 1, wanted, m_file);
    m_position += read;
    return static_cast<std::uint32_t>(read);
}

} // namespace Platform
