// Keys going in and out of a tag: insertion (KeyAdd), the maintenance of
// a tag when a record is appended or rewritten (RecordKeysUpdate), and the
// check that a tag's stored keys are in the form this program computes.

#include <cstring>
#include <vector>

#include "engine/FlagScope.h"
#include "engine/Fields.h"
#include "engine/Strings.h"
#include "index/IndexFile.h"
#include "index/IndexTag.h"
#include "index/KeyCompare.h"
#include "index/RecordScan.h"
#include "index/Sort.h"

namespace talvern {

// Insertion.

bool VXobjIndexTag::KeyAdd(VXobjIndexKeyData& entry) {
  if (!Maintaining) Resync(0);
  if (!Path) return false;
  VXobjIndexKeyData key(entry);
  KeyConvert(key, true);
  // A leaf entry carries its record number in both fields (a leaf entry
  // that goes up in a split of a B-tree is an item of its own).
  key.RecNo = entry.Link;
  Bof = Eof = false;
  // A root that lost all its entries takes the key as a leaf again.
  if (!Path->IsLeaf() && Path->Count() == 0) {
    NodeRelease(Path->DetachChild());
    Path->Kind = kNodeLeaf;
    Path->Dirty = true;
  }
  // A new duplicate goes after the equal keys (and the position on it).
  std::int32_t r = file_->RecNoOrdered ? entry.Link : kAfterEqualKeys;
  if (Unique) {
    if (Path->NodeSearch(kAnyRecord, key, -1) == 0) return false;
    r = entry.Link;
  }
  int c = Path->NodeSearch(r, key, -1);
  if (c <= 0) {
    Path->NodeInsert(key, false);
    if (!Maintaining) Resync(2);
    Path->NodeSearch(r, key, -1);
    if (r == kAfterEqualKeys) Path->NodePrior();
    int at = Path->NodeCurrent(Current);
    Bof = (at & 1) != 0;
    Eof = (at & 2) != 0;
    if (ReverseNavigation) std::swap(Bof, Eof);
  } else {
    // Above every key: after the physically last entry.
    Resync(2);
    Path->NodeLast();
    Path->NodeInsert(key, true);
    if (!Maintaining) Resync(2);
    Path->NodeLast();
    CopyEntry(Current, key);
    Bof = Eof = false;
    if (ReverseNavigation) Bof = true;
    else Eof = true;
  }
  return true;
}

void VXobjIndexTag::CollectKeys(TvxSort& sorter) {
  VXO_dBaseFld* table = Table();
  if (!table) return;
  // Records other programs appended since the table was opened belong in
  // the tag too (it is built under the index lock; appends after it find
  // the new tag).
  table->RefreshHeader();
  const std::int32_t count = table->RecordCount();
  table->StatusReport(-1, 1, count);
  VXobjIndexKeyData key;
  const bool filtered = HasFor && !Trim(ForExpr).empty();
  ScanRecords(*table, [&](std::int32_t r) {
    if (!filtered || ForEvaluate()) {
      bool ok = true;
      KeyEvaluate(key, ok);
      KeyConvert(key, KeyType == 'C');
      sorter.Add(key, r);
    }
    table->StatusReport(1, r, 0);
  });
  table->StatusReport(0, 0, 0);
  table->StatusReport(-1, 2, count);
}

// Key maintenance.

bool VXobjIndexTag::RecordKeysUpdate(std::int32_t recno, bool append) {
  VXO_dBaseFld* table = Table();
  if (!table) return false;
  const std::size_t length = static_cast<std::size_t>(table->RecordLength());
  bool modified = table->RecordModified() ||
                  std::memcmp(table->SavedRecord(), table->CurrentRecord(), length) != 0;
  if (!HasFor && !modified && !append) return false;
  FlagScope maintaining(Maintaining, true);
  Changed = false;

  bool inFor = HasFor && !ForExpr.empty() ? ForEvaluate() : true;
  VXobjIndexKeyData key;
  bool ok = true;
  KeyEvaluate(key, ok);
  key.RecNo = key.Link = recno;
  const bool hadPath = Path != nullptr;

  if (append) {
    if (inFor) {
      Resync(2);
      KeyAdd(key);
      Changed = true;
    }
  } else {
    // The old key, from the image of the record before the write.
    std::vector<std::uint8_t> oldImage(table->SavedRecord(), table->SavedRecord() + length + 1);
    std::uint8_t* newImage = table->CurrentRecord();
    VXobjIndexKeyData oldKey;
    bool present = false;
    bool addNew = false;
    table->SetCurrentRecord(oldImage.data());
    try {
      KeyEvaluate(oldKey, ok);
      oldKey.RecNo = oldKey.Link = recno;
      present = Seek(oldKey) > 0;
      if (!SameKey(key, oldKey) || (HasFor && !inFor)) {
        if (present) {
          Path->NodeDelete();
          Changed = true;
        }
        addNew = inFor;
      } else {
        addNew = inFor && !present;
      }
    } catch (...) {
      table->SetCurrentRecord(newImage);
      throw;
    }
    table->SetCurrentRecord(newImage);
    if (addNew) {
      KeyAdd(key);
      Changed = true;
    }
  }
  if (!hadPath) ReleaseNodes();
  return Changed;
}

bool VXobjIndexTag::RemoveRecordKey(std::int32_t recno) {
  FlagScope maintaining(Maintaining, true);
  if (HasFor && !ForExpr.empty() && !ForEvaluate()) return false;
  VXobjIndexKeyData key;
  bool ok = true;
  KeyEvaluate(key, ok);
  key.RecNo = key.Link = recno;
  const bool present = Seek(key) > 0;
  if (present) Path->NodeDelete();
  ReleaseNodes();
  return present;
}

// Key forms.

void VXobjIndexTag::VerifyKeyForm(std::int32_t beingWritten) {
  VXO_dBaseFld* table = Table();
  if (!notSearchable_.empty() || !table || KeyExpr.empty()) {
    keyFormChecked_ = true;
    return;
  }
  // Another program writes a record and then its keys under the index lock;
  // compare under that lock too, so that a write half done is not taken for
  // a foreign key form.
  File()->IndexLock();
  struct Unlock {
    VXobjIndexFile* file;
    ~Unlock() { file->IndexUnlock(); }
  } unlock{File()};
  keyFormChecked_ = true;
  // A few entries from each end, taken with the range and position set
  // aside.
  auto savedPath = std::move(Path);
  VXobjIndexKeyData savedLow(LowBound), savedHigh(HighBound), savedCurrent(Current);
  bool savedBof = Bof, savedEof = Eof;
  LowBound.SetBytes(nullptr, 0);
  HighBound.SetBytes(nullptr, 0);
  std::vector<VXobjIndexKeyData> sample;
  constexpr int kPerEnd = 8;
  try {
    for (std::int32_t code : {RecTop, RecBottom}) {
      std::int32_t step = code == RecTop ? RecNext : RecPrior;
      int n = 0;
      for (std::int32_t r = MoveTo(code); r > 0 && n < kPerEnd; r = MoveTo(step), ++n) sample.push_back(Current);
    }
    ReleaseNodes();
  } catch (...) {
    Path = std::move(savedPath);
    CopyEntry(LowBound, savedLow);
    CopyEntry(HighBound, savedHigh);
    throw;
  }
  Path = std::move(savedPath);
  CopyEntry(LowBound, savedLow);
  CopyEntry(HighBound, savedHigh);
  Current = savedCurrent;
  Bof = savedBof;
  Eof = savedEof;
  const bool filtered = HasFor && !Trim(ForExpr).empty();
  for (const auto& entry : sample) {
    if (entry.Link == beingWritten) continue;
    bool matches = false;
    WithRecord(*table, entry.Link, [&] {
      VXobjIndexKeyData key;
      matches = (!filtered || ForEvaluate()) && CurrentKey(key) && SameKey(key, entry);
    });
    if (!matches) {
      formMismatch_ = ("the stored key of record " + std::to_string(entry.Link) +
                       " is not the one its key expression gives (a key form of another program, "
                       "or an index that no longer matches the table)");
      return;
    }
  }
}

}  // namespace talvern
