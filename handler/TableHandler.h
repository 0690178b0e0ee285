#pragma once
// VXO_dBHandler: a table file made navigable. On top of the field layer it
// keeps up to 63 open index files and one selected tag, moves in index order
// or in physical order, hides deleted records unless they are wanted,
// applies a filter expression through a bit set of the records that pass it,
// seeks keys, locates records by field values, keeps the index files up to
// date on every write (locking them around it), and reads ahead in blocks of
// about 32 KB while it walks the table in physical order.
//
// ReadRecord is the navigation core. A position code (RecTop, RecNext, ...)
// moves in the current order and skips what is hidden: deleted records while
// use-deleted is off, records outside the filter, records that
// RecordAccepted refuses. A positive position reads that record as it is.
// Indexes, filters and the deleted-record rule apply only while the table is
// ready (table state 1).
//
// The filter is evaluated on every record when it is set (SetFilter) or
// rebuilt (RebuildFilter), and afterwards only on the records written, so
// that moving under a filter only tests bits.
//
// DBFObject (DbfObject.h) is the concrete table the dataset drives.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Fields.h"
#include "handler/FilterOrder.h"
#include "handler/HugeSet.h"
#include "expr/Value.h"

namespace talvern {

class TvxExpHandler;
class VXobjIndexFile;
class VXobjIndexTag;

// Options of a key range (SetRange): partial compares the high bound over
// its own length only; the two others are the tag's in-range rules for keys
// equal to a bound.
struct TvxRangeOptions {
  bool partial = false;
  bool equalLowInside = false;
  bool equalHighChecksLow = false;
};

// Options of a new tag (CreateIndex), as the dataset's two option values
// give them: ascending (1) or descending (0) order, and whether a key may
// occur only once.
struct TvxIndexOptions {
  bool ascending = true;
  bool unique = false;
};

// Field values for PutValues, Locate and KeyFromValues, as texts (null: an
// empty text). The dataset turns its values into text before handing them.
using TvxValueList = std::vector<std::optional<std::string>>;

class VXO_dBHandler : public VXO_dBaseFld {
public:
  static constexpr int kMaxIndexFiles = 63;
  static constexpr std::int32_t kReadAheadBytes = 32768;
  // The block of a filter scan, which reads the whole table in one go.
  static constexpr std::int32_t kScanBytes = 1 << 20;
  static constexpr std::size_t kMaxTagName = 16;

  VXO_dBHandler(const std::string& fileName, bool shared, bool readWrite,
                const std::string& password = "");
  ~VXO_dBHandler() override;

  // Overrides of the disk file: reads served from the read-ahead block,
  // writes kept in it; renaming takes the index files along.
  std::int32_t ReadAt(std::int64_t offset, void* buffer, std::int32_t length) override;
  bool RenameFile(const std::string& newName) override;
  void WriteAt(std::int64_t offset, const void* buffer, std::int32_t length) override;

  // Overrides of the table file.
  void AppendRecord() override;
  bool TableEvent(std::int32_t code, std::int32_t value) override;
  void ReadRecord(std::int32_t position) override;
  void WriteRecord(std::int32_t recno) override;
  void SetLockProtocol(TvxLokProtocol protocol) override;
  bool HasIndexFiles() override;

