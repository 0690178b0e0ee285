#pragma once
// TTalvernDataSet: the dataset over one DBF table, the cursor through which
// every window reads and writes the catalogue. While it is open it owns the
// table object, a DBFObject (the table handler with its filter and status
// hooks turned towards this dataset), and maps the dataset interface onto
// it: records are read by the handler straight into the record buffers,
// navigation follows the handler's selected tag, filter, deleted-record rule
// and key range, and the handler's record locks guard editing.
//
// A record buffer is one block:
//
//   offset                      bytes             contents
//   0                           record length + 1 the record as stored (866)
//   calcOffset                  CalcFieldsSize()  calculated and lookup fields
//   infoOffset + kInfoRecNo     4                 physical record number
//   infoOffset + kInfoFlag      1                 bookmark flag
//   infoOffset + kInfoBookmark  11                bookmark: the record number as
//                                                 decimal text, zero-terminated
//
// Texts go to the program in code page 1251 when TranslateASCII is on (and
// the field's Transliterate): field values, filters, key ranges, seek and
// locate values. Record numbers are physical everywhere: RecNo, bookmarks.
//
// The database directory is DatabaseName: "Default Directory" (the program's
// directory), an alias of talvern.cfg (AliasList.h), or a directory.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataset/DataSet.h"
#include "dataset/IndexDefs.h"
#include "dataset/IndexFileList.h"
#include "handler/DbfObject.h"
#include "engine/TableTypes.h"

namespace talvern {

class TTalvernBlobStream;

// The field type of integer numeric fields of 10 digits or more.
enum TvxIntFields { asInteger, asLargeInt, asFloat };

class TTalvernDataSet : public TDataSet {
public:
  static constexpr std::size_t kInfoRecNo = 0;
  static constexpr std::size_t kInfoFlag = 4;
  static constexpr std::size_t kInfoBookmark = 5;
  static constexpr std::size_t kBookmarkSize = 11;
  static constexpr std::size_t kInfoSize = kInfoBookmark + kBookmarkSize;

  TTalvernDataSet();
  ~TTalvernDataSet() override;

  // ---- Where the table is. DatabaseName, TableName, EncryptionKey and
  // Exclusive change only while closed.
  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(std::string value);
  // ".DBF" is added at opening when the name has no extension.
  const std::string& TableName() const { return tableName_; }
  void SetTableName(std::string value);
  const std::string& EncryptionKey() const { return encryptionKey_; }
  void SetEncryptionKey(std::string value);
  // Enciphers the open table anew with newPassword (empty: makes it plain),
  // through the table's SetPassword: the dataset must be open Exclusive and
  // not ReadOnly. EncryptionKey becomes the new password, and the records
  // are read again (memos may have moved). Should the table's files have to
  // be closed after a failure, the dataset closes too.
  void SetPassword(const std::string& newPassword);
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  // The directory the table's files are looked for in, with a trailing
  // separator ("" for the current directory).
  std::string Directory() const;

  // ---- Passed on to the table object (at once while open).
  bool TranslateASCII() const { return translateASCII_; }
  void SetTranslateASCII(bool value);
  bool UseDeleted() const { return useDeleted_; }
  void SetUseDeleted(bool value);
  bool AutoFlush() const { return autoFlush_; }
  void SetAutoFlush(bool value);
  TvxLokProtocol LockProtocol() const { return lockProtocol_; }
  void SetLockProtocol(TvxLokProtocol value);
  std::int32_t UserID() const { return userId_; }
  void SetUserID(std::int32_t value);
  // Field types of numeric fields of 10 digits or more (next field definitions).
  TvxIntFields LargeIntegerAs() const { return largeIntegerAs_; }
  void SetLargeIntegerAs(TvxIntFields value) { largeIntegerAs_ = value; }
  // RecordCount counts the visible records instead of reading the header.
  bool ExactCount() const { return exactCount_; }
  void SetExactCount(bool value) { exactCount_ = value; }

