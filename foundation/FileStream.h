#pragma once

#include "foundation/Stream.h"

#include <fstream>
#include <string>

namespace BaseLib
{

// A file as a byte stream. The path is opened through the platform's case-blind look-up. Reads that
// hit the end clear the error state afterwards, so seeks and reads go on working.
class CFileStream : public CStream
{
public:
    enum Mode : std::int32_t
    {
        ModeRead = 0,     // the file must exist
        ModeWrite = 1,    // created or truncated
        ModeReadWrite = 2 // created or truncated; any mode value other than 0 and 1 means this
    };

    // A failed open leaves the stream closed and failed: IsOpen is false, Tell and GetSize answer -1,
    // while CanRead and CanWrite still answer from the mode. Callers test IsOpen.
    CFileStream(std::int32_t mode, const std::string& path);
    ~CFileStream() override;
    CFileStream(const CFileStream&) = delete;
    CFileStream& operator=(const CFileStream&) = delete;

    bool CanRead() const override;
    bool CanWrite() const override;
    bool CanSeek() const override { return true; }
    void SetOption(std::int32_t) override {}
    std::int32_t GetSize() override;
    std::int32_t Tell() override;
    // Sets the read position when the stream can read and the write position when it can write.
    void Seek(std::int32_t position) override;
    // A failed close marks the stream failed.
    void Close() override;
    bool IsOpen() const override;
    int ReadChar() override;
    std::int32_t Read(void* buffer, std::int32_t count) override;
    void WriteChar(std::uint8_t byte) override;
    void Write(const void* buffer, std::int32_t count) override;
    bool IsAtEnd() override;
    void Flush() override;

private:
    std::int32_t m_Mode;
    std::fstream m_File;
};

} // namespace BaseLib
