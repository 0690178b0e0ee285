#pragma once
// The few locale and calendar services the expression engine takes from the
// rest of the program: case mapping and collation of display text (code page
// 1251), the OEM/display translation of single bytes, and the date helper's
// conversions. Everything in expr/ reaches them through here.

#include <cstdint>
#include <string>
#include <string_view>

namespace talvern::bridge {

unsigned char UpperDisplay(unsigned char c);
unsigned char LowerDisplay(unsigned char c);
// The locale's case-sensitive collation of two display texts: <0, 0 or >0.
int CollateDisplay(std::string_view a, std::string_view b);

unsigned char OemToDisplay(unsigned char c);
unsigned char DisplayToOem(unsigned char c);

// Day numbers are Julian day numbers; 0 is the empty date.
std::int32_t StorageToDay(std::string_view text);
std::string DayToStorage(std::int32_t day);
std::string DayToDisplay(std::int32_t day);
int DayOfWeek(std::int32_t day);
std::int32_t Today();

}  // namespace talvern::bridge
