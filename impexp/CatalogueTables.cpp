#include "impexp/CatalogueTables.h"

#include <filesystem>

#include "dataset/TalvernDataSet.h"

namespace talvern {

void SetUpCatalogueDataSet(TTalvernDataSet& dataSet, const char* tableName, bool filtered) {
  dataSet.SetExclusive(false);
  dataSet.SetAutoFlush(false);
  dataSet.SetLockProtocol(TvxLokProtocol::Default);
  dataSet.SetLargeIntegerAs(asLargeInt);
  dataSet.SetTranslateASCII(true);
  dataSet.SetUseDeleted(false);
  dataSet.SetUserID(0);
  dataSet.SetTableName(tableName);
  dataSet.SetFiltered(filtered);
}

void AddDrawingFields(TTalvernDataSet& pics) {
  pics.AddField(ftString, "PIC", 3);
  pics.AddField(ftMemo, "PICTURE");
  pics.AddField(ftString, "FN", 8);
}

void OpenCatalogueTable(TTalvernDataSet& dataSet, const std::string& directory, const std::vector<TTagDef>& tags) {
  const std::string indexFile = std::filesystem::path(dataSet.TableName()).replace_extension(".CDX").string();
  dataSet.SetDatabaseName(directory);
  dataSet.Open();
  try {
    dataSet.IndexFiles().Add(indexFile);
  } catch (const std::exception&) {
    for (const TTagDef& tag : tags) dataSet.CreateIndexTag(indexFile, tag.name, tag.expression, "", 1, 0);
    dataSet.Close();
    dataSet.Open();
  }
  std::vector<const TTagDef*> missing;
  for (const TTagDef& tag : tags)
    if (!dataSet.IndexDefs().Find(tag.name)) missing.push_back(&tag);
  if (!missing.empty()) {
    try {
      for (const TTagDef* tag : missing) dataSet.CreateIndexTag(indexFile, tag->name, tag->expression, "", 1, 0);
    } catch (const std::exception&) {
    }
    dataSet.Close();
    dataSet.Open();
  }
  if (!tags.empty()) dataSet.SetIndexName(tags.front().name);
}

}  // namespace talvern
