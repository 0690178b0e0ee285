#pragma once
// The catalogue's tables as the main window opens them: file name in the
// database directory, and the index tags it needs in the table's ".CDX" file
// (created, in this order, when the file is missing; the first tag is the one
// selected after opening). Key expressions are evaluated on the stored
// records, so their non-ASCII literals are in code page 866.

#include <string>
#include <vector>

namespace talvern {

// One index tag to create: name (at most 7 characters) and key expression.
struct TTagDef {
  std::string name;
  std::string expression;
};

struct CatalogueTable {
  const char* fileName;
  std::vector<TTagDef> tags;
};

// Domestic types sort with their first digit read as the old letter prefix:
// 1 as Г, 2 as К, 3 as А (0x83, 0x8A, 0x80 in code page 866); foreign types
// sort as written. The VID tag gives the kind filter its devices without a
// scan of the table.
inline const CatalogueTable kMainTable{
    "main.dbf",
    {{"TYPE", "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"\x83\x8A\x80\")))"},
     {"VID", "VID"}}};
inline const CatalogueTable kFieldsTable{
    "fields.dbf", {{"GRPD", "STR(GRP,2,0)+STR(DOP,2,0)+STR(FLD,2,0)"}, {"FLD", "FLD"}}};
inline const CatalogueTable kGroupsTable{"groups.dbf", {{"GROUP", "GROUP"}}};
inline const CatalogueTable kVidsTable{"vids.dbf", {{"VID", "VID"}}};
inline const CatalogueTable kPicsTable{"PICS.DBF", {{"PIC", "PIC"}}};

}  // namespace talvern
