#include "platform/debug/SafeFormat.h"

#include <cerrno>
#include <unistd.h>

namespace Platform
{

std::size_t FormatUnsigned(char* out, std::uint64_t value, int width)
{
    char reversed[20];
    int count = 0;
    do
    {
        reversed[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::size_t length = 0;
    for (int pad = count; pad < width; ++pad)
    {
        out[length++] = '0';
    }
    while (count > 0)
    {
        out[length++] = reversed[--count];
    }
    return length;
}

std::size_t FormatDecimal(char* out, std::int64_t value)
{
    if (value >= 0)
    {
        return FormatUnsigned(out, static_cast<std::uint64_t>(value));
    }
    out[0] = '-';
    // Negated in unsigned arithmetic, so the smallest value has its magnitude too.
    return 1 + FormatUnsigned(out + 1, 0 - static_cast<std::uint64_t>(value));
}

std::size_t FormatHex(char* out, std::uint64_t value, int digits)
{
    static const char hex[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i)
    {
        out[i] = hex[value & 0xF];
        value >>= 4;
    }
    return static_cast<std::size_t>(digits);
}

std::size_t TextLength(const char* text)
{
    std::size_t length = 0;
    if (text != nullptr)
    {
        while (text[length] != '\0')
        {
            ++length;
        }
    }
    return length;
}

void WriteStandardError(const char* text)
{
    WriteAll(STDERR_FILENO, text, TextLength(text));
}

int WriteAll(int fd, const void* data, std::size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0)
        {
            if (errno == EINTR)
            {
                continue;
            }
            return errno;
        }
        if (written == 0)
        {
            return EIO;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

} // namespace Platform
