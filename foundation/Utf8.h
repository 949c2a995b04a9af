#pragma once

// Conversion between UTF-8 and UTF-16. UTF-16 text is a sequence of 16-bit units and each unit is
// treated as one character: a surrogate pair becomes two 3-byte sequences, and a 4-byte UTF-8
// sequence is not decoded as such (its lead byte and the next two bytes make one unit, the fourth
// byte another). Malformed input is accepted without complaint; nothing reads past a terminator,
// even inside a sequence that it cuts off.
namespace BaseLib
{

// False for continuation bytes 0x80-0xBF, true for every other byte.
bool IsUtf8LeadByte(unsigned char byte);

// Bytes of the sequence that starts with this lead byte: 3 for 0xE0 and above (0xF0-0xFF
// included), 2 for 0xC0-0xDF, else 1 (a stray continuation byte counts alone).
int Utf8SequenceLength(const char* lead);

// The unit of the sequence at lead (terminated text). Continuation bytes are not checked; bytes
// missing behind a terminator count as 0.
char16_t DecodeUtf8Char(const char* lead);

// UTF-8 bytes a unit needs: 1 below 0x80, 2 below 0x800, else 3.
int Utf8LengthOfChar(char16_t c);

// Encodes count units of source (a negative count: up to and including the terminator) into
// destination, which must hold 3 bytes per unit. A 0 unit is written as one byte and ends the
// text. Returns the bytes written, the terminator byte included when one was written.
int EncodeUtf8(const char16_t* source, int count, char* destination);

// Encodes the units before the terminator of text; writes no terminator (the caller adds it).
// Stores the byte count in byteCount when it is given. Returns 0.
int WideToUtf8(const char16_t* text, char* destination, int* byteCount = nullptr);

// Decodes terminated UTF-8 text into destination and terminates it; returns 0. Returns 1, without
// terminating, when 10,000,000 units have been written and more would follow. destination must
// hold Utf8Length(text) + 1 units.
int Utf8ToWide(const char* text, char16_t* destination);

// Units that Utf8ToWide writes for text, terminator not counted: one per sequence, a stray
// continuation byte counting alone.
int Utf8Length(const char* text);

// UTF-8 bytes the terminated UTF-16 text needs, terminator not counted.
int Utf8ByteLength(const char16_t* text);

} // namespace BaseLib
