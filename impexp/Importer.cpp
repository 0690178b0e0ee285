#include "impexp/Importer.h"

#include <algorithm>

#include "impexp/CatalogueTables.h"
#include "dataset/TalvernDataSet.h"
#include "engine/Errors.h"
#include "engine/Strings.h"
#include "impexp/DrawingCode.h"
#include "impexp/Drawings.h"
#include "impexp/ExportTable.h"
#include "impexp/MaintenanceCatalogue.h"
#include "impexp/MaintenanceHost.h"
#include "impexp/Messages.h"
#include "impexp/NameIndex.h"
#include "impexp/ParamText.h"
#include "impexp/SmdCodes.h"
#include "impexp/TableFile.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace talvern::impexp {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// Column names count up to this many characters.
constexpr std::size_t kMaxColumnName = 7;
// The lower-case IMPORT values: true ("t", Cyrillic "т" in code page 1251)
// and false.
constexpr std::string_view kImportTrue[] = {"t", "\xF2"};
constexpr std::string_view kImportFalse = "f";

std::int32_t ReadInteger(std::string_view text) {
  std::int64_t value = 0;
  if (!TryTextToInt(text, value) || value < INT32_MIN || value > INT32_MAX)
    Raise("'%s' is not a valid integer value", {text});
  return static_cast<std::int32_t>(value);
}

std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

bool HasHighBytes(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Keeps bound controls quiet while many records are written.
class ControlsDisabled {
public:
  explicit ControlsDisabled(TDataSet& dataSet) : dataSet_(dataSet) { dataSet_.DisableControls(); }
  ~ControlsDisabled() { dataSet_.EnableControls(); }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
  TDataSet& dataSet_;
};

}  // namespace

// The columns of the header: element numbers from 1 in file order, 0 for
// none (element 0 of a row is always empty).
struct TImporter::Header {
  std::size_t columns = 0;
  std::size_t type = 0;
  std::size_t term = 0;
  std::size_t import = 0;
  std::size_t pic = 0;
  std::vector<std::size_t> params;  // the element of parameter k at k - 1
};

TImporter::TImporter(MaintenanceCatalogue& catalogue, MaintenanceHost& host, std::string drawingFolder)
    : catalogue_(catalogue), host_(host), drawingFolder_(std::move(drawingFolder)) {}

bool TImporter::AskReplace(const std::string& item) {
  if (doNotAsk_) return answer_;
  const MaintenanceHost::Answer answer = host_.AskReplace(item);
  answer_ = answer.replace;
  doNotAsk_ = answer.dontAskAgain;
  return answer_;
}

std::int32_t TImporter::ImportFile(const std::string& fileName) {
  std::int32_t kind = 0;
  doNotAsk_ = false;
  // The devices of all kinds, with their stored fields only; kinds of all
  // groups, for the kind's name (and the window's look-up of its group).
  TTalvernDataSet& main = catalogue_.Main();
  main.Close();
  main.OnCalcFields = nullptr;
  catalogue_.ResetFields(main);
  main.SetFilter("");
  main.Open();
  catalogue_.Vids().SetFilter("");
  host_.Protocol(kImporting + fileName);
  try {
    std::string bytes = ReadFileBytes(fileName);
    const bool marked = bytes.starts_with(kUtf8Mark);
    if (marked) bytes.erase(0, kUtf8Mark.size());
    TableFileLines lines(std::move(bytes));
    std::string_view line;
    if (!lines.NextDataLine(line) || line.front() != kKindMark) throw ETalvernError(kBadFileStructure);
    kind = ReadInteger(Trim(line.substr(1, kMaxCellLength)));
    if (kind == 0) {
      ImportCodes(lines);
    } else {
      const std::string_view rest = std::string_view(lines.Bytes()).substr(lines.Position());
      if (marked || (HasHighBytes(rest) && IsUtf8(rest))) {
        host_.Protocol(kUtf8TableFile);
        TableFileLines oem(platform::Utf8ToOem(rest));
        ImportDevices(oem, kind);
      } else {
        ImportDevices(lines, kind);
      }
    }
    host_.Protocol(kImportFinished);
  } catch (const std::exception& e) {
    host_.Protocol(MessageText(e));
  }
  return kind;
}

TImporter::Header TImporter::ReadHeader(TableFileLines& lines, std::int32_t kind) {
  // N: the kind's highest parameter number.
  TTalvernDataSet& fields = catalogue_.Fields();
  fields.SetFilter("VID=" + std::to_string(kind));
  fields.SetIndexName(kFieldsTable.tags[1].name);  // FLD
  fields.Last();
  const std::int32_t n = fields.IsEmpty() ? 0 : fields.FieldByName("FLD").AsInteger();
  fields.SetIndexName(kFieldsTable.tags[0].name);  // GRPD

  std::string_view line;
  if (!lines.NextDataLine(line)) throw ETalvernError(kNoTableHeader);
  const std::string upper = AsciiUpper(line);
  if (upper.find("TYPE") == std::string::npos) throw ETalvernError(kNoTableHeader);
  Header header;
  header.params.assign(static_cast<std::size_t>(std::max(n, 0)), 0);
  const std::vector<std::string> cells = SplitCells(upper);
  header.columns = cells.size();
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (cells[i].empty()) throw ETalvernError(kNoColumnHeader + std::to_string(i + 2));
    const std::string name = cells[i].substr(0, kMaxColumnName);
    const std::size_t element = i + 1;
    if (name == "TYPE") {
      header.type = element;
    } else if (name == "TERM") {
      header.term = element;
    } else if (name == "IMPORT") {
      header.import = element;
    } else if (name == "PIC") {
      header.pic = element;
    } else {
      const std::int32_t k = ReadInteger(name);
      if (k >= 1 && k <= n) header.params[static_cast<std::size_t>(k) - 1] = element;
    }
  }
  return header;
}