  // Seeks key (in the table's code page) in the selected tag; true when a
  // visible record with that key (or, with exact-key off, a key beginning
  // with it) was found and made current. Not found: with soft-seek on the
  // record of the next greater key, else the end of the order with EOF set.
  virtual bool FindKey(const std::string& key);
  // The record of key in the named tag (exact match), 0 when absent, -1 when
  // no open index file has that tag. The table does not move.
  virtual std::int32_t FindKeyInTag(const std::string& tagName, const std::string& key);
  // Reads record recno (at most RecordCount) as it is stored, for a reader
  // of many records by number: unlike ReadRecord with a number it does not
  // look for the record in the selected tag's order, so OutOfOrder is false
  // and the next move in the tag's order finds its place from the record.
  void ReadStored(std::int32_t recno);
  // Moves n visible records forward (backward when negative); running off
  // an end sets EOF or BOF.
  virtual void Skip(std::int32_t n);
  // Whether the current record passes the filter (true without one).
  virtual bool RecordAccepted();
  // Locks every open index file in slot order; raises "Could not lock
  // indexes for Table %s" when one stays refused (none is left locked).
  virtual bool LockIndexes();
  // Enciphers the table anew with newPassword (empty: makes it plain): every
  // record, the descriptor area, every memo (which may move to other blocks)
  // and every open index file; the header's flag follows. The table must be
  // open exclusively and for writing ("%s requires full access to file %s").
  // Nothing happens for the password the table already has. The files are
  // rewritten in place under an undo journal (engine/UndoJournal.h): a
  // failure puts them back as they were and is raised then; a kill is undone
  // by the next open. Should even putting them back fail, the files are
  // closed (the table object is no longer usable) and the next open undoes
  // the change.
  virtual void SetPassword(const std::string& newPassword);

  // Read-ahead on: a block of 32768 bytes rounded down to whole records (at
  // least one), empty until the next read. Off: the block is freed.
  void SetReadAhead(bool on);
  void UnlockIndexes();

  // Compiles text as the filter and marks the records that pass it; the
  // same text and options as last time do not scan again. An empty text
  // drops the expression. A result that is not logical raises "Filter
  // expression must return boolean result". The filter applies while it is
  // on (SetFilterOn) and has an expression.
  void SetFilter(const std::string& text, bool caseInsensitive, bool partialCompare);
  void SetFilterOn(bool on);
  // Marks the records that pass the active filter afresh (records appended
  // or changed by other programs since).
  void RebuildFilter();

  // Restricts the selected tag to keys between lowKey and highKey (an empty
  // text: no bound on that side) and goes to the first record; false without
  // a tag or when the range did not change.
  bool SetRange(const std::string& lowKey, const std::string& highKey, const TvxRangeOptions& options);
  void ClearRange();

  // Closes the index files, opens those of the list (names separated by
  // commas or semicolons outside double quotes) and selects tagName.
  void OpenIndexFiles(const std::string& list, const std::string& tagName);
  // 0 opened, -1 already open, -2 every slot taken (the file is not opened).
  // A name without path is taken beside the table, one without extension
  // gets ".ndx". Raises "File %s could not be found" or "Index file %s is
  // corrupted".
  int OpenIndexFile(const std::string& name);
  // The highest slot (1-63) holding the file of that name, 0 if none.
  int IndexFileSlot(const std::string& name) const;
  // The n-th tag (from 1) counting through the files in slot order.
  VXobjIndexTag* TagByOrder(int n) const;
  void CloseIndexFiles();
  // Selects a tag by name (empty: physical order) and answers the slot of
  // its file (0 for physical order). Raises "Cannot find index tag %s".
  int SelectTag(const std::string& name, bool keepPosition);
  // Creates (or adds to) an index file and builds one tag in it; no index
  // file is open afterwards (the caller opens them again).
  void CreateIndex(const std::string& fileName, const std::string& tagName, const TvxIndexOptions& options,
                   const std::string& keyExpression, const std::string& forExpression);

  // Finds the first visible record whose fields (";"-separated names) show
  // the values; the last field only over the value's length when partial.
  // A tag on exactly those fields is used when there is one and no start
  // record; otherwise the table is scanned from the record after
  // startRecord (from the top when 0). Found: the record is current.
  bool Locate(const std::string& fields, const TvxValueList& values, std::int32_t startRecord, bool partial,
              bool caseInsensitive);
  // The key that keyExpression gives a record holding the values in the
  // fields the expression uses (in their order), as text.
  std::string KeyFromValues(const TvxValueList& values, const std::string& keyExpression);

