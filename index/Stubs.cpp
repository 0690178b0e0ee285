// Stub implementations of the index layer's interface: every operation
// raises until the index layer is complete.

#include "engine/Errors.h"
#include "index/CdxFile.h"
#include "index/CdxTag.h"
#include "index/IndexFile.h"
#include "index/IndexKey.h"
#include "index/IndexTag.h"
#if __has_include("expr/Handler.h")
#include "expr/Handler.h"
#endif

namespace talvern {

namespace {
[[noreturn]] void NotYet(const char* what) { Raise("%s is not available yet", {what}); }
}  // namespace

void TvxExpHandlerDelete::operator()([[maybe_unused]] TvxExpHandler* handler) const {
#if __has_include("expr/Handler.h")
  delete handler;
#endif
}

// Node path.
VXobjIndexKey::VXobjIndexKey(VXobjIndexTag* tag, std::int32_t page, VXobjIndexKey* parent)
    : Page(page), Parent(parent), Tag(tag) {}
VXobjIndexKey::~VXobjIndexKey() = default;
void VXobjIndexKey::Insert(int, const VXobjIndexKeyData&) { NotYet("Index node insertion"); }
void VXobjIndexKey::RemoveAt(int) { NotYet("Index node removal"); }
void VXobjIndexKey::ClearEntries() { entries_.clear(); }
VXobjIndexKeyData& VXobjIndexKey::AppendNew() { NotYet("Index node decoding"); }
void VXobjIndexKey::Reserve(int) {}
int VXobjIndexKey::NodeSearch(std::int32_t, const VXobjIndexKeyData&, int) { NotYet("NodeSearch"); }
bool VXobjIndexKey::ChildLoad(std::int32_t) { NotYet("ChildLoad"); }
bool VXobjIndexKey::NodeFirst() { NotYet("NodeFirst"); }
bool VXobjIndexKey::NodeLast() { NotYet("NodeLast"); }
bool VXobjIndexKey::NodeNext() { NotYet("NodeNext"); }
bool VXobjIndexKey::NodePrior() { NotYet("NodePrior"); }
bool VXobjIndexKey::NodeReread() { NotYet("NodeReread"); }
int VXobjIndexKey::NodeCurrent(VXobjIndexKeyData&) { NotYet("NodeCurrent"); }
void VXobjIndexKey::NodeInsert(const VXobjIndexKeyData&, bool) { NotYet("NodeInsert"); }
void VXobjIndexKey::ParentReplace(const VXobjIndexKeyData&) { NotYet("ParentReplace"); }
void VXobjIndexKey::NodeDelete() { NotYet("NodeDelete"); }
void VXobjIndexKey::ParentRemove() { NotYet("ParentRemove"); }
void VXobjIndexKey::SplitInsert(const VXobjIndexKeyData&) { NotYet("SplitInsert"); }
std::unique_ptr<VXobjIndexKey> VXobjIndexKey::DetachChild() { return std::move(Child); }
void VXobjIndexKey::AttachChild(std::unique_ptr<VXobjIndexKey> child) { Child = std::move(child); }
void VXobjIndexKey::RootSplit() { NotYet("RootSplit"); }

// Tag.
VXobjIndexTag::VXobjIndexTag(VXobjIndexFile* file, const std::string& name) : Name(name), file_(file) {}
VXobjIndexTag::~VXobjIndexTag() = default;
void VXobjIndexTag::KeyConvert(VXobjIndexKeyData&, bool) {}
bool VXobjIndexTag::TagCreate(const std::string&, bool, bool, const std::string&) { NotYet("TagCreate"); }
bool VXobjIndexTag::KeyAdd(VXobjIndexKeyData&) { NotYet("KeyAdd"); }
std::int32_t VXobjIndexTag::RootPointer() { return Root; }
bool VXobjIndexTag::NodeRead(std::int32_t, VXobjIndexKey&) { return false; }
bool VXobjIndexTag::NodeWrite(VXobjIndexKey&) { return false; }
bool VXobjIndexTag::HeaderRead() {
  HeaderDirty = false;
  return false;
}
bool VXobjIndexTag::HeaderWrite() {
  HeaderDirty = false;
  return false;
}
void VXobjIndexTag::KeyExprCompile() { NotYet("KeyExprCompile"); }
void VXobjIndexTag::ForExprCompile() { NotYet("ForExprCompile"); }
bool VXobjIndexTag::KeyEvaluate(TvxVariant&, bool&) { NotYet("KeyEvaluate"); }
bool VXobjIndexTag::ForEvaluate() { NotYet("ForEvaluate"); }
void VXobjIndexTag::Resync(int) { NotYet("Resync"); }
void VXobjIndexTag::ReleaseNodes() { NotYet("ReleaseNodes"); }
std::int32_t VXobjIndexTag::CurrentRecNo(std::int32_t) { NotYet("CurrentRecNo"); }
std::int32_t VXobjIndexTag::MoveTo(std::int32_t) { NotYet("MoveTo"); }
std::int32_t VXobjIndexTag::Seek(const VXobjIndexKeyData&) { NotYet("Seek"); }
std::int32_t VXobjIndexTag::SeekExact(const VXobjIndexKeyData&) { NotYet("SeekExact"); }
bool VXobjIndexTag::SetRange(const VXobjIndexKeyData*, const VXobjIndexKeyData*, bool, bool, bool) {
  NotYet("SetRange");
}
bool VXobjIndexTag::RangeActive() const { return LowBound.Length() > 0 || HighBound.Length() > 0; }
bool VXobjIndexTag::RecordKeysUpdate(std::int32_t, bool) { NotYet("RecordKeysUpdate"); }
bool VXobjIndexTag::CurrentKey(VXobjIndexKeyData&) { NotYet("CurrentKey"); }
VXobjIndexKeyData VXobjIndexTag::SearchKey(const std::string&) { NotYet("SearchKey"); }
int VXobjIndexTag::KeyCompare(const VXobjIndexKeyData&, const VXobjIndexKeyData&, std::int32_t&, int) const {
  NotYet("KeyCompare");
}
std::string VXobjIndexTag::KeyFieldList() const { NotYet("KeyFieldList"); }
VXO_dBaseFld* VXobjIndexTag::Table() const { return file_ ? file_->Table : nullptr; }
int VXobjIndexTag::InRange() const { NotYet("InRange"); }

// File.
VXobjIndexFile::VXobjIndexFile(VXO_dBaseFld* table) : Table(table) {}
VXobjIndexFile::~VXobjIndexFile() = default;
bool VXobjIndexFile::TagAdd(const std::string&, const std::string&, bool, bool, const std::string&) {
  return false;
}
bool VXobjIndexFile::TagDelete(const std::string&) { return false; }
std::int32_t VXobjIndexFile::PageAllocate() { return -1; }
std::int32_t VXobjIndexFile::PageAllocReset() { return -1; }
bool VXobjIndexFile::PageRead(std::int32_t, void*, std::int32_t) { NotYet("PageRead"); }
bool VXobjIndexFile::PageWrite(std::int32_t, const void*, std::int32_t) { NotYet("PageWrite"); }
void VXobjIndexFile::Reindex() {}
bool VXobjIndexFile::Rename(const std::string&) { NotYet("Rename"); }
bool VXobjIndexFile::KeysUpdate(std::int32_t, bool) { NotYet("KeysUpdate"); }
bool VXobjIndexFile::ChangedByOthers() { return false; }
void VXobjIndexFile::SetLockProtocol(TvxLokProtocol protocol) { LockProtocol = protocol; }
void VXobjIndexFile::Recrypt() { NotYet("Recrypt"); }
VXobjIndexTag* VXobjIndexFile::TagByNumber(int n) const {
  return n >= 0 && n < TagCount() ? Tags[static_cast<std::size_t>(n)].get() : nullptr;
}
VXobjIndexTag* VXobjIndexFile::TagByName(const std::string&) const { NotYet("TagByName"); }
bool VXobjIndexFile::IndexLock() { NotYet("IndexLock"); }
void VXobjIndexFile::IndexUnlock() { NotYet("IndexUnlock"); }
void VXobjIndexFile::Flush() { NotYet("Flush"); }
std::string VXobjIndexFile::FullName() const { return Disk ? Disk->FileName() : std::string(); }
void VXobjIndexFile::OpenStep(const std::string&, bool, bool, bool, bool, const std::string&) {
  NotYet("Opening index files");
}

std::unique_ptr<VXobjIndexFile> MakeIndexFile(VXO_dBaseFld*, const std::string&, bool, bool, bool) {
  NotYet("Opening index files");
}

// CDX.
std::uint8_t VXobjCDXFile::NewTagCollation = kCollationMachine;

VXobjCDXTag::VXobjCDXTag(VXobjCDXFile* file, std::int32_t, const std::string& name)
    : VXobjIndexTag(file, name) {
  NotYet("Compound index tags");
}
VXobjCDXTag::~VXobjCDXTag() = default;
void VXobjCDXTag::KeyConvert(VXobjIndexKeyData&, bool) { NotYet("KeyConvert"); }
bool VXobjCDXTag::TagCreate(const std::string&, bool, bool, const std::string&) { NotYet("TagCreate"); }
bool VXobjCDXTag::KeyAdd(VXobjIndexKeyData&) { NotYet("KeyAdd"); }
std::int32_t VXobjCDXTag::RootPointer() { NotYet("RootPointer"); }
bool VXobjCDXTag::NodeRead(std::int32_t, VXobjIndexKey&) { NotYet("NodeRead"); }
bool VXobjCDXTag::NodeWrite(VXobjIndexKey&) { NotYet("NodeWrite"); }
bool VXobjCDXTag::HeaderRead() { NotYet("HeaderRead"); }
bool VXobjCDXTag::HeaderWrite() { NotYet("HeaderWrite"); }
void VXobjCDXTag::TagBuild() { NotYet("TagBuild"); }

VXobjCDXFile::VXobjCDXFile(VXO_dBaseFld* table, const std::string&, bool, bool, bool, bool)
    : VXobjIndexFile(table) {
  NotYet("Compound index files");
}
VXobjCDXFile::~VXobjCDXFile() = default;
bool VXobjCDXFile::TagAdd(const std::string&, const std::string&, bool, bool, const std::string&) {
  NotYet("TagAdd");
}
bool VXobjCDXFile::TagDelete(const std::string&) { NotYet("TagDelete"); }
std::int32_t VXobjCDXFile::PageAllocate() { NotYet("PageAllocate"); }
std::int32_t VXobjCDXFile::PageAllocReset() { NotYet("PageAllocReset"); }
void VXobjCDXFile::Reindex() { NotYet("Reindex"); }
bool VXobjCDXFile::KeysUpdate(std::int32_t, bool) { NotYet("KeysUpdate"); }
bool VXobjCDXFile::ChangedByOthers() { NotYet("ChangedByOthers"); }

}  // namespace talvern
