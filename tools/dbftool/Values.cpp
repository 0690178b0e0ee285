#include "Values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "engine/Bytes.h"
#include "engine/Date.h"
#include "engine/DbfHeader.h"
#include "engine/Errors.h"
#include "engine/Memo.h"
#include "engine/NumberText.h"
#include "engine/Strings.h"
#include "platform/CodePage.h"

namespace dbftool {

using namespace talvern;

std::string Decode(const std::string& bytes, Decoding decoding) {
  switch (decoding) {
    case Decoding::kOem: return platform::OemToUtf8(bytes);
    case Decoding::kAnsi: return platform::AnsiToUtf8(bytes);
    default: return bytes;
  }
}

std::string CommandLineText(const std::string& utf8, const std::string& what, bool ansi) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    char32_t c = extra <= 0 ? b : (b & (0x3F >> extra));
    bool ok = extra >= 0 && i + extra < utf8.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto n = static_cast<unsigned char>(utf8[i + k]);
      ok = (n & 0xC0) == 0x80;
      c = (c << 6) | (n & 0x3F);
    }
    // Overlong forms and surrogates are no UTF-8 either.
    static const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (ok && extra > 0) ok = c >= least[extra] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
    if (!ok) throw std::runtime_error(what + " is not valid UTF-8 (byte " + std::to_string(i + 1) + ")");
    const std::uint8_t byte = ansi ? platform::UnicodeToAnsi(c) : platform::UnicodeToOem(c);
    if (byte == '?' && c != '?') {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
      throw std::runtime_error(what + " holds a character that code page " + (ansi ? "1251" : "866") +
                               " does not have (" + code + ")");
    }
    out += static_cast<char>(byte);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

namespace {

std::string MemoValue(VXO_dBaseFld& table, int n, Decoding decoding, bool text) {
  VXobjMemo* memo = table.MemoObject(n);
  if (!memo) return "";
  long double number = table.NumberGet(n);
  if (!(number >= 0 && number <= INT32_MAX)) Raise("Memo record is bad in %s", {memo->FileName()});
  std::string bytes = memo->ReadMemoText(static_cast<std::int32_t>(number));
  if (decoding == Decoding::kRaw) return bytes;
  if (!text) {
    if (bytes.empty()) return "";
    char label[48];
    std::snprintf(label, sizeof label, "<%zu bytes>", bytes.size());
    return label;
  }
  return Decode(bytes, decoding);
}

std::string Shortest(double value) {
  char buffer[64];
  auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

std::string DateTime(long double ms) {
  if (ms == 0) return "";
  long double days = std::floor(ms / 86400000.0L);
  long long rest = static_cast<long long>(ms - days * 86400000.0L);
  int y, m, d;
  DBFDate().DayToYMD(static_cast<std::int32_t>(days + 1721425), y, m, d);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02lld:%02lld:%02lld", y, m, d, rest / 3600000,
                rest / 60000 % 60, rest / 1000 % 60);
  std::string out = buffer;
  if (rest % 1000) {
    std::snprintf(buffer, sizeof buffer, ".%03lld", rest % 1000);
    out += buffer;
  }
  return out;
}

}  // namespace

std::string FieldValue(VXO_dBaseFld& table, int n, Decoding decoding) {
  const char type = table.FieldType(n);
  const bool vfp = table.Version() == dbf::kVersionVfp;
  const int length = table.FieldLength(n);
  if (decoding == Decoding::kRaw) {
    if (type == 'M' || type == 'G' || (type == 'B' && !vfp)) return MemoValue(table, n, decoding, true);
    return table.RawGet(n);
  }
  switch (type) {
    case 'N':
    case 'F':
      return std::string(Trim(table.RawGet(n)));
    case 'D': {
      std::string raw = table.RawGet(n);
      auto day = DBFDate().TryStorageToDay(raw);
      if (!day) return Decode(std::string(TrimRight(raw)), decoding);
      if (*day == 0) return "";
      int y, m, d;
      DBFDate().DayToYMD(*day, y, m, d);
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", y, m, d);
      return buffer;
    }
    case 'L': {
      std::string raw(Trim(table.RawGet(n)));
      if (raw.size() == 1 && std::string_view("TtYyJj").find(raw) != std::string_view::npos) return "T";
      if (raw.size() == 1 && std::string_view("FfNn").find(raw) != std::string_view::npos) return "F";
      return "";
    }
    case 'M':
      return MemoValue(table, n, decoding, true);
    case 'G':
      return MemoValue(table, n, decoding, false);
    case 'B':
      if (vfp) return Shortest(static_cast<double>(table.NumberGet(n)));
      return MemoValue(table, n, decoding, false);
    case 'I':
      if (vfp && length == 4) return std::to_string(static_cast<long long>(table.NumberGet(n)));
      break;
    case 'Y':
      if (vfp && length == 8) return FormatFixed(static_cast<double>(table.NumberGet(n)), 4);
      break;
    case 'T':
      if (vfp && length == 8) return DateTime(table.NumberGet(n));
      break;
    default:
      break;
  }
  return Decode(std::string(TrimRight(table.RawGet(n))), decoding);
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

const char* VersionName(unsigned version) {
  switch (version) {
    case 0x03: return "dBASE III without memo";
    case 0x04: return "dBASE IV without memo";
    case 0x30: return "Visual FoxPro";
    case 0x83: return "dBASE III with memo";
    case 0x8B: return "dBASE IV with memo";
    case 0xF5: return "FoxPro with memo";
    default: return "unknown";
  }
}

}  // namespace dbftool
