#include "impexp/SmdCodes.h"

#include <algorithm>
#include <filesystem>

#include "engine/Errors.h"
#include "engine/Strings.h"
#include "impexp/MaintenanceHost.h"
#include "impexp/Messages.h"
#include "impexp/TableFile.h"
#include "platform/File.h"

namespace talvern::impexp {
namespace {

constexpr char kFieldSeparator = '|';

// The text before the next "|" and the rest after it (empty when there is
// no "|").
std::string_view TakeField(std::string_view& rest) {
  const std::size_t bar = rest.find(kFieldSeparator);
  const std::string_view field = rest.substr(0, bar);
  rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
  return field;
}

bool Less(const SmdCode& a, const SmdCode& b) {
  if (a.code != b.code) return a.code < b.code;
  return a.type < b.type;
}

std::string FileIn(const std::string& directory, const char* name) {
  return platform::ResolveFileName(directory + '/' + name);
}

}  // namespace

std::string_view CutUtf8(std::string_view text, std::size_t max) {
  if (text.size() <= max) return text;
  std::size_t end = max;
  // Step back over the continuation bytes of a character cut in two (at
  // most three: text that is not UTF-8 is cut where it is).
  const auto continues = [&](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
  while (end > 0 && max - end < 3 && continues(end)) --end;
  if (continues(end)) end = max;
  return text.substr(0, end);
}

SmdCode ParseImportedCode(std::string_view line) {
  SmdCode c;
  c.code = CutUtf8(Trim(TakeField(line)), kMaxCodeLength);
  c.type = CutUtf8(Trim(TakeField(line)), kMaxCodeLength);
  c.rest = Trim(line);
  return c;
}

void SmdCodeList::Load(const std::string& directory) {
  directory_ = directory;
  const std::string path = FileIn(directory, kCodesFileName);
  existed_ = platform::FileExists(path);
  Parse(existed_ ? ReadFileBytes(path) : std::string());
}

void SmdCodeList::Parse(std::string bytes) {
  oldBytes_ = std::move(bytes);
  codes_.clear();
  TableFileLines lines(oldBytes_);
  std::string_view line;
  while (lines.NextLine(line)) {
    std::string_view rest = Trim(line);
    if (rest.empty()) continue;
    SmdCode c;
    c.code = CutUtf8(TakeField(rest), kMaxCodeLength);
    c.type = CutUtf8(TakeField(rest), kMaxCodeLength);
    c.rest = rest;
    codes_.push_back(std::move(c));
  }
}

void SmdCodeList::Sort() { std::stable_sort(codes_.begin(), codes_.end(), Less); }

std::size_t SmdCodeList::Position(const SmdCode& code) const {
  auto it = std::partition_point(codes_.begin(), codes_.end(), [&](const SmdCode& c) { return Less(c, code); });
  return static_cast<std::size_t>(it - codes_.begin());
}

std::string SmdCodeList::Text() const {
  std::string text;
  for (const SmdCode& c : codes_) text += c.code + kFieldSeparator + c.type + kFieldSeparator + c.rest + kLineEnd;
  return text;
}

void SmdCodeList::Save(MaintenanceHost& host) const {
  const std::string path = FileIn(directory_, kCodesFileName);
  const std::string backup = FileIn(directory_, kCodesBackupName);
  const std::string fresh = FileIn(directory_, kCodesNewName);
  try {
    WriteFileBytes(fresh, Text(), true);
  } catch (...) {
    platform::DeleteFile(fresh);
    throw;
  }
  std::error_code ec;
  if (std::filesystem::exists(backup, ec) && !platform::DeleteFile(backup)) host.Protocol(kDeleteError + backup);
  if (existed_) {
    try {
      WriteFileBytes(backup, oldBytes_, true);
    } catch (const std::exception&) {
      host.Protocol(kBackupError + backup);
    }
  }
  if (!platform::RenameFile(fresh, path)) {
    platform::DeleteFile(fresh);
    Raise("Error on Rename of file %s", {fresh});
  }
}

}  // namespace talvern::impexp
