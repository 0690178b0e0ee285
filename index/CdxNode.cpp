// Reading and writing the node pages of a compound index tag: compressed
// leaves and interior nodes (layout in CdxLayout.h). Pages read from disk are
// checked before use; one that does not add up gives "Index file %s is
// corrupted".

#include <algorithm>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/Fields.h"
#include "index/CdxFile.h"
#include "index/CdxLayout.h"
#include "index/CdxTag.h"
#include "index/KeyCompare.h"

namespace talvern {

using namespace cdx;

namespace {

// Secondary bytes of a GENERAL key are stored with their high four bits
// cleared; the reader restores them on the final bytes of 15 or less.
void RestoreSecondary(std::uint8_t* key, int length) {
  for (int i = length - 1; i >= 1 && key[i] <= 0x0F; --i) key[i] |= 0xF0;
}

void ClearSecondary(std::uint8_t* bytes, int length) {
  for (int i = length - 1; i >= 0 && bytes[i] >= 0xF0; --i) bytes[i] &= 0x0F;
}

int CommonPrefix(const VXobjIndexKeyData& a, const VXobjIndexKeyData& b) {
  std::int32_t n = std::min(a.Length(), b.Length());
  std::int32_t i = 0;
  while (i < n && a.Data()[i] == b.Data()[i]) ++i;
  return i;
}

}  // namespace

bool VXobjCDXTag::NodeRead(std::int32_t page, VXobjIndexKey& node) {
  std::uint8_t buffer[kPageSize];
  if (page <= 0 || page % kPageSize != 0 || !file_->PageRead(page, buffer, kPageSize)) file_->RaiseCorrupted();
  // Bit 1 of the attributes tells a leaf; other programs set further bits
  // (bit 2 on leaves), which say nothing to this reader.
  std::uint16_t attributes = GetLE16(buffer + kAttributesOffset);
  node.ClearEntries();
  node.Child.reset();
  node.Kind = (attributes & kAttrLeaf) ? kNodeLeaf : kNodeInterior;
  node.Left = static_cast<std::int32_t>(GetLE32(buffer + kLeftOffset));
  node.Right = static_cast<std::int32_t>(GetLE32(buffer + kRightOffset));
  node.Pos = -1;
  std::uint16_t count = GetLE16(buffer + kCountOffset);
  if (count > 16) node.Reserve(count + 1);
  bool ok = node.IsLeaf() ? ReadLeaf(buffer, node) : ReadInterior(buffer, node);
  if (!ok) file_->RaiseCorrupted();
  return true;
}

bool VXobjCDXTag::ReadLeaf(const std::uint8_t* page, VXobjIndexKey& node) {
  const int count = GetLE16(page + kCountOffset);
  node.FreeSpace = GetLE16(page + kFreeSpaceOffset);
  node.RecMask = GetLE32(page + kRecMaskOffset);
  node.DupMask = page[kDupMaskOffset];
  node.TrailMask = page[kTrailMaskOffset];
  node.RecBits = page[kRecBitsOffset];
  node.DupBits = page[kDupBitsOffset];
  node.TrailBits = page[kTrailBitsOffset];
  node.EntryBytes = page[kEntryBytesOffset];
  if (count == 0) return true;
  // Other programs use 1-byte descriptors on small tables; a descriptor is
  // read as a little-endian number of its own width, the counts in its top
  // bits.
  const int eb = node.EntryBytes;
  const int bits = eb * 8;
  if (eb < 1 || eb > 8 || node.DupBits + node.TrailBits > bits || count * eb > kLeafArea) return false;
  const int keyLength = KeyLength;
  const bool character = IsCharacter();
  const bool general = IsGeneral();
  const std::uint8_t pad = character ? ' ' : 0;
  std::uint8_t key[kMaxKeyLength + 16];
  std::memset(key, pad, sizeof key);
  int position = kLeafArea;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* d = page + kLeafEntries + i * eb;
    std::uint64_t v = 0;
    for (int k = 0; k < eb; ++k) v |= static_cast<std::uint64_t>(d[k]) << (8 * k);
    std::uint32_t recno = static_cast<std::uint32_t>(v) & node.RecMask;
    int dup = static_cast<int>(v >> (bits - node.TrailBits - node.DupBits)) & node.DupMask;
    int trail = static_cast<int>(v >> (bits - node.TrailBits)) & node.TrailMask;
    if (dup + trail > keyLength) return false;
    int fresh = keyLength - dup - trail;
    position -= fresh;
    if (position < count * eb) return false;
    std::memcpy(key + dup, page + kLeafEntries + position, static_cast<std::size_t>(fresh));
    std::memset(key + keyLength - trail, pad, static_cast<std::size_t>(trail));
    int length = keyLength - trail;
    if (general) RestoreSecondary(key, length);
    VXobjIndexKeyData& entry = node.AppendNew();
    StoreDecodedKey(entry, key, length);
    entry.RecNo = entry.Link = static_cast<std::int32_t>(recno);
  }
  return true;
}

