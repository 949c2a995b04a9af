#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Platform
{

// The longest computer name handed out: what fits a 16-character buffer with its terminator.
constexpr std::size_t MaxComputerNameLength = 15;

// The computer's name: the host name cut as ShortComputerName does; empty when the system does not
// tell it.
std::string GetComputerName();

// A host name as a computer name: the part before its first ".", then at most 15 characters.
std::string ShortComputerName(std::string_view hostName);

} // namespace Platform
