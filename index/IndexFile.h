#pragma once
// VXobjIndexFile: one open index file holding one or more tags. It owns the
// disk file and the tags, reads and writes pages (deciphering and enciphering
// them for enciphered tables), hands out new pages, updates every tag after a
// record write (KeysUpdate) and locks the file for updates under the table's
// lock protocol. The formats (VXobjCDXFile, ...) read and write the tag
// headers and build tags.
//
// After construction Opened tells whether the file is usable and Corrupted
// whether a tag header failed validation; the table handler turns these into
// "Index file %s is corrupted" or "File %s could not be found".

#include <cstdint>
#include <functional>
#include <memory>
#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/Collection.h"
#include "engine/DiskFile.h"
#include "engine/TableTypes.h"
#include "index/IndexTag.h"

namespace talvern {

class VXO_dBaseFld;

// Size of an index page as far as enciphering goes (pages are ciphered in
// chunks of this many bytes).
constexpr std::int32_t kCipherChunk = 512;
// Index pages lie wholly below this offset (the last one that can hold a
// 512-byte page whose end is a signed 32-bit offset); page offsets at or
// beyond it are damage.
constexpr std::int32_t kIndexSpaceEnd = 0x7FFFFE00;

class VXobjIndexFile : public TvxObject {
public:
  ~VXobjIndexFile() override;
  VXobjIndexFile(const VXobjIndexFile&) = delete;
  VXobjIndexFile& operator=(const VXobjIndexFile&) = delete;

  // Virtual operations, in this order in every format.
  virtual bool TagAdd(const std::string& name, const std::string& keyExpr, bool unique,
                      bool ascending, const std::string& forExpr);
  virtual bool TagDelete(const std::string& name);
  virtual std::int32_t PageAllocate();
  virtual std::int32_t PageAllocReset();
  virtual bool PageRead(std::int32_t offset, void* buffer, std::int32_t length);
  virtual bool PageWrite(std::int32_t offset, const void* buffer, std::int32_t length);
  virtual void Reindex();
  virtual bool Rename(const std::string& newName);
  virtual bool KeysUpdate(std::int32_t recno, bool append);
  virtual bool ChangedByOthers();
  virtual void SetLockProtocol(TvxLokProtocol protocol);
  virtual void Recrypt();
  // Takes the entries of record recno (keys from the table's current record)
  // out of every tag, dropping changes not yet written: the undo of an
  // append whose keys could not all be written. Never raises; a tag left
  // damaged by the failed write is for check and Reindex. True when an
  // entry was removed.
  virtual bool RemoveRecordKeys(std::int32_t recno);

  int TagCount() const { return static_cast<int>(Tags.size()); }
  // 0-based; null when out of range.
  VXobjIndexTag* TagByNumber(int n) const;
  // The first tag of that name (case ignored); null when absent.
  VXobjIndexTag* TagByName(const std::string& name) const;
  // Locks the file for an update (immediately true when not shared); raises
  // "Can not Lock file %s" when the lock stays refused.
  bool IndexLock();
  void IndexUnlock();
  // Pages read are kept in memory (and pages written kept up to date), so
  // that the moves and seeks that start from the root read no page twice.
  // For a shared file the copy is used only while the file's change
  // counter, which every update raises, stays as it was: ValidateCache
  // reads it and drops the copy when another program has changed the file.
  // A shared file without a counter keeps no copy: its pages are read
  // afresh every time.
  // The tags call it whenever they start again from the root.
  // True when the cache was dropped because the file changed.
  bool ValidateCache();
  void DropCache();
  // Whether pages and nodes are kept at all (not for a shared file without
  // a change counter).
  bool Uncached() const;
  // Decoded nodes are kept the same way (never dirty ones), so that a path
  // built again from the root decodes no page twice: the tag takes a node of
  // its own for a page when there is one (null otherwise), and hands nodes
  // it releases back. A page written drops its node; a tag that goes away
  // drops all of its nodes.
  std::unique_ptr<VXobjIndexKey> TakeNode(VXobjIndexTag* tag, std::int32_t page);
  // Raised by every drop of the cache.
  std::uint32_t CacheGeneration() const { return cacheGeneration_; }
  void KeepNode(std::unique_ptr<VXobjIndexKey> node);
  void ForgetNodes(VXobjIndexTag* tag);
  // The change counter this program saw last, or wrote.
  void NoteVersion(std::uint32_t version) { cacheVersion_ = version; }
  std::uint32_t SeenVersion() const { return cacheVersion_; }
  // While the file is locked for an update, the cache checked once at the
  // start stays valid: no other program changes the file meanwhile.
  void HoldValidation(bool hold) { validationHeld_ = hold; }

  // Raises when a tag holds keys in a form this program can walk but not
  // maintain (see VXobjIndexTag::Searchable); the table calls it before
  // writing a record.
  void CheckMaintainable(std::int32_t beingWritten = 0) const;
  // Releases every tag's node path (writing it) and flushes the disk file.
  void Flush();

