// VXO_dBHandler: finding records by field values (Locate) and building a
// tag's key from values (KeyFromValues).
#include <algorithm>

#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Strings.h"
#include "handler/TableHandler.h"
#include "engine/Translate.h"
#include "expr/Handler.h"
#include "expr/NumberText.h"
#include "expr/Registry.h"
#include "index/IndexFile.h"
#include "index/IndexTag.h"

namespace talvern {

namespace {

std::vector<std::string> SplitNames(std::string_view list) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string_view::npos) end = list.size();
    std::string name(Trim(list.substr(start, end - start)));
    if (!name.empty()) names.push_back(std::move(name));
    start = end + 1;
  }
  return names;
}

std::string JoinNames(const std::vector<std::string>& names, std::size_t count) {
  std::string list;
  for (std::size_t i = 0; i < count && i < names.size(); ++i) {
    if (i) list += ';';
    list += names[i];
  }
  return list;
}

// A located field list as tags are compared with it: upper case, without
// blanks, ";" at the end.
std::string LocateList(const std::string& fields) {
  std::string list;
  for (char c : UpperCase(fields))
    if (c != ' ') list += c;
  return list + ";";
}

// A tag's key field list in the same form, cut to n characters.
std::string TagList(const VXobjIndexTag& tag, std::size_t n) {
  std::string list;
  for (char c : UpperCase(tag.KeyFieldList())) {
    if (c == ' ') continue;
    list += (c == '+' || c == '-') ? ';' : c;
  }
  return list.substr(0, n);
}

}  // namespace

std::string VXO_dBHandler::KeyText(TvxExpHandler& key) {
  ExprValue value;
  key.Evaluate(value);
  switch (key.ResultKind()) {
    case ValueKind::Text:
    case ValueKind::Memo: return std::string(value.AsTextView());
    case ValueKind::Date: {
      double day = value.AsNumber();
      return DBFDate().DayToStorage(day > 0 && day < 2147483647.0 ? static_cast<std::int32_t>(day) : 0);
    }
    case ValueKind::Boolean: return value.AsBoolean() ? "T" : "F";
    case ValueKind::Number:
    case ValueKind::Integer:
    case ValueKind::DateTime: {
      std::string text;
      AppendShortest(text, value.AsNumber());
      return text;
    }
    default: return {};
  }
}

std::string VXO_dBHandler::KeyFromValues(const TvxValueList& values, const std::string& keyExpression) {
  TvxExpHandler key(ExpressionLink(), keyExpression);
  std::vector<std::string> fields = SplitNames(key.FieldList(kOwnerTableField));
  const std::size_t count = std::min(fields.size(), values.size());
  std::vector<std::uint8_t> scratch(static_cast<std::size_t>(recordLength_) + 1);
  if (count > 0) {
    PutValues(scratch.data(), JoinNames(fields, count), TvxValueList(values.begin(), values.begin() + count));
  } else {
    SetCurrentRecord(scratch.data());
    BlankRecord();
    SetCurrentRecord(nullptr);
  }
  std::uint8_t* own = currentRecord_;
  SetCurrentRecord(scratch.data());
  try {
    std::string text = KeyText(key);
    currentRecord_ = own;
    return text;
  } catch (...) {
    currentRecord_ = own;
    throw;
  }
}

bool VXO_dBHandler::Locate(const std::string& fields, const TvxValueList& values, std::int32_t startRecord,
                           bool partial, bool caseInsensitive) {
  ReadRecord(RecTop);
  if (bof_) return false;
  std::vector<std::uint8_t> wantedRecord(static_cast<std::size_t>(recordLength_) + 1);
  PutValues(wantedRecord.data(), fields, values);

  // A tag whose key is made of exactly these fields finds the record at once.
  VXobjIndexTag* usable = nullptr;
  if (!currentTag_ || !currentTag_->RangeActive()) {
    const std::string located = LocateList(fields);
    auto fits = [&](VXobjIndexTag* tag) {
      return tag && (tag == currentTag_ || Trim(tag->ForExpr).empty()) && TagList(*tag, located.size()) == located;
    };
    if (fits(currentTag_)) usable = currentTag_;
    for (int n = 1; !usable && TagByOrder(n); ++n)
      if (fits(TagByOrder(n))) usable = TagByOrder(n);
  }

  VXobjIndexTag* tag = currentTag_;
  const bool readAhead = readAhead_;
  const bool exact = exactKey_, soft = softSeek_;
  auto restore = [&] {
    currentTag_ = tag;
    exactKey_ = exact;
    softSeek_ = soft;
    SetReadAhead(readAhead);
  };
  bool found = false;
  try {
    if (usable && startRecord <= 0) {
      if (!usable->KeyHandler) usable->KeyExprCompile();
      std::uint8_t* own = currentRecord_;
      SetCurrentRecord(wantedRecord.data());
      std::string key;
      try {
        key = usable->KeyHandler ? KeyText(*usable->KeyHandler) : std::string();
      } catch (...) {
        currentRecord_ = own;
        throw;
      }
      currentRecord_ = own;
      currentTag_ = usable;
      exactKey_ = !partial;
      softSeek_ = false;
      found = FindKey(key);
    } else {
      if (!tag || !tag->RangeActive()) {
        currentTag_ = nullptr;
        SetReadAhead(true);
      }
      // The wanted display texts, from the value record.
      std::vector<std::string> names = SplitNames(fields);
      std::vector<std::int32_t> numbers;
      std::vector<std::string> wanted;
      auto shown = [&](std::int32_t field) {
        std::string text = TextGet(field);
        if (!caseInsensitive) return text;
        return translate_ ? AnsiToOem(UpperCase(OemToAnsi(text))) : UpperCase(text);
      };
      SetCurrentRecord(wantedRecord.data());
      try {
        for (const auto& name : names) {
          numbers.push_back(NumberOfName(name));
          wanted.push_back(shown(numbers.back()));
        }
      } catch (...) {
        SetCurrentRecord(nullptr);
        throw;
      }
      SetCurrentRecord(nullptr);
      if (startRecord > 0) {
        ReadRecord(startRecord);
        ReadRecord(RecNext);
      } else {
        ReadRecord(RecTop);
      }
      for (; !eof_ && !bof_ && !found; ReadRecord(RecNext)) {
        found = true;
        for (std::size_t i = 0; i < numbers.size() && found; ++i) {
          std::string text = shown(numbers[i]);
          if (partial && i + 1 == numbers.size()) text = text.substr(0, wanted[i].size());
          found = text == wanted[i];
        }
        if (found) break;
      }
    }
  } catch (...) {
    restore();
    throw;
  }
  const std::int32_t at = currentRecordNo_;
  restore();
  if (found) ReadRecord(at);
  return found;
}

}  // namespace talvern