bool VXobjCDXTag::ReadInterior(const std::uint8_t* page, VXobjIndexKey& node) {
  const int count = GetLE16(page + kCountOffset);
  if (count * EntrySize > kInteriorArea) return false;
  const int keyLength = KeyLength;
  std::uint8_t key[kMaxKeyLength + 16];
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* e = page + kInteriorEntries + i * EntrySize;
    std::memcpy(key, e, static_cast<std::size_t>(keyLength));
    int length = keyLength;
    if (IsCharacter()) {
      while (length > 0 && key[length - 1] == ' ') --length;
      if (IsGeneral()) RestoreSecondary(key, length);
    }
    VXobjIndexKeyData& entry = node.AppendNew();
    StoreDecodedKey(entry, key, length);
    entry.RecNo = static_cast<std::int32_t>(GetBE32(e + keyLength));
    entry.Link = static_cast<std::int32_t>(GetBE32(e + keyLength + 4));
    if (entry.Link <= 0 || entry.Link % kPageSize != 0) return false;
  }
  return true;
}

// A decoded key as the tag compares it: character keys without trailing
// blanks, other keys binary without trailing zero bytes (their first byte
// always stays), the form KeyConvert gives search keys.
void VXobjCDXTag::StoreDecodedKey(VXobjIndexKeyData& entry, const std::uint8_t* key, int length) {
  if (IsCharacter()) {
    while (length > 0 && key[length - 1] == ' ') --length;
    entry.SetText(std::string_view(reinterpret_cast<const char*>(key), static_cast<std::size_t>(length)));
  } else {
    int keep = nullable_ ? 2 : 1;
    while (length > keep && key[length - 1] == 0) --length;
    entry.SetBytes(key, length);
  }
}

std::uint32_t VXobjCDXTag::LargestLeafValue() {
  std::uint32_t largest = 0;
  if (Options >= kOptionDirectory) {
    if (VXO_DiskFile* disk = file_->DiskFile()) largest = static_cast<std::uint32_t>(disk->FileSize());
  } else if (VXO_dBaseFld* table = Table()) {
    largest = static_cast<std::uint32_t>(table->RecordCount());
  }
  return largest;
}

bool VXobjCDXTag::NodeWrite(VXobjIndexKey& node) {
  std::uint8_t page[kPageSize];
  if (node.Count() == 0 && node.Parent) {
    // An emptied page has left its parent: its neighbours now link past
    // it, so that readers walking the level do not meet it.
    FixRightLink(node.Left, node.Right);
    FixLeftLink(node.Right, node.Left);
  }
  if (node.IsLeaf()) WriteLeaf(node, page);
  else WriteInterior(node, page);
  return true;
}

namespace {

// Encodes leaf entries [from, to) into a cleared page.
struct LeafEncoder {
  int keyLength;
  bool general;
  LeafLayout layout;

