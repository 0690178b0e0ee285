#pragma once
// TImporter: the text import. A table file whose kind line names a kind
// merges its device rows into main.dbf, making drawing records for drawing
// files it does not know yet; a file of kind 0 merges its SMD codes into
// "codes.dbc". Every step and every problem goes to the protocol; a conflict
// with a device or a code already there is put to the host's question,
// which can be told to stop asking until the next import.
//
// Device rows (all kinds are searched for the row's type, ignoring case):
//   - a row that fails (an IMPORT value other than t, т or f, a drawing that
//     cannot be loaded, an empty type) is skipped with a protocol line
//     "[type] message"; the import goes on;
//   - PARAMS is made of the parameter columns 1..N (N the kind's highest
//     FLD), trailing empty ones dropped;
//   - the drawing list keeps at most three codes, the width of PIC; an entry
//     "#" + code stands for that code itself (see ExportTable.h).
// Errors of the file's structure end the import; rows already posted stay.

#include <cstdint>
#include <string>
#include <vector>

namespace talvern::impexp {

class DrawingDirectory;
class MaintenanceCatalogue;
class MaintenanceHost;
class NameIndex;
class TableFileLines;

class TImporter {
public:
  // Drawings are loaded from drawingFolder (empty: the current directory).
  TImporter(MaintenanceCatalogue& catalogue, MaintenanceHost& host, std::string drawingFolder);

  // Imports the file. Returns the kind it named (0 for SMD codes, and when
  // the file names none). Main is left open on all kinds, unfiltered.
  std::int32_t ImportFile(const std::string& fileName);

  // The answer to a conflict: the remembered one while the host was told
  // not to ask again during this import, else the host's.
  bool AskReplace(const std::string& item);

private:
  struct Header;

  void ImportDevices(TableFileLines& lines, std::int32_t kind);
  Header ReadHeader(TableFileLines& lines, std::int32_t kind);
  void ImportRow(const Header& header, const std::vector<std::string>& cells, std::int32_t kind,
                 NameIndex& types, DrawingDirectory& drawings);
  std::string DrawingCodes(const std::string& list, DrawingDirectory& drawings);
  void ImportCodes(TableFileLines& lines);

  MaintenanceCatalogue& catalogue_;
  MaintenanceHost& host_;
  std::string drawingFolder_;
  bool answer_ = false;
  bool doNotAsk_ = false;
};

}  // namespace talvern::impexp