  // ---- Index files and tags
  // Every change of the list reopens the index files at once while open:
  // "Cannot find file %s" for a missing file, "Index file %s already open",
  // "Error getting %s" when the handler cannot open it.
  TIndexFileList& IndexFiles() { return indexFiles_; }
  // Replaces the list as a whole (names without extension take ".ndx").
  void SetIndexFiles(std::vector<std::string> names);
  const std::string& IndexName() const { return indexName_; }
  // Selects a tag (empty: record-number order) and goes to the first record
  // of the new order. Changes of IndexFiles keep the current record.
  void SetIndexName(const std::string& name);
  const TIndexDefs& IndexDefs();
  // Tags of all open index files, counted from 1 through the files in order.
  int TagCount() const;
  std::string TagName(int i) const;
  std::string TagExpression(int i) const;
  // Creates a tag (and its index file when missing): option1 1 ascending, 0
  // descending; option2 1 unique keys. The index files are closed afterwards
  // (reopen the dataset); the dataset stands on its first record.
  void CreateIndexTag(const std::string& indexFile, const std::string& tagName, const std::string& keyExpression,
                      const std::string& condition, int option1, int option2);
  // Seeks the current tag for the key of the values (one per key field, a
  // value longer than its field cut to it); a stored key that begins with
  // it counts. Not found: the cursor stays.
  bool FindKey(const std::vector<FieldValue>& values);
  // Restricts the current tag to keys between the texts (empty: no bound);
  // two empty texts clear the range.
  void SetKeyRange(const std::string& lowKey, const std::string& highKey);

  // ---- Records
  std::int32_t RecNo() override;
  void SetRecNo(std::int32_t value) override;
  std::int32_t RecordCount() override;
  bool IsSequenced() override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  // Bookmarks order as the record numbers they hold.
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  bool Locate(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
              TLocateOptions options) override;
  FieldValue Lookup(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
                    std::string_view resultField) override;
  std::unique_ptr<TStream> CreateBlobStream(const TField& field, TBlobStreamMode mode) override;
  bool CanModify() const override { return !readOnly_; }
  // Reads records by physical number without moving the cursor, for a view
  // that takes fields of many records at once: each record is read from the
  // table as it is stored, its calculated fields computed, and read(i) runs
  // while the fields show record recNos[i] (it may only read them). Raises
  // as SetRecNo does for a number not in the table. Without calculate the
  // calculated fields are not worked out (they read empty).
  void ReadRecords(const std::vector<std::int32_t>& recNos, const std::function<void(std::size_t)>& read,
                   bool calculate = true);
  // Walks the records from the first to the last in the dataset's order, as
  // First and Next would meet them (filter, deleted records, OnFilterRecord),
  // without moving the cursor: visit(recNo) runs while the fields show the
  // record as stored (it may only read them; calculated fields read empty).
  // A small filter set walked in a tag's order gives its records as the
  // filter read them, when it kept them: the first walk after the filter was
  // set reads nothing again.
  void ForEachRecord(const std::function<void(std::int32_t)>& visit);
  // Takes the deleted mark off the current record.
  void Recall();
  // Copies the current record as stored (record length bytes); false when
  // there is no current record.
  bool GetCurrentRecord(std::uint8_t* buffer);
  // Converts a zero-terminated text between the display and the OEM code
  // page (toOem: display to OEM); copies it when TranslateASCII is off.
  // Source and destination may be the same. Returns the source's length.
  int Translate(const char* source, char* destination, bool toOem) const;

  // ---- Filtering: handed to the table's filter while open and filtered.
  void SetFilter(const std::string& text) override;
  void SetFiltered(bool value) override;
  void SetFilterOptions(TFilterOptions value) override;

  // Also "Table is busy building an index" while a tag is built.
  void CheckActive() const override;

  // Progress of long operations of the table (index builds).
  TvxStatusReport OnStatus;

  // The table object while open, else null.
  DBFObject* Table() const { return table_.get(); }

protected:
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  std::size_t GetRecordBufferSize() override { return bufferSize_; }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  TBookmark GetBookmarkData(TRecordBuffer buffer) override;
  void SetBookmarkData(TRecordBuffer buffer, const TBookmark& bookmark) override;
  void InternalGotoBookmark(const TBookmark& bookmark) override;
  bool GetFieldData(const TField& field, FieldValue& value) override;
  void SetFieldData(const TField& field, const FieldValue& value) override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalEdit() override;
  void InternalInsert() override;
  void InternalCancel() override;
  void InternalRefresh() override;
  TRecordBuffer GetActiveRecBuf() override;
  bool IsIndexField(const TField& field) const override;
  void MasterChanged() override;
  void MasterDisabled() override;

private:
  friend class TTalvernBlobStream;

