// TDataSet: edit, insert, append, post, cancel and delete, and the rules for
// writing field values.

#include "dataset/DataSet.h"
#include "dataset/DatabaseError.h"

namespace talvern {

// Runs one write of the concrete dataset with the cursor on the active
// record; the error handler may retry it, abort it quietly or let it fail.
template <class Operation>
void TDataSet::CheckOperation(Operation operation, const TDataSetErrorEvent& onError) {
  for (;;) {
    try {
      UpdateCursorPos();
      operation();
      return;
    } catch (const EAbort&) {
      throw;
    } catch (const std::exception& error) {
      if (!onError) throw;
      TDataAction action = daFail;
      onError(*this, error, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort();
    }
  }
}

// After a record was written, cancelled or deleted the buffers no longer
// match the data: when they cannot be read again, none are kept.
void TDataSet::ResyncAfterWrite() {
  try {
    Resync(0);
  } catch (...) {
    ClearBuffers();
    DataEventQuietly(deDataSetChange);
    throw;
  }
}

std::exception_ptr TDataSet::SetStateCollecting(TDataSetState value) noexcept {
  try {
    SetState(value);
  } catch (...) {
    state_ = value;
    return std::current_exception();
  }
  return nullptr;
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  if (state_ == dsEdit || state_ == dsInsert) {
    UpdateRecord();
    if (modified_) {
      Post();
    } else {
      Cancel();
    }
  }
}

void TDataSet::UpdateRecord() {
  if (state_ != dsEdit && state_ != dsInsert) DatabaseError(kSNotEditing);
  DataEvent(deUpdateRecord);
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (recordCount_ == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  Notify(BeforeEdit);
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  try {
    GetCalcFields(ActiveBuffer());
  } catch (...) {
    try {
      InternalCancel();
    } catch (...) {
    }
    throw;
  }
  SetState(dsEdit);
  DataEvent(deRecordChange);
  Notify(AfterEdit);
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  Notify(BeforeInsert);
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  Notify(OnNewRecord);
}

void TDataSet::AbandonInsert(const TBookmark& returnTo) noexcept {
  try {
    InternalCancel();
  } catch (...) {
  }
  SetStateCollecting(dsBrowse);
  try {
    if (returnTo.empty()) {
      InternalFirst();
    } else {
      InternalGotoBookmark(returnTo);
    }
    CursorPosChanged();
    Resync(0);
  } catch (...) {
    ClearBuffers();
    DataEventQuietly(deDataSetChange);
  }
}

void TDataSet::Insert() {
  BeginInsertAppend();
  TBookmark returnTo = GetBookmark();
  try {
    MoveBuffer(recordCount_, activeRecord_);  // the new record goes before the active one
    TRecordBuffer buffer = ActiveBuffer();
    InitRecord(buffer);
    if (recordCount_ == 0) {
      SetBookmarkFlag(buffer, bfBOF);
    } else {
      SetBookmarkData(buffer, returnTo);
    }
    if (recordCount_ < bufferCount_) ++recordCount_;
    CursorPosChanged();
    InternalInsert();
    EndInsertAppend();
  } catch (...) {
    AbandonInsert(returnTo);
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange);
  Notify(AfterInsert);
  DoAfterScroll();
}

void TDataSet::Append() {
  BeginInsertAppend();
  TBookmark returnTo = GetBookmark();
  try {
    ClearBuffers();
    TRecordBuffer buffer = buffers_[0].get();
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();  // the last records of the data come before the new one
    InternalInsert();
    EndInsertAppend();
  } catch (...) {
    AbandonInsert(returnTo);
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange);
  Notify(AfterInsert);
  DoAfterScroll();
}

void TDataSet::Post() {
  UpdateRecord();
  DataEvent(deCheckBrowseMode);
  Notify(BeforePost);
  CheckOperation([this] { InternalPost(); }, OnPostError);
  std::exception_ptr error = SetStateCollecting(dsBrowse);
  ResyncAfterWrite();
  if (error) std::rethrow_exception(error);
  Notify(AfterPost);
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  Notify(BeforeCancel);
  bool scroll = state_ == dsInsert;
  if (scroll) DoBeforeScroll();
  try {
    UpdateCursorPos();
  } catch (...) {
    // The record the cursor should return to is gone: start from the top.
    CursorPosChanged();
    InternalFirst();
  }
  InternalCancel();
  std::exception_ptr error = SetStateCollecting(dsBrowse);
  ResyncAfterWrite();
  if (error) std::rethrow_exception(error);
  Notify(AfterCancel);
  if (scroll) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert) {
    Cancel();
    return;
  }
  if (recordCount_ == 0) DatabaseError(kSDataSetEmpty);
  CheckCanModify();
  DataEvent(deCheckBrowseMode);
  Notify(BeforeDelete);
  DoBeforeScroll();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  if (state_ == dsEdit) {
    // The edit ended with its record; let the concrete dataset release it.
    try {
      InternalCancel();
    } catch (...) {
    }
  }
  std::exception_ptr error = SetStateCollecting(dsBrowse);
  ResyncAfterWrite();
  if (error) std::rethrow_exception(error);
  Notify(AfterDelete);
  DoAfterScroll();
}

// ---- Writing field values

void TDataSet::CheckFieldWrite(const TField& field) const {
  switch (state_) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
      break;
    default:
      DatabaseError(kSNotEditing);
  }
  if (state_ == dsCalcFields && field.FieldKind() == fkData) DatabaseError(kSNotEditing);
  if (field.ReadOnly() && state_ != dsSetKey && state_ != dsFilter) DatabaseError(kSFieldReadOnly, {field.FieldName()});
  if (state_ == dsSetKey && !IsIndexField(field)) DatabaseError(kSNotIndexField, {field.FieldName()});
}

void TDataSet::SetFieldDataAndNotify(const TField& field, const FieldValue& value) {
  CheckFieldWrite(field);
  if (GetActiveRecBuf() == nullptr) DatabaseError(kSNotEditing);
  SetFieldData(field, value);
  DataEvent(deFieldChange, const_cast<TField*>(&field));
}

}  // namespace talvern
