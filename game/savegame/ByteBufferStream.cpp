#include "game/savegame/ByteBufferStream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace
{

constexpr std::size_t MaxSize = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

} // namespace

CByteBufferStream::CByteBufferStream() : m_Writing(true) {}

CByteBufferStream::CByteBufferStream(std::string bytes) : m_Bytes(std::move(bytes)), m_Writing(false) {}

std::int32_t CByteBufferStream::GetSize()
{
    return m_Bytes.size() <= MaxSize ? static_cast<std::int32_t>(m_Bytes.size()) : -1;
}

std::int32_t CByteBufferStream::Tell()
{
    return m_Position <= MaxSize ? static_cast<std::int32_t>(m_Position) : -1;
}

void CByteBufferStream::Seek(std::int32_t position)
{
    m_Position = std::min(static_cast<std::size_t>(std::max(position, 0)), m_Bytes.size());
}

int CByteBufferStream::ReadChar()
{
    unsigned char byte = 0;
    return Read(&byte, 1) == 1 ? byte : -1;
}

std::int32_t CByteBufferStream::Read(void* buffer, std::int32_t count)
{
    if (!m_Open || m_Writing || count <= 0 || m_Position >= m_Bytes.size())
    {
        return 0;
    }
    const std::size_t taken = std::min(static_cast<std::size_t>(count), m_Bytes.size() - m_Position);
    std::memcpy(buffer, m_Bytes.data() + m_Position, taken);
    m_Position += taken;
    return static_cast<std::int32_t>(taken);
}

void CByteBufferStream::WriteChar(std::uint8_t byte)
{
    Write(&byte, 1);
}

void CByteBufferStream::Write(const void* buffer, std::int32_t count)
{
    if (!m_Open || !m_Writing || count <= 0 || static_cast<std::size_t>(count) > MaxSize - m_Position)
    {
        return;
    }
    const auto length = static_cast<std::size_t>(count);
    if (m_Position + length > m_Bytes.size())
    {
        m_Bytes.resize(m_Position + length);
    }
    std::memcpy(m_Bytes.data() + m_Position, buffer, length);
    m_Position += length;
}

bool CByteBufferStream::IsAtEnd()
{
    return m_Position >= m_Bytes.size();
}
