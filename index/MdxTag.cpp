#include "index/MdxTag.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Strings.h"
#include "index/MdxFile.h"
#include "index/MdxLayout.h"
#include "index/NumericKeys.h"
#include "index/SortItems.h"

namespace talvern {

using namespace mdx;

namespace {

std::int64_t UnitOffset(std::uint32_t unit) { return static_cast<std::int64_t>(unit) * kUnit; }

// The 4-byte key of an integer: big-endian with the sign bit flipped.
void EncodeInteger(double value, std::uint8_t out[4]) {
  double clipped = std::isnan(value) ? 0 : std::clamp(std::trunc(value), -2147483648.0, 2147483647.0);
  PutBE32(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(clipped)) ^ 0x80000000u);
}

}  // namespace

VXobjMDXTag::VXobjMDXTag(VXobjMDXFile* file, std::int32_t headerOffset, const std::string& name)
    : VXobjItemTag(file, UpperCase(name)), blockSize_(file->BlockSize()) {
  KindName = "MDX";
  ExprDialect = 10;
  PlaceHeader(headerOffset);
}

// Header.

bool VXobjMDXTag::HeaderRead() {
  std::vector<std::uint8_t> h(static_cast<std::size_t>(blockSize_));
  if (blockSize_ < kUnit || !file_->PageRead(HeaderOffset, h.data(), blockSize_)) return false;
  const std::int64_t root = UnitOffset(GetLE32(h.data() + kRootOffset));
  VXO_DiskFile* disk = file_->DiskFile();
  if (root <= 0 || root > kIndexSpaceEnd - blockSize_ || (disk && root + blockSize_ > disk->FileSize())) return false;
  Root = static_cast<std::int32_t>(root);
  const std::uint8_t flags = h[kFlagsOffset];
  storedType_ = static_cast<char>(h[kKeyTypeOffset]);
  KeyLength = static_cast<std::int16_t>(GetLE16(h.data() + kKeyLengthOffset));
  const int itemLength = GetLE16(h.data() + kItemLengthOffset);
  switch (storedType_) {
    case 'C':
      if (KeyLength < 1 || KeyLength > kMaxKeyLength) return false;
      break;
    case 'N': if (KeyLength != kMdxNumberBytes) return false; break;
    case 'D': if (KeyLength != kSortableDoubleBytes) return false; break;
    case '+':
    case 'I': if (KeyLength != 4) return false; break;
    default: return false;
  }
  if (itemLength < KeyLength + 4 || mdx::MaxKeys(blockSize_, itemLength) < 2) return false;
  EntrySize = static_cast<std::uint16_t>(itemLength);
  MaxKeys = static_cast<std::uint16_t>(mdx::MaxKeys(blockSize_, itemLength));
  Unique = (flags & kFlagUnique) != 0 || h[kUniqueOffset] != 0;
  Ascending = (flags & kFlagDescending) == 0;
  StoredDescending = !Ascending;
  const char* text = reinterpret_cast<const char*>(h.data() + kKeyExprOffset);
  KeyExpr.assign(text, strnlen(text, kKeyExprSize));
  ForExpr.clear();
  if (h[kHasForOffset] != 0 && blockSize_ >= kForExprOffset + kForExprSize) {
    text = reinterpret_cast<const char*>(h.data() + kForExprOffset);
    ForExpr.assign(text, strnlen(text, kForExprSize));
  }
  HasFor = !Trim(ForExpr).empty();
  firstBlock_ = GetLE32(h.data() + kFirstBlockOffset);
  lastBlock_ = GetLE32(h.data() + kLastBlockOffset);
  if (Trim(KeyExpr).empty()) return false;
  LearnKeyType(IntegerKeys() ? 'N' : storedType_);
  HeaderDirty = false;
  return true;
}

