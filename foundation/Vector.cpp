#include "foundation/Vector.h"

#include <cmath>
#include <cstdio>

namespace BaseLib
{

namespace
{

float Round(double value)
{
    return static_cast<float>(value);
}

std::string Format(const char* pattern, double a, double b, double c = 0.0, double d = 0.0)
{
    char buffer[128];
    std::snprintf(buffer, sizeof(buffer), pattern, a, b, c, d);
    return buffer;
}

} // namespace

CVector2 CVector2::operator+(const CVector2& other) const
{
    return {Round(double{x} + other.x), Round(double{y} + other.y)};
}

CVector2 CVector2::operator*(float scalar) const
{
    return {Round(double{x} * scalar), Round(double{y} * scalar)};
}

float CVector2::Length() const
{
    return Round(std::sqrt(double{x} * x + double{y} * y));
}

std::string CVector2::ToString() const
{
    return Format("(%g, %g)", x, y);
}

CVector2 CVector2::FromString(const char* text)
{
    CVector2 v;
    if (text != nullptr)
    {
        std::sscanf(text, "(%g, %g)", &v.x, &v.y);
    }
    return v;
}

CVector3 CVector3::operator+(const CVector3& other) const
{
    return {Round(double{x} + other.x), Round(double{y} + other.y), Round(double{z} + other.z)};
}

CVector3 CVector3::operator-(const CVector3& other) const
{
    return {Round(double{x} - other.x), Round(double{y} - other.y), Round(double{z} - other.z)};
}

CVector3 CVector3::operator-() const
{
    return {-x, -y, -z};
}

CVector3 CVector3::operator*(float scalar) const
{
    return {Round(double{x} * scalar), Round(double{y} * scalar), Round(double{z} * scalar)};
}

CVector3 CVector3::operator/(float scalar) const
{
    return {Round(double{x} / scalar), Round(double{y} / scalar), Round(double{z} / scalar)};
}

CVector3& CVector3::DivideInPlace(float scalar, CVector3& copy)
{
    *this = *this / scalar;
    copy = *this;
    return *this;
}

CVector3 CVector4::HomogeneousDivide() const
{
    return CVector3(x, y, z) / w;
}

float CVector3::Dot(const CVector3& other) const
{
    return Round(double{x} * other.x + double{y} * other.y + double{z} * other.z);
}

CVector3 CVector3::Cross(const CVector3& other) const
{
    return {Round(double{y} * other.z - double{z} * other.y),
            Round(double{z} * other.x - double{x} * other.z),
            Round(double{x} * other.y - double{y} * other.x)};
}

float CVector3::LengthSquared() const
{
    return Round(double{x} * x + double{y} * y + double{z} * z);
}

float CVector3::Length() const
{
    return Round(std::sqrt(double{x} * x + double{y} * y + double{z} * z));
}

std::string CVector3::ToString() const
{
    return Format("(%g, %g, %g)", x, y, z);
}

CVector3 CVector3::FromString(const char* text)
{
    CVector3 v;
    if (text != nullptr)
    {
        std::sscanf(text, "(%g, %g, %g)", &v.x, &v.y, &v.z);
    }
    return v;
}

std::string CVector4::ToString() const
{
    return Format("(%g, %g, %g, %g)", x, y, z, w);
}

CVector4 CVector4::FromString(const char* text)
{
    CVector4 v;
    if (text != nullptr)
    {
        std::sscanf(text, "(%g, %g, %g, %g)", &v.x, &v.y, &v.z, &v.w);
    }
    return v;
}

} // namespace BaseLib
