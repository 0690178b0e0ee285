#include "index/IndexTag.h"

#include <cstring>
#include <utility>

#include "engine/Errors.h"
#include "engine/FlagScope.h"
#include "engine/Fields.h"
#include "engine/Strings.h"
#include "engine/TableTypes.h"
#include "index/IndexFile.h"
#include "index/KeyCompare.h"

namespace talvern {

namespace {
// Spare entries kept for reuse by the nodes of one tag.
constexpr std::size_t kMaxSpareEntries = 4096;
}  // namespace

VXobjIndexTag::VXobjIndexTag(VXobjIndexFile* file, const std::string& name) : Name(name), file_(file) {}

VXobjIndexTag::~VXobjIndexTag() {
  // The formats write their nodes and header before; here only memory goes.
  Path.reset();
  if (file_) file_->ForgetNodes(this);
}

VXO_dBaseFld* VXobjIndexTag::Table() const { return file_ ? file_->Table : nullptr; }

// Base behaviour of the virtual operations.

void VXobjIndexTag::KeyConvert(VXobjIndexKeyData&, bool) {}

bool VXobjIndexTag::TagCreate(const std::string& keyExpr, bool unique, bool ascending,
                              const std::string& forExpr) {
  keyFormChecked_ = true;
  KeyExpr = keyExpr;
  Unique = unique;
  Ascending = ascending;
  ForExpr = forExpr;
  HasFor = !forExpr.empty();
  KeyExprCompile();
  ForExprCompile();
  // Any other FOR would leave every record out of the tag.
  if (ForHandler && !Trim(ForExpr).empty() && !ForIsLogical())
    Raise("FOR expression of index tag %s must return boolean result", {Name});
  return false;
}

std::int32_t VXobjIndexTag::RootPointer() { return Root; }

bool VXobjIndexTag::NodeRead(std::int32_t, VXobjIndexKey&) { return false; }

bool VXobjIndexTag::NodeWrite(VXobjIndexKey&) { return false; }

bool VXobjIndexTag::KeepsEmptyNode(const VXobjIndexKey&) const { return false; }

bool VXobjIndexTag::HeaderRead() {
  HeaderDirty = false;
  return false;
}

bool VXobjIndexTag::HeaderWrite() {
  HeaderDirty = false;
  return false;
}

// Entries and nodes.

std::unique_ptr<VXobjIndexKeyData> VXobjIndexTag::NewEntry() {
  if (spareEntries_.empty()) return std::make_unique<VXobjIndexKeyData>();
  auto entry = std::move(spareEntries_.back());
  spareEntries_.pop_back();
  return entry;
}

void VXobjIndexTag::RecycleEntries(std::vector<std::unique_ptr<VXobjIndexKeyData>>& entries) {
  for (auto& entry : entries)
    if (entry && spareEntries_.size() < kMaxSpareEntries) spareEntries_.push_back(std::move(entry));
  entries.clear();
}

void VXobjIndexTag::NodeRelease(std::unique_ptr<VXobjIndexKey> node) {
  if (!node) return;
  if (node->Child) NodeRelease(node->DetachChild());
  if (node->Dirty) {
    if (node->Page <= 0) node->Page = file_->PageAllocate();
    node->Dirty = false;
    NodeWrite(*node);
  }
  if (node->OwnsParent) {
    auto parent = node->TakeOwnedParent();
    node.reset();
    NodeRelease(std::move(parent));
    return;
  }
  if (!node->Stale) file_->KeepNode(std::move(node));
}

// Path and position.

void VXobjIndexTag::ReleaseNodes() {
  NodeRelease(std::move(Path));
  if (HeaderDirty) HeaderWrite();
  Current.Link = 0;
}

void VXobjIndexTag::Discard() {
  Path.reset();
  HeaderDirty = false;
  Current.Link = 0;
  if (file_) file_->ForgetNodes(this);
}

void VXobjIndexTag::Resync(int mode) {
  ReleaseNodes();
  file_->ValidateCache();
  std::int32_t root = RootPointer();
  if (root > 0) {
    Path = file_->TakeNode(this, root);
    if (!Path) Path = std::make_unique<VXobjIndexKey>(this, root, nullptr);
  }
  if (mode == 2) return;
  VXO_dBaseFld* table = Table();
  if (mode == 1 && Path && !KeyExpr.empty() && table && table->RecNo() >= 1 &&
      table->RecNo() <= table->RecordCount() && Path->Count() > 0) {
    VXobjIndexKeyData key;
    if (CurrentKey(key)) {
      if (Path->NodeSearch(table->RecNo(), key, -1) == 0) {
        Path->NodeCurrent(Current);
        if (MoveTo(RecSame) != 0) return;
      }
    }
  }
  MoveTo(RecTop);
}

std::int32_t VXobjIndexTag::CurrentRecNo(std::int32_t recno) {
  if (!Path || Current.Link != recno) Resync(1);
  return Current.Link;
}

void VXobjIndexTag::RangeCheck() {
  if (!RangeActive() || Bof || Eof) return;
  int h = 0;
  if (HighBound.Length() > 0) {
    h = CompareIndexKeys(HighBound, Current, RangePartial);
    if (StoredDescending) h = -h;
    if (h == -1) Eof = true;
  }
  if (h >= 0 && LowBound.Length() > 0) {
    int l = CompareIndexKeys(LowBound, Current, 0);
    if (StoredDescending) l = -l;
    if (l == 1) Bof = true;
  }
}

std::int32_t VXobjIndexTag::MoveTo(std::int32_t code) {
  Current.Link = 0;
  // Top and bottom load the path afresh; the other moves need one.
  if (!Path && code != RecTop && code != RecBottom) {
    Bof = Eof = true;
    return 0;
  }
  if (ReverseNavigation) {
    if (code == RecTop) code = RecBottom;
    else if (code == RecBottom) code = RecTop;
    else if (code == RecNext) code = RecPrior;
    else if (code == RecPrior) code = RecNext;
  }
  Bof = Eof = false;
  switch (code) {
    case RecSame:
      Bof = Eof = !Path->NodeReread();
      RangeCheck();
      break;
    case RecBottom:
      Resync(2);
      if (!Path) {
        Bof = Eof = true;
        break;
      }
      if (HighBound.Length() == 0 || Maintaining) {
        Eof = !Path->NodeLast();
      } else {
        int r = Path->NodeSearch(kAfterEqualKeys, HighBound, RangePartial);
        if (r == -1) Bof = !Path->NodePrior();
        else if (r == 1) Eof = !Path->NodeLast();
      }
      RangeCheck();
      if (Bof) Eof = true;
      Bof = Eof;
      break;
    case RecTop:
      Resync(2);
      if (!Path) {
        Bof = Eof = true;
        break;
      }
      if (LowBound.Length() == 0 || Maintaining) {
        Bof = !Path->NodeFirst();
      } else {
        int r = Path->NodeSearch(kAnyRecord, LowBound, 0);
        Eof = r == 1;
        if (!Eof) Path->NodeCurrent(Current);
      }
      RangeCheck();
      if (Eof) Bof = true;
      Eof = Bof;
      break;
    case RecPrior:
      Bof = !(StepInLeaf(-1) || StepAcrossPages(-1));
      RangeCheck();
      break;
    case RecNext:
      Eof = !(StepInLeaf(1) || StepAcrossPages(1));
      RangeCheck();
      break;
    default:
      Current.Link = 0;
      break;
  }
  if (Bof || Eof) Current.Link = 0;
  if (ReverseNavigation) std::swap(Bof, Eof);
  return Current.Link;
}

// A step that stays within the loaded leaf needs no walk down from the
// root (which would only lead to the same leaf).
bool VXobjIndexTag::StepInLeaf(int step) {
  VXobjIndexKey* leaf = Path.get();
  while (leaf->Child) leaf = leaf->Child.get();
  if (!leaf->IsLeaf() || leaf->Pos < 0 || leaf->Pos >= leaf->Count()) return false;
  for (VXobjIndexKey* n = leaf->Parent; n; n = n->Parent)
    if (n->Pos < 0 || n->Pos >= n->Count() || n->At(n->Pos).Link != (n == leaf->Parent ? leaf->Page : n->Child->Page))
      return false;
  int next = leaf->Pos + step;
  if (next < 0 || next >= leaf->Count()) return false;
  leaf->Pos = next;
  CopyEntry(Current, leaf->At(next));
  return true;
}

// A step that leaves the loaded leaf reads other pages: first the file is
// asked whether another program changed it since, and if so the path is
// built afresh to the current entry (or, when that entry is gone, to the
// place it had) before the step. Pages are read without the index lock, so
// a step can still meet pages another program is rewriting at that moment;
// when the entry reached does not follow the current one in the tag's
// order, the step is taken again on a fresh path under the index lock, where
// the file is whole.
bool VXobjIndexTag::StepAcrossPages(int step) {
  const VXobjIndexKeyData here(Current);
  bool moved = StepFrom(here, step, file_->ValidateCache());
  if (!moved || here.Link <= 0 || FollowsInWalk(here, step)) return moved;
  file_->IndexLock();
  struct Unlock {
    VXobjIndexFile* file;
    ~Unlock() { file->IndexUnlock(); }
  } unlock{file_};
  file_->DropCache();
  return StepFrom(here, step, true);
}

bool VXobjIndexTag::StepFrom(const VXobjIndexKeyData& here, int step, bool afresh) {
  if (afresh && here.Link > 0) {
    Resync(2);
    if (!Path) return false;
    int r = Path->NodeSearch(here.Link, here, -1);
    if (r == 1) return step < 0 && Path->NodePrior();
    if (r == -1 && step > 0) {
      Path->NodeCurrent(Current);
      return Current.Link > 0;
    }
  }
  return step > 0 ? Path->NodeNext() : Path->NodePrior();
}

// Whether Current lies beyond `here` in the direction of the step, in the
// order the entries are stored: by key, and by record number among equal
// keys where the file orders them so.
bool VXobjIndexTag::FollowsInWalk(const VXobjIndexKeyData& here, int step) const {
  int c = CompareIndexKeys(Current, here, -1);
  if (StoredDescending) c = -c;
  if (c == 0 && file_->RecNoOrdered) c = (Current.Link > here.Link) - (Current.Link < here.Link);
  if (c == 0) return Current.Link != here.Link;
  return step > 0 ? c > 0 : c < 0;
}

// Seeks and ranges.

int VXobjIndexTag::InRange() const { return InRange(Current); }

int VXobjIndexTag::InRange(const VXobjIndexKeyData& entry) const {
  if (!RangeActive()) return 0;
  if (Eof) return 1;
  if (Bof) return -1;
  int h = 0;
  if (HighBound.Length() > 0) {
    h = CompareIndexKeys(HighBound, entry, RangePartial);
    if (StoredDescending) h = -h;
  }
  if (h == 0 && EqualHighChecksLow) h = 1;
  if (h <= 0) return h;
  if (LowBound.Length() == 0) return 0;
  int l = CompareIndexKeys(LowBound, entry, 0);
  if (StoredDescending) l = -l;
  if (l == -1 || (l == 0 && EqualLowInside)) return 0;
  return l + 1;
}

std::int32_t VXobjIndexTag::Seek(const VXobjIndexKeyData& entry) {
  CheckSearchable();
  if (Table() && !forceExact_) file_->Exact = Table()->ExactKey();
  Current.Link = 0;
  // A fresh root: the search below places the whole path.
  Resync(2);
  if (!Path) return 0;
  VXobjIndexKeyData key(entry);
  KeyConvert(key, true);
  Bof = Eof = false;
  int partial = file_->Exact || forceExact_ || Maintaining ? -1 : 0;
  int r = Path->NodeSearch(entry.Link, key, partial);
  if (r == 0) {
    Path->NodeCurrent(Current);
    // Key maintenance looks for the old entry wherever a range lies.
    if (Maintaining || InRange() == 0) return Current.Link;
    Eof = true;
  } else if (r == 1) {
    Eof = true;
  } else {
    VXobjIndexKeyData next;
    Path->NodeCurrent(next);
    if (InRange(next) == -1) Eof = true;
  }
  Current.Link = 0;
  return 0;
}

std::int32_t VXobjIndexTag::SeekKey(const VXobjIndexKeyData& entry, bool exact) {
  FlagScope scope(forceExact_, exact || forceExact_);
  return Seek(entry);
}

void VXobjIndexTag::CheckSearchable() {
  if (!Searchable()) Raise("Index tag %s cannot be searched: %s", {Name, NotSearchableReason()});
}

VXobjIndexKeyData VXobjIndexTag::SearchKey(const std::string& text) {
  VXobjIndexKeyData entry;
  entry.SetText(text);
  entry.Link = kAnyRecord;
  return entry;
}

std::int32_t VXobjIndexTag::SeekExact(const VXobjIndexKeyData& entry) {
  auto savedPath = std::move(Path);
  VXobjIndexKeyData savedCurrent(Current);
  bool savedBof = Bof, savedEof = Eof;
  std::int32_t result = 0;
  try {
    FlagScope exact(forceExact_, true);
    result = Seek(entry);
    ReleaseNodes();
  } catch (...) {
    Path.reset();
    Path = std::move(savedPath);
    Current = savedCurrent;
    throw;
  }
  Path = std::move(savedPath);
  Current = savedCurrent;
  Bof = savedBof;
  Eof = savedEof;
  return result;
}

bool VXobjIndexTag::RangeActive() const { return LowBound.Length() > 0 || HighBound.Length() > 0; }

bool VXobjIndexTag::SetRange(const VXobjIndexKeyData* low, const VXobjIndexKeyData* high, bool partial,
                             bool equalLowInside, bool equalHighChecksLow) {
  auto convert = [this](const VXobjIndexKeyData* bound, VXobjIndexKeyData& out) {
    out.SetBytes(nullptr, 0);
    if (!bound) return;
    if (bound->Type() == VariantType::Text && TrimmedLength(*bound) == 0) return;
    if (bound->Length() == 0) return;
    CopyEntry(out, *bound);
    KeyConvert(out, true);
  };
  VXobjIndexKeyData lo, hi;
  convert(low, lo);
  convert(high, hi);
  if (SameKey(lo, LowBound) && SameKey(hi, HighBound)) return false;
  LowBound.SetBytes(nullptr, 0);
  HighBound.SetBytes(nullptr, 0);
  RangePartial = partial ? 0 : -1;
  EqualLowInside = equalLowInside;
  EqualHighChecksLow = equalHighChecksLow;
  if (lo.Length() > 0) CopyEntry(LowBound, lo);
  if (hi.Length() > 0) CopyEntry(HighBound, hi);
  MoveTo(RecTop);
  return true;
}

// For the table handler.

bool VXobjIndexTag::CurrentKey(VXobjIndexKeyData& out) {
  bool ok = true;
  if (!KeyEvaluate(out, ok) || !ok) return false;
  KeyConvert(out, true);
  return true;
}

int VXobjIndexTag::KeyCompare(const VXobjIndexKeyData& a, const VXobjIndexKeyData& b, std::int32_t& position,
                              int partial) const {
  int result = CompareIndexKeys(a, b, partial, position);
  return StoredDescending ? -result : result;
}

}  // namespace talvern