  // Makes the file anew beside itself and puts it in its place: build makes
  // the new file complete under the name given, which is then renamed over
  // this one. Should either fail, the new file goes, the sole use of this one
  // is given back and the error goes on, this file as it was. Otherwise
  // forget lets go of what was read from the old file, and the file is
  // opened afresh under its name (the old handle going with its locks).
  void ReplaceWithBuilt(const std::function<void(const std::string& temporary)>& build,
                        const std::function<void()>& forget);

  // The name without path, with extension.
  const std::string& FileName() const { return fileName_; }
  // The full path of the disk file; empty without one.
  std::string FullName() const;
  VXO_dBaseFld* TableObject() const { return Table; }
  VXO_DiskFile* DiskFile() const { return Disk.get(); }
  bool IsOpened() const { return Opened; }
  // Raises "Index file %s is corrupted" with this file's name.
  [[noreturn]] void RaiseCorrupted() const;
  bool IsCorrupted() const { return Corrupted; }

  std::vector<std::unique_ptr<VXobjIndexTag>> Tags;
  VXO_dBaseFld* Table = nullptr;
  std::unique_ptr<VXO_DiskFile> Disk;
  bool RecNoOrdered = false;
  std::int32_t NextFree = -1;
  bool Exact = true;
  bool Corrupted = false;
  bool Opened = false;
  TvxLokProtocol LockProtocol = TvxLokProtocol::Default;
  std::uint32_t LockBase = 0x40000000u;
  std::uint32_t LockTop = 0x7FFFFFFEu;
  std::uint32_t LockSpan = 0x3FFFFFFFu;

protected:
  explicit VXobjIndexFile(VXO_dBaseFld* table);
  // The open step every format shares: completes the name (defaultExt when
  // it has none; the table's directory when it has no path) and opens or
  // creates the disk file. Without a file, Disk stays null.
  void OpenStep(const std::string& fileName, bool overwrite, bool create, bool shared,
                bool readWrite, const std::string& defaultExt);

  // The extension of the file name, without the dot.
  std::string Extension() const;
  // Key maintenance of the record just written, under the index lock the
  // table holds: raises first when a tag cannot be maintained; the cache
  // checked at the start stays valid to the end (after included); every
  // tag's changed pages are written before after runs, with whether a tag
  // changed. True when one did.
  bool KeysUpdateHeld(std::int32_t recno, bool append, const std::function<void(bool)>& after);
  // Takes in the tags another program added to or removed from the file
  // since this program last looked (under the index lock), so that a writer
  // keeps every tag the file holds; nothing for formats that cannot tell.
  virtual void TakeInOthersTags() {}
  // Where the change counter lies (0 for files without one), and its width
  // in bytes (4 or 2).
  virtual std::int32_t VersionOffset() const { return 0; }
  virtual int VersionBytes() const { return 4; }

  std::string fileName_;

private:
  static constexpr std::int32_t kCachePage = 512;
  // The page cache: up to kCacheSlots pages (fewer for a small file), page
  // p in slot p mod the number of slots (allocated on first use). A slot's
  // offset says which page it holds (-1: none); the bytes are left as the
  // allocation gives them until a page is put there, so that an open costs
  // no filling of the whole cache.
  static constexpr std::size_t kCacheSlots = 8192;
  struct CacheSlot {
    std::int32_t& offset;
    std::uint8_t* bytes;
  };
  CacheSlot Slot(std::int32_t offset);
  bool ReadAhead(std::int32_t offset);
  std::vector<std::int32_t> cacheOffsets_;
  std::unique_ptr<std::uint8_t[]> cacheBytes_;
  // Sequential reads: pages read at once after two misses in a row.
  static constexpr std::int32_t kReadAheadPages = 32;
  std::int64_t lastMissEnd_ = -1;
  std::vector<std::uint8_t> readAheadBuffer_;
  static constexpr std::size_t kCachedLeaves = 1024;
  std::unordered_map<std::int32_t, std::unique_ptr<VXobjIndexKey>> nodes_;
  std::size_t cachedLeaves_ = 0;
  std::uint32_t cacheVersion_ = 0;
  bool cacheChecked_ = false;
  std::uint32_t cacheGeneration_ = 0;
  bool validationHeld_ = false;
};

// The kind of index file a name's extension names (compared ignoring
// case): "CDX", "MDX", "NDX" or "NTX"; empty for any other.
std::string IndexKindOf(const std::string& fileName);

// Opens (create false) or creates an index file of the kind its extension
// names for the table, with the table's share and access modes: .cdx and
// .mdx files are opened when they exist and made otherwise, .ndx and .ntx
// files are made anew. Null for an extension of a kind the engine does not
// handle; otherwise the caller checks IsOpened/IsCorrupted.
std::unique_ptr<VXobjIndexFile> MakeIndexFile(VXO_dBaseFld* table, const std::string& fileName,
                                              bool create, bool shared, bool readWrite);

}  // namespace talvern
