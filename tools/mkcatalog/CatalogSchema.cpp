#include "tools/mkcatalog/CatalogSchema.h"

#include "engine/Errors.h"

namespace talvern::mkcatalog {

const FieldSpec& TableSchema::Field(const std::string& name) const {
  for (const auto& f : fields)
    if (f.name == name) return f;
  Raise("There is no field name %s", {name});
}

const TableSchema& GroupsTable() {
  static const TableSchema s{"groups.dbf", kPlainTable, {{"GROUP", 'N', 3, 0}, {"NAME", 'C', 40, 0}}, 0};
  return s;
}

const TableSchema& KindsTable() {
  static const TableSchema s{
      "vids.dbf", kPlainTable, {{"VID", 'N', 4, 0}, {"GROUP", 'N', 3, 0}, {"NAME", 'C', 50, 0}}, 0};
  return s;
}

const TableSchema& LayoutTable() {
  static const TableSchema s{"fields.dbf",
                             kPlainTable,
                             {{"VID", 'N', 4, 0},
                              {"FLD", 'N', 2, 0},
                              {"GRP", 'N', 2, 0},
                              {"DOP", 'N', 2, 0},
                              {"LEN", 'N', 3, 0},
                              {"SHORT", 'C', 12, 0},
                              {"VAL", 'C', 10, 0},
                              {"FULL", 'C', 100, 0}},
                             0};
  return s;
}

// The record layout of the reference benchmark catalogues (247-byte records).
const TableSchema& DevicesTable() {
  static const TableSchema s{"main.dbf",
                             kPlainTable,
                             {{"TYPE", 'C', 20, 0},
                              {"VID", 'N', 4, 0},
                              {"PARAMS", 'C', 200, 0},
                              {"PIC", 'C', 9, 0},
                              {"TERM", 'C', 12, 0},
                              {"IMPORT", 'L', 1, 0}},
                             0};
  return s;
}

const TableSchema& DrawingsTable() {
  static const TableSchema s{"PICS.DBF",
                             kFoxMemoTable,
                             {{"PIC", 'C', 3, 0}, {"FN", 'C', 8, 0}, {"PICTURE", 'M', 10, 0}},
                             kFoxMemoBlockSize};
  return s;
}

const TableSchema& PackagesTable() {
  static const TableSchema s{"packages.dbf",
                             kPlainTable,
                             {{"GOST", 'C', 10, 0},
                              {"NAME", 'C', 10, 0},
                              {"JEDEC", 'C', 10, 0},
                              {"IEC", 'C', 8, 0},
                              {"EIAJ", 'C', 6, 0},
                              {"PINS", 'N', 2, 0},
                              {"NOTE", 'C', 60, 0}},
                             0};
  return s;
}

std::vector<const TableSchema*> AllTables() {
  return {&GroupsTable(), &KindsTable(), &LayoutTable(), &DevicesTable(), &DrawingsTable(), &PackagesTable()};
}

}  // namespace talvern::mkcatalog
