#pragma once

// The one UTF-8 decoding of the window system (fonts, canvas text, bitmap-font characters, text
// layout): a lead byte below 0xC0 is one byte, below 0xE0 two, else three, kept to 16 bits. A sequence
// cut short by the text's terminating zero takes only the bytes before it, missing bytes counting as 0,
// so nothing ever reads past the terminator.
namespace UILib
{

// Bytes the character at text takes: what its lead byte announces, cut at the terminator. 0 at the
// terminator itself.
int TextCharLength(const char* text);

// Decodes the character at text and moves text past the bytes it took (never past the terminator).
// At the terminator answers 0 and leaves text where it is.
char16_t DecodeTextChar(const char*& text);

} // namespace UILib
