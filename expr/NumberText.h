#pragma once
// Numbers as text in the expression language: reading numeric literals and
// VAL's argument, and writing numbers with a fixed number of decimals. Values
// are rounded as their shortest decimal form reads, half away from zero, so
// that 2.675 with two decimals is 2.68, as a person reading the number expects.

#include <string>
#include <string_view>

namespace talvern {

// A literal as the tokenizer gives it: optional sign, digits and one period
// ("-1.50", "7", "+3."). False when the text is no such number.
bool ParseNumberLiteral(std::string_view text, double& value);

// VAL's reading: blanks around, optional sign, digits with "." or "," as the
// decimal separator, optional exponent. False when the text is no number.
bool ParseNumberText(std::string_view text, double& value);

// Appends x with exactly `decimals` digits after a period (none when
// decimals <= 0).
void AppendFixed(std::string& out, double x, int decimals);

// x rounded half away from zero to `places` decimal places (negative places
// round to tens, hundreds, ...).
double RoundDecimal(double x, int places);

// Appends the shortest decimal text that reads back as x.
void AppendShortest(std::string& out, double x);

}  // namespace talvern
