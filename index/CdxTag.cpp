#include "index/CdxTag.h"

#include <cmath>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Strings.h"
#include "index/CdxFile.h"
#include "index/CdxLayout.h"
#include "index/Collation.h"
#include "index/KeyCompare.h"
#include "platform/Locale.h"

namespace talvern {

using namespace cdx;

namespace {

// The sortable bytes of a double: the sign bit set for positive values,
// every bit inverted for negative ones, most significant byte first.
void EncodeNumber(double value, std::uint8_t out[8]) {
  std::uint8_t b[8];
  std::memcpy(b, &value, 8);
  if (b[7] >= 0x80) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(~b[7 - i]);
  } else {
    out[0] = static_cast<std::uint8_t>(b[7] | 0x80);
    for (int i = 1; i < 8; ++i) out[i] = b[7 - i];
  }
}

// The integer key form of other programs (4-byte keys of integer fields):
// big-endian with the sign bit flipped.
void EncodeInteger(double value, std::uint8_t out[4]) {
  double clipped = std::trunc(value);
  if (clipped < -2147483648.0) clipped = -2147483648.0;
  if (clipped > 2147483647.0) clipped = 2147483647.0;
  std::uint32_t v = static_cast<std::uint32_t>(static_cast<std::int32_t>(clipped)) ^ 0x80000000u;
  PutBE32(out, v);
}

// A search text read as a number: either decimal separator is taken.
double TextToNumber(std::string_view text) {
  std::string s(Trim(text));
  for (char& c : s)
    if (c == ',') c = '.';
  char* end = nullptr;
  double value = std::strtod(s.c_str(), &end);
  return end == s.c_str() ? 0.0 : value;
}

}  // namespace

VXobjCDXTag::VXobjCDXTag(VXobjCDXFile* file, std::int32_t headerOffset, const std::string& name)
    : VXobjIndexTag(file, UpperCase(name)) {
  KindName = "CDX";
  ExprDialect = 10;
  StoredDescending = false;
  if (headerOffset == -1) {
    HeaderOffset = file->PageAllocate();
    file->PageAllocate();
    HeaderDirty = true;
    Options = kOptionsTag;
  } else {
    HeaderOffset = headerOffset;
    if (!HeaderRead()) file->Corrupted = true;
    else Options = Options >= kOptionDirectory ? Options : kOptionsTag;
  }
}

VXobjCDXTag::~VXobjCDXTag() {
  try {
    ReleaseNodes();
  } catch (...) {
    // A destructor must not throw; what could not be written is lost with
    // the error that the caller already saw or will see on flush.
  }
}

// Header.

bool VXobjCDXTag::HeaderRead() {
  std::uint8_t h[kHeaderSize];
  if (!file_->PageRead(HeaderOffset, h, kHeaderSize)) return false;
  Root = static_cast<std::int32_t>(GetLE32(h + kRootOffset));
  if (Root <= 0) return false;
  if (VXO_DiskFile* disk = file_->DiskFile()) {
    if (Root % kPageSize != 0 || static_cast<std::int64_t>(Root) + kPageSize > disk->FileSize()) return false;
  }
  KeyLength = static_cast<std::int16_t>(GetLE16(h + kKeyLengthOffset));
  if (KeyLength > kMaxKeyLength || KeyLength < 1) return false;
  EntrySize = static_cast<std::uint16_t>(KeyLength + 8);
  MaxKeys = static_cast<std::uint16_t>(kInteriorArea / EntrySize);
  std::uint8_t options = h[kOptionsOffset];
  Options = options;
  Version = static_cast<std::int32_t>(GetLE32(h + kVersionOffset));
  Unique = (options & kOptionUnique) != 0;
  HasFor = (options & kOptionFor) != 0;
  nullable_ = (options & kOptionNullable) != 0 && options < kOptionDirectory;
  Ascending = GetLE16(h + kDescendingOffset) == 0;
  ReverseNavigation = !Ascending;

  char collation[kCollationSize + 1] = {};
  std::memcpy(collation, h + kCollationOffset, kCollationSize);
  collationName_ = collation;
  if (CompareText(collationName_, "GENERAL") == 0) Collation = kCollationGeneral;
  else if (CompareText(collationName_, "MACHINE") == 0) Collation = kCollationMachine;
  else Collation = kCollationNone;

  // The expressions: zero-terminated texts from 512 on.
  const char* texts = reinterpret_cast<const char*>(h + kExpressionsOffset);
  std::size_t keyLen = strnlen(texts, kPageSize);
  KeyExpr.assign(texts, keyLen);
  ForExpr.clear();
  if (HasFor && keyLen + 1 < static_cast<std::size_t>(kPageSize)) {
    const char* forText = texts + keyLen + 1;
    ForExpr.assign(forText, strnlen(forText, kPageSize - keyLen - 1));
  }
  if (options < kOptionDirectory) {
    if (Trim(KeyExpr).empty()) return false;
    KeyType = 'C';
    try {
      KeyExprCompile();
      if (HasFor) ForExprCompile();
      TvxVariant scratch;
      bool ok = true;
      if (KeyEvaluate(scratch, ok)) KeyType = KeyTypeOf(scratch);
    } catch (const ETalvernError& e) {
      // A key this program cannot compute (a field it does not know, say)
      // still walks in its stored order; seeks and updates are refused.
      KeyHandler.reset();
      ForHandler.reset();
      SetNotSearchable(e.what());
    }
  } else {
    KeyType = 'C';
  }
  JudgeKeyForm();
  HeaderDirty = false;
  return true;
}

