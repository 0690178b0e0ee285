#pragma once
// VXobjIndexTag: one ordering of a table's records by a key expression,
// optionally restricted by a FOR condition, unique or not, ascending or
// descending. The tag is a B-tree of pages in its index file; this class
// holds everything that does not depend on the page layout: movement (top,
// bottom, next, prior, same), exact and partial seeks, ranges, key insertion
// and the maintenance of the tag when a record is appended or rewritten.
// The formats (VXobjCDXTag, ...) supply key encoding, page decoding and
// encoding, and the tag header through the virtual operations.
//
// Movement answers a record number, 0 when the move ran off an end (Bof or
// Eof set). The node path (VXobjIndexKey) exists between a Resync, Seek,
// top or bottom move and the next ReleaseNodes; dirty nodes reach the file
// when the path is released.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Collection.h"
#include "index/IndexKey.h"

namespace talvern {

class TvxExpHandler;
class TvxSort;
class VXO_dBaseFld;
class VXobjIndexFile;

// Frees a compiled expression (the expression engine's type stays opaque to
// the users of this header).
struct TvxExpHandlerDelete {
  void operator()(TvxExpHandler* handler) const;
};
using TvxExpHandlerPtr = std::unique_ptr<TvxExpHandler, TvxExpHandlerDelete>;

class VXobjIndexTag : public TvxObject {
public:
  VXobjIndexTag(VXobjIndexFile* file, const std::string& name);
  ~VXobjIndexTag() override;
  VXobjIndexTag(const VXobjIndexTag&) = delete;
  VXobjIndexTag& operator=(const VXobjIndexTag&) = delete;

  // Virtual operations, in this order in every format.
  virtual void KeyConvert(VXobjIndexKeyData& value, bool trim);
  virtual bool TagCreate(const std::string& keyExpr, bool unique, bool ascending,
                         const std::string& forExpr);
  virtual bool KeyAdd(VXobjIndexKeyData& entry);
  virtual std::int32_t RootPointer();
  virtual bool NodeRead(std::int32_t page, VXobjIndexKey& node);
  virtual bool NodeWrite(VXobjIndexKey& node);
  virtual bool HeaderRead();
  virtual bool HeaderWrite();
  virtual void KeyExprCompile();
  virtual void ForExprCompile();
  virtual bool KeyEvaluate(TvxVariant& value, bool& success);
  virtual bool ForEvaluate();

  // mode 0: fresh root, then top; 1: fresh root, then the table's current
  // record; 2: fresh root only.
  void Resync(int mode);
  // Writes and frees the node path (children first) and a dirty header.
  void ReleaseNodes();
  // Frees the node path and forgets a dirty header without writing them
  // (a tag given up half built, or changes that are being undone).
  void Discard();
  // The current record number, re-synchronising on the table's record
  // recno when the tag stands elsewhere.
  std::int32_t CurrentRecNo(std::int32_t recno);
  // RecTop, RecBottom, RecNext, RecPrior or RecSame -> record number or 0.
  std::int32_t MoveTo(std::int32_t code);
  // The record of the entry matching entry (Link kAnyRecord: any record),
  // or 0; a failed seek leaves the path on the next greater entry.
  std::int32_t Seek(const VXobjIndexKeyData& entry);
  // Seek, exact when asked whatever the table's setting.
  std::int32_t SeekKey(const VXobjIndexKeyData& entry, bool exact);
  // Seek in exact mode that leaves the tag's path and position alone.
  std::int32_t SeekExact(const VXobjIndexKeyData& entry);
  // Either bound may be null (no bound); true when the range changed.
  bool SetRange(const VXobjIndexKeyData* low, const VXobjIndexKeyData* high, bool partial,
                bool equalLowInside, bool equalHighChecksLow);
  bool RangeActive() const;
  // Key maintenance for the record just written (the table still holds its
  // old image); true when this tag changed.
  bool RecordKeysUpdate(std::int32_t recno, bool append);
  // Adds the key of every record of the table in its FOR condition (deleted
  // ones too) to the sorter of a build, reporting to the table's status
  // hook: (-1, 1, count), (1, r, 0) per record, (0, 0, 0), (-1, 2, count).
  void CollectKeys(TvxSort& sorter);
  // Takes the entry of record recno, with the key of the table's current
  // record, out of the tag and writes the change; false when there was none.
  bool RemoveRecordKey(std::int32_t recno);

