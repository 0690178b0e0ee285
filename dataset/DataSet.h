#pragma once
// TDataSet: the generic dataset every window reads and writes through. It is a
// cursor over records with a state (browse, edit, insert, ...), field objects,
// events, bookmarks, filtering, and notification of the controls bound to it
// through data sources. It keeps a small ring of record buffers around the
// current record (as many as the largest bound control asks for); the records
// themselves, their layout in a buffer and the moves of the cursor belong to a
// concrete dataset, which implements the protected hooks below. README.md in
// this folder says which hooks a concrete dataset overrides and when the base
// calls each of them.
//
// Errors are raised as EDatabaseError. An exception leaving an event handler
// or a hook ends the operation with the dataset in a consistent state: the
// state it had before the operation (or browse, once a record is written),
// and buffers that show records the cursor can reach.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/DataSetTypes.h"
#include "dataset/Field.h"
#include "dataset/FieldDefs.h"
#include "dataset/FieldValue.h"
#include "dataset/Stream.h"

namespace talvern {

class TDataSource;
class TDataLink;
class TMasterDataLink;

class TDataSet {
public:
  TDataSet();
  virtual ~TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;

  // ---- Opening and closing
  void Open() { SetActive(true); }
  // Closing while editing drops the unposted changes, as Cancel would.
  void Close() { SetActive(false); }
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool value);
  TDataSetState State() const { return state_; }

  // ---- Fields
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  const TFieldDefs& FieldDefs() const { return fieldDefs_; }
  // Asks the concrete dataset for its field definitions, also while closed.
  void UpdateFieldDefs() { InternalInitFieldDefs(); }
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField& Fields(int index) const;
  TField* FindField(std::string_view name) const;
  // Raises "Field '%s' not found".
  TField& FieldByName(std::string_view name) const;
  // The fields named in a ";"-separated list (blanks around names ignored).
  std::vector<TField*> GetFieldList(std::string_view names) const;
  // Fields are added, created and destroyed only while the dataset is
  // closed. A dataset that has no fields when it opens creates one per field
  // definition ("default fields") and destroys them again when it closes;
  // fields that exist before opening stay. A pointer to a default field is
  // therefore good only until the dataset closes.
  TField& AddField(TFieldType dataType, std::string name, int size = 0, TFieldKind kind = fkData);
  TField& AddLookupField(std::string name, TFieldType dataType, int size, TDataSet& lookupDataSet,
                         std::string keyFields, std::string lookupKeyFields,
                         std::string lookupResultField);
  // One field object for every field definition that has none yet.
  void CreateFields();
  void DestroyFields();
  bool DefaultFields() const { return defaultFields_; }
  // When on, calculated fields are computed again after every field change
  // in edit and insert state (they are always computed when a record is read).
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }

  // ---- Navigation. Moving first leaves edit mode (posting when modified).
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves by up to distance records; returns how far it moved.
  int MoveBy(int distance);
  // True once a move ran off the beginning / the end, and both for an empty
  // dataset. After First, Bof is true; after Last, Eof is true.
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const { return activeRecord_ >= recordCount_ && state_ != dsInsert; }
  // Record number and count as the concrete dataset defines them (-1 here).
  virtual std::int32_t RecNo();
  virtual void SetRecNo(std::int32_t value);
  virtual std::int32_t RecordCount();
  virtual bool IsSequenced() { return true; }
  // Leaves edit mode, lets the concrete dataset refresh, reads the records again.
  void Refresh();

  // ---- Bookmarks
  // The bookmark of the current record; empty when there is none.
  TBookmark GetBookmark();
  void GotoBookmark(const TBookmark& bookmark);
  virtual bool BookmarkValid(const TBookmark& bookmark);
  // -1, 0 or 1; an empty bookmark orders before any other.
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);

  // ---- Searching
  // Moves to the first record whose keyFields (";"-separated) hold keyValues.
  virtual bool Locate(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
                      TLocateOptions options) = 0;
  // The value of resultField in the record whose keyFields hold keyValues,
  // null when there is none; the cursor does not move.
  virtual FieldValue Lookup(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
                            std::string_view resultField) = 0;

  // ---- Editing
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  // Leaves edit or insert state: posts when a field was changed, else cancels.
  void CheckBrowseMode();
  // Lets bound controls write their pending values into the fields.
  void UpdateRecord();
  bool Modified() const { return modified_; }
  virtual bool CanModify() const { return true; }

  // ---- Memo and blob contents of the current record
  // Writing modes are refused unless the dataset is editing.
  virtual std::unique_ptr<TStream> CreateBlobStream(const TField& field, TBlobStreamMode mode) = 0;

  // ---- Filtering. The base only stores these; the concrete dataset applies them.
  const std::string& Filter() const { return filter_; }
  virtual void SetFilter(const std::string& text) { filter_ = text; }
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool value) { filtered_ = value; }
  TFilterOptions FilterOptions() const { return filterOptions_; }
  virtual void SetFilterOptions(TFilterOptions value) { filterOptions_ = value; }

  // ---- Bound controls. While disabled (calls nest), bound controls hear
  // nothing; enabling them again sends one change of state and of data.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ != 0; }

  // ---- Master/detail. This dataset follows the current record of the
  // master source's dataset: MasterChanged runs when that record changes,
  // MasterDisabled when the master closes or the link is cut.
  TDataSource* MasterSource() const;
  // Raises "Circular datalinks are not allowed" for a source whose dataset
  // is this one or follows this one.
  void SetMasterSource(TDataSource* source);
  const std::string& MasterFields() const { return masterFields_; }
  void SetMasterFields(std::string names);
  // Whether the source's dataset is this dataset or one of its masters'.
  bool IsLinkedTo(const TDataSource* source) const;

  // ---- Checks
  // Raises "Cannot perform this operation on a closed dataset".
  virtual void CheckActive() const;
  // Raises "Cannot perform this operation on an open dataset".
  void CheckInactive() const;

  // ---- Events
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  // Fills the calculated fields of a record just read (they are cleared first).
  TDataSetNotifyEvent OnCalcFields;
  // Sets the first values of a record just inserted or appended.
  TDataSetNotifyEvent OnNewRecord;
  // May retry or abort a failed delete, edit or post instead of failing it.
  TDataSetErrorEvent OnDeleteError, OnEditError, OnPostError;
  // Rejects records while Filtered is on (the concrete dataset asks it).
  TFilterRecordEvent OnFilterRecord;

