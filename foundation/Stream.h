#pragma once

#include <cstdint>

namespace BaseLib
{

// An abstract byte stream. Sizes and positions are 32-bit. No operation throws; failures show in the
// results (a short read, -1).
class CStream
{
public:
    virtual ~CStream() = default;

    virtual bool CanRead() const = 0;
    virtual bool CanWrite() const = 0;
    virtual bool CanSeek() const = 0;
    virtual void SetOption(std::int32_t option) = 0;
    // Size in bytes without moving the read position; -1 in a failed state.
    virtual std::int32_t GetSize() = 0;
    // The read position; -1 in a failed state.
    virtual std::int32_t Tell() = 0;
    // Sets the position to an absolute byte offset.
    virtual void Seek(std::int32_t position) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // The next byte (0-255), or -1 at the end.
    virtual int ReadChar() = 0;
    // Reads up to count bytes into buffer; returns the number read.
    virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
    virtual void WriteChar(std::uint8_t byte) = 0;
    virtual void Write(const void* buffer, std::int32_t count) = 0;
    // True when no byte follows.
    virtual bool IsAtEnd() = 0;
    virtual void Flush() = 0;
};

} // namespace BaseLib
