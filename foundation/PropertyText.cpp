#include "foundation/PropertyText.h"

#include "foundation/Helpers.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace BaseLib
{

namespace
{

// True when the format, whose conversions are all suppressed and which ends in "%n", matches the whole
// text: every component and the closing parenthesis present, nothing after them.
bool MatchesWhole(const std::string& text, const char* format)
{
    int end = -1;
    std::sscanf(text.c_str(), format, &end);
    return end >= 0 && static_cast<std::size_t>(end) == text.size();
}

// True when a number was read (end past the start) and it reaches the end of the text.
bool NumberIsWhole(const std::string& text, const char* end)
{
    return end != text.c_str() && end == text.c_str() + text.size();
}

} // namespace

bool ReadPropertyText(const std::string& text, bool& value)
{
    value = text == "true";
    return value || text == "false";
}

bool ReadPropertyText(const std::string& text, int& value)
{
    value = ParseDecimalInt(text.c_str());
    char* end = nullptr;
    std::strtoll(text.c_str(), &end, 10);
    return NumberIsWhole(text, end);
}

bool ReadPropertyText(const std::string& text, float& value)
{
    char* end = nullptr;
    value = static_cast<float>(std::strtod(text.c_str(), &end));
    return NumberIsWhole(text, end);
}

bool ReadPropertyText(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return NumberIsWhole(text, end);
}

bool ReadPropertyText(const std::string& text, CPoint& value)
{
    value = CPoint::FromString(text.c_str());
    return MatchesWhole(text, "(%*d, %*d)%n");
}

bool ReadPropertyText(const std::string& text, CSize& value)
{
    value = CSize::FromString(text.c_str());
    return MatchesWhole(text, "(%*d, %*d)%n");
}

bool ReadPropertyText(const std::string& text, CVector2& value)
{
    value = CVector2::FromString(text.c_str());
    return MatchesWhole(text, "(%*g, %*g)%n");
}

bool ReadPropertyText(const std::string& text, CVector3& value)
{
    value = CVector3::FromString(text.c_str());
    return MatchesWhole(text, "(%*g, %*g, %*g)%n");
}

bool ReadPropertyText(const std::string& text, CVector4& value)
{
    value = CVector4::FromString(text.c_str());
    return MatchesWhole(text, "(%*g, %*g, %*g, %*g)%n");
}

bool ReadPropertyText(const std::string& text, CColor& value)
{
    value = CColor::FromString(text.c_str());
    return MatchesWhole(text, "(%*d, %*d, %*d, %*d)%n");
}

bool ReadPropertyText(const std::string& text, CString& value)
{
    value.AssignStdString(text);
    return true;
}

bool ReadPropertyText(const std::string& text, std::string& value)
{
    value = text;
    return true;
}

std::string WritePropertyText(bool value)
{
    return value ? "true" : "false";
}

std::string WritePropertyText(int value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "%d", value);
    return buffer;
}

std::string WritePropertyText(float value)
{
    return WritePropertyText(static_cast<double>(value));
}

std::string WritePropertyText(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%g", value);
    return buffer;
}

std::string WritePropertyText(const CPoint& value)
{
    return value.ToString();
}

std::string WritePropertyText(const CSize& value)
{
    return value.ToString();
}

std::string WritePropertyText(const CVector2& value)
{
    return value.ToString();
}

std::string WritePropertyText(const CVector3& value)
{
    return value.ToString();
}

std::string WritePropertyText(const CVector4& value)
{
    return value.ToString();
}

std::string WritePropertyText(const CColor& value)
{
    return value.ToString();
}

std::string WritePropertyText(const CString& value)
{
    return static_cast<const char*>(value);
}

std::string WritePropertyText(const std::string& value)
{
    return value;
}

} // namespace BaseLib
