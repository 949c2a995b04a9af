#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform
{

// Decodes a PNG image held in memory into 8-bit RGBA rows, top row first. False with a reason in
// error when the bytes are not a readable PNG; the outputs are then unspecified.
bool DecodePng(const std::uint8_t* data, std::size_t size, int& width, int& height,
               std::vector<std::uint8_t>& rgba, std::string& error);

// Whether the bytes start with the PNG signature.
bool LooksLikePng(const std::uint8_t* data, std::size_t size);

} // namespace Platform
