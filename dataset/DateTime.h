#pragma once
// Dates and times as the dataset hands them out: a TDateTime is the number of
// days since 30.12.1899, with the time of day as the fraction. Text forms use
// the program's short date format dd.MM.yyyy and the time hh:mm:ss.

#include <string>
#include <string_view>

namespace talvern {

using TDateTime = double;

// Day 0 of TDateTime counted from 1.1.0001 (proleptic Gregorian calendar).
inline constexpr int kDateDelta = 693594;

// False for impossible dates (month 13, 30 February) and years outside 1..9999.
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int minute, int second, TDateTime& time);
// Breaks a TDateTime into its parts; false when it lies outside years 1..9999.
bool DecodeDate(TDateTime date, int& year, int& month, int& day);
void DecodeTime(TDateTime date, int& hour, int& minute, int& second);

// "dd.MM.yyyy"; DateTimeToText adds " hh:mm:ss" unless the time is midnight.
std::string DateToText(TDateTime date);
std::string DateTimeToText(TDateTime date);
// Reads "d.M.yyyy" and, when withTime, an optional " h:m[:s]".
bool TryTextToDateTime(std::string_view text, TDateTime& date, bool withTime);

}  // namespace talvern
