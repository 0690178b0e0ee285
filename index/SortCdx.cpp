#include "index/SortCdx.h"

#include <algorithm>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/Fields.h"
#include "index/CdxFile.h"
#include "index/CdxTag.h"

namespace talvern {

using namespace cdx;

VXobjSortCDX::VXobjSortCDX(VXobjCDXTag* tag, VXO_dBaseFld* table)
    : TvxSort(tag->KeyLength + 1, nullptr, true, tag->Unique), tag_(tag), table_(table) {
  std::uint32_t count = table ? static_cast<std::uint32_t>(table->RecordCount()) : 0;
  layout_ = BuilderLeafLayout(tag->KeyLength, count);
}

VXobjSortCDX::~VXobjSortCDX() {
  try {
    Finish();
  } catch (...) {
    // Finish runs explicitly on the normal path; here only after a failure
    // that the caller already handles.
  }
}

void VXobjSortCDX::WriteOut() {
  TvxVariant key;
  std::int32_t recno = 0;
  while (RetrieveUnique(key, recno)) {
    std::int32_t length = std::min<std::int32_t>(key.Length(), tag_->KeyLength);
    if (key.Type() != VariantType::Text)
      while (length > 1 && key.Data()[length - 1] == 0) --length;
    ++written_;
    if (table_) table_->StatusReport(2, static_cast<std::int32_t>(written_), 0);
    AddToLevel(0, key.Data(), length, recno, 0);
    lastKey_.assign(key.Data(), key.Data() + length);
    lastRecno_ = recno;
  }
}

bool VXobjSortCDX::Full(const Level& l, int level) const {
  if (level == 0) return l.free < 2 * (layout_.entryBytes + tag_->KeyLength + 8);
  return l.count >= tag_->MaxKeys;
}

void VXobjSortCDX::StartNode(int level) {
  Level& l = *levels_[static_cast<std::size_t>(level)];
  l.page.fill(0);
  if (level > 0) {
    const std::uint8_t pad = tag_->KeyType == 'C' ? ' ' : 0;
    std::fill(l.page.begin() + kInteriorEntries, l.page.end(), pad);
  }
  l.count = 0;
  l.free = kLeafArea;
  l.position = kLeafArea;
  l.previous.clear();
}

void VXobjSortCDX::AddToLevel(int level, const std::uint8_t* key, int length, std::int32_t recno,
                              std::int32_t child) {
  if (level >= kMaxLevels) tag_->File()->RaiseCorrupted();
  if (static_cast<int>(levels_.size()) <= level) {
    levels_.push_back(std::make_unique<Level>());
    levels_.back()->offset = tag_->File()->PageAllocate();
    StartNode(level);
  }
  Level* l = levels_[static_cast<std::size_t>(level)].get();
  if (l->count > 0 && Full(*l, level)) {
    std::int32_t next = tag_->File()->PageAllocate();
    CloseNode(level, next);
    l = levels_[static_cast<std::size_t>(level)].get();
    l->left = l->offset;
    l->offset = next;
    StartNode(level);
  }
  const int keyLength = tag_->KeyLength;
  if (level == 0) {
    const int eb = layout_.entryBytes;
    int dup = 0;
    int limit = std::min<int>(static_cast<int>(l->previous.size()), length);
    while (dup < limit && l->previous[static_cast<std::size_t>(dup)] == key[dup]) ++dup;
    int trail = keyLength - length;
    int fresh = length - dup;
    const int recBits = eb * 8 - layout_.dupBits - layout_.trailBits;
    std::uint64_t v = static_cast<std::uint32_t>(recno) & layout_.recMask;
    v |= static_cast<std::uint64_t>(dup) << recBits;
    v |= static_cast<std::uint64_t>(trail) << (recBits + layout_.dupBits);
    std::uint8_t* d = l->page.data() + kLeafEntries + l->count * eb;
    for (int k = 0; k < eb; ++k) d[k] = static_cast<std::uint8_t>(v >> (8 * k));
    l->position -= fresh;
    if (fresh > 0) std::memcpy(l->page.data() + kLeafEntries + l->position, key + dup, static_cast<std::size_t>(fresh));
    l->free -= fresh + eb;
    l->previous.assign(key, key + length);
  } else {
    std::uint8_t* e = l->page.data() + kInteriorEntries + l->count * tag_->EntrySize;
    if (length > 0) std::memcpy(e, key, static_cast<std::size_t>(std::min(length, keyLength)));
    PutBE32(e + keyLength, static_cast<std::uint32_t>(recno));
    PutBE32(e + keyLength + 4, static_cast<std::uint32_t>(child));
  }
  ++l->count;
  l->lastKey.assign(key, key + length);
  l->lastRecno = recno;
}

void VXobjSortCDX::CloseNode(int level, std::int32_t right) {
  Level& l = *levels_[static_cast<std::size_t>(level)];
  bool root = level + 1 >= static_cast<int>(levels_.size()) && right == -1;
  std::uint8_t* p = l.page.data();
  PutLE16(p + kAttributesOffset, static_cast<std::uint32_t>((level == 0 ? kAttrLeaf : kAttrInterior) +
                                                            (root ? kAttrRoot : 0)));
  PutLE16(p + kCountOffset, static_cast<std::uint32_t>(l.count));
  PutLE32(p + kLeftOffset, static_cast<std::uint32_t>(l.left));
  PutLE32(p + kRightOffset, static_cast<std::uint32_t>(right));
  if (level == 0) {
    PutLE16(p + kFreeSpaceOffset, static_cast<std::uint32_t>(l.free));
    PutLE32(p + kRecMaskOffset, layout_.recMask);
    p[kDupMaskOffset] = layout_.dupMask;
    p[kTrailMaskOffset] = layout_.trailMask;
    p[kRecBitsOffset] = layout_.recBits;
    p[kDupBitsOffset] = layout_.dupBits;
    p[kTrailBitsOffset] = layout_.trailBits;
    p[kEntryBytesOffset] = layout_.entryBytes;
  }
  WritePage(l.offset, p);
  if (root) {
    tag_->Root = l.offset;
    return;
  }
  // The highest key of the node goes up as its separator.
  std::vector<std::uint8_t> separator = l.lastKey;
  std::int32_t recno = l.lastRecno, child = l.offset;
  AddToLevel(level + 1, separator.data(), static_cast<int>(separator.size()), recno, child);
}

void VXobjSortCDX::Finish() {
  if (finished_) return;
  finished_ = true;
  for (int level = 0; level < static_cast<int>(levels_.size()); ++level) {
    if (levels_[static_cast<std::size_t>(level)]->count == 0) continue;
    CloseNode(level, -1);
  }
  FlushPages();
}

namespace {
constexpr std::size_t kPendingPages = 4096;
constexpr std::size_t kRunPages = 256;
}  // namespace

void VXobjSortCDX::WritePage(std::int32_t offset, const std::uint8_t* page) {
  auto& slot = pending_[offset];
  std::memcpy(slot.data(), page, kPageSize);
  if (pending_.size() >= kPendingPages) FlushPages();
}

void VXobjSortCDX::FlushPages() {
  std::vector<std::uint8_t> run;
  std::int32_t start = -1, next = -1;
  auto write = [&] {
    if (!run.empty()) tag_->File()->PageWrite(start, run.data(), static_cast<std::int32_t>(run.size()));
    run.clear();
  };
  for (const auto& [offset, page] : pending_) {
    if (offset != next || run.size() >= kRunPages * kPageSize) {
      write();
      start = offset;
    }
    run.insert(run.end(), page.begin(), page.end());
    next = offset + kPageSize;
  }
  write();
  pending_.clear();
}

// Building a tag.

void VXobjCDXTag::TagBuild() {
  if (Options >= kOptionDirectory) {
    WriteEmptyRoot();
    HeaderDirty = true;
    HeaderWrite();
    return;
  }
  VXO_dBaseFld* table = Table();
  VXobjSortCDX builder(this, table);
  CollectKeys(builder);
  if (builder.Count() > 0) builder.WriteOut();
  else WriteEmptyRoot();
  if (table) table->StatusReport(0, 0, 0);
  builder.Finish();
  HeaderDirty = true;
  HeaderWrite();
}

// A new tag without entries: one empty root leaf.
void VXobjCDXTag::WriteEmptyRoot() {
  std::uint8_t page[kPageSize] = {};
  Root = file_->PageAllocate();
  LeafLayout layout = MakeLeafLayout(KeyLength, 3);
  PutLE16(page + kAttributesOffset, kAttrLeaf + kAttrRoot);
  PutLE32(page + kLeftOffset, 0xFFFFFFFFu);
  PutLE32(page + kRightOffset, 0xFFFFFFFFu);
  PutLE16(page + kFreeSpaceOffset, kLeafArea);
  PutLE32(page + kRecMaskOffset, layout.recMask);
  page[kDupMaskOffset] = layout.dupMask;
  page[kTrailMaskOffset] = layout.trailMask;
  page[kRecBitsOffset] = layout.recBits;
  page[kDupBitsOffset] = layout.dupBits;
  page[kTrailBitsOffset] = layout.trailBits;
  page[kEntryBytesOffset] = layout.entryBytes;
  file_->PageWrite(Root, page, kPageSize);
}

}  // namespace talvern
