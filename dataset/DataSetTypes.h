#pragma once
// The small vocabulary shared by datasets, fields, data sources and data
// links: dataset states, field types and kinds, how a record is asked for and
// what the answer is, bookmark flags and the events bound controls receive.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace talvern {

class TDataSet;
class TField;

// What a dataset is doing. Browse, edit and insert are the states a window
// sees; the others are entered for a moment while the dataset computes
// calculated fields (CalcFields), asks the record filter (Filter), builds a
// search key (SetKey) or reads the record as it was before editing (OldValue).
enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsInternalCalc,
};

enum TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,  // 16-bit integer
  ftInteger,   // 32-bit integer
  ftLargeint,  // 64-bit integer
  ftFloat,
  ftCurrency,
  ftBoolean,
  ftDate,
  ftDateTime,
  ftMemo,
  ftBlob,
};

// Where a field's value comes from: the record (Data), the OnCalcFields
// handler (Calculated) or another dataset (Lookup).
enum TFieldKind { fkData, fkCalculated, fkLookup };

// Which record GetRecord is asked for, relative to the cursor.
enum TGetMode { gmCurrent, gmNext, gmPrior };
// The answer: a record, or the cursor ran off the beginning or the end.
enum TGetResult { grOK, grBOF, grEOF, grError };

// What a record buffer holds: a record (Current), a new record not yet posted
// (Inserted), or a stand-in for the position before the first (BOF) or after
// the last (EOF) record.
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

// Notifications from a dataset to its data sources and data links.
enum TDataEvent {
  deFieldChange,      // a field of the current record was written
  deRecordChange,     // the current record changed as a whole (edit began)
  deDataSetChange,    // the records shown changed: reopen, first, last, post, ...
  deDataSetScroll,    // the cursor moved within the records shown
  deUpdateRecord,     // bound controls write their pending values (before post)
  deUpdateState,      // the dataset's state changed
  deCheckBrowseMode,  // the dataset leaves edit mode: linked details post first
};

// Answer of an error handler (OnPostError, OnEditError, OnDeleteError).
enum TDataAction { daFail, daAbort, daRetry };

// Options of Locate.
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

// Options of the filter: compare texts ignoring case; do not let a shorter
// literal match the start of a longer value.
enum TFilterOption : unsigned { foCaseInsensitive = 1, foNoPartialCompare = 2 };
using TFilterOptions = unsigned;

// How Resync rebuilds the record buffers: the current record must be found
// again (Exact), and it is put in the middle of the buffers (Center).
enum TResyncMode : unsigned { rmExact = 1, rmCenter = 2 };

// A record buffer: one block whose layout the concrete dataset decides.
using TRecordBuffer = std::uint8_t*;

// A bookmark: bytes the concrete dataset makes from a record; empty means none.
using TBookmark = std::string;

using TDataSetNotifyEvent = std::function<void(TDataSet& dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet& dataSet, bool& accept)>;
using TDataSetErrorEvent =
    std::function<void(TDataSet& dataSet, const std::exception& error, TDataAction& action)>;

}  // namespace talvern
