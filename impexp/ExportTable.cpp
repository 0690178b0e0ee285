#include "impexp/ExportTable.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "dataset/TalvernDataSet.h"
#include "impexp/DrawingCode.h"
#include "impexp/MaintenanceCatalogue.h"
#include "impexp/ParamText.h"
#include "impexp/TableFile.h"
#include "platform/CodePage.h"

namespace talvern::impexp {
namespace {

// Where a column's values come from.
enum class Source { kType, kParameter, kTemperature, kImport };

struct Column {
  Source source;
  std::string fieldName;  // as written in the header
  std::string heading;    // code page 866
  std::string unit;       // code page 866
  std::size_t width;
  int groupPosition;      // DOP; non-zero draws "=" in the separator line
  int parameter = 0;      // FLD of a parameter column
};

// Database text as the file holds it.
std::string Oem(const std::string& ansi) {
  return platform::CharToOem(std::string_view(ansi).substr(0, kMaxCellLength));
}

Column FixedColumn(Source source, const char* name, const char* headingUtf8, const char* unitUtf8,
                   std::size_t width) {
  return {source, name, platform::Utf8ToOem(headingUtf8), platform::Utf8ToOem(unitUtf8), width, 0};
}

std::vector<Column> KindColumns(TTalvernDataSet& fields) {
  std::vector<Column> columns{FixedColumn(Source::kType, "TYPE", ";Тип", ";", 4)};
  for (; !fields.Eof(); fields.Next()) {
    Column c{Source::kParameter, {}, Oem(fields.FieldByName("SHORT").AsString()),
             Oem(fields.FieldByName("VAL").AsString()), 0, fields.FieldByName("DOP").AsInteger()};
    c.parameter = fields.FieldByName("FLD").AsInteger();
    c.fieldName = std::to_string(c.parameter);
    const int len = std::max(fields.FieldByName("LEN").AsInteger(), 0);
    c.width = std::max({static_cast<std::size_t>(len), c.heading.size(), c.unit.size()});
    columns.push_back(std::move(c));
  }
  columns.push_back(FixedColumn(Source::kTemperature, "TERM", "Темпер.", "C", 8));
  columns.push_back(FixedColumn(Source::kImport, "IMPORT", "Импорт", "T / F", 6));
  return columns;
}

// One device: the cell of every column but the import column (code page
// 866), the import flag and the drawing list.
struct DeviceLine {
  std::vector<std::string> cells;
  char import;
  std::string drawings;
};

// The drawing list's entry of each code, looked up in the drawing table once.
class DrawingNames {
public:
  explicit DrawingNames(TTalvernDataSet& pics) : pics_(pics) {}

  // The file names of a device's drawings, up to the first empty code.
  std::string List(const std::string& pic) {
    std::string list;
    for (int i = 0; i < kMaxDeviceDrawings; ++i) {
      const std::string code(DeviceDrawingCode(pic, i));
      if (code.empty()) break;
      if (i > 0) list += ',';
      list += Entry(code);
    }
    return list;
  }

private:
  const std::string& Entry(const std::string& code) {
    auto [it, added] = entries_.try_emplace(code);
    if (added) {
      const FieldValue name = pics_.Lookup("PIC", {FieldValue{code}}, "FN");
      it->second = IsNullValue(name) ? kRawCodeMark + code : Oem(std::get<std::string>(name));
    }
    return it->second;
  }

  TTalvernDataSet& pics_;
  std::unordered_map<std::string, std::string> entries_;
};

void AppendPadded(std::string& out, const std::string& text, std::size_t width) {
  out += text;
  out.append(width > text.size() ? width - text.size() : 0, ' ');
  out += kCellSeparator;
}

void AppendSeparatorLine(std::string& out, const std::vector<Column>& columns) {
  const std::size_t start = out.size();
  for (const Column& c : columns) {
    out.append(c.width, c.groupPosition != 0 ? '=' : '-');
    out += '+';
  }
  out[start] = kCommentMark;
  out += "-------";
  out += kLineEnd;
}

}  // namespace

std::string ExportFileName(std::int32_t kind) { return "tb_" + std::to_string(kind) + ".tbl"; }

void ExportTable(MaintenanceCatalogue& catalogue, const std::string& fileName, std::int32_t kind) {
  catalogue.PrepareMain(kind);
  std::vector<Column> columns = KindColumns(catalogue.Fields());
  const std::size_t importColumn = columns.size() - 1;

  // Every device's cells, widening the columns to the longest value.
  TTalvernDataSet& main = catalogue.Main();
  TField& type = main.FieldByName("TYPE");
  TField& params = main.FieldByName("PARAMS");
  TField& term = main.FieldByName("TERM");
  TField& import = main.FieldByName("IMPORT");
  TField& pic = main.FieldByName("PIC");
  DrawingNames drawings(catalogue.Pics());
  std::vector<DeviceLine> devices;
  for (main.First(); !main.Eof(); main.Next()) {
    DeviceLine device;
    const std::string paramText = params.AsString();
    const std::vector<std::string_view> pieces = ParamPieces(paramText);
    for (std::size_t i = 0; i < importColumn; ++i) {
      const Column& c = columns[i];
      std::string value;
      switch (c.source) {
        case Source::kType: value = Oem(type.AsString()); break;
        case Source::kTemperature: value = Oem(term.AsString()); break;
        default:
          if (c.parameter >= 1 && static_cast<std::size_t>(c.parameter) <= pieces.size())
            value = Oem(std::string(pieces[static_cast<std::size_t>(c.parameter) - 1]));
      }
      columns[i].width = std::max(columns[i].width, value.size());
      device.cells.push_back(std::move(value));
    }
    device.import = import.AsBoolean() ? 'T' : 'F';
    device.drawings = drawings.List(pic.AsString());
    devices.push_back(std::move(device));
  }

  std::string out = kKindMark + std::to_string(kind) + kLineEnd;
  out += "; " + Oem(FieldValueToText(catalogue.Vids().Lookup("VID", {FieldValue{std::int64_t{kind}}}, "NAME"))) + kLineEnd;
  out += kLineEnd;
  for (const Column& c : columns) AppendPadded(out, c.heading, c.width);
  out += platform::Utf8ToOem("Рис") + kLineEnd;
  for (const Column& c : columns) AppendPadded(out, c.unit, c.width);
  out += kLineEnd;
  AppendSeparatorLine(out, columns);
  for (const Column& c : columns) AppendPadded(out, c.fieldName, c.width);
  out += std::string("PIC") + kLineEnd;
  AppendSeparatorLine(out, columns);
  for (const DeviceLine& device : devices) {
    for (std::size_t i = 0; i < importColumn; ++i) AppendPadded(out, device.cells[i], columns[i].width);
    AppendPadded(out, std::string(1, device.import), columns[importColumn].width);
    out += device.drawings + kLineEnd;
  }
  WriteFileBytes(fileName, out, false);
}

}  // namespace talvern::impexp
