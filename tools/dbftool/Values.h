#pragma once
// Field values of the current record as dbftool prints them.

#include <string>

#include "engine/Fields.h"

namespace dbftool {

enum class Decoding { kOem, kAnsi, kRaw };

// Text in UTF-8 from stored bytes (866 or 1251), or the bytes as they are.
std::string Decode(const std::string& bytes, Decoding decoding);

// The value of field n of the current record: text without trailing blanks,
// numbers trimmed, dates as yyyy-mm-dd, logicals as T, F or empty, memo
// texts in full, binary memos as "<N bytes>", Visual FoxPro binary fields
// by value. With kRaw the stored bytes of the field (and of its memo).
std::string FieldValue(talvern::VXO_dBaseFld& table, int n, Decoding decoding);

// One CSV cell: quoted when it holds a comma, quote, CR or LF.
std::string CsvCell(const std::string& text);

// Text given on the command line in UTF-8 (an expression, a tag name), in
// code page 866 or, with ansi, 1251. Bytes that are not UTF-8 and
// characters the code page does not have are refused (what names the
// argument in the message) instead of becoming '?'.
std::string CommandLineText(const std::string& utf8, const std::string& what, bool ansi = false);

// "dBASE III with memo" etc. for a version byte.
const char* VersionName(unsigned version);

}  // namespace dbftool
