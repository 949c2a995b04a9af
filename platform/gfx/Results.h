#pragma once

#include <cstdint>

// Result codes of the device layer. Every value is the one the engine's files and tables expect, so
// results can be compared with numbers written anywhere in the program.
namespace Platform::Gfx
{

using Result = std::int32_t;

constexpr Result ResultValue(std::uint32_t bits)
{
    return static_cast<Result>(bits);
}

constexpr Result Ok = 0;
constexpr Result False = 1;
constexpr Result Fail = ResultValue(0x80004005u);
constexpr Result OutOfMemory = ResultValue(0x8007000Eu);
constexpr Result InvalidArg = ResultValue(0x80070057u);
constexpr Result NotImplemented = ResultValue(0x80004001u);
constexpr Result NoInterface = ResultValue(0x80004002u);
constexpr Result InvalidCall = ResultValue(0x8876086Cu);
constexpr Result NotAvailable = ResultValue(0x8876086Au);
constexpr Result DeviceLost = ResultValue(0x88760868u);
constexpr Result DeviceNotReset = ResultValue(0x88760869u);
constexpr Result NotFound = ResultValue(0x88760866u);
constexpr Result MoreData = ResultValue(0x88760867u);
constexpr Result OutOfVideoMemory = ResultValue(0x8876017Cu);
constexpr Result InvalidMesh = ResultValue(0x88760B55u);
constexpr Result TooManyInfluences = ResultValue(0x88760B58u);
constexpr Result InvalidData = ResultValue(0x88760B59u);

// True for the success codes (the sign bit clear).
constexpr bool Succeeded(Result result)
{
    return result >= 0;
}

constexpr bool Failed(Result result)
{
    return result < 0;
}

// The symbolic name of a result as the error boxes show it ("D3DERR_DEVICELOST"); "Unknown" for a
// code without a name. The text is static.
const char* ErrorName(Result result);

// One sentence saying what the result means; a general sentence for a code without a name.
const char* ErrorDescription(Result result);

} // namespace Platform::Gfx
