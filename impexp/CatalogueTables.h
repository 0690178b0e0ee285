#pragma once
// The catalogue's tables as the main window opens them (and CatalogueFiles,
// for the maintenance commands without windows): file name in the database
// directory, and the index tags it needs in the table's ".CDX" file (created,
// in this order, when the file is missing; the first tag is the one selected
// after opening). Key expressions are evaluated on the stored
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

class TTalvernDataSet;

// The settings every catalogue dataset shares: shared opening, no flush after
// each write, the default lock protocol, text translated between the stored
// and the display code page, deleted records hidden.
void SetUpCatalogueDataSet(TTalvernDataSet& dataSet, const char* tableName, bool filtered);

// The drawing table's fields are fixed: code, picture, file name. The
// picture is read whole, without code page translation (to be set once the
// table is open).
void AddDrawingFields(TTalvernDataSet& pics);

// Opens one catalogue table in the directory with its ".CDX" file and
// selects the first tag. An index file that cannot be opened (most often:
// there is none yet) is built with all the table's tags; the dataset is then
// opened again, which opens the new file. A file that lacks some of the tags
// (made before they were added to the list) gets them: every program sharing
// the table keeps all the tags of its structural index up to date. When they
// cannot be added (a read-only catalogue) the table works without them.
void OpenCatalogueTable(TTalvernDataSet& dataSet, const std::string& directory, const std::vector<TTagDef>& tags);

}  // namespace talvern
