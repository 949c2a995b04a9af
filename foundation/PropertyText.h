#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/String.h"
#include "foundation/Vector.h"

#include <string>

// The text forms in which properties are read and written by name, one overload pair per value type.
// Reading never fails: what the text does not supply reads as 0 (false, the empty string). Each reader
// answers whether it read the text whole, that is whether the text was exactly in the written form
// (leading blanks allowed before a number); a caller may warn when it was not, the value stays as read.
namespace BaseLib
{

// True only for exactly "true" (same case, same length); whole for "true" and "false".
bool ReadPropertyText(const std::string& text, bool& value);
// The leading decimal number, 0 without one; values beyond the 32-bit range saturate. Whole when the
// number runs from the first non-blank character to the end.
bool ReadPropertyText(const std::string& text, int& value);
// The leading floating-point number, 0 without one.
bool ReadPropertyText(const std::string& text, float& value);
bool ReadPropertyText(const std::string& text, double& value);
// "(%d, %d)", "(%g, %g)", "(%g, %g, %g)", "(%g, %g, %g, %g)"; missing components are 0. Whole when every
// component and the closing parenthesis are there and nothing follows.
bool ReadPropertyText(const std::string& text, CPoint& value);
bool ReadPropertyText(const std::string& text, CSize& value);
bool ReadPropertyText(const std::string& text, CVector2& value);
bool ReadPropertyText(const std::string& text, CVector3& value);
bool ReadPropertyText(const std::string& text, CVector4& value);
// "(%d, %d, %d, %d)" as red, green, blue, alpha, each clamped to 0..255; missing components are 0.
bool ReadPropertyText(const std::string& text, CColor& value);
// The text as it is (up to a first zero byte for CString); always whole.
bool ReadPropertyText(const std::string& text, CString& value);
bool ReadPropertyText(const std::string& text, std::string& value);

// "true"/"false", "%d", "%g", and the forms above.
std::string WritePropertyText(bool value);
std::string WritePropertyText(int value);
std::string WritePropertyText(float value);
std::string WritePropertyText(double value);
std::string WritePropertyText(const CPoint& value);
std::string WritePropertyText(const CSize& value);
std::string WritePropertyText(const CVector2& value);
std::string WritePropertyText(const CVector3& value);
std::string WritePropertyText(const CVector4& value);
std::string WritePropertyText(const CColor& value);
std::string WritePropertyText(const CString& value);
std::string WritePropertyText(const std::string& value);

} // namespace BaseLib
