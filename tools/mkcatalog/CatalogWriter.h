#pragma once
// CatalogWriter: writes a catalogue into a directory: the six tables, the
// drawings' memo file and codes.dbc. Everything goes first into a fresh
// staging directory inside the target and is moved into place only when all
// of it was written, so a failed build leaves the previous database as it
// was. Index files (.cdx) of the replaced tables are removed: they would index
// the old records, and the program builds missing ones when it starts.

#include <memory>
#include <string>
#include <vector>

#include "tools/mkcatalog/Catalogue.h"
#include "tools/mkcatalog/TableWriter.h"

namespace talvern::mkcatalog {

class CatalogWriter {
public:
  // Creates the target directory when needed, and the staging directory.
  explicit CatalogWriter(const std::string& directory);
  // Discards the staging directory unless Commit ran.
  ~CatalogWriter();
  CatalogWriter(const CatalogWriter&) = delete;
  CatalogWriter& operator=(const CatalogWriter&) = delete;

  void WriteGroups(const std::vector<Group>& groups);
  void WriteKinds(const std::vector<Kind>& kinds);
  void WriteLayout(const std::vector<LayoutRow>& rows);
  void WriteDrawings(const std::vector<Drawing>& drawings);
  void WritePackages(const std::vector<PackageRow>& rows);
  // codes.dbc in UTF-8, one line per code, sorted by code (then type) in byte order.
  void WriteSmdCodes(std::vector<SmdCode> codes);

  // Any other file that belongs with the tables (bytes as given).
  void WriteFile(const std::string& name, const std::string& bytes);

  // main.dbf, filled one device at a time (devices may be streamed).
  void AddDevice(const Device& device);

  // Closes the tables and moves every file into the target directory.
  void Commit();

private:
  std::string directory_;
  std::string staging_;
  std::unique_ptr<TableWriter> devices_;
  bool committed_ = false;
};

// Writes a whole catalogue held in memory.
void WriteCatalogue(const Catalogue& catalogue, const std::string& directory);

// The lines of codes.dbc for the given codes, sorted as the program expects.
std::string SmdCodesText(std::vector<SmdCode> codes);

}  // namespace talvern::mkcatalog