protected:
  // ======== Hooks of the concrete dataset (see README.md) ========

  // Opens the cursor: field definitions, default fields when DefaultFields(),
  // BindFields(true), record layout; the cursor stands before the first record.
  virtual void InternalOpen() = 0;
  // Closes the cursor; the base then unbinds the fields and destroys the
  // default fields. Also called after a failed InternalOpen.
  virtual void InternalClose() = 0;
  // Fills FieldDefs(), opening what it needs when the dataset is closed.
  virtual void InternalInitFieldDefs() = 0;
  // Bytes of one record buffer: record, calculated-fields area, record information.
  virtual std::size_t GetRecordBufferSize() = 0;
  // Moves the cursor (gmNext, gmPrior) or stays (gmCurrent) and reads that
  // record into buffer: record, bookmark data and flag bfCurrent, then
  // GetCalcFields(buffer). grBOF / grEOF when there is no such record.
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  // Puts the cursor before the first / after the last record.
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  // Puts the cursor on the record a buffer holds (by its bookmark data).
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  // Blanks the record part of a buffer for a new record.
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  // Zeroes the calculated-fields area of a buffer.
  virtual void ClearCalcFields(TRecordBuffer buffer) = 0;
  // The record-information area of a buffer.
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
  virtual TBookmark GetBookmarkData(TRecordBuffer buffer) = 0;
  // Afterwards InternalSetToRecord(buffer) must reach the bookmark's record.
  virtual void SetBookmarkData(TRecordBuffer buffer, const TBookmark& bookmark) = 0;
  // Puts the cursor on a bookmark's record (raises when it cannot).
  virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
  // Reads a field of the record GetActiveRecBuf() selects (the base has
  // made sure there is one); false for null. The value comes in the field's
  // natural form: text, int64_t, double (floats, dates), bool; for memo and
  // blob fields only the answer counts (their contents go by blob stream).
  virtual bool GetFieldData(const TField& field, FieldValue& value) = 0;
  // Writes a field into that record. The base has checked the write rules
  // (CheckFieldWrite) and raises the field-change event afterwards.
  virtual void SetFieldData(const TField& field, const FieldValue& value) = 0;
  // Writes the active buffer's record: appends it in insert state, rewrites
  // it in edit state, and leaves the cursor on it.
  virtual void InternalPost() = 0;
  // Deletes the cursor's record and leaves the cursor on the record that
  // takes its place (the next one, or the last when it was the last).
  virtual void InternalDelete() = 0;
  // Begin editing the cursor's record (lock it), prepare a new record, give
  // up an edit or a new record, refresh the cursor's view of the data.
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  // The record fields are read from and written to in the current state:
  // the active buffer (browse unless empty, edit, insert) or the calculation
  // buffer (CalcFields). Other states answer nullptr here; a concrete
  // dataset that uses them (Filter, OldValue, SetKey) answers for them.
  virtual TRecordBuffer GetActiveRecBuf();
  // Whether a field belongs to the current index (only those may be written
  // in SetKey state).
  virtual bool IsIndexField(const TField& /*field*/) const { return false; }
  // The master's current record changed (and both datasets are open), or
  // the master closed or the link was cut.
  virtual void MasterChanged() {}
  virtual void MasterDisabled() {}

  // ======== Services for the concrete dataset ========

  // Binds data fields to the field definitions of the same name (raising
  // "Field '%s' not found" or a type mismatch) and lays out the
  // calculated-fields area; false unbinds.
  void BindFields(bool binding);
  // Bytes of the calculated-fields area: one slot (FieldSlot.h) per
  // calculated or lookup field.
  int CalcFieldsSize() const { return calcFieldsSize_; }
  // A calculated or lookup field's slot inside a calculated-fields area.
  static bool GetCalcFieldValue(const std::uint8_t* calcArea, const TField& field, FieldValue& value);
  static void SetCalcFieldValue(std::uint8_t* calcArea, const TField& field, const FieldValue& value);
  // Computes the calculated and lookup fields of a record just read: clears
  // them, reads the lookup values, runs OnCalcFields, all in CalcFields state.
  void GetCalcFields(TRecordBuffer buffer);
  // Runs OnFilterRecord in Filter state; true when the record is accepted
  // or no handler is assigned.
  bool FilterRecord();
  // For Lookup: computes the calculated fields of a record read into buffer
  // and returns the value of the named field of that record.
  FieldValue CalculatedValue(TRecordBuffer buffer, std::string_view fieldName);
  // Computes the calculated fields of a record read into buffer, as a read
  // of the cursor does, and runs read while the fields show that record; the
  // cursor's records stay as they are.
  void ReadFromBuffer(TRecordBuffer buffer, const std::function<void()>& read, bool calculate = true);
  // The write rules: raises "Dataset not in edit or insert mode", "Field '%s'
  // cannot be modified" or "Field '%s' is not indexed and cannot be modified".
  void CheckFieldWrite(const TField& field) const;
  // Raises "Cannot modify a read-only dataset" unless CanModify().
  void CheckCanModify() const;

  TRecordBuffer ActiveBuffer() const;
  TRecordBuffer CalcBuffer() const { return calcBuffer_; }
  // A buffer outside the ring for reading a record without moving (Lookup).
  TRecordBuffer TempBuffer() const { return tempBuffer_.get(); }
  // Index of the active record in the ring, and how many records it holds.
  int ActiveRecord() const { return activeRecord_; }
  int BufferedRecords() const { return recordCount_; }

  void SetState(TDataSetState value);
  // Enters a state for a moment, without telling bound controls.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value) { state_ = value; }
  // Tells bound controls and linked details; deFieldChange also marks the
  // record modified and computes calculated fields again.
  void DataEvent(TDataEvent event, TField* field = nullptr, int info = 0);

  // The records in the buffers no longer match the data: drop them, or read
  // them again around the cursor's record (rmExact: it must exist; rmCenter:
  // put it in the middle of the ring).
  void ClearBuffers();
  void Resync(unsigned mode);
  // The cursor moved on its own: the base puts it back before using it.
  void CursorPosChanged() { currentRecord_ = -1; }
  void UpdateCursorPos();

  void DoBeforeScroll();
  void DoAfterScroll();

  // The link to the master; its Fields() are the master fields while active.
  TMasterDataLink& MasterLink() const { return *masterLink_; }

  // A concrete dataset's destructor calls this: closes without events and
  // without raising.
  void CloseForDestruction() noexcept;

