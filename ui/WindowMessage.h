#pragma once

#include <cstdint>
#include <cstring>

namespace UILib
{

// A window message: an 8-character code (zero-padded, compared over all 8 bytes), flags and two
// parameters. Input, notifications between windows and timers all use it.
struct CWindowMessage
{
    // Flag bits.
    static constexpr std::uint32_t Positional = 1; // a mouse message: routed by its point, follows capture
    static constexpr std::uint32_t Input = 2;      // made from input or a timer; bubbles when posted

    // Modifier bits in the low 8 bits of the second parameter of input messages.
    static constexpr std::uint32_t Shift = 1;
    static constexpr std::uint32_t Control = 2;
    static constexpr std::uint32_t Alt = 4;

    char code[8] = {};
    std::uint32_t flags = 0;
    // The point (x low, y high, signed 16 bits each), a key code or a timer handle.
    std::uint32_t first = 0;
    // Modifiers (low 8 bits) and the wheel delta (high 16 bits), or the sender's handle.
    std::uint32_t second = 0;

    CWindowMessage() = default;
    // Codes longer than 8 characters are cut.
    CWindowMessage(const char* text, std::uint32_t messageFlags = 0, std::uint32_t firstParameter = 0,
                   std::uint32_t secondParameter = 0)
        : flags(messageFlags), first(firstParameter), second(secondParameter)
    {
        SetCode(text);
    }

    void SetCode(const char* text)
    {
        std::memset(code, 0, sizeof(code));
        for (int i = 0; i < 8 && text[i] != '\0'; ++i)
        {
            code[i] = text[i];
        }
    }
    // Compares over all 8 bytes with text zero-padded.
    bool Is(const char* text) const
    {
        char padded[8] = {};
        for (int i = 0; i < 8 && text[i] != '\0'; ++i)
        {
            padded[i] = text[i];
        }
        return std::memcmp(code, padded, sizeof(code)) == 0;
    }

    bool IsPositional() const { return (flags & Positional) != 0; }
    bool IsInput() const { return (flags & Input) != 0; }

    std::int16_t GetX() const { return static_cast<std::int16_t>(first & 0xFFFF); }
    std::int16_t GetY() const { return static_cast<std::int16_t>(first >> 16); }
    std::uint8_t GetModifiers() const { return static_cast<std::uint8_t>(second & 0xFF); }
    std::int16_t GetWheelDelta() const { return static_cast<std::int16_t>(second >> 16); }

    static std::uint32_t PackPoint(std::int32_t x, std::int32_t y)
    {
        return (static_cast<std::uint32_t>(static_cast<std::uint16_t>(x))) |
               (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16);
    }
};

} // namespace UILib
