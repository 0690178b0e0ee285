#include "engine/Fields.h"

#include <cmath>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/DbfHeader.h"
#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Memo.h"
#include "engine/NumberText.h"
#include "engine/Strings.h"
#include "engine/Translate.h"

namespace talvern {

using namespace dbf;

namespace {
const TvxExpressionLinkMaker* gLinkMaker = nullptr;
}  // namespace

void SetExpressionLinkMaker(const TvxExpressionLinkMaker* maker) { gLinkMaker = maker; }
const TvxExpressionLinkMaker* ExpressionLinkMaker() { return gLinkMaker; }

VXO_dBaseFld::VXO_dBaseFld(const std::string& fileName, bool shared, bool readWrite,
                           const std::string& password)
    : VXO_dBaseDBF(fileName, shared, readWrite, password) {
  std::int32_t offset = 1;
  std::int64_t sum = 1;
  for (std::int32_t i = 1; i <= fieldCount_; ++i) sum += DescriptorLength(Descriptor(i));
  if (enciphered_ && sum != recordLength_)
    Raise<ETalvernEncryption>("Invalid password for file %s", {fileName_});
  for (std::int32_t i = 1; i <= fieldCount_; ++i) {
    std::uint8_t* d = descriptors_.data() + static_cast<std::size_t>(i - 1) * kDescriptorSize;
    std::size_t nameLength = 0;
    while (nameLength < static_cast<std::size_t>(kFieldNameSize) && d[nameLength] != 0) ++nameLength;
    std::string name(reinterpret_cast<const char*>(d), nameLength);
    std::int32_t length = DescriptorLength(d);
    auto entry = std::make_unique<TvxDBFFields>(this, name, length, DescriptorDecimals(d),
                                                static_cast<char>(d[kFieldTypeOffset]), i, offset);
    fields_.emplace_back(name, std::move(entry));
    PutLE32(d + kFieldOffsetOffset, static_cast<std::uint32_t>(offset));
    PutLE16(d + kFieldNumberOffset, static_cast<std::uint32_t>(i));
    offset += length;
  }
  RegisterExpressionLink();
  ClearChanged();
}

VXO_dBaseFld::~VXO_dBaseFld() = default;

// The table's expression link: the table functions and a variable for each
// field, with the table's translate flag.
void VXO_dBaseFld::RegisterExpressionLink() {
  const TvxExpressionLinkMaker* maker = ExpressionLinkMaker();
  if (!maker) return;
  expressionLink_ = TvxExpressionLinkPtr(maker->Make(*this), TvxExpressionLinkFree{maker});
  if (expressionLink_) maker->SetTranslate(*expressionLink_, translate_);
}

void VXO_dBaseFld::SetTranslate(bool on) {
  translate_ = on;
  if (expressionLink_) expressionLink_.get_deleter().maker->SetTranslate(*expressionLink_, on);
}

const TvxDBFFields* VXO_dBaseFld::Field(std::int32_t field) {
  if (field < 1 || field > fieldCount_) return nullptr;
  currentDescriptor_ = Descriptor(field);
  return fields_[static_cast<std::size_t>(field - 1)].second.get();
}

std::int32_t VXO_dBaseFld::FieldNumber(const std::string& name) const {
  std::string_view wanted = TrimRight(name);
  if (wanted.size() > 10) return 0;
  for (std::int32_t i = 0; i < fieldCount_; ++i)
    if (CompareText(fields_[static_cast<std::size_t>(i)].first, wanted) == 0) return i + 1;
  return 0;
}

std::int32_t VXO_dBaseFld::NumberOfName(const std::string& name) const {
  std::int32_t n = FieldNumber(name);
  if (n == 0) Raise("There is no field name %s", {fileName_ + "->" + name});
  return n;
}

const std::uint8_t* VXO_dBaseFld::FieldDescriptor(const std::string& name) {
  std::int32_t n = NumberOfName(name);
  Field(n);
  return currentDescriptor_;
}

const std::uint8_t* VXO_dBaseFld::CheckedField(const std::string& name, char wanted) {
  std::int32_t n = NumberOfName(name);
  char type = Field(n)->Type();
  bool ok = type == wanted;
  if (wanted == 'G') ok = ok || type == 'B' || type == 'M';
  if (wanted == 'N') ok = ok || type == 'B' || type == 'F' || type == 'G' || type == 'I' || type == 'M';
  if (!ok) Raise("Field %s is the incorrect type", {name});
  return currentDescriptor_;
}

// Version 0x30 keeps B, I, T and Y in binary form, and memo block numbers
// of 4-byte M and G fields as int32. FoxPro-compatible programs write such
// 4-byte memo fields into 0xF5 tables too; read as text they would show no
// memo at all.
bool VXO_dBaseFld::IsBinary(const TvxDBFFields& f) const {
  switch (f.Type()) {
    case 'B': case 'I': case 'T': case 'Y': return version_ == kVersionVfp;
    case 'G': case 'M': return f.Length() == 4 && (version_ == kVersionVfp || version_ == kVersionFoxMemo);
    default: return false;
  }
}

bool VXO_dBaseFld::IsMemoField(const TvxDBFFields& f) const {
  // In version 0x30 a B field holds a double, not a memo.
  return f.Type() == 'M' || f.Type() == 'G' || (f.Type() == 'B' && version_ != kVersionVfp);
}

void VXO_dBaseFld::MarkChanged(const TvxDBFFields& f) {
  changed_[static_cast<std::size_t>(f.Number())] = 1;
  recordModified_ = true;
}

std::string VXO_dBaseFld::ValueContext(const TvxDBFFields& f, const std::string& text) const {
  return BaseName(fileName_) + "->" + f.Name() + " (" + text + ")";
}

std::int32_t VXO_dBaseFld::FieldDecimals(std::int32_t field) {
  const auto* f = Field(field);
  return f ? f->Decimals() : 0;
}
std::int32_t VXO_dBaseFld::FieldLength(std::int32_t field) {
  const auto* f = Field(field);
  return f ? f->Length() : 0;
}
std::int32_t VXO_dBaseFld::FieldOffset(std::int32_t field) {
  const auto* f = Field(field);
  return f ? f->Offset() : 0;
}
std::string VXO_dBaseFld::FieldName(std::int32_t field) {
  const auto* f = Field(field);
  return f ? f->Name() : std::string();
}
char VXO_dBaseFld::FieldType(std::int32_t field) {
  const auto* f = Field(field);
  return f ? f->Type() : '\0';
}

std::string VXO_dBaseFld::RawGet(std::int32_t field) {
  const auto* f = Field(field);
  if (!f) return {};
  return std::string(reinterpret_cast<const char*>(FieldData(*f)), static_cast<std::size_t>(f->Length()));
}

bool VXO_dBaseFld::RawPut(std::int32_t field, const std::string& text) {
  const auto* f = Field(field);
  if (!f) return false;
  std::uint8_t* data = FieldData(*f);
  std::size_t length = static_cast<std::size_t>(f->Length());
  std::memset(data, ' ', length);
  std::size_t n = std::min(text.size(), length);
  bool left = f->Type() == 'C' || f->Type() == 'D' || f->Type() == 'L';
  std::memcpy(data + (left ? 0 : length - n), text.data(), n);
  MarkChanged(*f);
  return true;
}

std::string VXO_dBaseFld::TextGet(std::int32_t field) {
  const auto* f = Field(field);
  if (!f) return {};
  std::string raw(TrimRight(RawGet(field)));
  switch (f->Type()) {
    case 'B':
    case 'G': {
      std::string_view s = TrimLeft(raw);
      bool data = CompareStr(s, "0") > 0;
      if (f->Type() == 'B') return data ? "--BINARY--" : "--binary--";
      return data ? "-GENERAL--" : "-general--";
    }
    case 'D':
      return std::string(TrimRight(DBFDate().DayToDisplay(DateGet(field))));
    case 'N':
    case 'F': {
      if (raw.empty()) {
        std::string zero = FormatFixed(0, f->Decimals());
        return zero;
      }
      return std::string(TrimLeft(raw));
    }
    case 'L':
      return (raw == "T" || raw == "t" || raw == "Y" || raw == "y" || raw == "J" || raw == "j") ? "T" : "F";
    case 'M': {
      std::int64_t size = MemoSize(field);
      if (size <= 0) return {};
      std::string text(static_cast<std::size_t>(size), '\0');
      std::int32_t length = static_cast<std::int32_t>(size);
      MemoRead(field, text.data(), length);
      text.resize(static_cast<std::size_t>(length));
      return text;
    }
    default:
      return raw;
  }
}

void VXO_dBaseFld::BlankRecord() {
  std::memset(currentRecord_, ' ', static_cast<std::size_t>(recordLength_));
  for (std::int32_t i = 1; i <= fieldCount_; ++i) {
    const auto& f = *fields_[static_cast<std::size_t>(i - 1)].second;
    bool number = f.Type() == 'N' || f.Type() == 'F';
    if (!number && !IsBinary(f)) continue;
    // A zero that does not fit the field (N 3.2) leaves it blank, which
    // reads as zero too.
    if (number && static_cast<std::int32_t>(FormatFixed(0, f.Decimals()).size()) > f.Length()) continue;
    NumberPut(i, 0);
  }
  std::fill(changed_.begin(), changed_.end(), 1);
  recordModified_ = true;
  TableEvent(teBlank, 0);
}

// Both write the current record. Without one (nothing read yet) only the
// buffer changes: writing record 0 would append it as a new, active record.
void VXO_dBaseFld::DeleteRecord() {
  if (currentRecord_[0] == kDeletedFlag) return;
  currentRecord_[0] = kDeletedFlag;
  changed_[0] = 1;
  recordModified_ = true;
  if (currentRecordNo_ >= 1) WriteRecord(currentRecordNo_);
}

void VXO_dBaseFld::RecallRecord() {
  if (currentRecord_[0] == kActiveFlag) return;
  currentRecord_[0] = kActiveFlag;
  changed_[0] = 1;
  recordModified_ = true;
  if (currentRecordNo_ >= 1) WriteRecord(currentRecordNo_);
}

VXobjMemo* VXO_dBaseFld::MemoObject(std::int32_t field) {
  const auto* f = Field(field);
  if (!f || !IsMemoField(*f)) return nullptr;
  return MemoFile();
}

namespace {
std::int32_t BlockOf(long double value, VXobjMemo* memo) {
  long double block = std::trunc(value);
  if (!(block >= 0 && block <= INT32_MAX)) Raise("Memo record is bad in %s", {memo->FileName()});
  return static_cast<std::int32_t>(block);
}
}  // namespace

std::int32_t VXO_dBaseFld::MemoBlock(std::int32_t field) {
  VXobjMemo* memo = MemoObject(field);
  return memo ? BlockOf(NumberGet(field), memo) : 0;
}

std::int64_t VXO_dBaseFld::MemoSize(std::int32_t field) {
  VXobjMemo* memo = MemoObject(field);
  if (!memo) return 0;
  return memo->MemoLength(BlockOf(NumberGet(field), memo));
}

void VXO_dBaseFld::MemoRead(std::int32_t field, void* buffer, std::int32_t& length) {
  VXobjMemo* memo = MemoObject(field);
  if (!memo) {
    length = 0;
    return;
  }
  memo->ReadMemo(BlockOf(NumberGet(field), memo), buffer, length);
}

void VXO_dBaseFld::MemoWrite(std::int32_t field, const void* buffer, std::int32_t& length) {
  VXobjMemo* memo = MemoObject(field);
  if (!memo) return;
  const std::int32_t old = BlockOf(NumberGet(field), memo);
  std::int32_t block = old;
  memo->WriteMemoKeepingOld(buffer, block, length);
  NumberPut(field, length == 0 ? 0 : block);
  // The record on disk points at the old blocks until it is rewritten.
  if (old != block) memo->DeferFree(currentRecordNo_, old);
}

void VXO_dBaseFld::PutValues(std::uint8_t* buffer, const std::string& fieldList,
                             const std::vector<std::optional<std::string>>& values) {
  SetCurrentRecord(buffer);
  try {
    BlankRecord();
    std::size_t start = 0, index = 0;
    while (start <= fieldList.size()) {
      std::size_t end = fieldList.find(';', start);
      if (end == std::string::npos) end = fieldList.size();
      std::string name(Trim(std::string_view(fieldList).substr(start, end - start)));
      std::string text;
      if (index < values.size() && values[index]) text = translate_ ? AnsiToOem(*values[index]) : *values[index];
      TextPutByName(name, text);
      ++index;
      start = end + 1;
    }
  } catch (...) {
    SetCurrentRecord(nullptr);
    throw;
  }
  SetCurrentRecord(nullptr);
}

// The by-name forms.
std::int32_t VXO_dBaseFld::DateGetByName(const std::string& name) {
  CheckedField(name, 'D');
  return DateGet(FieldNumber(name));
}
bool VXO_dBaseFld::DatePutByName(const std::string& name, std::int32_t day) {
  CheckedField(name, 'D');
  return DatePut(FieldNumber(name), day);
}
std::string VXO_dBaseFld::RawGetByName(const std::string& name) { return RawGet(NumberOfName(name)); }
bool VXO_dBaseFld::RawPutByName(const std::string& name, const std::string& text) {
  return RawPut(NumberOfName(name), text);
}
bool VXO_dBaseFld::LogicGetByName(const std::string& name) {
  CheckedField(name, 'L');
  return LogicGet(FieldNumber(name));
}
bool VXO_dBaseFld::LogicPutByName(const std::string& name, bool flag) {
  CheckedField(name, 'L');
  return LogicPut(FieldNumber(name), flag);
}
long double VXO_dBaseFld::NumberGetByName(const std::string& name) {
  CheckedField(name, 'N');
  return NumberGet(FieldNumber(name));
}
bool VXO_dBaseFld::NumberPutByName(const std::string& name, long double value) {
  CheckedField(name, 'N');
  return NumberPut(FieldNumber(name), value);
}
std::string VXO_dBaseFld::TextGetByName(const std::string& name) { return TextGet(NumberOfName(name)); }
bool VXO_dBaseFld::TextPutByName(const std::string& name, const std::string& text) {
  return TextPut(NumberOfName(name), text);
}

}  // namespace talvern
