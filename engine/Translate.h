#pragma once
// The OEM/ANSI translation tables used when a dataset's TranslateASCII is
// on: two 256-byte tables built once from the platform's 1251 <-> 866
// conversions, so that every byte has exactly one partner and text survives
// the way there and back:
//   1. codes 0-32 map to themselves;
//   2. an ANSI code keeps the OEM code the system gives it only when the
//      system converts that back to it and both are 33 or more;
//   3. of several codes with the same OEM code only the lowest keeps it;
//   4. a code still without partner maps to itself when no other code has
//      taken it;
//   5. the rest get the lowest free codes from 33 upward;
//   6. OEM -> ANSI is the inverse (a code nobody maps to stays itself).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace talvern {

struct TranslationTables {
  std::array<std::uint8_t, 256> ansiToOem;
  std::array<std::uint8_t, 256> oemToAnsi;
};

// The process-wide tables, built on first use.
const TranslationTables& Translation();

std::string AnsiToOem(std::string_view text);
std::string OemToAnsi(std::string_view text);
void AnsiToOemInPlace(std::uint8_t* text, std::size_t count);
void OemToAnsiInPlace(std::uint8_t* text, std::size_t count);

}  // namespace talvern
