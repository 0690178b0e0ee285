// VXO_dBHandler::SetPassword: the table enciphered anew with another
// password, or made plain.
//
// The rewrite runs in place, in the order the table's own format asks for:
// while it runs the table reads with the old (read) password and writes with
// the new (write) one, enciphered for the duration. Records are deciphered,
// their memos read and written again (WriteMemo may move a memo: the record
// takes the block it returns), and enciphered again; then the descriptor
// area, then every open index file, block by block (Recrypt); then the
// passwords become the new one and the header is written with its flag.
//
// Every file it touches is copied first under an undo journal, so that a
// failure, or a kill, leaves the table as it was before.
#include "handler/TableHandler.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/Cipher.h"
#include "engine/DbfHeader.h"
#include "engine/Errors.h"
#include "engine/FlagScope.h"
#include "engine/Memo.h"
#include "engine/UndoJournal.h"
#include "index/IndexFile.h"

namespace talvern {

void VXO_dBHandler::SetPassword(const std::string& newPassword) {
  if (shared_ || !readWrite_) Raise("%s requires full access to file %s", {"SetPassword", fileName_});
  if (enciphered_ ? newPassword == readPassword_ : newPassword.empty()) return;
  // What is pending goes to disk under the old password first: the copies
  // are then the table as it stands.
  FlushFile();
  VXobjMemo* memo = MemoFile();
  std::vector<VXO_DiskFile*> files{this};
  if (memo) files.push_back(memo);
  for (auto& file : indexFiles_)
    if (file && file->DiskFile()) files.push_back(file->DiskFile());
  TvxUndoJournal journal(fileName_, files);

  const std::uint8_t state = tableState_;
  const bool enciphered = enciphered_;
  const std::string password = readPassword_;
  const auto header = header_;
  const bool headerDirty = headerDirty_;
  const std::uint32_t updateStamp = updateStamp_;
  const std::int32_t current = currentRecordNo_;
  tableState_ = kTableRecrypting;
  try {
    Recipher(newPassword, memo);
    FlushFile();
    journal.Finish();
  } catch (...) {
    enciphered_ = enciphered;
    readPassword_ = writePassword_ = password;
    // The files put back hold the header as it was: it is written again
    // only if it was waiting to be before.
    header_ = header;
    headerDirty_ = headerDirty;
    updateStamp_ = updateStamp;
    if (memo) memo->SetCipher(enciphered, password, password);
    tableState_ = state;
    readAheadFirst_ = -1;
    ClearChanged();
    if (journal.Undo()) {
      for (auto& file : indexFiles_)
        if (file) file->DropCache();
      try {
        if (current >= 1) ReadRecord(current);
      } catch (const ETalvernError&) {
        // The error that failed the rewrite is the one to report.
      }
    } else {
      AbandonFiles();
    }
    throw;
  }
  tableState_ = state;
  if (current >= 1) ReadRecord(current);
}

void VXO_dBHandler::Recipher(const std::string& newPassword, VXobjMemo* memo) {
  // A plain table is read as it lies; everything is written with the new
  // password (a plain copy when it is empty).
  if (!enciphered_) readPassword_.clear();
  writePassword_ = newPassword;
  enciphered_ = true;
  if (memo) memo->SetCipher(true, readPassword_, writePassword_);
  RecipherRecords(memo);
  RecipherDescriptors();
  for (auto& file : indexFiles_)
    if (file) file->Recrypt();
  readPassword_ = newPassword;
  enciphered_ = !newPassword.empty();
  if (memo) memo->SetCipher(enciphered_, readPassword_, writePassword_);
  // The header carries the flag: it is written even under a table lock,
  // which would otherwise hold it back.
  headerDirty_ = true;
  FlagScope unlocked(tableLocked_, false);
  WriteHeader();
}

// The records in blocks of whole records, each deciphered, its memos written
// again, enciphered and written back where it was.
void VXO_dBHandler::RecipherRecords(VXobjMemo* memo) {
  std::vector<std::int32_t> memoFields;
  if (memo)
    for (std::int32_t f = 1; f <= fieldCount_; ++f)
      if (MemoObject(f)) memoFields.push_back(f);
  const std::int32_t perBlock = std::max<std::int32_t>(1, kReadAheadBytes / recordLength_);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock) * static_cast<std::size_t>(recordLength_));
  struct Restore {
    VXO_dBHandler& table;
    std::uint8_t* own;
    ~Restore() {
      table.currentRecord_ = own;
      table.ClearChanged();
    }
  } restore{*this, currentRecord_};
  for (std::int32_t first = 1; first <= recordCount_; first += perBlock) {
    const std::int32_t count = std::min(perBlock, recordCount_ - first + 1);
    const std::int32_t bytes = count * recordLength_;
    if (VXO_dBaseFld::ReadAt(RecordOffset(first), block.data(), bytes) != bytes)
      Raise("Error on Read of file %s", {fileName_});
    for (std::int32_t i = 0; i < count; ++i) {
      std::uint8_t* record = block.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(recordLength_);
      Cipher(readPassword_, record, record, recordLength_, false);
      currentRecord_ = record;
      currentRecordNo_ = first + i;
      for (std::int32_t f : memoFields) {
        std::int32_t at = MemoBlock(f);
        if (at == 0) continue;
        std::string text = memo->ReadMemoText(at);
        std::int32_t length = static_cast<std::int32_t>(text.size());
        memo->WriteMemo(text.data(), at, length);
        if (!NumberPut(f, length == 0 ? 0 : at)) Raise("Memo record is bad in %s", {memo->FileName()});
      }
      Cipher(writePassword_, record, record, recordLength_, true);
    }
    WriteAt(RecordOffset(first), block.data(), bytes);
  }
}

// The whole descriptor area as it lies on disk (room behind the terminator
// included, which the next open deciphers too), the fields' descriptors as
// the table holds them.
void VXO_dBHandler::RecipherDescriptors() {
  std::int32_t bytes = headerLength_ - dbf::kHeaderSize - 1;
  if (version_ == dbf::kVersionVfp) bytes -= dbf::kBackLinkSize;
  if (bytes <= 0) return;
  std::vector<std::uint8_t> area(static_cast<std::size_t>(bytes));
  if (VXO_dBaseFld::ReadAt(dbf::kHeaderSize, area.data(), bytes) != bytes)
    Raise("Error on Read of file %s", {fileName_});
  Cipher(readPassword_, area.data(), area.data(), bytes, false);
  std::memcpy(area.data(), descriptors_.data(), std::min(descriptors_.size(), area.size()));
  Cipher(writePassword_, area.data(), area.data(), bytes, true);
  WriteAt(dbf::kHeaderSize, area.data(), bytes);
}

void VXO_dBHandler::AbandonFiles() noexcept {
  headerDirty_ = false;
  try {
    for (auto& file : indexFiles_)
      if (file && file->DiskFile()) file->DiskFile()->CloseFile();
    if (memo_) memo_->CloseFile();
    VXO_DiskFile::CloseFile();
  } catch (...) {
    // Closing drops the handles whatever happens.
  }
}

}  // namespace talvern
