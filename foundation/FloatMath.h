#pragma once

// Single-precision wrappers of the C library: the argument is widened to double and the result rounded
// to float.
namespace BaseLib
{

float FAbs(float value);
// Same as FAbs.
float Abs(float value);
float Cos(float radians);
float Sqrt(float value);
float Floor(float value);

} // namespace BaseLib
