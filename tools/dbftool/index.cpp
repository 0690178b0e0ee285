// dbftool index, reindex and check: the tags of an index file, of the kind
// its extension names (.cdx, .mdx, .ndx, .ntx; a .ndx or .ntx file holds one
// tag, named after the file).
//   dbftool index TABLE INDEXFILE             the tags: name, key, FOR, unique, order
//   dbftool index TABLE INDEXFILE TAG         record numbers in tag order with their keys
//   dbftool index TABLE INDEXFILE --add TAG EXPR [--for COND] [--unique]
//                 [--descending] [--general]  create or replace a tag
//   dbftool reindex TABLE INDEXFILE           rebuild every tag of the file
//   dbftool check TABLE INDEXFILE [TAG]       verify tags against the table
// Expressions and tag names are given in UTF-8 and used in code page 866, in
// which the table stores its text; character keys print in UTF-8 (GENERAL
// keys, which are weights, in hexadecimal). Each takes --password P, the
// password of an enciphered table.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "Command.h"
#include "Values.h"
#include "engine/Bytes.h"
#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/Strings.h"
#include "index/CdxFile.h"
#include "index/IndexCheck.h"
#include "index/NumericKeys.h"
#include "platform/CodePage.h"
#include "platform/File.h"

namespace dbftool {
namespace {

using talvern::VXobjCDXFile;
using talvern::VXobjCDXTag;
using talvern::VXobjIndexFile;
using talvern::VXobjIndexTag;

// The record count the table's header holds (bytes 4-7).
std::uint32_t StoredRecordCount(const talvern::VXO_dBaseFld& table) {
  return talvern::GetLE32(table.HeaderImage().data() + 4);
}

// The index file of the kind its extension names, opened (create false) or
// made with the given access; refuses other extensions.
std::unique_ptr<VXobjIndexFile> MakeIndex(talvern::VXO_dBaseFld& table, const std::string& path, bool create,
                                          bool readWrite) {
  auto file = talvern::MakeIndexFile(&table, path, create, true, readWrite);
  if (!file)
    talvern::Raise("%s is not an index file of a kind this program writes (.cdx, .mdx, .ndx or .ntx)", {path});
  return file;
}

// Whether the index file exists, found as the table opens it (beside the
// table, the case of its name ignored).
bool IndexExists(talvern::VXO_dBaseFld& table, const std::string& path) {
  return MakeIndex(table, path, false, false)->DiskFile() != nullptr;
}

std::unique_ptr<VXobjIndexFile> OpenIndex(talvern::VXO_dBaseFld& table, const std::string& path, bool create,
                                          bool readWrite) {
  // A file too short for a tag directory (or a single tag's header) is
  // written as a new one when it is opened for writing; for the commands
  // that do not create files it is damage, so it is looked at read-only
  // first.
  auto file = MakeIndex(table, path, create, readWrite && create);
  if (!create && file->DiskFile() && file->DiskFile()->FileSize() <= talvern::kCipherChunk)
    talvern::Raise("Index file %s is empty or damaged: it holds no tag directory", {path});
  if (!create && readWrite) file = MakeIndex(table, path, false, true);
  if (file->IsCorrupted()) talvern::Raise("Index file %s is corrupted", {path});
  if (!file->IsOpened()) talvern::Raise("File %s could not be found", {path});
  return file;
}

void Print(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

std::string Hex(std::string_view bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// A stored key as a person reads it.
std::string KeyText(VXobjIndexTag& tag, const talvern::VXobjIndexKeyData& key) {
  std::string_view bytes = key.View();
  auto* cdx = dynamic_cast<VXobjCDXTag*>(&tag);
  // Text keys: character tags, and every key of an .ntx file.
  if (key.Type() == talvern::VariantType::Text) {
    if (cdx && cdx->Collation == talvern::kCollationGeneral) return Hex(bytes);
    return talvern::platform::OemToUtf8(bytes);
  }
  int prefix = cdx && cdx->Nullable() ? 1 : 0;
  int room = cdx ? tag.KeyLength - prefix : static_cast<int>(bytes.size());
  std::uint8_t b[8] = {};
  std::memcpy(b, bytes.data() + prefix, std::min<std::size_t>(bytes.size() - prefix, 8));
  if (room == 4) {
    std::uint32_t v = (static_cast<std::uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3]) ^ 0x80000000u;
    return std::to_string(static_cast<std::int32_t>(v));
  }
  if (room != 8) return Hex(bytes);
  const double value = talvern::DecodeSortableDouble(b);
  if (tag.KeyType == 'D') {
    if (value <= 0 || value >= talvern::kEmptyDateKey) return "";
    std::string s = talvern::DBFDate().DayToStorage(static_cast<std::int32_t>(value));
    return s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2);
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

int ListTags(VXobjIndexFile& file) {
  for (int i = 0; i < file.TagCount(); ++i) {
    VXobjIndexTag& tag = *file.TagByNumber(i);
    auto* cdx = dynamic_cast<VXobjCDXTag*>(&tag);
    std::string line = talvern::platform::OemToUtf8(tag.Name) + "\tkey: " +
                       talvern::platform::OemToUtf8(tag.KeyExpr) + "\tfor: " +
                       talvern::platform::OemToUtf8(tag.HasFor ? tag.ForExpr : "") +
                       "\tunique: " + (tag.Unique ? "yes" : "no") +
                       "\torder: " + (tag.Ascending ? "ascending" : "descending");
    if (cdx && !cdx->CollationName().empty()) line += "\tcollation: " + cdx->CollationName();
    Print(line);
  }
  return 0;
}

int ListEntries(VXobjIndexFile& file, const std::string& name) {
  VXobjIndexTag* found = file.TagByName(name);
  if (!found) talvern::Raise("Cannot find index tag %s", {name});
  VXobjIndexTag& tag = *found;
  for (std::int32_t r = tag.MoveTo(talvern::RecTop); r > 0; r = tag.MoveTo(talvern::RecNext))
    Print(std::to_string(r) + "\t" + KeyText(tag, tag.Current));
  tag.ReleaseNodes();
  return std::fflush(stdout) == 0 ? 0 : 1;
}

int AddTag(talvern::VXO_dBaseFld& table, const std::string& path, const std::vector<std::string>& rest) {
  std::string name, expr, forExpr;
  bool unique = false, descending = false, general = false;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const std::string& a = rest[i];
    if (a == "--for") {
      if (++i == rest.size()) throw UsageError{"--for needs a condition"};
      forExpr = rest[i];
    } else if (a == "--unique") {
      unique = true;
    } else if (a == "--descending") {
      descending = true;
    } else if (a == "--general") {
      general = true;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      throw UsageError{"unknown option " + a};
    } else if (name.empty()) {
      name = a;
    } else if (expr.empty()) {
      expr = a;
    } else {
      throw UsageError{"unexpected argument " + a};
    }
  }
  if (name.empty() || expr.empty()) throw UsageError{"--add needs a tag name and a key expression"};
  const std::string oemName = CommandLineText(name, "the tag name");
  const std::string oemExpr = CommandLineText(expr, "the key expression");
  const std::string oemFor = CommandLineText(forExpr, "the FOR condition");
  const std::string kind = talvern::IndexKindOf(path);
  if (general && kind != "CDX") talvern::Raise("--general is for .cdx files only");
  // A single-tag file's tag is named after the file.
  if ((kind == "NDX" || kind == "NTX") && talvern::CompareText(oemName, talvern::BaseName(path)) != 0)
    talvern::Raise("The tag of %s is named after the file: %s", {path, talvern::platform::OemToUtf8(
                                                                          talvern::UpperCase(talvern::BaseName(path)))});
  const bool existed = IndexExists(table, path);
  auto file = OpenIndex(table, path, true, true);
  // A tag refused leaves no file behind that was not there before.
  auto removeNew = [&] {
    if (existed) return;
    std::string created = file->FullName();
    file.reset();
    talvern::platform::DeleteFile(created);
  };
  if (general) VXobjCDXFile::NewTagCollation = talvern::kCollationGeneral;
  bool built = false;
  try {
    built = file->TagAdd(oemName, oemExpr, unique, !descending, oemFor);
  } catch (...) {
    removeNew();
    throw;
  }
  if (!built) {
    removeNew();
    talvern::Raise("The key expression of tag %s cannot be evaluated", {name});
  }
  return 0;
}

int RunIndex(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  const std::string password = TakePassword(args);
  if (args.size() < 2) throw UsageError{"expects a table and an index file"};
  if (args.size() >= 3 && args[2] == "--add") {
    talvern::VXO_dBaseFld table(args[0], true, true, password);
    return AddTag(table, args[1], {args.begin() + 3, args.end()});
  }
  if (args.size() > 3) throw UsageError{"too many arguments"};
  talvern::VXO_dBaseFld table(args[0], true, false, password);
  auto file = OpenIndex(table, args[1], false, false);
  if (args.size() == 2) return ListTags(*file);
  return ListEntries(*file, CommandLineText(args[2], "the tag name"));
}

// Reindex holds the table exclusively (no other program writes records
// while the tags are built), and also writes the header's record count
// again when it disagrees with the file (a kill during an append can leave
// it one short).
int RunReindex(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  const std::string password = TakePassword(args);
  if (args.size() != 2) throw UsageError{"expects a table and an index file"};
  std::unique_ptr<talvern::VXO_dBaseFld> table;
  try {
    table = std::make_unique<talvern::VXO_dBaseFld>(args[0], false, true, password);
  } catch (const talvern::ETalvernError& e) {
    if (std::string(e.what()).rfind("Access denied", 0) != 0) throw;
    talvern::Raise("Table %s is open in another program: reindex needs the table to itself", {args[0]});
  }
  auto file = OpenIndex(*table, args[1], false, true);
  file->Reindex();
  if (StoredRecordCount(*table) != static_cast<std::uint32_t>(table->RecordCount())) table->RewriteHeader();
  return 0;
}

int RunCheck(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  const std::string password = TakePassword(args);
  if (args.size() != 2 && args.size() != 3) throw UsageError{"expects a table, an index file and maybe a tag"};
  talvern::VXO_dBaseFld table(args[0], true, false, password);
  auto file = OpenIndex(table, args[1], false, false);
  const std::string wanted = args.size() == 3 ? CommandLineText(args[2], "the tag name") : std::string();
  int bad = 0;
  // The table's own header: a count that disagrees with the records in the
  // file (another program reading the header misses or invents records).
  const std::uint32_t stored = StoredRecordCount(table);
  if (stored != static_cast<std::uint32_t>(table.RecordCount())) {
    Print("table: the header counts " + std::to_string(stored) + " records, the file holds " +
          std::to_string(table.RecordCount()) + " (reindex writes the count again)");
    ++bad;
  }
  if (file->TagCount() == 0) Print("the index file holds no tags");
  for (int i = 0; i < file->TagCount(); ++i) {
    VXobjIndexTag& tag = *file->TagByNumber(i);
    if (args.size() == 3 && talvern::CompareText(tag.Name, wanted) != 0) continue;
    auto problems = talvern::CheckTag(tag);
    std::string name = talvern::platform::OemToUtf8(tag.Name);
    if (problems.empty()) {
      Print(name + ": ok");
      continue;
    }
    ++bad;
    for (const auto& p : problems) Print(name + ": " + talvern::platform::OemToUtf8(p));
  }
  if (args.size() == 3 && !file->TagByName(wanted))
    talvern::Raise("Cannot find index tag %s", {args[2]});
  std::fflush(stdout);
  return bad ? 1 : 0;
}

const bool registeredIndex = RegisterCommand(
    {"index", "[--password P] TABLE INDEXFILE [TAG | --add TAG EXPR [--for COND] [--unique] [--descending] [--general]]",
     "list tags, list a tag's entries, or create a tag", &RunIndex});
const bool registeredReindex =
    RegisterCommand({"reindex", "[--password P] TABLE INDEXFILE", "rebuild every tag of an index file", &RunReindex});
const bool registeredCheck = RegisterCommand(
    {"check", "[--password P] TABLE INDEXFILE [TAG]", "verify index tags against the table and themselves", &RunCheck});

}  // namespace
}  // namespace dbftool
