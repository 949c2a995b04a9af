#include "foundation/PropertyText.h"

#include "foundation/Helpers.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace BaseLib
{

void ReadPropertyText(const std::string& text, bool& value)
{
    value = text == "true";
}

void ReadPropertyText(const std::string& text, int& value)
{
    value = ParseDecimalInt(text.c_str());
}

void ReadPropertyText(const std::string& text, float& value)
{
    value = static_cast<float>(std::strtod(text.c_str(), nullptr));
}

void ReadPropertyText(const std::string& text, double& value)
{
    value = std::strtod(text.c_str(), nullptr);
}

void ReadPropertyText(const std::string& text, CPoint& value)
{
    value = CPoint::FromString(text.c_str());
}

void ReadPropertyText(const std::string& text, CSize& value)
{
    value = CSize::FromString(text.c_str());
}

void ReadPropertyText(const std::string& text, CVector2& value)
{
    value = CVector2::FromString(text.c_str());
}

void ReadPropertyText(const std::string& text, CVector3& value)
{
    value = CVector3::FromString(text.c_str());
}

void ReadPropertyText(const std::string& text, CVector4& value)
{
    value = CVector4::FromString(text.c_str());
}

void ReadPropertyText(const std::string& text, CColor& value)
{
    value = CColor::FromString(text.c_str());
}

void ReadPropertyText(const std::string& text, CString& value)
{
    value.AssignStdString(text);
}

void ReadPropertyText(const std::string& text, std::string& value)
{
    value = text;
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
