#pragma once

#include <cstdint>
#include <string>

// Small string and number helpers shared by every subsystem.
namespace BaseLib
{

// Smallest power of two that is at least value; 1 for every value below 2 (0, 1 and negatives).
// Values above 2^30 have no 32-bit answer and give 0.
std::int32_t NextPowerOfTwo(std::int32_t value);

// The leading decimal number of text as strtol reads it (blanks, a sign, digits), saturated to the 32-bit
// range; 0 when there is none or text is null.
std::int32_t ParseDecimalInt(const char* text);

// A heap copy of text with its terminator, to be released with StrFree; null gives null.
char* StrDup(const char* text);
// Releases a copy made by StrDup; null is ignored.
void StrFree(char* text);

// Copy of text with 'A'-'Z' and the Latin-1 capitals 0xC4, 0xD6, 0xDC lowered; every other byte
// (0xDF included) is kept. Used wherever names are compared without case.
std::string ToLower(const std::string& text);

// Finds name followed by one blank anywhere in commandLine (a plain substring search, so it also
// matches the end of a longer word) and reads the next word behind the blanks into value.
// Returns true when that word is not empty. An option that is the last word is not found, so a
// switch needs a value word ("-devmode 1"). value is untouched when false is returned.
bool GetCommandLineOption(const std::string& name, const std::string& commandLine, std::string& value);

// True when GetCommandLineOption finds the option; value then becomes whether the word, lowered,
// is "true" or "1". value is untouched when the option is absent.
bool GetCommandLineBool(const std::string& commandLine, const std::string& name, bool& value);

} // namespace BaseLib
