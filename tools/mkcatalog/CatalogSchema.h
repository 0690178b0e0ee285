#pragma once
// The tables of a catalogue as this builder writes them: file name, version
// byte and field list of each, in one place. The program itself only relies on
// the field names and kinds; the widths are ours (data/README.md lists them).

#include <cstdint>
#include <string>
#include <vector>

#include "engine/CreateTable.h"

namespace talvern::mkcatalog {

struct TableSchema {
  std::string fileName;     // as the program opens it, in the database directory
  std::uint8_t version;     // DBF version byte
  std::vector<FieldSpec> fields;
  int memoBlockSize;        // 0: no memo, or the format's usual size

  const FieldSpec& Field(const std::string& name) const;
};

constexpr std::uint8_t kPlainTable = 0x03;   // dBASE III without memo
constexpr std::uint8_t kFoxMemoTable = 0xF5; // FoxPro with .FPT memo: binary memos stay whole
constexpr int kFoxMemoBlockSize = 64;

const TableSchema& GroupsTable();     // groups.dbf
const TableSchema& KindsTable();      // vids.dbf
const TableSchema& LayoutTable();     // fields.dbf
const TableSchema& DevicesTable();    // main.dbf
const TableSchema& DrawingsTable();   // PICS.DBF (+ PICS.FPT)
const TableSchema& PackagesTable();   // packages.dbf
std::vector<const TableSchema*> AllTables();

constexpr const char* kCodesFileName = "codes.dbc";
constexpr int kDrawingCodeLength = 3;         // one drawing code in PIC
constexpr int kMaxDrawingsPerDevice = 3;      // PIC holds three codes
constexpr int kMaxDrawingWidth = 640;         // the drawing window, and the import's limit
constexpr int kMaxDrawingHeight = 480;
constexpr const char* kFreeDrawingName = "NUL";  // FN of a released drawing record

}  // namespace talvern::mkcatalog
