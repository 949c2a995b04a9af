#pragma once

#include "foundation/String.h"

#include <cstdint>
#include <fstream>
#include <string>

namespace BaseLib
{

class CStream;

// A symmetric binary serialisation channel: each Serialize call writes the variable when the archive
// saves and fills it when it loads, so one routine serves both directions. The data is exactly the
// values in call order, with no header or trailer: 8-bit values as they are, 16- and 32-bit integers
// big-endian, float and double as their IEEE-754 bytes in little-endian order.
//
// Loading past the end of the data leaves the variable as it was and sets the failure flag; once the
// flag is set every further read leaves its variable alone. Loaders preset what they read and ask
// HasFailed at the end.
class CArchive
{
public:
    enum Mode : std::int32_t
    {
        ModeLoad = 0,
        ModeSave = 1,
        // Finished: closed, or the file or stream could not be opened. Reads fail, writes go nowhere.
        ModeFinished = 2
    };

    explicit CArchive(std::int32_t mode) : m_Mode(mode) {}
    virtual ~CArchive() = default;
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    // Writes in mode 1, reads in every other mode.
    virtual void Serialize(std::uint8_t& value) = 0;
    virtual void Serialize(double& value) = 0;
    virtual void Serialize(float& value) = 0;
    virtual void Serialize(std::int8_t& value) = 0;
    virtual void Serialize(char& value) = 0;
    // One byte, 0 or 1; any other byte reads as true.
    virtual void Serialize(bool& value) = 0;
    virtual void Serialize(std::int32_t& value) = 0;
    virtual void Serialize(std::uint32_t& value) = 0;
    virtual void Serialize(std::int16_t& value) = 0;
    virtual void Serialize(std::uint16_t& value) = 0;
    virtual void WriteBytes(const void* buffer, std::uint32_t count) = 0;
    // Reads count bytes. When fewer remain, the failure flag is set and buffer's content is unspecified.
    virtual void ReadBytes(void* buffer, std::uint32_t count) = 0;

    // Ends the archive: closes the file or stream and sets the mode to ModeFinished. Nothing else is
    // written or read (the archive keeps no object table). Returns true.
    virtual bool SerializeObjects();
    // Stores the name of the next entry; binary archives ignore it.
    virtual CArchive& SetEntryName(const char* name);
    virtual void BeginSection() {}
    virtual void EndSection() {}

    // ModeLoad, ModeSave or ModeFinished; ModeFinished right after construction means the file or
    // stream could not be opened.
    std::int32_t GetMode() const { return m_Mode; }
    bool IsSaving() const { return m_Mode == ModeSave; }
    // True once a read ran past the end of the data (or a write failed).
    bool HasFailed() const { return m_Failed; }

protected:
    void SetFailed() { m_Failed = true; }

    const char* m_EntryName = nullptr;
    std::int32_t m_Mode;
    bool m_Failed = false;
};

// Binary encoding shared by the file and stream archives, over two byte primitives.
class CArchiveBinary : public CArchive
{
public:
    using CArchive::CArchive;

    void Serialize(std::uint8_t& value) override;
    void Serialize(double& value) override;
    void Serialize(float& value) override;
    void Serialize(std::int8_t& value) override;
    void Serialize(char& value) override;
    void Serialize(bool& value) override;
    void Serialize(std::int32_t& value) override;
    void Serialize(std::uint32_t& value) override;
    void Serialize(std::int16_t& value) override;
    void Serialize(std::uint16_t& value) override;
    void WriteBytes(const void* buffer, std::uint32_t count) override;
    void ReadBytes(void* buffer, std::uint32_t count) override;

protected:
    // Writes count bytes to the file or stream.
    virtual void PutBytes(const void* buffer, std::uint32_t count) = 0;
    // Reads up to count bytes; returns how many were read.
    virtual std::uint32_t GetBytes(void* buffer, std::uint32_t count) = 0;

private:
    // Reads exactly count bytes (at most 8) into bytes; false, with the flag set, when they are not there.
    bool ReadExactly(unsigned char* bytes, std::uint32_t count);
    template <typename T> void SerializeBigEndian(T& value);
    template <typename T> void SerializeLittleEndian(T& value);
};

// An archive over a file of its own. Mode 0 reads the file; any other mode creates or truncates it.
// The path is opened through the platform's case-blind look-up.
class CArchiveBinaryFile : public CArchiveBinary
{
public:
    CArchiveBinaryFile(const std::string& path, std::int32_t mode);
    // Runs SerializeObjects (closing the file).
    ~CArchiveBinaryFile() override;

    // The base's, then closes the file; a failed close sets the failure flag.
    bool SerializeObjects() override;

protected:
    void PutBytes(const void* buffer, std::uint32_t count) override;
    std::uint32_t GetBytes(void* buffer, std::uint32_t count) override;

private:
    std::fstream m_File;
};

// An archive over a stream that the caller owns and keeps alive while the archive exists. Mode 0 asks
// the stream's CanRead and mode 1 its CanWrite; a refusal finishes the archive at once (mode 2) and
// closes the stream.
class CArchiveBinaryStream : public CArchiveBinary
{
public:
    CArchiveBinaryStream(CStream* stream, std::int32_t mode);
    // Runs SerializeObjects (closing the stream; the stream object stays the caller's).
    ~CArchiveBinaryStream() override;

    // The base's, then closes the stream when it is open.
    bool SerializeObjects() override;

protected:
    void PutBytes(const void* buffer, std::uint32_t count) override;
    std::uint32_t GetBytes(void* buffer, std::uint32_t count) override;

private:
    CStream* m_Stream;
};

// A 32-bit big-endian byte length, then the bytes with no terminator. Loading keeps the text up to the
// first zero byte while consuming the whole length; a length beyond the remaining data sets the failure
// flag and leaves the string as it was.
void SerializeString(CArchive& archive, std::string& text);
void SerializeString(CArchive& archive, CString& text);

} // namespace BaseLib