  void Begin(std::uint8_t* page) const {
    std::memset(page + kLeafEntries, 0, kLeafArea);
    PutLE32(page + kRecMaskOffset, layout.recMask);
    page[kDupMaskOffset] = layout.dupMask;
    page[kTrailMaskOffset] = layout.trailMask;
    page[kRecBitsOffset] = layout.recBits;
    page[kDupBitsOffset] = layout.dupBits;
    page[kTrailBitsOffset] = layout.trailBits;
    page[kEntryBytesOffset] = layout.entryBytes;
  }

  // Bytes the entries [from, to) take, the first starting a page.
  int Bytes(VXobjIndexKey& node, int from, int to) const {
    int total = 0;
    for (int i = from; i < to; ++i) {
      int length = std::min<int>(node.At(i).Length(), keyLength);
      int dup = i == from ? 0 : std::min(CommonPrefix(node.At(i - 1), node.At(i)), length);
      total += length - dup + layout.entryBytes;
    }
    return total;
  }

  // The number of entries from `from` on that keep the running total below
  // limit (at least one).
  int FitBelow(VXobjIndexKey& node, int from, int limit) const {
    int total = 0, n = 0;
    for (int i = from; i < node.Count(); ++i) {
      int length = std::min<int>(node.At(i).Length(), keyLength);
      int dup = i == from ? 0 : std::min(CommonPrefix(node.At(i - 1), node.At(i)), length);
      total += length - dup + layout.entryBytes;
      if (total >= limit) break;
      ++n;
    }
    return std::max(n, 1);
  }

  void Encode(VXobjIndexKey& node, int from, int to, std::uint8_t* page) const {
    Begin(page);
    int free = kLeafArea;
    int position = kLeafArea;
    const int eb = layout.entryBytes;
    const int recBits = eb * 8 - layout.trailBits - layout.dupBits;
    for (int i = from; i < to; ++i) {
      const VXobjIndexKeyData& e = node.At(i);
      int length = std::min<int>(e.Length(), keyLength);
      int trail = keyLength - length;
      int dup = i == from ? 0 : std::min(CommonPrefix(node.At(i - 1), e), length);
      int fresh = length - dup;
      free -= fresh + eb;
      std::uint64_t v = static_cast<std::uint32_t>(e.Link) & layout.recMask;
      v |= static_cast<std::uint64_t>(dup) << recBits;
      v |= static_cast<std::uint64_t>(trail) << (recBits + layout.dupBits);
      std::uint8_t* d = page + kLeafEntries + (i - from) * eb;
      for (int k = 0; k < eb; ++k) d[k] = static_cast<std::uint8_t>(v >> (8 * k));
      position -= fresh;
      std::uint8_t* bytes = page + kLeafEntries + position;
      if (fresh > 0) std::memcpy(bytes, e.Data() + dup, static_cast<std::size_t>(fresh));
      if (general) ClearSecondary(bytes, fresh);
    }
    PutLE16(page + kCountOffset, static_cast<std::uint32_t>(to - from));
    PutLE16(page + kFreeSpaceOffset, static_cast<std::uint32_t>(free));
  }
};

void PutSiblings(std::uint8_t* page, std::uint16_t attributes, std::int32_t left, std::int32_t right) {
  PutLE16(page + kAttributesOffset, attributes);
  PutLE32(page + kLeftOffset, static_cast<std::uint32_t>(left));
  PutLE32(page + kRightOffset, static_cast<std::uint32_t>(right));
}

}  // namespace

// Points the right link of the page at offset left to right.
void VXobjCDXTag::FixRightLink(std::int32_t left, std::int32_t right) {
  if (left <= 0) return;
  std::uint8_t sibling[kPageSize];
  if (!file_->PageRead(left, sibling, kPageSize)) file_->RaiseCorrupted();
  PutLE32(sibling + kRightOffset, static_cast<std::uint32_t>(right));
  file_->PageWrite(left, sibling, kPageSize);
}

// Points the left link of the page at offset right to left.
void VXobjCDXTag::FixLeftLink(std::int32_t right, std::int32_t left) {
  if (right <= 0) return;
  std::uint8_t sibling[kPageSize];
  if (!file_->PageRead(right, sibling, kPageSize)) file_->RaiseCorrupted();
  PutLE32(sibling + kLeftOffset, static_cast<std::uint32_t>(left));
  file_->PageWrite(right, sibling, kPageSize);
}

