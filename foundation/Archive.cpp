#include "foundation/Archive.h"

#include "foundation/Stream.h"
#include "platform/os/Files.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace BaseLib
{

// ---- CArchive ----

bool CArchive::SerializeObjects()
{
    m_Mode = ModeFinished;
    return true;
}

CArchive& CArchive::SetEntryName(const char* name)
{
    m_EntryName = name;
    return *this;
}

// ---- CArchiveBinary ----

bool CArchiveBinary::ReadExactly(unsigned char* bytes, std::uint32_t count)
{
    if (HasFailed())
    {
        return false;
    }
    if (GetBytes(bytes, count) != count)
    {
        SetFailed();
        return false;
    }
    return true;
}

template <typename T> void CArchiveBinary::SerializeBigEndian(T& value)
{
    using Unsigned = std::make_unsigned_t<T>;
    unsigned char bytes[sizeof(T)];
    if (IsSaving())
    {
        const auto bits = static_cast<Unsigned>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i)
        {
            bytes[i] = static_cast<unsigned char>(bits >> (8 * (sizeof(T) - 1 - i)));
        }
        PutBytes(bytes, sizeof(T));
        return;
    }
    if (ReadExactly(bytes, sizeof(T)))
    {
        Unsigned bits = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
        {
            bits = static_cast<Unsigned>(bits << 8 | bytes[i]);
        }
        value = static_cast<T>(bits);
    }
}

template <typename T> void CArchiveBinary::SerializeLittleEndian(T& value)
{
    using Bits = std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>;
    unsigned char bytes[sizeof(T)];
    if (IsSaving())
    {
        const Bits bits = std::bit_cast<Bits>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i)
        {
            bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
        }
        PutBytes(bytes, sizeof(T));
        return;
    }
    if (ReadExactly(bytes, sizeof(T)))
    {
        Bits bits = 0;
        for (std::size_t i = sizeof(T); i-- > 0;)
        {
            bits = bits << 8 | bytes[i];
        }
        value = std::bit_cast<T>(bits);
    }
}

void CArchiveBinary::Serialize(std::uint8_t& value)
{
    SerializeBigEndian(value);
}

void CArchiveBinary::Serialize(double& value)
{
    SerializeLittleEndian(value);
}

void CArchiveBinary::Serialize(float& value)
{
    SerializeLittleEndian(value);
}

void CArchiveBinary::Serialize(std::int8_t& value)
{
    SerializeBigEndian(value);
}

void CArchiveBinary::Serialize(char& value)
{
    SerializeBigEndian(value);
}

void CArchiveBinary::Serialize(bool& value)
{
    std::uint8_t byte = value ? 1 : 0;
    SerializeBigEndian(byte);
    if (!IsSaving() && !HasFailed())
    {
        value = byte != 0;
    }
}

void CArchiveBinary::Serialize(std::int32_t& value)
{
    SerializeBigEndian(value);
}

void CArchiveBinary::Serialize(std::uint32_t& value)
{
    SerializeBigEndian(value);
}

void CArchiveBinary::Serialize(std::int16_t& value)
{
    SerializeBigEndian(value);
}

void CArchiveBinary::Serialize(std::uint16_t& value)
{
    SerializeBigEndian(value);
}

void CArchiveBinary::WriteBytes(const void* buffer, std::uint32_t count)
{
    if (count > 0)
    {
        PutBytes(buffer, count);
    }
}

void CArchiveBinary::ReadBytes(void* buffer, std::uint32_t count)
{
    if (count > 0)
    {
        ReadExactly(static_cast<unsigned char*>(buffer), count);
    }
}

// ---- CArchiveBinaryFile ----

CArchiveBinaryFile::CArchiveBinaryFile(const std::string& path, std::int32_t mode) : CArchiveBinary(mode)
{
    const std::ios_base::openmode openMode =
        mode == ModeLoad ? std::ios_base::in | std::ios_base::binary
                         : std::ios_base::out | std::ios_base::trunc | std::ios_base::binary;
    if (!Platform::OpenFileStream(m_File, path, openMode))
    {
        m_File.setstate(std::ios_base::failbit);
        CArchiveBinaryFile::SerializeObjects();
    }
}

CArchiveBinaryFile::~CArchiveBinaryFile()
{
    CArchiveBinaryFile::SerializeObjects();
}

bool CArchiveBinaryFile::SerializeObjects()
{
    if (!CArchive::SerializeObjects())
    {
        return false;
    }
    if (m_File.is_open())
    {
        m_File.close();
        if (m_File.fail())
        {
            SetFailed();
        }
    }
    return true;
}

