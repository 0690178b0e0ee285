// TTalvernDataSet: editing under a record lock, new records, posting,
// deleting and recalling, and the memo contents written while editing.
//
// A table object holds one lock region at a time, so the record lock of an
// edit is never held across an append (the append would wait for the
// append lock and fail). Memo contents written through a blob stream stay
// with the dataset until the record is posted: a cancelled edit leaves the
// stored memo as it was.

#include <cstring>

#include "dataset/DatabaseError.h"
#include "dataset/RecordPointer.h"
#include "dataset/TableMessages.h"
#include "dataset/TalvernDataSet.h"

namespace talvern {

// ---- Record locks

void TTalvernDataSet::LockCurrentRecord() {
  if (!table_->LockRecord()) DatabaseError(kSRecordLocked);
}

void TTalvernDataSet::ReleaseRecordLock() {
  if (!editing_) return;
  editing_ = false;
  table_->ReleaseLock();
}

// ---- Edit, insert, post, cancel

void TTalvernDataSet::InternalEdit() {
  DBFObject& table = *table_;
  TRecordBuffer buffer = ActiveBuffer();
  const std::int32_t recNo = RecNoOf(buffer);
  if (table.RecNo() != recNo) table.ReadRecord(recNo);
  LockCurrentRecord();
  editing_ = true;
  try {
    // Read again under the lock: another program may have changed the
    // record since it was shown, and its change must not be written over.
    RecordPointer into(table, buffer);
    table.ReadRecord(recNo);
  } catch (...) {
    ReleaseRecordLock();
    throw;
  }
  std::memcpy(oldRecord_.data(), buffer, bufferSize_);
  for (auto& blob : pendingBlobs_) blob.reset();
}

void TTalvernDataSet::InternalInitRecord(TRecordBuffer buffer) {
  {
    RecordPointer into(*table_, buffer);
    table_->BlankRecord();
  }
  std::memset(buffer + infoOffset_, 0, kInfoSize);
  std::memcpy(oldRecord_.data(), buffer, recordSize_);
}

void TTalvernDataSet::InternalInsert() {
  for (auto& blob : pendingBlobs_) blob.reset();
}

void TTalvernDataSet::InternalCancel() {
  ReleaseRecordLock();
  for (auto& blob : pendingBlobs_) blob.reset();
}

void TTalvernDataSet::WritePendingBlobs(TRecordBuffer buffer) {
  RecordPointer into(*table_, buffer);
  for (std::size_t n = 1; n < pendingBlobs_.size(); ++n) {
    if (!pendingBlobs_[n]) continue;
    std::string& contents = *pendingBlobs_[n];
    std::int32_t length = static_cast<std::int32_t>(contents.size());
    table_->MemoWrite(static_cast<std::int32_t>(n), contents.data(), length);
  }
}

void TTalvernDataSet::InternalPost() {
  DBFObject& table = *table_;
  TRecordBuffer buffer = ActiveBuffer();
  if (State() == dsInsert) {
    ReleaseRecordLock();
    WritePendingBlobs(buffer);
    RecordPointer from(table, buffer);
    table.AppendRecord();
  } else {
    const std::int32_t recNo = RecNoOf(buffer);
    // The stored image goes with the write: the index keys it held are the
    // ones the write replaces.
    table.ReadRecord(recNo);
    WritePendingBlobs(buffer);
    {
      RecordPointer from(table, buffer);
      table.WriteRecord(recNo);
    }
    ReleaseRecordLock();
  }
  for (auto& blob : pendingBlobs_) blob.reset();
  beforeFirst_ = afterLast_ = false;
}

// ---- Delete and recall

void TTalvernDataSet::MarkDeleted(bool deleted) {
  DBFObject& table = *table_;
  const std::string_view failure = deleted ? kSCannotDelete : kSCannotRecall;
  const std::int32_t recNo = RecNoOf(ActiveBuffer());
  if (recNo < 1) DatabaseError(failure);
  struct UseDeletedScope {
    DBFObject& table;
    bool saved;
    ~UseDeletedScope() { table.SetUseDeleted(saved); }
  } visible{table, useDeleted_};
  table.SetUseDeleted(true);
  table.ReadRecord(recNo);
  if (table.RecNo() != recNo) DatabaseError(failure);
  // Another program editing the record would write it back unmarked.
  const bool lockHeld = editing_;
  if (!lockHeld) LockCurrentRecord();
  try {
    if (deleted) {
      table.DeleteRecord();
    } else {
      table.RecallRecord();
    }
  } catch (...) {
    if (!lockHeld) table.ReleaseLock();
    throw;
  }
  if (!lockHeld) table.ReleaseLock();
  if (table.IsDeleted() != deleted) DatabaseError(failure);
  table.SetUseDeleted(useDeleted_);
  // The record that takes its place: the next one, or the last.
  table.ReadRecord(RecSame);
  if (table.Eof()) table.ReadRecord(RecPrior);
}

void TTalvernDataSet::InternalDelete() { MarkDeleted(true); }

void TTalvernDataSet::Recall() {
  CheckBrowseMode();
  if (IsEmpty()) DatabaseError(kSDataSetEmpty);
  CheckCanModify();
  UpdateCursorPos();
  MarkDeleted(false);
  Resync(0);
}

void TTalvernDataSet::InternalRefresh() {
  table_->RefreshHeader();
  table_->RebuildFilter();
}

}  // namespace talvern