  // A table field as the record buffer holds it.
  struct TableField {
    std::int32_t offset = 0;
    std::int32_t length = 0;
    std::int32_t decimals = 0;
    char type = 0;
    TFieldType dataType = ftUnknown;
    bool plainNumber = false;  // N or F kept as text
  };

  // Opening (TalvernDataSet.cpp).
  std::string TableFileName() const;
  std::unique_ptr<DBFObject> OpenTableObject(const std::string& path, bool shared, bool readWrite) const;
  void AddFieldDefs(DBFObject& table);
  TFieldType FieldTypeOf(DBFObject& table, std::int32_t field) const;
  void ApplyFilter();
  // Applies the filter anew and goes to the first record.
  void Refilter();

  // Records (TalvernDataSetRecords.cpp).
  std::int32_t RecNoOf(TRecordBuffer buffer) const;
  void FillRecordInfo(TRecordBuffer buffer, std::int32_t recNo);
  bool ParseBookmark(const TBookmark& bookmark, std::int32_t& recNo) const;
  bool GetTableFieldData(const TField& field, const TableField& f, const std::uint8_t* record, FieldValue& value);
  void SetTableFieldData(const TField& field, const TableField& f, std::uint8_t* record, const FieldValue& value);
  // The handler back on a record after a search that left it elsewhere; the
  // dataset then repositions it before the next use.
  void ReturnTo(std::int32_t recNo);

  // Editing (TalvernDataSetEditing.cpp).
  void LockCurrentRecord();
  void ReleaseRecordLock();
  void WritePendingBlobs(TRecordBuffer buffer);
  void MarkDeleted(bool deleted);
  void BlobWritten(const TField& field, std::string contents);
  std::string BlobContents(const TField& field);
  bool BlobIsNull(const TField& field, const std::uint8_t* record);

  // Index files, tags and keys (TalvernDataSetIndex.cpp).
  void OpenIndexFileList(bool wholeList);
  void IndexFilesChanged();
  // After the handler changed its order: back on recNo when that record is
  // in the new order, else on the first record.
  void PositionAfterTagChange(std::int32_t recNo);
  // After index files failed to open: the selected tag again when it is
  // still open, else record-number order.
  void KeepOrderAfterFailure(std::int32_t recNo);
  void RebuildIndexDefs();
  std::string KeyFromValues(const std::vector<FieldValue>& values) const;
  std::optional<std::string> MasterKey();
  // The master's range on the current tag, without moving the dataset.
  void ApplyMasterRange();

  std::string databaseName_;
  std::string tableName_;
  std::string encryptionKey_;
  bool exclusive_ = false;
  bool readOnly_ = false;
  bool translateASCII_ = true;
  bool useDeleted_ = false;
  bool autoFlush_ = false;
  TvxLokProtocol lockProtocol_ = TvxLokProtocol::Default;
  std::int32_t userId_ = 0;
  TvxIntFields largeIntegerAs_ = asLargeInt;
  bool exactCount_ = false;
  TIndexFileList indexFiles_;
  std::string indexName_;
  TIndexDefs indexDefs_;

  std::unique_ptr<DBFObject> table_;
  std::vector<TableField> tableFields_;  // by field number (1-based; [0] unused)
  std::size_t recordSize_ = 0;           // record length + 1
  std::size_t calcOffset_ = 0;
  std::size_t infoOffset_ = 0;
  std::size_t bufferSize_ = 0;
  bool beforeFirst_ = false;
  bool afterLast_ = false;
  bool editing_ = false;     // the current record is locked for editing
  bool busy_ = false;        // a tag is being built
  std::vector<std::uint8_t> oldRecord_;  // the record as it was before editing
  // Memo contents written during an edit, stored when the record is posted
  // (by field number; none: unchanged).
  std::vector<std::optional<std::string>> pendingBlobs_;
};

}  // namespace talvern