bool VXobjCDXTag::HeaderWrite() {
  if (!HeaderDirty) return true;
  if (Unique) Options |= kOptionUnique;
  if (HasFor) Options |= kOptionFor;
  std::uint8_t h[kHeaderSize] = {};
  PutLE32(h + kRootOffset, static_cast<std::uint32_t>(Root));
  PutLE32(h + kVersionOffset, static_cast<std::uint32_t>(Version));
  PutLE16(h + kKeyLengthOffset, static_cast<std::uint32_t>(KeyLength));
  h[kOptionsOffset] = Options;
  h[kSignatureOffset] = 1;
  if (!Ascending) PutLE16(h + kDescendingOffset, 1);
  if (Options < kOptionDirectory && Collation == kCollationGeneral) {
    std::memcpy(h + kCollationOffset, "GENERAL", 7);
    h[kSignatureOffset] = 2;
  } else if (Options < kOptionDirectory && !collationName_.empty() && Collation == kCollationNone) {
    // A collation of another program stays named as it was.
    std::memcpy(h + kCollationOffset, collationName_.data(),
                std::min<std::size_t>(collationName_.size(), kCollationSize - 1));
  }
  // Expressions that do not fit the page are cut (a header can hold 511
  // bytes of text and terminators).
  std::string keyText = KeyExpr.substr(0, kPageSize - 2);
  std::string forText = HasFor ? ForExpr.substr(0, kPageSize - 2 - keyText.size()) : std::string();
  PutLE16(h + kKeyExprLengthOffset, keyText.empty() ? 0 : static_cast<std::uint32_t>(keyText.size() + 1));
  PutLE16(h + kForExprLengthOffset, static_cast<std::uint32_t>(forText.empty() ? 1 : forText.size() + 1));
  PutLE16(h + kKeyExprLength2Offset, static_cast<std::uint32_t>(keyText.size() + 1));
  std::memcpy(h + kExpressionsOffset, keyText.data(), keyText.size());
  if (!forText.empty()) std::memcpy(h + kExpressionsOffset + keyText.size() + 1, forText.data(), forText.size());
  file_->PageWrite(HeaderOffset, h, kHeaderSize);
  HeaderDirty = false;
  return true;
}

std::int32_t VXobjCDXTag::RootPointer() {
  std::uint8_t h[kPageSize];
  if (!file_->PageRead(HeaderOffset, h, kPageSize)) file_->RaiseCorrupted();
  std::int32_t root = static_cast<std::int32_t>(GetLE32(h + kRootOffset));
  if (root <= 0 || root % kPageSize != 0) file_->RaiseCorrupted();
  return root;
}

// Keys.

char VXobjCDXTag::KeyTypeOf(const TvxVariant& value) {
  switch (value.Type()) {
    case VariantType::Double: return 'N';
    case VariantType::Date: return 'D';
    default: return 'C';
  }
}

