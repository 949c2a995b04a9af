#pragma once

#include <string>
#include <type_traits>

// Float vectors of two to four components. Plain values, copied bytewise. Every operation computes in
// double and rounds each stored component to float.
namespace BaseLib
{

struct CVector2
{
    float x = 0.0f;
    float y = 0.0f;

    constexpr CVector2() = default;
    constexpr CVector2(float px, float py) : x(px), y(py) {}

    CVector2 operator+(const CVector2& other) const;
    CVector2 operator*(float scalar) const;
    float Length() const;

    // "(%g, %g)".
    std::string ToString() const;
    // Reads "(%g, %g)"; components the text does not supply are 0.
    static CVector2 FromString(const char* text);

    friend constexpr bool operator==(const CVector2&, const CVector2&) = default;

    static const CVector2 Zero;
    static const CVector2 UnitX;
    static const CVector2 UnitY;
};

struct CVector3
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr CVector3() = default;
    constexpr CVector3(float px, float py, float pz) : x(px), y(py), z(pz) {}
    // A 2D point in homogeneous form: z = 1.
    constexpr explicit CVector3(const CVector2& v) : x(v.x), y(v.y), z(1.0f) {}

    CVector3 operator+(const CVector3& other) const;
    CVector3 operator-(const CVector3& other) const;
    CVector3 operator-() const;
    CVector3 operator*(float scalar) const;
    // Three divisions, not a multiplication by the reciprocal.
    CVector3 operator/(float scalar) const;
    float Dot(const CVector3& other) const;
    // this x other.
    CVector3 Cross(const CVector3& other) const;
    float LengthSquared() const;
    float Length() const;
    // Divides this by the scalar (three divisions) and copies the result to `copy` as well.
    CVector3& DivideInPlace(float scalar, CVector3& copy);

    // "(%g, %g, %g)".
    std::string ToString() const;
    // Reads "(%g, %g, %g)"; components the text does not supply are 0.
    static CVector3 FromString(const char* text);

    friend constexpr bool operator==(const CVector3&, const CVector3&) = default;

    static const CVector3 Zero;
    static const CVector3 UnitX;
    static const CVector3 UnitY;
    static const CVector3 UnitZ;
};

struct CVector4
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    constexpr CVector4() = default;
    constexpr CVector4(float px, float py, float pz, float pw) : x(px), y(py), z(pz), w(pw) {}
    constexpr CVector4(const CVector3& v, float pw) : x(v.x), y(v.y), z(v.z), w(pw) {}

    // The homogeneous divide: (x, y, z) each divided by w.
    CVector3 HomogeneousDivide() const;

    // "(%g, %g, %g, %g)".
    std::string ToString() const;
    // Reads "(%g, %g, %g, %g)"; components the text does not supply are 0.
    static CVector4 FromString(const char* text);

    friend constexpr bool operator==(const CVector4&, const CVector4&) = default;

    static const CVector4 Zero;
    static const CVector4 UnitX;
    static const CVector4 UnitY;
    static const CVector4 UnitZ;
    static const CVector4 UnitW;
};

// Constant-initialised: valid before any dynamic initialiser runs.
constexpr CVector2 CVector2::Zero{0.0f, 0.0f};
constexpr CVector2 CVector2::UnitX{1.0f, 0.0f};
constexpr CVector2 CVector2::UnitY{0.0f, 1.0f};
constexpr CVector3 CVector3::Zero{0.0f, 0.0f, 0.0f};
constexpr CVector3 CVector3::UnitX{1.0f, 0.0f, 0.0f};
constexpr CVector3 CVector3::UnitY{0.0f, 1.0f, 0.0f};
constexpr CVector3 CVector3::UnitZ{0.0f, 0.0f, 1.0f};
constexpr CVector4 CVector4::Zero{0.0f, 0.0f, 0.0f, 0.0f};
constexpr CVector4 CVector4::UnitX{1.0f, 0.0f, 0.0f, 0.0f};
constexpr CVector4 CVector4::UnitY{0.0f, 1.0f, 0.0f, 0.0f};
constexpr CVector4 CVector4::UnitZ{0.0f, 0.0f, 1.0f, 0.0f};
constexpr CVector4 CVector4::UnitW{0.0f, 0.0f, 0.0f, 1.0f};

static_assert(sizeof(CVector2) == 8 && std::is_trivially_copyable_v<CVector2>);
static_assert(sizeof(CVector3) == 12 && std::is_trivially_copyable_v<CVector3>);
static_assert(sizeof(CVector4) == 16 && std::is_trivially_copyable_v<CVector4>);

} // namespace BaseLib
