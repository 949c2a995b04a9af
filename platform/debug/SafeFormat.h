#pragma once

#include <cstddef>
#include <cstdint>

// Number and text formatting that allocates nothing, takes no lock and calls no library function, so
// that code running in a signal handler can use it.
namespace Platform
{

// Writes the signed decimal form of `value` to `out` (room for 21 characters) and returns its length.
std::size_t FormatDecimal(char* out, std::int64_t value);

// Writes `value` in decimal with at least `width` digits (zeros in front) to `out` (room for 20
// characters or `width`, whichever is more) and returns the length.
std::size_t FormatUnsigned(char* out, std::uint64_t value, int width = 1);

// Writes `value` as exactly `digits` upper-case hexadecimal digits (1 to 16, the low ones) to `out`.
std::size_t FormatHex(char* out, std::uint64_t value, int digits);

// Length of a zero-terminated text (null counts as empty).
std::size_t TextLength(const char* text);

// Writes the whole text to standard error with write(), ignoring failures.
void WriteStandardError(const char* text);

// Writes all `size` bytes to the file descriptor, retrying after short writes and interruptions.
// Returns 0, or the errno of the write that failed.
int WriteAll(int fd, const void* data, std::size_t size);

} // namespace Platform
