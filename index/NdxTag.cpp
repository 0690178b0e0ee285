#include "index/NdxTag.h"

#include <algorithm>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Strings.h"
#include "index/IndexFile.h"
#include "index/NdxLayout.h"
#include "index/NumericKeys.h"
#include "index/SortItems.h"

namespace talvern {

using namespace ndx;

VXobjNDXTag::VXobjNDXTag(VXobjIndexFile* file, bool existing, const std::string& name)
    : VXobjItemTag(file, UpperCase(name)) {
  KindName = "NDX";
  // STR() without a length makes ten characters, as in the programs that
  // write these files.
  ExprDialect = 10;
  PlaceHeader(existing ? 0 : -1);
}

std::int32_t VXobjNDXTag::PageSize() const { return kBlockSize; }

// Header.

bool VXobjNDXTag::HeaderRead() {
  std::uint8_t h[kBlockSize];
  if (!file_->PageRead(HeaderOffset, h, kBlockSize)) return false;
  const std::int64_t root = static_cast<std::int64_t>(GetLE32(h + kRootOffset)) * kBlockSize;
  VXO_DiskFile* disk = file_->DiskFile();
  if (root <= 0 || root > kIndexSpaceEnd - kBlockSize || (disk && root + kBlockSize > disk->FileSize())) return false;
  Root = static_cast<std::int32_t>(root);
  KeyLength = static_cast<std::int16_t>(GetLE16(h + kKeyLengthOffset));
  const int itemSize = GetLE16(h + kItemSizeOffset);
  const std::uint16_t type = GetLE16(h + kKeyTypeOffset);
  if (KeyLength < 1 || KeyLength > kMaxKeyLength || itemSize < KeyLength + 8 || itemSize > kItemArea / 2) return false;
  if (type > kNumericKeys || (type == kNumericKeys && KeyLength != 8)) return false;
  EntrySize = static_cast<std::uint16_t>(itemSize);
  MaxKeys = static_cast<std::uint16_t>(ndx::MaxKeys(itemSize));
  Unique = h[kUniqueOffset] != 0;
  Ascending = true;
  StoredDescending = false;
  HasFor = false;
  ForExpr.clear();
  const char* text = reinterpret_cast<const char*>(h + kKeyExprOffset);
  KeyExpr.assign(text, strnlen(text, kKeyExprSize));
  if (Trim(KeyExpr).empty()) return false;
  LearnKeyType(type == kNumericKeys ? 'N' : 'C');
  HeaderDirty = false;
  return true;
}

bool VXobjNDXTag::HeaderWrite() {
  if (!HeaderDirty) return true;
  std::uint8_t h[kBlockSize] = {};
  std::int64_t end = std::max<std::int64_t>(file_->NextFree, file_->DiskFile() ? file_->DiskFile()->FileSize() : 0);
  PutLE32(h + kRootOffset, static_cast<std::uint32_t>(Root / kBlockSize));
  PutLE32(h + kBlockCountOffset, static_cast<std::uint32_t>((end + kBlockSize - 1) / kBlockSize));
  PutLE16(h + kKeyLengthOffset, static_cast<std::uint32_t>(KeyLength));
  PutLE16(h + kMaxKeysOffset, MaxKeys);
  PutLE16(h + kKeyTypeOffset, Numeric() ? kNumericKeys : kCharacterKeys);
  PutLE16(h + kItemSizeOffset, EntrySize);
  h[kUniqueOffset] = Unique ? 1 : 0;
  std::memcpy(h + kKeyExprOffset, KeyExpr.data(), std::min<std::size_t>(KeyExpr.size(), kKeyExprSize - 1));
  file_->PageWrite(HeaderOffset, h, kBlockSize);
  HeaderDirty = false;
  return true;
}

std::int32_t VXobjNDXTag::RootPointer() {
  std::uint8_t h[kBlockSize];
  if (!file_->PageRead(HeaderOffset, h, kBlockSize)) file_->RaiseCorrupted();
  return CheckedChild(static_cast<std::int64_t>(GetLE32(h + kRootOffset)) * kBlockSize, kBlockSize);
}

// Keys.

void VXobjNDXTag::KeyConvert(VXobjIndexKeyData& value, bool trim) {
  if (!Numeric()) {
    CharacterKey(value, trim);
    return;
  }
  if (value.Type() == VariantType::Raw && value.Length() == kSortableDoubleBytes) return;  // converted
  std::uint8_t bytes[kSortableDoubleBytes];
  EncodeSortableDouble(NumberOf(value), bytes);
  value.SetBytes(bytes, kSortableDoubleBytes);
}

void VXobjNDXTag::StoreKey(const TvxVariant& key, std::uint8_t* out) const {
  if (!Numeric()) {
    PadKey(key, out);
    return;
  }
  double value = key.Length() == kSortableDoubleBytes ? DecodeSortableDouble(key.Data()) : 0;
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, 8);
  PutLE64(out, bits);
}

