#include "app/Catalogue.h"

#include <QAction>
#include <algorithm>
#include <cmath>

#include "app/ColumnLayout.h"
#include "app/EngineSetup.h"
#include "app/ErrorHandler.h"
#include "app/LookupComboBox.h"
#include "app/ParamPieces.h"
#include "app/TxGrid.h"
#include "dataset/Field.h"

namespace talvern {
namespace {

constexpr char kStatusPrefix[] = "  \xD0\xE8\xF1: ";  // "  Рис: " in code page 1251
constexpr char kStatusSeparator[] = " | ";

}  // namespace

std::int32_t KeyAsInteger(const FieldValue& value) {
  if (const auto* whole = std::get_if<std::int64_t>(&value)) return static_cast<std::int32_t>(*whole);
  if (const auto* real = std::get_if<double>(&value)) return static_cast<std::int32_t>(std::lround(*real));
  if (const auto* text = std::get_if<std::string>(&value)) {
    std::int64_t number = 0;
    if (TryTextToInt(*text, number)) return static_cast<std::int32_t>(number);
  }
  return 0;
}

Catalogue::Catalogue(CatalogueWidgets widgets, std::string databaseDirectory)
    : widgets_(std::move(widgets)),
      databaseDirectory_(std::move(databaseDirectory)),
      dsGroups_(&groups_),
      dsVids_(&vids_),
      dsMain_(&main_) {
  SetUpCatalogueDataSet(groups_, kGroupsTable.fileName, false);
  SetUpCatalogueDataSet(vids_, kVidsTable.fileName, true);
  SetUpCatalogueDataSet(fields_, kFieldsTable.fileName, true);
  SetUpCatalogueDataSet(main_, kMainTable.fileName, true);
  SetUpCatalogueDataSet(pics_, kPicsTable.fileName, false);
  AddDrawingFields(pics_);
}

Catalogue::~Catalogue() = default;

// A table that cannot be opened is reported, once, and the others are opened
// all the same: one missing table must not leave the rest closed. Every
// dataset is given the database directory first, so that a table that failed
// is named with its whole path also when it is used later.
void Catalogue::FormCreate() {
  SetUpEngine();
  const std::pair<TTalvernDataSet*, const CatalogueTable*> tables[] = {
      {&fields_, &kFieldsTable}, {&groups_, &kGroupsTable}, {&vids_, &kVidsTable},
      {&pics_, &kPicsTable},     {&main_, &kMainTable}};
  for (const auto& [dataSet, table] : tables) dataSet->SetDatabaseName(databaseDirectory_);
  for (const auto& [dataSet, table] : tables) RunGuarded([&] { OpenTable(*dataSet, table->tags); });
  pics_.FieldByName("PICTURE").SetTransliterate(false);
}

void Catalogue::OpenTable(TTalvernDataSet& dataSet, const std::vector<TTagDef>& tags) {
  OpenCatalogueTable(dataSet, databaseDirectory_, tags);
}

void Catalogue::ResetFields(TTalvernDataSet& dataSet) {
  if (&dataSet == &main_) paramFields_.clear();
  dataSet.DestroyFields();
  dataSet.UpdateFieldDefs();
  dataSet.CreateFields();
}

void Catalogue::CBGroupsClick() {
  main_.Close();
  widgets_.Grid1.Clear();
  widgets_.CBVids.setEnabled(false);
  widgets_.CBVids.SetKeyValue(FieldValue{});
  widgets_.enableCommand(widgets_.M_Pict, false);
  widgets_.enableCommand(widgets_.M_Export, false);
  widgets_.enableCommand(widgets_.M_ColumnSetup, false);
  if (!widgets_.CBGroups.HasValue()) return;
  vids_.SetFilter("GROUP=" + std::to_string(KeyAsInteger(widgets_.CBGroups.KeyValue())));
  widgets_.CBVids.setEnabled(true);
}

void Catalogue::CBVidsClick() {
  widgets_.setStatusText({});
  const std::int32_t v = KeyAsInteger(widgets_.CBVids.KeyValue());
  TxGrid& grid = widgets_.Grid1;
  if (v != 0) {
    try {
      PrepareMain(v);
    } catch (...) {
      // Main is closed now: the grid must not keep rows it cannot show.
      grid.Clear();
      widgets_.enableCommand(widgets_.M_Pict, false);
      throw;
    }
    grid.Clear();
    LoadKindColumns();
    LoadKindRows();
    grid.SetFixedCols(1);
    if (grid.RowCount() > 1) grid.SetFixedRows(1);
  }
  Grid1SelectCell(&grid, grid.Col(), grid.Row());
  widgets_.enableCommand(widgets_.M_ColumnSetup, true);
  widgets_.enableCommand(widgets_.M_Export, true);
}

// The kind's layout rows, Fields standing on the first in GRPD order.
void Catalogue::LoadKindColumns() {
  std::vector<LayoutRow> rows;
  for (; !fields_.Eof(); fields_.Next()) {
    LayoutRow row;
    row.vid = fields_.FieldByName("VID").AsInteger();
    row.fld = fields_.FieldByName("FLD").AsInteger();
    row.grp = fields_.FieldByName("GRP").AsInteger();
    row.dop = fields_.FieldByName("DOP").AsInteger();
    row.len = fields_.FieldByName("LEN").AsInteger();
    row.shortHeading = fields_.FieldByName("SHORT").AsString();
    row.unit = fields_.FieldByName("VAL").AsString();
    row.fullName = fields_.FieldByName("FULL").AsString();
    rows.push_back(std::move(row));
  }
  for (const ColumnDef& d : BuildKindColumns(rows))
    widgets_.Grid1.AddColumn(d.column.group, d.column.position, d.column.fieldName, d.column.heading,
                             d.column.fullName, d.width);
}

// One grid row per device of Main, in TYPE order. The walk leaves Main's
// cursor where it is and tells no view of it: only the record numbers and the
// types are read, not the calculated parameters.
void Catalogue::LoadKindRows() {
  CustomGrid::ShapeHold hold(widgets_.Grid1);
  main_.ForEachRecord([this](std::int32_t recNo) { widgets_.Grid1.AddRow(recNo); });
}

void Catalogue::PrepareMain(std::int32_t v) {
  if (v == 0) return;
  // A device table that could not be opened at start is opened with its index
  // now (or says again why not), so that its devices are not shown out of
  // TYPE order without a word.
  if (!main_.Active() && main_.IndexName().empty()) OpenTable(main_, kMainTable.tags);
  main_.Close();
  ResetFields(main_);
  const std::string filter = "VID=" + std::to_string(v);
  main_.SetFilter(filter);
  fields_.SetFilter(filter);
  fields_.SetIndexName(kFieldsTable.tags[1].name);  // FLD
  fields_.Last();
  const std::int32_t n = fields_.IsEmpty() ? 0 : fields_.FieldByName("FLD").AsInteger();
  for (std::int32_t k = 1; k <= n; ++k)
    paramFields_.push_back(&main_.AddField(ftString, ParameterFieldName(k), kParamFieldSize, fkCalculated));
  fields_.SetIndexName(kFieldsTable.tags[0].name);  // GRPD, on its first row
  main_.OnCalcFields = [this](TDataSet& dataSet) { MainCalcFields(dataSet); };
  main_.Open();
}

void Catalogue::MainCalcFields(TDataSet& dataSet) {
  const std::string params = dataSet.FieldByName("PARAMS").AsString();
  const std::vector<std::string_view> pieces = SplitParams(params);
  const std::size_t count = std::min(pieces.size(), paramFields_.size());
  for (std::size_t i = 0; i < count; ++i)
    if (!pieces[i].empty()) paramFields_[i]->SetAsString(std::string(pieces[i]));
}

bool Catalogue::ReadParameters(const std::vector<std::int32_t>& recNos, const std::vector<std::string>& fieldNames,
                               const std::function<void(std::size_t, std::size_t, std::string)>& take) {
  if (!main_.Active() || main_.State() != dsBrowse || !main_.OnCalcFields || fieldNames.empty()) return false;
  // Each field: a parameter (its piece of PARAMS) or a field of the table.
  struct Source {
    TField* field;
    std::size_t piece;
  };
  constexpr std::size_t kNoPiece = static_cast<std::size_t>(-1);
  std::vector<Source> sources;
  for (const std::string& name : fieldNames) {
    TField* field = main_.FindField(name);
    if (field == nullptr) return false;
    auto found = std::find(paramFields_.begin(), paramFields_.end(), field);
    if (found != paramFields_.end()) sources.push_back({field, static_cast<std::size_t>(found - paramFields_.begin())});
    else if (field->FieldKind() == fkData) sources.push_back({field, kNoPiece});
    else return false;
  }
  TField& params = main_.FieldByName("PARAMS");
  main_.ReadRecords(
      recNos,
      [&](std::size_t r) {
        std::string text;
        std::vector<std::string_view> pieces;
        for (std::size_t f = 0; f < sources.size(); ++f) {
          const Source& source = sources[f];
          if (source.piece == kNoPiece) {
            take(r, f, source.field->AsString());
            continue;
          }
          if (text.empty() && pieces.empty()) {
            text = params.AsString();
            pieces = SplitParams(text);
          }
          std::string_view piece = source.piece < pieces.size() ? pieces[source.piece] : std::string_view();
          take(r, f, std::string(piece.substr(0, std::min<std::size_t>(piece.size(), kParamFieldSize))));
        }
      },
      false);
  return true;
}

// The first drawing code is the key: the PIC tag's key takes the first three
// characters of the device's PIC text. A code that PICS.DBF has no record for
// shows no file name; "&Рисунок" stays enabled, since the device has drawing
// codes (the drawing window shows an empty picture for such a code and the
// device's other drawings).
void Catalogue::Grid1SelectCell(QObject* /*Sender*/, int ACol, int ARow) {
  TxGrid& grid = widgets_.Grid1;
  if (grid.RowCount() <= 1) {
    // No device is selected (none in the kind, or filters hide them all):
    // there is no drawing to show nor to name.
    widgets_.enableCommand(widgets_.M_Pict, false);
    widgets_.setStatusText({});
    return;
  }
  main_.SetRecNo(grid.RowRecNo(ARow));
  const std::string pic = main_.FieldByName("PIC").AsString();
  std::string fileText = kNoDrawingText;
  if (pic.empty()) {
    widgets_.enableCommand(widgets_.M_Pict, false);
  } else {
    // A drawing table that could not be opened was reported at start.
    if (pics_.Active() && pics_.FindKey({pic})) fileText = pics_.FieldByName("FN").AsString();
    widgets_.enableCommand(widgets_.M_Pict, true);
  }
  widgets_.setStatusText(kStatusPrefix + fileText + kStatusSeparator + grid.ColumnFullName(ACol));
}

}  // namespace talvern
