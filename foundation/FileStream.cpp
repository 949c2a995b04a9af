#include "foundation/FileStream.h"

#include "platform/os/Files.h"

namespace BaseLib
{

CFileStream::CFileStream(std::int32_t mode, const std::string& path)
    : m_Mode(mode == ModeRead || mode == ModeWrite ? mode : ModeReadWrite)
{
    std::ios_base::openmode openMode = std::ios_base::binary;
    if (mode == ModeRead)
    {
        openMode |= std::ios_base::in;
    }
    else if (mode == ModeWrite)
    {
        openMode |= std::ios_base::out | std::ios_base::trunc;
    }
    else
    {
        openMode |= std::ios_base::in | std::ios_base::out | std::ios_base::trunc;
    }
    if (!Platform::OpenFileStream(m_File, path, openMode))
    {
        m_File.setstate(std::ios_base::failbit);
    }
}

CFileStream::~CFileStream()
{
    if (m_File.is_open())
    {
        m_File.close();
    }
}

bool CFileStream::CanRead() const
{
    return m_Mode != ModeWrite;
}

bool CFileStream::CanWrite() const
{
    return m_Mode != ModeRead;
}

std::int32_t CFileStream::GetSize()
{
    if (m_File.fail())
    {
        return -1;
    }
    const std::streampos position = m_File.tellg();
    m_File.seekg(0, std::ios_base::end);
    const std::streampos end = m_File.tellg();
    m_File.seekg(position);
    return m_File.fail() ? -1 : static_cast<std::int32_t>(end);
}

std::int32_t CFileStream::Tell()
{
    if (m_File.fail())
    {
        return -1;
    }
    return static_cast<std::int32_t>(m_File.tellg());
}

void CFileStream::Seek(std::int32_t position)
{
    if (CanRead())
    {
        m_File.seekg(position);
    }
    if (CanWrite())
    {
        m_File.seekp(position);
    }
}

void CFileStream::Close()
{
    m_File.close(); // sets failbit when the close fails or nothing was open
}

bool CFileStream::IsOpen() const
{
    return m_File.is_open();
}

int CFileStream::ReadChar()
{
    const int c = m_File.get();
    m_File.clear();
    return c == std::char_traits<char>::eof() ? -1 : c;
}

std::int32_t CFileStream::Read(void* buffer, std::int32_t count)
{
    if (count <= 0)
    {
        return 0;
    }
    m_File.read(static_cast<char*>(buffer), count);
    const auto read = static_cast<std::int32_t>(m_File.gcount());
    m_File.clear();
    return read;
}

void CFileStream::WriteChar(std::uint8_t byte)
{
    m_File.put(static_cast<char>(byte));
}

void CFileStream::Write(const void* buffer, std::int32_t count)
{
    if (count > 0)
    {
        m_File.write(static_cast<const char*>(buffer), count);
    }
}

bool CFileStream::IsAtEnd()
{
    const bool atEnd = m_File.peek() == std::char_traits<char>::eof();
    m_File.clear();
    return atEnd;
}

void CFileStream::Flush()
{
    m_File.flush();
}

} // namespace BaseLib
