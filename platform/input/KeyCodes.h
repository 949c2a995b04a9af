#pragma once

#include <cstdint>

// The keyboard device's key codes: the positions of the keys (scan-code set 1, extended keys + 0x80),
// the same whatever the layout. A keyboard state is 256 bytes indexed by these codes, bit 7 = down.
namespace Platform::Input
{

using KeyCode = std::uint8_t;

constexpr KeyCode KeyEscape = 0x01;
constexpr KeyCode Key1 = 0x02; // through Key9 = 0x0A
constexpr KeyCode Key2 = 0x03;
constexpr KeyCode Key3 = 0x04;
constexpr KeyCode Key4 = 0x05;
constexpr KeyCode Key5 = 0x06;
constexpr KeyCode Key6 = 0x07;
constexpr KeyCode Key7 = 0x08;
constexpr KeyCode Key8 = 0x09;
constexpr KeyCode Key9 = 0x0A;
constexpr KeyCode Key0 = 0x0B;
constexpr KeyCode KeyMinus = 0x0C;
constexpr KeyCode KeyEquals = 0x0D;
constexpr KeyCode KeyBackspace = 0x0E;
constexpr KeyCode KeyTab = 0x0F;
constexpr KeyCode KeyQ = 0x10;
constexpr KeyCode KeyW = 0x11;
constexpr KeyCode KeyE = 0x12;
constexpr KeyCode KeyR = 0x13;
constexpr KeyCode KeyT = 0x14;
constexpr KeyCode KeyY = 0x15;
constexpr KeyCode KeyU = 0x16;
constexpr KeyCode KeyI = 0x17;
constexpr KeyCode KeyO = 0x18;
constexpr KeyCode KeyP = 0x19;
constexpr KeyCode KeyLeftBracket = 0x1A;
constexpr KeyCode KeyRightBracket = 0x1B;
constexpr KeyCode KeyReturn = 0x1C;
constexpr KeyCode KeyLeftControl = 0x1D;
constexpr KeyCode KeyA = 0x1E;
constexpr KeyCode KeyS = 0x1F;
constexpr KeyCode KeyD = 0x20;
constexpr KeyCode KeyF = 0x21;
constexpr KeyCode KeyG = 0x22;
constexpr KeyCode KeyH = 0x23;
constexpr KeyCode KeyJ = 0x24;
constexpr KeyCode KeyK = 0x25;
constexpr KeyCode KeyL = 0x26;
constexpr KeyCode KeySemicolon = 0x27;
constexpr KeyCode KeyApostrophe = 0x28;
constexpr KeyCode KeyGrave = 0x29;
constexpr KeyCode KeyLeftShift = 0x2A;
constexpr KeyCode KeyBackslash = 0x2B;
constexpr KeyCode KeyZ = 0x2C;
constexpr KeyCode KeyX = 0x2D;
constexpr KeyCode KeyC = 0x2E;
constexpr KeyCode KeyV = 0x2F;
constexpr KeyCode KeyB = 0x30;
constexpr KeyCode KeyN = 0x31;
constexpr KeyCode KeyM = 0x32;
constexpr KeyCode KeyComma = 0x33;
constexpr KeyCode KeyPeriod = 0x34;
constexpr KeyCode KeySlash = 0x35;
constexpr KeyCode KeyRightShift = 0x36;
constexpr KeyCode KeyNumpadStar = 0x37;
constexpr KeyCode KeyLeftAlt = 0x38;
constexpr KeyCode KeySpace = 0x39;
constexpr KeyCode KeyCapsLock = 0x3A;
constexpr KeyCode KeyF1 = 0x3B; // through KeyF10 = 0x44
constexpr KeyCode KeyF2 = 0x3C;
constexpr KeyCode KeyF3 = 0x3D;
constexpr KeyCode KeyF4 = 0x3E;
constexpr KeyCode KeyF5 = 0x3F;
constexpr KeyCode KeyF6 = 0x40;
constexpr KeyCode KeyF7 = 0x41;
constexpr KeyCode KeyF8 = 0x42;
constexpr KeyCode KeyF9 = 0x43;
constexpr KeyCode KeyF10 = 0x44;
constexpr KeyCode KeyNumLock = 0x45;
constexpr KeyCode KeyScrollLock = 0x46;
constexpr KeyCode KeyNumpad7 = 0x47;
constexpr KeyCode KeyNumpad8 = 0x48;
constexpr KeyCode KeyNumpad9 = 0x49;
constexpr KeyCode KeyNumpadMinus = 0x4A;
constexpr KeyCode KeyNumpad4 = 0x4B;
constexpr KeyCode KeyNumpad5 = 0x4C;
constexpr KeyCode KeyNumpad6 = 0x4D;
constexpr KeyCode KeyNumpadPlus = 0x4E;
constexpr KeyCode KeyNumpad1 = 0x4F;
constexpr KeyCode KeyNumpad2 = 0x50;
constexpr KeyCode KeyNumpad3 = 0x51;
constexpr KeyCode KeyNumpad0 = 0x52;
constexpr KeyCode KeyNumpadPeriod = 0x53;
constexpr KeyCode KeyF11 = 0x57;
constexpr KeyCode KeyF12 = 0x58;
constexpr KeyCode KeyF13 = 0x64;
constexpr KeyCode KeyF14 = 0x65;
constexpr KeyCode KeyF15 = 0x66;
constexpr KeyCode KeyNumpadEnter = 0x9C;
constexpr KeyCode KeyRightControl = 0x9D;
constexpr KeyCode KeyNumpadSlash = 0xB5;
constexpr KeyCode KeyPrintScreen = 0xB7; // SysRq
constexpr KeyCode KeyRightAlt = 0xB8;    // also when the layout makes it AltGr
constexpr KeyCode KeyPause = 0xC5;
constexpr KeyCode KeyHome = 0xC7;
constexpr KeyCode KeyUp = 0xC8;
constexpr KeyCode KeyPageUp = 0xC9;
constexpr KeyCode KeyLeft = 0xCB;
constexpr KeyCode KeyRight = 0xCD;
constexpr KeyCode KeyEnd = 0xCF;
constexpr KeyCode KeyDown = 0xD0;
constexpr KeyCode KeyPageDown = 0xD1;
constexpr KeyCode KeyInsert = 0xD2;
constexpr KeyCode KeyDelete = 0xD3;
constexpr KeyCode KeyLeftWin = 0xDB;
constexpr KeyCode KeyRightWin = 0xDC;
constexpr KeyCode KeyApps = 0xDD;

} // namespace Platform::Input
