#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Platform::GfxKit
{

// Evaluates an integer expression of the effect preprocessor: decimal and 0x hexadecimal numbers,
// parentheses, ?: and the operators + - * / % << >> < > <= >= == != && || ! ~ & | ^ with C's
// precedence, on 64-bit values (overflow wraps). `defined` must have been replaced already. An
// identifier is 0 when identifiersAreZero, else an error. False with the reason in `error` for a
// malformed expression or a division by zero.
bool EvaluateExpression(std::string_view text, bool identifiersAreZero, std::int64_t& value,
                        std::string& error);

} // namespace Platform::GfxKit