void VXobjCDXTag::KeyConvert(VXobjIndexKeyData& value, bool trim) {
  std::uint8_t buffer[kMaxKeyLength + 8];
  int length = 0;
  std::uint8_t* out = buffer;
  if (nullable_) {
    *out++ = 0x80;  // not null
    length = 1;
  }
  const int room = std::max<int>(KeyLength - length, 0);
  if (KeyType == 'N' || KeyType == 'D') {
    if (value.Type() == VariantType::Raw) {
      // Already in stored form.
      if (trim) {
        std::int32_t n = value.Length();
        while (n > (nullable_ ? 2 : 1) && value.Data()[n - 1] == 0) --n;
        value.SetLength(n);
      }
      return;
    }
    double number = 0;
    if (KeyType == 'D') {
      std::int32_t day = 0;
      if (value.Type() == VariantType::Text) {
        day = DBFDate().TryStorageToDay(std::string(Trim(value.View()))).value_or(0);
      } else {
        day = value.AsDate();
      }
      number = day;
    } else if (value.Type() == VariantType::Text) {
      number = TextToNumber(value.View());
    } else {
      number = value.AsDouble();
    }
    int n = 8;
    if (room == 4) {
      EncodeInteger(number, out);
      n = 4;
    } else {
      EncodeNumber(number, out);
    }
    length += n;
    // Trailing zero bytes are dropped; the first byte always stays.
    if (trim)
      while (length > (nullable_ ? 2 : 1) && buffer[length - 1] == 0) --length;
    value.SetBytes(buffer, length);
    return;
  }
  // Character keys: logical values become T or F, other values their text
  // (a text is read where it lies: the key is built in buffer).
  std::string other;
  std::string_view text;
  switch (value.Type()) {
    case VariantType::Text:
    case VariantType::Raw: text = value.View(); break;
    case VariantType::Boolean: text = value.AsBoolean() ? "T" : "F"; break;
    default: text = other = value.AsText(); break;
  }
  if (trim) text = text.substr(0, TrimRightBlanks(text));
  if (Collation == kCollationGeneral && Options < kOptionDirectory) {
    length += GeneralKey(text, out, room);
  } else {
    int n = std::min<int>(static_cast<int>(text.size()), room);
    if (n > 0) std::memcpy(out, text.data(), static_cast<std::size_t>(n));
    length += n;
  }
  value.SetText(std::string_view(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length)));
}

std::size_t VXobjCDXTag::TrimRightBlanks(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return n;
}

// Decides whether this program's key encoding is the one the tag's keys are
// stored in; tags in a form of another program are walked in their stored
// order but not searched or maintained.
void VXobjCDXTag::JudgeKeyForm() {
  if (Options >= kOptionDirectory || !KeysComputable()) return;
  if (Collation == kCollationNone && !collationName_.empty()) {
    SetNotSearchable("collation " + collationName_);
    return;
  }
  int room = KeyLength - (nullable_ ? 1 : 0);
  if ((KeyType == 'N' || KeyType == 'D') && room != 8 && !(KeyType == 'N' && room == 4)) {
    SetNotSearchable("key length " + std::to_string(KeyLength));
  }
}

// Creation.

bool VXobjCDXTag::TagCreate(const std::string& keyExpr, bool unique, bool ascending, const std::string& forExpr) {
  VXobjIndexTag::TagCreate(keyExpr, unique, ascending, forExpr);
  HasFor = !Trim(forExpr).empty();
  ReverseNavigation = !Ascending;
  if (!Trim(keyExpr).empty()) {
    TvxVariant value;
    bool ok = true;
    try {
      if (!KeyEvaluate(value, ok) || !ok) return false;
    } catch (const ETalvernError&) {
      return false;
    }
    KeyType = KeyTypeOf(value);
    if (KeyType == 'C') {
      std::int32_t length = value.Type() == VariantType::Boolean ? 1
                            : value.Type() == VariantType::Text ? value.Length()
                                                                  : static_cast<std::int32_t>(value.AsText().size());
      if (Collation == kCollationGeneral) length *= 2;
      if (length < 1) length = 1;
      if (length > kMaxKeyLength) Raise("Key expression result is too long for index tag %s", {Name});
      KeyLength = static_cast<std::int16_t>(length);
    } else {
      KeyLength = 8;
    }
  } else {
    KeyType = 'C';
    KeyLength = 10;
  }
  EntrySize = static_cast<std::uint16_t>(KeyLength + 8);
  MaxKeys = static_cast<std::uint16_t>(kInteriorArea / EntrySize);
  std::uint8_t zeros[kHeaderSize] = {};
  file_->PageWrite(HeaderOffset, zeros, kHeaderSize);
  TagBuild();
  return true;
}

bool VXobjCDXTag::KeyAdd(VXobjIndexKeyData& entry) {
  std::int32_t saved = entry.RecNo;
  entry.RecNo = entry.Link;
  bool result = false;
  try {
    result = VXobjIndexTag::KeyAdd(entry);
  } catch (...) {
    entry.RecNo = saved;
    throw;
  }
  entry.RecNo = saved;
  return result;
}

}  // namespace talvern
