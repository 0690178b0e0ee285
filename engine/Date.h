#pragma once
// TvxDBFDate: the calendar of the field layer. A date is held as its Julian
// day number (0 = empty date); tables store it as "yyyymmdd" (8 spaces when
// empty) and the program shows it in the locale's short date format with a
// four-digit year.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talvern {

class TvxDBFDate {
public:
  TvxDBFDate();

  // Julian day number of 30 December 1899, the day of an invalid stored date.
  std::int32_t Offset() const { return offset_; }
  bool Century() const { return century_; }

  void DayToYMD(std::int32_t day, int& year, int& month, int& dayOfMonth) const;
  static std::int32_t YMDToDay(int year, int month, int dayOfMonth);
  std::int32_t Today() const;
  // 1 Sunday ... 7 Saturday; 0 for an empty date.
  int DayOfWeek(std::int32_t day) const;
  // "yyyymmdd" for day > 0, else 8 spaces.
  std::string DayToStorage(std::int32_t day) const;
  // The locale's short date format, upper case, year widened to YYYY; spaces
  // of the format's length for day <= 0.
  std::string DayToDisplay(std::int32_t day) const;
  std::string DisplayFormat() const;
  // Empty or "00000000" give 0; eight digits give that date (30 December
  // 1899 when they are no calendar date); other text is read in the locale's
  // short date format. Raises "'%s' is not a valid date" when it is not.
  std::int32_t StorageToDay(std::string_view text) const;
  std::optional<std::int32_t> TryStorageToDay(std::string_view text) const;

private:
  std::int32_t offset_;
  bool century_ = true;
};

// The process-wide date helper.
TvxDBFDate& DBFDate();

}  // namespace talvern
