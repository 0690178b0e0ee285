#pragma once
// "codes.dbc", the SMD code file, as the import merges codes into it: one
// code per line, "code|type|rest" in UTF-8, lines ending CR LF, sorted by
// code. The merge reads the file into a list, sorts it, inserts or replaces
// the imported codes at their sorted places and writes the file again.
//
// Writing never leaves the directory without the codes: the new file is
// written beside the old one ("codes.new") and flushed, the old file's bytes
// become the backup "codes.bak", and the new file is renamed into place, so
// that "codes.dbc" is at every moment the old file or the new one, whole.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace talvern::impexp {

class MaintenanceHost;

inline constexpr char kCodesFileName[] = "codes.dbc";
inline constexpr char kCodesBackupName[] = "codes.bak";
inline constexpr char kCodesNewName[] = "codes.new";
// Codes and types are cut to this many bytes (never inside a UTF-8
// character).
inline constexpr std::size_t kMaxCodeLength = 31;

struct SmdCode {
  std::string code;
  std::string type;
  std::string rest;  // the further fields, "|"-separated
};

// A line of an import file: the code and the type trimmed and cut, the rest
// after the second "|" trimmed. A line without a code or a type gives an
// empty code or type (the import ignores it).
SmdCode ParseImportedCode(std::string_view line);

// The prefix of text of at most max bytes that ends on a UTF-8 character
// boundary.
std::string_view CutUtf8(std::string_view text, std::size_t max);

class SmdCodeList {
public:
  // Reads the codes file of the directory: every line trimmed, empty lines
  // skipped; the code before the first "|" (the whole line when there is
  // none) and the type before the second are cut, the rest is kept as it
  // is. A missing file is an empty list.
  void Load(const std::string& directory);
  // The same from the file's bytes.
  void Parse(std::string bytes);
  // Sorts by code, then type, in byte order (equal pairs keep their order).
  void Sort();
  // Merges one code: the first record whose code is greater, or equal with
  // a type not less, is where it goes. When that record has the same code
  // and type, replace decides whether its type and rest become the line's;
  // otherwise the code is inserted there. Returns whether it was there.
  template <class Replace>
  bool Merge(const SmdCode& code, Replace&& replace);
  // Writes the file as described above. A backup that cannot be deleted or
  // written gets a protocol line and the file is written all the same; a
  // new file that cannot be written or put in place raises, and the old
  // file stays.
  void Save(MaintenanceHost& host) const;

  const std::vector<SmdCode>& Codes() const { return codes_; }
  // The file's text: "code|type|rest" and CR LF per code.
  std::string Text() const;

private:
  std::size_t Position(const SmdCode& code) const;

  std::string directory_;
  std::string oldBytes_;
  bool existed_ = false;
  std::vector<SmdCode> codes_;
};

template <class Replace>
bool SmdCodeList::Merge(const SmdCode& code, Replace&& replace) {
  const std::size_t at = Position(code);
  if (at < codes_.size() && codes_[at].code == code.code && codes_[at].type == code.type) {
    if (replace()) codes_[at] = code;
    return true;
  }
  codes_.insert(codes_.begin() + static_cast<std::ptrdiff_t>(at), code);
  return false;
}

}  // namespace talvern::impexp
