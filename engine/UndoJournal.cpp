#include "engine/UndoJournal.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/DiskFile.h"
#include "engine/Errors.h"
#include "platform/File.h"

namespace talvern {

namespace {

constexpr std::string_view kJournalTitle = " talvern undo journal\n";
constexpr std::string_view kJournalEnd = "end";
constexpr std::int32_t kCopyChunk = 1 << 20;

std::string DirectoryOf(const std::string& name) {
  auto slash = name.rfind('/');
  return slash == std::string::npos ? std::string(".") : name.substr(0, slash == 0 ? 1 : slash);
}

std::string NameInFolder(const std::string& name) {
  auto slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The journal names its files within the table's folder, so that it holds
// wherever the table is opened from, and so that a journal cannot make an
// open write outside that folder.
bool InTableFolder(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Copies the bytes of from (an open file, read past any caching of its
// owner) into the file to, made new, and flushes it.
void CopyFile(VXO_DiskFile& from, const std::string& to) {
  VXO_DiskFile out(to, false, true);
  out.CreateNew();
  const std::int64_t size = from.FileSize();
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::int64_t>(size, kCopyChunk)));
  for (std::int64_t at = 0; at < size; at += kCopyChunk) {
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(kCopyChunk, size - at));
    if (from.VXO_DiskFile::ReadAt(at, chunk.data(), n) != n) Raise("Error on Read of file %s", {from.FileName()});
    out.VXO_DiskFile::WriteAt(at, chunk.data(), n);
  }
  out.VXO_DiskFile::FlushFile();
}

// Writes the copy back into the open file to, cuts the file to the copy's
// length and flushes it.
void PutBack(const std::string& copy, VXO_DiskFile& to) {
  VXO_DiskFile in(copy, false, false);
  if (!in.Exists()) Raise("File %s could not be found", {copy});
  in.OpenExisting();
  const std::int64_t size = in.FileSize();
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(std::min<std::int64_t>(size, kCopyChunk)));
  for (std::int64_t at = 0; at < size; at += kCopyChunk) {
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(kCopyChunk, size - at));
    if (in.VXO_DiskFile::ReadAt(at, chunk.data(), n) != n) Raise("Error on Read of file %s", {copy});
    to.VXO_DiskFile::WriteAt(at, chunk.data(), n);
  }
  to.VXO_DiskFile::Truncate(size);
  to.VXO_DiskFile::FlushFile();
}

void WriteWhole(const std::string& name, const std::string& text) {
  VXO_DiskFile out(name, false, true);
  out.CreateNew();
  out.WriteAt(0, text.data(), static_cast<std::int32_t>(text.size()));
  out.FlushFile();
}

void WriteState(const std::string& journal, char state) {
  VXO_DiskFile out(journal, false, true);
  out.OpenExisting();
  out.WriteAt(0, &state, 1);
  out.FlushFile();
}

// What lies in a journal file.
enum class JournalKind {
  kForeign,  // not a journal of this program: left alone
  kTorn,     // cut short while it was first written, before any copy
  kWhole,
};

JournalKind ReadJournal(const std::string& journal, char& state, std::vector<std::string>& names) {
  VXO_DiskFile in(journal, true, false);
  in.OpenExisting();
  const std::int64_t size = in.FileSize();
  if (size > kCopyChunk) return JournalKind::kForeign;
  std::string text(static_cast<std::size_t>(size), '\0');
  if (in.ReadAt(0, text.data(), static_cast<std::int32_t>(size)) != size) return JournalKind::kForeign;
  // A journal is written from its first byte on, so a torn one is a prefix
  // of a whole one.
  const std::string head = std::string(1, TvxUndoJournal::kCopying) + std::string(kJournalTitle);
  if (text.size() <= head.size()) return head.compare(0, text.size(), text) == 0 ? JournalKind::kTorn : JournalKind::kForeign;
  if (text.compare(1, kJournalTitle.size(), kJournalTitle) != 0) return JournalKind::kForeign;
  state = text[0];
  if (state != TvxUndoJournal::kCopying && state != TvxUndoJournal::kArmed && state != TvxUndoJournal::kDone)
    return JournalKind::kForeign;
  std::size_t at = 1 + kJournalTitle.size();
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) break;
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (line == kJournalEnd) return at == text.size() ? JournalKind::kWhole : JournalKind::kForeign;
    if (!InTableFolder(line)) return JournalKind::kForeign;
    names.push_back(std::move(line));
  }
  return state == TvxUndoJournal::kCopying ? JournalKind::kTorn : JournalKind::kForeign;
}

