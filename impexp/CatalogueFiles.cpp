#include "impexp/CatalogueFiles.h"

#include "impexp/CatalogueTables.h"

namespace talvern::impexp {

CatalogueFiles::CatalogueFiles(std::string directory) : directory_(std::move(directory)) {
  SetUpCatalogueDataSet(vids_, kVidsTable.fileName, true);
  SetUpCatalogueDataSet(fields_, kFieldsTable.fileName, true);
  SetUpCatalogueDataSet(main_, kMainTable.fileName, true);
  SetUpCatalogueDataSet(pics_, kPicsTable.fileName, false);
  AddDrawingFields(pics_);
  OpenCatalogueTable(vids_, directory_, kVidsTable.tags);
  OpenCatalogueTable(fields_, directory_, kFieldsTable.tags);
  OpenCatalogueTable(pics_, directory_, kPicsTable.tags);
  OpenCatalogueTable(main_, directory_, kMainTable.tags);
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