void VXobjNDXTag::LoadKey(const std::uint8_t* stored, VXobjIndexKeyData& entry) const {
  if (!Numeric()) {
    int n = KeyLength;
    while (n > 0 && stored[n - 1] == ' ') --n;
    entry.SetText(std::string_view(reinterpret_cast<const char*>(stored), static_cast<std::size_t>(n)));
    return;
  }
  std::uint64_t bits = GetLE64(stored);
  double value = 0;
  std::memcpy(&value, &bits, 8);
  std::uint8_t bytes[kSortableDoubleBytes];
  EncodeSortableDouble(value, bytes);
  entry.SetBytes(bytes, kSortableDoubleBytes);
}

void VXobjNDXTag::FixKeyForm(const TvxVariant& value) {
  KeyType = TypeLetter(value);
  if (KeyType == 'L') KeyType = 'C';
  if (KeyType == 'C') {
    KeyLength = CharacterKeyLength(value, kMaxKeyLength);
  } else {
    KeyLength = 8;
  }
  // A new numeric or date tag keeps room for a 12-byte key in its items,
  // while its header says 8 (readers go by the item size).
  EntrySize = static_cast<std::uint16_t>(ItemSize(KeyType == 'C' ? KeyLength : kNumericItemKey));
  MaxKeys = static_cast<std::uint16_t>(ndx::MaxKeys(EntrySize));
}

std::unique_ptr<TvxItemBuilder> VXobjNDXTag::NewBuilder() { return std::make_unique<VXobjSortNdx>(this); }

// Pages.

void VXobjNDXTag::EncodePage(std::uint8_t* page, const ItemRun& run) const {
  PutLE32(page + kCountOffset, static_cast<std::uint32_t>(run.count));
  for (int i = 0; i < run.count; ++i) {
    std::uint8_t* item = page + kItemsOffset + i * EntrySize;
    PutLE32(item, run.leaf ? 0 : static_cast<std::uint32_t>(run.links[i] / kBlockSize));
    PutLE32(item + kRecnoOffset, run.leaf ? static_cast<std::uint32_t>(run.recnos[i]) : 0);
    std::memcpy(item + kKeyOffset, run.keys + static_cast<std::size_t>(i) * KeyLength, static_cast<std::size_t>(KeyLength));
  }
  if (!run.leaf) PutLE32(page + kItemsOffset + run.count * EntrySize, static_cast<std::uint32_t>(run.last / kBlockSize));
}

bool VXobjNDXTag::NodeRead(std::int32_t page, VXobjIndexKey& node) {
  std::uint8_t b[kBlockSize];
  if (page <= 0 || page % kBlockSize != 0 || !file_->PageRead(page, b, kBlockSize)) file_->RaiseCorrupted();
  node.ClearEntries();
  node.Child.reset();
  node.Pos = -1;
  node.Left = node.Right = -1;
  const std::uint32_t stored = GetLE32(b + kCountOffset);
  if (stored > static_cast<std::uint32_t>(kItemArea)) file_->RaiseCorrupted();
  const int count = static_cast<int>(stored);
  // The first item's child (the bare pointer of an interior page without
  // keys) tells an interior page.
  const bool interior = GetLE32(b + kItemsOffset) != 0;
  CheckItems(kItemsOffset, count, EntrySize, interior ? 4 : 0);
  node.Kind = interior ? kNodeInterior : kNodeLeaf;
  node.Reserve(count + 1);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* item = b + kItemsOffset + i * EntrySize;
    VXobjIndexKeyData& entry = node.AppendNew();
    LoadKey(item + kKeyOffset, entry);
    if (interior) {
      entry.RecNo = 0;
      entry.Link = CheckedChild(static_cast<std::int64_t>(GetLE32(item)) * kBlockSize, kBlockSize);
    } else {
      std::uint32_t recno = GetLE32(item + kRecnoOffset);
      if (recno < 1 || recno > 0x7FFFFFFF) file_->RaiseCorrupted();
      entry.RecNo = entry.Link = static_cast<std::int32_t>(recno);
    }
  }
  if (interior)
    AppendLastChild(node, CheckedChild(static_cast<std::int64_t>(GetLE32(b + kItemsOffset + count * EntrySize)) * kBlockSize,
                                       kBlockSize));
  return true;
}

}  // namespace talvern
