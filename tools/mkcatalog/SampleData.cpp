#include "tools/mkcatalog/SampleData.h"

#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "engine/Errors.h"
#include "tools/mkcatalog/CatalogSchema.h"
#include "tools/mkcatalog/OemText.h"
#include "tools/mkcatalog/SourceTable.h"

namespace talvern::mkcatalog {

namespace {

constexpr int kMaxGroup = 999;        // GROUP N(3)
constexpr int kMaxVid = 9999;         // VID N(4)
constexpr int kMaxLayoutNumber = 99;  // FLD, GRP, DOP N(2)
constexpr int kMaxLen = 999;          // LEN N(3)
constexpr int kMaxPins = 99;          // PINS N(2)
constexpr std::size_t kGifHeaderSize = 10;   // signature, version, screen width and height
constexpr std::size_t kGifWidthOffset = 6;
constexpr std::size_t kGifHeightOffset = 8;
constexpr char kRawCodeMark = '#';    // "#xyz" in a device's PIC list: the code xyz itself

// A text cell that must fit the given field of a table once stored in code page 866.
std::string Text(const SourceTable& t, std::size_t row, const std::string& column, const FieldSpec& field) {
  const std::string& text = t.Cell(row, column);
  std::string oem;
  try {
    oem = Utf8ToOemExact(text);
  } catch (const ETalvernError& e) {
    t.Fail(row, column + ": " + e.what());
  }
  if (static_cast<int>(oem.size()) > field.length)
    t.Fail(row, column + " \"" + text + "\" is longer than the " + std::to_string(field.length) +
                    " characters of field " + field.name);
  return text;
}

std::string ReadBinary(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Raise("Cannot read the drawing %s", {path});
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) Raise("Cannot read the drawing %s", {path});
  return bytes;
}

void LoadGroups(const std::string& dir, Catalogue& c) {
  auto t = SourceTable::Load(dir + "/groups.tsv");
  const auto& schema = GroupsTable();
  std::set<int> seen;
  for (std::size_t r = 0; r < t.RowCount(); ++r) {
    Group g{t.Integer(r, "GROUP", 1, kMaxGroup), Text(t, r, "NAME", schema.Field("NAME"))};
    if (!seen.insert(g.code).second) t.Fail(r, "group " + std::to_string(g.code) + " appears twice");
    c.groups.push_back(std::move(g));
  }
}

void LoadKinds(const std::string& dir, Catalogue& c) {
  auto t = SourceTable::Load(dir + "/kinds.tsv");
  const auto& schema = KindsTable();
  std::set<int> groups;
  for (const auto& g : c.groups) groups.insert(g.code);
  std::set<int> seen;
  for (std::size_t r = 0; r < t.RowCount(); ++r) {
    Kind k{t.Integer(r, "VID", 1, kMaxVid), t.Integer(r, "GROUP", 1, kMaxGroup),
           Text(t, r, "NAME", schema.Field("NAME"))};
    if (!groups.count(k.group)) t.Fail(r, "group " + std::to_string(k.group) + " does not exist");
    if (!seen.insert(k.vid).second) t.Fail(r, "kind " + std::to_string(k.vid) + " appears twice");
    c.kinds.push_back(std::move(k));
  }
}

void LoadLayout(const std::string& dir, Catalogue& c) {
  auto t = SourceTable::Load(dir + "/layout.tsv");
  const auto& schema = LayoutTable();
  std::set<int> kinds;
  for (const auto& k : c.kinds) kinds.insert(k.vid);
  std::set<std::pair<int, int>> seen;
  for (std::size_t r = 0; r < t.RowCount(); ++r) {
    LayoutRow row;
    row.vid = t.Integer(r, "VID", 1, kMaxVid);
    row.fld = t.Integer(r, "FLD", 1, kMaxLayoutNumber);
    row.grp = t.Integer(r, "GRP", 0, kMaxLayoutNumber);
    row.dop = t.Integer(r, "DOP", 0, kMaxLayoutNumber);
    row.len = t.Integer(r, "LEN", 0, kMaxLen);
    row.shortName = Text(t, r, "SHORT", schema.Field("SHORT"));
    row.unit = Text(t, r, "VAL", schema.Field("VAL"));
    row.fullName = Text(t, r, "FULL", schema.Field("FULL"));
    if (!kinds.count(row.vid)) t.Fail(r, "kind " + std::to_string(row.vid) + " does not exist");
    if (!seen.insert({row.vid, row.fld}).second)
      t.Fail(r, "FLD " + std::to_string(row.fld) + " appears twice in kind " + std::to_string(row.vid));
    c.layout.push_back(std::move(row));
  }
}

void LoadDrawings(const std::string& dir, Catalogue& c) {
  auto t = SourceTable::Load(dir + "/drawings.tsv");
  const auto& schema = DrawingsTable();
  std::set<std::string> codes;
  std::set<std::string> names;
  for (std::size_t r = 0; r < t.RowCount(); ++r) {
    Drawing d{t.Cell(r, "PIC"), Text(t, r, "FN", schema.Field("FN")), ""};
    if (!IsDrawingCode(d.code)) t.Fail(r, "PIC \"" + d.code + "\" is not a drawing code of 3 base-62 digits");
    if (!codes.insert(d.code).second) t.Fail(r, "drawing code " + d.code + " appears twice");
    if (d.fileName != kFreeDrawingName) {
      if (d.fileName.empty()) t.Fail(r, "FN is empty");
      if (!names.insert(d.fileName).second) t.Fail(r, "drawing " + d.fileName + " appears twice");
      std::string path = dir + "/drawings/" + d.fileName + ".gif";
      try {
        d.gif = ReadBinary(path);
        int width = 0;
        int height = 0;
        GifSize(d.gif, path, width, height);
        if (width > kMaxDrawingWidth || height > kMaxDrawingHeight)
          Raise("%s is %dx%d, larger than 640x480", {path, width, height});
      } catch (const ETalvernError& e) {
        t.Fail(r, e.what());
      }
    }
    c.drawings.push_back(std::move(d));
  }
}

// "TO18,TO92" -> the codes of those drawings, one after another.
std::string DrawingCodes(const SourceTable& t, std::size_t row, const std::map<std::string, std::string>& byName) {
  const std::string& list = t.Cell(row, "PIC");
  std::string codes;
  if (list.empty()) return codes;
  int count = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = list.find(',', start);
    std::string name = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (++count > kMaxDrawingsPerDevice) t.Fail(row, "more than 3 drawings");
    if (!name.empty() && name[0] == kRawCodeMark) {
      std::string code = name.substr(1);
      if (!IsDrawingCode(code)) t.Fail(row, "\"" + name + "\" is not a drawing code");
      codes += code;
    } else {
      auto it = byName.find(name);
      if (it == byName.end()) t.Fail(row, "no drawing named \"" + name + "\" in drawings.tsv");
      codes += it->second;
    }
    if (comma == std::string::npos) return codes;
    start = comma + 1;
  }
}

