#include "impexp/TableFile.h"

#include <limits>

#include "engine/DiskFile.h"
#include "engine/Errors.h"
#include "engine/Strings.h"
#include "platform/CodePage.h"

namespace talvern::impexp {

bool TableFileLines::NextLine(std::string_view& line) {
  if (position_ >= bytes_.size()) return false;
  std::size_t end = bytes_.find('\n', position_);
  const std::size_t next = end == std::string::npos ? bytes_.size() : end + 1;
  if (end == std::string::npos) end = bytes_.size();
  if (end > position_ && bytes_[end - 1] == '\r') --end;
  line = std::string_view(bytes_).substr(position_, end - position_);
  position_ = next;
  return true;
}

bool TableFileLines::NextDataLine(std::string_view& line) {
  while (NextLine(line)) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) continue;
    line.remove_prefix(start);
    if (line.front() != kCommentMark) return true;
  }
  return false;
}

std::vector<std::string> SplitCells(std::string_view line) {
  std::vector<std::string> cells;
  std::string_view rest = TrimRight(line);
  while (!rest.empty()) {
    const std::size_t end = rest.find(kCellSeparator);
    std::string_view cell = Trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    cells.push_back(platform::OemToChar(cell.substr(0, kMaxCellLength)));
  }
  return cells;
}

std::string ReadFileBytes(const std::string& path) {
  VXO_DiskFile file(path, true, false);
  file.OpenExisting();
  const std::int64_t size = file.FileSize();
  if (size > std::numeric_limits<std::int32_t>::max()) Raise("Error on Read of file %s", {file.FileName()});
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (file.ReadAt(0, bytes.data(), static_cast<std::int32_t>(size)) != size)
    Raise("Error on Read of file %s", {file.FileName()});
  file.CloseFile();
  return bytes;
}

void WriteFileBytes(const std::string& path, std::string_view bytes, bool flush) {
  VXO_DiskFile file(path, false, true);
  file.CreateNew();
  constexpr std::size_t kChunk = 1 << 20;
  for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
    const std::size_t length = std::min(kChunk, bytes.size() - at);
    file.WriteAt(static_cast<std::int64_t>(at), bytes.data() + at, static_cast<std::int32_t>(length));
  }
  if (flush) file.FlushFile();
  file.CloseFile();
}

}  // namespace talvern::impexp