void VXobjCDXTag::WriteLeaf(VXobjIndexKey& node, std::uint8_t* page) {
  std::uint32_t largest = LargestLeafValue();
  for (int i = 0; i < node.Count(); ++i) largest = std::max(largest, static_cast<std::uint32_t>(node.At(i).Link));
  LeafEncoder encoder{KeyLength, IsGeneral(), WriterLeafLayout(KeyLength, largest)};
  node.EntryBytes = encoder.layout.entryBytes;
  node.RecBits = encoder.layout.recBits;
  node.RecMask = encoder.layout.recMask;
  int from = 0;
  // While the entries left do not fit one page, the lower part (up to half a
  // page of bytes) moves to a new page on the left.
  while (encoder.Bytes(node, from, node.Count()) >= kLeafArea) {
    int to = from + encoder.FitBelow(node, from, kLeafSplitTotal);
    std::memset(page, 0, kPageSize);
    encoder.Encode(node, from, to, page);
    std::int32_t newPage = file_->PageAllocate();
    VXobjIndexKeyData separator(node.At(to - 1));
    separator.Link = newPage;
    node.SplitInsert(separator);
    PutSiblings(page, kAttrLeaf, node.Left, node.Page);
    file_->PageWrite(newPage, page, kPageSize);
    FixRightLink(node.Left, newPage);
    node.Left = newPage;
    from = to;
  }
  std::memset(page, 0, kPageSize);
  encoder.Encode(node, from, node.Count(), page);
  node.FreeSpace = GetLE16(page + kFreeSpaceOffset);
  PutSiblings(page, static_cast<std::uint16_t>(kAttrLeaf + (node.Parent ? 0 : kAttrRoot)), node.Left, node.Right);
  file_->PageWrite(node.Page, page, kPageSize);
}

void VXobjCDXTag::WriteInterior(VXobjIndexKey& node, std::uint8_t* page) {
  const std::uint8_t pad = IsCharacter() ? ' ' : 0;
  const bool general = IsGeneral();
  auto encode = [&](int from, int to) {
    std::memset(page, 0, kPageSize);
    std::memset(page + kInteriorEntries, pad, kPageSize - kInteriorEntries);
    for (int i = from; i < to; ++i) {
      const VXobjIndexKeyData& e = node.At(i);
      std::uint8_t* out = page + kInteriorEntries + (i - from) * EntrySize;
      int length = std::min<int>(e.Length(), KeyLength);
      if (length > 0) std::memcpy(out, e.Data(), static_cast<std::size_t>(length));
      if (general) ClearSecondary(out, length);
      PutBE32(out + KeyLength, static_cast<std::uint32_t>(e.RecNo));
      PutBE32(out + KeyLength + 4, static_cast<std::uint32_t>(e.Link));
    }
    PutLE16(page + kCountOffset, static_cast<std::uint32_t>(to - from));
  };
  int from = 0;
  while (node.Count() - from > MaxKeys) {
    int remaining = node.Count() - from;
    int to = from + std::min<int>(remaining - remaining / 2, MaxKeys);
    encode(from, to);
    std::int32_t newPage = file_->PageAllocate();
    VXobjIndexKeyData separator(node.At(to - 1));
    separator.Link = newPage;
    node.SplitInsert(separator);
    PutSiblings(page, kAttrInterior, node.Left, node.Page);
    file_->PageWrite(newPage, page, kPageSize);
    FixRightLink(node.Left, newPage);
    node.Left = newPage;
    from = to;
  }
  encode(from, node.Count());
  PutSiblings(page, static_cast<std::uint16_t>(kAttrInterior + (node.Parent ? 0 : kAttrRoot)), node.Left, node.Right);
  file_->PageWrite(node.Page, page, kPageSize);
  if (node.Kind == kNodeNewRoot) node.Kind = kNodeInterior;
}

}  // namespace talvern