private:
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;
  friend class TMasterDataLink;

  using Buffer = std::unique_ptr<std::uint8_t[]>;

  // Opening and closing (DataSet.cpp).
  void OpenCursor();
  void CloseCursor();
  void FreeBuffers() noexcept;
  Buffer NewBuffer() const;

  // The ring (DataSetBuffers.cpp).
  bool GetNextRecord(int* shift = nullptr);
  bool GetPriorRecord(int* shift = nullptr);
  int GetNextRecords();
  int GetPriorRecords();
  void MoveBuffer(int from, int to);
  void ActivateBuffers();
  void SetCurrentRecord(int index);
  void SetBufferCount(int value);
  void UpdateBufferCount();
  void ResyncQuietly() noexcept;
  void ResyncAfterWrite();
  void DataEventQuietly(TDataEvent event, int info = 0) noexcept;
  void CalculateFields(TRecordBuffer buffer);
  void CalcLookupValue(TField& field);

  // Editing (DataSetEditing.cpp).
  template <class Operation>
  void CheckOperation(Operation operation, const TDataSetErrorEvent& onError);
  void InitRecord(TRecordBuffer buffer);
  void BeginInsertAppend();
  void EndInsertAppend();
  void AbandonInsert(const TBookmark& returnTo) noexcept;
  void SetFieldDataAndNotify(const TField& field, const FieldValue& value);
  std::exception_ptr SetStateCollecting(TDataSetState value) noexcept;

  // Data sources and lookup users.
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  void SendToSources(TDataEvent event, TField* field, int info);
  void AddLookupUser(TField* field) { lookupUsers_.push_back(field); }
  void RemoveLookupUser(TField* field);
  void Notify(const TDataSetNotifyEvent& event) {
    if (event) event(*this);
  }

  TDataSetState state_ = dsInactive;
  TFieldDefs fieldDefs_;
  std::vector<std::unique_ptr<TField>> fields_;
  bool defaultFields_ = false;
  bool autoCalcFields_ = true;
  int calcFieldsSize_ = 0;
  bool modified_ = false;

  // The ring: bufferCount_ buffers for records plus one to read into.
  std::size_t recordBufferSize_ = 0;
  std::vector<Buffer> buffers_;
  Buffer tempBuffer_;
  TRecordBuffer calcBuffer_ = nullptr;
  int bufferCount_ = 0;    // buffers in the ring
  int recordCount_ = 0;    // of which hold records
  int activeRecord_ = 0;   // the current record's buffer
  int currentRecord_ = -1; // the buffer whose record the cursor is on; -1 unknown
  bool bof_ = true;
  bool eof_ = true;

  std::string filter_;
  bool filtered_ = false;
  TFilterOptions filterOptions_ = 0;

  int disableCount_ = 0;
  TDataSetState disableState_ = dsInactive;
  bool closedWhileDisabled_ = false;
  bool cursorOpen_ = false;
  bool destroying_ = false;
  bool lookupBusy_ = false;  // computing a record's fields for Lookup

  std::vector<TDataSource*> dataSources_;
  std::vector<TField*> lookupUsers_;  // fields of other datasets that look up here
  std::string masterFields_;
  std::unique_ptr<TMasterDataLink> masterLink_;
};

}  // namespace talvern
