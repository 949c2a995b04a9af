#include "platform/gfxkit/mesh/ElementValues.h"

#include "platform/gfx/VertexDeclaration.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Platform::GfxKit
{

using namespace Gfx;

namespace
{

template <typename T>
T Load(const std::uint8_t* data, int index)
{
    T value;
    std::memcpy(&value, data + index * sizeof(T), sizeof(T));
    return value;
}

template <typename T>
void Store(std::uint8_t* data, int index, T value)
{
    std::memcpy(data + index * sizeof(T), &value, sizeof(T));
}

float HalfToFloat(std::uint16_t half)
{
    const int sign = half >> 15;
    const int exponent = (half >> 10) & 0x1F;
    const int mantissa = half & 0x3FF;
    float value;
    if (exponent == 0)
    {
        value = std::ldexp(static_cast<float>(mantissa), -24);
    }
    else if (exponent == 31)
    {
        value = mantissa == 0 ? INFINITY : NAN;
    }
    else
    {
        value = std::ldexp(static_cast<float>(mantissa + 1024), exponent - 25);
    }
    return sign ? -value : value;
}

std::uint16_t FloatToHalf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const std::uint16_t sign = static_cast<std::uint16_t>((bits >> 16) & 0x8000);
    const float magnitude = std::fabs(value);
    if (std::isnan(value))
    {
        return static_cast<std::uint16_t>(sign | 0x7E00);
    }
    if (magnitude >= 65520.0f)
    {
        return static_cast<std::uint16_t>(sign | 0x7C00);
    }
    if (magnitude < std::ldexp(1.0f, -14))
    {
        return static_cast<std::uint16_t>(sign | static_cast<std::uint16_t>(std::lrint(magnitude * std::ldexp(1.0f, 24))));
    }
    int exponent;
    const float fraction = std::frexp(magnitude, &exponent); // magnitude = fraction * 2^exponent, 0.5 <= fraction < 1
    long mantissa = std::lrint((fraction * 2.0f - 1.0f) * 1024.0f);
    int biased = exponent - 1 + 15;
    if (mantissa == 1024)
    {
        mantissa = 0;
        ++biased;
    }
    return static_cast<std::uint16_t>(sign | (biased << 10) | mantissa);
}

float Clamp(float value, float low, float high)
{
    return std::isnan(value) ? 0.0f : std::clamp(value, low, high);
}

int Signed10(std::uint32_t bits)
{
    const int value = static_cast<int>(bits & 0x3FF);
    return value >= 512 ? value - 1024 : value;
}

} // namespace

Vector4 ReadElement(std::uint8_t type, const std::uint8_t* data)
{
    switch (type)
    {
    case DeclType::Float1:
        return {Load<float>(data, 0), 0, 0, 1};
    case DeclType::Float2:
        return {Load<float>(data, 0), Load<float>(data, 1), 0, 1};
    case DeclType::Float3:
        return {Load<float>(data, 0), Load<float>(data, 1), Load<float>(data, 2), 1};
    case DeclType::Float4:
        return {Load<float>(data, 0), Load<float>(data, 1), Load<float>(data, 2), Load<float>(data, 3)};
    case DeclType::Color:
        return {data[2] / 255.0f, data[1] / 255.0f, data[0] / 255.0f, data[3] / 255.0f};
    case DeclType::UByte4:
        return {float(data[0]), float(data[1]), float(data[2]), float(data[3])};
    case DeclType::UByte4N:
        return {data[0] / 255.0f, data[1] / 255.0f, data[2] / 255.0f, data[3] / 255.0f};
    case DeclType::Short2:
        return {float(Load<std::int16_t>(data, 0)), float(Load<std::int16_t>(data, 1)), 0, 1};
    case DeclType::Short4:
        return {float(Load<std::int16_t>(data, 0)), float(Load<std::int16_t>(data, 1)),
                float(Load<std::int16_t>(data, 2)), float(Load<std::int16_t>(data, 3))};
    case DeclType::Short2N:
        return {Load<std::int16_t>(data, 0) / 32767.0f, Load<std::int16_t>(data, 1) / 32767.0f, 0, 1};
    case DeclType::Short4N:
        return {Load<std::int16_t>(data, 0) / 32767.0f, Load<std::int16_t>(data, 1) / 32767.0f,
                Load<std::int16_t>(data, 2) / 32767.0f, Load<std::int16_t>(data, 3) / 32767.0f};
    case DeclType::UShort2N:
        return {Load<std::uint16_t>(data, 0) / 65535.0f, Load<std::uint16_t>(data, 1) / 65535.0f, 0, 1};
    case DeclType::UShort4N:
        return {Load<std::uint16_t>(data, 0) / 65535.0f, Load<std::uint16_t>(data, 1) / 65535.0f,
                Load<std::uint16_t>(data, 2) / 65535.0f, Load<std::uint16_t>(data, 3) / 65535.0f};
    case DeclType::UDec3:
    {
        const auto bits = Load<std::uint32_t>(data, 0);
        return {float(bits & 0x3FF), float((bits >> 10) & 0x3FF), float((bits >> 20) & 0x3FF), 1};
    }
    case DeclType::Dec3N:
    {
        const auto bits = Load<std::uint32_t>(data, 0);
        return {Signed10(bits) / 511.0f, Signed10(bits >> 10) / 511.0f, Signed10(bits >> 20) / 511.0f, 1};
    }
    case DeclType::Float16x2:
        return {HalfToFloat(Load<std::uint16_t>(data, 0)), HalfToFloat(Load<std::uint16_t>(data, 1)), 0, 1};
    case DeclType::Float16x4:
        return {HalfToFloat(Load<std::uint16_t>(data, 0)), HalfToFloat(Load<std::uint16_t>(data, 1)),
                HalfToFloat(Load<std::uint16_t>(data, 2)), HalfToFloat(Load<std::uint16_t>(data, 3))};
    default:
        return {};
    }
}