  bool ReadAheadOn() const { return readAhead_; }
  // While on, a walk in the order of a small filter set takes each record as
  // the filter read it moments before (when the order kept it) instead of
  // reading it once more; a record asked for by number is read from the
  // file. Off lets the kept records go: they serve one walk.
  void ServeKeptRecords(bool on);
  // Records about to be read by number in this order (ReadStored) are read
  // from the file beforehand, all at once (VXO_DiskFile::ReadPieces): each
  // read of the next of them takes its bytes from here, any other read goes
  // to the file. Until DropPrefetched or a write; a list that cannot be read
  // whole is left to the reads one by one.
  void Prefetch(const std::int32_t* recnos, std::size_t count);
  void DropPrefetched();
  bool Found() const { return found_; }
  bool SoftSeek() const { return softSeek_; }
  void SetSoftSeek(bool on) { softSeek_ = on; }
  bool OutOfOrder() const { return outOfOrder_; }
  bool UseDeleted() const { return useDeleted_; }
  bool ExactKeyOn() const { return exactKey_; }
  VXobjIndexTag* CurrentTag() const { return currentTag_; }
  const std::string& CurrentTagName() const { return tagName_; }
  // The file in slot 1-63, null when the slot is empty.
  VXobjIndexFile* IndexFile(int slot) const;
  bool FilterOn() const { return filterOn_; }
  bool FilterActive() const { return filterActive_; }
  const std::string& FilterText() const { return filterText_; }
  const TvxHugeSet* FilterSet() const { return filterSet_.get(); }
  // Whether the last marking of the filter's records took them from a tag's
  // key range rather than from a scan of the table.
  bool FilterSetFromIndex() const { return filterFromIndex_; }

protected:
  // Makes the index file object for a full name of a known kind (opened, or
  // created when create is set); the index layer's formats by default.
  virtual std::unique_ptr<VXobjIndexFile> NewIndexFile(const std::string& fullName, bool create);