  // For the table handler.
  // The stored key of the table's current record (evaluated and converted);
  // false when the key cannot be evaluated.
  bool CurrentKey(VXobjIndexKeyData& out);
  // Converts a search text into a search entry (Link kAnyRecord): a number
  // for numeric tags, a date for date tags, the text otherwise.
  VXobjIndexKeyData SearchKey(const std::string& text);
  // Compares two keys as the tag orders them; position as TvxVariant.
  int KeyCompare(const VXobjIndexKeyData& a, const VXobjIndexKeyData& b, std::int32_t& position,
                 int partial = -1) const;
  // Whether the FOR expression gives a logical value (false without one).
  bool ForIsLogical();
  // The ";"-terminated names of the table fields the key expression uses.
  std::string KeyFieldList() const;
  VXobjIndexFile* File() const { return file_; }
  VXO_dBaseFld* Table() const;
  // The in-range test of a seek on Current (or on entry): 0 inside, -1
  // beyond the high bound, above 0 before the low bound.
  int InRange() const;
  int InRange(const VXobjIndexKeyData& entry) const;

  // For the node path: writes a released node (children first, then the
  // node, then a new root its split created) and frees it; entries are
  // recycled between the nodes of the tag.
  void NodeRelease(std::unique_ptr<VXobjIndexKey> node);
  std::unique_ptr<VXobjIndexKeyData> NewEntry();
  void RecycleEntries(std::vector<std::unique_ptr<VXobjIndexKeyData>>& entries);

  std::string KindName = "UNK";
  std::string Name;
  std::string KeyExpr;
  std::int16_t KeyLength = 0;
  std::int16_t ExprDialect = 10;
  std::uint16_t EntrySize = 0;
  std::uint16_t MaxKeys = 0;
  std::string ForExpr;
  VXobjIndexKeyData LowBound;
  VXobjIndexKeyData HighBound;
  std::int32_t RangePartial = -1;
  bool EqualLowInside = false;
  bool EqualHighChecksLow = false;
  std::int32_t HeaderOffset = 0;
  std::int32_t Root = 0;
  std::unique_ptr<VXobjIndexKey> Path;
  bool HeaderDirty = false;
  bool Ascending = true;
  bool Unique = false;
  bool HasFor = false;
  char KeyType = 'C';
  VXobjIndexKeyData Current;
  bool Bof = false;
  bool Eof = false;
  bool Changed = false;
  bool StoredDescending = false;
  bool ReverseNavigation = false;
  bool Maintaining = false;
  TvxExpHandlerPtr KeyHandler;
  TvxExpHandlerPtr ForHandler;
  // What the checks and the node path need to know of a format: whether
  // the nodes of a level link to their siblings (.cdx), and whether the
  // last entry of an interior node stands for a bare child pointer whose
  // key the page does not hold (.mdx, .ndx, .ntx).
  bool SiblingLinks = true;
  bool InteriorLastChild = false;
  // Whether a node emptied by a deletion stays in its parent instead of
  // leaving it (the right edge of an .ntx B-tree).
  virtual bool KeepsEmptyNode(const VXobjIndexKey& node) const;

  // Whether seeks and key maintenance may rely on this program's key
  // encoding for this tag; false for key forms it can walk but not produce
  // (unknown collations, keys that do not match their records), with the
  // reason in NotSearchableReason.
  bool Searchable(std::int32_t beingWritten = 0) {
    if (!keyFormChecked_) VerifyKeyForm(beingWritten);
    return notSearchable_.empty() && formMismatch_.empty();
  }
  const std::string& NotSearchableReason() const { return notSearchable_.empty() ? formMismatch_ : notSearchable_; }
  // Whether this program can compute the tag's keys at all (its expression
  // compiles and its collation is known); the keys may still differ from
  // the stored ones.
  bool KeysComputable() const { return notSearchable_.empty(); }

protected:
  void RangeCheck();
  bool StepInLeaf(int step);
  bool StepAcrossPages(int step);
  bool StepFrom(const VXobjIndexKeyData& here, int step, bool afresh);
  bool FollowsInWalk(const VXobjIndexKeyData& here, int step) const;
  // Raises the reason why the tag cannot be searched, if there is one.
  void CheckSearchable();
  void SetNotSearchable(const std::string& reason) { notSearchable_ = reason; }
  // Compares the stored keys of a few entries at both ends of the tag with
  // the keys the expression gives their records; a tag in a key form of
  // another program (or one that no longer matches its table) is then
  // marked not searchable. Runs once, before the first seek or update;
  // tags this program built are taken as checked.
  // A record being written (its stored key not yet updated) is left out.
  void VerifyKeyForm(std::int32_t beingWritten = 0);
  void SetKeyFormChecked(bool checked) { keyFormChecked_ = checked; }

  VXobjIndexFile* file_;

private:
  std::vector<std::unique_ptr<VXobjIndexKeyData>> spareEntries_;
  bool forceExact_ = false;
  bool keyFormChecked_ = false;
  std::string notSearchable_;
  std::string formMismatch_;
};

}  // namespace talvern
