#pragma once
// A catalogue in memory, as read from the sources in data/ and before it is
// written as tables: groups, kinds, layout rows, devices, drawings, the
// package table and the SMD codes. Texts are UTF-8 here; the tables get code
// page 866 when they are written.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace talvern::mkcatalog {

struct Group {
  int code = 0;
  std::string name;
};

struct Kind {
  int vid = 0;
  int group = 0;
  std::string name;
};

// One grid column of a kind (a row of fields.dbf).
struct LayoutRow {
  int vid = 0;
  int fld = 0;
  int grp = 0;
  int dop = 0;
  int len = 0;
  std::string shortName;
  std::string unit;
  std::string fullName;
};

struct Device {
  std::string type;
  int vid = 0;
  std::string params;
  std::string pic;        // drawing codes, three characters each, one after another
  std::string term;
  bool imported = false;
};

struct Drawing {
  std::string code;       // PIC
  std::string fileName;   // FN, without ".gif"
  std::string gif;        // the image file's bytes; empty for a released record
};

// A row of the package correspondence table, one cell per field of packages.dbf.
struct PackageRow {
  std::vector<std::string> cells;
};

// A line of codes.dbc: code, type, description, package, manufacturer, note.
using SmdCode = std::array<std::string, 6>;

struct Catalogue {
  std::vector<Group> groups;
  std::vector<Kind> kinds;
  std::vector<LayoutRow> layout;
  std::vector<Device> devices;
  std::vector<Drawing> drawings;
  std::vector<PackageRow> packages;
  std::vector<SmdCode> smdCodes;
};

// Whether a text is a drawing code: three base-62 digits ("0"-"9", "A"-"Z",
// "a"-"z").
bool IsDrawingCode(std::string_view code);

}  // namespace talvern::mkcatalog
