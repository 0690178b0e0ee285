#include "index/NtxTag.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/Strings.h"
#include "index/IndexFile.h"
#include "index/KeyCompare.h"
#include "index/NtxLayout.h"
#include "index/NumericKeys.h"
#include "index/SortNtx.h"

namespace talvern {

using namespace ntx;

namespace {

// Whether text has the shape of a key of a numeric tag: as long as the key,
// digits (plain or mirrored) and the point where the decimals begin. Such a
// text is its own key (converting it again gives the same text).
bool IsNumberKey(std::string_view text, int length, int decimals) {
  if (static_cast<int>(text.size()) != length) return false;
  const int point = decimals > 0 ? length - decimals - 1 : -1;
  for (int i = 0; i < length; ++i) {
    const char c = text[static_cast<std::size_t>(i)];
    const bool digit = (c >= '0' && c <= '9') || (c >= '#' && c <= ',');
    if (i == point ? c != '.' : !digit) return false;
  }
  return true;
}

std::string DateKey(std::int32_t day) { return day > 0 ? DBFDate().DayToStorage(day) : std::string(8, '0'); }

}  // namespace

VXobjNTXTag::VXobjNTXTag(VXobjIndexFile* file, bool existing, const std::string& name)
    : VXobjItemTag(file, UpperCase(name)) {
  KindName = "NTX";
  ExprDialect = -1;
  PlaceHeader(existing ? 0 : -1);
}

std::int32_t VXobjNTXTag::PageSize() const { return kPageSize; }

// Header.

bool VXobjNTXTag::HeaderRead() {
  std::uint8_t h[kPageSize];
  if (!file_->PageRead(HeaderOffset, h, kPageSize)) return false;
  const std::uint16_t signature = GetLE16(h + kSignatureOffset);
  if (signature != kSignature && signature != kSignatureFor) return false;
  Counter = GetLE16(h + kCounterOffset);
  const std::int64_t root = GetLE32(h + kRootOffset);
  VXO_DiskFile* disk = file_->DiskFile();
  if (root <= 0 || root % kPageSize != 0 || root > kIndexSpaceEnd - kPageSize || (disk && root + kPageSize > disk->FileSize()))
    return false;
  Root = static_cast<std::int32_t>(root);
  KeyLength = static_cast<std::int16_t>(GetLE16(h + kKeyLengthOffset));
  const int itemSize = GetLE16(h + kItemSizeOffset);
  const int maxKeys = GetLE16(h + kMaxKeysOffset);
  Decimals = static_cast<std::int16_t>(GetLE16(h + kDecimalsOffset));
  if (KeyLength < 1 || KeyLength > kMaxKeyLength || itemSize != ItemSize(KeyLength) || Decimals < 0 ||
      Decimals > KeyLength)
    return false;
  // Room for the offsets and the items of a page of maxKeys keys.
  if (maxKeys < 2 || FreshItemOffset(maxKeys, itemSize, maxKeys) + itemSize > kPageSize) return false;
  EntrySize = static_cast<std::uint16_t>(itemSize);
  MaxKeys = static_cast<std::uint16_t>(maxKeys);
  Unique = h[kUniqueOffset] != 0;
  Ascending = h[kDescendingOffset] == 0;
  StoredDescending = !Ascending;
  const char* text = reinterpret_cast<const char*>(h + kKeyExprOffset);
  KeyExpr.assign(text, strnlen(text, kKeyExprSize));
  text = reinterpret_cast<const char*>(h + kForExprOffset);
  ForExpr.assign(text, strnlen(text, kForExprSize));
  HasFor = !Trim(ForExpr).empty();
  if (Trim(KeyExpr).empty()) return false;
  LearnKeyType(0);
  HeaderDirty = false;
  return true;
}

bool VXobjNTXTag::HeaderWrite() {
  if (!HeaderDirty) return true;
  std::uint8_t h[kPageSize] = {};
  PutLE16(h + kSignatureOffset, HasFor ? kSignatureFor : kSignature);
  PutLE16(h + kCounterOffset, Counter);
  PutLE32(h + kRootOffset, static_cast<std::uint32_t>(Root));
  PutLE16(h + kItemSizeOffset, EntrySize);
  PutLE16(h + kKeyLengthOffset, static_cast<std::uint32_t>(KeyLength));
  PutLE16(h + kDecimalsOffset, static_cast<std::uint32_t>(Decimals));
  PutLE16(h + kMaxKeysOffset, MaxKeys);
  PutLE16(h + kHalfKeysOffset, MaxKeys / 2u);
  std::memcpy(h + kKeyExprOffset, KeyExpr.data(), std::min<std::size_t>(KeyExpr.size(), kKeyExprSize - 1));
  h[kUniqueOffset] = Unique ? 1 : 0;
  h[kDescendingOffset] = Ascending ? 0 : 1;
  if (HasFor) std::memcpy(h + kForExprOffset, ForExpr.data(), std::min<std::size_t>(ForExpr.size(), kForExprSize - 1));
  file_->PageWrite(HeaderOffset, h, kPageSize);
  HeaderDirty = false;
  return true;
}

std::int32_t VXobjNTXTag::RootPointer() {
  std::uint8_t h[kPageSize];
  if (!file_->PageRead(HeaderOffset, h, kPageSize)) file_->RaiseCorrupted();
  return CheckedChild(GetLE32(h + kRootOffset), kPageSize);
}

// Keys.

void VXobjNTXTag::KeyConvert(VXobjIndexKeyData& value, bool trim) {
  std::string text;
  switch (KeyType) {
    case 'N':
      if (value.Type() == VariantType::Text && IsNumberKey(value.View(), KeyLength, Decimals)) return;
      text = NtxNumberText(value.Type() == VariantType::Text ? SearchTextNumber(value.View()) : value.AsDouble(),
                           KeyLength, Decimals);
      break;
    case 'D':
      if (value.Type() == VariantType::Date) {
        text = DateKey(value.AsDate());
      } else if (value.Type() == VariantType::Text) {
        std::string_view given = Trim(value.View());
        auto day = DBFDate().TryStorageToDay(std::string(given));
        text = day ? DateKey(*day) : std::string(given);
      } else {
        text = DateKey(static_cast<std::int32_t>(value.AsDouble()));
      }
      break;
    case 'L':
      if (value.Type() == VariantType::Boolean) text.assign(1, value.AsBoolean() ? 'T' : 'F');
      else text = std::string(Trim(value.View()));
      break;
    default:
      CharacterKey(value, trim);
      return;
  }
  value.SetText(text);
}

void VXobjNTXTag::StoreKey(const TvxVariant& key, std::uint8_t* out) const { PadKey(key, out); }

void VXobjNTXTag::NumericWidth() {
  KeyLength = 18;
  Decimals = 4;
  VXO_dBaseFld* table = Table();
  if (!table) return;
  // The first word, past an alias ("ALIAS->FIELD").
  std::string_view expr = TrimLeft(KeyExpr);
  auto word = [&expr] {
    std::size_t n = 0;
    while (n < expr.size() && (std::isalnum(static_cast<unsigned char>(expr[n])) || expr[n] == '_')) ++n;
    std::string_view w = expr.substr(0, n);
    expr.remove_prefix(n);
    return w;
  };
  std::string_view name = word();
  if (expr.substr(0, 2) == "->") {
    expr.remove_prefix(2);
    name = word();
  }
  std::int32_t field = name.empty() ? 0 : table->FieldNumber(std::string(name));
  if (field <= 0) return;
  KeyLength = static_cast<std::int16_t>(std::clamp(table->FieldLength(field), 1, kMaxKeyLength));
  Decimals = static_cast<std::int16_t>(std::clamp(table->FieldDecimals(field), 0, static_cast<int>(KeyLength)));
}

void VXobjNTXTag::FixKeyForm(const TvxVariant& value) {
  KeyType = TypeLetter(value);
  Decimals = 0;
  switch (KeyType) {
    case 'N': NumericWidth(); break;
    case 'D': KeyLength = 8; break;
    default: KeyLength = CharacterKeyLength(value, kMaxKeyLength); break;
  }
  EntrySize = static_cast<std::uint16_t>(ItemSize(KeyLength));
  MaxKeys = static_cast<std::uint16_t>(ntx::MaxKeys(KeyLength));
}

std::unique_ptr<TvxItemBuilder> VXobjNTXTag::NewBuilder() { return std::make_unique<VXobjSortNTX>(this); }

// Pages.

void VXobjNTXTag::EncodePage(std::uint8_t* page, const ItemRun& run) const {
  PutLE16(page + kCountOffset, static_cast<std::uint32_t>(run.count));
  for (int i = 0; i <= MaxKeys; ++i)
    PutLE16(page + kOffsetsOffset + 2 * i, static_cast<std::uint32_t>(FreshItemOffset(MaxKeys, EntrySize, i)));
  for (int i = 0; i < run.count; ++i) {
    std::uint8_t* item = page + FreshItemOffset(MaxKeys, EntrySize, i);
    PutLE32(item, run.leaf ? 0 : static_cast<std::uint32_t>(run.links[i]));
    PutLE32(item + kRecnoOffset, static_cast<std::uint32_t>(run.recnos[i]));
    std::memcpy(item + kKeyOffset, run.keys + static_cast<std::size_t>(i) * KeyLength, static_cast<std::size_t>(KeyLength));
  }
  if (!run.leaf) PutLE32(page + FreshItemOffset(MaxKeys, EntrySize, run.count), static_cast<std::uint32_t>(run.last));
}

bool VXobjNTXTag::NodeRead(std::int32_t page, VXobjIndexKey& node) {
  std::uint8_t b[kPageSize];
  if (page <= 0 || page % kPageSize != 0 || !file_->PageRead(page, b, kPageSize)) file_->RaiseCorrupted();
  node.ClearEntries();
  node.Child.reset();
  node.Pos = -1;
  node.Left = node.Right = -1;
  const int count = GetLE16(b + kCountOffset);
  if (count > MaxKeys) file_->RaiseCorrupted();
  auto item = [&](int i) {
    int at = GetLE16(b + kOffsetsOffset + 2 * i);
    if (at < kOffsetsOffset || at + EntrySize > kPageSize) file_->RaiseCorrupted();
    return b + at;
  };
  const bool interior = GetLE32(item(0)) != 0;
  node.Kind = interior ? kNodeInterior : kNodeLeaf;
  node.Reserve(count + 2);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* it = item(i);
    VXobjIndexKeyData& entry = node.AppendNew();
    int n = KeyLength;
    while (n > 0 && it[kKeyOffset + n - 1] == ' ') --n;
    entry.SetText(std::string_view(reinterpret_cast<const char*>(it + kKeyOffset), static_cast<std::size_t>(n)));
    std::uint32_t recno = GetLE32(it + kRecnoOffset);
    if (recno < 1 || recno > 0x7FFFFFFF) file_->RaiseCorrupted();
    entry.RecNo = static_cast<std::int32_t>(recno);
    entry.Link = interior ? CheckedChild(GetLE32(it), kPageSize) : entry.RecNo;
  }
  if (interior) AppendLastChild(node, CheckedChild(GetLE32(item(count)), kPageSize));
  else AppendFollowingItem(node);
  return true;
}

void VXobjNTXTag::AppendFollowingItem(VXobjIndexKey& node) {
  for (const VXobjIndexKey* n = &node; n->Parent; n = n->Parent) {
    int i = EntryInParent(*n);
    if (i < 0) return;
    if (i < n->Parent->Count() - 1) {
      const VXobjIndexKeyData& item = n->Parent->At(i);
      VXobjIndexKeyData& entry = node.AppendNew();
      CopyEntry(entry, item);
      entry.Link = item.RecNo;
      return;
    }
  }
}

bool VXobjNTXTag::LeafBorrows(const VXobjIndexKey& node) const { return !OnRightEdge(node); }

bool VXobjNTXTag::KeepsEmptyNode(const VXobjIndexKey& node) const { return OnRightEdge(node); }

}  // namespace talvern
