// VXO_dBHandler: the index files in their 63 slots, the selected tag, key
// ranges, seeks, index locking, tag creation, renaming and lock protocols.
#include <algorithm>
#include <cstring>

#include "engine/Errors.h"
#include "engine/Strings.h"
#include "handler/TableHandler.h"
#include "index/IndexFile.h"
#include "index/IndexKey.h"
#include "index/IndexTag.h"

namespace talvern {

namespace {

bool HasDirectory(const std::string& name) { return name.find_first_of("/\\") != std::string::npos; }

std::string DirectoryOf(const std::string& name) {
  auto slash = name.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string ExtensionOf(const std::string& name) {
  auto dot = name.rfind('.');
  auto slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return UpperCase(name.substr(dot));
}

// Cuts an index file list into names: commas and semicolons outside double
// quotes separate them, quotes go, names are trimmed, empty names dropped.
std::vector<std::string> SplitIndexList(std::string_view list) {
  while (!list.empty() && (list.back() == ' ' || list.back() == ',' || list.back() == ';'))
    list.remove_suffix(1);
  std::vector<std::string> names;
  std::string name;
  bool quoted = false;
  auto flush = [&] {
    std::string trimmed(Trim(name));
    if (!trimmed.empty()) names.push_back(std::move(trimmed));
    name.clear();
  };
  for (char c : list) {
    if (c == '"') quoted = !quoted;
    else if (!quoted && (c == ',' || c == ';')) flush();
    else name += c;
  }
  flush();
  return names;
}

}  // namespace

// Slots.

VXobjIndexFile* VXO_dBHandler::IndexFile(int slot) const {
  if (slot < 1 || slot > kMaxIndexFiles) return nullptr;
  return indexFiles_[static_cast<std::size_t>(slot - 1)].get();
}

bool VXO_dBHandler::HasIndexFiles() { return indexFiles_[0] != nullptr; }

std::string VXO_dBHandler::IndexFileName(const std::string& name) const {
  std::string full(Trim(name));
  if (!HasDirectory(full)) full = DirectoryOf(fileName_) + full;
  return DefaultExtension(full, ".ndx");
}

std::unique_ptr<VXobjIndexFile> VXO_dBHandler::NewIndexFile(const std::string& fullName, bool create) {
  return MakeIndexFile(this, fullName, create, shared_, readWrite_);
}

int VXO_dBHandler::OpenIndexFile(const std::string& name) {
  const std::string full = IndexFileName(name);
  for (const auto& file : indexFiles_)
    if (file && CompareText(file->FullName(), NormalizePath(full)) == 0) return -1;
  auto free = std::find(indexFiles_.begin(), indexFiles_.end(), nullptr);
  if (free == indexFiles_.end()) return -2;
  const std::string ext = ExtensionOf(full);
  std::unique_ptr<VXobjIndexFile> file;
  if (ext == ".CDX" || ext == ".NTX" || ext == ".MDX" || ext == ".NDX")
    file = NewIndexFile(full, false);
  if (!file || !file->IsOpened()) {
    if (file && file->IsCorrupted()) Raise("Index file %s is corrupted", {full});
    Raise("File %s could not be found", {full});
  }
  file->SetLockProtocol(lockProtocol_);
  *free = std::move(file);
  return 0;
}

void VXO_dBHandler::OpenIndexFiles(const std::string& list, const std::string& tagName) {
  CloseIndexFiles();
  std::vector<std::string> names = SplitIndexList(list);
  if (names.empty()) return;
  for (const auto& name : names)
    if (OpenIndexFile(name) != 0) break;
  SelectTag(tagName, true);
}

int VXO_dBHandler::IndexFileSlot(const std::string& name) const {
  const std::string full = NormalizePath(IndexFileName(name));
  for (int slot = kMaxIndexFiles; slot >= 1; --slot) {
    const VXobjIndexFile* file = IndexFile(slot);
    if (file && CompareText(file->FullName(), full) == 0) return slot;
  }
  return 0;
}

VXobjIndexTag* VXO_dBHandler::TagByOrder(int n) const {
  if (n < 1) return nullptr;
  for (const auto& file : indexFiles_) {
    if (!file) continue;
    if (n <= file->TagCount()) return file->TagByNumber(n - 1);
    n -= file->TagCount();
  }
  return nullptr;
}

VXobjIndexTag* VXO_dBHandler::FindTag(const std::string& name, int* slot) const {
  const std::string wanted = UpperCase(Trim(name));
  for (int s = 1; s <= kMaxIndexFiles; ++s) {
    const VXobjIndexFile* file = IndexFile(s);
    if (!file) continue;
    if (VXobjIndexTag* tag = file->TagByName(wanted)) {
      if (slot) *slot = s;
      return tag;
    }
  }
  return nullptr;
}

void VXO_dBHandler::CloseIndexFiles() {
  ForgetFilterOrder();
  VXobjIndexTag* tag = currentTag_;
  currentTag_ = nullptr;
  tagName_.clear();
  if (tag) tag->ReleaseNodes();
  for (auto& file : indexFiles_) file.reset();
}

// The selected tag.

int VXO_dBHandler::SelectTag(const std::string& name, bool keepPosition) {
  ForgetFilterOrder();
  VXobjIndexTag* tag = nullptr;
  int slot = 0;
  if (!Trim(name).empty()) {
    tag = FindTag(name, &slot);
    if (!tag) Raise("Cannot find index tag %s", {name});
  }
  if (currentTag_) {
    VXobjIndexTag* old = currentTag_;
    currentTag_ = nullptr;
    tagName_.clear();
    old->SetRange(nullptr, nullptr, false, false, false);
    old->ReleaseNodes();
  }
  if (!tag) {
    SetReadAhead(true);
    if (!keepPosition) ReadRecord(RecTop);
    return 0;
  }
  SetReadAhead(false);
  currentTag_ = tag;
  tagName_ = UpperCase(Trim(name)).substr(0, kMaxTagName);
  tag->Resync(1);
  if (keepPosition && currentRecordNo_ >= 1) {
    ReadRecord(currentRecordNo_);
    if (outOfOrder_) ReadRecord(RecTop);
  } else {
    ReadRecord(RecTop);
  }
  return slot;
}

bool VXO_dBHandler::SetRange(const std::string& lowKey, const std::string& highKey,
                             const TvxRangeOptions& options) {
  if (!currentTag_) return false;
  VXobjIndexTag& tag = *currentTag_;
  std::optional<VXobjIndexKeyData> low, high;
  if (!lowKey.empty()) low = tag.SearchKey(lowKey);
  if (!highKey.empty()) high = tag.SearchKey(highKey);
  bool accepted = tag.SetRange(low ? &*low : nullptr, high ? &*high : nullptr, options.partial,
                               options.equalLowInside, options.equalHighChecksLow);
  if (accepted) {
    ReadRecord(RecTop);
    if (bof_) BlankRecord();
  }
  return accepted;
}

void VXO_dBHandler::ClearRange() {
  if (currentTag_) currentTag_->SetRange(nullptr, nullptr, false, false, false);
}

// Locking.

bool VXO_dBHandler::LockIndexes() {
  for (int slot = 1; slot <= kMaxIndexFiles; ++slot) {
    VXobjIndexFile* file = IndexFile(slot);
    if (!file) continue;
    bool locked = false;
    try {
      locked = file->IndexLock();
    } catch (const ETalvernError&) {
      locked = false;
    }
    if (!locked) {
      for (int s = 1; s < slot; ++s)
        if (VXobjIndexFile* done = IndexFile(s)) done->IndexUnlock();
      Raise("Could not lock indexes for Table %s", {fileName_});
    }
  }
  return true;
}

void VXO_dBHandler::UnlockIndexes() {
  for (auto& file : indexFiles_)
    if (file) file->IndexUnlock();
}

// Seeks.

bool VXO_dBHandler::FindKey(const std::string& key) {
  found_ = false;
  if (recordCount_ == 0) RefreshHeader();
  if (recordCount_ == 0) return false;
  const bool clip = lockProtocol_ == TvxLokProtocol::ClipLock;
  if (clip && !LockIndexes()) return false;
  struct Unlock {
    VXO_dBHandler& table;
    bool on;
    ~Unlock() {
      if (on) table.UnlockIndexes();
    }
  } unlock{*this, clip};

  if (!currentTag_) {
    ReadRecord(RecBottom);
    eof_ = true;
    return false;
  }
  VXobjIndexTag& tag = *currentTag_;
  VXobjIndexKeyData wanted = tag.SearchKey(key);
  std::int32_t rec = tag.Seek(wanted);
  if (rec < 1) {
    if (tag.Eof || !softSeek_) {
      ReadRecord(RecBottom);
      eof_ = true;
    } else {
      std::int32_t next = tag.MoveTo(RecSame);
      if (next >= 1) ReadPhysical(next, true);
    }
    return false;
  }
  ReadPhysical(rec, true);
  while (!eof_ && (!RecordAccepted() || (IsDeleted() && !useDeleted_))) Skip(1);
  bool found = false;
  if (!eof_) {
    VXobjIndexKeyData stored;
    if (tag.CurrentKey(stored)) {
      tag.KeyConvert(wanted, true);
      std::int32_t position = 0;
      int c = tag.KeyCompare(wanted, stored, position);
      found = c == 0 || (!exactKey_ && wanted.Length() < position);
    }
  }
  if (!found && !softSeek_) {
    ReadRecord(RecBottom);
    eof_ = true;
  }
  found_ = found;
  return found;
}

std::int32_t VXO_dBHandler::FindKeyInTag(const std::string& tagName, const std::string& key) {
  const bool clip = lockProtocol_ == TvxLokProtocol::ClipLock;
  if (clip && !LockIndexes()) return -1;
  const bool exact = exactKey_;
  std::int32_t rec = -1;
  try {
    if (VXobjIndexTag* tag = FindTag(tagName, nullptr)) {
      exactKey_ = true;
      rec = tag->SeekExact(tag->SearchKey(key));
    }
  } catch (...) {
    exactKey_ = exact;
    if (clip) UnlockIndexes();
    throw;
  }
  exactKey_ = exact;
  if (clip) UnlockIndexes();
  return rec;
}

// Creating tags, renaming, lock protocols.

void VXO_dBHandler::CreateIndex(const std::string& fileName, const std::string& tagName,
                                const TvxIndexOptions& options, const std::string& keyExpression,
                                const std::string& forExpression) {
  ForgetFilterOrder();
  CloseIndexFiles();
  const bool readAhead = readAhead_;
  SetReadAhead(true);
  struct Restore {
    VXO_dBHandler& table;
    bool readAhead;
    ~Restore() {
      table.tableState_ = kTableReady;
      table.SetReadAhead(readAhead);
    }
  } restore{*this, readAhead};

  const std::string full = IndexFileName(fileName);
  const std::string ext = ExtensionOf(full);
  std::string tag(Trim(tagName));
  if (ext == ".CDX" || ext == ".MDX") {
    if (tag.empty()) Raise("Cannot find index tag %s", {tag});
  } else {
    tag = BaseName(full);
  }
  std::unique_ptr<VXobjIndexFile> file;
  if (ext == ".CDX" || ext == ".NTX" || ext == ".MDX" || ext == ".NDX")
    file = NewIndexFile(full, true);
  if (!file || !file->IsOpened()) {
    if (file && file->IsCorrupted()) Raise("Index file %s is corrupted", {full});
    Raise("File %s could not be found", {full});
  }
  file->SetLockProtocol(lockProtocol_);
  tableState_ = kTableIndexing;
  bool built = file->TagAdd(tag, keyExpression, options.unique, options.ascending, forExpression);
  file.reset();
  // A tag whose key cannot be computed is not built; saying nothing would
  // leave the caller with a tag that is not there.
  if (!built) Raise("Index tag %s could not be built from the key %s", {tag, keyExpression});
}

bool VXO_dBHandler::RenameFile(const std::string& newName) {
  const std::string oldBase = BaseName(fileName_);
  VXO_dBaseFld::RenameFile(newName);
  for (auto& file : indexFiles_)
    if (file && CompareText(BaseName(file->FileName()), oldBase) == 0) file->Rename(newName);
  return true;
}

void VXO_dBHandler::SetLockProtocol(TvxLokProtocol protocol) {
  VXO_dBaseFld::SetLockProtocol(protocol);
  for (auto& file : indexFiles_)
    if (file) file->SetLockProtocol(protocol);
}

}  // namespace talvern
