#include "index/NtxFile.h"

#include "engine/Bytes.h"
#include "engine/Cipher.h"
#include "engine/Fields.h"
#include "index/NtxLayout.h"
#include "index/NtxTag.h"

namespace talvern {

VXobjNTXFile::VXobjNTXFile(VXO_dBaseFld* table, const std::string& fileName, bool overwrite, bool create,
                           bool shared, bool readWrite)
    : VXobjSingleTagFile(table) {
  OpenStep(fileName, overwrite, create, shared, readWrite, ".ntx");
  Open(create);
}

VXobjNTXFile::~VXobjNTXFile() { ReleaseAll(); }

std::unique_ptr<VXobjItemFile> VXobjNTXFile::NewBeside(const std::string& name) {
  return std::make_unique<VXobjNTXFile>(Table, name, true, true, false, true);
}

std::unique_ptr<VXobjItemTag> VXobjNTXFile::NewTag(bool existing) {
  return std::make_unique<VXobjNTXTag>(this, existing, UpperBaseName());
}

std::int32_t VXobjNTXFile::AllocationUnit() const { return ntx::kPageSize; }

std::int32_t VXobjNTXFile::VersionOffset() const { return ntx::kCounterOffset; }

int VXobjNTXFile::VersionBytes() const { return 2; }

void VXobjNTXFile::ResetHeader(VXobjItemTag& tag) { static_cast<VXobjNTXTag&>(tag).Counter = 1; }

std::uint16_t VXobjNTXFile::CounterOnDisk() {
  std::uint8_t head[ntx::kCounterOffset + 2];
  if (Disk->ReadAt(0, head, sizeof head) != static_cast<std::int32_t>(sizeof head)) return 0;
  if (Table && Table->IsEnciphered()) Cipher(Table->ReadPassword(), head, head, sizeof head, false);
  return GetLE16(head + ntx::kCounterOffset);
}

// The counter goes up after the changed pages are written, so that a
// program that sees the new value also finds the new pages. Only the
// counter's bytes of the header change.
void VXobjNTXFile::AfterUpdate(bool changed, bool) {
  if (!changed || Tags.empty()) return;
  auto& tag = static_cast<VXobjNTXTag&>(*Tags.front());
  std::uint16_t current = Disk->IsShared() ? static_cast<std::uint16_t>(SeenVersion()) : tag.Counter;
  tag.Counter = current >= ntx::kMaxCounter || current == 0 ? 1 : static_cast<std::uint16_t>(current + 1);
  std::uint8_t header[ntx::kPageSize];
  if (!PageRead(0, header, ntx::kPageSize)) RaiseCorrupted();
  PutLE16(header + ntx::kCounterOffset, tag.Counter);
  PageWrite(0, header, ntx::kPageSize);
  NoteVersion(tag.Counter);
}

bool VXobjNTXFile::ChangedByOthers() {
  if (!Disk || !Disk->IsShared() || Tags.empty()) return false;
  auto& tag = static_cast<VXobjNTXTag&>(*Tags.front());
  std::uint16_t onDisk = CounterOnDisk();
  if (onDisk == tag.Counter) return false;
  tag.Counter = onDisk;
  DropCache();
  NoteVersion(onDisk);
  return true;
}

}  // namespace talvern