bool VXobjMDXTag::HeaderWrite() {
  if (!HeaderDirty) return true;
  // The header as it is, so that bytes this program does not set stay.
  std::vector<std::uint8_t> h(static_cast<std::size_t>(blockSize_), 0);
  VXO_DiskFile* disk = file_->DiskFile();
  if (disk && HeaderOffset + blockSize_ <= disk->FileSize()) file_->PageRead(HeaderOffset, h.data(), blockSize_);
  PutLE32(h.data() + kRootOffset, static_cast<std::uint32_t>(Root / kUnit));
  h[kFlagsOffset] = static_cast<std::uint8_t>(kFlagsTag | (Unique ? kFlagUnique : 0) | (Ascending ? 0 : kFlagDescending));
  h[kKeyTypeOffset] = static_cast<std::uint8_t>(storedType_);
  PutLE16(h.data() + kKeyLengthOffset, static_cast<std::uint32_t>(KeyLength));
  PutLE16(h.data() + kMaxKeysOffset, MaxKeys);
  PutLE16(h.data() + kItemLengthOffset, EntrySize);
  h[kUniqueOffset] = Unique ? kFlagUnique : 0;
  std::memset(h.data() + kKeyExprOffset, 0, kKeyExprSize);
  std::memcpy(h.data() + kKeyExprOffset, KeyExpr.data(), std::min<std::size_t>(KeyExpr.size(), kKeyExprSize - 1));
  h[kHasForOffset] = HasFor ? 1 : 0;
  h[kOneOffset] = 1;
  PutLE32(h.data() + kFirstBlockOffset, firstBlock_);
  PutLE32(h.data() + kLastBlockOffset, lastBlock_);
  if (blockSize_ >= kForExprOffset + kForExprSize) {
    std::memset(h.data() + kForExprOffset, 0, kForExprSize);
    if (HasFor)
      std::memcpy(h.data() + kForExprOffset, ForExpr.data(), std::min<std::size_t>(ForExpr.size(), kForExprSize - 1));
  }
  file_->PageWrite(HeaderOffset, h.data(), blockSize_);
  HeaderDirty = false;
  return true;
}

std::int32_t VXobjMDXTag::RootPointer() {
  std::uint8_t h[kUnit];
  if (!file_->PageRead(HeaderOffset, h, kUnit)) file_->RaiseCorrupted();
  return CheckedChild(UnitOffset(GetLE32(h + kRootOffset)), kUnit);
}

std::int32_t VXobjMDXTag::NewBlockChain(std::int32_t page) {
  std::uint32_t previous = lastBlock_;
  lastBlock_ = static_cast<std::uint32_t>(page / kUnit);
  if (firstBlock_ == 0) firstBlock_ = lastBlock_;
  HeaderDirty = true;
  return static_cast<std::int32_t>(previous);
}

// Keys.

int VXobjMDXTag::BinaryLength() const {
  if (IntegerKeys()) return 4;
  return KeyType == 'N' || KeyType == 'D' ? kSortableDoubleBytes : 0;
}

void VXobjMDXTag::KeyConvert(VXobjIndexKeyData& value, bool trim) {
  const int binary = BinaryLength();
  if (binary == 0) {
    CharacterKey(value, trim);
    return;
  }
  if (value.Type() == VariantType::Raw && value.Length() == binary) return;  // converted
  double number = NumberOf(value);
  std::uint8_t bytes[kMdxNumberBytes];
  if (IntegerKeys()) {
    EncodeInteger(number, bytes);
    value.SetBytes(bytes, 4);
    return;
  }
  if (KeyType == 'N') {
    // Rounded as the file stores it.
    EncodeMdxNumber(number, bytes);
    number = DecodeMdxNumber(bytes);
  }
  EncodeSortableDouble(number, bytes);
  value.SetBytes(bytes, kSortableDoubleBytes);
}

void VXobjMDXTag::StoreKey(const TvxVariant& key, std::uint8_t* out) const {
  const int binary = BinaryLength();
  if (binary == 0) {
    PadKey(key, out);
    return;
  }
  std::memset(out, 0, static_cast<std::size_t>(KeyLength));
  if (key.Length() != binary) return;
  if (IntegerKeys()) {
    std::memcpy(out, key.Data(), 4);
    return;
  }
  double value = DecodeSortableDouble(key.Data());
  if (storedType_ == 'N') {
    EncodeMdxNumber(value, out);
  } else {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, 8);
    PutLE64(out, bits);
  }
}