  // Reads a record through the table file, around the read-ahead block when
  // direct (a record asked for by number must be the one on disk).
  void ReadPhysical(std::int32_t position, bool direct);
  // The record a tag gives for a position code, passing over records
  // outside the filter; BOF and EOF from the tag.
  std::int32_t TagRecord(VXobjIndexTag& tag, std::int32_t code, std::int32_t next);
  // The record the filter set gives for RecTop, RecBottom, RecNext or
  // RecPrior; BOF and EOF when it runs out.
  std::int32_t FilterSetRecord(std::int32_t code);
  // The record a tag gives for a position code under a small filter set,
  // from the set sorted in the tag's order (made when missing); false when
  // that order cannot stand in for the tag's walk here.
  bool OrderedFilterRecord(VXobjIndexTag& tag, std::int32_t code, std::int32_t next, std::int32_t& rec);
  // Makes filterOrder_ for the tag unless it is current; false when the
  // tag cannot be ordered this way (or the set is not small).
  bool MakeFilterOrder(VXobjIndexTag& tag, bool validate);
  // A maker of the order for a set of about expected records, to be given
  // them while they are read for the filter (and to keep their bytes when
  // keep says so); none when the tag cannot order such a set.
  std::optional<TvxFilterOrderMaker> StartFilterOrder(VXobjIndexTag* tag, std::int64_t expected, bool keep);
  // Whether a filter set of count records is walked in the tag's order by
  // the records' own keys.
  bool OrderableBy(VXobjIndexTag& tag, std::int64_t count) const;
  void ForgetFilterOrder() { filterOrder_.reset(); }
  // Copies the record at offset from the filter order's kept records; false
  // when they do not hold it.
  bool KeptRecord(std::int64_t offset, void* buffer, std::int32_t length);
  // SetPassword's steps (TableHandlerPassword.cpp): the whole rewrite, the
  // records with their memos, the descriptor area; closing every file when
  // a failed rewrite could not be undone.
  void Recipher(const std::string& newPassword, VXobjMemo* memo);
  void RecipherRecords(VXobjMemo* memo);
  void RecipherDescriptors();
  void AbandonFiles() noexcept;
  // Raises when an open index file cannot be kept up to date by a write.
  void CheckIndexesMaintainable();
  // Evaluates the filter on the current record.
  bool FilterTrue();
  // Marks every record of the current order that passes the filter.
  // orderTag: the tag that orders the table once the scan is done, detached
  // for it (null: none).
  void ScanFilter(VXobjIndexTag* orderTag = nullptr);
  // Marks the records that pass the filter taking them from a tag's key
  // range (TableHandlerFilterIndex.cpp) when the filter is, or is joined by
  // .AND. with, a comparison of a tag's bare numeric key field with a number;
  // false, nothing marked, when no tag serves or the range is large. With
  // the records in hand it also makes their order in orderTag.
  bool ScanFilterFromIndex(VXobjIndexTag* orderTag);
  // The records of the tag's entries with keys from low to high (numbers);
  // false when they are more than a small part of the table.
  bool RangeRecords(VXobjIndexTag& tag, double low, double high, std::vector<std::int32_t>& records);
  // The full name of an index file: beside the table when it has no path,
  // with ".ndx" when it has no extension.
  std::string IndexFileName(const std::string& name) const;
  // The tag of that name (trimmed, case ignored) in slot order, and its slot.
  VXobjIndexTag* FindTag(const std::string& name, int* slot) const;
  // The key of the current record by a compiled key expression, as text.
  std::string KeyText(TvxExpHandler& key);
  // Read-ahead in a block of that many bytes rounded down to whole records
  // (at least one); 0 switches it off.
  void SizeReadAhead(std::int32_t bytes);
  // Makes the read-ahead block hold the bytes at offset, refilling it from
  // there when it does not; false when the table ends before them.
  bool FillReadAhead(std::int64_t offset, std::int32_t length);
  // The read-ahead block takes the bytes written to or read from the file
  // where they overlap it.
  void CopyIntoReadAhead(std::int64_t offset, const void* bytes, std::int32_t length);

  // The record of the append under way while its keys are written.
  std::int32_t appendedRecord_ = 0;

  // Read-ahead.
  bool readAhead_ = false;
  std::vector<std::uint8_t> readAheadBuffer_;
  std::int32_t readAheadSize_ = 0;
  std::int32_t readAheadRecords_ = 0;
  std::int64_t readAheadFirst_ = -1;
  std::int64_t readAheadEnd_ = 0;
  bool directRead_ = false;

  bool found_ = false;
  bool softSeek_ = false;
  bool outOfOrder_ = false;
  VXobjIndexTag* currentTag_ = nullptr;
  std::string tagName_;
  std::array<std::unique_ptr<VXobjIndexFile>, kMaxIndexFiles> indexFiles_;

  // Filter.
  std::unique_ptr<TvxHugeSet> filterSet_;
  std::unique_ptr<TvxExpHandler> filterExpr_;
  std::string filterText_;
  bool filterCaseInsensitive_ = false;
  bool filterPartialCompare_ = false;
  bool filterOn_ = false;
  bool filterActive_ = false;
  ExprValue filterValue_;
  // While the filter is scanned, navigation hides nothing.
  bool scanAll_ = false;
  bool filterFromIndex_ = false;
  // The filter set in the current tag's order, while the set is small.
  std::unique_ptr<TvxFilterOrder> filterOrder_;
  bool servingKept_ = false;
  // Prefetch: the records' bytes and offsets in the order given, and the
  // next one to be read.
  std::vector<std::uint8_t> prefetched_;
  std::vector<std::int64_t> prefetchedAt_;
  std::size_t prefetchNext_ = 0;
};

}  // namespace talvern
