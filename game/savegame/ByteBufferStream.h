#pragma once

#include "foundation/Stream.h"

#include <cstdint>
#include <string>

// A byte stream over a string in memory: either reads given bytes or collects written ones. The bytes
// stay readable through GetBytes after Close (an archive closes its stream when it ends). Positions are
// 32-bit, so the content stays below 2 GiB; a write that would pass that is dropped.
class CByteBufferStream : public BaseLib::CStream
{
public:
    // An empty stream for writing: CanWrite true, CanRead false.
    CByteBufferStream();
    // A stream reading bytes from their start: CanRead true, CanWrite false.
    explicit CByteBufferStream(std::string bytes);

    const std::string& GetBytes() const { return m_Bytes; }

    bool CanRead() const override { return !m_Writing; }
    bool CanWrite() const override { return m_Writing; }
    bool CanSeek() const override { return true; }
    void SetOption(std::int32_t) override {}
    std::int32_t GetSize() override;
    std::int32_t Tell() override;
    // Positions beyond the end are taken as the end; negative ones as the start.
    void Seek(std::int32_t position) override;
    void Close() override { m_Open = false; }
    bool IsOpen() const override { return m_Open; }
    int ReadChar() override;
    std::int32_t Read(void* buffer, std::int32_t count) override;
    void WriteChar(std::uint8_t byte) override;
    // Overwrites from the position on, lengthening the content as needed.
    void Write(const void* buffer, std::int32_t count) override;
    bool IsAtEnd() override;
    void Flush() override {}

private:
    std::string m_Bytes;
    std::size_t m_Position = 0;
    bool m_Writing;
    bool m_Open = true;
};