void VXobjMDXTag::LoadKey(const std::uint8_t* stored, VXobjIndexKeyData& entry) const {
  const int binary = BinaryLength();
  if (binary == 0) {
    int n = KeyLength;
    while (n > 0 && stored[n - 1] == ' ') --n;
    entry.SetText(std::string_view(reinterpret_cast<const char*>(stored), static_cast<std::size_t>(n)));
    return;
  }
  if (IntegerKeys()) {
    entry.SetBytes(stored, 4);
    return;
  }
  double value = 0;
  if (storedType_ == 'N') {
    value = DecodeMdxNumber(stored);
  } else {
    std::uint64_t bits = GetLE64(stored);
    std::memcpy(&value, &bits, 8);
  }
  std::uint8_t bytes[kSortableDoubleBytes];
  EncodeSortableDouble(value, bytes);
  entry.SetBytes(bytes, kSortableDoubleBytes);
}

void VXobjMDXTag::FixKeyForm(const TvxVariant& value) {
  KeyType = TypeLetter(value);
  if (KeyType == 'L') KeyType = 'C';
  storedType_ = KeyType;
  if (KeyType == 'C') {
    KeyLength = CharacterKeyLength(value, kMaxKeyLength);
  } else {
    KeyLength = KeyType == 'N' ? kMdxNumberBytes : kSortableDoubleBytes;
  }
  EntrySize = static_cast<std::uint16_t>(ItemLength(KeyLength));
  MaxKeys = static_cast<std::uint16_t>(std::max(mdx::MaxKeys(blockSize_, EntrySize), 0));
  if (MaxKeys < 2) Raise("Key expression result is too long for index tag %s", {Name});
}

std::unique_ptr<TvxItemBuilder> VXobjMDXTag::NewBuilder() { return std::make_unique<VXobjSortMDX>(this); }

// Pages.

void VXobjMDXTag::EncodePage(std::uint8_t* page, const ItemRun& run) const {
  PutLE32(page + kCountOffset, static_cast<std::uint32_t>(run.count));
  PutLE32(page + kChainOffset, static_cast<std::uint32_t>(run.chain));
  for (int i = 0; i < run.count; ++i) {
    std::uint8_t* item = page + kItemsOffset + i * EntrySize;
    PutLE32(item, static_cast<std::uint32_t>(run.leaf ? run.recnos[i] : run.links[i] / kUnit));
    std::memcpy(item + kPointerBytes, run.keys + static_cast<std::size_t>(i) * KeyLength,
                static_cast<std::size_t>(KeyLength));
  }
  if (!run.leaf) PutLE32(page + kItemsOffset + run.count * EntrySize, static_cast<std::uint32_t>(run.last / kUnit));
}

bool VXobjMDXTag::NodeRead(std::int32_t page, VXobjIndexKey& node) {
  std::vector<std::uint8_t>& b = page_;
  b.resize(static_cast<std::size_t>(blockSize_));
  if (page <= 0 || page % kUnit != 0 || !file_->PageRead(page, b.data(), blockSize_)) file_->RaiseCorrupted();
  node.ClearEntries();
  node.Child.reset();
  node.Pos = -1;
  node.Right = -1;
  const std::uint32_t stored = GetLE32(b.data() + kCountOffset);
  if (stored > static_cast<std::uint32_t>(blockSize_)) file_->RaiseCorrupted();
  const int count = static_cast<int>(stored);
  CheckItems(kItemsOffset, count, EntrySize, 0);
  // The chain of blocks in writing order, kept for when the node is written.
  node.Left = static_cast<std::int32_t>(GetLE32(b.data() + kChainOffset));
  // A pointer after the last key makes the node interior.
  const int after = kItemsOffset + count * EntrySize;
  const bool interior = after + kPointerBytes <= blockSize_ && GetLE32(b.data() + after) != 0;
  node.Kind = interior ? kNodeInterior : kNodeLeaf;
  node.Reserve(count + 1);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* item = b.data() + kItemsOffset + i * EntrySize;
    VXobjIndexKeyData& entry = node.AppendNew();
    LoadKey(item + kPointerBytes, entry);
    const std::uint32_t pointer = GetLE32(item);
    if (interior) {
      entry.RecNo = 0;
      entry.Link = CheckedChild(UnitOffset(pointer), kUnit);
    } else {
      if (pointer < 1 || pointer > 0x7FFFFFFF) file_->RaiseCorrupted();
      entry.RecNo = entry.Link = static_cast<std::int32_t>(pointer);
    }
  }
  if (interior) AppendLastChild(node, CheckedChild(UnitOffset(GetLE32(b.data() + after)), kUnit));
  return true;
}

}  // namespace talvern
