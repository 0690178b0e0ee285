#pragma once
// The two commands that work on the drawings of the whole catalogue:
//
// UpdatePictures reloads every drawing record, in PIC order, from the GIF
// file named by its FN in the drawing folder; a record whose file is
// missing, unreadable or larger than 640 x 480 keeps its picture and gets a
// protocol line "[FN] message". Free records ("NUL") and records without a
// name get an empty picture.
//
// OptimizeDrawings releases the drawings that no device uses: their picture
// is emptied and FN becomes "NUL", so that the import reuses the record and
// its code. The devices are read once: DrawingUse collects the codes they
// use, and each drawing is then looked up there.

#include <string>
#include <unordered_set>

namespace talvern {
class TDataSet;
}

namespace talvern::impexp {

class MaintenanceCatalogue;
class MaintenanceHost;

void UpdatePictures(MaintenanceCatalogue& catalogue, MaintenanceHost& host, const std::string& drawingFolder);

// The drawing codes the devices of a dataset use, read in one walk: the
// first, second and third three characters of each device's PIC.
class DrawingUse {
public:
  explicit DrawingUse(TDataSet& devices);
  // Whether a device's PIC holds the code (exactly, case-sensitive) in one
  // of its three places. A place beyond the end of a shorter PIC is the
  // empty text, which an empty code matches.
  bool DrawingInUse(const std::string& code) const { return used_.count(code) != 0; }

private:
  std::unordered_set<std::string> used_;
};

// Main is left unfiltered, without its calculated-field handler, open on
// all kinds. The status text shows each drawing's code, then "Завершена
// оптимизация". Returns the number of drawings released.
int OptimizeDrawings(MaintenanceCatalogue& catalogue, MaintenanceHost& host);

}  // namespace talvern::impexp