void TImporter::ImportDevices(TableFileLines& lines, std::int32_t kind) {
  const FieldValue name = catalogue_.Vids().Lookup("VID", {FieldValue{std::int64_t{kind}}}, "NAME");
  if (IsNullValue(name)) Raise(kUnknownKind, {std::int64_t{kind}});
  host_.Protocol(platform::AnsiToUtf8(FieldValueToText(name)));
  const Header header = ReadHeader(lines, kind);

  TTalvernDataSet& main = catalogue_.Main();
  ControlsDisabled quiet(main);
  NameIndex types(main, "TYPE");
  DrawingDirectory drawings(catalogue_.Pics(), drawingFolder_);
  std::string_view line;
  while (lines.NextDataLine(line)) {
    ImportRow(header, SplitCells(line), kind, types, drawings);
    const auto percent = static_cast<std::int64_t>(lines.Position() * 100 / std::max<std::size_t>(lines.Size(), 1));
    host_.Progress(FormatMessage(kImportProgress, {percent}));
  }
}

void TImporter::ImportRow(const Header& header, const std::vector<std::string>& cells, std::int32_t kind,
                          NameIndex& types, DrawingDirectory& drawings) {
  std::vector<std::string> values(header.columns + 1);
  for (std::size_t i = 0; i < header.columns && i < cells.size(); ++i) values[i + 1] = cells[i];
  const std::string& type = values[header.type];
  TTalvernDataSet& main = catalogue_.Main();
  try {
    if (type.empty()) throw ETalvernError(kEmptyType);
    std::vector<std::string_view> params;
    for (std::size_t element : header.params) params.push_back(values[element]);
    bool imported = true;
    if (header.import != 0) {
      const std::string flag = platform::AnsiLower(values[header.import]);
      imported = flag != kImportFalse;
      if (imported && flag != kImportTrue[0] && flag != kImportTrue[1]) throw ETalvernError(kBadImportValue);
    }
    const std::int32_t found = types.Find(type);
    if (found != 0) {
      if (!AskReplace(platform::AnsiToUtf8(type))) return;
      main.SetRecNo(found);
      main.Edit();
    } else {
      main.Append();
    }
    main.FieldByName("TYPE").SetAsString(type);
    main.FieldByName("VID").SetAsInteger(kind);
    if (header.pic != 0) main.FieldByName("PIC").SetAsString(DrawingCodes(values[header.pic], drawings));
    if (header.import != 0) main.FieldByName("IMPORT").SetAsBoolean(imported);
    if (header.term != 0) main.FieldByName("TERM").SetAsString(values[header.term]);
    main.FieldByName("PARAMS").SetAsString(JoinParams(params));
    main.Post();
    if (found == 0) types.Add(main.FieldByName("TYPE").AsString(), main.RecNo());
  } catch (const std::exception& e) {
    if (main.State() == dsEdit || main.State() == dsInsert) main.Cancel();
    host_.Protocol("[" + platform::AnsiToUtf8(type) + "] " + MessageText(e));
  }
}

// The drawing codes of a drawing list: each name's drawing record, found by
// its file name or made for it; at most three codes, none twice.
std::string TImporter::DrawingCodes(const std::string& list, DrawingDirectory& drawings) {
  std::string codes;
  std::string_view rest = list;
  while (!rest.empty() && codes.size() < kDevicePicLength) {
    const std::size_t comma = rest.find(',');
    const std::string name(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    std::optional<std::string> code;
    if (name.size() == kDrawingCodeLength + 1 && name.front() == kRawCodeMark && IsDrawingCode(name.substr(1)))
      code = name.substr(1);
    else
      code = drawings.CodeOf(name);
    if (!code) {
      codes += drawings.NewDrawing(name);
      continue;
    }
    const bool twice = *code == codes.substr(0, kDrawingCodeLength) ||
                       (codes.size() > kDrawingCodeLength && *code == codes.substr(kDrawingCodeLength, kDrawingCodeLength));
    if (!twice) codes += *code;
  }
  return codes;
}

void TImporter::ImportCodes(TableFileLines& lines) {
  host_.Protocol(kSmdCodes);
  host_.Protocol(kLoadingCodes);
  SmdCodeList list;
  list.Load(catalogue_.DatabaseDirectory());
  host_.Protocol(kSortingCodes);
  list.Sort();
  host_.Protocol(kImportingCodes);
  bool noted = false;
  std::string_view line;
  while (lines.NextLine(line)) {
    std::string text(line);
    if (!IsUtf8(text)) {
      text = platform::OemToUtf8(text);
      if (!noted) host_.Protocol(kOemCodeLines);
      noted = true;
    }
    const SmdCode code = ParseImportedCode(text);
    if (code.code.empty() || code.type.empty()) continue;
    list.Merge(code, [&] { return AskReplace(code.code + " - " + code.type); });
  }
  host_.Protocol(kSavingCodes);
  list.Save(host_);
}

}  // namespace talvern::impexp
