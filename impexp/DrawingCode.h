#pragma once
// Drawing codes: the key of a drawing record (PICS.DBF PIC) and the pieces of
// a device's PIC text. A code is three base-62 digits, most significant
// first: "0"-"9" are 0-9, "A"-"Z" 10-35, "a"-"z" 36-61. In byte order the
// codes sort as their values do, so the last code of the PIC tag is the
// highest.

#include <cstdint>
#include <string>
#include <string_view>

namespace talvern::impexp {

inline constexpr int kDrawingCodeLength = 3;
inline constexpr int kDrawingCodeBase = 62;
// Values 0 to kDrawingCodeSpace - 1: "000" to "zzz".
inline constexpr std::int32_t kDrawingCodeSpace = kDrawingCodeBase * kDrawingCodeBase * kDrawingCodeBase;
// A device's PIC holds up to three codes one after another; only its first
// nine characters count.
inline constexpr int kMaxDeviceDrawings = 3;
inline constexpr int kDevicePicLength = kMaxDeviceDrawings * kDrawingCodeLength;

// The value of a code (as many digits as it has, at most three). Raises
// "Ошибка в значении ключа Pics.PIC=" + code for any other character, and
// for a code longer than three.
std::int32_t DecodeDrawingCode(std::string_view code);
// Exactly three digits; value must be in [0, kDrawingCodeSpace).
std::string EncodeDrawingCode(std::int32_t value);
// Whether a text is exactly three base-62 digits.
bool IsDrawingCode(std::string_view code);

// Code i (0, 1 or 2) of a device's PIC text: the characters from 3i on, at
// most three; empty past the end of the text.
std::string_view DeviceDrawingCode(std::string_view pic, int i);

}  // namespace talvern::impexp
