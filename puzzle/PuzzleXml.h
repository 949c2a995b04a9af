#pragma once

#include <tinyxml.h>

#include <cstdint>
#include <string>

// Number spellings of the puzzle files.
namespace PuzzleXml
{

// A decimal integer attribute as the C library's atoi reads it (leading blanks, a sign, then digits; no
// digits gives 0), clamped to int32 instead of overflowing. A missing attribute gives the default.
int32_t GetDecimalAttribute(const TiXmlElement* element, const char* name, int32_t defaultValue);

// "%.9g": enough digits that every float, every multiple of 1/64 on a board included, reads back
// exactly; whole and half cells still read "3" and "0.5".
std::string FormatCoordinate(float value);

// An element with float children "x" and "y" written with FormatCoordinate.
void AddCoordinateElement(TiXmlNode* parent, const char* name, float x, float y);

// Cells to 1/4096 units truncated toward zero, saturating at the int32 range (NaN gives 0).
int32_t ToFixed4096(float value);

} // namespace PuzzleXml
