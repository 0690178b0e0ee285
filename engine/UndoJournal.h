#pragma once
// TvxUndoJournal: makes a rewrite of a table's files in place undoable, so
// that a table whose rewrite fails or is cut short by a kill reads as it did
// before (SetPassword rewrites every byte of the table, its memo file and
// its open index files so).
//
// Before the rewrite, each file F is copied beside itself as F.undo and the
// journal TABLE.journal (TABLE being the table's file name with its
// extension) lists them. A rewrite that fails is undone at once from the
// copies, through the open files (Undo); one cut short by a kill or a crash
// is undone by the next open of the table (RecoverTable, which the table
// file calls before it opens the file). A finished rewrite marks the journal
// done, then removes the copies and the journal (Finish).
//
// Journal layout (text):
//   byte 0   state: C the copies are being made (the files are untouched);
//            A armed: the files may be half rewritten, undo them from the
//            copies; D done: the files hold the result, the copies are spare
//   then     " talvern undo journal\n", a line for each file of the
//            table's folder (its name there, without the folder), and
//            "end\n". A journal naming anything else is not this program's
//            and is left alone.
// The state is one byte written in place, so a kill never leaves half of it;
// the copies are flushed to disk before the state becomes A. A journal
// without its "end" line was cut short while it was first written, before
// any copy was made.

#include <cstdint>
#include <string>
#include <vector>

namespace talvern {

class VXO_DiskFile;

class TvxUndoJournal {
public:
  static constexpr char kCopying = 'C';
  static constexpr char kArmed = 'A';
  static constexpr char kDone = 'D';

  // Copies the open files (the table's first) and arms the journal. Raises
  // when a copy or the journal cannot be written; the files are untouched
  // then and the copies made so far are removed.
  TvxUndoJournal(const std::string& tableFileName, const std::vector<VXO_DiskFile*>& files);
  // A journal neither finished nor undone stays armed for the next open.
  ~TvxUndoJournal() = default;
  TvxUndoJournal(const TvxUndoJournal&) = delete;
  TvxUndoJournal& operator=(const TvxUndoJournal&) = delete;

  // The rewrite is complete and on disk: the journal is marked done (raises
  // when that cannot be written, the rewrite then still being undoable), and
  // the copies and the journal are removed.
  void Finish();
  // Writes each copy back into its file through the open file, whole, and
  // drops the journal and the copies. False when a file could not be put
  // back: the journal then stays armed for the next open.
  bool Undo() noexcept;

  // Completes what an interrupted rewrite left beside the table: an armed
  // journal is undone from the copies, any other is removed with its
  // copies. Nothing is done when there is no journal. Raises "Access denied
  // to file %s" when another open holds the table, and the file errors of
  // putting the copies back (the journal then stays for a later open).
  static void RecoverTable(const std::string& tableFileName);

  static std::string JournalName(const std::string& tableFileName) { return tableFileName + ".journal"; }
  static std::string CopyName(const std::string& fileName) { return fileName + ".undo"; }

private:
  struct Entry {
    VXO_DiskFile* file;
    std::string name;
  };
  void WriteJournal();
  void SetState(char state);
  void RemoveCopies() noexcept;

  std::string journal_;
  std::vector<Entry> entries_;
};

}  // namespace talvern
