#include "index/IndexKey.h"

#include <algorithm>

#include "index/IndexFile.h"
#include "index/IndexTag.h"
#include "index/KeyCompare.h"

namespace talvern {

namespace {
// Deepest node path a sound tag can have: 2^31 bytes of 512-byte pages with
// at least two entries per interior page stay far below it.
constexpr int kMaxDepth = 32;
}  // namespace

void CopyKey(TvxVariant& dst, const TvxVariant& src) {
  switch (src.Type()) {
    case VariantType::Text: dst.SetText(src.View()); break;
    case VariantType::Double: dst.SetDouble(src.AsDouble()); break;
    case VariantType::Date: dst.SetDate(src.AsDate()); break;
    case VariantType::Boolean: dst.SetBoolean(src.AsBoolean()); break;
    default: dst.SetBytes(src.Data(), src.Length()); break;
  }
}

VXobjIndexKey::VXobjIndexKey(VXobjIndexTag* tag, std::int32_t page, VXobjIndexKey* parent)
    : Page(page), Parent(parent), Tag(tag) {
  Generation = Tag->File()->CacheGeneration();
  if (page > 0) Tag->NodeRead(page, *this);
}

VXobjIndexKey::~VXobjIndexKey() {
  Child.reset();
  Tag->RecycleEntries(entries_);
}

void VXobjIndexKey::Insert(int at, const VXobjIndexKeyData& entry) {
  auto item = Tag->NewEntry();
  CopyEntry(*item, entry);
  at = std::clamp(at, 0, Count());
  entries_.insert(entries_.begin() + at, std::move(item));
}

void VXobjIndexKey::RemoveAt(int at) {
  if (at < 0 || at >= Count()) return;
  std::vector<std::unique_ptr<VXobjIndexKeyData>> gone;
  gone.push_back(std::move(entries_[static_cast<std::size_t>(at)]));
  entries_.erase(entries_.begin() + at);
  Tag->RecycleEntries(gone);
}

void VXobjIndexKey::ClearEntries() { Tag->RecycleEntries(entries_); }

VXobjIndexKeyData& VXobjIndexKey::AppendNew() {
  entries_.push_back(Tag->NewEntry());
  return *entries_.back();
}

void VXobjIndexKey::Reserve(int n) { entries_.reserve(static_cast<std::size_t>(std::max(n, 0))); }

std::unique_ptr<VXobjIndexKey> VXobjIndexKey::DetachChild() { return std::move(Child); }

void VXobjIndexKey::AttachChild(std::unique_ptr<VXobjIndexKey> child) { Child = std::move(child); }

// Search.

int VXobjIndexKey::NodeSearch(std::int32_t recno, const VXobjIndexKeyData& key, int partial) {
  Pos = 0;
  if (Count() == 0) return 1;
  const bool descending = Tag->StoredDescending;
  const bool recnoOrdered = Tag->File()->RecNoOrdered;
  // Every entry before the first one that is not smaller than the search
  // key would only be stepped over: a binary search finds where the scan
  // starts (the entries of a page ascend).
  int low = 0, high = Count();
  while (low < high) {
    int mid = (low + high) / 2;
    const VXobjIndexKeyData& entry = At(mid);
    int c = CompareIndexKeys(key, entry, partial);
    if (descending) c = -c;
    if (c == 0 && recno == kAfterEqualKeys) c = 1;
    if (c == 0 && recno != kAnyRecord && recnoOrdered && entry.RecNo < recno) c = 1;
    if (c > 0) low = mid + 1;
    else high = mid;
  }
  Pos = IsLeaf() ? low : std::min(low, Count() - 1);
  int result = 1;
  while (result > 0 && Pos < Count()) {
    const VXobjIndexKeyData& entry = At(Pos);
    result = CompareIndexKeys(key, entry, partial);
    if (descending) result = -result;
    if (result == 0 && recno == kAfterEqualKeys) result = 1;
    if (result == 0 && recno != kAnyRecord && recnoOrdered) {
      if (entry.RecNo < recno) result = 1;
      else if (entry.RecNo > recno) result = -1;
    }
    if (result <= 0 || Pos == Count() - 1) {
      if (!IsLeaf()) {
        ChildLoad(At(Pos).Link);
        result = Child->NodeSearch(recno, key, partial);
      } else if (result == 0 && recno != kAnyRecord) {
        std::int32_t link = At(Pos).Link;
        if (recnoOrdered) {
          if (link < recno) result = 1;
          else if (link > recno) result = -1;
        } else if (link != recno) {
          result = 1;
        }
      }
    }
    if (result > 0) {
      // An interior node stays on its last entry: it led into the child.
      if (!IsLeaf() && Pos == Count() - 1) break;
      ++Pos;
    }
  }
  return result;
}

bool VXobjIndexKey::ChildLoad(std::int32_t page) {
  if (IsLeaf()) return false;
  if (Child && (Child->Page != page || Child->Stale)) {
    int countBefore = Count();
    Tag->NodeRelease(DetachChild());
    // Writing the old child may have split it, adding a separator here; the
    // position follows the entry of the page asked for.
    if (Count() != countBefore) {
      for (int i = 0; i < Count(); ++i)
        if (At(i).Link == page) {
          Pos = i;
          break;
        }
    }
  }
  if (!Child) {
    // A child page that is one of its own ancestors, or a path deeper than
    // any sound tree, means the pages link in a loop.
    int depth = 1;
    for (VXobjIndexKey* n = this; n; n = n->Parent, ++depth)
      if (n->Page == page || depth > kMaxDepth) Tag->File()->RaiseCorrupted();
    Child = Tag->File()->TakeNode(Tag, page);
    if (Child) Child->Parent = this;
    else Child = std::make_unique<VXobjIndexKey>(Tag, page, this);
  }
  return true;
}

// Movement.

bool VXobjIndexKey::NodeFirst() {
  if (Count() == 0) return false;
  if (IsLeaf()) {
    Pos = 0;
    CopyEntry(Tag->Current, At(0));
    return true;
  }
  for (Pos = 0; Pos < Count(); ++Pos) {
    ChildLoad(At(Pos).Link);
    if (Child->NodeFirst()) return true;
  }
  Pos = Count() - 1;
  return false;
}

bool VXobjIndexKey::NodeLast() {
  if (Count() == 0) return false;
  if (IsLeaf()) {
    Pos = Count() - 1;
    CopyEntry(Tag->Current, At(Pos));
    return true;
  }
  for (Pos = Count() - 1; Pos >= 0; --Pos) {
    ChildLoad(At(Pos).Link);
    if (Child->NodeLast()) return true;
  }
  Pos = 0;
  return false;
}

bool VXobjIndexKey::NodeNext() {
  if (IsLeaf()) {
    ++Pos;
    if (Pos >= Count()) {
      Pos = Count();
      return false;
    }
    CopyEntry(Tag->Current, At(Pos));
    return true;
  }
  if (Count() == 0) return false;
  if (Pos < 0) Pos = 0;
  for (; Pos < Count(); ++Pos) {
    ChildLoad(At(Pos).Link);
    if (!Child->IsLeaf() && Child->Pos < 0) Child->Pos = 0;
    if (Child->NodeNext()) return true;
  }
  Pos = Count() - 1;
  return false;
}

bool VXobjIndexKey::NodePrior() {
  if (IsLeaf()) {
    if (Pos > Count()) Pos = Count();
    --Pos;
    if (Pos < 0) {
      Pos = -1;
      return false;
    }
    CopyEntry(Tag->Current, At(Pos));
    return true;
  }
  if (Pos >= Count()) Pos = Count() - 1;
  for (; Pos >= 0; --Pos) {
    ChildLoad(At(Pos).Link);
    if (Child->Pos < 0) Child->Pos = Child->IsLeaf() ? Child->Count() : Child->Count() - 1;
    if (Child->NodePrior()) return true;
  }
  Pos = 0;
  return false;
}

bool VXobjIndexKey::NodeReread() {
  if (Pos < 0 || Pos >= Count()) return false;
  if (IsLeaf()) {
    CopyEntry(Tag->Current, At(Pos));
    return true;
  }
  ChildLoad(At(Pos).Link);
  return Child->NodeReread();
}

int VXobjIndexKey::NodeCurrent(VXobjIndexKeyData& out) {
  AtFirst = (Parent ? Parent->AtFirst : true) && Pos == 0;
  AtLast = (Parent ? Parent->AtLast : true) && Pos == Count() - 1;
  if (Child) return Child->NodeCurrent(out);
  if (Pos >= 0 && Pos < Count()) {
    CopyEntry(out, At(Pos));
  } else {
    out.Link = 0;
  }
  return (AtFirst ? 1 : 0) | (AtLast ? 2 : 0);
}

// Insertion and deletion.

void VXobjIndexKey::NodeInsert(const VXobjIndexKeyData& entry, bool after) {
  if (Child) {
    Child->NodeInsert(entry, after);
    return;
  }
  if (after) ++Pos;
  Pos = std::clamp(Pos, 0, Count());
  if (Parent && Pos == Count()) {
    // The new entry is this node's highest: its separator changes first.
    VXobjIndexKeyData separator(entry);
    separator.Link = Page;
    ParentReplace(separator);
  }
  Insert(Pos, entry);
  Dirty = true;
}

// The separator of this node in the parent becomes entry (whose Link is this
// node's page). It is replaced in place: going through a deletion would
// detach a parent that has this one entry from its own parent and put it
// back at the wrong place.
void VXobjIndexKey::ParentReplace(const VXobjIndexKeyData& entry) {
  VXobjIndexKey* parent = Parent;
  if (!parent) return;
  int found = -1;
  for (int i = 0; i < parent->Count(); ++i)
    if (parent->At(i).Link == Page) {
      found = i;
      break;
    }
  if (found < 0) {
    auto child = parent->DetachChild();
    int savedPos = parent->Pos;
    parent->Pos = parent->Count() - 1;
    parent->NodeInsert(entry, true);
    parent->AttachChild(std::move(child));
    parent->Pos = savedPos;
    return;
  }
  CopyEntry(parent->At(found), entry);
  parent->Dirty = true;
  if (found == parent->Count() - 1 && parent->Parent) {
    VXobjIndexKeyData separator(entry);
    separator.Link = parent->Page;
    parent->ParentReplace(separator);
  }
}

void VXobjIndexKey::NodeDelete() {
  if (Child) {
    Child->NodeDelete();
    return;
  }
  if (Pos < 0 || Pos >= Count()) return;
  bool wasLast = Pos == Count() - 1;
  RemoveAt(Pos);
  Dirty = true;
  Pos = std::clamp(Pos, 0, std::max(Count() - 1, 0));
  if (wasLast && Parent) {
    if (Count() == 0) {
      if (!Tag->KeepsEmptyNode(*this)) ParentRemove();
    } else {
      VXobjIndexKeyData separator(At(Count() - 1));
      separator.Link = Page;
      ParentReplace(separator);
    }
  }
}

// An emptied node leaves its parent; its page stays in the file, empty and
// unreferenced.
void VXobjIndexKey::ParentRemove() {
  VXobjIndexKey* parent = Parent;
  if (!parent) return;
  int found = -1;
  for (int i = 0; i < parent->Count(); ++i)
    if (parent->At(i).Link == Page) {
      found = i;
      break;
    }
  if (found < 0) return;
  auto child = parent->DetachChild();
  int savedPos = parent->Pos;
  parent->Pos = found;
  parent->NodeDelete();
  parent->AttachChild(std::move(child));
  parent->Pos = std::clamp(savedPos, 0, std::max(parent->Count() - 1, 0));
}

// Split protocol.

void VXobjIndexKey::SplitInsert(const VXobjIndexKeyData& separator) {
  if (!Parent) RootSplit();
  VXobjIndexKey* parent = Parent;
  int found = parent->Count();
  for (int i = 0; i < parent->Count(); ++i)
    if (parent->At(i).Link == Page) {
      found = i;
      break;
    }
  parent->Insert(found, separator);
  parent->Dirty = true;
  if (parent->Pos >= found) ++parent->Pos;
  Stale = true;
}

// The root splits: a new root takes over this node's page, so that the
// tag's root offset never changes, and this node moves to a new page. The
// new root is owned by this node, which writes and frees it after itself.
void VXobjIndexKey::RootSplit() {
  auto root = std::make_unique<VXobjIndexKey>(Tag, 0, nullptr);
  root->Page = Page;
  root->Kind = kNodeNewRoot;
  Page = Tag->File()->PageAllocate();
  if (Count() > 0) {
    VXobjIndexKeyData top(At(Count() - 1));
    top.Link = Page;
    root->Insert(0, top);
  }
  root->Pos = 0;
  root->Dirty = true;
  Parent = root.get();
  ownedParent_ = std::move(root);
  OwnsParent = true;
  Tag->HeaderDirty = true;
}

std::unique_ptr<VXobjIndexKey> VXobjIndexKey::TakeOwnedParent() {
  OwnsParent = false;
  return std::move(ownedParent_);
}

}  // namespace talvern
