#pragma once
// DataSetModel: a Qt table model over the records of a dataset, bound through
// a data source, for lookup lists and data grids. Columns are fields; rows are
// the records in the dataset's order (its index, filter and range).
//
// Rows are read on demand, a chunk at a time, through the link's buffer
// window: the model moves the cursor to the chunk, reads the records the
// window then holds, and puts the cursor back on the record it was on. Only a
// few chunks are kept (RowCache); rows scrolled far away are read again when
// they come back. The dataset's own record count may include deleted and
// filtered records, so the model learns how many rows there are by reading
// on: rowCount grows as a view asks for more (canFetchMore / fetchMore) until
// the end of the dataset is reached.
//
// The model starts over (a model reset) whenever the dataset opens, closes or
// its records change, or the source is given another dataset; a written field
// of the current record updates just that row. While the dataset is being edited the model does not move it (moving
// would post the edit): rows not kept then read as empty until editing ends.
//
// A failure while reading (say, a field that the dataset does not have) goes
// to the general error handler once; the model then reads nothing more until
// the dataset changes again. Texts reach Qt through DisplayText only.

#include <QAbstractTableModel>
#include <exception>
#include <string>
#include <vector>

#include "app/RowCache.h"
#include "app/ViewDataLink.h"
#include "dataset/FieldValue.h"

namespace talvern {

class DataSetModel : public QAbstractTableModel, public ViewDataLink {
  Q_OBJECT

public:
  static constexpr int kDefaultChunkRows = 32;
  static constexpr int kDefaultKeptChunks = 16;

  explicit DataSetModel(QObject* parent = nullptr);

  // The fields shown, ";"-separated, in order; empty (the default) shows every
  // visible field of the dataset in its order. Headings are the fields'
  // display names.
  void SetFieldNames(std::string names);
  // The field whose value RowKey answers for a row (need not be shown).
  void SetKeyField(std::string name);
  // Rows read at a time (at least 1); the link keeps one more buffer.
  void SetChunkRows(int rows);
  int ChunkRows() const { return cache_.ChunkRows(); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  // True once every row up to the end of the dataset is known.
  bool AllRowsKnown() const { return complete_; }
  // Chunks read from the dataset since the model was made (for tests and
  // benchmarks: how much reading a view caused).
  int ChunksRead() const { return chunksRead_; }

  // The key field's value in a row; null when there is none.
  FieldValue RowKey(int row);
  // The first row whose key equals value, reading on as far as needed; -1
  // when there is none.
  int FindKey(const FieldValue& value);
  // The same among the rows in memory only, without reading.
  int FindKeptKey(const FieldValue& value) const;
  // Makes the row's record the dataset's current record; the other controls
  // of the dataset hear of it, this model keeps its rows.
  void GotoRow(int row);
  // The row of the dataset's current record among the rows in memory; -1
  // when it is not among them.
  int CurrentRow() const;

  // Keys are equal when both are numbers of equal value or have equal texts;
  // null equals nothing.
  static bool SameKey(const FieldValue& a, const FieldValue& b);

protected:
  void RecordsChanged() override;
  void CurrentRecordChanged(TField* field) override;
  void ViewEditingChanged() override;

private:
  // The dataset is open, browsing, with its controls enabled, and not being
  // read by a view already.
  bool CanRead() const;
  void Reset();
  void ResetLater();
  // False, with a reset to come, when the source now has another dataset.
  bool CheckSameDataSet();
  void Fail(std::exception_ptr error);
  std::vector<TField*> ShownFields() const;
  CachedRow ReadCurrentRow(const std::vector<TField*>& fields, const TField* key) const;
  // Reads chunk c; next receives the bookmark of the first row after it
  // (empty at the end of the dataset).
  std::vector<CachedRow> ReadChunk(int chunk, TBookmark& next);
  // The row from memory, or read with its chunk; nullptr when it cannot be.
  const CachedRow* RowAt(int row);

  std::string fieldNames_;
  std::string keyField_;
  std::vector<std::string> columns_;  // names of the fields shown
  std::vector<QString> headers_;
  const TDataSet* rowsOf_ = nullptr;  // the dataset the known rows come from
  RowCache cache_;
  std::vector<TBookmark> chunkStarts_;  // first row of each known chunk; chunk 0 starts at First
  int knownRows_ = 0;
  bool complete_ = false;
  bool failed_ = false;
  bool movingSelf_ = false;
  bool resetScheduled_ = false;
  int chunksRead_ = 0;
};

}  // namespace talvern
