#include "impexp/CatalogueFiles.h"

#include <filesystem>

#include "impexp/CatalogueTables.h"

namespace talvern::impexp {
namespace {

// The main window's settings for every catalogue dataset.
void SetUp(TTalvernDataSet& dataSet, const std::string& directory, const char* tableName) {
  dataSet.SetExclusive(false);
  dataSet.SetAutoFlush(false);
  dataSet.SetLockProtocol(TvxLokProtocol::Default);
  dataSet.SetLargeIntegerAs(asLargeInt);
  dataSet.SetTranslateASCII(true);
  dataSet.SetUseDeleted(false);
  dataSet.SetUserID(0);
  dataSet.SetTableName(tableName);
  dataSet.SetDatabaseName(directory);
}

// Opens the table with its ".CDX" file, building the file with every tag
// when it cannot be opened, and selects the first tag.
void Open(TTalvernDataSet& dataSet, const std::vector<TTagDef>& tags) {
  const std::string indexFile = std::filesystem::path(dataSet.TableName()).replace_extension(".CDX").string();
  dataSet.Open();
  try {
    dataSet.IndexFiles().Add(indexFile);
  } catch (const std::exception&) {
    for (const TTagDef& tag : tags) dataSet.CreateIndexTag(indexFile, tag.name, tag.expression, "", 1, 0);
    dataSet.Close();
    dataSet.Open();
  }
  dataSet.SetIndexName(tags.front().name);
}

}  // namespace

CatalogueFiles::CatalogueFiles(std::string directory) : directory_(std::move(directory)) {
  SetUp(vids_, directory_, kVidsTable.fileName);
  SetUp(fields_, directory_, kFieldsTable.fileName);
  SetUp(main_, directory_, kMainTable.fileName);
  SetUp(pics_, directory_, kPicsTable.fileName);
  vids_.SetFiltered(true);
  fields_.SetFiltered(true);
  main_.SetFiltered(true);
  // The drawing table's fields are fixed, as in the main window.
  pics_.AddField(ftString, "PIC", 3);
  pics_.AddField(ftMemo, "PICTURE");
  pics_.AddField(ftString, "FN", 8);
  Open(vids_, kVidsTable.tags);
  Open(fields_, kFieldsTable.tags);
  Open(pics_, kPicsTable.tags);
  Open(main_, kMainTable.tags);
  // The drawing memo holds GIF bytes: no code page translation.
  pics_.FieldByName("PICTURE").SetTransliterate(false);
}

CatalogueFiles::~CatalogueFiles() = default;

void CatalogueFiles::PrepareMain(std::int32_t v) {
  if (v == 0) return;
  const std::string filter = "VID=" + std::to_string(v);
  main_.SetFilter(filter);
  if (!main_.Active()) main_.Open();
  main_.First();
  fields_.SetFilter(filter);
  fields_.SetIndexName(kFieldsTable.tags.front().name);
}

void CatalogueFiles::ResetFields(TTalvernDataSet& dataSet) {
  dataSet.DestroyFields();
  dataSet.UpdateFieldDefs();
  dataSet.CreateFields();
}

}  // namespace talvern::impexp
