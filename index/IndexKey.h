#pragma once
// The in-memory side of an index B-tree, common to every index format.
//
// VXobjIndexKeyData is one index entry: a key value with the record number
// it belongs to and a link (the record number in a leaf, the child page in
// an interior node, a tag header offset in a compound file's tag directory).
//
// VXobjIndexKey is one node: all entries of one page, decoded, plus the
// node's place in the tag's node path. A tag keeps one path from its root to
// one leaf; each node owns the one child below it that is loaded. The node
// operations search, move, insert and delete along that path and keep the
// separators of the parents right; a format's NodeWrite that has to split a
// page calls SplitInsert, which adds the separator of the split-off part to
// the parent (creating a new root on the old root's page when needed).
//
// Nodes never do file I/O in their destructors: the owning tag writes dirty
// nodes, children first, when it releases the path (VXobjIndexTag).

#include <cstdint>
#include <memory>
#include <vector>

#include "expr/Variant.h"

namespace talvern {

class VXobjIndexTag;

// Search and insertion arguments with a meaning of their own.
constexpr std::int32_t kAnyRecord = -1;            // record numbers are not looked at
constexpr std::int32_t kAfterEqualKeys = 0x7FFFFFFF;  // place after every equal key

// Node kinds.
constexpr std::uint8_t kNodeNewRoot = 1;
constexpr std::uint8_t kNodeInterior = 2;
constexpr std::uint8_t kNodeLeaf = 3;

class VXobjIndexKeyData : public TvxVariant {
public:
  VXobjIndexKeyData() = default;
  VXobjIndexKeyData(const VXobjIndexKeyData& other) = default;
  VXobjIndexKeyData& operator=(const VXobjIndexKeyData& other) = default;
  ~VXobjIndexKeyData() override = default;

  // Record number of the entry; in interior entries that of the separator.
  std::int32_t RecNo = 0;
  // Leaf: the record number; interior: the child page; tag directory: the
  // tag header offset; in a search key kAnyRecord means any record.
  std::int32_t Link = 0;
};

class VXobjIndexKey {
public:
  // A node for page (> 0: loaded at once through the tag's NodeRead) with
  // the given parent (not owned).
  VXobjIndexKey(VXobjIndexTag* tag, std::int32_t page, VXobjIndexKey* parent);
  VXobjIndexKey(const VXobjIndexKey&) = delete;
  VXobjIndexKey& operator=(const VXobjIndexKey&) = delete;
  ~VXobjIndexKey();

  // Entries, in stored order; the node owns them.
  int Count() const { return static_cast<int>(entries_.size()); }
  VXobjIndexKeyData& At(int i) { return *entries_[static_cast<std::size_t>(i)]; }
  const VXobjIndexKeyData& At(int i) const { return *entries_[static_cast<std::size_t>(i)]; }
  void Insert(int at, const VXobjIndexKeyData& entry);
  void RemoveAt(int at);
  void ClearEntries();
  // A fresh entry appended at the end, for the formats' page decoders.
  VXobjIndexKeyData& AppendNew();
  void Reserve(int n);
  bool IsLeaf() const { return Kind == kNodeLeaf; }

  // 0 found, -1 stopped on the first greater entry, 1 every entry below is
  // smaller. recno: kAnyRecord, kAfterEqualKeys or a record number.
  int NodeSearch(std::int32_t recno, const VXobjIndexKeyData& key, int partial);
  // Makes the node for page the loaded child (interior nodes only).
  bool ChildLoad(std::int32_t page);
  bool NodeFirst();
  bool NodeLast();
  bool NodeNext();
  bool NodePrior();
  // Re-reads the entry at the path's positions into the tag's Current.
  bool NodeReread();
  // Copies the path's leaf entry into out; bit 0 of the result: on the first
  // entry at every level, bit 1: on the last.
  int NodeCurrent(VXobjIndexKeyData& out);
  void NodeInsert(const VXobjIndexKeyData& entry, bool after);
  void ParentReplace(const VXobjIndexKeyData& entry);
  void NodeDelete();
  void ParentRemove();
  // Split protocol: the first part of this node went to a new page; its
  // separator (Link = that page) goes into the parent before this node's
  // entry. A root gets a new root on its page first.
  void SplitInsert(const VXobjIndexKeyData& separator);

  // The loaded child, detached from this node (ownership passes).
  std::unique_ptr<VXobjIndexKey> DetachChild();
  void AttachChild(std::unique_ptr<VXobjIndexKey> child);
  // The new root a root split created (OwnsParent), handed to the caller
  // that writes this node, to be written after it.
  std::unique_ptr<VXobjIndexKey> TakeOwnedParent();

  std::int32_t Page = 0;
  std::int32_t Left = -1;
  std::int32_t Right = -1;
  VXobjIndexKey* Parent = nullptr;
  std::unique_ptr<VXobjIndexKey> Child;
  VXobjIndexTag* Tag = nullptr;
  std::uint8_t Kind = kNodeLeaf;
  std::int32_t Pos = -1;
  bool Dirty = false;
  bool OwnsParent = false;
  bool Stale = false;
  // Leaf compression parameters of compressed leaf formats.
  std::uint16_t FreeSpace = 0;
  std::uint32_t RecMask = 0;
  std::uint8_t DupMask = 0;
  std::uint8_t TrailMask = 0;
  std::uint8_t RecBits = 0;
  std::uint8_t DupBits = 0;
  std::uint8_t TrailBits = 0;
  std::uint8_t EntryBytes = 0;
  bool AtFirst = false;
  bool AtLast = false;
  // The file's cache generation when the page was read: a node read before
  // the file's cached pages were dropped is not kept for reuse.
  std::uint32_t Generation = 0;

private:
  void RootSplit();

  std::vector<std::unique_ptr<VXobjIndexKeyData>> entries_;
  std::unique_ptr<VXobjIndexKey> ownedParent_;
};

}  // namespace talvern
