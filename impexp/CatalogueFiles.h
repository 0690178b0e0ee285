#pragma once
// CatalogueFiles: the catalogue tables of one directory opened as the main
// window opens them (shared, text translated to code page 1251, deleted
// records hidden, each with its ".CDX" file, built when it is missing), for
// the maintenance commands run without windows: dbftool, tests, benchmarks.
// Main gets no calculated fields here; the commands read PARAMS themselves.

#include <string>

#include "dataset/TalvernDataSet.h"
#include "impexp/MaintenanceCatalogue.h"

namespace talvern::impexp {

class CatalogueFiles : public MaintenanceCatalogue {
public:
  // Opens vids.dbf, fields.dbf, PICS.DBF and main.dbf of the directory;
  // raises the dataset's error when one cannot be opened.
  explicit CatalogueFiles(std::string directory);
  ~CatalogueFiles() override;

  const std::string& DatabaseDirectory() const override { return directory_; }
  TTalvernDataSet& Vids() override { return vids_; }
  TTalvernDataSet& Fields() override { return fields_; }
  TTalvernDataSet& Main() override { return main_; }
  TTalvernDataSet& Pics() override { return pics_; }
  void PrepareMain(std::int32_t v) override;
  void ResetFields(TTalvernDataSet& dataSet) override;

private:
  std::string directory_;
  TTalvernDataSet vids_;
  TTalvernDataSet fields_;
  TTalvernDataSet main_;
  TTalvernDataSet pics_;
};

}  // namespace talvern::impexp
