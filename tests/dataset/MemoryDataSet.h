#pragma once
// A dataset over rows kept in memory, built on the dataset base the way the
// table dataset is: the cursor is a row index with "before first" (-1) and
// "after last" (row count) positions, a record buffer holds the row's values
// in field slots, then the calculated-fields area, then the record
// information (record number, bookmark flag, bookmark as decimal text).
// Deleted rows stay in the vector marked deleted, so that record numbers
// keep their meaning, as in a table. Tests use it to drive the base.

#include <optional>
#include <string>
#include <vector>

#include "dataset/DataSet.h"

namespace talvern::test {

class TMemoryDataSet : public TDataSet {
public:
  struct Column {
    std::string name;
    TFieldType type;
    int size = 0;
  };
  struct Row {
    std::vector<FieldValue> values;
    bool deleted = false;
  };

  explicit TMemoryDataSet(std::vector<Column> columns) : columns_(std::move(columns)) {}
  ~TMemoryDataSet() override { CloseForDestruction(); }

  // Missing values at the end are null.
  void AddRow(std::vector<FieldValue> values) {
    values.resize(columns_.size());
    rows.push_back({std::move(values), false});
  }

  // The stored rows; record number n is rows[n - 1].
  std::vector<Row> rows;
  // What tests switch to provoke the paths a table dataset has.
  bool readOnly = false;
  bool failOpen = false;
  int failPosts = 0;           // the next n posts raise
  std::int32_t lockedRecNo = 0;  // editing this record raises "Record is locked by another user"
  // The detail's fields matched against the master's MasterFields.
  std::string detailFields;
  int masterChanges = 0;

  std::int32_t RecNo() override;
  void SetRecNo(std::int32_t value) override;
  std::int32_t RecordCount() override;
  bool CanModify() const override { return !readOnly; }
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  bool Locate(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
              TLocateOptions options) override;
  FieldValue Lookup(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
                    std::string_view resultField) override;
  std::unique_ptr<TStream> CreateBlobStream(const TField& field, TBlobStreamMode mode) override;
  void SetFiltered(bool value) override;

protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  std::size_t GetRecordBufferSize() override { return bufferSize_; }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  void InternalFirst() override { cursor_ = -1; }
  void InternalLast() override { cursor_ = static_cast<int>(rows.size()); }
  void InternalSetToRecord(TRecordBuffer buffer) override { cursor_ = RecNoOf(buffer) - 1; }
  void InternalInitRecord(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  TBookmark GetBookmarkData(TRecordBuffer buffer) override;
  void SetBookmarkData(TRecordBuffer buffer, const TBookmark& bookmark) override;
  void InternalGotoBookmark(const TBookmark& bookmark) override;
  bool GetFieldData(const TField& field, FieldValue& value) override;
  void SetFieldData(const TField& field, const FieldValue& value) override;
  void InternalEdit() override;
  void InternalInsert() override { pendingBlobs_.clear(); }
  void InternalCancel() override { pendingBlobs_.clear(); }
  void InternalPost() override;
  void InternalDelete() override;
  TRecordBuffer GetActiveRecBuf() override;
  void MasterChanged() override;
  void MasterDisabled() override;

private:
  class BlobStream;

  int ColumnOf(std::string_view name) const;
  std::int32_t RecNoOf(TRecordBuffer buffer) const;
  bool Accepts(int row);
  void FillRecord(TRecordBuffer buffer, int row);
  int FindRow(std::string_view keyFields, const std::vector<FieldValue>& keyValues, TLocateOptions options);
  void ReadMasterKey();
  void StoreBlob(const TField& field, std::string contents);

  std::vector<Column> columns_;
  std::vector<std::size_t> offsets_;  // of each column's slot in a buffer
  std::size_t calcOffset_ = 0, infoOffset_ = 0, bufferSize_ = 0;
  int cursor_ = -1;
  std::vector<std::uint8_t> filterBuffer_;  // the row the filter is asked about
  std::optional<std::vector<FieldValue>> masterKey_;
  std::vector<std::optional<std::string>> pendingBlobs_;  // written in edit, stored at post
};

}  // namespace talvern::test
