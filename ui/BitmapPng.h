#pragma once

#include "foundation/Color.h"
#include "ui/Bitmap.h"

#include <cstdint>
#include <string>

namespace UILib
{

// Writes width × height pixels (rows of rowLength words, top row first) as an RGBA PNG file, so that
// tests and people can look at any pixels. False when the file cannot be written or there is nothing.
bool WritePixelsPng(const std::string& path, std::int32_t width, std::int32_t height,
                    const BaseLib::CColor* pixels, std::int32_t rowLength);
// The bitmap's pixels (waiting while they are scheduled); false for an empty bitmap.
bool WriteBitmapPng(const std::string& path, const CBitmap& bitmap);

} // namespace UILib
