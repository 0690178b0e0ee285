#pragma once
// ExportTable: writes the devices of one kind to a text table file (layout in
// TableFile.h). The columns are the type, one per layout row of the kind in
// GRPD order, the temperature and the import flag; each is as wide as the
// largest of its layout width, heading, unit and values, so that the file
// reads as a table in a console viewer. The last cell of a device lists the
// file names of its drawings, comma-separated.
//
// A drawing code without a record in PICS.DBF is written as "#" and the code,
// which the import takes back as that code: exporting and importing a kind
// keeps its devices' drawing codes.

#include <cstdint>
#include <string>

namespace talvern::impexp {

class MaintenanceCatalogue;

// Leaves Main and Fields prepared for the kind (PrepareMain). Raises the disk
// file's error when the file cannot be written (what was written stays) and
// the datasets' errors.
void ExportTable(MaintenanceCatalogue& catalogue, const std::string& fileName, std::int32_t kind);

// The name the save dialog proposes: "tb_" + kind + ".tbl".
std::string ExportFileName(std::int32_t kind);

// A drawing list entry that stands for a raw code ("#" + code).
inline constexpr char kRawCodeMark = '#';

}  // namespace talvern::impexp