void RemoveCopiesOf(const std::vector<std::string>& names) noexcept {
  for (const auto& name : names) platform::DeleteFile(TvxUndoJournal::CopyName(name));
}

}  // namespace

TvxUndoJournal::TvxUndoJournal(const std::string& tableFileName, const std::vector<VXO_DiskFile*>& files)
    : journal_(JournalName(tableFileName)) {
  for (VXO_DiskFile* file : files) {
    if (file->FileName().find('\n') != std::string::npos) Raise("Could not create file %s", {journal_});
    entries_.push_back({file, file->FileName()});
  }
  WriteJournal();
  std::size_t copied = 0;
  try {
    for (; copied < entries_.size(); ++copied) CopyFile(*entries_[copied].file, CopyName(entries_[copied].name));
    platform::SyncDirectory(DirectoryOf(journal_));
    SetState(kArmed);
  } catch (...) {
    for (std::size_t i = 0; i <= copied && i < entries_.size(); ++i)
      platform::DeleteFile(CopyName(entries_[i].name));
    platform::DeleteFile(journal_);
    throw;
  }
}

void TvxUndoJournal::WriteJournal() {
  std::string text(1, kCopying);
  text += kJournalTitle;
  // A file of another folder (an index file kept elsewhere) is not listed: a
  // failed rewrite puts it back from its copy, but a kill may leave it half
  // rewritten, to be made again.
  const std::string folder = entries_.empty() ? std::string() : DirectoryOf(entries_.front().name);
  for (const auto& entry : entries_)
    if (DirectoryOf(entry.name) == folder) text += NameInFolder(entry.name) + "\n";
  text += kJournalEnd;
  text += "\n";
  try {
    WriteWhole(journal_, text);
    platform::SyncDirectory(DirectoryOf(journal_));
  } catch (...) {
    platform::DeleteFile(journal_);
    throw;
  }
}

void TvxUndoJournal::SetState(char state) { WriteState(journal_, state); }

void TvxUndoJournal::RemoveCopies() noexcept {
  for (const auto& entry : entries_) platform::DeleteFile(CopyName(entry.name));
  platform::DeleteFile(journal_);
  entries_.clear();
}

void TvxUndoJournal::Finish() {
  SetState(kDone);
  RemoveCopies();
}

bool TvxUndoJournal::Undo() noexcept {
  try {
    for (const auto& entry : entries_) PutBack(CopyName(entry.name), *entry.file);
    SetState(kDone);
  } catch (...) {
    return false;
  }
  RemoveCopies();
  return true;
}

void TvxUndoJournal::RecoverTable(const std::string& tableFileName) {
  const std::string journal = JournalName(tableFileName);
  if (!platform::FileExists(journal)) return;
  char state = 0;
  std::vector<std::string> names;
  if (ReadJournal(journal, state, names) == JournalKind::kForeign) return;
  // The table is held for sole use while its files are put back; a rewrite
  // still under way in another program holds it so too, and the journal is
  // read again once the table is held.
  VXO_DiskFile table(tableFileName, false, true);
  table.OpenExisting();
  if (!platform::FileExists(journal)) return;
  names.clear();
  const JournalKind kind = ReadJournal(journal, state, names);
  if (kind == JournalKind::kForeign) return;
  if (kind == JournalKind::kTorn) {
    platform::DeleteFile(journal);
    return;
  }
  const std::string folder = DirectoryOf(table.FileName()) + "/";
  for (auto& name : names) name = folder + name;
  if (state == kArmed) {
    for (const auto& name : names) {
      if (NameInFolder(name) == NameInFolder(table.FileName())) {
        PutBack(CopyName(name), table);
        continue;
      }
      VXO_DiskFile file(name, false, true);
      if (file.Exists()) file.OpenExisting();
      else file.CreateNew();
      PutBack(CopyName(name), file);
    }
    WriteState(journal, kDone);
  }
  RemoveCopiesOf(names);
  platform::DeleteFile(journal);
}

}  // namespace talvern
