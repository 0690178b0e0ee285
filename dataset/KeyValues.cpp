#include "dataset/KeyValues.h"

#include <cctype>
#include <cstdio>

#include "dataset/DateTime.h"
#include "dataset/RecordPointer.h"
#include "engine/Date.h"
#include "engine/Strings.h"
#include "expr/Handler.h"
#include "expr/NumberText.h"

namespace talvern {

namespace {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The closing delimiter of a text or date literal opened by c; 0 for none.
char ClosingDelimiter(char c) {
  switch (c) {
    case '"': return '"';
    case '\'': return '\'';
    case '[': return ']';
    case '{': return '}';
    default: return 0;
  }
}

std::string DateText(double date) {
  int year = 0, month = 0, day = 0;
  if (!DecodeDate(date, year, month, day)) return std::string(8, ' ');
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
  return text;
}

}  // namespace

std::optional<std::string> FieldValueText(const FieldValue& value, char dbfType) {
  if (auto text = std::get_if<std::string>(&value)) return *text;
  if (auto n = std::get_if<std::int64_t>(&value)) return std::to_string(*n);
  if (auto b = std::get_if<bool>(&value)) return std::string(*b ? "T" : "F");
  if (auto d = std::get_if<double>(&value)) return dbfType == 'D' ? DateText(*d) : FloatToText(*d);
  return std::nullopt;
}

TvxValueList ValueTexts(VXO_dBaseFld& table, const std::vector<std::string>& names,
                        const std::vector<FieldValue>& values) {
  TvxValueList texts;
  texts.reserve(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    char type = 0;
    if (i < names.size()) {
      std::int32_t n = table.FieldNumber(names[i]);
      if (n > 0) type = table.FieldType(n);
    }
    texts.push_back(FieldValueText(values[i], type));
  }
  return texts;
}

std::vector<std::string> ExpressionFields(VXO_dBaseFld& table, std::string_view expression) {
  std::vector<std::string> fields;
  std::size_t i = 0;
  while (i < expression.size()) {
    char c = expression[i];
    if (char close = ClosingDelimiter(c)) {
      std::size_t end = expression.find(close, i + 1);
      i = end == std::string_view::npos ? expression.size() : end + 1;
      continue;
    }
    if (!IsNameStart(c)) {
      // A number ("1E5") is passed over whole, so that its letters are no name.
      if (std::isdigit(static_cast<unsigned char>(c))) {
        while (i < expression.size() && (IsNameChar(expression[i]) || expression[i] == '.')) ++i;
      } else {
        ++i;
      }
      continue;
    }
    std::size_t start = i;
    while (i < expression.size() && IsNameChar(expression[i])) ++i;
    std::string_view name = expression.substr(start, i - start);
    std::size_t next = i;
    while (next < expression.size() && expression[next] == ' ') ++next;
    bool call = next < expression.size() && expression[next] == '(';
    bool qualifier = expression.substr(next, 2) == "->";
    bool dotted = start > 0 && expression[start - 1] == '.' && i < expression.size() && expression[i] == '.';
    if (call || qualifier || dotted) continue;
    std::int32_t number = table.FieldNumber(std::string(name));
    if (number == 0) continue;
    std::string field = table.FieldName(number);
    bool known = false;
    for (const std::string& f : fields) known = known || f == field;
    if (!known) fields.push_back(std::move(field));
  }
  return fields;
}

std::string KeyOfValues(VXO_dBHandler& table, const std::vector<std::string>& fields, const TvxValueList& values,
                        const std::string& keyExpression) {
  TvxExpHandler key(table.ExpressionLink(), keyExpression);
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(table.RecordLength()) + 1);
  const std::size_t count = std::min(fields.size(), values.size());
  {
    // PutValues leaves the table's own buffer current; whatever was current
    // before is put back.
    RecordPointer keep(table, table.CurrentRecord());
    if (count > 0) {
      std::string list;
      for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) list += ';';
        list += fields[i];
      }
      table.PutValues(scratch.data(), list, TvxValueList(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(count)));
    } else {
      RecordPointer blank(table, scratch.data());
      table.BlankRecord();
    }
  }
  RecordPointer onScratch(table, scratch.data());
  ExprValue value;
  key.Evaluate(value);
  switch (key.ResultKind()) {
    case ValueKind::Text:
    case ValueKind::Memo:
      return std::string(value.AsTextView());
    case ValueKind::Date: {
      double day = value.AsNumber();
      return DBFDate().DayToStorage(day > 0 && day < 2147483647.0 ? static_cast<std::int32_t>(day) : 0);
    }
    case ValueKind::Boolean:
      return value.AsBoolean() ? "T" : "F";
    case ValueKind::Number:
    case ValueKind::Integer:
    case ValueKind::DateTime: {
      std::string text;
      AppendShortest(text, value.AsNumber());
      return text;
    }
    default:
      return {};
  }
}

std::vector<std::string> SplitFieldNames(std::string_view list) {
  std::vector<std::string> names;
  while (true) {
    std::size_t end = list.find(';');
    std::string_view name = Trim(list.substr(0, end));
    if (!name.empty()) names.emplace_back(name);
    if (end == std::string_view::npos) break;
    list.remove_prefix(end + 1);
  }
  return names;
}

}  // namespace talvern