void WriteElement(std::uint8_t type, const Vector4& value, std::uint8_t* data)
{
    const float v[4] = {value.x, value.y, value.z, value.w};
    const auto byte = [](float x, float scale) {
        return static_cast<std::uint8_t>(std::lrint(Clamp(x, 0.0f, 1.0f) * scale));
    };
    const auto signedShort = [](float x, float scale) {
        return static_cast<std::int16_t>(std::lrint(Clamp(x * scale, -32768.0f, 32767.0f)));
    };
    switch (type)
    {
    case DeclType::Float1:
    case DeclType::Float2:
    case DeclType::Float3:
    case DeclType::Float4:
        std::memcpy(data, v, ElementSize(type));
        break;
    case DeclType::Color:
        data[0] = byte(v[2], 255);
        data[1] = byte(v[1], 255);
        data[2] = byte(v[0], 255);
        data[3] = byte(v[3], 255);
        break;
    case DeclType::UByte4:
        for (int i = 0; i < 4; ++i)
        {
            data[i] = static_cast<std::uint8_t>(std::lrint(Clamp(v[i], 0.0f, 255.0f)));
        }
        break;
    case DeclType::UByte4N:
        for (int i = 0; i < 4; ++i)
        {
            data[i] = byte(v[i], 255);
        }
        break;
    case DeclType::Short2:
    case DeclType::Short4:
        for (int i = 0; i < (type == DeclType::Short2 ? 2 : 4); ++i)
        {
            Store(data, i, signedShort(v[i], 1.0f));
        }
        break;
    case DeclType::Short2N:
    case DeclType::Short4N:
        for (int i = 0; i < (type == DeclType::Short2N ? 2 : 4); ++i)
        {
            Store(data, i, signedShort(Clamp(v[i], -1.0f, 1.0f), 32767.0f));
        }
        break;
    case DeclType::UShort2N:
    case DeclType::UShort4N:
        for (int i = 0; i < (type == DeclType::UShort2N ? 2 : 4); ++i)
        {
            Store(data, i, static_cast<std::uint16_t>(std::lrint(Clamp(v[i], 0.0f, 1.0f) * 65535.0f)));
        }
        break;
    case DeclType::UDec3:
    case DeclType::Dec3N:
    {
        std::uint32_t bits = 0;
        for (int i = 0; i < 3; ++i)
        {
            const long field = type == DeclType::UDec3 ? std::lrint(Clamp(v[i], 0.0f, 1023.0f))
                                                       : std::lrint(Clamp(v[i], -1.0f, 1.0f) * 511.0f);
            bits |= (static_cast<std::uint32_t>(field) & 0x3FF) << (10 * i);
        }
        Store(data, 0, bits);
        break;
    }
    case DeclType::Float16x2:
    case DeclType::Float16x4:
        for (int i = 0; i < (type == DeclType::Float16x2 ? 2 : 4); ++i)
        {
            Store(data, i, FloatToHalf(v[i]));
        }
        break;
    default:
        break;
    }
}

} // namespace Platform::GfxKit