void CArchiveBinaryFile::PutBytes(const void* buffer, std::uint32_t count)
{
    m_File.write(static_cast<const char*>(buffer), static_cast<std::streamsize>(count));
    if (!m_File)
    {
        SetFailed();
    }
}

std::uint32_t CArchiveBinaryFile::GetBytes(void* buffer, std::uint32_t count)
{
    m_File.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
    return static_cast<std::uint32_t>(m_File.gcount());
}

// ---- CArchiveBinaryStream ----

CArchiveBinaryStream::CArchiveBinaryStream(CStream* stream, std::int32_t mode)
    : CArchiveBinary(mode), m_Stream(stream)
{
    bool usable = m_Stream != nullptr && m_Stream->IsOpen();
    if (usable && mode == ModeLoad)
    {
        usable = m_Stream->CanRead();
    }
    else if (usable && mode == ModeSave)
    {
        usable = m_Stream->CanWrite();
    }
    if (!usable)
    {
        CArchiveBinaryStream::SerializeObjects();
    }
}

CArchiveBinaryStream::~CArchiveBinaryStream()
{
    CArchiveBinaryStream::SerializeObjects();
}

bool CArchiveBinaryStream::SerializeObjects()
{
    if (!CArchive::SerializeObjects())
    {
        return false;
    }
    if (m_Stream != nullptr && m_Stream->IsOpen())
    {
        m_Stream->Close();
    }
    return true;
}

void CArchiveBinaryStream::PutBytes(const void* buffer, std::uint32_t count)
{
    if (m_Stream == nullptr || !m_Stream->IsOpen())
    {
        SetFailed();
        return;
    }
    // The stream takes 32-bit signed counts.
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (count > 0)
    {
        const std::uint32_t piece = std::min<std::uint32_t>(count, 0x40000000u);
        m_Stream->Write(bytes, static_cast<std::int32_t>(piece));
        bytes += piece;
        count -= piece;
    }
}

std::uint32_t CArchiveBinaryStream::GetBytes(void* buffer, std::uint32_t count)
{
    if (m_Stream == nullptr || !m_Stream->IsOpen())
    {
        return 0;
    }
    auto* bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t total = 0;
    while (total < count)
    {
        const std::uint32_t piece = std::min<std::uint32_t>(count - total, 0x40000000u);
        const std::int32_t read = m_Stream->Read(bytes + total, static_cast<std::int32_t>(piece));
        if (read <= 0)
        {
            break;
        }
        total += static_cast<std::uint32_t>(read);
    }
    return total;
}

// ---- strings ----

namespace
{

// Reads length bytes in pieces, so a damaged length never asks for more memory than the data holds.
bool ReadStringBytes(CArchive& archive, std::uint32_t length, std::string& bytes)
{
    constexpr std::uint32_t Piece = 64 * 1024;
    bytes.clear();
    for (std::uint32_t done = 0; done < length;)
    {
        const std::uint32_t piece = std::min(Piece, length - done);
        bytes.resize(done + piece);
        archive.ReadBytes(bytes.data() + done, piece);
        if (archive.HasFailed())
        {
            return false;
        }
        done += piece;
    }
    return true;
}

// Loads or saves the bytes of a string; text holds the bytes to save and receives those loaded, cut at
// the first zero byte. False when nothing was loaded.
bool SerializeStringBytes(CArchive& archive, std::string& text)
{
    if (archive.IsSaving())
    {
        auto length = static_cast<std::uint32_t>(text.size());
        archive.Serialize(length);
        archive.WriteBytes(text.data(), length);
        return true;
    }
    if (archive.HasFailed())
    {
        return false;
    }
    std::uint32_t length = 0;
    archive.Serialize(length);
    std::string bytes;
    if (archive.HasFailed() || !ReadStringBytes(archive, length, bytes))
    {
        return false;
    }
    text.assign(bytes.c_str());
    return true;
}

} // namespace

void SerializeString(CArchive& archive, std::string& text)
{
    SerializeStringBytes(archive, text);
}

void SerializeString(CArchive& archive, CString& text)
{
    std::string bytes(static_cast<const char*>(text), static_cast<std::size_t>(text.GetLength()));
    if (SerializeStringBytes(archive, bytes) && !archive.IsSaving())
    {
        text.AssignStdString(bytes);
    }
}

} // namespace BaseLib