void LoadDevices(const std::string& dir, Catalogue& c) {
  auto t = SourceTable::Load(dir + "/devices.tsv");
  const auto& schema = DevicesTable();
  std::set<int> kinds;
  for (const auto& k : c.kinds) kinds.insert(k.vid);
  std::map<std::string, std::string> byName;
  for (const auto& d : c.drawings)
    if (d.fileName != kFreeDrawingName) byName[d.fileName] = d.code;
  for (std::size_t r = 0; r < t.RowCount(); ++r) {
    Device d;
    d.type = Text(t, r, "TYPE", schema.Field("TYPE"));
    if (d.type.empty()) t.Fail(r, "TYPE is empty");
    d.vid = t.Integer(r, "VID", 1, kMaxVid);
    if (!kinds.count(d.vid)) t.Fail(r, "kind " + std::to_string(d.vid) + " does not exist");
    d.params = Text(t, r, "PARAMS", schema.Field("PARAMS"));
    d.pic = DrawingCodes(t, r, byName);
    d.term = Text(t, r, "TERM", schema.Field("TERM"));
    const std::string& flag = t.Cell(r, "IMPORT");
    if (flag != "T" && flag != "F") t.Fail(r, "IMPORT must be T or F, not \"" + flag + "\"");
    d.imported = flag == "T";
    c.devices.push_back(std::move(d));
  }
}

void LoadPackages(const std::string& dir, Catalogue& c) {
  auto t = SourceTable::Load(dir + "/packages.tsv");
  for (std::size_t r = 0; r < t.RowCount(); ++r) {
    PackageRow row;
    for (const auto& f : PackagesTable().fields) {
      if (f.type == 'N') {
        const std::string& cell = t.Cell(r, f.name);
        if (!cell.empty()) t.Integer(r, f.name, 0, kMaxPins);
        row.cells.push_back(cell);
      } else {
        row.cells.push_back(Text(t, r, f.name, f));
      }
    }
    c.packages.push_back(std::move(row));
  }
}

void LoadSmdCodes(const std::string& dir, Catalogue& c) {
  auto t = SourceTable::Load(dir + "/smd_codes.tsv");
  static const char* const kColumns[] = {"CODE", "TYPE", "DESCR", "PACKAGE", "MAKER", "NOTE"};
  for (std::size_t r = 0; r < t.RowCount(); ++r) {
    SmdCode code;
    for (std::size_t i = 0; i < code.size(); ++i) {
      code[i] = t.Cell(r, kColumns[i]);
      // A bar would split the field; the code must be a non-empty first field.
      if (code[i].find('|') != std::string::npos) t.Fail(r, std::string(kColumns[i]) + " holds a \"|\"");
    }
    if (code[0].empty()) t.Fail(r, "CODE is empty");
    c.smdCodes.push_back(std::move(code));
  }
}

}  // namespace

void GifSize(const std::string& bytes, const std::string& name, int& width, int& height) {
  if (bytes.size() < kGifHeaderSize || (bytes.compare(0, 6, "GIF87a") != 0 && bytes.compare(0, 6, "GIF89a") != 0))
    Raise("%s is not a GIF image", {name});
  auto le16 = [&](std::size_t at) {
    return static_cast<int>(static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8));
  };
  width = le16(kGifWidthOffset);
  height = le16(kGifHeightOffset);
  if (width == 0 || height == 0) Raise("%s is not a GIF image", {name});
}

Catalogue LoadSampleData(const std::string& dataDir) {
  Catalogue c;
  LoadGroups(dataDir, c);
  LoadKinds(dataDir, c);
  LoadLayout(dataDir, c);
  LoadDrawings(dataDir, c);
  LoadDevices(dataDir, c);
  LoadPackages(dataDir, c);
  LoadSmdCodes(dataDir, c);
  return c;
}

}  // namespace talvern::mkcatalog
