#pragma once
// The catalogue as the maintenance commands see it: four of the main
// window's datasets and the two operations of the main window they call. The
// main window answers for itself (its datasets stay shared with the grid and
// the lists); CatalogueFiles opens the tables of a directory for the command
// line and for tests.
//
// At rest the datasets are open with their ".CDX" file and first tag:
// Vids on VID, Fields on GRPD, Main on TYPE, Pics on PIC.

#include <cstdint>
#include <string>

namespace talvern {
class TTalvernDataSet;
}

namespace talvern::impexp {

class MaintenanceCatalogue {
public:
  virtual ~MaintenanceCatalogue() = default;

  // The directory of the tables and of "codes.dbc", without a trailing
  // separator.
  virtual const std::string& DatabaseDirectory() const = 0;
  virtual TTalvernDataSet& Vids() = 0;
  virtual TTalvernDataSet& Fields() = 0;
  virtual TTalvernDataSet& Main() = 0;
  virtual TTalvernDataSet& Pics() = 0;
  // Main filtered to kind v and open on its first device in TYPE order;
  // Fields filtered to the kind, on its first row in GRPD order. Nothing for
  // v = 0.
  virtual void PrepareMain(std::int32_t v) = 0;
  // Replaces the field objects of a closed dataset by one per table field.
  virtual void ResetFields(TTalvernDataSet& dataSet) = 0;
};

}  // namespace talvern::impexp
